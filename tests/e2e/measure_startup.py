"""Measures start-up of the real Kvel32.exe under Wine: from process start to
the board tree filled to its capacity of 1,000 items (10 expanded categories
of 99 boards), and
the same with an empty tree for comparison. Prints milliseconds; asserts
nothing about speed.

    python3 tests/e2e/measure_startup.py [rounds]
"""
import statistics
import subprocess
import sys
import time

import kvtest

CATEGORIES, BOARDS = 10, 99
ROWS = CATEGORIES + CATEGORIES * BOARDS


def menu():
    out = ["<HTML><HEAD></HEAD><BODY>\n"]
    for c in range(CATEGORIES):
        out.append("<BR><BR><B>分類%02d</B><BR>\n" % c)
        for b in range(BOARDS):
            out.append("<A HREF=http://127.0.0.1:9/b%02d%03d/>板%02d-%03d</A><br>\n" % (c, b, c, b))
    out.append("</BODY></HTML>\n")
    return "".join(out)


def one_run(name, with_boards):
    p = kvtest.Program(name)
    ini = "[Setup]\r\nNTPCheck=0\r\nBordTopw=0\r\nBoadAddr=http://127.0.0.1:9/bbsmenu.html\r\n"
    if with_boards:
        ini += "TreeOpen=%s\r\n" % ("1" * CATEGORIES + "0" * (150 - CATEGORIES))
        p.write("log/127.0.0.1_9/bbsmenu.html", menu())
    p.write("Kvel32.ini", ini)
    p.driver = kvtest.Driver()
    try:
        start = time.monotonic()
        p.start(wait_window=False)
        window = p.wait_window("KVEL", 60)
        shown = time.monotonic()
        tree = int(p.call("item %d 40210" % window))
        want = ROWS if with_boards else 0
        kvtest.wait_until(lambda: int(p.call("lvcount %d" % tree)) == want, 60, 0.005, "the board tree")
        filled = time.monotonic()
        p.window = window
        p.call("watch %d" % window)
        p.close()
        return (shown - start) * 1000, (filled - start) * 1000
    finally:
        p.stop()


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    kvtest.Display.ensure()
    subprocess.run(["bash", kvtest.os.path.join(kvtest.SOURCE_DIR, "scripts", "wine-prefix.sh")], check=True)
    for with_boards in (False, True):
        runs = [one_run("startup_%d_%d" % (with_boards, i), with_boards) for i in range(rounds)]
        label = "1,000 items (990 boards)" if with_boards else "empty tree"
        print("%s: window %.0f ms, tree filled %.0f ms (median of %d; min %.0f, max %.0f)" % (
            label, statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs), rounds,
            min(r[1] for r in runs), max(r[1] for r in runs)))
    kvtest.Display.stop()


if __name__ == "__main__":
    main()
