// The thread-list pane: a virtual report list over the thread tables, its
// download, the acquired lists and favourites on disk, owner-drawn rows.
#include "boards/list_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

#include <cstring>
#include <new>

#include "boards/acquired.h"
#include "boards/favourites.h"
#include "boards/feed.h"
#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/edition.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "reader/thread.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "net/fetch_win.h"
#include "net/job.h"
#include "net/job_win.h"
#include "ui/bars_win.h"
#include "ui/commands.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"

namespace kv {

namespace {

constexpr int kListId = 40212;
constexpr int kMenuTitleUrl = 40056;
constexpr int kMenuOpen = 40008;
constexpr int kMenuDelete = 40021;

ThreadLists g_lists;
bool g_ready = false;
HWND g_list = nullptr;
WNDPROC g_listProc = nullptr;
HIMAGELIST g_images = nullptr;
DownloadJob* g_job = nullptr;
JobPoll g_poll;
bool g_stoppedBySize = false;
FeedParser g_feedParser = ParseFeed;
TitleUrlDialog g_titleUrlDialog = nullptr;

// ---- small platform helpers -------------------------------------------------

int CompareCells(const char* a, const char* b) { return lstrcmpA(a, b); }

// The board folder ("…/") of an index address.
void BoardFolderOf(const char* board, char* out, size_t cap) {
  CopyText(out, cap, board);
  char* last = strrchr(out, '/');
  if (last) last[1] = 0;
}

void ThreadAddressOf(const char* board, int32_t key, char* out, size_t cap) {
  char folder[kAddressMax];
  BoardFolderOf(board, folder, sizeof folder);
  FormatText(out, cap, "%sdat/%ld.dat", folder, static_cast<long>(key));
}

bool HasLocalLog(void*, int32_t key) {
  if (!g_settings.UseCache || !g_settings.currentBoardUrl[0]) return false;
  char address[kAddressMax];
  ThreadAddressOf(g_settings.currentBoardUrl, key, address, sizeof address);
  return IsCached(address);
}

const LocalLogs kLogs = {HasLocalLog, nullptr};

// State computation compares with the current board's acquired list.
void PrepareStates() {
  if (g_settings.currentBoardUrl[0] && strcmp(g_lists.acquiredBoard, g_settings.currentBoardUrl) != 0)
    EnsureAcquiredList(g_settings.currentBoardUrl);
}

int32_t SelectedRow() {
  if (!g_list) return -1;
  return static_cast<int32_t>(SendMessage(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectRow(int32_t row) {
  if (!g_list || row < 0) return;
  LVITEM item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(g_list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  SendMessage(g_list, LVM_ENSUREVISIBLE, row, FALSE);
}

void SetItemCount(int32_t rows) {
  if (g_list) SendMessage(g_list, LVM_SETITEMCOUNT, rows, 0);
}

void Redraw() {
  if (g_list) InvalidateRect(g_list, nullptr, FALSE);
}

// Every file and folder of folder (ends in "\"), in the order the file
// system lists them; stops when visit returns false.
template <typename Visit>
void ForEachEntry(const char* folder, Visit visit) {
  char pattern[kAddressMax];
  if (FormatText(pattern, sizeof pattern, "%s*", folder) + 1 >= sizeof pattern) return;
  SjFoundFile found;
  for (bool more = SjFindFirstFile(pattern, &found); more; more = SjFindNextFile(&found))
    if (!visit(found.name, found.folder)) break;
  SjFindClose(&found);
}

bool EndsWithNoCase(const char* s, const char* tail) {
  size_t n = strlen(s), m = strlen(tail);
  return n >= m && CompareNoCase(s + n - m, tail, m) == 0;
}

// ---- the acquired list on disk -----------------------------------------------

bool g_acquiredUnreadable = false;  // the loaded board's acquired.txt could not be read

void LoadAcquired(const char* board) {
  BeginAcquiredLoad(g_lists);
  AcquiredFiles files;
  if (!AcquiredFilesOf(board, g_settings.ChFolder, &files)) {
    FinishAcquiredLoad(g_lists, nullptr, 0, board);
    return;
  }
  ForEachEntry(files.datFolder, [](const char* name, bool folder) {
    if (!folder && EndsWithNoCase(name, ".dat")) AddScannedLog(g_lists, ParseInt(name));
    return true;
  });
  FileBuffer text;
  FileRead read = LoadFileAs(files.list, &text);
  // An acquired list that is there but cannot be read is shown from what
  // else there is and never written over: it holds the read positions.
  g_acquiredUnreadable = read == FileRead::Unreadable;
  if (read != FileRead::Read || text.size == 0) LoadFile(files.index, &text);
  FinishAcquiredLoad(g_lists, text.data, text.size, board);
}

// Loads the acquired list: with show, a list already held for the board is
// only shown again.
void LoadAcquiredList(const char* board, bool show) {
  if (!g_ready) return;
  if (g_lists.acquiredChanged && g_lists.acquiredBoard[0]) WriteAcquiredList();
  if (show && g_list && g_lists.acquired->used > 0 && strcmp(g_lists.acquiredBoard, board) == 0) {
    SetItemCount(g_lists.acquired->used);
    return;
  }
  if (!board[0]) return;
  LoadAcquired(board);
  if (show) SetItemCount(g_lists.acquired->used);
}

// The thread address's board loaded; its key, or 0.
int32_t AcquiredFor(const char* url) {
  char board[kAddressMax];
  int32_t key = 0;
  if (!g_ready || !BoardOfThread(url, board, sizeof board, &key)) return 0;
  EnsureAcquiredList(board);
  return key;
}

void WriteIfChanged() {
  if (g_lists.acquiredChanged) WriteAcquiredList();
}

// ---- loading a board's list -------------------------------------------------

void ApplyToWindow(HWND window, int32_t rows) {
  if (!window) return;
  int32_t selected = static_cast<int32_t>(SendMessage(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  int32_t top = static_cast<int32_t>(SendMessage(window, LVM_GETTOPINDEX, 0, 0));
  int32_t perPage = static_cast<int32_t>(SendMessage(window, LVM_GETCOUNTPERPAGE, 0, 0));
  SendMessage(window, LVM_SETITEMCOUNT, rows, LVSICF_NOSCROLL);
  if (g_lists.current != g_lists.acquired && rows > 0) {
    if (selected >= 0 && selected < rows) {
      LVITEM item = {};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessage(window, LVM_SETITEMSTATE, selected, reinterpret_cast<LPARAM>(&item));
    }
    int32_t visible = top + perPage - 1;
    if (visible > rows - 1) visible = rows - 1;
    if (visible >= 0) SendMessage(window, LVM_ENSUREVISIBLE, visible, FALSE);
  }
  if (g_settings.NowTSort && rows > 0) {
    PrepareStates();
    ApplyNowSort(g_lists, g_settings.NowTSort, CompareCells, kLogs);
  }
  InvalidateRect(window, nullptr, FALSE);
}

// The shown display table is what a list download fills.
void UseShownTable() { g_lists.current = g_lists.display[g_lists.shown]; }

void OnClearRequest() {
  // A clear posted by a list download that was stopped since would empty
  // whatever list is shown now.
  if (!g_ready || !g_job) return;
  ClearTable(ShownList(g_lists));
  if (g_lists.current == g_lists.display[g_lists.shown]) SetItemCount(0);
}

void CloseProgress();

void StopListJob() {
  CloseProgress();
  if (g_list) KillTimer(g_list, kListCancelTimer);
  if (!g_job) return;
  g_poll.stop();
  cancelJob(*g_job);
  releaseJob(g_job);  // a worker still running keeps its own reference
  g_job = nullptr;
}

// ---- the load-progress window -------------------------------------------------
// While a list download brings its body, a small window over the list shows
// "一覧取得: %d / %d" and offers to cancel. It opens with the first progress
// (a quick load never shows it), never takes the focus from the panes, and
// closes when the download ends.

constexpr char kProgressClass[] = "KVEL_LISTLOAD";
constexpr int kProgressCancel = IDCANCEL;
HWND g_progress = nullptr;
HWND g_progressText = nullptr;

void CloseProgress() {
  if (g_progress) DestroyWindow(g_progress);
  g_progress = g_progressText = nullptr;
}

// The cancel button: the download stops now, its record goes a second later
// (the worker may still be on its last read).
void CancelListLoad() {
  CloseProgress();
  if (!g_job) return;
  cancelJob(*g_job);
  if (g_list) SetTimer(g_list, kListCancelTimer, 1000, nullptr);
}

LRESULT CALLBACK ProgressProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if ((m == WM_COMMAND && LOWORD(wp) == kProgressCancel) || m == WM_CLOSE) {
    CancelListLoad();
    return 0;
  }
  return SjDefWindowProc(w, m, wp, lp);
}

void ShowProgress(const char* text) {
  if (!g_progress && g_list && g_mainWindow) {
    static bool registered = SjRegisterClass(0, ProgressProc, g_instance, nullptr, LoadCursor(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr, kProgressClass) != 0;
    if (!registered) return;
    int s = DisplayScale();
    int width = 180 * s, height = 70 * s;
    RECT r;
    GetWindowRect(g_list, &r);
    int x = r.left + ((r.right - r.left) - width) / 2;
    int y = r.bottom - height - 8 * s;
    if (y < r.top) y = r.top;
    g_progress = SjCreateWindowEx(WS_EX_TOOLWINDOW, kProgressClass, "スレ一覧取得", WS_POPUP | WS_CAPTION | WS_BORDER,
                                  x, y, width, height, g_mainWindow, nullptr, g_instance, nullptr);
    if (!g_progress) return;
    RECT c;
    GetClientRect(g_progress, &c);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    g_progressText = SjCreateWindowEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 6 * s, 4 * s,
                                      c.right - 12 * s, 14 * s, g_progress, nullptr, g_instance, nullptr);
    HWND cancel = SjCreateWindowEx(0, "BUTTON", "ｷｬﾝｾﾙ", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                   (c.right - 64 * s) / 2, c.bottom - 22 * s, 64 * s, 18 * s, g_progress,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressCancel)), g_instance, nullptr);
    SendMessage(g_progressText, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessage(cancel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowWindow(g_progress, SW_SHOWNOACTIVATE);
  }
  if (g_progressText) SjSetWindowText(g_progressText, text);
}

void OnListTimer() {
  if (!g_job) return;
  DownloadJob& job = *g_job;
  PollStep step = g_poll.tick(job);
  char status[520];
  switch (step) {
    case PollStep::Quiet:
      return;
    case PollStep::Progress: {
      uint32_t received = job.receivedSize.load();
      FormatText(status, sizeof status, "一覧取得: %d / %d", static_cast<int>(received),
                 static_cast<int>(job.expectedSize.load()));
      SetStatus(status);
      ShowProgress(status);
      if (received > 500 && !g_stoppedBySize) {
        JobDataLock lock(job);
        UseShownTable();
        if (lock.data()) ParseListBuffer(lock.data(), lock.size(), ParseMode::Extend, 300, nullptr, g_list);
      }
      if (g_settings.TListMax > 0 && received > static_cast<uint32_t>(g_settings.TListMax) && !g_stoppedBySize) {
        g_stoppedBySize = true;
        cancelJob(job);
        WriteEventLog('i', "ｽﾚ一覧ｻｲｽﾞ指定により中断");
      }
      return;
    }
    case PollStep::Status:
      copyJobStatus(job, status, sizeof status);
      SetStatus(status);
      return;
    case PollStep::Done: {
      if (!g_stoppedBySize) {
        JobDataLock lock(job);
        // A local acquired list ends without a body: the list read from
        // the file stays.
        if (lock.data() && lock.size() > 0) {
          UseShownTable();
          ParseListBuffer(lock.data(), lock.size(), ParseMode::Replace, 0, nullptr, g_list);
        }
      }
      copyJobStatus(job, status, sizeof status);
      SetStatus(status);
      CloseProgress();
      return;
    }
    case PollStep::Failed:
      copyJobStatus(job, status, sizeof status);
      SetStatus(status);
      CloseProgress();
      return;
  }
}

// ---- keys and the context menu ------------------------------------------------

void PressInList(WPARAM vk) {
  CallWindowProc(g_listProc, g_list, WM_KEYDOWN, vk, 0);
  CallWindowProc(g_listProc, g_list, WM_KEYUP, vk, 0);
}

void ShowRowMenu(int32_t row, POINT at);

void OpenSelectedOrFocused() {
  int32_t row = SelectedRow();
  if (row >= 0) OpenThreadRow(row);
}

void MenuAtSelection() {
  int32_t row = SelectedRow();
  if (row < 0) return;
  RECT r = {};
  r.left = LVIR_BOUNDS;
  SendMessage(g_list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  POINT at = {r.left + 20, r.bottom};
  ClientToScreen(g_list, &at);
  ShowRowMenu(row, at);
}

// A key's command in the list's own table. True when the key was handled.
bool ListKey(WPARAM vk) {
  int command = LookUpKey(g_keys, static_cast<int>(vk), kKeysList);
  bool lr = g_settings.LRkeyPUD != 0;
  switch (command) {
    case 0:
    case 55:
    case 65:
    case 66:
    case 67:
    case 68:
    case 69:
      if (lr && (vk == VK_LEFT || vk == VK_RIGHT)) {
        PressInList(vk == VK_LEFT ? VK_PRIOR : VK_NEXT);
        return true;
      }
      // Space pages down, shift+space up.
      if (vk == VK_SPACE) {
        PressInList(GetKeyState(VK_SHIFT) < 0 ? VK_PRIOR : VK_NEXT);
        return true;
      }
      return false;
    case 51:
      PressInList(VK_UP);
      return true;
    case 52:
      PressInList(VK_DOWN);
      return true;
    case 53:
      PressInList(VK_PRIOR);
      return true;
    case 54:
      PressInList(VK_NEXT);
      return true;
    case 56:
      if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40025, 0);
      return true;
    case 57:
      if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40055, 0);
      return true;
    case 58:
    case 60:
      OpenSelectedOrFocused();
      return true;
    case 59:
      MenuAtSelection();
      return true;
    case 61:
      SelectRow(0);
      return true;
    case 62:
      SelectRow(g_lists.current->used - 1);
      return true;
    case 63:
      PressInList(lr ? VK_PRIOR : VK_LEFT);
      return true;
    case 64:
      PressInList(lr ? VK_NEXT : VK_RIGHT);
      return true;
    case 40008:  // "OpenDat" bound in the list opens the selected thread
      OpenSelectedOrFocused();
      return true;
    default:
      if (command == 40027) command = 40006;
      if (g_mainWindow) SendMessage(g_mainWindow, WM_COMMAND, command, 0);
      return true;
  }
}

LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_KEYDOWN:
      if (ListKey(w)) {
        // The character of a key that ran a command is no search text.
        MSG typed;
        PeekMessage(&typed, window, WM_CHAR, WM_CHAR, PM_REMOVE);
        return 0;
      }
      break;
    case kListClearMessage:
      OnClearRequest();
      return 0;
    case WM_TIMER:
      if (w == kListTimer) {
        OnListTimer();
        return 0;
      }
      if (w == kListCancelTimer) {
        KillTimer(window, kListCancelTimer);
        StopListJob();
        return 0;
      }
      break;
    case WM_DESTROY:
      StopListJob();
      break;
  }
  return CallWindowProc(g_listProc, window, message, w, l);
}

void DeleteRowLog(int32_t row) {
  ThreadRow& r = g_lists.current->rows[row];
  char address[kAddressMax];
  if (r.link)
    CopyText(address, r.link);
  else
    ThreadAddressOf(g_settings.currentBoardUrl, r.key, address, sizeof address);
  char path[kAddressMax];
  CopyText(path, address);
  if (!LocalPathOf(path, g_settings.ChFolder) || !SjFileExists(path)) return;
  char text[600];
  FormatText(text, sizeof text, "%s\r\n%s", r.title, path);
  if (SjMessageBox(g_mainWindow ? g_mainWindow : g_list, text, "削除していい？", MB_YESNOCANCEL | MB_ICONQUESTION) ==
      IDYES) {
    if (SjDeleteFile(path)) {
      // Without its log the row is no longer read: its state is worked
      // out again when it is next drawn.
      r.flags &= ~static_cast<uint32_t>(kRowComputed);
    } else {
      WriteEventLog('e', "delete %s: %lu", path, static_cast<unsigned long>(GetLastError()));
      SetStatus(kTextDeleteFailed);
    }
    Redraw();
  } else {
    SetFocus(g_list);
  }
}

void ShowRowMenu(int32_t row, POINT at) {
  if (row < 0 || row >= g_lists.current->used) return;
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenu(menu, MF_STRING, kMenuTitleUrl, TextArg(g_lists.current->rows[row].title).get());
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  const PopupMenu& user = PopupItems(g_keys, 2);
  if (user.count > 0) {
    AppendPopupItems(menu, user);
  } else {
    // The menu "popup2".
    AppendMenu(menu, MF_STRING, kMenuTitleUrl, TextArg("タイトルとURL").get());
    AppendMenu(menu, MF_STRING, kMenuOpen, TextArg("スレ開く").get());
    AppendMenu(menu, MF_STRING, kMenuDelete, TextArg("スレ削除").get());
  }
  int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, at.x, at.y, 0, g_list, nullptr);
  DestroyMenu(menu);
  if (chosen == kMenuTitleUrl) {
    char text[600];
    if (TitleUrlTextOf(row, text, sizeof text) && g_titleUrlDialog) g_titleUrlDialog(text);
  } else if (chosen == kMenuOpen) {
    OpenThreadRow(row);
  } else if (chosen == kMenuDelete) {
    DeleteRowLog(row);
  } else if (chosen >= 51 && chosen <= 64) {
    static const WPARAM kKeys[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, 0,      VK_TAB,  VK_TAB,
                                   0,     0,       0,        VK_HOME, VK_END, VK_LEFT, VK_RIGHT};
    if (WPARAM vk = kKeys[chosen - 51]) PressInList(vk);
  } else if (chosen > 0 && g_mainWindow) {
    PostMessage(g_mainWindow, WM_COMMAND, chosen, 0);
  }
}

// ---- icons -------------------------------------------------------------------

// The built-in strip: 8 icons of w x h, a shape per state.
HBITMAP BuiltInIcons(int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 8 * w, h);
  ReleaseDC(nullptr, screen);
  if (!bitmap) {
    DeleteDC(dc);
    return nullptr;
  }
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 8 * w, h};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  static const COLORREF kColours[8] = {RGB(192, 192, 192), RGB(0, 96, 224),  RGB(224, 32, 32), RGB(0, 160, 64),
                                       RGB(224, 160, 0),   RGB(128, 0, 160), RGB(0, 160, 160), RGB(96, 96, 96)};
  int side = w < h ? w : h;
  for (int i = 0; i < 8; ++i) {
    RECT r = {i * w + (w - side) / 2 + 1, (h - side) / 2 + 1, i * w + (w - side) / 2 + side - 1,
              (h - side) / 2 + side - 1};
    HBRUSH brush = CreateSolidBrush(kColours[i]);
    if (i == 0)
      FrameRect(dc, &r, brush);  // no local log: an outline only
    else
      FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

HIMAGELIST MakeIcons() {
  int scale = DisplayScale();
  int w = 7, h = 7;
  const char* file = "listimg2.bmp";
  if (g_settings.SetFntTL > 7) w = 16, h = 12, file = "listimg.bmp";
  if (scale >= 2) w = 32, h = 24, file = "listimg3.bmp";  // double-resolution handhelds
  HIMAGELIST images = ImageList_Create(w, h, ILC_COLOR24, 8, 0);
  if (!images) return nullptr;
  char path[kAddressMax];
  FormatText(path, sizeof path, "%s%s", g_programFolder, file);
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImage(nullptr, TextArg(path).get(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (!bitmap) bitmap = BuiltInIcons(w, h);
  if (bitmap) {
    ImageList_Add(images, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  return images;
}

void AddColumns(HWND list) {
  static const char* const kNames[kListColumns] = {"No", "ﾀｲﾄﾙ", "件数", "新規", "datﾌｧｲﾙ"};
  static const int kFormats[kListColumns] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_RIGHT, LVCFMT_LEFT};
  int widths[kListColumns] = {45, 95, 40, 40, 80};
  if (g_settings.ListWide > 225) widths[1] = g_settings.ListWide - 110 < 260 ? g_settings.ListWide - 110 : 260;
  for (int i = 0; i < 4; ++i) {
    if (g_settings.ListCol[i]) widths[i] = g_settings.ListCol[i];
    g_settings.ListCol[i] = widths[i];
  }
  int scale = DisplayScale();
  for (int i = 0; i < kListColumns; ++i) {
    LVCOLUMN c = {};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    c.fmt = kFormats[i];
    c.cx = widths[i] * scale;
    // The converted text lives until the column is in (a temporary would
    // be gone before the message reads it in the handheld build).
    TextArg name(kNames[i]);
    c.pszText = name.get();
    c.iSubItem = i;
    SendMessage(list, LVM_INSERTCOLUMN, i, reinterpret_cast<LPARAM>(&c));
  }
}

// ---- favourites ----------------------------------------------------------------

bool AddFavouriteRow(void*, const char* name, const char* address) {
  ThreadTable& t = *g_lists.current;
  if (t.used >= kThreadRows) return false;
  int32_t count = 0;
  if (IsCached(address)) {
    char board[kAddressMax];
    int32_t key = 0;
    count = BoardOfThread(address, board, sizeof board, &key) ? AcquiredLocalCount(g_lists, key) : 0;
    if (count == 0) count = 1;
  }
  return StoreRow(t, t.used, name, 0, count, 0, 0, address, 0);
}

void WalkAcquired(const char* folder, const char* relative, int depth) {
  if (depth > 32) return;
  ForEachEntry(folder, [&](const char* name, bool isFolder) {
    if (isFolder) {
      if (name[0] == '.' || CompareNoCase(name, "dat", 4) == 0) return true;
      char sub[kAddressMax], subRelative[kAddressMax];
      if (FormatText(sub, sizeof sub, "%s%s\\", folder, name) + 1 >= sizeof sub) return true;
      FormatText(subRelative, sizeof subRelative, "%s%s\\", relative, name);
      WalkAcquired(sub, subRelative, depth + 1);
    } else if (strlen(name) == 12 && CompareNoCase(name, "acquired.txt", 12) == 0) {
      char path[kAddressMax], base[kAddressMax];
      FormatText(path, sizeof path, "%s%s", folder, name);
      AcquiredBaseOf(relative, base, sizeof base);
      FileBuffer text;
      if (LoadFile(path, &text)) ParseThreadList(g_lists, text.data, text.size, ParseMode::Append, 0, base);
    }
    return true;
  });
}

}  // namespace

HIMAGELIST MakeListIcons() { return MakeIcons(); }

// ---- the contract with the main window ---------------------------------------------

ThreadLists& ThreadListTables() { return g_lists; }

void SetFeedParser(FeedParser parser) { g_feedParser = parser; }
void SetTitleUrlDialog(TitleUrlDialog dialog) { g_titleUrlDialog = dialog; }

HWND CreateThreadListPane(HWND main) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  if (!g_ready) {
    if (!CreateThreadLists(g_lists)) return nullptr;
    g_ready = true;
  }
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                LVS_SINGLESEL | LVS_SHOWSELALWAYS;
  if (!g_settings.ListColm) style |= LVS_NOCOLUMNHEADER;
  HWND list = CreateWindowEx(0, WC_LISTVIEW, nullptr, style, 0, 0, 120, 100, main,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), g_instance, nullptr);
  if (!list) return nullptr;
  SendMessage(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP,
              LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  AddColumns(list);
  if (g_images) ImageList_Destroy(g_images);
  g_images = MakeIcons();
  if (g_images) SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(g_images));
  g_list = list;
  g_listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
  SetThreadListClearTarget(list, kListClearMessage, 0, 0);
  for (auto& d : g_lists.descending) d = 1;
  g_lists.lastClicked = 0;
  return list;
}

int32_t ParseListBuffer(const char* data, size_t length, ParseMode mode, size_t holdBack, const char* base,
                        HWND window) {
  if (!g_ready) return 0;
  ContentKind kind = ClassifyContent(data ? data : "", data && length > 10 ? length - 10 : 0);
  int32_t rows;
  if (kind == kContentText || kind == kContentDat || kind == kContentIndex) {
    rows = ParseThreadList(g_lists, data, length, mode, holdBack, base);
  } else if (kind == kContentFeed && g_feedParser) {
    rows = g_feedParser(g_lists, data, length, mode, holdBack);
  } else {
    if (mode == ParseMode::Replace) ClearTable(*g_lists.current);
    rows = g_lists.current->used;
  }
  ApplyToWindow(window, rows);
  return rows;
}

void LoadThreadList() {
  if (!g_ready) return;
  const char* board = g_settings.currentBoardUrl;
  if (!board[0]) return;
  ContentKind kind = ClassifyAddress(board);
  if (kind == kContentDat || kind == kContentPage || kind == kContentMenu || kind >= kContentProgram) return;
  // Feeds take the same road; their rows come from the feed parser.
  if (!NamesFeed(board)) {
    WriteIfChanged();
    LoadAcquired(board);
  }
  UseShownTable();
  char local[kAddressMax];
  CopyText(local, board);
  FileBuffer copy;
  if (!LocalPathOf(local, g_settings.ChFolder) || !LoadFile(local, &copy)) copy = FileBuffer();
  ParseListBuffer(copy.data, copy.size, ParseMode::Replace, 0, nullptr, nullptr);
  SwapDisplayTables(g_lists);
  ParseListBuffer(copy.data, copy.size, ParseMode::Replace, 0, nullptr, g_list);

  StopListJob();
  g_stoppedBySize = false;
  g_job = newJob();
  if (g_job) {
    CopyText(g_job->url, board);
    g_job->ReadType = kReadList;
    g_job->noMerge = 1;
    if (startJob(*g_job) && g_list) g_poll.start(g_list, kListTimer);
  }
  ShowAddress(board);
}

void ShowAcquiredList(bool allBoards) {
  if (!g_ready || !g_list || !g_settings.currentBoardUrl[0]) return;
  // A board's list still coming would mix its rows in and then replace them.
  StopListJob();
  if (!allBoards) {
    g_lists.current = g_lists.acquired;
    WriteIfChanged();
    LoadAcquiredList(g_settings.currentBoardUrl, true);
    SelectRow(0);
    Redraw();
    return;
  }
  EnsureAcquiredList(g_settings.currentBoardUrl);
  UseShownTable();
  ClearTable(*g_lists.current);
  WalkAcquired(g_settings.ChFolder, "", 0);
  SetItemCount(g_lists.current->used);
  SelectRow(0);
  Redraw();
}

void ShowFavourites() {
  if (!g_ready) return;
  StopListJob();  // as for the acquired lists
  UseShownTable();
  ClearTable(*g_lists.current);
  PrepareStates();
  char path[kAddressMax];
  FormatText(path, sizeof path, "%sFavorite.htm", g_programFolder);
  FileBuffer file;
  if (LoadFile(path, &file) && file.size > 0) ParseFavourites(file.data, file.size, AddFavouriteRow, nullptr);
  SetItemCount(g_lists.current->used);
  SelectRow(0);
  Redraw();
}

void SortThreadList(int column) {
  if (!g_ready || column < 0 || column >= kListColumns) return;
  PrepareStates();
  HeaderClick(g_lists, column, CompareCells, kLogs);
  Redraw();
}

void ToggleListColumnHeader() {
  g_settings.ListColm = !g_settings.ListColm;
  if (!g_list) return;
  LONG_PTR style = GetWindowLongPtr(g_list, GWL_STYLE);
  style = g_settings.ListColm ? (style & ~static_cast<LONG_PTR>(LVS_NOCOLUMNHEADER)) : (style | LVS_NOCOLUMNHEADER);
  SetWindowLongPtr(g_list, GWL_STYLE, style);
  SetWindowPos(g_list, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  Redraw();
}

LRESULT ThreadListNotify(NMHDR* header) {
  // The header and the tool tip also report here; their records are not
  // the list's (a header's right click carries no item).
  if (!header || !g_ready || header->hwndFrom != g_list) return 0;
  switch (header->code) {
    case LVN_GETDISPINFO: {
      LVITEM& item = reinterpret_cast<NMLVDISPINFO*>(header)->item;
      if (item.iItem < 0 || item.iItem >= g_lists.current->used) return 0;
      if (item.mask & (LVIF_IMAGE | LVIF_TEXT)) PrepareStates();
      if (item.mask & LVIF_TEXT)
        ToPlatformText(CellText(g_lists, item.iItem, item.iSubItem, kLogs), item.pszText, item.cchTextMax);
      if (item.mask & LVIF_IMAGE) {
        ComputeRowState(g_lists, item.iItem, kLogs);
        item.iImage = g_lists.current->rows[item.iItem].state;
      }
      return 0;
    }
    case LVN_GETINFOTIP: {
      NMLVGETINFOTIP* tip = reinterpret_cast<NMLVGETINFOTIP*>(header);
      if (tip->iItem >= 0 && tip->iItem < g_lists.current->used)
        ToPlatformText(g_lists.current->rows[tip->iItem].title, tip->pszText, tip->cchTextMax);
      return 0;
    }
    case LVN_ITEMCHANGED: {
      NMLISTVIEW* change = reinterpret_cast<NMLISTVIEW*>(header);
      if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) && change->iItem >= 0 &&
          change->iItem < g_lists.current->used)
        SetStatus(g_lists.current->rows[change->iItem].title);
      return 0;
    }
    case LVN_COLUMNCLICK:
      SortThreadList(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
      return 0;
    case NM_SETFOCUS:
      ShowAddress(g_settings.currentBoardUrl);
      return 0;
    case NM_DBLCLK: {
      int32_t row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
      if (row < 0) row = SelectedRow();
      if (row >= 0) OpenThreadRow(row);
      return 0;
    }
    case NM_RETURN:
      OpenSelectedOrFocused();
      return 0;
    case NM_RCLICK: {
      int32_t row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
      if (row < 0) row = SelectedRow();
      POINT at;
      GetCursorPos(&at);
      ShowRowMenu(row, at);
      return 0;
    }
  }
  return 0;
}

void DrawThreadListRow(const DRAWITEMSTRUCT* item) {
  if (!item || !g_ready || !g_list) return;
  int32_t row = static_cast<int32_t>(item->itemID);
  if (row < 0 || row >= g_lists.current->used) return;
  HDC dc = item->hDC;
  bool selected = (item->itemState & ODS_SELECTED) != 0;
  int pair = selected ? 4 : (row % 2 == 0 ? 0 : 2);
  const uint32_t kUnset = 0xFFFFFFFF;
  COLORREF text = g_settings.listColors[pair];
  COLORREF back = g_settings.listColors[pair + 1];
  if (text == kUnset) text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  if (back == kUnset) {
    COLORREF listBack = static_cast<COLORREF>(SendMessage(g_list, LVM_GETTEXTBKCOLOR, 0, 0));
    // CLR_NONE and CLR_DEFAULT (what a list answers before a colour is set)
    // are no colours.
    bool own = (listBack & 0xFF000000) == 0;
    back = selected ? GetSysColor(COLOR_HIGHLIGHT) : own ? listBack : GetSysColor(COLOR_WINDOW);
  }
  RECT whole = item->rcItem;
  HBRUSH brush = CreateSolidBrush(back);
  FillRect(dc, &whole, brush);
  DeleteObject(brush);
  COLORREF oldText = SetTextColor(dc, text);
  COLORREF oldBack = SetBkColor(dc, back);
  int oldMode = SetBkMode(dc, OPAQUE);

  PrepareStates();
  ComputeRowState(g_lists, row, kLogs);
  RECT icon = {};
  icon.left = LVIR_ICON;
  SendMessage(g_list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&icon));
  if (g_images) {
    int w = 0, h = 0;
    ImageList_GetIconSize(g_images, &w, &h);
    ImageList_Draw(g_images, g_lists.current->rows[row].state, dc, icon.left,
                   icon.top + (icon.bottom - icon.top - h) / 2, selected ? ILD_BLEND50 : ILD_NORMAL);
  }
  RECT label = {};
  label.left = LVIR_LABEL;
  SendMessage(g_list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label));
  SjDrawText(dc, CellText(g_lists, row, 0, kLogs), -1, &label, DT_LEFT | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  for (int column = 1; column < kListColumns; ++column) {
    RECT cell = {};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    if (!SendMessage(g_list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell))) continue;
    const char* t = CellText(g_lists, row, column, kLogs);
    UINT format = DT_NOPREFIX;
    if (column == 1 && g_settings.MultLine)
      format |= DT_WORDBREAK;
    else if (column == 2 || column == 3)
      format |= DT_RIGHT | DT_SINGLELINE | DT_VCENTER;
    else
      format |= DT_LEFT | DT_SINGLELINE | DT_VCENTER;
    cell.left += 2;
    cell.right -= 2;
    SjDrawText(dc, t, -1, &cell, format);
  }
  if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &whole);
  SetBkMode(dc, oldMode);
  SetBkColor(dc, oldBack);
  SetTextColor(dc, oldText);
}

void MeasureThreadListRow(MEASUREITEMSTRUCT* item) {
  if (!item) return;
  HWND list = g_list;
  HDC dc = GetDC(list);
  HFONT font = list ? reinterpret_cast<HFONT>(SendMessage(list, WM_GETFONT, 0, 0)) : nullptr;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  TEXTMETRIC tm = {};
  GetTextMetrics(dc, &tm);
  if (old) SelectObject(dc, old);
  ReleaseDC(list, dc);
  int height = tm.tmHeight + 2;
  int w = 0, h = 0;
  if (g_images && ImageList_GetIconSize(g_images, &w, &h) && h + 2 > height) height = h + 2;
  item->itemHeight = static_cast<UINT>(height);
}

void SaveListColumns() {
  if (!g_list) return;
  for (int i = 0; i < 4; ++i) {
    int w = static_cast<int>(SendMessage(g_list, LVM_GETCOLUMNWIDTH, i, 0));
    if (w > 0) g_settings.ListCol[i] = w / DisplayScale();
  }
}

void SaveCurrentAcquiredList() { WriteIfChanged(); }

namespace {

// The row of the shown list that stands for the thread at url, or null.
ThreadRow* ShownRowOf(const char* url) {
  ThreadTable& t = *g_lists.current;
  if (&t == g_lists.acquired) return nullptr;  // that one is looked at anyway
  char address[kAddressMax];
  for (int32_t i = 0; i < t.used; ++i) {
    ThreadRow& r = t.rows[i];
    if (RowIsFree(r)) continue;
    if (r.link) {
      if (strcmp(r.link, url) == 0) return &r;
    } else if (g_settings.currentBoardUrl[0]) {
      ThreadAddressOf(g_settings.currentBoardUrl, r.key, address, sizeof address);
      if (strcmp(address, url) == 0) return &r;
    }
  }
  return nullptr;
}

bool Known(const char* title) { return title[0] && strcmp(title, "?") != 0; }

}  // namespace

void ThreadTitleOf(const char* url, char* title, size_t cap) {
  // The shown list first (a thread opened from it is known there, read or
  // not), then the acquired list, whose title also goes into the row.
  ThreadRow* shown = ShownRowOf(url);
  if (shown && Known(shown->title)) {
    CopyText(title, cap, shown->title);
    return;
  }
  int32_t key = AcquiredFor(url);
  if (!key) {
    CopyText(title, cap, "?");
    return;
  }
  TitleByKey(*g_lists.acquired, key, title, cap);
  if (shown && Known(title)) {
    CopyText(shown->title, title);
    Redraw();
  }
}

void SetThreadTitle(const char* url, const char* title) {
  if (!Known(title)) return;
  ThreadRow* shown = ShownRowOf(url);
  if (shown && !Known(shown->title)) {
    CopyText(shown->title, title);
    Redraw();
  }
  int32_t key = AcquiredFor(url);
  int32_t row = key ? FindRowByKey(*g_lists.acquired, key) : -1;
  if (row >= 0 && !Known(g_lists.acquired->rows[row].title)) {
    CopyText(g_lists.acquired->rows[row].title, title);
    ++g_lists.acquiredChanged;
  }
}

int32_t ReadPositionOf(const char* url) {
  int32_t key = AcquiredFor(url);
  return key ? ResumePositionOf(g_lists, key) : -1;
}

void RecordReadPosition(const char* url, const char* title, int32_t position, int32_t postCount) {
  (void)title;  // the title was recorded when the thread was opened
  int32_t key = AcquiredFor(url);
  if (key && UpdateOnClose(g_lists, key, position, postCount)) WriteAcquiredList();
}

void MarkThreadLoaded(const char* url) {
  char board[kAddressMax];
  int32_t key = 0;
  if (!g_ready || !BoardOfThread(url, board, sizeof board, &key)) return;
  if (SetStateByKey(g_lists, key, 1)) Redraw();
}

bool TitleInIndex(const char* data, size_t length, int32_t key, char* title, size_t cap) {
  if (!g_ready || key <= 0) return false;
  ThreadTable* was = g_lists.current;
  g_lists.current = g_lists.lookup;
  ClearTable(*g_lists.lookup);
  int32_t changed = g_lists.acquiredChanged;
  ParseThreadList(g_lists, data, length, ParseMode::Merge, 0, nullptr);
  g_lists.acquiredChanged = changed;  // the lookup table is no acquired list
  g_lists.current = was;
  int32_t row = FindRowByKey(*g_lists.lookup, key);
  if (row < 0) return false;
  CopyText(title, cap, g_lists.lookup->rows[row].title);
  return true;
}

// ---- beyond the contract -----------------------------------------------------

void EnsureAcquiredList(const char* board) {
  if (!g_ready || !board || !board[0]) return;
  if (strcmp(g_lists.acquiredBoard, board) == 0) return;
  LoadAcquiredList(board, false);
}

void WriteAcquiredList() {
  if (!g_ready || !g_lists.acquiredBoard[0]) return;
  AcquiredFiles files;
  if (!AcquiredFilesOf(g_lists.acquiredBoard, g_settings.ChFolder, &files)) return;
  if (g_acquiredUnreadable) {
    WriteEventLog('e', "acquired.txt unreadable, not written: %s", files.list);
    return;
  }
  size_t cap = AcquiredFileCapacity(*g_lists.acquired);
  char* text = new (std::nothrow) char[cap];
  if (!text) return;
  size_t n = FormatAcquiredFile(*g_lists.acquired, text, cap);
  CreateFolderPath(files.list);
  // One-step replace: a failed write leaves the old list as it was.
  if (ReplaceFileContents(files.list, text, n))
    g_lists.acquiredChanged = 0;
  else
    WriteEventLog('e', "acquired.txt not written: %s", files.list);
  delete[] text;
}

int32_t RecordOpenedThreadUrl(const char* url, const char* title, int32_t count) {
  int32_t key = AcquiredFor(url);
  if (!key) return -1;
  int32_t row = RecordOpenedThread(g_lists, key, title, count, g_settings.fOffLine != 0);
  if (row >= 0) WriteAcquiredList();
  return row;
}

bool RemoveAcquiredUrl(const char* url) {
  int32_t key = AcquiredFor(url);
  if (!key || !RemoveAcquired(g_lists, key)) return false;
  WriteAcquiredList();
  if (g_lists.current == g_lists.acquired) {
    SetItemCount(g_lists.acquired->used);
    Redraw();
  }
  return true;
}

void OpenThreadRow(int32_t row) {
  if (!g_ready || row < 0 || row >= g_lists.current->used) return;
  const ThreadRow& r = g_lists.current->rows[row];
  if (!r.title[0] && !r.link) return;
  char title[kRowTitle], address[kAddressMax];
  CopyText(title, r.title);
  if (r.link)
    CopyText(address, r.link);
  else
    ThreadAddressOf(g_lists.current == g_lists.acquired && g_lists.acquiredBoard[0] ? g_lists.acquiredBoard
                                                                                    : g_settings.currentBoardUrl,
                    r.key, address, sizeof address);
  int32_t count = r.count;
  CopyText(g_settings.currentThreadTitle, title);
  CopyText(g_settings.currentThreadUrl, address);
  RecordOpenedThreadUrl(address, title, count);
  if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40008, 0);
}

int32_t FindThreadTitle(int32_t from, const char* text) {
  if (!g_ready) return -1;
  return FindTitle(*g_lists.current, from, text);
}

bool TitleUrlTextOf(int32_t row, char* out, size_t cap) {
  if (!g_ready || row < 0 || row >= g_lists.current->used) return false;
  const ThreadRow& r = g_lists.current->rows[row];
  if (!r.title[0]) return false;
  char address[kAddressMax];
  if (r.link)
    CopyText(address, r.link);
  else
    ThreadAddressOf(g_settings.currentBoardUrl, r.key, address, sizeof address);
  char title[kRowTitle];
  CopyText(title, r.title);
  for (size_t i = 0; i < 100 && title[i];) {
    if (IsSjisLead(static_cast<unsigned char>(title[i])) && title[i + 1]) {
      i += 2;
      continue;
    }
    if (title[i] == ',') title[i] = '.';
    ++i;
  }
  FormatText(out, cap, "%s\r\n%s\r\n", address, title);
  return true;
}

}  // namespace kv
