// The tools under Wine: the in-thread search on a real thread view, the
// text editor with its questions, saves and reloads, the proxy dialog and
// the web search's question.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/address_win.h"
#include "core/app.h"
#include "core/file_win.h"
#include "core/settings.h"
#include "core/sjis_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "reader/ngword_win.h"
#include "reader/thread_win.h"
#include "reader/view_win.h"
#include "tests/win/net_test_util.h"
#include "tests/win/view_test_util.h"
#include "tests/win/win_test_util.h"
#include "ui/editor_win.h"
#include "ui/panes_win.h"
#include "ui/proxy_win.h"
#include "ui/search_win.h"
#include "ui/tools_res.h"

namespace {

const char kUrl[] = "http://127.0.0.1:1/tools/dat/1136041200.dat";

std::string WindowText(HWND w) {
  char text[300] = "";
  kv::SjGetWindowText(w, text, sizeof text);
  return text;
}

// Thirty posts; "abc" in post 1 (as "ABC"), post 20, and a secret word in 25.
std::string Thread() {
  std::string log;
  for (int i = 1; i <= 30; ++i) {
    std::string body = " 書き込み " + std::to_string(i) + " ";
    if (i == 1) body += "ABC ";
    if (i == 20) body += "xabcx ";
    if (i == 25) body += "秘密の言葉 ";
    log += kvtest::Record("名無し", "", "2006/01/01 00:00", body, i == 1 ? "道具のテスト" : "");
  }
  return log;
}

// Under Wine without a window manager every top-level window that was on
// screen costs two seconds when it is hidden or destroyed (Wine waits for a
// manager to withdraw it): the views live in a parent that is never shown,
// and each case opens as few dialogs as it can.
LRESULT CALLBACK HiddenProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }
HWND HiddenParent() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW c = {};
    c.lpfnWndProc = HiddenProc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"KvToolsTestParent";
    RegisterClassW(&c);
    registered = true;
  }
  return CreateWindowW(L"KvToolsTestParent", L"tools test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 820, 640,
                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

class Tools : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = kv::g_settings;
    kvtest::LoopbackSettings(folder_.path());
    kvtest::UseEventLogIn(folder_.path());
    kvtest::ViewTestColours();
    kv::CopyText(kv::g_programFolder, folder_.path().c_str());
    kv::LoadNgWords();
    kv::SetEditorAskForTest(&Tools::Answer);
    asked().clear();
    answers().clear();
  }
  void TearDown() override {
    kv::SetEditorAskForTest(nullptr);
    kv::SetFileFaultForTest(kv::FileFault::None);
    kv::ShowThreadSearch(nullptr);
    for (int s = 1; s < kv::kThreadSlots; ++s)
      if (HWND w = kv::ThreadWindowInSlot(s)) DestroyWindow(w);
    if (parent_) DestroyWindow(parent_);
    kv::FreeNgWords();
    kv::g_settings = saved_;
  }
  HWND OpenView() {
    std::string log = Thread();
    EXPECT_TRUE(kv::SaveToCache(kUrl, log.data(), log.size(), false));
    parent_ = HiddenParent();
    HWND w = kv::FindOrCreateThreadWindow(parent_, kUrl);
    EXPECT_NE(w, nullptr);
    if (!w) return nullptr;
    MoveWindow(w, 0, 0, 800, 600, FALSE);
    kv::CopyText(kv::g_settings.currentThreadUrl, kUrl);
    SendMessage(w, WM_COMMAND, 40008, 0);  // no status bar: the local copy only
    return w;
  }
  std::string ViewText(HWND w) {
    kv::ThreadViewState* v = kv::ViewStateOf(w);
    return v && v->text ? std::string(v->text, static_cast<size_t>(v->textLength)) : std::string();
  }

  // The editor's questions: recorded, answered from the queue (IDYES when empty).
  static std::vector<std::string>& asked() {
    static std::vector<std::string> a;
    return a;
  }
  static std::vector<int>& answers() {
    static std::vector<int> a;
    return a;
  }
  static int Answer(const char* text, UINT) {
    asked().push_back(text);
    if (answers().empty()) return IDYES;
    int a = answers().front();
    answers().erase(answers().begin());
    return a;
  }

  kvtest::TempFolder folder_;
  kv::Settings saved_;
  HWND parent_ = nullptr;
};

TEST_F(Tools, InThreadSearchFindsPostOneAndGoesRoundAndClosesWithItsView) {
  HWND view = OpenView();
  kv::ThreadViewState* v = kv::ViewStateOf(view);
  ASSERT_TRUE(v);
  ASSERT_EQ(v->postCount, 31);
  v->topLine = 40;
  kv::ShowThreadSearch(view);
  HWND dialog = kv::ThreadSearchDialog();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(WindowText(dialog), "スレ内容検索");
  HWND button = GetDlgItem(dialog, IDOK);
  kv::SjSetWindowText(GetDlgItem(dialog, IDC_SEARCH_TEXT), "abc");
  auto search = [&] { SendMessage(dialog, WM_COMMAND, IDOK, 0); };

  search();  // "ABC" in post 1: found, not "the end"
  EXPECT_EQ(v->topLine, 0);
  EXPECT_EQ(WindowText(button), "次を検索");
  search();
  EXPECT_EQ(v->topLine, v->postLine[20]);
  EXPECT_EQ(GetScrollPos(view, SB_VERT), v->postLine[20]);
  search();
  EXPECT_EQ(WindowText(button), "最後に到達");
  search();  // from the top again
  EXPECT_EQ(v->topLine, 0);
  EXPECT_EQ(WindowText(button), "次を検索");

  // Asked again for the same view: the same dialog; "閉じる" hides it.
  kv::ShowThreadSearch(view);
  EXPECT_EQ(kv::ThreadSearchDialog(), dialog);
  SendMessage(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(WindowText(button), "検索");

  // The view closes: its dialog goes too, and nothing searches a dead view.
  DestroyWindow(view);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(kv::ThreadSearchDialog(), nullptr);
}

TEST_F(Tools, SavingNgWordsInTheEditorHidesPostsAtOnce) {
  HWND view = OpenView();
  ASSERT_NE(ViewText(view).find("秘密の言葉"), std::string::npos);
  std::string path = folder_.file("ngword.txt");
  ASSERT_TRUE(kvtest::WriteFileBytes(path, "; NG\n"));

  HWND editor = kv::OpenTextEditor(path.c_str());
  ASSERT_TRUE(editor);
  EXPECT_EQ(WindowText(GetDlgItem(editor, IDC_EDITOR_NAME)), path);
  EXPECT_EQ(WindowText(GetDlgItem(editor, IDC_EDITOR_TEXT)), "; NG\r\n");
  HWND text = GetDlgItem(editor, IDC_EDITOR_TEXT);
  SendMessage(text, EM_SETSEL, 6, 6);
  SendMessage(text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("3,秘密の言葉\r\n"));
  SendMessage(editor, WM_COMMAND, IDOK, 0);  // "保存してよろしいですか？" - yes
  ASSERT_EQ(asked().size(), 1u);
  EXPECT_EQ(asked()[0], "保存してよろしいですか？");
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(kvtest::ReadFileBytes(path), "; NG\r\n3,秘密の言葉\r\n");
  // The rebuild is posted to every thread window: it is done once they get to it.
  EXPECT_TRUE(kvtest::PumpUntil([&] { return ViewText(view).find("秘密の言葉") == std::string::npos; }, 10000));
  EXPECT_NE(ViewText(view).find("書き込み 24"), std::string::npos);
}

TEST_F(Tools, EditorNeverOverwritesWhatItCouldNotReadOrWhatChangedSince) {
  // Unreadable (another program holds it whole): no editor, a message, the file intact.
  std::string path = folder_.file("round.txt");
  ASSERT_TRUE(kvtest::WriteFileBytes(path, "スレ,http://127.0.0.1/a/dat/1.dat\r\n"));
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(kv::OpenTextEditor(path.c_str()), nullptr);
  CloseHandle(held);
  ASSERT_EQ(asked().size(), 1u);
  EXPECT_EQ(asked()[0].rfind("ファイルを読み込めません。", 0), 0u);
  EXPECT_EQ(kvtest::ReadFileBytes(path), "スレ,http://127.0.0.1/a/dat/1.dat\r\n");

  // A zero byte would end the text field there, and a save would cut the file.
  std::string binary = folder_.file("write.log");
  ASSERT_TRUE(kvtest::WriteFileBytes(binary, std::string("a\0b", 3)));
  asked().clear();
  EXPECT_EQ(kv::OpenTextEditor(binary.c_str()), nullptr);
  ASSERT_EQ(asked().size(), 1u);
  EXPECT_EQ(asked()[0].rfind("テキストファイルではありません。", 0), 0u);

  // Changed on disk after loading (the title/URL dialog added a line): asked first.
  HWND editor = kv::OpenTextEditor(path.c_str());
  ASSERT_TRUE(editor);
  std::string added = "スレ,http://127.0.0.1/a/dat/1.dat\r\n別,http://127.0.0.1/a/dat/2.dat\r\n";
  ASSERT_TRUE(kvtest::WriteFileBytes(path, added));
  HWND text = GetDlgItem(editor, IDC_EDITOR_TEXT);
  SendMessage(text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
  asked().clear();
  answers() = {IDNO};
  SendMessage(editor, WM_COMMAND, IDC_EDITOR_SAVE, 0);
  ASSERT_EQ(asked().size(), 1u);
  EXPECT_NE(asked()[0].find("変更されています"), std::string::npos);
  EXPECT_EQ(kvtest::ReadFileBytes(path), added);

  // A save that fails leaves the old file whole and the editor open.
  asked().clear();
  answers() = {IDYES, IDOK};
  kv::SetFileFaultForTest(kv::FileFault::Write, 4);
  SendMessage(editor, WM_COMMAND, IDC_EDITOR_SAVE, 0);
  kv::SetFileFaultForTest(kv::FileFault::None);
  ASSERT_EQ(asked().size(), 2u);
  EXPECT_EQ(asked()[1], "保存できません。");
  EXPECT_EQ(kvtest::ReadFileBytes(path), added);
  EXPECT_TRUE(IsWindow(editor));

  // Yes to the question: the editor's text replaces the file.
  asked().clear();
  answers() = {IDYES};
  SendMessage(editor, WM_COMMAND, IDC_EDITOR_SAVE, 0);
  EXPECT_EQ(kvtest::ReadFileBytes(path), WindowText(text));
  DestroyWindow(editor);
  asked().clear();

  // A missing file opens empty; closed unchanged, nothing is asked or written.
  std::string memo = folder_.file("新規テキスト.txt");
  editor = kv::OpenTextEditor(memo.c_str());
  ASSERT_TRUE(editor);
  EXPECT_EQ(WindowText(GetDlgItem(editor, IDC_EDITOR_TEXT)), "");
  SendMessage(editor, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(asked().empty());
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_FALSE(kvtest::FileExists(memo));
}

// Drives the modal dialog that appears next: step runs once a visible
// dialog of this thread with that caption is there.
std::function<void(HWND)> g_step;
std::string g_caption;
BOOL CALLBACK FindDialog(HWND w, LPARAM found) {
  char cls[32] = "";
  if (IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) && strcmp(cls, "#32770") == 0 &&
      WindowText(w) == g_caption) {
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  }
  return TRUE;
}
void CALLBACK DriveTick(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, id);
  auto step = std::move(g_step);
  step(dialog);
}
void WhenDialogShows(const char* caption, std::function<void(HWND)> step) {
  g_caption = caption;
  g_step = std::move(step);
  SetTimer(nullptr, 0, 30, DriveTick);
}

TEST_F(Tools, ProxyTickUntickRoundTripAndEmptyFieldsStayOpen) {
  kv::CopyText(kv::g_settings.Proxyadr, "a:8080");
  kv::CopyText(kv::g_settings.Proxylst, "b:3128,");
  kv::g_settings.ProxyIEs = 0;
  bool ticked = false, stayed = false;
  std::string address, port;
  int entries = 0;
  WhenDialogShows("proxy", [&](HWND d) {
    ticked = IsDlgButtonChecked(d, IDC_PROXY_USE) == BST_CHECKED;
    address = WindowText(GetDlgItem(d, IDC_PROXY_ADDRESS));
    port = WindowText(GetDlgItem(d, IDC_PROXY_PORT));
    entries = static_cast<int>(SendDlgItemMessage(d, IDC_PROXY_LIST, LB_GETCOUNT, 0, 0));
    // Ticked with both fields empty: "OK" changes nothing and the dialog stays.
    kv::SjSetWindowText(GetDlgItem(d, IDC_PROXY_ADDRESS), "");
    kv::SjSetWindowText(GetDlgItem(d, IDC_PROXY_PORT), "");
    SendMessage(d, WM_COMMAND, IDOK, 0);
    stayed = IsWindowVisible(d) && strcmp(kv::g_settings.Proxyadr, "a:8080") == 0;
    // Unticked: the values stay behind a blank; the list gains the entry.
    kv::SjSetWindowText(GetDlgItem(d, IDC_PROXY_ADDRESS), "a");
    kv::SjSetWindowText(GetDlgItem(d, IDC_PROXY_PORT), "8080");
    CheckDlgButton(d, IDC_PROXY_USE, BST_UNCHECKED);
    SendMessage(d, WM_COMMAND, IDC_PROXY_ADD, 0);
    SendMessage(d, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(kv::ShowProxyDialog(nullptr), 1);
  EXPECT_TRUE(ticked);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(address, "a");
  EXPECT_EQ(port, "8080");
  EXPECT_EQ(entries, 1);
  EXPECT_STREQ(kv::g_settings.Proxyadr, " a:8080");
  EXPECT_STREQ(kv::g_settings.Proxylst, "b:3128,a:8080,");

  // Ticked again later: the same without the blank.
  WhenDialogShows("proxy", [&](HWND d) {
    ticked = IsDlgButtonChecked(d, IDC_PROXY_USE) == BST_CHECKED;
    address = WindowText(GetDlgItem(d, IDC_PROXY_ADDRESS));
    port = WindowText(GetDlgItem(d, IDC_PROXY_PORT));
    CheckDlgButton(d, IDC_PROXY_USE, BST_CHECKED);
    SendMessage(d, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(kv::ShowProxyDialog(nullptr), 1);
  EXPECT_FALSE(ticked);
  EXPECT_EQ(address, "a");
  EXPECT_EQ(port, "8080");
  EXPECT_STREQ(kv::g_settings.Proxyadr, "a:8080");
}

TEST_F(Tools, WebSearchKeepsTheTextOnClose) {
  std::string caption;
  WhenDialogShows("Web検索", [&](HWND d) {
    caption = WindowText(d);
    kv::SjSetWindowText(GetDlgItem(d, IDC_SEARCH_TEXT), "板 検索");
    SendMessage(d, WM_COMMAND, IDCANCEL, 0);  // "閉じる" keeps the text as "検索" does
  });
  char text[128];
  EXPECT_EQ(kv::AskWebSearch(text, sizeof text), 0);
  EXPECT_EQ(caption, "Web検索");
  EXPECT_STREQ(text, "板 検索");
}

}  // namespace
