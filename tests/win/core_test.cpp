// Settings file, event log and safe rewrites on real files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/eventlog.h"
#include "core/eventlog_win.h"
#include "core/file_win.h"
#include "core/settings.h"
#include "core/settings_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "tests/win/win_test_util.h"

using kvtest::ReadFileBytes;
using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

const char kProgram[] = "C:\\kvprog\\";

kv::Settings Defaults() {
  kv::Settings s;
  kv::SetSettingsDefaults(s, {kProgram, 1024, 768});
  return s;
}

// Loads a settings file made of the given lines after "[Setup]".
kv::Settings LoadLines(const TempFolder& dir, const std::string& lines) {
  std::string path = dir.file("Kvel32.ini");
  EXPECT_TRUE(WriteFileBytes(path, "[Setup]\r\n" + lines));
  kv::Settings s = Defaults();
  EXPECT_EQ(kv::LoadSettingsFile(s, path.c_str(), kProgram), 1);
  return s;
}

TEST(SettingsFile, EveryLoadRule) {
  TempFolder dir;
  struct Row {
    const char* line;
    bool (*check)(const kv::Settings&);
  } rows[] = {
      {"FontSize=1", [](const kv::Settings& s) { return s.FontSize == 8; }},
      {"FontSize=40", [](const kv::Settings& s) { return s.FontSize == 32; }},
      {"FontSize=32", [](const kv::Settings& s) { return s.FontSize == 32; }},
      {"SetFntTL=0", [](const kv::Settings& s) { return s.SetFntTL == 9; }},
      {"SetFntTL=1", [](const kv::Settings& s) { return s.SetFntTL == 9; }},
      {"TreeWide=3", [](const kv::Settings& s) { return s.TreeWide == 8; }},
      {"ListWide=-20", [](const kv::Settings& s) { return s.ListWide == 8; }},
      {"_ZipPack=1", [](const kv::Settings& s) { return s.ZipPack == 6; }},
      {"_ZipPack=12", [](const kv::Settings& s) { return s.ZipPack == 9; }},
      {"_ZipPack=-1", [](const kv::Settings& s) { return s.ZipPack == 9; }},
      {"_ZipPack=0", [](const kv::Settings& s) { return s.ZipPack == 0; }},
      {"ColorBak=0xffffff", [](const kv::Settings& s) { return s.ColorBak == 0xFFFFFF; }},
      {"ColorBak=16777215", [](const kv::Settings& s) { return s.ColorBak == 0xFFFFFF; }},
      {"ChFolder=log\\", [](const kv::Settings& s) { return strcmp(s.ChFolder, "C:\\kvprog\\log\\") == 0; }},
      {"ChFolder=", [](const kv::Settings& s) { return strcmp(s.ChFolder, "C:\\kvprog\\log\\") == 0; }},
      {"ChFolder=D:\\bbs\\", [](const kv::Settings& s) { return strcmp(s.ChFolder, "D:\\bbs\\") == 0; }},
      {"ChFolder=\\Storage\\kv\\", [](const kv::Settings& s) { return strcmp(s.ChFolder, "\\Storage\\kv\\") == 0; }},
      {"fontsize=12", [](const kv::Settings& s) { return s.FontSize == 9; }},
      {"; FontSize=12", [](const kv::Settings& s) { return s.FontSize == 9; }},
      {"#FontSize=12", [](const kv::Settings& s) { return s.FontSize == 9; }},
      {"FontSize=12abc", [](const kv::Settings& s) { return s.FontSize == 12; }},
      {"TreeSele=x", [](const kv::Settings& s) { return s.TreeSele == 0; }},
      {"TreeOpen=11111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111111",
       [](const kv::Settings& s) { return strlen(s.TreeOpen) == 128; }},
      {"PostHead=" "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789xyz",
       [](const kv::Settings& s) { return strlen(s.PostHead) == 199; }},
      {"FreeTWnd=5,6,240,300", [](const kv::Settings& s) {
         return s.FreeTWnd.left == 5 && s.FreeTWnd.top == 6 && s.FreeTWnd.width == 240 && s.FreeTWnd.height == 300;
       }},
      {"FontSize=12\r\nFontSize=14", [](const kv::Settings& s) { return s.FontSize == 14; }},
  };
  for (const Row& row : rows) {
    kv::Settings s = LoadLines(dir, std::string(row.line) + "\r\n");
    EXPECT_TRUE(row.check(s)) << row.line;
  }
}

TEST(SettingsFile, WindowRectIsClampedEvenWithoutKeys) {
  TempFolder dir;
  kv::Settings s = Defaults();
  s.WindowPt = {-50, -60, 100, 100};
  std::string path = dir.file("Kvel32.ini");
  ASSERT_TRUE(WriteFileBytes(path, "[Setup]"));
  ASSERT_EQ(kv::LoadSettingsFile(s, path.c_str(), kProgram), 1);
  EXPECT_EQ(s.WindowPt.left, 0);
  EXPECT_EQ(s.WindowPt.top, 0);
  EXPECT_EQ(s.WindowPt.width, 240);
  EXPECT_EQ(s.WindowPt.height, 240);
  // Nothing else changed.
  kv::Settings d = Defaults();
  EXPECT_EQ(s.FontSize, d.FontSize);
  EXPECT_STREQ(s.BoadAddr, d.BoadAddr);
}

TEST(SettingsFile, MissingFileKeepsDefaults) {
  TempFolder dir;
  kv::Settings s = Defaults();
  s.WindowPt = {-50, -60, 100, 100};
  EXPECT_EQ(kv::LoadSettingsFile(s, dir.file("none.ini").c_str(), kProgram), 0);
  EXPECT_EQ(s.WindowPt.left, -50);  // not even clamped
}

TEST(SettingsFile, RoundTripOfEveryKey) {
  TempFolder dir;
  std::string path = dir.file("Kvel32.ini");
  const std::string file =
      "[Setup]\r\nBoadAddr=http://127.0.0.1:8080/bbsmenu.html\r\nFontName=IPAゴシック\r\nFontSize=12\r\n"
      "SetFntTL=10\r\nChFolder=D:\\bbs\\\r\nUseCache=0\r\nProxyadr=127.0.0.1:3128\r\nProxylst=a:1,b:2\r\n"
      "ProxyIEs=1\r\nUserName=user\r\nPassWord=pass\r\nTreeSele=7\r\nViewType=3\r\nTreeWide=150\r\n"
      "ListWide=300\r\nListCol0=30\r\nListCol1=200\r\nListCol2=40\r\nListCol3=41\r\nWindowPt=10,20,640,400\r\n"
      "TabbHide=1\r\nAddrHide=1\r\nStatHide=1\r\nLRkeyPUD=1\r\nTreeType=1\r\nTreeAdd1=mine.htm\r\n"
      "TreeAdd2=mine2.htm\r\nTateYoko=100\r\nOBrowser=C:\\browser.exe\r\nTreeOpen=0101\r\nfOffLine=1\r\n"
      "fAACheck=2\r\nColorTxt=0x010203\r\nColorBak=0xffffff\r\nColorNew=0x0000fe\r\nColorNum=0x800001\r\n"
      "ColorNme=0x00c001\r\nColorNlk=0xc00001\r\nColorTim=0x000041\r\nFreeTWnd=1,2,240,300\r\nTabUnder=1\r\n"
      "NowTSort=242\r\nNgClearn=1\r\nHerfMode=1\r\nHpcAutoW=1\r\nClearTyp=1\r\nBordTopw=0\r\nCycleTim=15\r\n"
      "STPlayer=C:\\player.exe\r\nDlFolder=C:\\dl\\\r\nTListMax=10000\r\nNetAtchk=0\r\nNTPCheck=0\r\n"
      "NTP_Port=12345\r\nNTPSrver=127.0.0.1\r\nMultLine=1\r\nListColm=0\r\nPostHead=X-Test: 1\r\n"
      "PostData=a=b\r\n_ZipPack=6\r\n";
  ASSERT_TRUE(WriteFileBytes(path, file));
  kv::Settings s = Defaults();
  ASSERT_EQ(kv::LoadSettingsFile(s, path.c_str(), kProgram), 1);
  std::string out = dir.file("out.ini");
  ASSERT_EQ(kv::SaveSettingsFile(s, out.c_str(), kProgram), 1);
  // IPAゴシック is installed under Wine, so the font check keeps it.
  EXPECT_EQ(ReadFileBytes(out), file);
}

TEST(SettingsFile, LogFolderInsideProgramFolderIsSavedRelative) {
  TempFolder dir;
  kv::Settings s = Defaults();
  std::string out = dir.file("out.ini");
  ASSERT_EQ(kv::SaveSettingsFile(s, out.c_str(), kProgram), 1);
  EXPECT_NE(ReadFileBytes(out).find("\r\nChFolder=log\\\r\n"), std::string::npos);
  // ...and comes back absolute.
  kv::Settings t = Defaults();
  kv::CopyText(t.ChFolder, "elsewhere");
  ASSERT_EQ(kv::LoadSettingsFile(t, out.c_str(), kProgram), 1);
  EXPECT_STREQ(t.ChFolder, "C:\\kvprog\\log\\");
}

TEST(SettingsFile, FailedSaveLeavesOldFile) {
  TempFolder dir;
  std::string path = dir.file("Kvel32.ini");
  ASSERT_TRUE(WriteFileBytes(path, "[Setup]\r\nFontSize=12\r\n"));
  kv::SetFileFaultForTest(kv::FileFault::Write, 100);
  kv::Settings s = Defaults();
  EXPECT_EQ(kv::SaveSettingsFile(s, path.c_str(), kProgram), 0);
  kv::SetFileFaultForTest(kv::FileFault::None);
  EXPECT_EQ(ReadFileBytes(path), "[Setup]\r\nFontSize=12\r\n");
}

TEST(SettingsFile, UnreadableFileIsNeverRewritten) {
  // A read that fails half-way is no missing file: the user's settings are
  // there, and the defaults must not replace them at exit.
  TempFolder dir;
  std::string path = dir.file("Kvel32.ini");
  const std::string file = "[Setup]\r\nFontSize=12\r\nTateYoko=100\r\n";
  ASSERT_TRUE(WriteFileBytes(path, file));
  kv::Settings s = Defaults();
  kv::SetFileFaultForTest(kv::FileFault::Read, 10);
  EXPECT_EQ(kv::LoadSettingsFile(s, path.c_str(), kProgram), -1);
  kv::FileBuffer half;
  EXPECT_EQ(kv::ReadWholeFileAs(path.c_str(), 1, &half), kv::FileRead::Unreadable);
  EXPECT_FALSE(kv::ReadWholeFile(path.c_str(), 1, &half));
  kv::SetFileFaultForTest(kv::FileFault::None);
  EXPECT_EQ(kv::SaveSettingsFile(s, path.c_str(), kProgram), 0);
  EXPECT_EQ(ReadFileBytes(path), file);
  EXPECT_EQ(kv::ReadWholeFileAs(dir.file("none.ini").c_str(), 1, &half), kv::FileRead::Missing);
  EXPECT_EQ(kv::ReadWholeFileAs(dir.file("no\\folder.ini").c_str(), 1, &half), kv::FileRead::Missing);
  // Read whole the next time: written again as usual.
  ASSERT_EQ(kv::LoadSettingsFile(s, path.c_str(), kProgram), 1);
  EXPECT_EQ(kv::SaveSettingsFile(s, path.c_str(), kProgram), 1);
}

TEST(FontCheck, MissingFaceIsReplacedByAnInstalledJapaneseFace) {
  TempFolder dir;
  kvtest::UseEventLogIn(dir.path());
  char face[64] = "No Such Font";
  kv::CheckFontFace(face, sizeof face);
  // Under Wine only the IPA faces can draw Japanese.
  EXPECT_TRUE(strcmp(face, "IPAゴシック") == 0 || strcmp(face, "IPA Pゴシック") == 0) << face;
  std::string log = ReadFileBytes(dir.file("Kvel.log"));
  EXPECT_NE(log.find(" i FONT=" + std::string(face) + "\r\n"), std::string::npos);
  EXPECT_EQ(log.find("=@"), std::string::npos) << "vertical faces are never kept";
  char keep[64] = "IPA Pゴシック";
  kv::CheckFontFace(keep, sizeof keep);
  EXPECT_STREQ(keep, "IPA Pゴシック");
}

// --- event log -------------------------------------------------------------

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

TEST(EventLog, EntryFormsOnDisk) {
  TempFolder dir;
  kvtest::UseEventLogIn(dir.path());
  kv::WriteEventLogEmpty();
  kv::WriteEventLog('i', "StatusCode: %d", 206);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
  kv::WriteEventLog('d', "100% raw %s %d");  // percent signs of a raw dump are not conversions
#pragma GCC diagnostic pop
  std::string big(300, 'x');
  kv::WriteEventLog('i', "%s", big.c_str());
  std::vector<std::string> lines = Lines(ReadFileBytes(dir.file("Kvel.log")));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "");
  ASSERT_EQ(lines[1].size(), 22u + 15u);
  EXPECT_EQ(lines[1].substr(19), " i StatusCode: 206");
  EXPECT_EQ(lines[2], "");  // a raw dump starts on a line of its own
  EXPECT_EQ(lines[3], "100% raw %s %d");
  EXPECT_EQ(lines[4].size(), 22u + kv::kEventMessageMax) << "message cut to its buffer";
}

TEST(EventLog, RotatesAfterTheEntryThatPassesTheLimit) {
  TempFolder dir;
  kvtest::UseEventLogIn(dir.path());
  std::string filler(kv::kEventLogLimit - 30, 'a');
  ASSERT_TRUE(WriteFileBytes(dir.file("Kvel.log"), filler));
  ASSERT_TRUE(WriteFileBytes(dir.file("Kvel.bak"), "old generation"));
  kv::WriteEventLog('i', "%s", "first");  // 50000 - 30 + 28 bytes: still inside
  EXPECT_FALSE(ReadFileBytes(dir.file("Kvel.log")).empty());
  EXPECT_EQ(ReadFileBytes(dir.file("Kvel.bak")), "old generation");
  kv::WriteEventLog('i', "%s", "second passes the limit");
  std::string bak = ReadFileBytes(dir.file("Kvel.bak"));
  EXPECT_NE(bak.find("second passes the limit\r\n"), std::string::npos) << "the passing entry is kept";
  EXPECT_FALSE(kvtest::FileExists(dir.file("Kvel.log")));
  kv::WriteEventLog('i', "%s", "third");
  std::vector<std::string> fresh = Lines(ReadFileBytes(dir.file("Kvel.log")));
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_EQ(fresh[0].substr(19), " i third");
}

TEST(EventLog, TwentyThreadsLoseNothing) {
  TempFolder dir;
  kvtest::UseEventLogIn(dir.path());
  const int kThreads = 20, kEach = 50;
  std::vector<std::thread> threads;
  std::atomic<bool> go{false};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &go] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kEach; ++i) kv::WriteEventLog('i', "thread %02d entry %03d", t, i);
    });
  go = true;
  for (auto& th : threads) th.join();
  std::vector<std::string> lines = Lines(ReadFileBytes(dir.file("Kvel.log")));
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kEach));
  std::vector<int> seen(kThreads * kEach, 0);
  for (const std::string& l : lines) {
    int t = -1, i = -1;
    ASSERT_EQ(sscanf(l.c_str() + 22, "thread %d entry %d", &t, &i), 2) << l;
    ASSERT_EQ(l.size(), 22u + 19u) << "entry interleaved: " << l;
    ++seen[t * kEach + i];
  }
  for (int n : seen) EXPECT_EQ(n, 1);
}

// --- safe rewrites -----------------------------------------------------------

TEST(Rewrite, ReplacesInOneStepAndLeavesNoTemporaryFile) {
  TempFolder dir;
  std::string path = dir.file("list.txt");
  ASSERT_TRUE(WriteFileBytes(path, "old"));
  ASSERT_TRUE(kv::ReplaceFileContents(path.c_str(), "new contents", 12));
  EXPECT_EQ(ReadFileBytes(path), "new contents");
  WIN32_FIND_DATAA f;
  HANDLE h = FindFirstFileA((dir.path() + "*").c_str(), &f);
  int files = 0;
  do
    if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  while (FindNextFileA(h, &f));
  FindClose(h);
  EXPECT_EQ(files, 1);
}

TEST(Rewrite, FailuresLeaveTheOldFileIntact) {
  TempFolder dir;
  std::string path = dir.file("list.txt");
  ASSERT_TRUE(WriteFileBytes(path, "precious"));
  // Held open without sharing by someone else.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(kv::ReplaceFileContents(path.c_str(), "x", 1));
  CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(path), "precious");
  // The disk fails in the middle of the write.
  std::string big(200000, 'b');
  kv::SetFileFaultForTest(kv::FileFault::Write, 70000);
  EXPECT_FALSE(kv::ReplaceFileContents(path.c_str(), big.data(), big.size()));
  kv::SetFileFaultForTest(kv::FileFault::None);
  EXPECT_EQ(ReadFileBytes(path), "precious");
  // The folder is gone.
  EXPECT_FALSE(kv::ReplaceFileContents(dir.file("no\\such\\x.txt").c_str(), "x", 1));
}

TEST(Folders, CreationWalkMakesEveryLevel) {
  TempFolder dir;
  std::string deep = dir.path() + "a\\ソフト\\c\\";
  kv::CreateFolderPath(deep.c_str());
  EXPECT_TRUE(kvtest::FileExists(deep));
  std::string file = dir.path() + "x\\y\\name";
  kv::CreateFolderPath(file.c_str());
  EXPECT_TRUE(kvtest::FileExists(dir.path() + "x\\y"));
  EXPECT_FALSE(kvtest::FileExists(file)) << "the last component is not a folder";
}

TEST(DefaultBrowserLookup, ReadsTheOpenCommandsOfTheRegistry) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const char value[] = "\"C:\\Web Browser\\web.exe\" -nohome \"%1\"";
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
  RegCloseKey(key);
  char out[260] = "garbage";
  kv::DefaultBrowser(0, out, sizeof out);
  EXPECT_STREQ(out, "C:\\Web Browser\\web.exe");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command");
  kv::DefaultBrowser(0, out, sizeof out);
  EXPECT_STREQ(out, "") << "always set, empty when there is no handler";
}

}  // namespace
