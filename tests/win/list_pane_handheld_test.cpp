// edition: handheld
// The handheld build's list pane: the control asks in wide text and gets
// the Shift_JIS cells converted, column headers included.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

#include "boards/list_win.h"
#include "core/app.h"
#include "core/text.h"
#include "tests/win/net_test_util.h"
#include "tests/win/win_test_util.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NOTIFY) return kv::ThreadListNotify(reinterpret_cast<NMHDR*>(l));
  if (message == WM_COMMAND) return 0;
  return DefWindowProcW(window, message, w, l);
}

TEST(ListPaneHandheld, WideCells) {
  kvtest::TempFolder folder;
  kvtest::LoopbackSettings(folder.path() + "log\\");
  kv::CopyText(kv::g_programFolder, folder.path().c_str());
  kv::SetUpKeyTables(kv::g_keys, kv::g_settings);
  kv::g_settings.NowTSort = 0;
  WNDCLASSW c = {};
  c.lpfnWndProc = HostProc;
  c.hInstance = GetModuleHandleW(nullptr);
  c.lpszClassName = L"KvListHostW";
  RegisterClassW(&c);
  HWND host = CreateWindowW(L"KvListHostW", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(host);
  HWND list = kv::CreateThreadListPane(host);
  ASSERT_TRUE(list);
  kv::CopyText(kv::g_settings.currentBoardUrl, "http://h.example/b/subject.txt");
  std::string index = "42.dat<>\x83\x58\x83\x8C\x95\x5C (12)\n";  // "スレ表"
  kv::ThreadLists& l = kv::ThreadListTables();
  l.current = l.display[l.shown];
  kv::ParseListBuffer(index.data(), index.size(), kv::ParseMode::Replace, 0, nullptr, list);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  auto Cell = [&](int column) {
    wchar_t text[100] = L"";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 100;
    SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    return std::wstring(text);
  };
  EXPECT_EQ(Cell(1), L"\u30B9\u30EC\u8868");
  EXPECT_EQ(Cell(2), L"  12");
  wchar_t header[32] = L"";
  HDITEMW hd = {};
  hd.mask = HDI_TEXT;
  hd.pszText = header;
  hd.cchTextMax = 32;
  SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMW, 1,
               reinterpret_cast<LPARAM>(&hd));
  EXPECT_STREQ(header, L"\uFF80\uFF72\uFF84\uFF99");  // "ﾀｲﾄﾙ"
  DestroyWindow(host);
  kv::ClearTable(*l.display[l.shown]);
}

}  // namespace
