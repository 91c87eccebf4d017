// edition: handheld
// The board pane of the handheld build, whose controls speak UTF-16: the
// row texts the list asks for, the two-list style it starts in on small
// screens, and the update dialog's source names.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boards/tree_win.h"
#include "core/app.h"
#include "core/text.h"
#include "tests/win/net_test_util.h"
#include "tests/win/win_test_util.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/resource.h"

using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

int g_lastCommand = 0;

LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_NOTIFY) return kv::BoardPaneNotify(reinterpret_cast<NMHDR*>(lp));
  if (m == WM_COMMAND) {
    g_lastCommand = LOWORD(wp);
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

std::wstring Wide(const char* sjis) {
  wchar_t buf[300] = L"";
  MultiByteToWideChar(CP_ACP, 0, sjis, -1, buf, 300);
  return buf;
}

std::wstring RowText(HWND list, int row) {
  wchar_t buf[300] = L"";
  LVITEMW item = {};
  item.pszText = buf;
  item.cchTextMax = 300;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buf;
}

std::wstring g_firstSource;
void CloseAtOnce(HWND d) {
  wchar_t buf[300] = L"";
  SendDlgItemMessageW(d, IDC_BM_SOURCE, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf));
  g_firstSource = buf;
  CheckDlgButton(d, IDC_BM_STARTUP, BST_UNCHECKED);
  PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
}

TEST(HandheldBoardPane, WideRowTextsTwoListsAndTheDialog) {
  kv::Settings saved = kv::g_settings;
  TempFolder dir;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  kvtest::LoopbackSettings(dir.path() + "log\\");
  kv::CopyText(kv::g_programFolder, dir.path().c_str());
  kvtest::UseEventLogIn(dir.path());
  kv::SetUpKeyTables(kv::g_keys, kv::g_settings);
  kv::CopyText(kv::g_settings.BoadAddr, "http://menu.example.test/bbsmenu.html");
  kv::g_settings.TreeType = 1;
  kv::g_settings.TreeSele = 0;
  ASSERT_TRUE(WriteFileBytes(dir.file("TreeList.htm"),
                             "<B>ニュース</B><A HREF=\"http://a.example.test/n/\">速報板</A>"
                             "<A HREF=\"http://a.example.test/m/\">雑談</A><B>趣味</B>"));
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ParentProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KvBoardPaneHandheld";
  RegisterClassW(&wc);
  HWND parent = CreateWindowW(L"KvBoardPaneHandheld", L"t", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr,
                              nullptr, wc.hInstance, nullptr);
  kv::g_mainWindow = parent;
  HWND tree = kv::CreateBoardTreePane(parent, 0);
  HWND tree2 = kv::CreateBoardTreePane(parent, 1);
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(tree2, nullptr);
  kv::g_panes.tree = tree;
  kv::g_panes.tree2 = tree2;
  EXPECT_TRUE(kv::FillBoardTree());
  kv::SelectBoardTreeRow();
  EXPECT_EQ(SendMessageW(tree, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(RowText(tree, 0), Wide("ニュース"));
  EXPECT_EQ(RowText(tree, 1), Wide("趣味"));
  ASSERT_EQ(SendMessageW(tree2, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(RowText(tree2, 1), Wide("雑談"));
  // Enter on a board chooses it.
  LVITEMW pick = {};
  pick.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  pick.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(tree2, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&pick));
  EXPECT_EQ(kv::g_settings.TreeSele, 1);
  SendMessageW(tree2, WM_KEYDOWN, VK_RETURN, 1);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(g_lastCommand, 40006);
  EXPECT_STREQ(kv::g_settings.currentBoardUrl, "http://a.example.test/n/");

  kv::SetBoardMenuDialogHookForTest(CloseAtOnce);
  kv::g_settings.BordTopw = 1;
  kv::RunBoardMenuDialog(parent);
  kv::SetBoardMenuDialogHookForTest(nullptr);
  EXPECT_EQ(g_firstSource, Wide("２ちゃんねる掲示板リスト"));
  EXPECT_EQ(kv::g_settings.BordTopw, 0);
  EXPECT_EQ(SendMessageW(tree, LVM_GETITEMCOUNT, 0, 0), 2);  // rebuilt after the dialog

  DestroyWindow(tree);
  DestroyWindow(tree2);
  DestroyWindow(parent);
  kv::g_mainWindow = nullptr;
  memset(&kv::g_panes, 0, sizeof kv::g_panes);
  kv::g_settings = saved;
}

}  // namespace
