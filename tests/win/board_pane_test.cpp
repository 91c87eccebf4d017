// The board pane in-process: the rows and icons the list view asks for,
// categories toggled by keys and clicks, TreeSele and TreeOpen following,
// both display styles, choosing a board and acquired.htm, and the update
// dialog against the local board server.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "boards/tree_win.h"
#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/file_win.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/win/board_server.h"
#include "tests/win/net_test_util.h"
#include "tests/win/win_test_util.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/resource.h"

using kvtest::BoardServer;
using kvtest::ReadFileBytes;
using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

std::vector<int> g_commands;

LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_NOTIFY) return kv::BoardPaneNotify(reinterpret_cast<NMHDR*>(lp));
  if (m == WM_COMMAND) {
    g_commands.push_back(LOWORD(wp));
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

const char kUserFile[] =
    "<HTML><BODY>\r\n<B>Mine</B><BR>\r\n"
    "<A HREF=\"http://one.example.test/a/\">Alpha</A><br>\r\n"
    "<A HREF=\"http://one.example.test/b/\">Beta</A><br>\r\n"
    "<B>Closed</B><BR>\r\n<A HREF=\"http://one.example.test/c/\">Gamma</A><br>\r\n"
    "<B>Nothing</B><BR>\r\n</BODY></HTML>\r\n";
const char kMenu[] = "<B>Menu</B><BR>\r\n<A HREF=http://two.example.test/news/index.html>News</A><br>\r\n";

class BoardPane : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = kv::g_settings;
    memcpy(savedFolder_, kv::g_programFolder, sizeof savedFolder_);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    kvtest::LoopbackSettings(dir_.path() + "log\\");
    kv::CopyText(kv::g_programFolder, dir_.path().c_str());
    kvtest::UseEventLogIn(dir_.path());
    kv::SetUpKeyTables(kv::g_keys, kv::g_settings);
    kv::CopyText(kv::g_settings.BoadAddr, "http://menu.example.test/bbsmenu.html");
    kv::CopyText(kv::g_settings.TreeOpen, "30");
    kv::g_settings.TreeSele = 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KvBoardPaneTest";
    RegisterClassA(&wc);
    parent_ = CreateWindowA("KvBoardPaneTest", "t", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr,
                            wc.hInstance, nullptr);
    kv::g_mainWindow = parent_;
    g_commands.clear();
  }
  void TearDown() override {
    if (tree_) DestroyWindow(tree_);
    if (tree2_) DestroyWindow(tree2_);
    DestroyWindow(parent_);
    kv::g_mainWindow = nullptr;
    memset(&kv::g_panes, 0, sizeof kv::g_panes);
    kv::g_settings = saved_;
    memcpy(kv::g_programFolder, savedFolder_, sizeof savedFolder_);
  }
  void WriteMenuCopy(const std::string& data) {
    char path[kv::kAddressMax];
    kv::CopyText(path, kv::g_settings.BoadAddr);
    ASSERT_TRUE(kv::LocalPathOf(path, kv::g_settings.ChFolder));
    std::string p = path;
    CreateDirectoryA(kv::g_settings.ChFolder, nullptr);
    CreateDirectoryA(p.substr(0, p.rfind('\\') + 1).c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(p, data));
  }
  void Open(bool withMenu = true) {
    ASSERT_TRUE(WriteFileBytes(dir_.file("TreeList.htm"), kUserFile));
    if (withMenu) WriteMenuCopy(kMenu);
    tree_ = kv::CreateBoardTreePane(parent_, 0);
    tree2_ = kv::CreateBoardTreePane(parent_, 1);
    ASSERT_NE(tree_, nullptr);
    kv::g_panes.tree = tree_;
    kv::g_panes.tree2 = tree2_;
    MoveWindow(tree_, 0, 0, 200, 300, TRUE);
    if (tree2_) MoveWindow(tree2_, 200, 0, 200, 300, TRUE);
    kv::FillBoardTree();
    kv::SelectBoardTreeRow();
  }
  static int Count(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
  // Text and icon as the control gets them (LVN_GETDISPINFO to the parent).
  static std::string Text(HWND list, int row) {
    char buf[300] = "";
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buf;
  }
  static int Icon(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  static std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> rows;
    for (int r = 0; r < Count(list); ++r) rows.push_back(Text(list, r));
    return rows;
  }
  static int Selected(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  static void Key(HWND list, int vk) {
    SendMessageA(list, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    SendMessageA(list, WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
    Pump();
  }
  static void Notify(HWND list, UINT code, int row) {
    NMITEMACTIVATE a = {};
    a.hdr.hwndFrom = list;
    a.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    a.hdr.code = code;
    a.iItem = row;
    kv::BoardPaneNotify(&a.hdr);
    Pump();
  }
  bool Posted(int command) const {
    for (int c : g_commands)
      if (c == command) return true;
    return false;
  }

  TempFolder dir_;
  kv::Settings saved_;
  char savedFolder_[260];
  HWND parent_ = nullptr, tree_ = nullptr, tree2_ = nullptr;
};

using Rowset = std::vector<std::string>;

TEST_F(BoardPane, RowsAndIconsComeFromTheTree) {
  Open();
  // "3" opens the first user category, "0" of the second becomes "2"
  // (collapsed); the menu's category is closed.
  EXPECT_EQ(Rows(tree_), (Rowset{"Mine", "Alpha", "Beta", "Closed", "Nothing", "Menu"}));
  EXPECT_EQ(Icon(tree_, 0), kv::kKindCategory);
  EXPECT_EQ(Icon(tree_, 1), kv::kKindBoard);
  EXPECT_EQ(Icon(tree_, 4), kv::kKindEmptyCategory);
  EXPECT_STREQ(kv::g_settings.TreeOpen, "322");
  EXPECT_EQ(kv::g_settings.treeCategoryCount, 3);
  EXPECT_EQ(tree2_, nullptr);
  EXPECT_EQ(Selected(tree_), 0);
  // The column fills the pane but for the scroll bar and the edges.
  int width = static_cast<int>(SendMessageA(tree_, LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_EQ(width, 200 - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE));
}

TEST_F(BoardPane, KeysAndClicksToggleCategories) {
  Open();
  // Down to "Closed", Right opens it, TreeSele and TreeOpen follow.
  Key(tree_, VK_DOWN);
  Key(tree_, VK_DOWN);
  Key(tree_, VK_DOWN);
  EXPECT_EQ(Selected(tree_), 3);
  EXPECT_EQ(kv::g_settings.TreeSele, 3);
  Key(tree_, VK_RIGHT);
  EXPECT_EQ(Rows(tree_), (Rowset{"Mine", "Alpha", "Beta", "Closed", "Gamma", "Nothing", "Menu"}));
  EXPECT_STREQ(kv::g_settings.TreeOpen, "332");
  // Left on a board closes the category above it and selects the category.
  Key(tree_, VK_DOWN);
  EXPECT_EQ(kv::g_settings.TreeSele, 4);
  Key(tree_, VK_LEFT);
  EXPECT_EQ(Count(tree_), 6);
  EXPECT_EQ(Selected(tree_), 3);
  EXPECT_STREQ(kv::g_settings.TreeOpen, "322");
  // Enter toggles; a later category writes "0"/"1".
  Key(tree_, VK_END);
  EXPECT_EQ(Selected(tree_), 5);
  Key(tree_, VK_RETURN);
  EXPECT_EQ(Rows(tree_).back(), "News");
  EXPECT_STREQ(kv::g_settings.TreeOpen, "3221");
  // A click on a category toggles it, a double click adds nothing more.
  Notify(tree_, NM_CLICK, 0);
  EXPECT_EQ(Rows(tree_), (Rowset{"Mine", "Closed", "Nothing", "Menu", "News"}));
  Notify(tree_, NM_DBLCLK, 0);
  EXPECT_EQ(Count(tree_), 5);
  Key(tree_, VK_HOME);
  EXPECT_EQ(kv::g_settings.TreeSele, 0);
  EXPECT_TRUE(g_commands.empty());
}

TEST_F(BoardPane, BoundKeysAndTabGoToTheMainWindow) {
  Open();
  Key(tree_, 'Q');  // Exit by default
  EXPECT_TRUE(Posted(40001));
  Key(tree_, VK_TAB);
  EXPECT_TRUE(Posted(40025));
  // A key file binding a key to a movement moves instead.
  const char keys[] = "[TREE]\r\nU=<LINEDOWN>\r\n";
  kv::ApplyKeyFile(kv::g_keys, kv::g_settings, keys, sizeof keys - 1);
  g_commands.clear();
  Key(tree_, 'U');
  EXPECT_EQ(Selected(tree_), 1);
  EXPECT_TRUE(g_commands.empty());
}

TEST_F(BoardPane, ChoosingABoardRecordsItOnce) {
  Open();
  Key(tree_, VK_DOWN);
  Key(tree_, VK_RETURN);
  EXPECT_STREQ(kv::g_settings.currentBoardUrl, "http://one.example.test/a/");  // not a 2ch-family host
  EXPECT_TRUE(Posted(40006));
  // A menu board becomes a 2ch-type board folder with its index.
  kv::SelectBoardTreeRowAt(5);
  Key(tree_, VK_RETURN);
  Key(tree_, VK_DOWN);
  ASSERT_EQ(Text(tree_, Selected(tree_)), "News");
  g_commands.clear();
  Notify(tree_, NM_DBLCLK, Selected(tree_));
  EXPECT_STREQ(kv::g_settings.currentBoardUrl, "h2ch://two.example.test/news/subject.txt");
  EXPECT_TRUE(Posted(40006));
  Key(tree_, VK_RETURN);  // the same board again
  kv::BoardTree& acquired = kv::AcquiredBoards();
  ASSERT_EQ(acquired.count, 3);
  EXPECT_STREQ(acquired.items[0].name, kv::kAcquiredCategory);
  EXPECT_STREQ(acquired.items[2].address, "h2ch://two.example.test/news/acquired.txt");
  ASSERT_TRUE(kv::AcquiredBoardsChanged());
  kv::WriteAcquiredBoards();
  EXPECT_FALSE(kv::AcquiredBoardsChanged());
  EXPECT_EQ(ReadFileBytes(kv::g_settings.ChFolder + std::string("acquired.htm")),
            "<HTML><HEAD></HEAD><BODY>\r\n\r\n\r\n<BR><BR><B>既得リスト</B><BR>\r\n"
            "<A HREF=\"http://one.example.test/a/\">Alpha</A><br>\r\n"
            "<A HREF=\"h2ch://two.example.test/news/acquired.txt\">News</A><br>\r\n\r\n</BODY></HTML>\r\n");
  // A new pane reads the list back; choosing from it opens the local list.
  DestroyWindow(tree_);
  tree_ = kv::CreateBoardTreePane(parent_, 0);
  EXPECT_EQ(kv::AcquiredBoards().count, 3);
  EXPECT_FALSE(kv::AcquiredBoardsChanged());
  kv::CopyText(kv::g_settings.BoadAddr, kv::kAcquiredMenuAddress);
  DeleteFileA(dir_.file("TreeList.htm").c_str());
  kv::FillBoardTree();
  kv::SelectBoardTreeRowAt(0);
  Key(tree_, VK_RIGHT);
  ASSERT_EQ(Count(tree_), 3);
  kv::SelectBoardTreeRowAt(2);
  Key(tree_, VK_RETURN);
  EXPECT_STREQ(kv::g_settings.currentBoardUrl, "h2ch://two.example.test/news/acquired.txt");
  EXPECT_EQ(kv::AcquiredBoards().count, 3);
}

// acquired.htm goes from the old list to the new one in one step: a
// rewrite that fails leaves the old file whole and the list still to write.
TEST_F(BoardPane, AFailedRewriteKeepsTheOldAcquiredList) {
  std::string old =
      "<HTML><HEAD></HEAD><BODY>\r\n\r\n\r\n<BR><BR><B>Old</B><BR>\r\n"
      "<A HREF=\"h2ch://old.example.test/o/acquired.txt\">Kept</A><br>\r\n\r\n</BODY></HTML>\r\n";
  CreateDirectoryA(kv::g_settings.ChFolder, nullptr);
  std::string path = kv::g_settings.ChFolder + std::string("acquired.htm");
  ASSERT_TRUE(WriteFileBytes(path, old));
  Open();
  ASSERT_EQ(kv::AcquiredBoards().count, 2);
  kv::WriteAcquiredBoards();  // nothing changed: nothing written
  EXPECT_EQ(ReadFileBytes(path), old);
  kv::SelectBoardTreeRowAt(1);
  Key(tree_, VK_RETURN);
  ASSERT_TRUE(kv::AcquiredBoardsChanged());
  kv::SetFileFaultForTest(kv::FileFault::Replace);
  kv::WriteAcquiredBoards();
  kv::SetFileFaultForTest(kv::FileFault::None);
  EXPECT_EQ(ReadFileBytes(path), old);
  EXPECT_TRUE(kv::AcquiredBoardsChanged());
  kv::WriteAcquiredBoards();
  EXPECT_FALSE(kv::AcquiredBoardsChanged());
  std::string now = ReadFileBytes(path);
  EXPECT_NE(now.find("<B>Old</B>"), std::string::npos);
  EXPECT_NE(now.find("<A HREF=\"http://one.example.test/a/\">Alpha</A>"), std::string::npos);
}

TEST_F(BoardPane, TreeSeleSelectsItsRowOrRowZero) {
  Open();
  kv::g_settings.TreeSele = 2;  // Beta, shown
  kv::SelectBoardTreeRow();
  EXPECT_EQ(Selected(tree_), 2);
  kv::g_settings.TreeSele = 4;  // Gamma, under a closed category
  kv::SelectBoardTreeRow();
  EXPECT_EQ(Selected(tree_), 0);
  EXPECT_EQ(kv::FindBoardTreeRow("BET", 0), 2);
  kv::SelectBoardTreeRowAt(2);
  EXPECT_EQ(kv::FocusedBoardTreeRow(), 2);
  EXPECT_EQ(kv::g_settings.TreeSele, 2);
  EXPECT_EQ(kv::FindBoardTreeRow("menu", 3), 5);  // the last row is searched
  EXPECT_EQ(kv::FindBoardTreeRow("gamma", 0), -1);
}

TEST_F(BoardPane, TwoListsShowCategoriesAndTheirBoards) {
  kv::g_settings.TreeType = 1;
  Open();
  ASSERT_NE(tree2_, nullptr);
  EXPECT_EQ(Rows(tree_), (Rowset{"Mine", "Closed", "Nothing", "Menu"}));
  EXPECT_EQ(Rows(tree2_), (Rowset{"Alpha", "Beta"}));
  Key(tree_, VK_DOWN);
  EXPECT_EQ(kv::g_settings.TreeSele, 3);
  EXPECT_EQ(Rows(tree2_), (Rowset{"Gamma"}));
  Key(tree_, VK_DOWN);
  EXPECT_EQ(Count(tree2_), 0);
  Key(tree_, VK_DOWN);
  EXPECT_EQ(Rows(tree2_), (Rowset{"News"}));
  EXPECT_EQ(Icon(tree2_, 0), kv::kKindBoard);
  Notify(tree2_, NM_CLICK, 0);
  LVITEMA pick = {};
  pick.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  pick.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(tree2_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&pick));
  EXPECT_EQ(Selected(tree2_), 0);
  EXPECT_EQ(kv::g_settings.TreeSele, 7);
  Key(tree2_, VK_RETURN);
  EXPECT_STREQ(kv::g_settings.currentBoardUrl, "h2ch://two.example.test/news/subject.txt");
  // TreeSele of a board brings back its category and the board.
  kv::g_settings.TreeSele = 2;
  kv::SelectBoardTreeRow();
  EXPECT_EQ(Selected(tree_), 0);
  EXPECT_EQ(Selected(tree2_), 1);
}

// A 24-bit strip of one colour.
std::string Strip(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
  int row = (w * 3 + 3) & ~3;
  std::string bmp(54 + row * h, '\0');
  auto put32 = [&](int at, uint32_t v) { memcpy(&bmp[at], &v, 4); };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  bmp[26] = 1;
  bmp[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bmp[54 + y * row + x * 3] = static_cast<char>(b);
      bmp[54 + y * row + x * 3 + 1] = static_cast<char>(g);
      bmp[54 + y * row + x * 3 + 2] = static_cast<char>(r);
    }
  return bmp;
}

COLORREF IconPixel(HWND list, int x, int y, int* w, int* h, int* count) {
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ImageList_GetIconSize(images, w, h);
  *count = ImageList_GetImageCount(images);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP b = CreateCompatibleBitmap(screen, *w, *h);
  HGDIOBJ old = SelectObject(dc, b);
  RECT r = {0, 0, *w, *h};
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FillRect(dc, &r, black);
  ImageList_Draw(images, 0, dc, 0, 0, ILD_NORMAL);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(b);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return c;
}

TEST_F(BoardPane, IconStripFromFileOrBuiltIn) {
  kv::g_settings.SetFntTL = 9;
  Open();
  int w = 0, h = 0, n = 0;
  COLORREF builtIn = IconPixel(tree_, 8, 6, &w, &h, &n);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 12);
  EXPECT_EQ(n, 8);
  EXPECT_EQ(builtIn, RGB(255, 255, 255));  // the page of the built-in board icon
  DestroyWindow(tree_);
  ASSERT_TRUE(WriteFileBytes(dir_.file("treeimg.bmp"), Strip(128, 12, 0, 200, 0)));
  tree_ = kv::CreateBoardTreePane(parent_, 0);
  EXPECT_EQ(IconPixel(tree_, 8, 6, &w, &h, &n), RGB(0, 200, 0));
  EXPECT_EQ(n, 8);
  DestroyWindow(tree_);
  kv::g_settings.SetFntTL = 6;  // small icons from treeimg2.bmp, here missing
  tree_ = kv::CreateBoardTreePane(parent_, 0);
  IconPixel(tree_, 3, 3, &w, &h, &n);
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 7);
  EXPECT_EQ(n, 8);
}

TEST_F(BoardPane, MissingFilesGiveAnEmptyTree) {
  tree_ = kv::CreateBoardTreePane(parent_, 0);
  EXPECT_FALSE(kv::FillBoardTree());
  EXPECT_EQ(Count(tree_), 0);
  kv::SelectBoardTreeRow();
  Key(tree_, VK_RETURN);
  Key(tree_, VK_RIGHT);
  EXPECT_TRUE(g_commands.empty());
  EXPECT_EQ(kv::AcquiredBoards().count, 1);  // the category "既得リスト"
}

// ---- the update dialog -----------------------------------------------------

struct DialogScript {
  int action = 0;  // 0: 取得; 1: set the check box off and close; 2: wait for a failure, then close
  bool check = false;
  int ticks = 0;
  std::string sawStatus;
  std::vector<std::string> sources;
  int paneRows = -1;  // rows the board pane shows while the dialog is open
};
DialogScript g_script;

std::string DialogText(HWND d, int id) {
  char buf[600] = "";
  GetDlgItemTextA(d, id, buf, sizeof buf);
  return buf;
}

void CALLBACK WatchFailure(HWND d, UINT, UINT_PTR, DWORD) {
  ++g_script.ticks;
  std::string progress = DialogText(d, IDC_BM_PROGRESS);
  std::string address = DialogText(d, IDC_BM_ADDRESS);
  bool failed = !progress.empty() && !kv::BoardMenuDownloading();
  if (failed || g_script.ticks > 300) {
    g_script.sawStatus = address;
    KillTimer(d, 77);
    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
  }
}

void DialogHook(HWND d) {
  g_script.paneRows = static_cast<int>(SendMessageA(kv::g_panes.tree, LVM_GETITEMCOUNT, 0, 0));
  HWND combo = GetDlgItem(d, IDC_BM_SOURCE);
  int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  g_script.sources.clear();
  for (int i = 0; i < n; ++i) {
    char buf[300] = "";
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    g_script.sources.push_back(buf);
  }
  CheckDlgButton(d, IDC_BM_STARTUP, g_script.check ? BST_CHECKED : BST_UNCHECKED);
  if (g_script.action == 1) {
    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (g_script.action == 3) {  // choose the last source, the acquired-boards list
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(n - 1), 0);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_BM_SOURCE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }
  PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_BM_GET, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_BM_GET)));
  if (g_script.action == 2) SetTimer(d, 77, 100, WatchFailure);
}

class BoardMenuDialog : public BoardPane {
 protected:
  static void SetUpTestSuite() {
    server_ = new BoardServer();
    ASSERT_TRUE(server_->running());
  }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override {
    BoardPane::SetUp();
    server_->Reset();
    kv::SetBoardMenuDialogHookForTest(DialogHook);
    g_script = DialogScript();
    kv::CopyText(kv::g_settings.BoadAddr, server_->url("/m/menu.html").c_str());
  }
  void TearDown() override {
    kv::SetBoardMenuDialogHookForTest(nullptr);
    BoardPane::TearDown();
  }
  static BoardServer* server_;
};
BoardServer* BoardMenuDialog::server_;

std::string MenuWith(const std::string& newsHost) {
  return "<HTML><BODY><B>Menu</B><BR>\r\n<A HREF=http://" + newsHost +
         "/news/index.html>News</A><br>\r\n<A HREF=http://same.example.test/s/>Same</A><br>\r\n</BODY></HTML>";
}

TEST_F(BoardMenuDialog, DownloadsTheMenuAndListsMovedBoards) {
  server_->Put("/m/menu.html", MenuWith("old.example.test"));
  Open(false);
  ASSERT_EQ(Count(tree_), 5);  // the user file only
  kv::g_settings.TreeSele = 3;
  EXPECT_FALSE(kv::RunBoardMenuDialog(parent_));
  EXPECT_EQ(kv::g_settings.TreeSele, 0);
  EXPECT_EQ(g_script.paneRows, 5);  // the tree in use stays on show
  EXPECT_EQ(kv::BoardMenuMovedLineCount(), 0);
  // The sources file was made, with the fetched address added.
  std::string sources = ReadFileBytes(dir_.file("bbsmenu.txt"));
  EXPECT_EQ(sources,
            "２ちゃんねる掲示板リスト,http://menu.5ch.net/bbstable.html\r\n"
            "BBS MENU for 2ch,http://menu.5ch.net/bbsmenu.html\r\n"
            "既得リスト,http://acquired.htm\r\n127.0.0.1:" +
                std::to_string(server_->port()) + "," + server_->url("/m/menu.html") + "\r\n");
  EXPECT_EQ(g_script.sources, (Rowset{"２ちゃんねる掲示板リスト", "BBS MENU for 2ch", "既得リスト"}));
  EXPECT_TRUE(kv::IsCached(kv::g_settings.BoadAddr));
  kv::BoardTree& t = kv::ActiveBoardTree();
  ASSERT_EQ(t.count, 9);
  EXPECT_STREQ(t.items[7].address, "h2ch://old.example.test/news/");
  // The board moves: the second update names it.
  server_->Put("/m/menu.html", MenuWith("new.example.test"));
  EXPECT_FALSE(kv::RunBoardMenuDialog(parent_));
  ASSERT_EQ(kv::BoardMenuMovedLineCount(), 1);
  EXPECT_STREQ(kv::BoardMenuMovedLine(0), "News: h2ch://new.example.test/news/→h2ch://old.example.test/news/");
  EXPECT_STREQ(kv::ActiveBoardTree().items[7].address, "h2ch://new.example.test/news/");
  EXPECT_EQ(g_script.sources.size(), 4u);
  // Adding the same address again (the file is read back) adds nothing.
  EXPECT_EQ(ReadFileBytes(dir_.file("bbsmenu.txt")), sources);
}

TEST_F(BoardMenuDialog, CheckBoxSetsBordTopw) {
  Open(false);
  kv::g_settings.BordTopw = 1;
  g_script.action = 1;
  g_script.check = false;
  kv::RunBoardMenuDialog(parent_);
  EXPECT_EQ(kv::g_settings.BordTopw, 0);
  g_script.check = true;
  kv::RunBoardMenuDialog(parent_);
  EXPECT_EQ(kv::g_settings.BordTopw, 1);
  EXPECT_EQ(Count(tree_), 5);  // rebuilt from the user file after closing
}

// The acquired-boards list is a local file: 取得 on it fetches nothing (its
// "host" is never looked up) and leaves the file as it is.
TEST_F(BoardMenuDialog, TheAcquiredListSourceIsNeverFetched) {
  Open(false);
  g_script.action = 3;
  EXPECT_TRUE(kv::RunBoardMenuDialog(parent_));
  EXPECT_STREQ(kv::g_settings.BoadAddr, kv::kAcquiredMenuAddress);
  EXPECT_EQ(kv::BoardMenuDownloading(), false);
  // The tree now ends with the acquired-boards list read from the log folder.
  kv::BoardTree& t = kv::ActiveBoardTree();
  ASSERT_GT(t.count, 0);
  EXPECT_STREQ(t.items[t.count - 1].name, kv::kAcquiredCategory);
}

TEST_F(BoardMenuDialog, AFailedDownloadKeepsTheDialogOpen) {
  server_->Rule("/m/menu.html", "status=404", 5);
  Open(false);
  g_script.action = 2;
  g_script.check = true;
  kv::RunBoardMenuDialog(parent_);
  EXPECT_LT(g_script.ticks, 300);
  EXPECT_FALSE(g_script.sawStatus.empty());
  EXPECT_EQ(kv::BoardMenuMovedLineCount(), 0);
  EXPECT_EQ(kv::g_settings.BordTopw, 1);
  EXPECT_EQ(Count(tree_), 5);
}

}  // namespace
