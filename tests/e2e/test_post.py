"""A reply through the real program: the write dialog of an open thread, the
posting window while the post goes out with the cookie-confirmation round,
the new post in the view after the automatic update, and write.log on disk;
once with each build."""
import glob
import os

import kvtest
import test_read_path
from test_read_path import DAT, LIST_ID, TITLE, TREE_ID, VK_RETURN, pane, prepare, thread_windows, wait_done

MESSAGE = "終わりまで読んだ表示テスト\r\n二行目です"
VK_END = 0x23
IDOK, IDC_NAME, IDC_MAIL_SAGE, IDC_MESSAGE = 1, 1008, 1018, 1012
IDC_TEXT, IDC_PICTURE, IDC_PREVIEW_CLOSE = 1004, 1011, 1014


def item_of(p, dialog, control):
    return int(p.call("item %d %d" % (dialog, control)))


def dialogs(p):
    return int(p.call("count #32770"))


class PostTest(kvtest.ProgramTest):
    def reply(self, exe):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(DAT, posts=40, title=TITLE)  # enough for a scroll bar
            p = self.program(exe=exe)
            prepare(p, srv)
            p.start()
            tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
            thread_windows(p)
            test_read_path.ReadPathTest.choose_board(self, p, tree)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 1, what="the thread list")
            p.call("lvselect %d 0" % listv)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]
            wait_done(p, "the thread shown")

            # 40019 from the view opens the write dialog for its thread.
            p.command(40019, view)
            dialog = p.wait_window("#32770")
            title = bytes.fromhex(p.call("text %d" % dialog)).decode("cp932")
            self.assertEqual(title, "書込(%s)" % TITLE)
            # The phrase list is made when the user has none.
            phrases = p.read("myword.txt").decode("cp932").split("\r\n")
            self.assertEqual((len(phrases), phrases[0], phrases[11], phrases[12]), (13, "http://", "（;´Д｀）ﾉ", ""))
            item = lambda control: int(p.call("item %d %d" % (dialog, control)))
            p.call("settext %d %s" % (item(IDC_NAME), "kvtest".encode("cp932").hex()))
            p.send_command(IDC_MAIL_SAGE, dialog)
            p.call("settext %d %s" % (item(IDC_MESSAGE), MESSAGE.encode("cp932").hex()))
            srv.clear_log()
            p.command(IDOK, dialog)

            # The posting window runs while the post and its confirmation go out.
            kvtest.wait_until(lambda: dialogs(p) == 2, 20, what="the posting window")
            p.screenshot("post-%s-posting" % exe[:-4].lower())
            self.assertEqual(p.call("gone %d 30000" % dialog, timeout=40), "ok", "the write dialog closes on success")
            posts = [r for r in srv.requests() if r.method == "POST"]
            self.assertEqual(len(posts), 2)
            self.assertIn(b"Cookie: NAME=kvtest; MAIL=sage", posts[1].headers)

            # A second later the view updates itself (nobody asks it to here)
            # by the new bytes only, and shows the post.
            local = glob.glob(p.path("log") + "/**/1700000001.dat", recursive=True)[0]
            kvtest.wait_until(lambda: os.path.getsize(local) == len(srv.get(DAT)), 20, what="the updated log")
            with open(local, "rb") as f:
                self.assertIn("二行目です".encode("cp932"), f.read())
            updates = [r for r in srv.requests() if r.method == "GET" and r.url.endswith(DAT)]
            self.assertEqual(len(updates), 1)
            self.assertIsNotNone(updates[0].range)
            wait_done(p, "the update shown")
            p.key(VK_END, view)
            p.screenshot("post-%s-after" % exe[:-4].lower())

            # Every attempt is in the write log, as typed, under the thread's
            # reading address.
            log = p.read("write.log").decode("cp932")
            self.assertIn("URL : %s\r\nName: kvtest\r\nMail: sage\r\n%s\r\n\r\n" % (
                srv.url("/test/read.cgi/news/1700000001/l50"), MESSAGE), log)

            # 40089 runs the animation without a post; "閉じる" ends it.
            if exe == "Kvel32.exe":
                p.command(40089)
                preview = p.wait_window("#32770")
                text = lambda control: p.call("text %d" % item_of(p, preview, control))
                kvtest.wait_until(lambda: text(IDC_PICTURE) != "-", what="a picture")
                kvtest.wait_until(lambda: text(IDC_TEXT) != "-", 10, what="the preview's sentence")
                p.screenshot("post-preview")
                p.command(IDC_PREVIEW_CLOSE, preview)
                self.assertEqual(p.call("gone %d 10000" % preview, timeout=20), "ok")
            self.assertEqual(p.close(), 0)

    def test_reply_desktop(self):
        self.reply("Kvel32.exe")

    def test_reply_handheld(self):
        self.reply("Kvel.exe")


if __name__ == "__main__":
    kvtest.main()
