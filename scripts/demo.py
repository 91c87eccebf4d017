"""Starts Kvel32 in the demo program folder (build/demo).

With a display the program runs until you close it. Without one it runs under
a virtual display: the script waits for the window, saves a screenshot, closes
the program and prints the screenshot's path.
"""
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import kvtest  # noqa: E402

# Everything the demo points the program at is on loopback.
DEMO_SETTINGS = "[Setup]\r\nBoadAddr=http://127.0.0.1:9/bbsmenu.html\r\nNTPCheck=0\r\nBordTopw=0\r\n"


def main():
    folder = os.path.join(ROOT, "build", "demo")
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(kvtest.BUILD_DIR, "bin", "Kvel32.exe"), folder)
    ini = os.path.join(folder, "Kvel32.ini")
    if not os.path.exists(ini):
        with open(ini, "wb") as f:
            f.write(DEMO_SETTINGS.encode("cp932"))

    interactive = bool(os.environ.get("DISPLAY"))
    kvtest.Display.ensure()
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "wine-prefix.sh")], check=True)
    env = kvtest.wine_env()
    proc = subprocess.Popen(["wine", "Kvel32.exe"], cwd=folder, env=env)
    if interactive:
        print("Kvel32 is running on %s; close its window to end." % os.environ["DISPLAY"])
        proc.wait()
        return 0
    driver = kvtest.Driver()
    try:
        answer = driver.call("wait KVEL 30000", timeout=60)
        if not answer.startswith("ok "):
            print("Kvel32 did not open its window", file=sys.stderr)
            return 1
        window = int(answer.split()[1])
        time.sleep(1.0)  # let the first paint land before the screenshot
        shot = os.path.join(folder, "kurovel.png")
        subprocess.run(["import", "-window", "root", "-display", os.environ["DISPLAY"], shot], check=True)
        driver.call("close %d" % window)
        proc.wait(timeout=30)
    finally:
        driver.close()
        kvtest.Display.stop()
    print("screenshot: " + shot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
