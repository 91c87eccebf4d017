#include "ui/textdialog_win.h"

#include <shellapi.h>

#include <cstring>
#include <memory>
#include <new>

#include "boards/patrol_win.h"
#include "boards/round.h"
#include "core/address.h"
#include "core/app.h"
#include "core/edition.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "net/download_win.h"
#include "reader/ngword.h"
#include "reader/ngword_win.h"
#include "reader/view_win.h"
#include "ui/bars_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/textdialog.h"

namespace kv {

namespace {

const char kCaption[] = "Kurovel";
const char kNoHit[] = "抽出条件にヒットするスレはありません";
const char kNoSource[] = "抽出対象のスレが見つかりません";

// What a dialog owns; freed when it closes.
struct TextDialog {
  HWND source;  // the thread window the text came from, or null
  char* text;   // text length + 32 bytes
  size_t length;
  bool urlMode;
  bool dask;  // "Dask" in place of "コピー"
  HFONT font;
  WNDPROC editProc;
};

int32_t g_open = 0;
HHOOK g_keys = nullptr;
void (*g_notice)(HWND, const char*) = nullptr;

TextDialog* RecordOf(HWND dialog) { return reinterpret_cast<TextDialog*>(GetWindowLongPtr(dialog, DWLP_USER)); }

// The source window still is the thread window it was.
HWND LiveSource(const TextDialog& d) {
  if (!d.source || !IsWindow(d.source) || ThreadWindowSlot(d.source) < 0) return nullptr;
  return ViewStateOf(d.source) ? d.source : nullptr;
}

// The edit control's current text; null when memory runs out.
std::unique_ptr<char[]> EditText(HWND dialog, size_t* length) {
  HWND edit = GetDlgItem(dialog, 1004);
  size_t cap = static_cast<size_t>(GetWindowTextLength(edit)) * 2 + 2;
  std::unique_ptr<char[]> text(new (std::nothrow) char[cap]);
  if (!text) return nullptr;
  text[0] = 0;
  SjGetWindowText(edit, text.get(), cap);
  *length = strlen(text.get());
  return text;
}

void Close(HWND dialog) { DestroyWindow(dialog); }

void Message(HWND dialog, const char* text) {
  if (g_notice)
    g_notice(dialog, text);
  else
    SjMessageBox(dialog, text, kCaption, MB_OK);
}

// ---- URL mode -------------------------------------------------------------

void FirstTwoLines(HWND dialog, char* url, char* title) {
  size_t n = 0;
  std::unique_ptr<char[]> text = EditText(dialog, &n);
  url[0] = title[0] = 0;
  if (!text) return;
  DialogLine(text.get(), n, 0, url, kAddressMax);
  DialogLine(text.get(), n, 1, title, kAddressMax);
}

bool OpenUrl(HWND dialog, bool browser) {
  char url[kAddressMax], title[kAddressMax];
  FirstTwoLines(dialog, url, title);
  CutAtLastBlank(url);
  // Secure addresses are the reader's as much as plain ones.
  bool secure = strncmp(url, "https://", 8) == 0;
  if (browser ? !(HasScheme(url, "http://") || secure) : !(OpensInReader(url) || secure)) return false;
  ShowAddress(url);
  if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, browser ? 40017 : OpenCommandFor(url), 0);
  return true;
}

void Companion(HWND dialog, int32_t kind) {
  char url[kAddressMax], title[kAddressMax];
  FirstTwoLines(dialog, url, title);
  switch (LaunchCompanion(kind, url, title)) {
    case LaunchResult::Started:
      Close(dialog);
      return;
    case LaunchResult::Missing:
      Message(dialog, kind == kCompanionDask   ? "Dask.lnkﾌｧｲﾙがありません。"
                      : kind == kCompanionRavo ? "Ravo32.exeがありません。"
                                               : "Selm32.exeがありません。");
      return;
    case LaunchResult::Failed:
      Message(dialog, "起動できませんでした。");
      return;
  }
}

void AddToRound(HWND dialog) {
  char url[kAddressMax], title[kAddressMax];
  FirstTwoLines(dialog, url, title);
  char path[kAddressMax];
  FormatText(path, sizeof path, "%s%s", g_programFolder, kRoundFile);
  FileBuffer file;
  bool had = LoadFile(path, &file);
  size_t oldLength = had ? file.size : 0;
  size_t cap = RoundFileSizeWith(oldLength);
  std::unique_ptr<char[]> out(new (std::nothrow) char[cap]);
  if (!out) return;
  size_t n = 0;
  switch (AppendRoundEntry(had ? file.data : "", oldLength, title, url, out.get(), cap, &n)) {
    case RoundAppend::Added:
      break;
    case RoundAppend::Full:
      Message(dialog, "巡回ﾘｽﾄは50件までです。");
      return;
    case RoundAppend::Empty:
    case RoundAppend::NoRoom:
      return;
  }
  // A list edited by hand: never stored compressed.
  if (StoreFile(path, out.get(), n, false) != 1) {
    WriteEventLog('i', "round: cannot write %.200s", path);
    Message(dialog, "巡回ﾘｽﾄに書き込めませんでした。");
    return;
  }
  ReloadPatrolList();  // the entry is in the list in memory too
  if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40099, 0);
  Close(dialog);
}

void ConvertOrDownload(HWND dialog) {
  size_t n = 0;
  std::unique_ptr<char[]> text = EditText(dialog, &n);
  if (!text) return;
  char url[kAddressMax];
  DialogLine(text.get(), n, 0, url, sizeof url);
  if (OffersDownload(url)) {
    OpenDownloadDialog(dialog, url);
    return;
  }
  size_t cap = n + kAddressMax + 8;
  std::unique_ptr<char[]> converted(new (std::nothrow) char[cap]);
  if (converted && ConvertedDialogText(text.get(), n, converted.get(), cap))
    SjSetWindowText(GetDlgItem(dialog, 1004), converted.get());
}

void Copy(HWND dialog) {
  HWND edit = GetDlgItem(dialog, 1004);
  DWORD from = 0, to = 0;
  SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  if (from == to) SendMessage(edit, EM_SETSEL, 0, -1);
  SendMessage(edit, WM_COPY, 0, 0);
  SetFocus(edit);
}

bool DaskExists() {
  char path[kAddressMax];
  FormatText(path, sizeof path, "%sDask.lnk", g_programFolder);
  return SjFileExists(path);
}

// ---- text mode --------------------------------------------------------------

void AddNg(HWND dialog, bool id) {
  size_t n = 0;
  std::unique_ptr<char[]> text = EditText(dialog, &n);
  if (!text) return;
  char word[256];
  size_t w = id ? ExtractIdWord(text.get(), n, word, sizeof word) : ExtractBodyWord(text.get(), n, word, sizeof word);
  if (w == 0) return;
  if (!AddNgWord(id ? '2' : '3', word)) {
    Message(dialog, "NGワードを追加できませんでした。");
    return;
  }
  // The main window takes the new list to every thread window.
  if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40072, 0);
}

void Extract(HWND dialog, bool id) {
  TextDialog* d = RecordOf(dialog);
  HWND source = d ? LiveSource(*d) : nullptr;
  ThreadViewState* view = source ? ViewStateOf(source) : nullptr;
  if (!view || !view->text) {
    Message(dialog, kNoSource);
    return;
  }
  size_t n = 0;
  std::unique_ptr<char[]> text = EditText(dialog, &n);
  if (!text) return;
  char search[kSearchTextMax + 8];
  size_t m;
  if (id) {
    m = ExtractIdSearchText(text.get(), n, search, sizeof search);
  } else {
    m = SjisCutLength(text.get(), n, kSearchTextMax);
    memcpy(search, text.get(), m);
    search[m] = 0;
  }
  size_t total = m ? CollectPosts(*view, search, m, nullptr, 0, false) : 0;
  if (total == 0) {
    Message(dialog, kNoHit);
    return;
  }
  size_t cap = total + 256;
  std::unique_ptr<char[]> posts(new (std::nothrow) char[cap]);
  if (!posts) return;
  total = CollectPosts(*view, search, m, posts.get(), cap, true);
  if (OpenTextDialog(posts.get(), total, source)) Close(dialog);
}

// ---- the dialog --------------------------------------------------------------

// The program's message loop knows nothing of these dialogs, so while any is
// open a hook gives their keys to the dialog manager: Tab moves, Esc and
// Enter on the default button close.
LRESULT CALLBACK KeyHook(int code, WPARAM w, LPARAM l) {
  MSG* m = reinterpret_cast<MSG*>(l);
  if (code == HC_ACTION && w == PM_REMOVE && m->message >= WM_KEYFIRST && m->message <= WM_KEYLAST) {
    HWND top = m->hwnd ? GetAncestor(m->hwnd, GA_ROOT) : nullptr;
    if (top && RecordOf(top) && IsDialogMessage(top, m)) {
      m->message = WM_NULL;
      return 0;
    }
  }
  return CallNextHookEx(g_keys, code, w, l);
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM w, LPARAM l) {
  HWND dialog = GetParent(edit);
  TextDialog* d = RecordOf(dialog);
  WNDPROC base = d ? d->editProc : nullptr;
  if (message == WM_LBUTTONDOWN && GetKeyState(VK_MENU) < 0) {
    POINT pt = {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    ClientToScreen(edit, &pt);
    EditClipboardMenu(edit, &pt);
    return 0;
  }
  return base ? CallWindowProc(base, edit, message, w, l) : DefWindowProc(edit, message, w, l);
}

HFONT DialogFont(HWND dialog) {
  HDC dc = GetDC(dialog);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(dialog, dc);
  int points = g_settings.FontSize < 9 ? g_settings.FontSize : 9;
  if (points < 1) points = 9;
  return SjCreateFont(-(points * dpi / 72), FW_NORMAL, SHIFTJIS_CHARSET, g_settings.FontName);
}

void Place(HWND dialog, TextDialog& d, int32_t lineFeeds) {
  int32_t height = TextDialogHeight(GetSystemMetrics(SM_CYCAPTION), lineFeeds, GetSystemMetrics(SM_CYDLGFRAME),
                                    GetSystemMetrics(SM_CYHSCROLL));
  int32_t width = kTextDialogWidth;
  RECT at = {0, 0, 0, 0};
  const WindowRect& f = g_settings.FreeTWnd;
  if (f.width) {
    at.left = f.left, at.top = f.top;
  } else if (HWND docked = ThreadWindowInSlot(0)) {
    GetWindowRect(docked, &at);
  }
  RECT main = {0, 0, GetSystemMetrics(SM_CXSCREEN), 0};
  if (g_mainWindow) GetWindowRect(g_mainWindow, &main);
  int32_t left = TextDialogLeft(at.left, width, main.right);
  MoveWindow(dialog, left, at.top, width, height, FALSE);

  RECT client;
  GetClientRect(dialog, &client);
  const int32_t scale = DisplayScale();
  TextDialogLook look = {d.urlMode, LiveSource(d) != nullptr, false, false};
  if (d.urlMode) {
    char url[kAddressMax];
    DialogLine(d.text, d.length, 0, url, sizeof url);
    look.download = OffersDownload(url);
    look.dask = DaskExists();
  }
  d.dask = look.dask;
  DialogButton buttons[8];
  int32_t count = TextDialogButtons(look, scale, client.bottom, buttons);
  static const int kIds[] = {kTdOpen, kTdBrowser, kTdRavo, kTdSelm, kTdRound, kTdConvert, kTdCopy, kTdClose};
  for (int id : kIds) ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
  int32_t row1 = client.bottom - 48 * scale;
  for (int32_t i = 0; i < count; ++i) {
    const DialogButton& b = buttons[i];
    HWND button = GetDlgItem(dialog, b.id);
    if (!button) continue;
    if (b.label) SjSetWindowText(button, b.label);
    MoveWindow(button, b.x, b.y, b.width, b.height, FALSE);
    ShowWindow(button, SW_SHOW);
  }
  MoveWindow(GetDlgItem(dialog, kTdEdit), 0, 0, client.right, row1 > 0 ? row1 - 2 * scale : 0, FALSE);
}

BOOL Init(HWND dialog, TextDialog* d) {
  SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
  if (g_open++ == 0 && !g_keys) g_keys = SetWindowsHookEx(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId());
  HWND edit = GetDlgItem(dialog, kTdEdit);
  SjSetWindowText(edit, d->text);
  SendMessage(edit, EM_SETREADONLY, FALSE, 0);
  d->font = DialogFont(dialog);
  if (d->font) SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(d->font), FALSE);
  d->editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  int32_t feeds = 0;
  for (size_t i = 0; i < d->length; ++i) feeds += d->text[i] == '\n';
  Place(dialog, *d, feeds);
  SendMessage(edit, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(dialog, kTdClose));
  return FALSE;  // the focus was set here
}

void Destroyed(HWND dialog) {
  TextDialog* d = RecordOf(dialog);
  SetWindowLongPtr(dialog, DWLP_USER, 0);
  if (!d) return;
  if (--g_open == 0 && g_keys) {
    UnhookWindowsHookEx(g_keys);
    g_keys = nullptr;
  }
  HWND edit = GetDlgItem(dialog, kTdEdit);
  if (d->editProc) SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(d->editProc));
  if (HWND source = LiveSource(*d)) SetFocus(source);
  if (d->font) DeleteObject(d->font);
  delete[] d->text;
  delete d;
}

void Command(HWND dialog, int id) {
  TextDialog* d = RecordOf(dialog);
  if (!d) return;
  if (id == IDOK || id == kTdClose || id == IDCANCEL) {
    Close(dialog);
    return;
  }
  if (id == kTdCopy) {
    if (d->urlMode && d->dask)
      Companion(dialog, kCompanionDask);
    else
      Copy(dialog);
    return;
  }
  if (d->urlMode) {
    switch (id) {
      case kTdOpen:
      case kTdBrowser:
        if (OpenUrl(dialog, id == kTdBrowser)) Close(dialog);
        return;
      case kTdRavo:
        Companion(dialog, kCompanionRavo);
        return;
      case kTdSelm:
        Companion(dialog, kCompanionSelm);
        return;
      case kTdRound:
        AddToRound(dialog);
        return;
      case kTdConvert:
        ConvertOrDownload(dialog);
        return;
    }
    return;
  }
  switch (id) {
    case kTdRavo:
    case kTdSelm:
      AddNg(dialog, id == kTdRavo);
      return;
    case kTdBrowser:
    case kTdRound:
      Extract(dialog, id == kTdBrowser);
      return;
  }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG:
      return Init(dialog, reinterpret_cast<TextDialog*>(l));
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED || LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) Command(dialog, LOWORD(w));
      return TRUE;
    case WM_CLOSE:
      Close(dialog);
      return TRUE;
    case WM_DESTROY:
      Destroyed(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND OpenTextDialog(const char* text, size_t length, HWND sourceWindow) {
  if (!text) return nullptr;
  TextDialog* d = new (std::nothrow) TextDialog{};
  if (!d) return nullptr;
  d->text = new (std::nothrow) char[length + kTextDialogSpare];
  if (!d->text) {
    delete d;
    return nullptr;
  }
  int32_t feeds = 0;
  d->length = PrepareDialogText(text, length, d->text, &feeds);
  d->urlMode = IsUrlText(d->text, d->length);
  d->source = d->urlMode ? nullptr : sourceWindow;
  HINSTANCE module = g_instance ? g_instance : GetModuleHandle(nullptr);
  HWND dialog = CreateDialogParam(module, MAKEINTRESOURCE(IDD_TEXT_DIALOG), g_mainWindow, DialogProc,
                                  reinterpret_cast<LPARAM>(d));
  if (!dialog) {
    WriteEventLog('i', "title/URL dialog: cannot create (%lu)", static_cast<unsigned long>(GetLastError()));
    delete[] d->text;
    delete d;
    return nullptr;
  }
  ShowWindow(dialog, SW_SHOW);
  return dialog;
}

LaunchResult LaunchCompanion(int32_t kind, const char* url, const char* title) {
  const char* format = kind == kCompanionSelm   ? kFavouritesEditorFormat
                       : kind == kCompanionRavo ? kBoardEditorFormat
                       : kind == kCompanionDask ? "%sDask.lnk"
                                                : nullptr;
  if (!format) return LaunchResult::Missing;
  char program[kAddressMax];
  FormatText(program, sizeof program, format, g_programFolder);
  if (!SjFileExists(program)) return LaunchResult::Missing;
  char parameters[kCompanionArgumentsSize];
  CompanionArguments(kind, url, title, parameters, sizeof parameters);
  HINSTANCE result = ShellExecute(g_mainWindow, nullptr, TextArg(program).get(), TextArg(parameters).get(),
                                  TextArg(g_programFolder).get(), SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32) {
    WriteEventLog('i', "launch %.200s failed (%ld)", program, static_cast<long>(reinterpret_cast<INT_PTR>(result)));
    return LaunchResult::Failed;
  }
  return LaunchResult::Started;
}

void OpenTitleUrlText(const char* text) {
  if (text) OpenTextDialog(text, strlen(text), nullptr);
}

int32_t OpenTextDialogCount() { return g_open; }
void SetTextDialogNotice(void (*notice)(HWND dialog, const char* text)) { g_notice = notice; }

}  // namespace kv
