"""Start-up, single instance, settings file and event log of the real program."""
import re

import kvtest

SETTINGS_KEYS = [
    ("BoadAddr", "http://menu.5ch.net/bbsmenu.html"), ("FontName", None), ("FontSize", "9"),
    ("SetFntTL", "9"), ("ChFolder", "log\\"), ("UseCache", "1"), ("Proxyadr", ""), ("Proxylst", ""),
    ("ProxyIEs", "0"), ("UserName", ""), ("PassWord", ""), ("TreeSele", "0"), ("ViewType", "0"),
    ("TreeWide", "120"), ("ListWide", "320"), ("ListCol0", "0"), ("ListCol1", "0"), ("ListCol2", "0"),
    ("ListCol3", "0"), ("WindowPt", "0,0,800,480"), ("TabbHide", "0"), ("AddrHide", "0"), ("StatHide", "0"),
    ("LRkeyPUD", "0"), ("TreeType", "0"), ("TreeAdd1", "TreeList.htm"), ("TreeAdd2", "TreeList2.htm"),
    ("TateYoko", "0"), ("OBrowser", ""), ("TreeOpen", "0" * 150), ("fOffLine", "0"), ("fAACheck", "1"),
    ("ColorTxt", "0x000000"), ("ColorBak", "0xf0f0f0"), ("ColorNew", "0x0000ff"), ("ColorNum", "0x800000"),
    ("ColorNme", "0x00c000"), ("ColorNlk", "0xc00000"), ("ColorTim", "0x000040"), ("FreeTWnd", "0,0,0,0"),
    ("TabUnder", "0"), ("NowTSort", "0"), ("NgClearn", "0"), ("HerfMode", "0"), ("HpcAutoW", "0"),
    ("ClearTyp", "0"), ("BordTopw", "1"), ("CycleTim", "0"), ("STPlayer", "\\Program Files\\TCPMP\\Player.exe"),
    ("DlFolder", "\\"), ("TListMax", "0"), ("NetAtchk", "1"), ("NTPCheck", "1"), ("NTP_Port", "123"),
    ("NTPSrver", "ntp.nict.jp"), ("MultLine", "0"), ("ListColm", "1"), ("PostHead", "Cookie: hana=tobiku"),
    ("PostData", ""), ("_ZipPack", "0"),
]

# Loopback only: no test may name a public host in what the program uses.
SAFE = "[Setup]\r\nNTPCheck=0\r\nBoadAddr=http://127.0.0.1:9/bbsmenu.html\r\n"


# The thread list writes back the column widths it made from the defaults:
# "No" 45, the title ListWide (320) - 110, the two counts 40.
LIST_COLUMNS = {"ListCol0": "45", "ListCol1": "210", "ListCol2": "40", "ListCol3": "40"}


def defaults_text(font, overrides=None):
    overrides = dict(LIST_COLUMNS, **(overrides or {}))
    lines = ["[Setup]"]
    for key, value in SETTINGS_KEYS:
        if key in overrides:
            value = overrides[key]
        lines.append("%s=%s" % (key, font if key == "FontName" else value))
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def log_entries(data):
    return data.decode("cp932").split("\r\n")


class StartupTest(kvtest.ProgramTest):
    def test_first_start_opens_default_window_and_writes_default_settings(self):
        p = self.program()
        p.start()
        self.assertEqual(p.rect(), (0, 0, 800, 480))
        p.screenshot("startup-desktop")
        self.assertEqual(p.close(), 0)

        log = log_entries(p.read("Kvel.log"))
        fonts = [e for e in log if re.match(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d i FONT\d+=", e)]
        self.assertTrue(fonts, "no font entries in %r" % log)
        chosen = [e.split("FONT=", 1)[1] for e in log if " i FONT=" in e]
        self.assertEqual(len(chosen), 1)
        ua = [i for i, e in enumerate(log) if re.match(r"^\d{4}-.* @ Monazilla/1\.00 \(Kurovel/0\.48\)$", e)]
        self.assertEqual(len(ua), 1)
        self.assertEqual(log[ua[0] - 1], "", "the session starts with an empty entry")
        self.assertTrue(log[-1] == "" and log[-2] == "", "the session ends with an empty entry")

        # Every default, in the file's key order, with the face the font check chose.
        self.assertEqual(p.read("Kvel32.ini"), defaults_text(chosen[0]))
        self.assertTrue(p.exists("log"), "the log folder is created at start")

    def test_second_start_leaves_one_window(self):
        p = self.program(files={"Kvel32.ini": SAFE})
        p.start()
        second = p.start_another()
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertEqual(p.count("KVEL"), 1)
        self.assertEqual(p.close(), 0)

    def test_window_closed_off_screen_keeps_saved_position(self):
        p = self.program(files={"Kvel32.ini": SAFE + "WindowPt=10,20,640,400\r\n"})
        p.start()
        self.assertEqual(p.rect(), (10, 20, 640, 400))
        self.assertEqual(p.call("move %d -100 50 640 400" % p.window), "ok")
        p.close()
        self.assertIn(b"WindowPt=10,20,640,400\r\n", p.read("Kvel32.ini"))

        # A window moved to a sane place is remembered, with the size floors.
        p.start()
        self.assertEqual(p.call("move %d 30 40 200 150" % p.window), "ok")
        p.close()
        self.assertIn(b"WindowPt=30,40,240,200\r\n", p.read("Kvel32.ini"))

    def test_settings_changed_outside_survive_a_run(self):
        p = self.program(files={"Kvel32.ini": SAFE + "FontSize=40\r\nTreeWide=3\r\nChFolder=D:\\bbs\\\r\n"})
        p.start()
        p.close()
        ini = p.read("Kvel32.ini")
        self.assertIn(b"FontSize=32\r\n", ini)
        self.assertIn(b"TreeWide=8\r\n", ini)
        self.assertIn(b"ChFolder=D:\\bbs\\\r\n", ini)
        self.assertIn(b"NTPCheck=0\r\n", ini)


    def test_key_file_colours_are_saved_into_the_settings(self):
        p = self.program(files={"Kvel32.ini": SAFE, "Kvel.key": "[DATA_COLOR]\r\nBak=0x000000\r\nUdl=0x123456\r\n"})
        p.start()
        p.close()
        ini = p.read("Kvel32.ini")
        self.assertIn(b"ColorBak=0x000000\r\n", ini)
        self.assertNotIn(b"0x123456", ini, "the line colour is not a setting")


class HandheldStartupTest(kvtest.ProgramTest):
    def test_small_screen_uses_two_list_tree_and_own_settings_file(self):
        p = self.program(exe="Kvel.exe", files={"Kvel.ini": SAFE}, desktop=("kvhh240", 240, 320))
        p.start()
        self.assertEqual(p.screen(), (240, 320))
        p.screenshot("startup-handheld-240x320")
        self.assertEqual(p.close(), 0)
        ini = p.read("Kvel.ini")
        self.assertIn(b"TreeType=1\r\n", ini)
        self.assertTrue(ini.startswith(b"[Setup]\r\nBoadAddr=http://127.0.0.1:9/bbsmenu.html\r\n"))
        self.assertFalse(p.exists("Kvel32.ini"))
        self.assertIn(b"@ Monazilla/1.00 (Kurovel/0.48)", p.read("Kvel.log"))

    def test_handheld_first_start_matches_the_defaults(self):
        p = self.program(exe="Kvel.exe", desktop=("kvhh240b", 240, 320))
        p.start()
        p.close()
        log = log_entries(p.read("Kvel.log"))
        chosen = [e.split("FONT=", 1)[1] for e in log if " i FONT=" in e][0]
        # The window did not fit the small screen, so the default position stays.
        self.assertEqual(p.read("Kvel.ini"), defaults_text(chosen, {"TreeType": "1"}))


if __name__ == "__main__":
    kvtest.main()
