"""Keys of the real program with and without a key file: the built-in
letters, a list binding, the key file's view colours."""
import glob

import kvtest
from test_read_path import (TITLE, VK_RETURN, cell, clear_status, setting, start_on_board, thread_windows, wait_done,
                            wait_settled)

WM_KEYDOWN = 0x0100
WM_LBUTTONDOWN, WM_LBUTTONUP = 0x0201, 0x0202


def press(p, window, vk):
    p.call("post %d %d %d 0" % (window, WM_KEYDOWN, vk))
    p.call("idle 5000")


class KeyFileTest(kvtest.ProgramTest):
    def open_thread(self, p, listv, key=VK_RETURN):
        p.call("lvselect %d 0" % listv)
        press(p, listv, key)
        return kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]

    def test_w_and_z_close_the_thread_without_a_key_file(self):
        with kvtest.board_server() as srv:
            p, _, listv = start_on_board(self, srv, 10)
            self.assertEqual(cell(p, listv, 0, 1), TITLE)
            for letter in "WZ":
                # While the thread still downloads, closing it asks first:
                # press the letter once the download has ended.
                clear_status(p)
                view = self.open_thread(p, listv)
                wait_settled(p, "the thread shown")
                # The letters close the thread that has the focus: a click in
                # the text (left half, bottom, away from any post header) gives it.
                _, _, _, height = p.rect(view)
                spot = ((height - 12) << 16) | 12
                p.call("post %d %d 0 %d" % (view, WM_LBUTTONDOWN, spot))
                p.call("post %d %d 0 %d" % (view, WM_LBUTTONUP, spot))
                kvtest.wait_until(lambda: int(p.call("focus %d" % view)) == view, what="the thread focused")
                press(p, view, ord(letter))
                kvtest.wait_until(lambda: view not in thread_windows(p), 30, what="%s to close the thread" % letter)
            self.assertEqual(p.close(), 0)

    def test_key_file_binds_enter_in_the_list_and_colours_the_view(self):
        with kvtest.board_server() as srv:
            # Enter is bound only in the list (to OpenDat); the view's
            # background comes from the key file for this session.
            key_file = "[LIST]\r\n{ER}=OpenDat\r\n[DATA_COLOR]\r\nBak=0x000000\r\n"
            p, _, listv = start_on_board(self, srv, 10, files={"Kvel.key": key_file})
            self.assertEqual(cell(p, listv, 0, 1), TITLE)
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
