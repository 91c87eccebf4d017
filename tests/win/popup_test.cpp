// Pop-ups of a real thread window: clicks and drags, "CLICK", the title/URL
// dialog in both modes, extraction, and the NG reload every view follows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/address_win.h"
#include "core/app.h"
#include "reader/ngword_win.h"
#include "reader/popup_win.h"
#include "tests/win/net_test_util.h"
#include "tests/win/view_test_util.h"
#include "tests/win/win_test_util.h"
#include "ui/textdialog.h"
#include "ui/textdialog_win.h"

namespace {

std::string g_notice;

std::string Text(HWND w) {
  char text[8192] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// Thirty posts, odd ones by ID:odd, even ones by ID:even; every body line
// points at post 2.
std::string Log() {
  std::string log;
  for (int n = 1; n <= 30; ++n)
    log += kvtest::Record("名無し", "", std::string("2026/12/08 ID:") + (n % 2 ? "odd" : "even"),
                          "本文" + std::to_string(n) + " >>2<br>>>2 もう一行", n == 1 ? "題" : "");
  return log;
}

HWND LastDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM l) -> BOOL {
        char cls[16] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) *reinterpret_cast<HWND*>(l) = w;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// A thread list that knows the title, so no title lookup starts.
const kv::ThreadListLink kLink = {
    [](const char*) { return -1; },
    [](const char*, const char*, int32_t, int32_t) {},
    [](const char*, char* title, size_t cap) { kv::CopyText(title, cap, "題"); },
    [](const char*) {},
    [](const char*, size_t, int32_t, char*, size_t) { return false; },
    [](const char*) { return true; },
};

class Popup : public ::testing::Test {
 protected:
  // One parent for every case: without a window manager each top-level
  // window that goes away costs Wine a wait.
  static void SetUpTestSuite() { parent_ = kvtest::MakeParent(); }
  static void TearDownTestSuite() { DestroyWindow(parent_); }
  void SetUp() override {
    saved_ = kv::g_settings;
    memcpy(savedFolder_, kv::g_programFolder, sizeof savedFolder_);
    kvtest::LoopbackSettings(logs_.path());
    kvtest::ViewTestColours();
    kv::CopyText(kv::g_programFolder, program_.path().c_str());
    kv::ClearAllLineCaches();
    kv::SetTextDialogNotice([](HWND, const char* text) { g_notice = text; });
    g_notice.clear();
    kv::SetThreadListLink(&kLink);
    std::string log = Log();
    ASSERT_TRUE(kv::SaveToCache(kUrl, log.data(), log.size(), false));
    view_ = kv::FindOrCreateThreadWindow(parent_, kUrl);
    ASSERT_TRUE(view_);
    MoveWindow(view_, 0, 0, 800, 600, FALSE);
    kv::CopyText(kv::g_settings.currentThreadUrl, kUrl);
    SendMessage(view_, WM_COMMAND, 40008, 0);
    v_ = kv::ViewStateOf(view_);
    ASSERT_TRUE(v_);
    ASSERT_EQ(v_->postCount, 31);
    v_->topLine = 0;
    Paint();
  }
  void TearDown() override {
    while (HWND d = LastDialog()) DestroyWindow(d);
    for (int s = 1; s < kv::kThreadSlots; ++s)
      if (HWND w = kv::ThreadWindowInSlot(s)) DestroyWindow(w);
    kv::SetTextDialogNotice(nullptr);
    kv::SetThreadListLink(nullptr);
    kv::FreeNgWords();
    kv::g_settings = saved_;
    memcpy(kv::g_programFolder, savedFolder_, sizeof savedFolder_);
  }
  void Paint() {
    InvalidateRect(view_, nullptr, FALSE);
    UpdateWindow(view_);
  }
  void Mouse(UINT message, int x, int y) { SendMessage(view_, message, MK_LBUTTON, MAKELPARAM(x, y)); }
  std::string PostText(int n) {
    kv::TextSpan s = kv::PostSpan(*v_, n);
    std::string raw(s.data, s.length), out(raw.size() + 1, '\0');
    out.resize(kv::PrepareDialogText(raw.data(), raw.size(), out.data(), nullptr));
    return out;
  }
  static int Height(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r.bottom - r.top;
  }

  static constexpr const char* kUrl = "http://127.0.0.1:9/news/dat/1200000001.dat";
  kvtest::TempFolder logs_, program_;
  kv::Settings saved_;
  char savedFolder_[260];
  static HWND parent_;
  HWND view_ = nullptr;
  kv::ThreadViewState* v_ = nullptr;
};

HWND Popup::parent_ = nullptr;

TEST_F(Popup, RightHalfDragScrollsLeftHalfClicks) {
  // 48 pixels down in the right half: six lines toward the end, no pop-up.
  Mouse(WM_LBUTTONDOWN, 600, 100);
  Mouse(WM_MOUSEMOVE, 600, 148);
  EXPECT_EQ(v_->topLine, 6);
  Mouse(WM_LBUTTONUP, 600, 148);
  EXPECT_EQ(kv::OpenTextDialogCount(), 0);
  EXPECT_EQ(v_->dragging, 0);

  // The left half never scrolls; the release clicks where it ends.
  Paint();
  Mouse(WM_LBUTTONDOWN, 40, 100);
  Mouse(WM_MOUSEMOVE, 40, 300);
  Mouse(WM_LBUTTONUP, 40, 300);
  EXPECT_EQ(v_->topLine, 6);
  EXPECT_EQ(kv::OpenTextDialogCount(), 1);
  HWND d = LastDialog();
  ASSERT_TRUE(d);
  // Whichever line it lands on (a header shows its own post, a body line post 2).
  EXPECT_NE(Text(GetDlgItem(d, kv::kTdEdit)).find("本文"), std::string::npos);
  // Esc closes it, as "閉じる" does.
  PostMessage(GetDlgItem(d, kv::kTdClose), WM_KEYDOWN, VK_ESCAPE, 0);
  kvtest::PumpUntil([&] { return !IsWindow(d); }, 2000);
  EXPECT_EQ(kv::OpenTextDialogCount(), 0);
  EXPECT_EQ(GetFocus(), view_) << "closing gives the focus back to the view";
}

TEST_F(Popup, KeyboardClickTextModeAndExtraction) {
  v_->cursorLine = 2;  // post 1's body line
  SendMessage(view_, WM_COMMAND, 40111, 0);
  HWND d = LastDialog();
  ASSERT_TRUE(d);
  EXPECT_EQ(Text(d), "log");
  EXPECT_EQ(Text(GetDlgItem(d, kv::kTdEdit)), PostText(2));
  // Text mode with a source: NG and extraction buttons, no URL ones.
  EXPECT_EQ(Text(GetDlgItem(d, kv::kTdRavo)), "NG:ID");
  EXPECT_EQ(Text(GetDlgItem(d, kv::kTdSelm)), "NG:本文");
  EXPECT_EQ(Text(GetDlgItem(d, kv::kTdBrowser)), "ID抽出");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, kv::kTdRound)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, kv::kTdOpen)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, kv::kTdConvert)));
  EXPECT_EQ(Height(d), kv::TextDialogHeight(GetSystemMetrics(SM_CYCAPTION), 4, GetSystemMetrics(SM_CYDLGFRAME),
                                            GetSystemMetrics(SM_CYHSCROLL)));

  // "ID抽出": every post of ID:even in a new dialog, which replaces this one.
  SendMessage(d, WM_COMMAND, kv::kTdBrowser, 0);
  EXPECT_FALSE(IsWindow(d));
  HWND e = LastDialog();
  ASSERT_TRUE(e);
  std::string even;
  for (int n = 2; n <= 30; n += 2) even += PostText(n);
  EXPECT_EQ(Text(GetDlgItem(e, kv::kTdEdit)), even);
  EXPECT_EQ(Height(e), 320);

  // The thread window closed: nothing to extract from.
  DestroyWindow(view_);
  SendMessage(e, WM_COMMAND, kv::kTdBrowser, 0);
  EXPECT_EQ(g_notice, "抽出対象のスレが見つかりません");
  EXPECT_TRUE(IsWindow(e));
}

TEST_F(Popup, NgIdIsWrittenAndEveryViewRebuilt) {
  v_->cursorLine = 2;
  SendMessage(view_, WM_COMMAND, 40111, 0);
  HWND d = LastDialog();
  ASSERT_TRUE(d);
  SendMessage(d, WM_COMMAND, kv::kTdRavo, 0);  // "NG:ID"
  EXPECT_EQ(kvtest::ReadFileBytes(program_.file("ngword.txt")), "2,even\r\n");
  // A hand edit on disk counts too: 40072 reads the file again.
  kvtest::WriteFileBytes(program_.file("ngword.txt"), "2,even\r\n3,本文1>>\r\n");
  kv::ReloadNgWordsAndViews();
  ASSERT_TRUE(kvtest::PumpUntil([&] { return PostText(2).rfind("2 NG ", 0) == 0; }, 5000)) << PostText(2);
  EXPECT_EQ(PostText(1).rfind("1 NG ", 0), 0u) << PostText(1);
  EXPECT_EQ(PostText(3).rfind("3 名無し", 0), 0u);
}

TEST_F(Popup, UrlModeButtons) {
  std::string text = "http://127.0.0.1:9/files/a.zip";
  HWND d = kv::OpenTextDialog(text.data(), text.size(), view_);
  ASSERT_TRUE(d);
  EXPECT_EQ(Text(GetDlgItem(d, kv::kTdConvert)), "DL");
  EXPECT_EQ(Text(GetDlgItem(d, kv::kTdBrowser)), "ﾌﾞﾗｳｻﾞ");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, kv::kTdOpen)));
  EXPECT_EQ(Height(d), 160);
  // No Ravo32 in the program folder: said so, and the dialog stays.
  SendMessage(d, WM_COMMAND, kv::kTdRavo, 0);
  EXPECT_EQ(g_notice, "Ravo32.exeがありません。");
  EXPECT_TRUE(IsWindow(d));
  // The dialog manager has the keys: Tab moves on from "閉じる".
  EXPECT_EQ(GetFocus(), GetDlgItem(d, kv::kTdClose));
  PostMessage(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
  kvtest::PumpUntil([&] { return GetFocus() != GetDlgItem(d, kv::kTdClose); }, 2000);
  EXPECT_NE(GetFocus(), GetDlgItem(d, kv::kTdClose));
  // "巡回ﾘｽﾄ" appends to round.txt and closes.
  kvtest::WriteFileBytes(program_.file("round.txt"), "a,http://x/");
  SendMessage(d, WM_COMMAND, kv::kTdRound, 0);
  EXPECT_EQ(kvtest::ReadFileBytes(program_.file("round.txt")), "a,http://x/\r\n,http://127.0.0.1:9/files/a.zip\r\n");
  EXPECT_FALSE(IsWindow(d));
}

// "DL" of a file address opens the download dialog with that address. The
// dialog is modal: a thread timer, run by its message loop, reads and closes it.
std::string g_downloadAddress;
void CALLBACK CloseDownloadDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dl = FindWindowA("#32770", "ファイルのダウンロード");
  if (!dl) return;
  char text[300] = "";
  GetDlgItemTextA(dl, 1046, text, sizeof text);
  g_downloadAddress = text;
  KillTimer(nullptr, id);
  PostMessage(dl, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(Popup, DownloadButtonOpensTheDownloadDialog) {
  std::string text = "http://127.0.0.1:9/files/a.zip";
  HWND d = kv::OpenTextDialog(text.data(), text.size(), view_);
  ASSERT_TRUE(d);
  g_downloadAddress.clear();
  UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseDownloadDialog);
  SendMessage(d, WM_COMMAND, kv::kTdConvert, 0);  // returns once the download dialog is closed
  KillTimer(nullptr, timer);
  EXPECT_EQ(g_downloadAddress, text);
  EXPECT_TRUE(IsWindow(d));
  SendMessage(d, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace
