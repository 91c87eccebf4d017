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
    # All four programs (and the editors under the names the handheld build
    # starts): the reader starts the editors from its folder.
    for exe in ("Kvel32.exe", "Kvel.exe", "Ravo32.exe", "Selm32.exe", "Ravo.exe", "Selm.exe"):
        shutil.copy(os.path.join(kvtest.BUILD_DIR, "bin", exe), FOLDER)
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
    call = driver.call

    def cell(list_view, row):
        text = call("lvtext %d %d 0" % (list_view, row))
        return "" if text == "-" else bytes.fromhex(text).decode("cp932")

    def status():
        text = call("text %d" % int(call("find %d msctls_statusbar32" % window)))
        return bytes.fromhex(text).decode("cp932") if text not in ("", "-") else ""

    def settle():
        # A download is looked at one second after its start, then every two.
        time.sleep(1.2)
        kvtest.wait_until(lambda: status() == "(0) ok", 20, what="the download")
        call("idle 5000")

    try:
        answer = call("wait KVEL 30000", timeout=60)
        if not answer.startswith("ok "):
            print("Kvel32 did not open its window", file=sys.stderr)
            return 1
        window = int(answer.split()[1])
        call("watch %d" % window)
        tree = kvtest.wait_until(lambda: int(call("item %d 40210" % window)), what="the board tree")
        listv = int(call("item %d 40212" % window))
        # Open the ＰＣ category, choose its board, open the first thread.
        kvtest.wait_until(lambda: int(call("lvcount %d" % tree)) >= 2, what="the board tree")
        rows = [cell(tree, r) for r in range(int(call("lvcount %d" % tree)))]
        if "パソコン相談" not in rows:
            call("lvselect %d %d" % (tree, rows.index("ＰＣ")))
            call("key %d 13" % tree)
            kvtest.wait_until(lambda: "パソコン相談" in [cell(tree, r) for r in range(int(call("lvcount %d" % tree)))],
                              what="the category to open")
            rows = [cell(tree, r) for r in range(int(call("lvcount %d" % tree)))]
        call("lvselect %d %d" % (tree, rows.index("パソコン相談")))
        call("key %d 13" % tree)
        kvtest.wait_until(lambda: int(call("lvcount %d" % listv)) >= 1, what="the thread list")
        settle()
        call("lvselect %d 1" % listv)
        call("key %d 13" % listv)
        settle()
        shot = os.path.join(FOLDER, "kurovel.png")
        subprocess.run(["import", "-window", "root", "-display", os.environ["DISPLAY"], shot], check=True)
        call("close %d" % window)
        call("exited 30000", timeout=60)
        proc.wait(timeout=30)
    finally:
        driver.close()
    print("screenshot: " + shot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
