// The thread-list pane in this process: the control asks for its cells and
// icons, header clicks and keys, a board's list loaded from the board server
// with the row states, and acquired.txt after a thread is opened and closed.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "boards/list_win.h"
#include "core/address.h"
#include "core/app.h"
#include "core/file_win.h"
#include "core/text.h"
#include "tests/win/board_server.h"
#include "tests/win/net_test_util.h"
#include "tests/win/win_test_util.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"

using kvtest::BoardServer;
using kvtest::ReadFileBytes;
using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

std::vector<int> g_commands;  // WM_COMMAND numbers the stand-in main window got

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_NOTIFY:
      return kv::ThreadListNotify(reinterpret_cast<NMHDR*>(l));
    case WM_DRAWITEM:
      kv::DrawThreadListRow(reinterpret_cast<const DRAWITEMSTRUCT*>(l));
      return TRUE;
    case WM_MEASUREITEM:
      kv::MeasureThreadListRow(reinterpret_cast<MEASUREITEMSTRUCT*>(l));
      return TRUE;
    case WM_COMMAND:
      g_commands.push_back(LOWORD(w));
      return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

template <typename F>
bool PumpUntil(F done, int timeoutMs = 20000) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    if (done()) return true;
    Sleep(10);
  }
  return done();
}

class ListPane : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoopbackSettings(folder_.path() + "log\\");
    kv::CopyText(kv::g_programFolder, folder_.path().c_str());
    kvtest::UseEventLogIn(folder_.path());
    kv::SetUpKeyTables(kv::g_keys, kv::g_settings);
    kv::g_settings.NowTSort = 0;
    kv::g_settings.ListColm = 1;
    static bool registered = false;
    if (!registered) {
      WNDCLASSA c = {};
      c.lpfnWndProc = HostProc;
      c.hInstance = GetModuleHandleA(nullptr);
      c.lpszClassName = "KvListHost";
      RegisterClassA(&c);
      registered = true;
    }
    host_ = CreateWindowA("KvListHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(host_);
    kv::g_mainWindow = host_;
    list_ = kv::CreateThreadListPane(host_);
    ASSERT_TRUE(list_);
    kv::g_panes.list = list_;
    MoveWindow(list_, 0, 0, 600, 400, TRUE);
    LONG_PTR style = GetWindowLongPtr(list_, GWL_STYLE);
    SetWindowLongPtr(list_, GWL_STYLE, style | LVS_OWNERDRAWFIXED);
    SetWindowPos(list_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    g_commands.clear();
  }
  void TearDown() override {
    DestroyWindow(host_);
    kv::g_mainWindow = nullptr;
    kv::g_panes.list = nullptr;
    kv::ThreadLists& l = kv::ThreadListTables();
    for (kv::ThreadTable* t : {l.display[0], l.display[1], l.acquired, l.lookup}) kv::ClearTable(*t);
    l.acquiredBoard[0] = 0;
    l.acquiredChanged = 0;
    l.current = l.display[l.shown];
  }

  std::string Cell(int row, int column) {
    char text[300] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  int Icon(int row) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -1;
    SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  int Rows() { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }
  int Selected() {
    return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  void Show(const std::string& text) {
    kv::ThreadLists& l = kv::ThreadListTables();
    l.current = l.display[l.shown];
    kv::ParseListBuffer(text.data(), text.size(), kv::ParseMode::Replace, 0, nullptr, list_);
  }
  void Bind(int key, int command) {
    for (auto& e : kv::g_keys.tables[kv::kKeysList])
      if (e.key == key) e.command = command;
  }
  void Key(WPARAM vk) {
    SendMessageA(list_, WM_KEYDOWN, vk, 0);
    SendMessageA(list_, WM_KEYUP, vk, 0);
  }
  // A local log of the thread, under the log folder.
  void LocalLog(const std::string& threadUrl, int posts) {
    char path[kv::kAddressMax];
    kv::CopyText(path, threadUrl.c_str());
    ASSERT_TRUE(kv::LocalPathOf(path, kv::g_settings.ChFolder));
    kv::CreateFolderPath(path);
    std::string log;
    for (int i = 0; i < posts; ++i) log += "n<>m<>d<>b<>t\n";
    ASSERT_TRUE(WriteFileBytes(path, log));
  }
  std::string AcquiredFile(const std::string& board) {
    char path[kv::kAddressMax];
    kv::CopyText(path, board.c_str());
    EXPECT_TRUE(kv::LocalPathOf(path, kv::g_settings.ChFolder));
    std::string p = path;
    return ReadFileBytes(p.substr(0, p.rfind('\\') + 1) + "acquired.txt");
  }

  TempFolder folder_;
  HWND host_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(ListPane, ControlAsksForCellsAndIcons) {
  kv::CopyText(kv::g_settings.currentBoardUrl, "http://h.example/b/subject.txt");
  Show("42.dat<>Abc (123)\nhttp://h.example/page.html<>Page (0)\n43.cgi,Def(45)\n");
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(Cell(0, 0), "  1");
  EXPECT_EQ(Cell(0, 1), "Abc");
  EXPECT_EQ(Cell(0, 2), " 123");
  EXPECT_EQ(Cell(0, 3), "");  // state 0: no local log, nothing new
  EXPECT_EQ(Cell(0, 4), "        42");
  EXPECT_EQ(Cell(1, 4), "http://h.example/page.html");
  EXPECT_EQ(Icon(0), 0);
  EXPECT_EQ(Icon(1), 1);  // a link row
  // Rows are drawn by the program without trouble for every row.
  UpdateWindow(list_);
  char header[64] = "";
  HWND h = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
  HDITEMA hd = {};
  hd.mask = HDI_TEXT;
  hd.pszText = header;
  hd.cchTextMax = sizeof header;
  SendMessageA(h, HDM_GETITEMA, 4, reinterpret_cast<LPARAM>(&hd));
  EXPECT_STREQ(header, "datﾌｧｲﾙ");
}

TEST_F(ListPane, HeaderClicksSort) {
  Show("1.dat<>b (5)\n2.dat<>a (50)\n3.dat<>c (7)\n");
  NMLISTVIEW click = {};
  click.hdr.hwndFrom = list_;
  click.hdr.idFrom = 40212;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 2;
  SendMessageA(host_, WM_NOTIFY, 40212, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Cell(0, 1), "a");  // count, descending on the first click
  EXPECT_EQ(Cell(2, 1), "b");
  SendMessageA(host_, WM_NOTIFY, 40212, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Cell(0, 1), "b");
  // The menu's sort commands act as clicks.
  kv::SortThreadList(1);
  EXPECT_EQ(Cell(0, 1), "c");
  // A real click on the header of "No": another column was clicked last,
  // so it sorts descending.
  EXPECT_EQ(Cell(1, 0), "  1");
  HWND h = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
  RECT r = {};
  SendMessageA(h, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(h, WM_LBUTTONUP, 0, at);
  PumpUntil([&] { return Cell(1, 0) == "  2"; }, 2000);
  EXPECT_EQ(Cell(0, 0), "  3");
  EXPECT_EQ(Cell(1, 0), "  2");
}

TEST_F(ListPane, NowTSortAfterLoad) {
  kv::g_settings.NowTSort = 242;
  Show("1.dat<>a (5)\n2.dat<>b (50)\n3.dat<>c (7)\n");
  EXPECT_EQ(Cell(0, 1), "b");
  EXPECT_EQ(Cell(1, 1), "c");
}

TEST_F(ListPane, KeysOfTheListTable) {
  std::string text;
  for (int i = 1; i <= 60; ++i) text += std::to_string(i) + ".dat<>T" + std::to_string(i) + " (1)\n";
  Show(text);
  Bind('C', 62);     // End
  Bind('V', 40027);  // update: the list asks for its list again
  Bind('Y', 61);     // Home
  Key('C');
  EXPECT_EQ(Selected(), 59);
  Key('Y');
  EXPECT_EQ(Selected(), 0);
  Key('V');
  Key('M');  // bound by default to the acquired list
  ASSERT_EQ(g_commands.size(), 2u);
  EXPECT_EQ(g_commands[0], 40006);
  EXPECT_EQ(g_commands[1], 40046);
  // Space pages down; left and right page when LRkeyPUD is on.
  Key(VK_SPACE);
  int paged = Selected();
  EXPECT_GT(paged, 1);
  kv::g_settings.LRkeyPUD = 1;
  Key(VK_RIGHT);
  EXPECT_GT(Selected(), paged);
  Key(VK_LEFT);
  EXPECT_EQ(Selected(), paged);
}

TEST_F(ListPane, OpeningARowRecordsItAndAcquiredFollowsTheClose) {
  const std::string board = "http://h.example/b/subject.txt";
  kv::CopyText(kv::g_settings.currentBoardUrl, board.c_str());
  Show("1136041200.dat<>Opened \x83\x58\x83\x8C (30)\n1136041300.dat<>Other (4)\n");
  kv::OpenThreadRow(0);
  EXPECT_STREQ(kv::g_settings.currentThreadUrl, "http://h.example/b/dat/1136041200.dat");
  EXPECT_STREQ(kv::g_settings.currentThreadTitle, "Opened \x83\x58\x83\x8C");
  ASSERT_TRUE(PumpUntil([] { return !g_commands.empty(); }, 2000));
  EXPECT_EQ(g_commands[0], 40008);
  EXPECT_EQ(AcquiredFile(board), "1136041200.dat<>Opened \x83\x58\x83\x8C (30)<>0\n");
  kv::RecordReadPosition("http://h.example/b/dat/1136041200.dat", "Opened", 12, 34);
  EXPECT_EQ(AcquiredFile(board), "1136041200.dat<>Opened \x83\x58\x83\x8C (34)<>12\n");
  EXPECT_EQ(kv::ReadPositionOf("http://h.example/b/dat/1136041200.dat"), 12);
  EXPECT_EQ(kv::ReadPositionOf("http://h.example/b/dat/1136041300.dat"), -1);
  char title[64];
  kv::ThreadTitleOf("http://h.example/b/dat/1136041200.dat", title, sizeof title);
  EXPECT_STREQ(title, "Opened \x83\x58\x83\x8C");
  // A close with one post stores nothing.
  kv::RecordReadPosition("http://h.example/b/dat/1136041200.dat", "Opened", 0, 1);
  EXPECT_EQ(AcquiredFile(board), "1136041200.dat<>Opened \x83\x58\x83\x8C (34)<>12\n");
}

TEST_F(ListPane, TitlesFromTheShownListAndBackIntoIt) {
  const std::string board = "http://h.example/b/subject.txt";
  kv::CopyText(kv::g_settings.currentBoardUrl, board.c_str());
  Show("1136041200.dat<>Shown title (30)\n1136041300.dat<>? (4)\n");
  char title[64];
  // Known from the list, though never read: no "?" and no lookup.
  kv::ThreadTitleOf("http://h.example/b/dat/1136041200.dat", title, sizeof title);
  EXPECT_STREQ(title, "Shown title");
  kv::ThreadTitleOf("http://h.example/b/dat/1136041300.dat", title, sizeof title);
  EXPECT_STREQ(title, "?");
  // A title looked up goes into the row that showed "?".
  kv::SetThreadTitle("http://h.example/b/dat/1136041300.dat", "Found");
  EXPECT_EQ(Cell(1, 1), "Found");
  kv::SetThreadTitle("http://h.example/b/dat/1136041200.dat", "Other");
  EXPECT_EQ(Cell(0, 1), "Shown title");
}

TEST_F(ListPane, UnreadableAcquiredListIsNeverWrittenOver) {
  const std::string board = "http://h.example/b/subject.txt";
  kv::CopyText(kv::g_settings.currentBoardUrl, board.c_str());
  LocalLog("http://h.example/b/dat/100.dat", 3);
  kv::RecordOpenedThreadUrl("http://h.example/b/dat/100.dat", "Hundred", 3);
  kv::RecordReadPosition("http://h.example/b/dat/100.dat", "Hundred", 2, 3);
  const std::string kept = AcquiredFile(board);
  ASSERT_EQ(kept, "100.dat<>Hundred (3)<>2\n");
  // The next load fails half-way: what was read is not the list.
  kv::ThreadListTables().acquiredBoard[0] = 0;
  kv::SetFileFaultForTest(kv::FileFault::Read, 4);
  kv::ShowAcquiredList(false);
  kv::SetFileFaultForTest(kv::FileFault::None);
  LocalLog("http://h.example/b/dat/200.dat", 5);
  kv::RecordOpenedThreadUrl("http://h.example/b/dat/200.dat", "Two hundred", 5);
  kv::SaveCurrentAcquiredList();
  EXPECT_EQ(AcquiredFile(board), kept);
  // Read whole again: written as usual.
  kv::ThreadListTables().acquiredBoard[0] = 0;
  kv::ShowAcquiredList(false);
  kv::RecordOpenedThreadUrl("http://h.example/b/dat/200.dat", "Two hundred", 5);
  EXPECT_NE(AcquiredFile(board).find("Two hundred (5)"), std::string::npos);
  EXPECT_NE(AcquiredFile(board).find("Hundred (3)<>2"), std::string::npos);
}

TEST_F(ListPane, AcquiredListShowsLocalLogs) {
  const std::string board = "http://h.example/b/subject.txt";
  kv::CopyText(kv::g_settings.currentBoardUrl, board.c_str());
  LocalLog("http://h.example/b/dat/100.dat", 3);
  LocalLog("http://h.example/b/dat/200.dat", 5);
  kv::RecordOpenedThreadUrl("http://h.example/b/dat/200.dat", "Two hundred", 5);
  // A fresh load reads the file again: the log without a line is Unknown.
  kv::ThreadListTables().acquiredBoard[0] = 0;
  kv::ShowAcquiredList(false);
  ASSERT_EQ(Rows(), 2);
  std::vector<std::string> titles = {Cell(0, 1), Cell(1, 1)};
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Unknown"), titles.end());
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Two hundred"), titles.end());
  EXPECT_EQ(Selected(), 0);
  // The all-acquired list links every row into its board.
  LocalLog("http://k.example/c/dat/300.dat", 2);
  kv::CopyText(kv::g_settings.currentBoardUrl, "http://k.example/c/subject.txt");
  kv::RecordOpenedThreadUrl("http://k.example/c/dat/300.dat", "Three", 2);
  kv::ShowAcquiredList(true);
  ASSERT_EQ(Rows(), 3);
  std::vector<std::string> links = {Cell(0, 4), Cell(1, 4), Cell(2, 4)};
  EXPECT_NE(std::find(links.begin(), links.end(), "http://k.example/c/dat/300.dat"), links.end());
  EXPECT_NE(std::find(links.begin(), links.end(), "http://h.example/b/dat/200.dat"), links.end());
}

TEST_F(ListPane, FavouritesFromTheFile) {
  WriteFileBytes(folder_.file("Favorite.htm"),
                 "<html><body><p>\r\n<a href=\"http://h.example/b/dat/5.dat\">Five</a><br><br>\r\n"
                 "<a href=http://h.example/b/dat/6.dat target=x>Six</a><br><br>\r\n</p></body></html>\r\n");
  kv::CopyText(kv::g_settings.currentBoardUrl, "http://h.example/b/subject.txt");
  LocalLog("http://h.example/b/dat/6.dat", 2);
  kv::ShowFavourites();
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 1), "Five");
  EXPECT_EQ(Cell(0, 2), "   0");
  EXPECT_EQ(Cell(1, 4), "http://h.example/b/dat/6.dat");
  EXPECT_EQ(Cell(1, 2), "   1");  // a local copy not in the acquired list
  EXPECT_EQ(Icon(1), 1);
}

TEST_F(ListPane, BoardListFromTheServerWithStates) {
  BoardServer server;
  ASSERT_TRUE(server.running());
  server.Board("/b/");
  server.Put("/b/subject.txt",
             "1000000001.dat<>Same (10)\n1000000002.dat<>Grown (8)\n1000000003.dat<>Old (3)\n"
             "1000000004.dat<>Brand new (1)\n");
  const std::string board = server.url("/b/subject.txt");
  const std::string folder = server.url("/b/dat/");
  kv::CopyText(kv::g_settings.currentBoardUrl, board.c_str());
  // Logs of 1 and 2, read to 10 and 5 posts; the stored list (the previous
  // one) knows 1-3.
  LocalLog(folder + "1000000001.dat", 10);
  LocalLog(folder + "1000000002.dat", 5);
  kv::RecordOpenedThreadUrl((folder + "1000000001.dat").c_str(), "Same", 10);
  kv::RecordOpenedThreadUrl((folder + "1000000002.dat").c_str(), "Grown", 5);
  char local[kv::kAddressMax];
  kv::CopyText(local, board.c_str());
  ASSERT_TRUE(kv::LocalPathOf(local, kv::g_settings.ChFolder));
  ASSERT_TRUE(WriteFileBytes(local, "1000000001.dat<>Same (10)\n1000000002.dat<>Grown (5)\n1000000003.dat<>Old (3)\n"));
  kv::LoadThreadList();
  EXPECT_EQ(Rows(), 3);  // the stored list at once
  ASSERT_TRUE(PumpUntil([&] { return Rows() == 4; }));
  ASSERT_TRUE(PumpUntil([&] { return Cell(3, 1) == "Brand new"; }));
  EXPECT_EQ(Icon(0), 1);
  EXPECT_EQ(Cell(0, 3), "   0");
  EXPECT_EQ(Icon(1), 2);
  EXPECT_EQ(Cell(1, 3), "   3");
  EXPECT_EQ(Icon(2), 0);
  EXPECT_EQ(Icon(3), 3);
  // The download was stored as the board's local copy.
  EXPECT_NE(ReadFileBytes(local).find("Brand new"), std::string::npos);
  // The thread view marks a thread it loaded.
  kv::MarkThreadLoaded((folder + "1000000003.dat").c_str());
  EXPECT_EQ(Icon(2), 1);
}

std::string HundredRows() {
  std::string text;
  for (int i = 1; i <= 100; ++i)
    text += std::to_string(1000000000 + i) + ".dat<>Thread number " + std::to_string(i) + " (5)\n";
  return text;
}

// Rows show while the index still arrives; the whole body replaces them at
// the end.
TEST_F(ListPane, RowsArriveDuringTheDownload) {
  BoardServer server;
  ASSERT_TRUE(server.running());
  server.Board("/s/");
  server.Put("/s/subject.txt", HundredRows());
  server.Rule("/s/subject.txt", "trickle=100:100");  // about 4 s
  kv::CopyText(kv::g_settings.currentBoardUrl, server.url("/s/subject.txt").c_str());
  kv::LoadThreadList();
  EXPECT_EQ(Rows(), 0);  // nothing stored yet
  ASSERT_TRUE(PumpUntil([&] { return Rows() > 0; }));
  EXPECT_LT(Rows(), 100);
  ASSERT_TRUE(PumpUntil([&] { return Rows() == 100; }));
  EXPECT_EQ(Cell(99, 1), "Thread number 100");
  // The progress window showed while it came and is gone with the end.
  EXPECT_TRUE(PumpUntil([] { return FindWindowA("KVEL_LISTLOAD", nullptr) == nullptr; }));
}

TEST_F(ListPane, FavouritesShownWhileABoardListComesStopIt) {
  BoardServer server;
  ASSERT_TRUE(server.running());
  server.Board("/s/");
  server.Put("/s/subject.txt", HundredRows());
  server.Rule("/s/subject.txt", "trickle=100:100");  // about 4 s
  WriteFileBytes(folder_.file("Favorite.htm"),
                 "<html><body><p>\r\n<a href=\"http://h.example/b/dat/5.dat\">Five</a><br><br>\r\n</p></body></html>\r\n");
  kv::CopyText(kv::g_settings.currentBoardUrl, server.url("/s/subject.txt").c_str());
  kv::LoadThreadList();
  ASSERT_TRUE(PumpUntil([&] { return Rows() > 0; }));
  kv::ShowFavourites();
  ASSERT_EQ(Rows(), 1);
  // Long enough for the whole list to have come: the favourites stay alone.
  PumpUntil([] { return false; }, 5000);
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(Cell(0, 1), "Five");
}

std::string ProgressText() {
  HWND w = FindWindowA("KVEL_LISTLOAD", nullptr);
  HWND text = w ? FindWindowExA(w, nullptr, "STATIC", nullptr) : nullptr;
  char buf[200] = "";
  if (text) GetWindowTextA(text, buf, sizeof buf);
  return buf;
}

// A slow download shows its progress over the list; cancelling it stops the
// download and keeps the rows received so far.
TEST_F(ListPane, ProgressWindowAndCancel) {
  BoardServer server;
  ASSERT_TRUE(server.running());
  server.Board("/s/");
  server.Put("/s/subject.txt", HundredRows());
  server.Rule("/s/subject.txt", "trickle=100:150");
  kv::CopyText(kv::g_settings.currentBoardUrl, server.url("/s/subject.txt").c_str());
  kv::LoadThreadList();
  ASSERT_TRUE(PumpUntil([] { return ProgressText().rfind("一覧取得: ", 0) == 0; }));
  HWND progress = FindWindowA("KVEL_LISTLOAD", nullptr);
  EXPECT_NE(GetFocus(), progress);  // the panes keep the focus
  ASSERT_TRUE(PumpUntil([&] { return Rows() > 0; }));
  SendMessageA(progress, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindow(progress));
  PumpUntil([] { return false; }, 2500);  // past the record's one-second timer
  int32_t rows = Rows();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 100);
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(Rows(), rows);  // nothing more arrives
  EXPECT_EQ(FindWindowA("KVEL_LISTLOAD", nullptr), nullptr);
}

TEST_F(ListPane, SizeLimitStopsTheDownload) {
  kvtest::EventCapture events;
  BoardServer server;
  ASSERT_TRUE(server.running());
  server.Board("/s/");
  server.Put("/s/subject.txt", HundredRows());
  server.Rule("/s/subject.txt", "trickle=200:100");
  kv::g_settings.TListMax = 1200;
  kv::CopyText(kv::g_settings.currentBoardUrl, server.url("/s/subject.txt").c_str());
  kv::LoadThreadList();
  ASSERT_TRUE(PumpUntil([&] { return events.Has("ｽﾚ一覧ｻｲｽﾞ指定により中断"); }));
  PumpUntil([] { return false; }, 4000);  // the job's end changes nothing
  EXPECT_GT(Rows(), 0);
  EXPECT_LT(Rows(), 100);
}

TEST_F(ListPane, RowColoursAndTitleUrlText) {
  kv::CopyText(kv::g_settings.currentBoardUrl, "http://h.example/b/subject.txt");
  Show("1.dat<>a,b,c (1)\n2.dat<>two (2)\n3.dat<>three (3)\n");
  kv::g_settings.listColors[1] = 0x0000FF;    // even rows on red
  kv::g_settings.listColors[3] = 0xFFFFFFFF;  // odd rows: the list's own background
  kv::g_settings.listColors[5] = 0x00FF00;    // the selected row on green
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 700, 100);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  auto Background = [&](int row, UINT state) {
    DRAWITEMSTRUCT d = {};
    d.CtlType = ODT_LISTVIEW;
    d.CtlID = 40212;
    d.itemID = row;
    d.itemState = state;
    d.hwndItem = list_;
    d.hDC = dc;
    d.rcItem.left = LVIR_BOUNDS;
    SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&d.rcItem));
    OffsetRect(&d.rcItem, 0, -d.rcItem.top);
    kv::DrawThreadListRow(&d);
    return GetPixel(dc, d.rcItem.right - 2, 0);
  };
  EXPECT_EQ(Background(0, 0), RGB(255, 0, 0));
  COLORREF listBack = static_cast<COLORREF>(SendMessageA(list_, LVM_GETTEXTBKCOLOR, 0, 0));
  EXPECT_EQ(Background(1, 0), (listBack & 0xFF000000) ? GetSysColor(COLOR_WINDOW) : listBack);
  SendMessageA(list_, LVM_SETTEXTBKCOLOR, 0, RGB(1, 2, 3));
  EXPECT_EQ(Background(1, 0), RGB(1, 2, 3));
  EXPECT_EQ(Background(2, ODS_SELECTED), RGB(0, 255, 0));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);

  char text[300];
  ASSERT_TRUE(kv::TitleUrlTextOf(0, text, sizeof text));
  EXPECT_STREQ(text, "http://h.example/b/dat/1.dat\r\na.b.c\r\n");
}

TEST_F(ListPane, TitleLookupInAnIndex) {
  std::string index = "5.dat<>Five (1)\n6.dat<>Six &amp; more (2)\n";
  char title[64];
  EXPECT_TRUE(kv::TitleInIndex(index.data(), index.size(), 6, title, sizeof title));
  EXPECT_STREQ(title, "Six & more");
  EXPECT_FALSE(kv::TitleInIndex(index.data(), index.size(), 7, title, sizeof title));
}

}  // namespace
