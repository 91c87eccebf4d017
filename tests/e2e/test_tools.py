"""The tools through the real program: the NG list edited in its editor and
saved hides a post of the open thread at once; the in-thread search scrolls
the view to a word; the title search finds the list's first row."""
import kvtest
from test_read_path import DAT, TITLE, acquired_line, start_on_board, views, wait_done

WM_COMMAND = 0x0111
VK_RETURN = 0x0D
IDOK, IDCANCEL, NAME, SAVE, TEXT, SEARCH_TEXT = 1, 2, 1008, 1025, 1012, 1017
MARK = "消える目印"
FIND = "探す言葉ABC"


def post(body):
    return ("名無しさん<>sage<>2024/01/01(月) 00:00:00 ID:kvtools<> %s <>\n" % body).encode("cp932")


def hexed(text):
    return text.encode("cp932").hex()


def text_of(p, window):
    answer = p.call("text %d" % window)
    return bytes.fromhex(answer).decode("cp932") if answer not in ("", "-") else ""


def item(p, dialog, control):
    return int(p.call("item %d %d" % (dialog, control)))


def search(p, dialog, text):
    """Types text and presses "検索"; returns what the button says then."""
    p.call("settext %d %s" % (item(p, dialog, SEARCH_TEXT), hexed(text)))
    p.call("send %d %d %d 0" % (dialog, WM_COMMAND, IDOK))
    return text_of(p, item(p, dialog, IDOK))


class ToolsTest(kvtest.ProgramTest):
    def test_ng_list_edited_and_in_thread_search(self):
        with kvtest.board_server() as srv:
            p, tree, listv = start_on_board(self, srv, 40)
            # Post 41 holds the word the NG list will hide, post 42 the one to find.
            srv.append(DAT, data=post(MARK))
            srv.append(DAT, data=post(FIND))
            srv.append(DAT, 10)
            p.call("lvselect %d 0" % listv)
            p.key(VK_RETURN, listv)
            # The thread's window by its title: the docked view of slot 0 may have
            # come after the tree, so "not there at the start" does not single it out.
            view = kvtest.wait_until(lambda: [v for v in views(p) if text_of(p, v) == TITLE],
                                     what="the thread's window")[0]
            wait_done(p, "the thread shown")

            # "検索" from the view: the word of post 41 is there (asked until the
            # download has been shown; a miss starts the next search at the top).
            p.command(40018, view)
            dialog = p.wait_window("#32770")
            self.assertEqual(text_of(p, dialog), "スレ内容検索")
            kvtest.wait_until(lambda: search(p, dialog, MARK) == "次を検索", 30, what="post 41 in the view")
            p.call("send %d %d %d 0" % (dialog, WM_COMMAND, IDCANCEL))  # "閉じる" hides it

            # "NGワード(&G)": the editor opens on the (missing) ngword.txt; saving
            # the new line rebuilds the open threads.
            p.send_command(40072)
            editor = p.wait_window("#32770")  # the newest window comes first
            self.assertEqual(text_of(p, editor), "メモ")
            self.assertTrue(text_of(p, item(p, editor, NAME)).endswith("ngword.txt"))
            p.call("settext %d %s" % (item(p, editor, TEXT), hexed("3," + MARK + "\r\n")))
            p.call("send %d %d %d 0" % (editor, WM_COMMAND, SAVE))
            self.assertEqual(p.read("ngword.txt").decode("cp932"), "3," + MARK + "\r\n")
            p.call("send %d %d %d 0" % (editor, WM_COMMAND, IDOK))  # "終了": saved, so no question
            self.assertEqual(p.call("gone %d 10000" % editor), "ok")

            # The hidden post is not found any more: the rebuild the save posted
            # may come after a first search, and a search after "最後に到達"
            # reads the whole text from the top. The word of post 42 is found,
            # letters without case, and the view goes there.
            p.send_command(40018, view)
            kvtest.wait_until(lambda: search(p, dialog, MARK) == "最後に到達" and search(p, dialog, MARK) == "最後に到達",
                              what="post 41 hidden")
            self.assertEqual(search(p, dialog, "探す言葉abc"), "次を検索")
            p.screenshot("tools-search-hit")
            self.assertEqual(search(p, dialog, "探す言葉abc"), "最後に到達")

            # Closing the thread closes its search dialog and records the post
            # above the top of the view: 41, where the search left it.
            p.command(40012, view)
            self.assertEqual(p.call("gone %d 10000" % dialog), "ok")

            # From the thread list "検索" searches the titles: the only row, the
            # first one, which the new dialog focuses, is found too.
            p.send_command(40035)
            p.send_command(40018)
            titles = p.wait_window("#32770")
            self.assertEqual(text_of(p, titles), "スレタイ検索")
            self.assertEqual(search(p, titles, "読み通し"), "次を検索")
            self.assertEqual(p.call("lvselected %d" % listv), "0")
            self.assertEqual(search(p, titles, "読み通し"), "最後に到達")
            self.assertEqual(p.close(), 0)
            self.assertRegex(acquired_line(p), r"^1700000001\.dat<>%s \(\d+\)<>41\n$" % TITLE)


if __name__ == "__main__":
    kvtest.main()
