"""Starts the demo: the local board server with the bundled demo boards, and
Kvel32 in the demo program folder (build/demo) pointed at it.

With a display the program runs until you close it. Without one it runs under
a virtual display: the script waits for the window, opens a board and a
thread, saves a screenshot, closes the program and prints the screenshot's
path. Everything the program reaches is on 127.0.0.1.
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import time
import urllib.request

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import kvtest  # noqa: E402

FOLDER = os.path.join(ROOT, "build", "demo")
DATA = os.path.join(ROOT, "build", "demo-data")
PREFERRED_PORT = 18080  # a fixed port keeps the program's local copies valid between runs


def free(port):
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", port))
        return True
    except OSError:
        return False
    finally:
        s.close()


def start_server():
    if not os.path.isdir(DATA):
        subprocess.run([sys.executable, os.path.join(ROOT, "demo", "build_demo.py"), DATA], check=True)
    port_file = os.path.join(ROOT, "build", "demo-ports")
    if os.path.exists(port_file):
        os.remove(port_file)
    port = PREFERRED_PORT if free(PREFERRED_PORT) else 0
    server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "boardserver", "server.py"), "--data", DATA,
                               "--port", str(port), "--ntp-port", "0", "--port-file", port_file],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    kvtest.wait_until(lambda: os.path.exists(port_file), 15, what="the board server")
    with open(port_file) as f:
        http_port, ntp_port = map(int, f.read().split())
    return server, http_port, ntp_port


def settings(http_port, ntp_port):
    """The demo folder's settings: kept between runs, with the addresses of
    this run's server."""
    ini = os.path.join(FOLDER, "Kvel32.ini")
    text = open(ini, "rb").read().decode("cp932") if os.path.exists(ini) else "[Setup]\r\nBordTopw=0\r\n"
    wanted = {"BoadAddr": "http://127.0.0.1:%d/bbsmenu.html" % http_port, "NTPSrver": "127.0.0.1",
              "NTP_Port": str(ntp_port),
              # Everything is on loopback: no need to look for a network first.
              "NetAtchk": "0"}
    for key, value in wanted.items():
        line = "%s=%s" % (key, value)
        if re.search(r"^%s=.*$" % key, text, flags=re.M):
            text = re.sub(r"^%s=.*$" % key, line, text, flags=re.M)
        else:
            text = text.rstrip("\r\n") + "\r\n" + line + "\r\n"
    with open(ini, "wb") as f:
        f.write(text.replace("\r\r", "\r").encode("cp932"))
    # The board tree is built from the local copy of the board menu: put one
    # there, as the board-list dialog's download would.
    menu = urllib.request.urlopen("http://127.0.0.1:%d/bbsmenu.html" % http_port, timeout=10).read()
    local = os.path.join(FOLDER, "log", "127.0.0.1_%d" % http_port)
    os.makedirs(local, exist_ok=True)
    with open(os.path.join(local, "bbsmenu.html"), "wb") as f:
        f.write(menu)


def main():
    os.makedirs(FOLDER, exist_ok=True)
    shutil.copy(os.path.join(kvtest.BUILD_DIR, "bin", "Kvel32.exe"), FOLDER)
    interactive = bool(os.environ.get("DISPLAY"))
    kvtest.Display.ensure()
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "wine-prefix.sh")], check=True)
    server, http_port, ntp_port = start_server()
    try:
        settings(http_port, ntp_port)
        proc = subprocess.Popen(["wine", "Kvel32.exe"], cwd=FOLDER, env=kvtest.wine_env())
        if interactive:
            print("Kvel32 is running on %s against http://127.0.0.1:%d/; close its window to end."
                  % (os.environ["DISPLAY"], http_port))
            proc.wait()
            return 0
        return shoot(proc, http_port)
    finally:
        server.terminate()
        server.wait()
        kvtest.Display.stop()


def shoot(proc, http_port):
    driver = kvtest.Driver()
    try:
        answer = driver.call("wait KVEL 30000", timeout=60)
        if not answer.startswith("ok "):
            print("Kvel32 did not open its window", file=sys.stderr)
            return 1
        window = int(answer.split()[1])
        driver.call("watch %d" % window)
        combo = int(driver.call("find %d ComboBox" % window))
        # A board's list, then a thread, through the address bar.
        for address, command in (("http://127.0.0.1:%d/pc/subject.txt" % http_port, 40016),
                                 ("http://127.0.0.1:%d/test/read.cgi/pc/1733100001/" % http_port, 40016)):
            if combo:
                driver.call("settext %d %s" % (combo, address.encode("cp932").hex()))
                driver.call("cmd %d %d" % (window, command))
                driver.call("idle 5000")
            time.sleep(1.5)  # the downloads: the program shows them as they arrive
        driver.call("idle 5000")
        shot = os.path.join(FOLDER, "kurovel.png")
        subprocess.run(["import", "-window", "root", "-display", os.environ["DISPLAY"], shot], check=True)
        driver.call("close %d" % window)
        driver.call("exited 30000", timeout=60)
        proc.wait(timeout=30)
    finally:
        driver.close()
    print("screenshot: " + shot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
