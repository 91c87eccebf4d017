"""Updates of a thread through the real program against servers that treat
ranges as the widely used ones do: one that honours them only on HTTP/1.1
requests, one that honours them always, one that ignores them. Every update
leaves the server's log byte for byte on disk, with one request each; a log
changed on the server (a post deleted) is fetched again whole once."""
import glob
import os

import kvtest
from test_read_path import DAT, VK_RETURN, requests_for, start_on_board, status, thread_windows


class ChangedLogTest(kvtest.ProgramTest):
    def test_updates_against_every_range_mode(self):
        with kvtest.board_server() as srv:
            p, tree, listv = start_on_board(self, srv, 40)
            p.call("lvselect %d 0" % listv)
            p.key(VK_RETURN, listv)
            view = kvtest.wait_until(lambda: thread_windows(p), what="a thread window")[0]
            dat_files = lambda: glob.glob(p.path("log") + "/**/1700000001.dat", recursive=True)
            local = kvtest.wait_until(dat_files, what="the stored log")[0]

            def stored():
                with open(local, "rb") as f:
                    return f.read()

            def same_as_server(what):
                kvtest.wait_until(lambda: os.path.exists(local) and stored() == srv.get(DAT), 30, what=what)
                # Nothing is left set aside once the new log is in place.
                self.assertFalse(os.path.exists(local + ".changed"))

            same_as_server("the whole log")
            for mode, deleted in (("http11", 3), ("normal", 5)):
                srv.ranges(mode)
                # Other people post: one request, the new bytes plus one.
                old = len(srv.get(DAT))
                srv.append(DAT, 5)
                srv.clear_log()
                p.command(40027, view)
                same_as_server("the update (%s)" % mode)
                reqs = requests_for(srv, DAT)
                self.assertEqual(len(reqs), 1, mode)
                self.assertEqual((reqs[0].status, reqs[0].version), (206, "HTTP/1.1"), mode)
                self.assertEqual(reqs[0].bytes, len(srv.get(DAT)) - old + 1, mode)

                # A post deleted on the server: one update, then the log is
                # the server's again (the changed range, then the whole log).
                srv.abone(DAT, deleted)
                srv.clear_log()
                p.command(40027, view)
                same_as_server("the re-fetch after a deletion (%s)" % mode)
                reqs = requests_for(srv, DAT)
                self.assertEqual([r.range is None for r in reqs], [False, True], mode)
                self.assertEqual(reqs[1].bytes, len(srv.get(DAT)), mode)

            # A server that ignores ranges: the whole file once, kept as the
            # new log without a second request.
            srv.rule(DAT, count=-1, ignore_range=True)
            srv.append(DAT, 2)
            srv.abone(DAT, 7)
            srv.clear_log()
            p.command(40027, view)
            same_as_server("the whole answer kept")
            # The job's end is shown (a second request would come after it).
            kvtest.wait_until(lambda: status(p) == "(0) ok", 30, what="the update's end")
            reqs = requests_for(srv, DAT)
            self.assertEqual(len(reqs), 1)
            self.assertEqual((reqs[0].status, reqs[0].bytes), (200, len(srv.get(DAT))))
            p.screenshot("changed-logs-updated")
            self.assertEqual(p.close(), 0)


if __name__ == "__main__":
    kvtest.main()
