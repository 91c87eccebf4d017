"""The three layouts with the bundled demo board: wide, T-shaped and the small
screen, each with a board chosen in the tree and a thread open. The
screenshots are kept in e2e-artefacts/ for people to look at."""
import os
import subprocess
import sys
import urllib.request

import kvtest
from test_read_path import LIST_ID, TREE2_ID, TREE_ID, VK_RETURN, cell, pane, thread_windows, wait_done

DEMO_DATA = os.path.join(kvtest.BUILD_DIR, "e2e-work", "demo-data")
BOARD = "パソコン相談"


def demo_data():
    if not os.path.isdir(DEMO_DATA):
        subprocess.run([sys.executable, os.path.join(kvtest.SOURCE_DIR, "demo", "build_demo.py"), DEMO_DATA],
                       check=True, stdout=subprocess.DEVNULL)
    return DEMO_DATA


class DemoLayoutTest(kvtest.ProgramTest):
    def run_layout(self, name, exe="Kvel32.exe", extra="", desktop=None):
        with kvtest.board_server(data=demo_data()) as srv:
            p = self.program(name, exe=exe, desktop=desktop)
            ini = "Kvel32.ini" if exe == "Kvel32.exe" else "Kvel.ini"
            p.write(ini, "[Setup]\r\nNTPCheck=0\r\nNetAtchk=0\r\nBordTopw=0\r\nBoadAddr=%s\r\nTreeOpen=%s\r\n%s" % (
                srv.url("/bbsmenu.html"), "1" * 150, extra))
            menu = urllib.request.build_opener(urllib.request.ProxyHandler({})).open(srv.url("/bbsmenu.html")).read()
            p.write("log/127.0.0.1_%d/bbsmenu.html" % srv.port, menu)
            p.start()
            tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
            thread_windows(p)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % tree)) >= 2, what="the board tree")
            rows = [cell(p, tree, r, 0) for r in range(int(p.call("lvcount %d" % tree)))]
            if BOARD in rows:  # one list with the categories open
                chooser, row = tree, rows.index(BOARD)
            else:  # two lists: the category first, then the board beside it
                category = rows.index("ＰＣ")
                p.call("lvselect %d %d" % (tree, category))
                p.key(VK_RETURN, tree)
                chooser = pane(p, TREE2_ID)
                kvtest.wait_until(lambda: cell(p, chooser, 0, 0) == BOARD, what="the board list")
                row = 0
            p.call("lvselect %d %d" % (chooser, row))
            p.key(VK_RETURN, chooser)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) >= 1, what="the thread list")
            wait_done(p, "the thread list")
            if not desktop:
                p.screenshot("demo-%s-list" % name)
            p.call("lvselect %d 0" % listv)
            p.key(VK_RETURN, listv)
            kvtest.wait_until(lambda: thread_windows(p), what="a thread window")
            wait_done(p, "the thread")
            shot = p.screenshot("demo-%s" % name)
            self.assertTrue(os.path.getsize(shot) > 0)
            self.assertEqual(p.close(), 0)

    def test_wide(self):
        self.run_layout("wide")

    def test_t_shaped(self):
        self.run_layout("t-shaped", extra="TateYoko=100\r\n")

    def test_small_screen(self):
        self.run_layout("small-screen", exe="Kvel.exe", desktop=("kv240x320", 240, 320))


if __name__ == "__main__":
    kvtest.main()
