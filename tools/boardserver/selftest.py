"""Checks of the board server itself: the shapes and faults the reader's tests rely on."""
import os
import re
import socket
import struct
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from boardserver import BoardServer  # noqa: E402
from server import sjis_to_euc  # noqa: E402


FORM_TYPE = ("Content-Type", "application/x-www-form-urlencoded")


def raw_post(port, target, body, headers=(), form=True):
    """One HTTP/1.1 POST (a form unless told): (status, [(header, value)], body)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    headers = list(headers) + ([FORM_TYPE] if form else [])
    head = "POST %s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: %d\r\n%s\r\n" % (
        target, len(body), "".join("%s: %s\r\n" % h for h in headers))
    s.sendall(head.encode("latin-1") + body)
    data = b""
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    s.close()
    head, _, page = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    return int(lines[0].split()[1]), [(k.strip(), v.strip()) for k, _, v in (l.partition(":") for l in lines[1:])], page


def raw_get(port, target, headers=(), version="HTTP/1.0"):
    """One exchange over a plain socket: (status, headers, body)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    req = "GET %s %s\r\n%s\r\n" % (target, version, "".join("%s: %s\r\n" % h for h in headers))
    s.sendall(req.encode("latin-1"))
    data = b""
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    s.close()
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1])
    hdrs = {k.lower(): v.strip() for k, _, v in (l.partition(":") for l in lines[1:])}
    return status, hdrs, body


class BoardServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = BoardServer.start()
        cls.srv.board("/news/", name="ニュース", category="ニュース")
        cls.srv.board("/cat/123/", name="レンタル", category="レンタル", family="rental")
        cls.srv.board("/cat/124/", name="レンタル2", category="レンタル", family="rental")
        cls.srv.board("/local/", name="地域", category="地域", family="regional")

    @classmethod
    def tearDownClass(cls):
        cls.srv.stop()

    def setUp(self):
        self.srv.reset()
        self.log = "/news/dat/1000.dat"
        self.srv.thread(self.log, 5, title="表示")

    def test_range_answers_tail_206_and_416_past_the_end(self):
        whole = self.srv.get(self.log)
        st, h, body = raw_get(self.srv.port, self.log, [("Range", "bytes=%d-" % (len(whole) - 1))])
        self.assertEqual((st, body), (206, b"\n"))
        self.assertEqual(h["content-length"], "1")
        st, _, _ = raw_get(self.srv.port, self.log, [("Range", "bytes=%d-" % len(whole))])
        self.assertEqual(st, 416)
        st, _, body = raw_get(self.srv.port, self.log)
        self.assertEqual((st, body), (200, whole))

    def test_append_and_abone_change_the_log(self):
        before = self.srv.get(self.log)
        self.srv.append(self.log, 2)
        grown = self.srv.get(self.log)
        self.assertTrue(grown.startswith(before))
        self.assertEqual(grown.count(b"\n"), 7)
        self.srv.abone(self.log, 2)
        changed = self.srv.get(self.log)
        self.assertNotEqual(changed[:len(before)], before)
        self.assertIn("あぼーん".encode("cp932"), changed)

    def test_rules_one_shot_and_persistent(self):
        self.srv.rule(self.log, status=501)
        self.assertEqual(raw_get(self.srv.port, self.log)[0], 501)
        self.assertEqual(raw_get(self.srv.port, self.log)[0], 200)
        self.srv.rule(self.log, count=-1, nolength=True)
        for _ in range(2):
            st, h, body = raw_get(self.srv.port, self.log)
            self.assertNotIn("content-length", h)
            self.assertEqual(body, self.srv.get(self.log))
        self.srv.clear_rules()
        self.srv.rule(self.log, html=True)
        self.assertTrue(raw_get(self.srv.port, self.log)[2].startswith(b"<html>"))
        self.srv.rule(self.log, size=3072001)
        st, h, body = raw_get(self.srv.port, self.log)
        self.assertEqual(h["content-length"], "3072001")
        self.assertEqual(len(body), 3072001)

    def test_request_log_counts_body_bytes(self):
        whole = self.srv.get(self.log)
        self.srv.clear_log()
        raw_get(self.srv.port, self.log, [("Range", "bytes=10-"), ("User-Agent", "Monazilla/1.00 (x)")])
        (r,) = self.srv.requests()
        self.assertEqual((r.method, r.url, r.range, r.status, r.bytes), ("GET", self.log, "bytes=10-", 206,
                                                                          len(whole) - 10))
        self.assertEqual(r.agent, "Monazilla/1.00 (x)")
        self.assertEqual(r.version, "HTTP/1.0")
        self.assertGreater(r.wire, r.bytes)

    def test_ranges_only_on_http11_in_that_mode(self):
        whole = self.srv.get(self.log)
        tail = [("Range", "bytes=10-"), ("Host", "127.0.0.1")]
        self.srv.ranges("http11")
        self.assertEqual(raw_get(self.srv.port, self.log, tail)[::2], (200, whole))
        self.assertEqual(raw_get(self.srv.port, self.log, tail, "HTTP/1.1")[::2], (206, whole[10:]))
        self.assertEqual(self.srv.requests()[-1].version, "HTTP/1.1")
        self.srv.reset()
        self.assertEqual(raw_get(self.srv.port, self.log, tail)[::2], (206, whole[10:]))

    def test_proxy_requests_and_basic_authentication(self):
        self.srv.auth("kv", "secret")
        target = "http://news.example.invalid/news/dat/1000.dat"
        self.assertEqual(raw_get(self.srv.port, target)[0], 401)
        st, _, body = raw_get(self.srv.port, target, [("Authorization", "Basic a3Y6c2VjcmV0")])
        self.assertEqual((st, body), (200, self.srv.get(self.log)))
        r = self.srv.requests()[-1]
        self.assertEqual((r.proxy, r.host, r.user), (True, "news.example.invalid", "kv"))

    def test_subject_and_menu(self):
        self.srv.thread("/cat/123/dat/2000.dat", 3, title="レンタルのスレ～")
        st, _, body = raw_get(self.srv.port, "/news/subject.txt")
        self.assertEqual(body, "1000.dat<>表示 (5)\n".encode("cp932"))
        st, _, body = raw_get(self.srv.port, "/cat/123/subject.txt")
        self.assertEqual(body, sjis_to_euc("2000.cgi,レンタルのスレ～(3)\n".encode("cp932")))
        self.assertEqual(body.decode("euc_jp", "replace")[:10], "2000.cgi,レ")
        st, _, menu = raw_get(self.srv.port, "/bbsmenu.html", [("Host", "127.0.0.1:1")])
        menu = menu.decode("cp932")
        self.assertIn("<B>ニュース</B>", menu)
        self.assertIn("<A HREF=http://127.0.0.1:1/news/>ニュース</A>", menu)

    def test_reading_script_pages_with_gaps(self):
        self.srv.thread("/local/dat/3000.dat", 56)
        self.srv.hide("/local/dat/3000.dat", [54, 55])
        st, h, page = raw_get(self.srv.port, "/bbs/read.pl?BBS=local&KEY=3000&START=51")
        numbers = [int(x.split(b'"')[0]) for x in page.split(b'<dt><a name="')[1:]]
        self.assertEqual(numbers, [1, 51, 52, 53, 56])
        self.assertIn("名前：".encode("cp932"), page)
        self.srv.thread("/cat/124/dat/4000.dat", 3)
        st, h, page = raw_get(self.srv.port, "/bbs/read.cgi/cat/124/4000/2-")
        self.assertIn("EUC-JP", h["content-type"])
        self.assertIn("投稿日：", page.decode("euc_jp"))
        self.assertEqual(page.count(b"<dt>"), 3)

    def test_files_with_type_date_and_faulty_ranges_and_feeds(self):
        data = bytes(range(256)) * 40
        self.srv.put("/pod/ep.mp3", data)
        self.srv.mtime("/pod/ep.mp3", 86400 * 365)
        status, hdrs, body = raw_get(self.srv.port, "/pod/ep.mp3", [("Range", "bytes=100-")])
        self.assertEqual((status, body), (206, data[100:]))
        self.assertEqual(hdrs["content-type"], "audio/mpeg")
        self.assertEqual(hdrs["last-modified"], "Fri, 01 Jan 1971 00:00:00 GMT")
        self.srv.rule("/pod/ep.mp3", range_from=0)
        status, hdrs, body = raw_get(self.srv.port, "/pod/ep.mp3", [("Range", "bytes=100-")])
        self.assertEqual((status, hdrs["content-range"], body), (206, "bytes 0-10239/10240", data))
        items = [{"title": "表ソ & <b>", "link": "http://h/a?x=1&y=2", "enclosure": "http://h/a.mp3", "length": 5}]
        for version, charset, codec in (("2.0", "utf-8", "utf-8"), ("1.0", "shift_jis", "cp932")):
            self.srv.feed("/feeds/f.rss", items, version=version, charset=charset)
            status, _, body = raw_get(self.srv.port, "/feeds/f.rss")
            text = body.decode(codec)
            self.assertTrue(text.startswith('<?xml version="1.0" encoding='))
            self.assertIn("<title>表ソ &amp; &lt;b&gt;</title>", text)
            self.assertIn("<link>http://h/a?x=1&amp;y=2</link>", text)
            self.assertEqual('<enclosure url="http://h/a.mp3"' in text, version == "2.0")
            self.assertEqual("<rdf:RDF" in text, version == "1.0")

    def test_euc_conversion_inverts_the_standard_mapping(self):
        text = "全角　表ソ～ｱｲｳ漢字ABC".encode("cp932")
        self.assertEqual(sjis_to_euc(text).decode("euc_jp", "replace").replace("〜", "～"),
                         "全角　表ソ～ｱｲｳ漢字ABC")

    def ntp_exchange(self, timeout=1.0):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(("127.0.0.1", 0))
        s.settimeout(timeout)
        s.sendto(b"\x0b" + bytes(47), ("127.0.0.1", self.srv.ntp_port))
        got = []
        try:
            while True:
                data, peer = s.recvfrom(512)
                got.append((data, peer[1]))
        except socket.timeout:
            pass
        s.close()
        return got

    def test_ntp_offset_and_faulty_modes(self):
        self.srv.ntp(offset=100)
        (data, port), = self.ntp_exchange()
        self.assertEqual((len(data), data[0] & 7, port), (48, 4, self.srv.ntp_port))
        seconds = struct.unpack(">I", data[40:44])[0] - 2208988800
        self.assertAlmostEqual(seconds, time.time() + 100, delta=2)
        self.srv.ntp(mode="silent")
        self.assertEqual(self.ntp_exchange(0.5), [])
        self.srv.ntp(mode="short")
        self.assertEqual([len(d) for d, _ in self.ntp_exchange(0.5)], [47])
        self.srv.ntp(mode="spoof", then_good=True)
        (bad, p1), (good, p2) = self.ntp_exchange()
        self.assertNotEqual(p1, self.srv.ntp_port)
        self.assertEqual(p2, self.srv.ntp_port)
        self.assertGreaterEqual(self.srv.ntp_count(), 4)

    def test_posting_script_confirms_until_both_cookies_come(self):
        form = b"submit=%8f%91&FROM=kv&mail=sage&MESSAGE=%82%a0&bbs=news&key=1000&time=1"
        # A body that does not say it is a form is not read, as on common servers.
        st, _, page = raw_post(self.srv.port, "/test/bbs.cgi", form, [("Cookie", "NAME=&MAIL=;")], form=False)
        self.assertEqual(st, 200)
        self.assertIn("ＥＲＲＯＲ！".encode("cp932"), page)
        st, h, page = raw_post(self.srv.port, "/test/bbs.cgi", form, [("Cookie", "NAME=&MAIL=;")])
        self.assertEqual(st, 200)
        self.assertIn("■ 書き込み確認 ■".encode("cp932"), page)
        cookies = [v.split(";")[0] for k, v in h if k.lower() == "set-cookie"]
        self.assertEqual(cookies[:2], ["NAME=kv", "MAIL=sage"])
        issued = re.search(rb'name="time" value="(\d+)"', page).group(1)
        again = form.replace(b"time=1", b"time=" + issued) + b"&kvtoken=confirm-1"
        # One cookie is not enough: the page comes again and nothing is written.
        st, _, page = raw_post(self.srv.port, "/test/bbs.cgi", again, [("Cookie", "NAME=kv")])
        self.assertIn("確認".encode("cp932"), page)
        self.assertEqual(self.srv.get(self.log).count(b"\n"), 5)
        st, h, page = raw_post(self.srv.port, "/test/bbs.cgi", form, [("Cookie", "NAME=kv")])
        issued = re.search(rb'name="time" value="(\d+)"', page).group(1)
        again = form.replace(b"time=1", b"time=" + issued) + b"&kvtoken=confirm-1"
        st, _, page = raw_post(self.srv.port, "/test/bbs.cgi", again, [("Cookie", "NAME=kv; MAIL=sage")])
        self.assertEqual(st, 200)
        self.assertIn("<title>書きこみました。".encode("cp932"), page)
        self.assertTrue(self.srv.get(self.log).endswith("あ <>\n".encode("cp932")))
        post = [r for r in self.srv.requests() if r.method == "POST"][-1]
        self.assertEqual(post.body, again)
        self.assertIn(b"Cookie: NAME=kv; MAIL=sage\r\n", post.headers)
        self.assertEqual(post.version, "HTTP/1.1")

    def test_posting_script_refuses_with_an_error_page(self):
        st, _, page = raw_post(self.srv.port, "/test/bbs.cgi", b"bbs=news&key=1000&MESSAGE=")
        self.assertEqual(st, 200)
        self.assertIn("<title>ＥＲＲＯＲ！</title>".encode("cp932"), page)
        self.assertIn("本文がありません".encode("cp932"), page)
        self.srv.post_mode(form="escaped")
        st, _, page = raw_post(self.srv.port, "/test/bbs.cgi", b"bbs=news&key=1000&MESSAGE=x")
        self.assertIn(b'value="kv&lt;&#34;x&#34;&amp;1&gt;"', page)


if __name__ == "__main__":
    unittest.main(verbosity=1)
