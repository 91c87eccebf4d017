"""The main window of the real program: splitters, layout switches, keys."""
import kvtest

WM_KEYDOWN = 0x0100
WM_MOUSEMOVE = 0x0200
WM_LBUTTONDOWN = 0x0201
WM_LBUTTONUP = 0x0202
MK_LBUTTON = 1

SAFE = "[Setup]\r\nNTPCheck=0\r\nBordTopw=0\r\nBoadAddr=http://127.0.0.1:9/bbsmenu.html\r\n"


def lparam(x, y):
    return (y << 16) | x


def setting(ini, key):
    for line in ini.decode("cp932").split("\r\n"):
        if line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


class MainWindowTest(kvtest.ProgramTest):
    def drag(self, p, x0, y0, x1, y1):
        # The rebar sits on top: client coordinates of the main window.
        p.call("post %d %d %d %d" % (p.window, WM_LBUTTONDOWN, MK_LBUTTON, lparam(x0, y0)))
        p.call("post %d %d %d %d" % (p.window, WM_MOUSEMOVE, MK_LBUTTON, lparam(x1, y1)))
        p.call("post %d %d 0 %d" % (p.window, WM_LBUTTONUP, lparam(x1, y1)))
        p.call("idle 5000")

    def test_splitters(self):
        p = self.program(files={"Kvel32.ini": SAFE})
        p.start()
        self.drag(p, 118, 200, 100, 200)  # the tree edge, to x = 100
        self.drag(p, 438 - 20, 200, 102, 200)  # the list edge (now at 100 + 320) to within 4 px of the tree edge
        p.close()
        ini = p.read("Kvel32.ini")
        self.assertEqual(setting(ini, "TreeWide"), "100")
        self.assertEqual(setting(ini, "ListWide"), "320", "a list edge dragged onto the tree edge changes nothing")

    def test_q_exits_and_c_does_nothing_without_a_key_file(self):
        p = self.program(files={"Kvel32.ini": SAFE})
        p.start()
        p.call("post %d %d %d 0" % (p.window, WM_KEYDOWN, ord("C")))
        p.call("idle 5000")
        self.assertEqual(p.count("KVEL"), 1)
        p.call("post %d %d %d 0" % (p.window, WM_KEYDOWN, ord("Q")))
        self.assertEqual(p.wait_exit(), 0)
        self.assertIn(b" i KeyID key=51, id=40001", p.read("Kvel.log"))


class SmallDesktopTest(kvtest.ProgramTest):
    def test_t_shaped_switch_on_an_800x480_screen(self):
        for run, expected in ((1, "100"), (2, "0")):
            p = self.program("t_shaped_%d" % run, files={"Kvel32.ini": SAFE + ("TateYoko=100\r\n" if run == 2 else "")},
                             desktop=("kv800x480", 800, 480))
            p.start()
            self.assertEqual(p.screen(), (800, 480))
            p.command(40050)
            p.call("idle 5000")
            if run == 1:
                p.screenshot("layout-t-shaped-800x480")
            p.close()
            self.assertEqual(setting(p.read("Kvel32.ini"), "TateYoko"), expected)
            p.stop()


if __name__ == "__main__":
    kvtest.main()
