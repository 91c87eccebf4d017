"""End-to-end harness: runs the real reader under Wine and a virtual display.

A test prepares a fresh program folder (the built .exe plus whatever files the
case needs), starts the program, drives it from outside through kvdrive.exe
(a Win32 helper that finds windows and posts commands and keys), takes
screenshots, closes it and then checks the files it left behind.

Everything polls with a deadline; nothing sleeps blindly.
"""
import os
import queue
import shutil
import subprocess
import threading
import time
import unittest

SOURCE_DIR = os.environ.get("KV_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD_DIR = os.environ.get("KV_BUILD_DIR") or os.path.join(SOURCE_DIR, "build", "win")
ARTEFACTS = os.path.join(BUILD_DIR, "e2e-artefacts")

WM_COMMAND = 0x0111
WM_CLOSE = 0x0010


def wine_env(handheld=False):
    """Desktop runs use build/wine; runs in a small virtual desktop use their own
    prefix, because a Wine virtual desktop changes the screen size seen by
    every program of its wine server."""
    env = dict(os.environ)
    env["WINEPREFIX"] = os.path.join(SOURCE_DIR, "build", "wine-hh" if handheld else "wine")
    env["WINEDEBUG"] = env.get("WINEDEBUG", "-all")
    env["WINEDLLOVERRIDES"] = env.get("WINEDLLOVERRIDES", "mscoree=;mshtml=")
    env["LANG"] = env["LC_ALL"] = "ja_JP.UTF-8"
    return env


class Display:
    """The X display the tests run on: $DISPLAY, or a private Xvfb."""

    _proc = None

    @classmethod
    def ensure(cls):
        if os.environ.get("DISPLAY"):
            return os.environ["DISPLAY"]
        r, w = os.pipe()
        cls._proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(r)
        os.environ["DISPLAY"] = ":" + number.decode().strip()
        return os.environ["DISPLAY"]

    @classmethod
    def stop(cls):
        if cls._proc:
            cls._proc.terminate()
            cls._proc.wait()
            cls._proc = None


def board_server(**options):
    """Starts the local board server (tools/boardserver) on free ports of
    127.0.0.1; use it as a context manager or call stop(). Options: data,
    ntp_port, auth ("user:password"), menu_host, demo."""
    import sys
    folder = os.path.join(SOURCE_DIR, "tools", "boardserver")
    if folder not in sys.path:
        sys.path.insert(0, folder)
    from boardserver import BoardServer
    return BoardServer.start(**options)


def png_pixel(path, x, y):
    """The colour at x, y of a screenshot as 0xBBGGRR (the program's own order)."""
    rgb = subprocess.run(["convert", path, "-format", "%%[hex:p{%d,%d}]" % (x, y), "info:"], check=True,
                         capture_output=True, text=True).stdout.strip()[:6]
    r, g, b = int(rgb[0:2], 16), int(rgb[2:4], 16), int(rgb[4:6], 16)
    return (b << 16) | (g << 8) | r


def wait_until(predicate, timeout=30.0, step=0.05, what="condition"):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    raise AssertionError("timed out waiting for " + what)


class Driver:
    """One kvdrive.exe process; call() sends a command line and returns the answer."""

    def __init__(self, desktop=None):
        exe = os.path.join(BUILD_DIR, "tests", "kvdrive.exe")
        self.proc = subprocess.Popen(["wine", exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, env=wine_env(bool(desktop)))
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()
        if desktop:
            assert self.call("desktop " + desktop) == "ok", "no desktop " + desktop

    def _pump(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("latin-1").rstrip("\r\n"))
        self.lines.put(None)

    def call(self, line, timeout=30.0):
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()
        answer = self.lines.get(timeout=timeout)
        if answer is None:
            raise RuntimeError("kvdrive ended")
        return answer

    def close(self):
        try:
            self.proc.stdin.write(b"quit\n")
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.proc.stdout.close()


class Program:
    """A program folder with one program in it, started and driven under Wine."""

    def __init__(self, name, exe="Kvel32.exe", files=None, desktop=None):
        self.exe = exe
        self.folder = os.path.join(BUILD_DIR, "e2e-work", name)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        shutil.copy(os.path.join(BUILD_DIR, "bin", exe), self.folder)
        for rel, data in (files or {}).items():
            self.write(rel, data)
        self.desktop = desktop  # (name, width, height) for a Wine virtual desktop
        self.proc = None
        self.driver = None
        self.window = None

    # Files -------------------------------------------------------------
    def path(self, rel):
        return os.path.join(self.folder, *rel.replace("\\", "/").split("/"))

    def write(self, rel, data):
        if isinstance(data, str):
            data = data.encode("cp932")
        p = self.path(rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(data)

    def read(self, rel):
        with open(self.path(rel), "rb") as f:
            return f.read()

    def exists(self, rel):
        return os.path.exists(self.path(rel))

    # Process -----------------------------------------------------------
    def start(self, wait_window=True):
        Display.ensure()
        command = ["wine"]
        if self.desktop:
            name, w, h = self.desktop
            command += ["explorer", "/desktop=%s,%dx%d" % (name, w, h)]
        command.append(self.exe)
        if getattr(self, "log", None):
            self.log.close()
        self.log = open(self.folder + ".wine.log", "ab")
        self.proc = subprocess.Popen(command, cwd=self.folder, env=wine_env(bool(self.desktop)), stdout=self.log,
                                     stderr=self.log)
        if self.driver is None:
            self.driver = Driver(self.desktop[0] if self.desktop else None)
        if wait_window:
            self.window = self.wait_window("KVEL")
            # In a virtual desktop the wine process we started is the desktop's
            # explorer, which outlives the program: watch the program itself.
            assert self.call("watch %d" % self.window).startswith("ok")
        return self

    def start_another(self):
        """Starts a second copy in the same folder; returns its process."""
        command = ["wine"]
        if self.desktop:
            name, w, h = self.desktop
            command += ["explorer", "/desktop=%s,%dx%d" % (name, w, h)]
        command.append(self.exe)
        return subprocess.Popen(command, cwd=self.folder, env=wine_env(bool(self.desktop)),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_window(self, cls, timeout=20.0):
        answer = self.driver.call("wait %s %d" % (cls, int(timeout * 1000)), timeout=timeout + 10)
        if not answer.startswith("ok "):
            raise AssertionError("no window of class %s" % cls)
        return int(answer.split()[1])

    def call(self, line, timeout=30.0):
        return self.driver.call(line, timeout)

    def command(self, number, window=None):
        self.call("cmd %d %d" % (window or self.window, number))

    def send_command(self, number, window=None):
        """Carries out a command before returning (a posted one may still be
        queued when the next step runs); not for commands that open a modal
        dialog."""
        return self.call("send %d %d %d 0" % (window or self.window, WM_COMMAND, number))

    def key(self, vk, window=None):
        self.call("key %d %d" % (window or self.window, vk))

    def rect(self, window=None):
        l, t, r, b = map(int, self.call("rect %d" % (window or self.window)).split())
        return l, t, r - l, b - t

    def count(self, cls):
        return int(self.call("count " + cls))

    def screen(self):
        return tuple(map(int, self.call("screen").split()))

    def close(self, timeout=20.0):
        """Posts WM_CLOSE and waits for the program to end."""
        self.call("close %d" % self.window)
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=20.0):
        answer = self.call("exited %d" % int(timeout * 1000), timeout=timeout + 10)
        if answer == "timeout":
            raise AssertionError("program did not exit")
        if not self.desktop:
            self.proc.wait(timeout=10)
        return int(answer)

    def screenshot(self, name):
        # Let the program finish painting: wait until it waits for input.
        if self.window:
            self.call("idle 5000", timeout=20)
            self.call("send %d %d 0 0" % (self.window, 0))  # a round trip through its message loop
        os.makedirs(ARTEFACTS, exist_ok=True)
        out = os.path.join(ARTEFACTS, name + ".png")
        subprocess.run(["import", "-window", "root", "-display", os.environ["DISPLAY"], out], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return out

    def stop(self):
        if self.driver and self.window:
            try:
                self.driver.call("kill", timeout=15)
            except (RuntimeError, OSError, queue.Empty):
                pass
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.driver:
            self.driver.close()
            self.driver = None
        if getattr(self, "log", None):
            self.log.close()
            self.log = None


class ProgramTest(unittest.TestCase):
    """Base class: programs made with self.program() are stopped after the test."""

    def setUp(self):
        Display.ensure()
        self._programs = []

    def tearDown(self):
        for p in self._programs:
            p.stop()

    def program(self, name=None, **kw):
        p = Program(name or self.id().split(".")[-1], **kw)
        self._programs.append(p)
        return p


def main():
    try:
        unittest.main(verbosity=2)
    finally:
        Display.stop()
