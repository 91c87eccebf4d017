"""Anchors through the real program: a click on ">>1" in a thread opens the
pop-up with post 1; "NG:ID" from that pop-up writes ngword.txt and the
thread is rebuilt at once, so post 1 comes back as an NG stub; "ﾀｲﾄﾙとURL"
and "Selm登録" start the favourites editor with the quoted title and URL."""
import os
import shutil

import kvtest
from test_read_path import prepare, thread_windows, wait_done

WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON = 0x0201, 0x0202, 0x0001
DAT = "/news/dat/1700000201.dat"
LOG = ("名無しさん<>sage<>2026/12/08(火) 10:00:00 ID:Pop1abcd<>最初の書き込み<>ポップアップのテスト\n"
       "名無しさん<><>2026/12/08(火) 10:01:00 ID:Other234<>二番目<>\n"
       "名無しさん<><>2026/12/08(火) 10:02:00 ID:Other234<>" + "<br>".join([">>1 を見て"] * 12) + "<>\n")


def popup_text(p, dialog):
    edit = kvtest.wait_until(lambda: int(p.call("item %d 1004" % dialog)), what="the pop-up's edit")
    text = p.call("text %d" % edit)
    return "" if text == "-" else bytes.fromhex(text).decode("cp932")


def click(p, view, x, y):
    where = (y << 16) | x
    p.call("post %d %d %d %d" % (view, WM_LBUTTONDOWN, MK_LBUTTON, where))
    p.call("post %d %d 0 %d" % (view, WM_LBUTTONUP, where))


def open_popup(p, view):
    """Clicks ">>1" until a pop-up is there (the thread may still be on its
    way on a busy machine); returns the dialog."""
    def attempt():
        click(p, view, 40, 200)
        try:
            return kvtest.wait_until(lambda: p.count("#32770") and p.wait_window("#32770"), 3, step=0.1,
                                     what="a pop-up")
        except AssertionError:
            return None
    return kvtest.wait_until(attempt, 60, step=0.2, what="a pop-up after a click on >>1")


class PopupTest(kvtest.ProgramTest):
    def test_anchor_pop_up_ng_id_and_the_favourites_editor(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(DAT, posts=3, title="ポップアップのテスト")
            srv.put(DAT, LOG.encode("cp932"))
            p = self.program()
            prepare(p, srv, "FontSize=9\r\n")
            p.start()
            thread_windows(p)
            combo = int(kvtest.wait_until(lambda: int(p.call("find %d ComboBox" % p.window)), what="address bar"))
            p.call("settext %d %s" % (combo, srv.url(DAT).encode("cp932").hex()))
            p.send_command(40016)
            view = kvtest.wait_until(lambda: thread_windows(p), what="the thread window")[0]
            wait_done(p, "the thread shown")

            # Three short posts from the top; the third is twelve lines of
            # ">>1". A click in the left half, well inside those lines.
            self.assertEqual(p.count("#32770"), 0)
            dialog = open_popup(p, view)
            text = popup_text(p, dialog)
            self.assertIn("最初の書き込み", text)
            self.assertIn("ID:Pop1abcd", text)
            self.assertNotIn("二番目", text)
            self.assertTrue(text.startswith("1 名無しさん sage "), text)
            p.screenshot("popup-anchor")

            # "NG:ID" (1042 in text mode): the ID goes to ngword.txt, and the
            # thread is rebuilt with it, so the same anchor now shows the stub.
            p.command(1042, dialog)
            kvtest.wait_until(lambda: p.exists("ngword.txt") and b"2,Pop1abcd\r\n" in p.read("ngword.txt"),
                              what="the NG line")
            p.call("close %d" % dialog)
            kvtest.wait_until(lambda: p.count("#32770") == 0, what="the pop-up to close")
            p.call("idle 5000")

            def stub_shown():
                d = open_popup(p, view)
                t = popup_text(p, d)
                p.call("close %d" % d)
                kvtest.wait_until(lambda: p.count("#32770") == 0, what="the pop-up to close")
                return "最初の書き込み" not in t and t.startswith("1 NG ") and t

            kvtest.wait_until(stub_shown, 30, step=0.5, what="post 1 as an NG stub")

            # "ﾀｲﾄﾙとURL" (URL mode), then "Selm登録": a stand-in Selm32.exe
            # records the arguments it was started with.
            shutil.copy(os.path.join(kvtest.BUILD_DIR, "tests", "kvstandin.exe"), p.path("Selm32.exe"))
            title = "ポップアップのテスト"
            kvtest.wait_until(lambda: p.call("text %d" % view) == title.encode("cp932").hex(), what="the title")
            p.command(40056, view)
            dialog = p.wait_window("#32770")
            address = "http://127.0.0.1:%d/test/read.cgi/news/1700000201/" % srv.port
            text = popup_text(p, dialog)
            self.assertTrue(text.startswith(address), text)
            self.assertIn("\r\n%s\r\n" % title, text)
            url = text.split("\r\n")[0]
            p.command(1043, dialog)
            args = kvtest.wait_until(lambda: p.exists("args.txt") and p.read("args.txt").decode("cp932"),
                                     what="Selm32 started")
            self.assertTrue(args.endswith('"%s" "%s"' % (title, url)), args)
            kvtest.wait_until(lambda: p.count("#32770") == 0, what="the dialog to close after the start")
            self.assertEqual(p.close(), 0)


if __name__ == "__main__":
    kvtest.main()
