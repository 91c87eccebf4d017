"""The whole read path of the real program, driven only from outside: the
board tree from the menu, a board's list with states, a thread opened,
updated by its new bytes only, closed and reopened at its place, typed
addresses, offline reading, and what lands on disk."""
import glob
import os
import time
import urllib.request

import kvtest

VK_RETURN, VK_NEXT = 0x0D, 0x22
WM_LBUTTONDOWN, WM_LBUTTONUP = 0x0201, 0x0202
TREE_ID, TREE2_ID, LIST_ID = 40210, 40211, 40212
DAT = "/news/dat/1700000001.dat"
TITLE = "読み通しのテスト"


def setting(ini, key):
    for line in ini.decode("cp932").split("\r\n"):
        if line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


def cell(p, list_view, row, column):
    text = p.call("lvtext %d %d %d" % (list_view, row, column))
    return "" if text == "-" else bytes.fromhex(text).decode("cp932")


def prepare(p, srv, extra=""):
    """Settings pointing at the server, and the board menu's local copy in
    place (as the board-list dialog's download leaves it)."""
    p.write("Kvel32.ini" if p.exe == "Kvel32.exe" else "Kvel.ini",
            "[Setup]\r\nNTPCheck=0\r\nNetAtchk=0\r\nBordTopw=0\r\nBoadAddr=%s\r\n%s" % (srv.url("/bbsmenu.html"), extra))
    menu = urllib.request.build_opener(urllib.request.ProxyHandler({})).open(srv.url("/bbsmenu.html")).read()
    p.write("log/127.0.0.1_%d/bbsmenu.html" % srv.port, menu)


def pane(p, control):
    """A pane of the main window by its control id, once it exists."""
    return kvtest.wait_until(lambda: int(p.call("item %d %d" % (p.window, control))), what="pane %d" % control)


def views(p):
    found = []
    for entry in p.call("children %d" % p.window).split():
        handle, _, cls = entry.partition(":")
        if cls == "KVEL_T":
            found.append(int(handle))
    return found


def thread_windows(p):
    """The thread windows opened since start (the docked view of slot 0, there
    from the start, is not one), newest first."""
    if not hasattr(p, "docked_views"):
        # The docked view may come a moment after the panes: wait for it, or
        # it would later be taken for a thread window.
        p.docked_views = set(kvtest.wait_until(lambda: views(p), what="the docked view"))
    return [v for v in views(p) if v not in p.docked_views]


def status(p):
    bar = int(p.call("find %d msctls_statusbar32" % p.window))
    text = p.call("text %d" % bar)
    return bytes.fromhex(text).decode("cp932") if text not in ("", "-") else ""


def wait_done(p, what):
    """Until no download runs and the last one said "ok". A view looks at its
    download one second after the start and every two seconds after that;
    until then the status bar still shows the text before it."""
    time.sleep(1.2)
    kvtest.wait_until(lambda: status(p) == "(0) ok", 20, what=what)
    p.call("idle 5000")


def clear_status(p):
    """Marks the status bar, so that a later "(0) ..." is known to come from
    what runs after this call, not from the download before it."""
    bar = int(p.call("find %d msctls_statusbar32" % p.window))
    p.call("settext %d %s" % (bar, "...".encode("cp932").hex()))


def wait_settled(p, what):
    """After clear_status: until no download runs and one has reported its
    end. A thread window that takes the focus shows its title with the count
    of downloads, which can still be 0 before its download starts."""
    def settled():
        text = status(p)
        return text.startswith("(0) ") and text[4:] != TITLE
    kvtest.wait_until(settled, 30, what=what)
    p.call("idle 5000")


def acquired_line(p):
    files = kvtest.wait_until(lambda: glob.glob(p.path("log") + "/**/acquired.txt", recursive=True),
                              what="acquired.txt")
    with open(files[0], "rb") as f:
        return f.read().decode("cp932")


def in_front(p, *windows):
    """Of these children of the main window, the one highest in the z-order."""
    for entry in p.call("children %d" % p.window).split():
        handle = int(entry.partition(":")[0])
        if handle in windows:
            return handle
    return None


def requests_for(srv, path):
    return [r for r in srv.requests() if r.url.endswith(path)]


def start_on_board(test, srv, posts, files=None):
    """The board /news/ with one thread of that many posts; the program
    started against it with the board chosen in the tree and its list shown.
    Returns the program, the board tree and the thread list."""
    srv.board("/news/", name="ニュース", category="テスト")
    srv.thread(DAT, posts=posts, title=TITLE)
    p = test.program()
    prepare(p, srv)
    for rel, data in (files or {}).items():
        p.write(rel, data)
    p.start()
    tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
    thread_windows(p)
    ReadPathTest.choose_board(test, p, tree)
    kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 1, what="the thread list")
    return p, tree, listv


class ReadPathTest(kvtest.ProgramTest):
    def choose_board(self, p, tree):
        """The category row first (collapsed), then the board under it."""
        kvtest.wait_until(lambda: int(p.call("lvcount %d" % tree)) >= 1, what="the board tree")
        if int(p.call("lvcount %d" % tree)) < 2:
            p.call("lvselect %d 0" % tree)
            p.key(VK_RETURN, tree)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % tree)) >= 2, what="the category to open")
        names = [cell(p, tree, r, 0) for r in range(int(p.call("lvcount %d" % tree)))]
        self.assertIn("ニュース", names)
        row = names.index("ニュース")
        p.call("lvselect %d %d" % (tree, row))
        p.key(VK_RETURN, tree)

    def test_read_path(self):
        with kvtest.board_server() as srv:
            # A board from the tree: its list arrives with the thread in state 0.
            p, tree, listv = start_on_board(self, srv, 60)
            self.assertEqual(cell(p, listv, 0, 1), TITLE)
            self.assertEqual(cell(p, listv, 0, 2).strip(), "60")
            self.assertEqual(cell(p, listv, 0, 3).strip(), "", "no local log: state 0 shows no new count")
            self.assertTrue(requests_for(srv, "/news/subject.txt"))

            # Open it: the whole log is fetched and stored.
            p.call("lvselect %d 0" % listv)
            clear_status(p)
            p.key(VK_RETURN, listv)
            dat_files = lambda: glob.glob(p.path("log") + "/**/1700000001.dat", recursive=True)
            kvtest.wait_until(dat_files, what="the stored log")
            local = dat_files()[0]
            kvtest.wait_until(lambda: os.path.getsize(local) == len(srv.get(DAT)), what="the whole log")
            view = kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]
            wait_settled(p, "the thread shown")
            p.screenshot("read-path-opened")

            # Five new posts: the update asks for the bytes from the old last
            # line feed on and receives only the new ones plus that byte.
            old = os.path.getsize(local)
            srv.append(DAT, 5)
            srv.clear_log()
            clear_status(p)
            p.command(40027, view)
            kvtest.wait_until(lambda: os.path.getsize(local) == len(srv.get(DAT)), what="the updated log")
            dat_requests = requests_for(srv, DAT)
            self.assertEqual(len(dat_requests), 1)
            self.assertEqual(dat_requests[0].range, "bytes=%d-" % (old - 1))
            self.assertEqual(dat_requests[0].bytes, len(srv.get(DAT)) - old + 1)
            wait_settled(p, "the update shown")
            p.screenshot("read-path-updated")

            # Read on a few pages, close: the read position and the count go to
            # the board's acquired list.
            for _ in range(3):
                p.key(VK_NEXT, view)
            p.call("idle 5000")
            p.command(40012, view)
            kvtest.wait_until(lambda: view not in thread_windows(p), what="the thread to close")
            line = acquired_line(p)
            self.assertRegex(line, r"^1700000001\.dat<>%s \(65\)<>\d+\n$" % TITLE)
            position = int(line.strip().split("<>")[2])
            self.assertGreater(position, 0)

            # More posts on the server: the list shows state 2 with the difference.
            srv.append(DAT, 3)
            p.command(40006)
            kvtest.wait_until(lambda: cell(p, listv, 0, 2).strip() == "68", what="the new count")
            self.assertEqual(cell(p, listv, 0, 3).strip(), "3")

            # Reopen: the view starts at the saved position, so closing it at
            # once records the same position again.
            p.call("lvselect %d 0" % listv)
            clear_status(p)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="the thread again")[0]
            kvtest.wait_until(lambda: os.path.getsize(local) == len(srv.get(DAT)), what="the reopened log")
            wait_settled(p, "the reopened thread shown")
            p.screenshot("read-path-reopened")
            p.command(40012, view)
            kvtest.wait_until(lambda: view not in thread_windows(p), what="the thread to close again")
            kvtest.wait_until(lambda: "(68)" in acquired_line(p), what="the new count recorded")
            self.assertEqual(int(acquired_line(p).strip().split("<>")[2]), position)

            # Typed addresses: a subject.txt shows that board's list; a .zip
            # opens the download dialog, which asks for nothing before Start.
            srv.board("/pc/", name="パソコン", category="テスト")
            srv.thread("/pc/dat/1700000101.dat", posts=3, title="別の板のスレ")
            combo = int(p.call("find %d ComboBox" % p.window))
            p.call("settext %d %s" % (combo, srv.url("/pc/subject.txt").encode("cp932").hex()))
            p.send_command(40016)
            archive = srv.url("/pc/files/archive.zip")
            p.call("settext %d %s" % (combo, archive.encode("cp932").hex()))
            p.command(40016)  # posted: the dialog is modal
            dialog = kvtest.wait_until(lambda: p.count("#32770") and p.wait_window("#32770"), 20,
                                       what="the download dialog")
            address_edit = int(p.call("item %d 1046" % dialog))
            kvtest.wait_until(lambda: p.call("text %d" % address_edit) == archive.encode("cp932").hex(),
                              what="the address in the download dialog")
            p.call("close %d" % dialog)
            kvtest.wait_until(lambda: p.count("#32770") == 0, what="the download dialog to close")
            kvtest.wait_until(lambda: cell(p, listv, 0, 1) == "別の板のスレ", what="the typed board's list")
            self.assertFalse(requests_for(srv, "archive.zip"))

            # Offline: the stored thread is read without any request.
            # Sent, not posted: offline is on before the address bar changes.
            p.send_command(40014)
            srv.clear_log()
            p.call("settext %d %s" % (combo, srv.url(DAT).encode("cp932").hex()))
            p.send_command(40016)
            view = kvtest.wait_until(lambda: thread_windows(p), what="the offline thread")[0]
            p.call("idle 5000")
            self.assertFalse(requests_for(srv, DAT), "offline reads the local copy")
            p.screenshot("read-path-offline")

            # A layout change, then exit: the settings file holds it.
            p.command(40050)
            p.call("idle 5000")
            self.assertEqual(p.close(), 0)
            ini = p.read("Kvel32.ini")
            self.assertEqual(setting(ini, "fOffLine"), "1")
            self.assertEqual(setting(ini, "TateYoko"), "100")


class ExitTest(kvtest.ProgramTest):
    def test_exit_with_a_thread_open_keeps_its_read_position(self):
        with kvtest.board_server() as srv:
            p, tree, listv = start_on_board(self, srv, 60)
            p.call("lvselect %d 0" % listv)
            clear_status(p)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]
            wait_settled(p, "the thread shown")
            for _ in range(3):
                p.key(VK_NEXT, view)
            p.call("idle 5000")
            self.assertEqual(p.close(), 0)
            line = acquired_line(p)
            self.assertRegex(line, r"^1700000001\.dat<>%s \(60\)<>\d+\n$" % TITLE)
            self.assertGreater(int(line.strip().split("<>")[2]), 0, "the position read up to survives the exit")


class HandheldReadPathTest(kvtest.ProgramTest):
    def test_small_screen_tabs(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(DAT, posts=20, title=TITLE)
            p = self.program(exe="Kvel.exe", desktop=("kv240x320", 240, 320))
            prepare(p, srv)
            p.start()
            self.assertEqual(p.screen(), (240, 320))
            tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
            thread_windows(p)
            tabs = kvtest.wait_until(lambda: int(p.call("find %d SysTabControl32" % p.window)), what="the tab bar")
            # Two lists on a small screen: selecting the category fills the
            # board list beside it; Enter there chooses the board.
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % tree)) >= 1, what="the categories")
            self.assertEqual(cell(p, tree, 0, 0), "テスト")
            p.call("lvselect %d 0" % tree)
            p.key(VK_RETURN, tree)
            boards = pane(p, TREE2_ID)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % boards)) == 1, what="the board list")
            self.assertEqual(cell(p, boards, 0, 0), "ニュース")
            p.screenshot("handheld-boards")
            p.call("lvselect %d 0" % boards)
            p.key(VK_RETURN, boards)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 1, what="the thread list")
            # Small screen: the panes lie on top of each other; the list is now in front.
            kvtest.wait_until(lambda: in_front(p, tree, listv) == listv, what="the list in front")
            p.screenshot("handheld-list")
            # The first tab brings the board tree back.
            p.call("post %d %d 1 %d" % (tabs, WM_LBUTTONDOWN, (8 << 16) | 10))
            p.call("post %d %d 0 %d" % (tabs, WM_LBUTTONUP, (8 << 16) | 10))
            kvtest.wait_until(lambda: in_front(p, tree, listv) == tree, what="the tree after its tab")
            p.screenshot("handheld-tree")
            self.assertEqual(p.close(), 0)


if __name__ == "__main__":
    kvtest.main()
