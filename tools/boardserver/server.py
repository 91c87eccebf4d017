#!/usr/bin/env python3
"""A 2ch-compatible board server on loopback, with the faults of the real ones.

It serves a data folder of boards to the reader under test and to the demo:

  /bbsmenu.html                    board menu in the dialect the board tree reads
  /BOARD/subject.txt               thread index (Shift_JIS; EUC-JP on rental boards)
  /BOARD/dat/KEY.dat               thread log, with Range (206 / 416)
  /bbs/read.pl?BBS=B&KEY=K&START=N regional reading script (Shift_JIS HTML)
  /bbs/read.cgi/CAT/NUM/KEY/N-     rental reading script (EUC-JP HTML)
  anything else under the folder   served as a file (with Range)

Requests with an absolute URL ("GET http://any.host/path") are answered the
same way, so the program can be pointed at it as a proxy and use the board
services' host names without ever resolving them. A UDP NTP responder runs
beside it. Tests steer both through /_kv/... (see Control below) and read the
request log.

Standard library only. Run "server.py --help" for the options.
"""
import argparse
import base64
import json
import os
import re
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import ranges as ranges_

NTP_EPOCH = 2208988800  # seconds from 1900-01-01 to 1970-01-01
ABONE_LINE = "あぼーん<>あぼーん<>あぼーん<>あぼーん<>"


# --------------------------------------------------------------------------
# Character sets. The program's own texts are Shift_JIS (cp932); the rental
# family serves EUC-JP. The conversion is done byte by byte with the standard
# mapping so that it is the exact inverse of the reader's conversion (codecs
# disagree about a few characters such as the wave dash).

def sjis_to_euc(data):
    out = bytearray()
    i, n = 0, len(data)
    while i < n:
        c = data[i]
        if c < 0x80:
            out.append(c)
            i += 1
        elif 0xA1 <= c <= 0xDF:  # half-width katakana
            out += bytes((0x8E, c))
            i += 1
        elif i + 1 < n and ((0x81 <= c <= 0x9F) or (0xE0 <= c <= 0xFC)):
            s2 = data[i + 1]
            k = c - 0x30 if c <= 0x9F else c - 0x70
            if s2 >= 0x9F:
                out += bytes((2 * k, s2 + 2))
            elif s2 >= 0x80:
                out += bytes((2 * k - 1, s2 + 0x60))
            else:
                out += bytes((2 * k - 1, s2 + 0x61))
            i += 2
        else:
            i += 1  # a byte that is not Shift_JIS: dropped
    return bytes(out)


def sj(text):
    return text.encode("cp932")


# --------------------------------------------------------------------------
# Thread logs

def make_post(number, title="", body=None, name="名無しさん", mail="sage"):
    """One log line (Shift_JIS bytes, LF). Bodies carry characters whose trail
    byte is 0x5C ("表", "ソ") and the wave dash, which catch conversion bugs."""
    if body is None:
        body = "本文%dです。表示のテスト ソフト～ <br> 二行目 %d" % (number, number)
    date = "2024/01/%02d(月) %02d:%02d:%02d ID:kv%04d" % (1 + number % 28, number % 24, number % 60,
                                                        (number * 7) % 60, number % 10000)
    return sj("%s<>%s<>%s<> %s <>%s\n" % (name, mail, date, body, title))


def make_log(posts, title="テストスレ", start=1):
    return b"".join(make_post(i, title if i == 1 else "") for i in range(start, start + posts))


def split_posts(log):
    """Lines of a log (without their LF)."""
    lines = log.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return lines


def post_fields(line):
    parts = line.split(b"<>")
    while len(parts) < 5:
        parts.append(b"")
    return parts


# --------------------------------------------------------------------------
# The server's state: data folder, rules, request log, authentication, NTP.

class Rule:
    """What the next matching request(s) get instead of the normal answer."""

    def __init__(self, params):
        self.path = params.get("path", "")
        self.prefix = params.get("prefix", "0") == "1"
        self.count = int(params.get("count", "1"))  # -1: every request
        self.params = params

    def matches(self, path):
        if self.count == 0:
            return False
        return path.startswith(self.path) if self.prefix else path == self.path


class Board:
    def __init__(self, data, menu_host=None):
        self.data = os.path.abspath(data)
        os.makedirs(self.data, exist_ok=True)
        self.menu_host = menu_host
        self.lock = threading.Lock()
        self.rules = []
        self.hidden = {}  # local path of a log -> post numbers left out of reading-script pages
        self.log = []
        self.auth = None  # (user, password)
        self.ntp = {"offset": 0.0, "mode": "normal", "then_good": False, "bad_offset": 3 * 86400.0}
        self.ntp_requests = 0
        self.last_activity = time.time()
        self.log_file = None
        self.range_mode = "normal"  # ranges.py
        self.posting = PostingScript(self)

    def record(self, entry):
        with self.lock:
            self.log.append(entry)

    def finished(self, entry):
        if self.log_file:
            with self.lock:
                self.log_file.write(self.format_entry(entry))
                self.log_file.flush()

    # Files -----------------------------------------------------------------
    def local(self, path):
        """The file for a URL path, or None when it would leave the folder."""
        rel = urllib.parse.unquote(path.split("?", 1)[0]).lstrip("/")
        full = os.path.abspath(os.path.join(self.data, rel))
        if full != self.data and not full.startswith(self.data + os.sep):
            return None
        return full

    def read(self, path):
        full = self.local(path)
        if full and os.path.isfile(full):
            with open(full, "rb") as f:
                return f.read()
        return None

    def write(self, path, data, append=False):
        full = self.local(path)
        if not full:
            raise ValueError("bad path")
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "ab" if append else "wb") as f:
            f.write(data)

    def board_info(self, folder):
        """board.json of a board folder (URL path ending in "/"), or defaults."""
        full = self.local(folder + "board.json")
        info = {}
        if full and os.path.isfile(full):
            with open(full, "r", encoding="utf-8") as f:
                info = json.load(f)
        info.setdefault("family", "2ch")
        info.setdefault("name", folder.strip("/"))
        info.setdefault("category", "テスト")
        return info

    def boards(self):
        """(URL folder, info) of every board, in folder order."""
        found = []
        for root, dirs, files in os.walk(self.data):
            dirs.sort()
            if "board.json" in files or "dat" in dirs:
                rel = os.path.relpath(root, self.data).replace(os.sep, "/")
                folder = "/" + rel + "/"
                found.append((folder, self.board_info(folder)))
        return found

    # Generated pages ---------------------------------------------------------
    def menu(self, host):
        out = ["<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
               "<TITLE>BBS MENU</TITLE></HEAD><BODY>\n<!-- <menu> generated by the board server -->\n"]
        category = None
        for folder, info in sorted(self.boards(), key=lambda b: (b[1]["category"], b[0])):
            if info["category"] != category:
                category = info["category"]
                out.append("<BR><BR><B>%s</B><BR>\n" % category)
            out.append("<A HREF=http://%s%s>%s</A><br>\n" % (info.get("host") or self.menu_host or host, folder,
                                                             info["name"]))
        out.append("</BODY></HTML>\n")
        return sj("".join(out))

    def subject(self, folder, info):
        """The index of a board: its own subject.txt when there is one, else
        made from its logs, newest first."""
        rows = []
        dat = self.local(folder + "dat")
        if dat and os.path.isdir(dat):
            for name in os.listdir(dat):
                if not name.endswith(".dat"):
                    continue
                with open(os.path.join(dat, name), "rb") as f:
                    lines = split_posts(f.read())
                title = post_fields(lines[0])[4] if lines else b""
                rows.append((os.path.getmtime(os.path.join(dat, name)), name[:-4], title, len(lines)))
        rows.sort(key=lambda r: (-r[0], r[1]))
        if info["family"] == "rental":
            return b"".join(b"%s.cgi,%s(%d)\n" % (k.encode(), t, c) for _, k, t, c in rows)
        return b"".join(b"%s.dat<>%s (%d)\n" % (k.encode(), t, c) for _, k, t, c in rows)

    def script_page(self, log_path, start, euc):
        """A reading-script page: post 1, then posts from start on, in the HTML
        shape of the regional and rental services; hidden posts leave gaps."""
        log = self.read(log_path)
        if log is None:
            return None
        lines = split_posts(log)
        hidden = self.hidden.get(self.local(log_path), set())
        title = post_fields(lines[0])[4] if lines else b""
        out = [b"<html><head><title>" + title + b"</title></head><body>\n<h1>" + title + b"</h1>\n<dl>\n"]
        numbers = [1] + list(range(max(start, 2), len(lines) + 1))
        for n in numbers:
            if n > len(lines) or n in hidden:
                continue
            name, mail, date, body, _ = post_fields(lines[n - 1])[:5]
            if mail:
                who = b"<a href=\"mailto:" + mail + b"\"><b>" + name + b"</b></a>"
            else:
                who = b"<font color=\"#008800\"><b>" + name + b"</b></font>"
            out.append(b"<dt><a name=\"%d\">%d</a> " % (n, n) + sj("名前：") + who + b" " + sj("投稿日：") + date +
                       b"<dd>" + body.strip() + b"<br><br>\n")
        out.append(b"</dl>\n<!-- end of page -->\n</body></html>\n")
        page = b"".join(out)
        return sjis_to_euc(page) if euc else page

    # Control -----------------------------------------------------------------
    def control(self, command, q, body):
        """Handles /_kv/COMMAND; returns (status, bytes)."""
        p = lambda k, d=None: q.get(k, d)
        with self.lock:
            if command == "ping":
                return 200, b"ok"
            if command == "put":
                self.write(p("path"), body)
                return 200, b"ok"
            if command == "get":
                data = self.read(p("path"))
                return (200, data) if data is not None else (404, b"missing")
            if command == "delete":
                full = self.local(p("path"))
                if full and os.path.isfile(full):
                    os.remove(full)
                return 200, b"ok"
            if command == "board":
                folder = p("path")
                info = {"family": p("family", "2ch"), "name": p("name", folder.strip("/")),
                        "category": p("category", "テスト")}
                if p("host"):
                    info["host"] = p("host")
                self.write(folder + "board.json", json.dumps(info, ensure_ascii=False).encode("utf-8"))
                full = self.local(folder + "dat")
                os.makedirs(full, exist_ok=True)
                return 200, b"ok"
            if command == "thread":
                self.write(p("path"), make_log(int(p("posts", "1")), p("title", "テストスレ")))
                return 200, b"ok"
            if command == "append":
                if body:
                    self.write(p("path"), body, append=True)
                else:
                    log = self.read(p("path")) or b""
                    have = len(split_posts(log))
                    self.write(p("path"), b"".join(make_post(i) for i in range(have + 1, have + 1 + int(p("count", "1")))),
                               append=True)
                return 200, b"ok"
            if command == "abone":
                log = self.read(p("path"))
                if log is None:
                    return 404, b"missing"
                lines = split_posts(log)
                n = int(p("post", "1"))
                if 1 <= n <= len(lines):
                    title = post_fields(lines[n - 1])[4]
                    lines[n - 1] = sj(ABONE_LINE) + title
                self.write(p("path"), b"".join(l + b"\n" for l in lines))
                return 200, b"ok"
            if command == "hide":
                key = self.local(p("path"))
                self.hidden[key] = set(int(x) for x in p("posts", "").split(",") if x)
                return 200, b"ok"
            if command == "rule":
                self.rules.append(Rule(q))
                return 200, b"ok"
            if command == "ranges":
                if p("mode") not in ranges_.MODES:
                    return 400, b"unknown mode"
                self.range_mode = p("mode")
                return 200, b"ok"
            if command == "clear-rules":
                self.rules = []
                return 200, b"ok"
            if command == "log":
                return 200, "".join(self.format_entry(e) for e in self.log).encode("utf-8")
            if command == "clear-log":
                self.log = []
                return 200, b"ok"
            if command == "auth":
                self.auth = (p("user"), p("password", "")) if p("user") else None
                return 200, b"ok"
            if command == "ntp":
                for key in ("offset", "bad_offset"):
                    if p(key) is not None:
                        self.ntp[key] = float(p(key))
                if p("mode"):
                    self.ntp["mode"] = p("mode")
                if p("then_good") is not None:
                    self.ntp["then_good"] = p("then_good") == "1"
                return 200, b"ok"
            if command == "ntp-count":
                return 200, b"%d" % self.ntp_requests
            if command == "mtime":
                full = self.local(p("path"))
                if not full or not os.path.isfile(full):
                    return 404, b"missing"
                when = float(p("time"))
                os.utime(full, (when, when))
                return 200, b"ok"
            if command == "feed":
                self.write(p("path"), make_feed(json.loads(body.decode("utf-8")), p("version", "2.0"),
                                                p("charset", "utf-8"), p("title", "テストフィード")))
                return 200, b"ok"
            if command == "post":
                self.posting.configure(q, body)
                return 200, b"ok"
            if command == "reset":
                self.posting = PostingScript(self)
                self.rules, self.log, self.hidden, self.auth = [], [], {}, None
                self.range_mode = "normal"
                self.ntp = {"offset": 0.0, "mode": "normal", "then_good": False, "bad_offset": 3 * 86400.0}
                self.ntp_requests = 0
                return 200, b"ok"
        return 404, b"unknown command"

    @staticmethod
    def format_entry(e):
        # One line per request, tab-separated: method, URL as requested,
        # host, range header ("-" when none), status, body bytes sent, all
        # bytes sent, user of Basic authentication ("-"), 1 when it came as
        # a proxy request, user agent, HTTP version of the request; for a
        # POST its raw header lines and raw body, escaped as Python escapes
        # bytes ("\\r\\n", "\\t", "\\x82"; "-" for other methods).
        return "%s\t%s\t%s\t%s\t%d\t%d\t%d\t%s\t%d\t%s\t%s\t%s\t%s\n" % (
            e["method"], e["url"], e["host"], e["range"] or "-", e["status"], e["bytes"], e["wire"],
            e["user"] or "-", 1 if e["proxy"] else 0, e["agent"] or "-", e.get("version") or "-",
            escape_bytes(e["raw_headers"]) if e.get("raw_headers") is not None else "-",
            escape_bytes(e["raw_body"]) if e.get("raw_body") is not None else "-")

    def take_rule(self, path):
        with self.lock:
            for r in self.rules:
                if r.matches(path):
                    if r.count > 0:
                        r.count -= 1
                    return r.params
        return {}


# --------------------------------------------------------------------------
# Files and feeds: the Content-Type real servers send for a file's extension,
# its modification date (settable with /_kv/mtime), and RSS documents.

CONTENT_TYPES = {
    ".mp3": "audio/mpeg", ".ogg": "audio/ogg", ".wav": "audio/wav", ".wma": "audio/x-ms-wma",
    ".mpg": "video/mpeg", ".avi": "video/x-msvideo", ".wmv": "video/x-ms-wmv", ".asf": "video/x-ms-asf",
    ".zip": "application/zip", ".lzh": "application/x-lzh", ".cab": "application/vnd.ms-cab-compressed",
    ".msi": "application/x-msi", ".exe": "application/octet-stream", ".jpg": "image/jpeg",
    ".png": "image/png", ".bmp": "image/bmp", ".rss": "application/rss+xml", ".rdf": "application/rdf+xml",
    ".xml": "application/xml", ".htm": "text/html", ".html": "text/html",
}


def file_headers(full):
    """Content-Type (text/plain for logs and lists) and Last-Modified of a file."""
    ext = os.path.splitext(full or "")[1].lower()
    headers = [("Content-Type", CONTENT_TYPES.get(ext, "text/plain"))]
    if full and os.path.isfile(full) and ext in CONTENT_TYPES:
        stamp = time.strftime("%a, %d %b %Y %H:%M:%S GMT", time.gmtime(os.path.getmtime(full)))
        headers.append(("Last-Modified", stamp))
    return headers


def _xml(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def make_feed(items, version="2.0", charset="utf-8", title="テストフィード"):
    """An RSS 2.0 or RSS 1.0 (rdf:RDF) document in UTF-8 or Shift_JIS. Each
    item is a dict: title, link, and optionally enclosure (address), length,
    type; a podcast item carries an enclosure."""
    enc = "utf-8" if charset.lower().replace("_", "-") in ("utf-8", "utf8") else "cp932"
    declared = "UTF-8" if enc == "utf-8" else "Shift_JIS"
    out = ['<?xml version="1.0" encoding="%s"?>' % declared]
    body = []
    for it in items:
        part = ["<item%s>" % (' rdf:about="%s"' % _xml(it.get("link", "")) if version == "1.0" else ""),
                "<title>%s</title>" % _xml(it.get("title", ""))]
        if it.get("link"):
            part.append("<link>%s</link>" % _xml(it["link"]))
        if it.get("enclosure") and version != "1.0":
            part.append('<enclosure url="%s" length="%d" type="%s" />' % (
                _xml(it["enclosure"]), int(it.get("length", 0)), it.get("type", "audio/mpeg")))
        part.append("</item>")
        body.append("\n".join(part))
    if version == "1.0":
        out.append('<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/">')
        out.append("<channel><title>%s</title><items><rdf:Seq>%s</rdf:Seq></items></channel>" % (
            _xml(title), "".join('<rdf:li rdf:resource="%s"/>' % _xml(it.get("link", "")) for it in items)))
        out += body
        out.append("</rdf:RDF>")
    else:
        out.append('<rss version="2.0"><channel><title>%s</title>' % _xml(title))
        out += body
        out.append("</channel></rss>")
    return ("\n".join(out) + "\n").encode(enc)


# --------------------------------------------------------------------------
# The posting script /test/bbs.cgi, as the 2ch-family services run it: every
# answer is 200 and the outcome is only in the page. A browser without the
# NAME and MAIL cookies first gets the confirmation page "■ 書き込み確認 ■",
# which sets them and carries the post again in a hidden form; the post is
# written only when a request carries both cookies. Success is a page
# titled "書きこみました。", a refusal "ＥＲＲＯＲ！" with its reason.

def escape_bytes(data):
    """Bytes as one log column: Python's escapes, so tabs and line ends
    never split the line (decode with codecs.escape_decode)."""
    out = []
    for b in data:
        c = chr(b)
        if c == "\\":
            out.append("\\\\")
        elif c == "\t":
            out.append("\\t")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif 0x20 <= b < 0x7F:
            out.append(c)
        else:
            out.append("\\x%02x" % b)
    return "".join(out)


def parse_form(body):
    """name -> value bytes of an urlencoded form (first of each name kept)."""
    fields = {}
    for part in body.split(b"&"):
        if not part:
            continue
        name, _, value = part.partition(b"=")
        name = urllib.parse.unquote_to_bytes(name.replace(b"+", b" ")).decode("latin-1")
        fields.setdefault(name, urllib.parse.unquote_to_bytes(value.replace(b"+", b" ")))
    return fields


def parse_cookies(lines):
    """Cookie names and values over every Cookie line, split at ";" only
    (so "NAME=&MAIL=;" is one cookie NAME whose value is "&MAIL=")."""
    cookies = {}
    for line in lines:
        for part in line.split(";"):
            name, eq, value = part.strip().partition("=")
            if eq and name:
                cookies.setdefault(name, value)
    return cookies


def html_escape(data):
    return data.replace(b"&", b"&amp;").replace(b"<", b"&lt;").replace(b">", b"&gt;").replace(b'"', b"&quot;")


class PostingScript:
    # The extra hidden input of the confirmation form and its value.
    EXTRA_NAME = "kvtoken"
    EXTRA_PLAIN = b"confirm-1"
    EXTRA_ESCAPED = b'kv<"x"&1>'
    LONG_HEAD = (b"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n<style type=\"text/css\">"
                 + b"body { margin: 0; } " * 30 + b"</style>\n<script>var kv = 1;" + b" kv += 1;" * 30 + b"</script>\n")

    def __init__(self, board):
        self.board = board
        # confirm: cookie (ask until both cookies come), always (ask every
        # time), never; form: quoted, unquoted, reversed, escaped, notime;
        # error: a refusal text for every post (or the control request's
        # body, Shift_JIS); head: long puts 700 bytes
        # of head before the title.
        self.mode = {"confirm": "cookie", "form": "quoted", "error": "", "head": ""}
        self.pending = {}  # (bbs, key) -> what the confirmation page asked for
        self.written = 0

    def configure(self, q, body=b""):
        for k in self.mode:
            if k in q:
                self.mode[k] = q[k]
        if body:
            self.mode["error"] = body  # the refusal text, Shift_JIS bytes

    def page(self, title, body):
        head = self.LONG_HEAD if self.mode["head"] == "long" else b""
        return (b"<html><head>" + head + b"<title>" + sj(title) + b"</title>" +
                b"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"></head>\n<body>" +
                body + b"</body></html>\n")

    def error(self, text):
        text = text if isinstance(text, bytes) else sj(text)
        return self.page("ＥＲＲＯＲ！", b"<!-- 2ch_X:error -->\n<b>" + text + b"</b><br><br>\n" +
                         sj("ホスト<b>127.0.0.1</b><br>") + b"\n"), []

    def hidden(self, name, value):
        value = html_escape(value)
        style = self.mode["form"]
        if style == "unquoted":
            return b"<input type=hidden name=%s value=%s>\n" % (name.encode(), value or b'""')
        if style == "reversed":
            return b"<input value=\"%s\" name=\"%s\" type=\"hidden\">\n" % (value, name.encode())
        if style == "escaped":
            value = value.replace(b"&quot;", b"&#34;")
        return b"<input type=\"hidden\" name=\"%s\" value=\"%s\">\n" % (name.encode(), value)

    def confirm_page(self, form, bbs, key, raw):
        issued = str(int(time.time()) - 30)
        extra = self.EXTRA_ESCAPED if self.mode["form"] == "escaped" else self.EXTRA_PLAIN
        self.pending[(bbs, key)] = {"time": issued, "extra": extra}
        fields = [("subject", b""), ("FROM", form.get("FROM", b"")), ("mail", form.get("mail", b"")),
                  ("MESSAGE", form.get("MESSAGE", b"")), ("bbs", bbs.encode()), ("key", key.encode())]
        if self.mode["form"] != "notime":
            fields.append(("time", issued.encode()))
        fields.append((self.EXTRA_NAME, extra))
        body = (sj("<font size=+1 color=#FF0000>書き込み確認。</font><br><br>") + b"\n" +
                sj("書き込みに関して様々なログ情報が記録されています。<br>") + b"\n" +
                b"<form method=POST action=\"../test/bbs.cgi?guid=ON\">\n" +
                b"".join(self.hidden(n, v) for n, v in fields) +
                b"<input type=submit value=\"" + sj("上記全てを承諾して書き込む") + b"\" name=\"submit\"><br>\n"
                b"</form>\n")
        expires = "Thu, 31-Dec-2037 00:00:00 GMT"
        cookies = ["NAME=%s; expires=%s; path=/" % (raw.get("FROM", ""), expires),
                   "MAIL=%s; expires=%s; path=/" % (raw.get("mail", ""), expires),
                   "PON=kv127; path=/"]
        return self.page("■ 書き込み確認 ■", body), cookies

    def answer(self, cookie_lines, body):
        form = parse_form(body)
        raw = {}
        for part in body.split(b"&"):
            name, _, value = part.partition(b"=")
            raw.setdefault(name.decode("latin-1"), value.decode("latin-1"))
        with self.board.lock:
            bbs = form.get("bbs", b"").decode("latin-1")
            key = form.get("key", b"").decode("latin-1")
            if self.mode["error"]:
                return self.error(self.mode["error"])
            log_path = "/%s/dat/%s.dat" % (bbs, key)
            if not re.match(r"^[A-Za-z0-9_-]+$", bbs) or not key.isdigit() or self.board.read(log_path) is None:
                return self.error("ＥＲＲＯＲ：該当するスレッドは存在しません。")
            if not form.get("MESSAGE"):
                return self.error("ＥＲＲＯＲ：本文がありません！")
            cookies = parse_cookies(cookie_lines)
            mode = self.mode["confirm"]
            if mode == "always" or (mode == "cookie" and not ("NAME" in cookies and "MAIL" in cookies)):
                return self.confirm_page(form, bbs, key, raw)
            asked = self.pending.pop((bbs, key), None)
            if asked and (form.get("time", b"").decode("latin-1") != asked["time"] or
                          form.get(self.EXTRA_NAME) != asked["extra"]):
                return self.error("ＥＲＲＯＲ：フォーム情報が正しく読めないです。")
            self.write_post(log_path, form)
            page = self.page("書きこみました。", sj("書きこみが終わりました。<br><br>画面を切り替えるまで"
                                                  "しばらくお待ち下さい。<br><br>") + b"\n")
            return page, []

    def write_post(self, log_path, form):
        self.written += 1
        name = html_escape(form.get("FROM", b"")) or sj("名無しさん")
        mail = html_escape(form.get("mail", b""))
        message = html_escape(form.get("MESSAGE", b"")).replace(b"\r\n", b"\n").replace(b"\r", b"\n")
        message = message.replace(b"\n", b" <br> ")
        now = time.localtime()
        date = sj("%04d/%02d/%02d(%s) %02d:%02d:%02d.00 ID:kvPost%02d" % (
            now.tm_year, now.tm_mon, now.tm_mday, "月火水木金土日"[now.tm_wday], now.tm_hour, now.tm_min,
            now.tm_sec, self.written))
        self.board.write(log_path, name + b"<>" + mail + b"<>" + date + b"<> " + message + b" <>\n", append=True)


# --------------------------------------------------------------------------
# HTTP

class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "kvboard/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.serve("GET")

    def do_HEAD(self):
        self.serve("HEAD")

    def do_POST(self):
        self.serve("POST")

    def do_PUT(self):
        self.serve("PUT")

    # Answer writing ----------------------------------------------------------
    def answer(self, status, body=b"", headers=(), length=True, trickle=None, declared=None, cut=None,
               generator=None):
        """Writes status line, headers and body and counts what went out.
        length False leaves Content-Length out (the body then ends with the
        connection); trickle is (bytes, ms) per piece; declared announces a
        length the body (or generator) provides; cut closes after that many
        body bytes."""
        reason = {200: "OK", 206: "Partial Content", 401: "Unauthorized", 404: "Not Found",
                  416: "Requested Range Not Satisfiable", 501: "Not Implemented"}.get(status, "Status")
        total = declared if declared is not None else len(body)
        head = ["HTTP/1.0 %d %s" % (status, reason), "Server: kvboard/1.0", "Connection: close"]
        head += ["%s: %s" % h for h in headers]
        if length:
            head.append("Content-Length: %d" % total)
        raw = ("\r\n".join(head) + "\r\n\r\n").encode("latin-1")
        # The counts are raised before each write, so that a client that has
        # read the bytes always finds them in the log already.
        self.entry.update(status=status, bytes=0, wire=len(raw))
        sent = 0
        try:
            self.wfile.write(raw)
            if self.command == "HEAD":
                return
            pieces = generator if generator is not None else [body]
            limit = cut if cut is not None else total
            for piece in pieces:
                piece = piece[:max(0, limit - sent)]
                step = trickle[0] if trickle else len(piece) or 1
                for i in range(0, len(piece), step):
                    chunk = piece[i:i + step]
                    self.entry["bytes"] = sent + len(chunk)
                    self.entry["wire"] = len(raw) + sent + len(chunk)
                    self.wfile.write(chunk)
                    sent += len(chunk)
                    if trickle:
                        self.wfile.flush()
                        time.sleep(trickle[1] / 1000.0)
                if sent >= limit:
                    break
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError, socket.timeout):
            # What the client never took does not count.
            self.entry["bytes"] = sent
            self.entry["wire"] = len(raw) + sent
            self.close_connection = True

    def serve(self, method):
        board = self.server.board
        board.last_activity = time.time()
        target = self.path
        proxy = target.startswith("http://")
        if proxy:
            parsed = urllib.parse.urlsplit(target)
            host = parsed.netloc
            path = parsed.path or "/"
            query = parsed.query
        else:
            host = self.headers.get("Host", "")
            path, _, query = target.partition("?")
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""

        if path.startswith("/_kv/"):
            q = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
            try:
                status, data = board.control(path[5:], q, body)
            except Exception as e:  # a bad control request must not end the server
                status, data = 400, repr(e).encode()
            self.entry = {}
            self.answer(status, data, [("Content-Type", "text/plain")])
            if path == "/_kv/quit":
                threading.Thread(target=self.server.shutdown, daemon=True).start()
            return

        user = password = None
        auth = self.headers.get("Authorization", "")
        if auth.startswith("Basic "):
            try:
                user, _, password = base64.b64decode(auth[6:]).decode("latin-1").partition(":")
            except ValueError:
                user, password = None, None
        self.entry = {"method": method, "url": target, "host": host, "range": self.headers.get("Range"),
                      "status": 0, "bytes": 0, "wire": 0, "user": user, "proxy": proxy,
                      "agent": self.headers.get("User-Agent"), "version": self.request_version}
        if method == "POST":
            self.entry["raw_headers"] = "".join("%s: %s\r\n" % kv for kv in self.headers.items()).encode("latin-1")
            self.entry["raw_body"] = body
        # Logged as it starts; status and counts are filled in as it goes.
        board.record(self.entry)
        if board.auth and (user, password) != board.auth:
            self.answer(401, b"<html><body>401 Authorization Required</body></html>",
                        [("WWW-Authenticate", 'Basic realm="kvboard"'), ("Content-Type", "text/html")])
        else:
            self.route(board, method, host, path, query, body)
        board.finished(self.entry)

    # Routing -----------------------------------------------------------------
    def route(self, board, method, host, path, query, body):
        rule = board.take_rule(path)
        length = rule.get("nolength", "0") != "1"
        trickle = None
        if rule.get("trickle"):
            size, _, ms = rule["trickle"].partition(":")
            trickle = (max(1, int(size)), int(ms or "100"))
        cut = int(rule["cut"]) if rule.get("cut") else None
        extra = dict(length=length, trickle=trickle, cut=cut)

        if rule.get("status"):
            code = int(rule["status"])
            self.answer(code, b"<html><head><title>%d</title></head><body>error %d</body></html>\n" % (code, code),
                        [("Content-Type", "text/html")], **extra)
            return
        if rule.get("html") == "1":
            # What an overloaded or moved server sends where data was expected.
            self.answer(200, sj("<html><head><title>ERROR</title></head><body>ただいま混雑しています。</body></html>\n"),
                        [("Content-Type", "text/html")], **extra)
            return
        if rule.get("size"):
            size = int(rule["size"])
            piece = make_log(40)
            self.answer(200, declared=size, generator=(piece for _ in range(size // len(piece) + 1)),
                        headers=[("Content-Type", "text/plain")], **extra)
            return

        if method == "POST" and path == "/test/bbs.cgi":
            # As the form parsers of common web servers do, the fields are
            # read only from a body that says it is a form.
            form_type = (self.headers.get("Content-Type") or "").split(";")[0].strip().lower()
            if form_type != "application/x-www-form-urlencoded":
                body = b""
            page, cookies = board.posting.answer(self.headers.get_all("Cookie") or [], body)
            self.answer(200, page, [("Content-Type", "text/html; charset=Shift_JIS")] +
                        [("Set-Cookie", c) for c in cookies], **extra)
            return
        if method == "POST":
            # No other script takes posts.
            self.answer(501, b"<html><body>not here yet</body></html>", [("Content-Type", "text/html")])
            return

        if path in ("/bbsmenu.html", "/bbsmenu.htm"):
            self.answer(200, board.menu(host), [("Content-Type", "text/html; charset=Shift_JIS")], **extra)
            return
        if path == "/bbs/read.pl":
            q = dict(urllib.parse.parse_qsl(query))
            page = board.script_page("/%s/dat/%s.dat" % (q.get("BBS", ""), q.get("KEY", "")),
                                     int(q.get("START", "1") or 1), euc=False)
            self.send_page(page, "Shift_JIS", extra)
            return
        m = re.match(r"^/bbs/read\.cgi/([^/]+)/([^/]+)/(\d+)/?(\d*)", path)
        if m:
            page = board.script_page("/%s/%s/dat/%s.dat" % (m.group(1), m.group(2), m.group(3)),
                                     int(m.group(4) or 1), euc=True)
            self.send_page(page, "EUC-JP", extra)
            return
        if path.endswith("/subject.txt"):
            folder = path[:-len("subject.txt")]
            info = board.board_info(folder)
            data = board.read(path)
            if data is None:
                data = board.subject(folder, info)
            if info["family"] == "rental":
                data = sjis_to_euc(data)
            self.send_data(data, extra)
            return
        data = board.read(path)
        if data is None:
            self.answer(404, b"<html><head><title>404 Not Found</title></head><body>Not Found</body></html>\n",
                        [("Content-Type", "text/html")], **extra)
            return
        headers = file_headers(board.local(path))
        if rule.get("ignore_range") == "1":
            self.send_data(data, extra, ranges=False, headers=headers)
        elif rule.get("range_from"):
            # A faulty server: a 206 whose range starts elsewhere than asked.
            first = int(rule["range_from"])
            self.answer(206, data[first:], headers + [
                ("Content-Range", "bytes %d-%d/%d" % (first, len(data) - 1, len(data)))], **extra)
        else:
            self.send_data(data, extra, headers=headers)

    def send_page(self, page, charset, extra):
        if page is None:
            self.answer(404, b"<html><body>no such thread</body></html>\n", [("Content-Type", "text/html")], **extra)
        else:
            self.answer(200, page, [("Content-Type", "text/html; charset=" + charset)], **extra)

    def send_data(self, data, extra, ranges=True, headers=None):
        """A file with the byte ranges of the real servers: "bytes=N-" gives
        206 with the tail, or 416 when N is at or past the end."""
        if not ranges_.honours_range(self.server.board.range_mode, self.request_version):
            ranges = False
        wanted = self.headers.get("Range", "") if ranges else ""
        m = re.match(r"^\s*bytes\s*=\s*(\d+)\s*-\s*(\d*)\s*$", wanted)
        if m:
            first = int(m.group(1))
            last = int(m.group(2)) if m.group(2) else len(data) - 1
            if first >= len(data) or last < first:
                self.answer(416, b"", [("Content-Range", "bytes */%d" % len(data))], **extra)
                return
            last = min(last, len(data) - 1)
            self.answer(206, data[first:last + 1], (headers or [("Content-Type", "text/plain")]) + [
                        ("Content-Range", "bytes %d-%d/%d" % (first, last, len(data)))], **extra)
            return
        self.answer(200, data, headers or [("Content-Type", "text/plain")], **extra)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False


# --------------------------------------------------------------------------
# NTP

class NtpResponder:
    """Answers NTP client requests with the local time plus an offset that a
    test sets. Faulty modes: silent (no answer), short (47 bytes), client
    (mode 3 instead of 4), zero (transmit time 0), spoof (the answer comes
    from another port). With then_good a faulty answer is followed by a good
    one, which shows that the client kept waiting."""

    def __init__(self, board, host, port):
        self.board = board
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((host, port))
        self.port = self.sock.getsockname()[1]
        self.spoof = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.spoof.bind((host, 0))
        threading.Thread(target=self.run, daemon=True).start()

    @staticmethod
    def packet(offset, mode=4, transmit=True, length=48):
        t = time.time() + offset + NTP_EPOCH
        seconds = int(t)
        fraction = int((t - seconds) * 2 ** 32) & 0xFFFFFFFF
        p = bytearray(48)
        p[0] = (0 << 6) | (3 << 3) | mode
        p[1] = 1  # stratum 1
        p[12:16] = b"KVEL"
        struct.pack_into(">II", p, 32, seconds & 0xFFFFFFFF, fraction)  # receive
        if transmit:
            struct.pack_into(">II", p, 40, seconds & 0xFFFFFFFF, fraction)
        return bytes(p[:length])

    def run(self):
        while True:
            try:
                data, peer = self.sock.recvfrom(512)
            except OSError:
                return
            board = self.board
            with board.lock:
                board.ntp_requests += 1
                cfg = dict(board.ntp)
            board.last_activity = time.time()
            mode = cfg["mode"]
            bad = cfg["bad_offset"]
            if mode == "normal":
                self.sock.sendto(self.packet(cfg["offset"]), peer)
                continue
            if mode == "short":
                self.sock.sendto(self.packet(bad, length=47), peer)
            elif mode == "client":
                self.sock.sendto(self.packet(bad, mode=3), peer)
            elif mode == "zero":
                self.sock.sendto(self.packet(bad, transmit=False), peer)
            elif mode == "spoof":
                self.spoof.sendto(self.packet(bad), peer)
            if cfg["then_good"]:
                time.sleep(0.2)
                self.sock.sendto(self.packet(cfg["offset"]), peer)


# --------------------------------------------------------------------------

def write_port_file(path, http_port, ntp_port):
    # Written whole under a temporary name and then renamed, so a reader
    # never sees half a line.
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (http_port, ntp_port))
    os.replace(tmp, path)


def seed_demo(board):
    """A small set of boards for the demo and for tests that want some."""
    if board.boards():
        return
    board.control("board", {"path": "/news/", "name": "ニュース速報", "category": "ニュース"}, b"")
    board.control("board", {"path": "/test/", "name": "テスト板", "category": "テスト"}, b"")
    for key, posts, title in ((1700000001, 12, "最初のスレ"), (1700000002, 120, "長いスレ～表示テスト")):
        board.control("thread", {"path": "/news/dat/%d.dat" % key, "posts": str(posts), "title": title}, b"")
    board.control("thread", {"path": "/test/dat/1700000100.dat", "posts": "3", "title": "テスト"}, b"")


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local 2ch-compatible board server for tests and the demo.")
    ap.add_argument("--data", help="data folder of boards (default: a new temporary folder)")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=0, help="HTTP port (0: a free one)")
    ap.add_argument("--ntp-port", type=int, default=0, help="UDP NTP port (0: a free one, -1: none)")
    ap.add_argument("--port-file", help="write \"HTTP_PORT NTP_PORT\" here once listening")
    ap.add_argument("--log", help="append the request log (tab-separated) to this file as well")
    ap.add_argument("--menu-host", help="host named in the board menu's links (default: the request's Host)")
    ap.add_argument("--auth", help="USER:PASSWORD required with Basic authentication")
    ap.add_argument("--ranges", default="normal", choices=ranges_.MODES,
                    help="normal: ranges always honoured; http11: only on HTTP/1.1 requests")
    ap.add_argument("--demo", action="store_true", help="put a few boards into an empty data folder")
    ap.add_argument("--idle-exit", type=float, default=0,
                    help="exit after this many seconds without a request (0: never); ends servers "
                         "whose test died")
    args = ap.parse_args(argv)

    data = args.data
    if not data:
        import tempfile
        data = tempfile.mkdtemp(prefix="kvboard-")
    board = Board(data, args.menu_host)
    board.range_mode = args.ranges
    if args.auth:
        user, _, password = args.auth.partition(":")
        board.auth = (user, password)
    if args.demo:
        seed_demo(board)

    httpd = Server((args.host, args.port), Handler)
    httpd.board = board
    ntp = NtpResponder(board, args.host, args.ntp_port) if args.ntp_port >= 0 else None
    http_port = httpd.server_address[1]
    ntp_port = ntp.port if ntp else 0

    if args.log:
        board.log_file = open(args.log, "a", encoding="utf-8")

    if args.port_file:
        write_port_file(args.port_file, http_port, ntp_port)
    print("board server: http://%s:%d/ ntp udp %d data %s" % (args.host, http_port, ntp_port, data), flush=True)

    if args.idle_exit > 0:
        def watchdog():
            while True:
                time.sleep(1.0)
                if time.time() - board.last_activity > args.idle_exit:
                    httpd.shutdown()
                    return
        threading.Thread(target=watchdog, daemon=True).start()
    try:
        httpd.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    httpd.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
