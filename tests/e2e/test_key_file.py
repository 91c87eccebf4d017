"""Keys of the real program with and without a key file: the built-in
letters, a list binding, the key file's view colours."""
import glob

import kvtest
import test_read_path
from test_read_path import DAT, LIST_ID, TITLE, TREE_ID, VK_RETURN, cell, pane, prepare, setting, thread_windows, wait_done

WM_KEYDOWN = 0x0100


def press(p, window, vk):
    p.call("post %d %d %d 0" % (window, WM_KEYDOWN, vk))
    p.call("idle 5000")


class KeyFileTest(kvtest.ProgramTest):
    def open_board(self, p, srv):
        tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
        thread_windows(p)
        test_read_path.ReadPathTest.choose_board(self, p, tree)
        kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 1, what="the thread list")
        self.assertEqual(cell(p, listv, 0, 1), TITLE)
        return listv

    def open_thread(self, p, listv, key=VK_RETURN):
        p.call("lvselect %d 0" % listv)
        press(p, listv, key)
        return kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]

    def test_w_and_z_close_the_thread_without_a_key_file(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(DAT, posts=10, title=TITLE)
            p = self.program()
            prepare(p, srv)
            p.start()
            listv = self.open_board(p, srv)
            for letter in "WZ":
                view = self.open_thread(p, listv)
                press(p, view, ord(letter))
                kvtest.wait_until(lambda: view not in thread_windows(p), what="%s to close the thread" % letter)
            self.assertEqual(p.close(), 0)

    def test_key_file_binds_enter_in_the_list_and_colours_the_view(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(DAT, posts=10, title=TITLE)
            p = self.program()
            prepare(p, srv)
            # Enter is bound only in the list (to OpenDat); the view's
            # background comes from the key file for this session.
            p.write("Kvel.key", "[LIST]\r\n{ER}=OpenDat\r\n[DATA_COLOR]\r\nBak=0x000000\r\n")
            p.start()
            listv = self.open_board(p, srv)
            view = self.open_thread(p, listv)
            kvtest.wait_until(lambda: glob.glob(p.path("log") + "/**/1700000001.dat", recursive=True),
                              what="the stored log")
            wait_done(p, "the thread shown")
            shot = p.screenshot("key-file-black-view")
            left, top, width, height = p.rect(view)
            # Below the last post, left of the scroll bar: the view's background.
            self.assertEqual(kvtest.png_pixel(shot, left + width // 2, top + height - 8), 0x000000, "a black view")
            self.assertEqual(p.close(), 0)
            self.assertEqual(setting(p.read("Kvel32.ini"), "ColorBak"), "0x000000", "the key file's colour is saved")


if __name__ == "__main__":
    kvtest.main()
