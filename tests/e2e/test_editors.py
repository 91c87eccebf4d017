"""The companion editors with the real reader: a favourite added from an open
thread goes through Selm32 into Favorite.htm and comes back in the reader's
favourites list; boards handed to the Ravo32 that the reader started (a
second start hands its entry to the running copy) land in TreeList.htm and
in the board tree."""
import os
import shutil
import subprocess

import kvtest
from test_read_path import (DAT, LIST_ID, TITLE, TREE_ID, cell, pane, prepare, requests_for, start_on_board, status,
                            thread_windows, wait_done)

VK_RETURN = 0x0D
IDOK, IDYES = 1, 6
ED_LIST, ED_SAVE, ED_NAME, ED_URL, ED_TYPE = 3010, 3016, 3020, 3021, 3022


def copy_program(p, exe):
    shutil.copy(os.path.join(kvtest.BUILD_DIR, "bin", exe), p.folder)


def text_of(p, window):
    text = p.call("text %d" % window)
    return bytes.fromhex(text).decode("cp932") if text not in ("", "-") else ""


def edit_dialog(p):
    """The open edit dialog and the texts of its name and URL fields."""
    dialog = p.wait_window("KVEL_EDIT")
    # A dialog is shown once its fields are filled (after WM_INITDIALOG).
    kvtest.wait_until(lambda: p.call("visible %d" % dialog) == "1", what="the edit dialog shown")
    name = int(p.call("item %d %d" % (dialog, ED_NAME)))
    url = int(p.call("item %d %d" % (dialog, ED_URL)))
    return dialog, text_of(p, name), text_of(p, url)


def accept(p, dialog):
    p.command(IDOK, dialog)
    assert p.call("gone %d 10000" % dialog) == "ok", "the edit dialog stays open"


def start_editor(p, name, *fields):
    """Starts an editor of the program folder the way the reader's shell
    launch does: every field in double quotes on its command line. (wine
    quotes its own arguments only when they hold a blank; a batch file keeps
    the line as written.)"""
    batch = "editor-%s.bat" % name.split(".")[0]  # cmd would take "start..." for its own start
    line = " ".join([name] + ['"%s"' % f for f in fields])
    p.write(batch, "@%s\r\n" % line)
    return subprocess.Popen(["wine", "cmd", "/c", batch], cwd=p.folder, env=kvtest.wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def save_and_end(p, editor_class):
    """"保存終了" and Yes in its question; waits for the editor to end."""
    editor = p.wait_window(editor_class)
    p.command(ED_SAVE, editor)
    box = p.wait_window("#32770")
    p.command(IDYES, box)
    kvtest.wait_until(lambda: p.count(editor_class) == 0, 20, what="the editor to end")


class EditorsTest(kvtest.ProgramTest):
    def tearDown(self):
        # An editor left open by a failed case would take the next case's
        # entries: end it before the programs' own cleanup.
        for p in self._programs:
            try:
                for cls in ("KVEL_RAVO", "KVEL_SELM"):
                    for _ in range(3):
                        if not p.driver or not p.count(cls):
                            break
                        p.call("watch %d" % p.wait_window(cls, 1))
                        p.call("kill", timeout=15)
                if p.driver and p.window:
                    p.call("watch %d" % p.window)  # the reader again, for its own cleanup
            except (AssertionError, RuntimeError, OSError):
                pass
        super().tearDown()

    def test_favourite_from_a_thread(self):
        with kvtest.board_server() as srv:
            p, tree, listv = start_on_board(self, srv, 20)
            copy_program(p, "Selm32.exe")
            p.call("lvselect %d 0" % listv)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]
            wait_done(p, "the thread shown")

            # "お気に入りに追加": Selm32 opens with the title and the log
            # address (the board came from the menu: its scheme is h2ch),
            # not the reading-script address of the address bar.
            p.command(40028)
            dialog, name, url = edit_dialog(p)
            log_address = "h2ch" + srv.url(DAT)[4:]
            self.assertEqual(name, TITLE)
            self.assertEqual(url, log_address)
            accept(p, dialog)
            editor = p.wait_window("KVEL_SELM")
            lv = int(p.call("item %d %d" % (editor, ED_LIST)))
            kvtest.wait_until(lambda: p.call("lvcount %d" % lv) == "1", what="the new row")
            save_and_end(p, "KVEL_SELM")
            expected = ("<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">"
                        "\r\n<title>お気に入り</title>\r\n</head>\r\n<body>\r\n<p>\r\n"
                        "<a href=\"%s\">%s</a><br><br>\r\n</p></body></html>\r\n" % (log_address, TITLE))
            self.assertEqual(p.read("Favorite.htm"), expected.encode("cp932"))

            # The reader's favourites list shows it and opens the thread (in
            # a new run: no thread window is open).
            self.assertEqual(p.close(), 0)
            p.start()
            listv = pane(p, LIST_ID)
            thread_windows(p)
            p.send_command(40030)
            kvtest.wait_until(lambda: cell(p, listv, 0, 1) == TITLE, what="the favourite listed")
            srv.clear_log()
            p.call("lvselect %d 0" % listv)
            p.key(VK_RETURN, listv)
            kvtest.wait_until(lambda: thread_windows(p), what="the thread from the favourites")
            kvtest.wait_until(lambda: requests_for(srv, DAT), what="the thread's log asked for")
            # The log is stored already: the update finds nothing new.
            kvtest.wait_until(lambda: status(p).startswith("(0) "), 20, what="the thread's update")
            p.screenshot("editors-favourite-opened")
            self.assertEqual(p.close(), 0)

    def test_board_to_the_board_tree(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.board("/pc/", name="ＰＣ", category="テスト")
            srv.thread("/pc/dat/1700000101.dat", posts=3, title="パソコンのスレ")
            p = self.program()
            prepare(p, srv)
            copy_program(p, "Ravo32.exe")
            # A board file of the reader's own dialect with a category in it.
            p.write("TreeList.htm", "<HTML><HEAD></HEAD><BODY>\r\n\r\n\r\n<BR><BR><B>マイ板</B><BR>\r\n"
                                    "\r\n</BODY></HTML>\r\n")
            # "追加した板の整理[Ravo]" starts it on that file.
            p.start()
            p.command(40104)
            editor = p.wait_window("KVEL_RAVO")
            lv = int(p.call("item %d %d" % (editor, ED_LIST)))
            kvtest.wait_until(lambda: p.call("lvcount %d" % lv) == "1", what="the file's category")

            # A start with an entry (as "Ravo登録" does) hands it to the
            # running copy and ends.
            second = start_editor(p, "Ravo32.exe", "パソコン", srv.url("/pc/"))
            dialog, name, url = edit_dialog(p)
            self.assertEqual((name, url), ("パソコン", srv.url("/pc/")))
            self.assertEqual(second.wait(timeout=60), 0)
            # A 2ch-type board: the reader then reads its subject.txt.
            combo = int(p.call("item %d %d" % (dialog, ED_TYPE)))
            p.call("settext %d %s" % (combo, b"2ch".hex()))
            accept(p, dialog)
            kvtest.wait_until(lambda: p.call("lvcount %d" % lv) == "2", what="the new row")

            # And another.
            second = start_editor(p, "Ravo32.exe", "二つ目", srv.url("/news/"))
            dialog, name, url = edit_dialog(p)
            self.assertEqual((name, url), ("二つ目", srv.url("/news/")))
            self.assertEqual(p.count("KVEL_RAVO"), 1)
            self.assertEqual(second.wait(timeout=60), 0)
            accept(p, dialog)
            kvtest.wait_until(lambda: p.call("lvcount %d" % lv) == "3", what="the handed-over row")
            p.screenshot("editors-ravo")
            save_and_end(p, "KVEL_RAVO")
            self.assertEqual(p.read("TreeList.htm").decode("cp932"),
                             "<HTML><HEAD></HEAD><BODY>\r\n\r\n\r\n<BR><BR><B>マイ板</B><BR>\r\n"
                             "<A HREF=\"%s\" bbstype=\"2ch\">パソコン</A><br>\r\n<A HREF=\"%s\">二つ目</A><br>\r\n"
                             "\r\n</BODY></HTML>\r\n" % (srv.url("/pc/"), srv.url("/news/")))

            # The reader's board tree has them after a restart (it reads the
            # board files at start); choosing one shows its list.
            self.assertEqual(p.close(), 0)
            p.start()
            tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % tree)) >= 1, what="the board tree")
            self.assertEqual(cell(p, tree, 0, 0), "マイ板")
            p.call("lvselect %d 0" % tree)
            p.key(VK_RETURN, tree)
            kvtest.wait_until(lambda: cell(p, tree, 1, 0) == "パソコン", what="the category opened")
            p.call("lvselect %d 1" % tree)
            p.key(VK_RETURN, tree)
            kvtest.wait_until(lambda: cell(p, listv, 0, 1) == "パソコンのスレ", what="the board's list")
            self.assertEqual(p.close(), 0)


if __name__ == "__main__":
    kvtest.main()
