"""File downloads through the real program: a typed .mp3 address opens the
download dialog, which saves the file byte-equal into the chosen folder; a
download cut short, or stopped, keeps its partial ("NAME.part") and the
next Start asks only for the rest with a range and completes the file. A podcast feed is
listed (an item row and an enclosure row per episode) and its enclosure row
opens the same dialog."""
import os

import kvtest
from test_read_path import LIST_ID, VK_RETURN, cell, pane, prepare

WM_COMMAND = 0x0111


def dialog_text(p, dialog, control):
    edit = int(p.call("item %d %d" % (dialog, control)))
    text = p.call("text %d" % edit)
    return "" if text == "-" else bytes.fromhex(text).decode("cp932")


def payload(size, seed):
    return bytes((i * seed + i // 251) & 0xFF for i in range(size))


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def open_dialog(p, address):
    combo = int(kvtest.wait_until(lambda: int(p.call("find %d ComboBox" % p.window)), what="address bar"))
    p.call("settext %d %s" % (combo, address.encode("cp932").hex()))
    p.command(40016)  # posted: the dialog is modal
    return kvtest.wait_until(lambda: p.count("#32770") and p.wait_window("#32770"), 20, what="the download dialog")


def start(p, dialog):
    p.call("post %d %d 1 0" % (dialog, WM_COMMAND))


def is_enabled(p, window):
    return int(p.call("enabled %d" % window)) == 1


class DownloadTest(kvtest.ProgramTest):
    def test_download_whole_and_resume_after_a_cut(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")  # a tree, so no board-menu dialog
            whole = payload(150000, 7)
            srv.put("/pod/ep1.mp3", whole)
            cut = payload(200000, 13)
            srv.put("/pod/ep2.mp3", cut)
            p = self.program()
            folder = p.path("dl")
            os.makedirs(folder)
            prepare(p, srv, "DlFolder=%s\r\n" % windows_path(folder))
            p.start()

            p.call("idle 5000")
            self.assertEqual(p.count("#32770"), 0)
            address = srv.url("/pod/ep1.mp3")
            dialog = open_dialog(p, address)
            # The dialog is found as soon as it exists: wait for its filling.
            kvtest.wait_until(lambda: dialog_text(p, dialog, 1046), what="the address in the dialog")
            self.assertEqual(dialog_text(p, dialog, 1046), address)
            self.assertEqual(dialog_text(p, dialog, 1047), windows_path(folder))
            start(p, dialog)
            kvtest.wait_until(lambda: dialog_text(p, dialog, 1003) == "ok\r\n" and is_enabled(p, int(p.call(
                "item %d 1" % dialog))), 60, what="the first download to end")
            self.assertEqual(p.read("dl/ep1.mp3"), whole)
            self.assertFalse(p.exists("dl/ep1.mp3.part"))
            self.assertFalse(p.exists("dl/ep1.mp3.part.inf"))

            # Cut after 60000 bytes: a failure that keeps the partial.
            srv.rule("/pod/ep2.mp3", cut=60000)
            srv.clear_log()
            second = srv.url("/pod/ep2.mp3")
            p.call("settext %d %s" % (int(p.call("item %d 1046" % dialog)), second.encode("cp932").hex()))
            start(p, dialog)
            start_button = int(p.call("item %d 1" % dialog))
            kvtest.wait_until(lambda: p.exists("dl/ep2.mp3.part") and is_enabled(p, start_button), 60,
                              what="the cut download to end")
            status = dialog_text(p, dialog, 1003)
            self.assertNotEqual(status, "ok\r\n")
            self.assertFalse(p.exists("dl/ep2.mp3"))
            held = p.read("dl/ep2.mp3.part")
            self.assertEqual(held, cut[:len(held)])
            self.assertGreater(len(held), 80)

            start(p, dialog)
            kvtest.wait_until(lambda: p.exists("dl/ep2.mp3") and is_enabled(p, start_button), 60,
                              what="the resumed download to end")
            self.assertEqual(p.read("dl/ep2.mp3"), cut)
            ranges = [r.range for r in srv.requests() if r.url.endswith("/pod/ep2.mp3")]
            self.assertEqual(ranges, [None, "bytes=%d-" % len(held)])
            # Stop in the middle of a slow answer: Start comes back once the
            # worker has ended, the partial stays, and Start resumes it.
            slow = payload(200000, 17)
            srv.put("/pod/ep3.mp3", slow)
            srv.rule("/pod/ep3.mp3", trickle="4096:100")
            srv.clear_log()
            p.call("settext %d %s" % (int(p.call("item %d 1046" % dialog)), srv.url("/pod/ep3.mp3").encode().hex()))
            start(p, dialog)
            kvtest.wait_until(lambda: p.exists("dl/ep3.mp3.part") and os.path.getsize(p.path("dl/ep3.mp3.part")) >= 8192,
                              60, what="the slow download to begin")
            p.call("post %d %d 1039 0" % (dialog, WM_COMMAND))
            kvtest.wait_until(lambda: is_enabled(p, start_button), 60, what="Start after Stop")
            self.assertFalse(p.exists("dl/ep3.mp3"))
            held = p.read("dl/ep3.mp3.part")
            self.assertLess(len(held), len(slow))
            self.assertEqual(held, slow[:len(held)])
            start(p, dialog)
            kvtest.wait_until(lambda: p.exists("dl/ep3.mp3") and is_enabled(p, start_button), 60,
                              what="the download resumed after Stop")
            self.assertEqual(p.read("dl/ep3.mp3"), slow)
            ranges = [r.range for r in srv.requests() if r.url.endswith("/pod/ep3.mp3")]
            self.assertEqual(ranges, [None, "bytes=%d-" % len(held)])

            p.screenshot("download-dialog")
            p.call("close %d" % dialog)
            kvtest.wait_until(lambda: p.count("#32770") == 0, what="the dialog to close")

    def test_feed_listed_and_its_enclosure_downloaded(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            episode = payload(90000, 29)
            srv.put("/pod/ep7.mp3", episode)
            srv.feed("/feeds/podcast.rss", [
                {"title": "第1回 表とソ", "link": srv.url("/pod/ep7.htm?a=1&b=2"),
                 "enclosure": srv.url("/pod/ep7.mp3"), "length": len(episode)},
                {"title": "お知らせ", "link": srv.url("/pod/news.htm")},
            ])
            p = self.program()
            folder = p.path("dl")
            os.makedirs(folder)
            prepare(p, srv, "DlFolder=%s\r\n" % windows_path(folder))
            p.start()
            listv = pane(p, LIST_ID)
            p.call("idle 5000")
            combo = int(kvtest.wait_until(lambda: int(p.call("find %d ComboBox" % p.window)), what="address bar"))
            p.call("settext %d %s" % (combo, srv.url("/feeds/podcast.rss").encode("cp932").hex()))
            p.command(40016)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 3, 30, what="the feed's rows")
            titles = [cell(p, listv, r, 1) for r in range(3)]
            self.assertEqual(titles, ["第1回 表とソ", "[mp3]第1回 表とソ", "お知らせ"])
            p.screenshot("feed-list")

            p.call("lvselect %d 1" % listv)
            p.key(VK_RETURN, listv)
            dialog = kvtest.wait_until(lambda: p.count("#32770") and p.wait_window("#32770"), 20,
                                       what="the download dialog")
            kvtest.wait_until(lambda: dialog_text(p, dialog, 1046), what="the address in the dialog")
            self.assertEqual(dialog_text(p, dialog, 1046), srv.url("/pod/ep7.mp3"))
            start(p, dialog)
            start_button = int(p.call("item %d 1" % dialog))
            kvtest.wait_until(lambda: p.exists("dl/ep7.mp3") and is_enabled(p, start_button), 60,
                              what="the enclosure download")
            self.assertEqual(p.read("dl/ep7.mp3"), episode)
            p.call("close %d" % dialog)
            kvtest.wait_until(lambda: p.count("#32770") == 0, what="the dialog to close")

            # An RSS 1.0 feed in Shift_JIS: the channel's item list gives no row.
            srv.feed("/feeds/news.rdf", [{"title": "ソフト表示のお知らせ", "link": srv.url("/pod/a.htm")},
                                         {"title": "二件目", "link": srv.url("/pod/b.htm")}],
                     version="1.0", charset="shift_jis")
            p.call("settext %d %s" % (combo, srv.url("/feeds/news.rdf").encode("cp932").hex()))
            p.command(40016)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 2 and
                              cell(p, listv, 0, 1) == "ソフト表示のお知らせ", 30, what="the RSS 1.0 rows")
            self.assertEqual(cell(p, listv, 1, 1), "二件目")


if __name__ == "__main__":
    kvtest.main()
