// The search dialogs. All four are dialog 116; the in-thread, title and
// board searches are modeless (Esc and Enter reach them through the message
// loop's accelerators), the web search is modal.
#include "ui/search_win.h"

#include <commctrl.h>

#include <cstring>

#include "boards/list_win.h"
#include "boards/tree_win.h"
#include "core/app.h"
#include "core/settings.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "reader/view_win.h"
#include "ui/bars_win.h"
#include "ui/dialogs_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/search.h"
#include "ui/tools_res.h"

namespace kv {

namespace {

enum class Kind { Thread, Title, Board, Web };

const char kFindText[] = "検索";
const char kFindNext[] = "次を検索";
const char kFindEnd[] = "最後に到達";

struct ThreadSearch {
  HWND dialog;
  HWND view;
  int32_t position;
} g_thread;

// The title and board searches: the row of their last hit, and whether
// the last search reached the end.
struct ListSearch {
  HWND dialog;
  int32_t lastHit = -1;
  char hitText[260];  // the row's text then: the list may show another board since
  bool atEnd = false;
};
ListSearch g_title, g_board;

char g_webText[kWebSearchTextMax + 1];

void RestoreMain() {
  if (g_mainWindow && IsIconic(g_mainWindow)) ShowWindow(g_mainWindow, SW_RESTORE);
}

void SetFindButton(HWND dialog, const char* text) { SjSetWindowText(GetDlgItem(dialog, IDOK), text); }

// The field's limit counts characters, the buffer bytes: a text cut by the
// buffer may end in half a character, which goes.
size_t EditText(HWND dialog, char* out, size_t cap) {
  out[0] = 0;
  size_t n = static_cast<size_t>(SjGetWindowText(GetDlgItem(dialog, IDC_SEARCH_TEXT), out, cap));
  size_t whole = 0;
  while (whole < n) {
    size_t step = IsSjisLead(static_cast<unsigned char>(out[whole])) ? 2 : 1;
    if (whole + step > n) break;
    whole += step;
  }
  out[whole] = 0;
  return whole;
}

// "コピー", "貼り付け", "切り取り" act on the edit field and give it the focus.
bool ClipboardButton(HWND dialog, int id) {
  UINT message = id == IDC_TOOL_COPY ? WM_COPY : id == IDC_TOOL_PASTE ? WM_PASTE : id == IDC_TOOL_CUT ? WM_CUT : 0;
  if (!message) return false;
  HWND edit = GetDlgItem(dialog, IDC_SEARCH_TEXT);
  SendMessage(edit, message, 0, 0);
  SetFocus(edit);
  return true;
}

// A view may close while its dialog is open; a closing view has given up
// its slot already.
bool LiveView(HWND view) { return view && IsWindow(view) && ThreadWindowSlot(view) >= 0 && ViewStateOf(view); }

void GiveFocus(HWND pane) {
  if (!pane || !IsWindow(pane)) return;
  if (g_mainWindow)
    FocusPane(pane);
  else
    SetFocus(pane);
}

void DestroyThreadSearch() {
  if (g_thread.dialog) DestroyWindow(g_thread.dialog);
  g_thread = ThreadSearch{};
}

void FindInView(HWND dialog) {
  if (!LiveView(g_thread.view)) {
    DestroyThreadSearch();
    return;
  }
  char text[kThreadSearchTextMax + 1];
  size_t length = EditText(dialog, text, sizeof text);
  if (length == 0) return;
  ThreadViewState& v = *ViewStateOf(g_thread.view);
  int32_t result = FindInThread(v, text, length, &g_thread.position);
  if (!ThreadSearchHit(result, v.lineCount)) {
    SetFindButton(dialog, kFindEnd);
    g_thread.position = 0;
    return;
  }
  v.topLine = result;
  v.cursorLine = result + 2;  // as the scroll bar leaves it
  SetScrollPos(g_thread.view, SB_VERT, result, TRUE);
  InvalidateRect(g_thread.view, nullptr, FALSE);
  UpdateWindow(g_thread.view);
  SetFindButton(dialog, kFindNext);
}

int32_t FocusedListRow(HWND list) {
  if (!list) return -1;
  return static_cast<int32_t>(SendMessage(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void SelectListRow(HWND list, int32_t row) {
  if (!list) return;
  LVITEM clear = {};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  LVITEM item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  SendMessage(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// The text a list shows in a cell (the title of a thread row, the name of a
// board row).
void RowText(Kind kind, int32_t row, char* out, size_t cap) {
  out[0] = 0;
  HWND list = kind == Kind::Title ? g_panes.list : g_panes.tree;
  if (!list || row < 0) return;
  TCHAR text[260] = {};
  LVITEM item = {};
  item.iSubItem = kind == Kind::Title ? 1 : 0;
  item.pszText = text;
  item.cchTextMax = 260;
  SendMessage(list, LVM_GETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  FromPlatformText(text, out, cap);
}

void FindInList(HWND dialog, Kind kind) {
  ListSearch& s = kind == Kind::Title ? g_title : g_board;
  char text[kListSearchTextMax + 1];
  if (EditText(dialog, text, sizeof text) == 0) return;
  int32_t focused = kind == Kind::Title ? FocusedListRow(g_panes.list) : FocusedBoardTreeRow();
  char shown[sizeof s.hitText];
  RowText(kind, focused, shown, sizeof shown);
  int32_t lastHit = strcmp(shown, s.hitText) == 0 ? s.lastHit : -1;
  int32_t start = ListSearchStart(focused, lastHit, s.atEnd);
  int32_t row = kind == Kind::Title ? FindThreadTitle(start, text) : FindBoardTreeRow(text, start);
  s.atEnd = row < 0;
  if (row < 0) {
    SetFindButton(dialog, kFindEnd);
    return;
  }
  s.lastHit = row;
  if (kind == Kind::Title)
    SelectListRow(g_panes.list, row);
  else
    SelectBoardTreeRowAt(row);
  RowText(kind, row, s.hitText, sizeof s.hitText);
  SetFindButton(dialog, kFindNext);
}

INT_PTR CALLBACK SearchProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  Kind kind = static_cast<Kind>(GetWindowLongPtr(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtr(dialog, DWLP_USER, l);
      kind = static_cast<Kind>(l);
      static const char* const kCaptions[] = {"スレ内容検索", "スレタイ検索", "板一覧検索", "Web検索"};
      SjSetWindowText(dialog, kCaptions[static_cast<int>(kind)]);
      HWND edit = GetDlgItem(dialog, IDC_SEARCH_TEXT);
      size_t limit = kind == Kind::Thread ? kThreadSearchTextMax
                     : kind == Kind::Web  ? kWebSearchTextMax
                                          : kListSearchTextMax;
      SendMessage(edit, EM_LIMITTEXT, limit, 0);
      if (kind == Kind::Web) SjSetWindowText(edit, g_webText);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(w);
      if (ClipboardButton(dialog, id)) return TRUE;
      if (kind == Kind::Web && (id == IDOK || id == IDCANCEL)) {
        // Both buttons keep what was typed for the next time.
        EditText(dialog, g_webText, sizeof g_webText);
        EndDialog(dialog, id);
        return TRUE;
      }
      if (id == IDOK) {
        if (kind == Kind::Thread)
          FindInView(dialog);
        else
          FindInList(dialog, kind);
        return TRUE;
      }
      if (id == IDCANCEL) {
        SetFindButton(dialog, kFindText);
        ShowWindow(dialog, SW_HIDE);
        if (kind == Kind::Thread) {
          g_thread.position = 0;
          GiveFocus(g_thread.view);
        } else {
          GiveFocus(kind == Kind::Title ? g_panes.list : g_panes.tree);
        }
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      SendMessage(dialog, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    case WM_DESTROY:
      // Also destroyed with the main window, which owns it: no handle stays behind.
      if (kind != Kind::Web) UnregisterAcceleratedDialog(dialog);
      if (g_thread.dialog == dialog) g_thread = ThreadSearch{};
      if (g_title.dialog == dialog) g_title.dialog = nullptr;
      if (g_board.dialog == dialog) g_board.dialog = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

HWND CreateSearch(Kind kind) {
  HWND dialog =
      CreateDialogParam(g_instance, MAKEINTRESOURCE(IDD_SEARCH), g_mainWindow, SearchProc, static_cast<LPARAM>(kind));
  if (dialog) RegisterAcceleratedDialog(dialog);
  return dialog;
}

void ShowListSearch(Kind kind) {
  RestoreMain();
  ListSearch& s = kind == Kind::Title ? g_title : g_board;
  if (!s.dialog || !IsWindow(s.dialog)) {
    s = ListSearch{};
    s.dialog = CreateSearch(kind);
    if (!s.dialog) return;
    HWND list = kind == Kind::Title ? g_panes.list : g_panes.tree;
    if (kind == Kind::Title)
      SelectListRow(list, 0);
    else
      SelectBoardTreeRowAt(0);
    RECT r;
    if (list && GetWindowRect(list, &r))
      SetWindowPos(s.dialog, nullptr, r.left + 100, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // A search begun anew searches the focused row too (the list may show
  // another board's threads by now).
  s.lastHit = -1;
  s.atEnd = false;
  ShowWindow(s.dialog, SW_SHOW);
  SetForegroundWindow(s.dialog);
}

}  // namespace

void ShowThreadSearch(HWND view) {
  if (!view) {
    DestroyThreadSearch();
    return;
  }
  RestoreMain();
  if (g_thread.dialog && IsWindow(g_thread.dialog) && g_thread.view == view) {
    ShowWindow(g_thread.dialog, SW_SHOW);
    SetForegroundWindow(g_thread.dialog);
    return;
  }
  DestroyThreadSearch();
  g_thread.dialog = CreateSearch(Kind::Thread);
  if (!g_thread.dialog) return;
  g_thread.view = view;
  g_thread.position = 0;
  ShowWindow(g_thread.dialog, SW_SHOW);
  SetForegroundWindow(g_thread.dialog);
}

void ThreadSearchViewClosed(HWND view) {
  if (view && g_thread.view == view) DestroyThreadSearch();
}

void ShowTitleSearch() { ShowListSearch(Kind::Title); }
void ShowBoardSearch() { ShowListSearch(Kind::Board); }

HWND ThreadSearchDialog() { return g_thread.dialog; }
HWND TitleSearchDialog() { return g_title.dialog; }
HWND BoardSearchDialog() { return g_board.dialog; }

int AskWebSearch(char* text, size_t cap) {
  INT_PTR r =
      DialogBoxParam(g_instance, MAKEINTRESOURCE(IDD_SEARCH), g_mainWindow, SearchProc, static_cast<LPARAM>(Kind::Web));
  CopyText(text, cap, g_webText);
  return r == IDOK ? 1 : 0;
}

void RunWebSearch(HWND main) {
  char text[kWebSearchTextMax + 1];
  if (AskWebSearch(text, sizeof text) != 1 || !text[0]) return;
  char address[260];
  if (!WebSearchAddress(kWebSearchHost, text, strlen(text), address, sizeof address)) {
    // Cut, the query would search for something else: nothing is opened.
    SjMessageBox(main, "検索する文字列が長すぎます。", "Kurovel", MB_OK);
    return;
  }
  CopyText(g_settings.currentThreadUrl, address);
  g_settings.currentThreadTitle[0] = 0;
  ShowAddress(address);
  SendMessage(main, WM_COMMAND, 40008, 0);
}

}  // namespace kv
