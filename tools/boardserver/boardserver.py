"""Python side of the local board server: start it, steer it, read its log.

    from boardserver import BoardServer
    with BoardServer.start() as srv:          # a free port, a fresh data folder
        srv.board("/news/", name="ニュース")
        srv.thread("/news/dat/1700000001.dat", posts=50)
        url = srv.url("/news/dat/1700000001.dat")
        ...                                   # run the program against it
        srv.append("/news/dat/1700000001.dat", 10)
        for r in srv.requests():              # what went over the wire
            print(r.url, r.range, r.status, r.bytes)

The server runs as its own process (server.py); this module only talks to
its control endpoint /_kv/ and needs nothing outside the standard library.
"""
import json
import os
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request
from collections import namedtuple

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "server.py")

Request = namedtuple("Request", "method url host range status bytes wire user proxy agent version headers body",
                     defaults=("", None, None))


def unescape_bytes(text):
    """A request-log column of escaped bytes back to bytes (None for "-")."""
    if text == "-":
        return None
    import codecs
    return codecs.escape_decode(text.encode("ascii"))[0]


class BoardServer:
    def __init__(self, http_port, ntp_port, proc=None, data=None, host="127.0.0.1"):
        self.host = host
        self.port = http_port
        self.ntp_port = ntp_port
        self.proc = proc
        self.data = data
        # Never let urllib pick up a proxy from the environment.
        self._open = urllib.request.build_opener(urllib.request.ProxyHandler({})).open

    # Life ----------------------------------------------------------------
    @classmethod
    def start(cls, data=None, ntp_port=0, auth=None, menu_host=None, demo=False, idle_exit=600, timeout=15.0):
        """Starts server.py on free ports of 127.0.0.1 and waits until it listens."""
        work = tempfile.mkdtemp(prefix="kvboard-run-")
        data = data or os.path.join(work, "data")
        port_file = os.path.join(work, "ports")
        cmd = [sys.executable, SERVER, "--data", data, "--port-file", port_file, "--ntp-port", str(ntp_port),
               "--idle-exit", str(idle_exit)]
        if auth:
            cmd += ["--auth", auth]
        if menu_host:
            cmd += ["--menu-host", menu_host]
        if demo:
            cmd.append("--demo")
        with open(os.path.join(work, "stderr"), "wb") as err:
            proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=err)
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(port_file):
                with open(port_file) as f:
                    http_port, ntp = map(int, f.read().split())
                return cls(http_port, ntp, proc, data)
            if proc.poll() is not None:
                with open(os.path.join(work, "stderr")) as f:
                    raise RuntimeError("board server ended: " + f.read())
            time.sleep(0.05)
        proc.kill()
        raise RuntimeError("board server did not start")

    @classmethod
    def attach(cls, http_port, ntp_port=0):
        """A server that is already running (started by someone else)."""
        return cls(http_port, ntp_port)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            try:
                self.control("quit")
            except OSError:
                pass
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    # Addresses -------------------------------------------------------------
    def url(self, path=""):
        return "http://%s:%d%s" % (self.host, self.port, path)

    @property
    def proxy(self):
        """The value for the program's Proxyadr setting."""
        return "%s:%d" % (self.host, self.port)

    # Control ---------------------------------------------------------------
    def control(self, command, body=None, **params):
        q = urllib.parse.urlencode({k: v for k, v in params.items() if v is not None})
        req = urllib.request.Request(self.url("/_kv/%s?%s" % (command, q)), data=body,
                                     method="POST" if body is not None else "GET")
        with self._open(req, timeout=10) as r:
            return r.read()

    def board(self, path, name=None, category=None, family="2ch", host=None):
        """A board folder ("/news/"; rental boards "/category/123/") with
        family 2ch, regional or rental."""
        self.control("board", path=path, name=name, category=category, family=family, host=host)

    def thread(self, path, posts, title=None):
        """A generated log of that many posts."""
        self.control("thread", path=path, posts=posts, title=title)

    def put(self, path, data):
        self.control("put", body=data, path=path)

    def get(self, path):
        return self.control("get", path=path)

    def delete(self, path):
        self.control("delete", path=path)

    def append(self, path, count=1, data=None):
        """Appends generated posts, or the given bytes."""
        self.control("append", body=data, path=path, count=count)

    def abone(self, path, post):
        """Rewrites an old post, as a moderator deleting it does."""
        self.control("abone", path=path, post=post)

    def hide(self, path, posts):
        """Leaves these post numbers out of the reading-script pages of a log."""
        self.control("hide", path=path, posts=",".join(str(p) for p in posts))

    def rule(self, path, count=1, prefix=False, **what):
        """The next count requests for path (-1: all) get, instead of the
        normal answer: status=N, html=1 (an HTML error page with 200),
        size=N (a generated body of N bytes), nolength=1 (no Content-Length),
        trickle="BYTES:MS", cut=N (connection closed after N body bytes),
        ignore_range=1 (200 with the whole file to a range request),
        range_from=N (206 with the tail from byte N whatever the range asked)."""
        what = {k: ("1" if v is True else v) for k, v in what.items()}
        self.control("rule", path=path, count=count, prefix="1" if prefix else "0", **what)

    def ranges(self, mode):
        """normal: every range honoured; http11: a range on an HTTP/1.0
        request is ignored (200, the whole file), as widely used servers do."""
        self.control("ranges", mode=mode)

    def clear_rules(self):
        self.control("clear-rules")

    def auth(self, user=None, password=""):
        self.control("auth", user=user, password=password)

    def ntp(self, offset=None, mode=None, then_good=None, bad_offset=None):
        self.control("ntp", offset=offset, mode=mode, bad_offset=bad_offset,
                     then_good=None if then_good is None else ("1" if then_good else "0"))

    def ntp_count(self):
        return int(self.control("ntp-count"))

    def mtime(self, path, when):
        """Sets a served file's modification date (seconds since 1970)."""
        return self.control("mtime", path=path, time=str(when))

    def feed(self, path, items, version="2.0", charset="utf-8", title=None):
        """Serves an RSS feed at path (see server.make_feed)."""
        params = dict(path=path, version=version, charset=charset)
        if title:
            params["title"] = title
        return self.control("feed", json.dumps(items).encode("utf-8"), **params)

    def reset(self):
        self.control("reset")

    def post_mode(self, confirm=None, form=None, error=None, head=None):
        """How /test/bbs.cgi answers: confirm cookie|always|never, form
        quoted|unquoted|reversed|escaped|notime, error TEXT, head long."""
        params = {k: v for k, v in (("confirm", confirm), ("form", form), ("head", head)) if v is not None}
        self.control("post", body=error.encode("cp932") if error else None, **params)

    # Request log -------------------------------------------------------------
    def requests(self):
        out = []
        for line in self.control("log").decode("utf-8").splitlines():
            f = line.split("\t")
            out.append(Request(f[0], f[1], f[2], None if f[3] == "-" else f[3], int(f[4]), int(f[5]), int(f[6]),
                               None if f[7] == "-" else f[7], f[8] == "1", f[9], f[10],
                               unescape_bytes(f[11]), unescape_bytes(f[12])))
        return out

    def clear_log(self):
        self.control("clear-log")

    def wait_requests(self, predicate, timeout=10.0):
        """Polls the log until predicate(requests) holds; returns the requests."""
        deadline = time.time() + timeout
        while True:
            reqs = self.requests()
            if predicate(reqs) or time.time() > deadline:
                return reqs
            time.sleep(0.05)
