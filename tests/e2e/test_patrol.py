"""The patrol through the real program: round.txt read at start, the patrol
dialog opened with its command, a run that brings one grown and one
unchanged thread up to date with range requests only, both shown fetched."""
import glob
import os
import urllib.request

import kvtest

WM_COMMAND = 0x0111
PATROL_LIST, PATROL_START = 2502, 2503
GROWN = "/news/dat/1400000001.dat"
SAME = "/news/dat/1400000002.dat"
ICON_FETCHED = 3


class PatrolTest(kvtest.ProgramTest):
    def test_patrol_brings_watched_threads_up_to_date(self):
        with kvtest.board_server() as srv:
            srv.board("/news/", name="ニュース", category="テスト")
            srv.thread(GROWN, posts=10, title="伸びるスレ")
            srv.thread(SAME, posts=10, title="止まったスレ")
            p = self.program()
            p.write("Kvel32.ini", "[Setup]\r\nNTPCheck=0\r\nNetAtchk=0\r\nBordTopw=0\r\nBoadAddr=%s\r\n"
                    % srv.url("/bbsmenu.html"))
            menu = urllib.request.build_opener(urllib.request.ProxyHandler({})).open(srv.url("/bbsmenu.html")).read()
            p.write("log/127.0.0.1_%d/bbsmenu.html" % srv.port, menu)
            # The grown thread is listed by its reading page; the other line
            # ends in blanks and a CR.
            p.write("round.txt", "伸びる,%s\r\n止まった,%s  \r\n" %
                    (srv.url("/test/read.cgi/news/1400000001/"), srv.url(SAME)))
            p.start()

            p.command(40098)
            dialog = p.wait_window("#32770")
            listv = int(p.call("item %d %d" % (dialog, PATROL_LIST)))
            self.assertEqual(int(p.call("lvcount %d" % listv)), 2)

            local = {}
            for path in (GROWN, SAME):
                name = os.path.basename(path)
                local[path] = lambda name=name: glob.glob(p.path("log") + "/**/" + name, recursive=True)
            run_and_wait(p, dialog)
            for path in (GROWN, SAME):
                files = kvtest.wait_until(local[path], what="the stored " + path)
                kvtest.wait_until(lambda: read(files[0]) == srv.get(path), what="the whole " + path)

            srv.append(GROWN, 5)
            srv.clear_log()
            run_and_wait(p, dialog)
            for path in (GROWN, SAME):
                self.assertEqual(read(local[path]()[0]), srv.get(path), path)
            requests = srv.requests()
            self.assertEqual(sorted(os.path.basename(r.url) for r in requests),
                             sorted(os.path.basename(x) for x in (GROWN, SAME)))
            self.assertTrue(all(r.range for r in requests), requests)
            for row in (0, 1):
                self.assertEqual(int(p.call("lvicon %d %d" % (listv, row))), ICON_FETCHED, row)
            self.assertEqual(p.close(), 0)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run_and_wait(p, dialog):
    """Presses "開始" and waits until the dialog shows the run ended: the
    button is enabled again once the poll has seen the end."""
    start = int(p.call("item %d %d" % (dialog, PATROL_START)))
    p.call("send %d %d %d 0" % (dialog, WM_COMMAND, PATROL_START))
    kvtest.wait_until(lambda: p.call("enabled %d" % start) == "1", 60, what="the run to end")


if __name__ == "__main__":
    kvtest.main()
