"""Boards over https, through the real program against the board server's
TLS side (one port serves both, as a real host serves ports 80 and 443): the
board menu's https boards, a list, a thread and its update by the new bytes
only, and a reply with the confirmation round, all over TLS; a board read
over http before keeps its log and read position when it comes over https;
a certificate from an authority nobody trusts, and a host name the
certificate does not carry, each fail with their reason and nothing goes
over plain http instead."""
import glob
import os
import ssl
import subprocess
import urllib.request

import kvtest
import test_read_path as read_path  # (as a module: its tests are not run again here)
from test_read_path import (DAT, LIST_ID, TITLE, TREE_ID, VK_NEXT, VK_RETURN, acquired_line, cell, clear_status, pane,
                            requests_for, status, thread_windows, wait_settled)



IDOK, IDC_NAME, IDC_MESSAGE = 1, 1008, 1012


def tls_files():
    """The test authority and the server certificates, made (and the authority
    trusted for Wine) by scripts/test-ca.sh, which is safe to run again."""
    subprocess.run(["bash", os.path.join(kvtest.SOURCE_DIR, "scripts", "test-ca.sh")], check=True)
    return os.path.join(os.environ.get("KV_BUILD_ROOT") or os.path.join(kvtest.SOURCE_DIR, "build"), "tls")


def https_prepare(p, srv, tls):
    """Settings pointing at the https board menu, and its local copy in place."""
    p.write("Kvel32.ini", "[Setup]\r\nNTPCheck=0\r\nNetAtchk=0\r\nBordTopw=0\r\nBoadAddr=%s\r\n"
            % srv.https_url("/bbsmenu.html"))
    context = ssl.create_default_context(cafile=os.path.join(tls, "ca.crt"))
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}), urllib.request.HTTPSHandler(context=context))
    menu = opener.open(srv.https_url("/bbsmenu.html")).read()
    assert b"HREF=https://localhost:%d/news/" % srv.port in menu
    p.write("log/localhost_%d/bbsmenu.html" % srv.port, menu)


def type_address(p, address):
    combo = int(p.call("find %d ComboBox" % p.window))
    p.call("settext %d %s" % (combo, address.encode("cp932").hex()))
    p.send_command(40016)


class HttpsTest(kvtest.ProgramTest):
    def test_boards_over_https(self):
        tls = tls_files()
        chain = lambda name: (os.path.join(tls, name + "-chain.pem"), os.path.join(tls, name + ".key"))
        with kvtest.board_server(tls=chain("localhost")) as srv, \
                kvtest.board_server(tls=chain("untrusted")) as rogue:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(DAT, posts=60, title=TITLE)
            rogue.board("/news/", name="ニュース", category="テスト")
            rogue.thread(DAT, posts=5, title=TITLE)
            p = self.program()
            https_prepare(p, srv, tls)
            srv.clear_log()
            p.start()
            tree, listv = pane(p, TREE_ID), pane(p, LIST_ID)
            thread_windows(p)
            local = p.path("log/localhost_%d/news/dat/1700000001.dat" % srv.port)

            # Read over plain http first, as before the board moved: its list,
            # the thread a few pages on, then closed, which records the read
            # position in the board's acquired list.
            type_address(p, "http://localhost:%d/news/subject.txt" % srv.port)
            kvtest.wait_until(lambda: int(p.call("lvcount %d" % listv)) == 1, what="the list over http")
            p.call("lvselect %d 0" % listv)
            clear_status(p)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="the thread over http")[0]
            kvtest.wait_until(lambda: os.path.exists(local) and os.path.getsize(local) == len(srv.get(DAT)),
                              what="the log over http")
            wait_settled(p, "the thread shown")
            self.assertEqual(srv.tls_requests(), [], "nothing over TLS yet")
            for _ in range(3):
                p.key(VK_NEXT, view)
            p.call("idle 5000")
            p.command(40012, view)
            kvtest.wait_until(lambda: view not in thread_windows(p), what="the thread to close")
            position = int(acquired_line(p).strip().split("<>")[2])
            self.assertGreater(position, 0)

            # The board now comes from the menu as an https board: its list
            # over TLS knows the log held, and shows the five new posts.
            old = os.path.getsize(local)
            srv.append(DAT, 5)
            srv.clear_log()
            read_path.ReadPathTest.choose_board(self, p, tree)
            kvtest.wait_until(lambda: "/news/subject.txt" in srv.tls_requests(), what="the list over https")
            kvtest.wait_until(lambda: cell(p, listv, 0, 2).strip() == "65", what="the new count")
            self.assertEqual(cell(p, listv, 0, 3).strip(), "5")

            # Opened from the list: only the new bytes and the one checked
            # byte come, over TLS, onto the log kept from http.
            p.call("lvselect %d 0" % listv)
            clear_status(p)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="the thread over https")[0]
            kvtest.wait_until(lambda: os.path.getsize(local) == len(srv.get(DAT)), what="the updated log")
            wait_settled(p, "the updated thread shown")
            dat = requests_for(srv, DAT)
            self.assertEqual(len(dat), 1)
            self.assertEqual(dat[0].range, "bytes=%d-" % (old - 1))
            self.assertEqual(dat[0].bytes, len(srv.get(DAT)) - old + 1)
            self.assertEqual(srv.tls_requests().count(DAT), 1, "the update came over TLS")
            self.assertEqual(len(glob.glob(p.path("log") + "/**/1700000001.dat", recursive=True)), 1,
                             "one store folder for http and https")
            p.screenshot("https-updated")

            # A reply goes to the board's https script, with https Referers,
            # through the confirmation round; the view then takes the post
            # over TLS as well.
            p.command(40019, view)
            dialog = p.wait_window("#32770")
            item = lambda control: int(p.call("item %d %d" % (dialog, control)))
            p.call("settext %d %s" % (item(IDC_NAME), "kvtest".encode("cp932").hex()))
            p.call("settext %d %s" % (item(IDC_MESSAGE), "暗号化の書き込み".encode("cp932").hex()))
            srv.clear_log()
            p.command(IDOK, dialog)
            self.assertEqual(p.call("gone %d 30000" % dialog, timeout=40), "ok", "the write dialog closes on success")
            posts = [r for r in srv.requests() if r.method == "POST"]
            self.assertEqual(len(posts), 2, "the post and its confirmation")
            self.assertEqual(srv.tls_requests().count("/test/bbs.cgi"), 2)
            self.assertIn(b"Referer: https://localhost:%d/test/read.cgi/news/1700000001/" % srv.port, posts[0].headers)
            kvtest.wait_until(lambda: os.path.getsize(local) == len(srv.get(DAT)), 20, what="the post in the log")
            self.assertIn(DAT, srv.tls_requests())

            p.command(40012, view)
            kvtest.wait_until(lambda: view not in thread_windows(p), what="the https thread to close")
            kvtest.wait_until(lambda: "(66)" in acquired_line(p), what="the new count recorded")
            self.assertEqual(int(acquired_line(p).strip().split("<>")[2]), position, "the read position kept")

            # A host name the certificate does not carry (it names
            # "localhost", not the address), and a certificate from an
            # authority nobody trusts: each names its reason, and nothing is
            # asked for over plain http instead.
            srv.clear_log()
            for address, reason in (("https://127.0.0.1:%d/news/dat/1700000001.dat" % srv.port,
                                     "証明書のホスト名が接続先と一致しません (12038)"),
                                    (rogue.https_url(DAT), "証明書の発行元が信頼されていません (12045)")):
                clear_status(p)
                type_address(p, address)
                kvtest.wait_until(lambda: reason in status(p), 30, what=reason)
            p.call("idle 5000")
            self.assertEqual(srv.requests(), [], "no request reached the server, over TLS or not")

            # An https answer that redirects to plain http is not taken: the
            # log it leads to (served normally over http) is not stored.
            # (Windows' WinINet refuses to follow such a redirect; Wine's
            # follows it, so the server sees the plain request, but nothing
            # of it is used.)
            moved = "/news/dat/1700000002.dat"
            srv.thread(moved, posts=3, title="移転")
            srv.rule(moved, status=301, location="http://localhost:%d%s" % (srv.port, moved))
            clear_status(p)
            type_address(p, srv.https_url(moved))
            kvtest.wait_until(lambda: "https から http への転送は受け付けません (200)" in status(p), 30,
                              what="the redirect refused")
            p.call("idle 5000")
            self.assertFalse(glob.glob(p.path("log") + "/**/1700000002.dat", recursive=True), "nothing stored")
            self.assertEqual(rogue.requests(), [])
            self.assertFalse(os.path.exists(p.path("log/127.0.0.1_%d" % srv.port)), "nothing stored")
            self.assertFalse(os.path.exists(p.path("log/localhost_%d" % rogue.port)), "nothing stored")
            p.screenshot("https-refused")
            self.assertEqual(p.close(), 0)


if __name__ == "__main__":
    kvtest.main()
