// The board pane over Win32: owner-data list views showing the active board
// tree, their icon strip, keys and clicks, choosing a board, acquired.htm
// and the board-menu update dialog. The tree itself is boards/boardfile.
#include "boards/tree_win.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <memory>

#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/edition.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "net/job.h"
#include "net/job_win.h"
#include "ui/bars_win.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/resource.h"

namespace kv {

namespace {

constexpr int kCommandListFetch = 40006;  // "スレ一覧取得"
constexpr int kCommandNextPane = 40025;
constexpr int kCommandPreviousPane = 40055;
constexpr UINT_PTR kMenuPollTimer = 1;
constexpr int32_t kMovedLinesMax = 200;

// Two slots for the board tree (the one shown and the one kept from before
// the last update) and the acquired-boards list; they live for the run.
BoardTree g_slots[2];
int g_activeSlot = 0;
BoardTree g_acquired;
bool g_acquiredChanged = false;
bool g_acquiredUnreadable = false;  // acquired.htm was there but could not be read

HWND g_tree = nullptr;   // the one list, or the category list
HWND g_tree2 = nullptr;  // the board list of the two-list style
WNDPROC g_listProc = nullptr;
HIMAGELIST g_icons = nullptr;
int32_t g_shownCategory = -1;  // two lists: the category whose boards are listed
bool g_selecting = false;      // selection set by the program: TreeSele stays

char g_movedLines[kMovedLinesMax][800];
int32_t g_movedCount = 0;
void (*g_dialogHook)(HWND) = nullptr;

BoardTree& Active() { return g_slots[g_activeSlot]; }
// While the update dialog runs the pane goes on showing the tree in use
// (then in the other slot) rather than the slot being rebuilt.
bool g_showOther = false;
BoardTree& Other() { return g_slots[g_activeSlot ^ 1]; }
BoardTree& Shown() { return g_showOther ? Other() : Active(); }
bool TwoLists() { return g_settings.TreeType != 0 && g_tree2 != nullptr; }

void AcquiredPath(char* path, size_t cap) {
  FormatText(path, cap, "%s%sacquired.htm", g_settings.ChFolder, EndsWithSeparator(g_settings.ChFolder) ? "" : "\\");
}

// ---- rows ---------------------------------------------------------------

int32_t BoardListCount() {
  int32_t first = 0;
  return BoardsOfCategory(Shown(), g_shownCategory, &first);
}

int32_t ItemForRow(HWND list, int32_t row) {
  if (row < 0) return -1;
  if (list == g_tree2 && g_tree2) {
    int32_t first = 0;
    int32_t n = BoardsOfCategory(Shown(), g_shownCategory, &first);
    return row < n ? first + row : -1;
  }
  return TwoLists() ? ItemOfCategoryRow(Shown(), row) : ItemOfRow(Shown(), row);
}

int32_t RowCount(HWND list) {
  if (list == g_tree2 && g_tree2) return BoardListCount();
  return TwoLists() ? CategoryRowCount(Shown()) : VisibleRowCount(Shown());
}

int32_t SelectedRow(HWND list) {
  if (!list) return -1;
  return static_cast<int32_t>(SendMessage(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SetRowCount(HWND list) {
  if (!list) return;
  SendMessage(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(RowCount(list)), LVSICF_NOSCROLL);
  InvalidateRect(list, nullptr, FALSE);
}

void RefreshCounts() {
  SetRowCount(g_tree);
  SetRowCount(g_tree2);
}

void SelectRow(HWND list, int32_t row) {
  if (!list) return;
  bool was = g_selecting;
  g_selecting = true;
  LVITEM clear = {};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  if (row >= 0 && row < RowCount(list)) {
    LVITEM item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessage(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessage(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  g_selecting = was;
}

// Two lists: the board list shows the boards of this category.
void ShowCategory(int32_t category) {
  g_shownCategory = category;
  if (!g_tree2) return;
  SetRowCount(g_tree2);
  SelectRow(g_tree2, -1);
}

// The list asks for the text and icon of a row. A list created by the other
// text side asks in the other character form; both are answered.
void FillDisplay(NMHDR* h) {
  bool wide = h->code == LVN_GETDISPINFOW;
  LVITEMA& a = reinterpret_cast<NMLVDISPINFOA*>(h)->item;
  LVITEMW& w = reinterpret_cast<NMLVDISPINFOW*>(h)->item;
  UINT mask = wide ? w.mask : a.mask;
  int32_t item = ItemForRow(h->hwndFrom, wide ? w.iItem : a.iItem);
  const char* name = item >= 0 ? Shown().items[item].name : "";
  if (mask & LVIF_TEXT) {
    if (wide) {
      if (w.pszText && w.cchTextMax > 0) {
        WideText t(name);
        lstrcpynW(w.pszText, t.get(), w.cchTextMax);
      }
    } else if (a.pszText && a.cchTextMax > 0) {
      CopyText(a.pszText, static_cast<size_t>(a.cchTextMax), name);
    }
  }
  if (mask & LVIF_IMAGE) {
    int image = item >= 0 ? Shown().items[item].kind : -1;
    if (wide)
      w.iImage = image;
    else
      a.iImage = image;
  }
}

// ---- acting on rows ------------------------------------------------------

void Toggle(int32_t category, bool expanded) {
  BoardTree& t = Shown();
  if (category < 0 || category >= t.count || !IsCategory(t.items[category])) return;
  SetExpanded(t, category, expanded, g_settings.TreeOpen, g_settings.treeCategoryCount);
  SetRowCount(g_tree);
  SelectRow(g_tree, RowOfItem(t, category));
  g_settings.TreeSele = category;
}

void Click(HWND list, int32_t row) {
  int32_t item = ItemForRow(list, row);
  if (item < 0) return;
  const BoardItem& b = Shown().items[item];
  if (!IsCategory(b)) {
    ShowAddress(b.address);
  } else if (TwoLists()) {
    ShowCategory(item);
  } else {
    Toggle(item, !b.expanded);
  }
}

void Activate(HWND list, int32_t row) {
  int32_t item = ItemForRow(list, row);
  if (item < 0) return;
  const BoardItem& b = Shown().items[item];
  if (!IsCategory(b))
    ChooseBoard(item);
  else if (TwoLists())
    ShowCategory(item);
  else
    Toggle(item, !b.expanded);
}

void PostToMain(int command) {
  if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

bool OwnKey(HWND list, int vk);
bool ApplyPaneCommand(HWND list, int command, int vk);

// The pane's context menu: the user menu of the key file ("[TREE_POPUP]",
// "[TREE2_POPUP]") when it has items, else the main window's pop-up menu.
void ShowPanePopup(HWND list) {
  const PopupMenu& user = PopupItems(g_keys, list == g_tree2 ? 1 : 0);
  POINT pt;
  GetCursorPos(&pt);
  if (user.count <= 0) {
    if (!g_mainWindow) return;
    ScreenToClient(g_mainWindow, &pt);
    PostMessage(g_mainWindow, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    return;
  }
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendPopupItems(menu, user);
  int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, pt.x, pt.y, 0, list, nullptr);
  DestroyMenu(menu);
  if (chosen == 59) return;  // no menu from a menu
  if (chosen > 0) ApplyPaneCommand(list, chosen, 0);
}

// The pane's own keys. True when the key was used up here.
bool OwnKey(HWND list, int vk) {
  int32_t row = SelectedRow(list);
  switch (vk) {
    case VK_RETURN:
      Activate(list, row);
      return true;
    case VK_TAB:
      PostToMain(GetKeyState(VK_SHIFT) < 0 ? kCommandPreviousPane : kCommandNextPane);
      return true;
    case VK_LEFT:
    case VK_RIGHT:
      if (TwoLists()) {
        // Across the two lists: left to the categories, right to the boards.
        FocusPane(vk == VK_LEFT ? g_tree : g_tree2);
      } else {
        int32_t item = ItemForRow(list, row < 0 ? 0 : row);
        Toggle(CategoryAtOrAbove(Shown(), item), vk == VK_RIGHT);
      }
      return true;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
      CallWindowProc(g_listProc, list, WM_KEYDOWN, static_cast<WPARAM>(vk), 0);
      return true;
    default:
      return false;
  }
}

// A command of the key table or the pane's menu: movement commands become
// the keys they stand for, other commands go to the main window. vk is the
// key pressed (0 from the menu). True when nothing is left to do.
bool ApplyPaneCommand(HWND list, int command, int vk) {
  int key = vk;
  switch (command) {
    case 51:
      key = VK_UP;
      break;
    case 52:
      key = VK_DOWN;
      break;
    case 53:
      key = VK_PRIOR;
      break;
    case 54:
      key = VK_NEXT;
      break;
    case 61:
      key = VK_HOME;
      break;
    case 62:
      key = VK_END;
      break;
    case 63:
      key = VK_LEFT;
      break;
    case 64:
      key = VK_RIGHT;
      break;
    case 56:
      PostToMain(kCommandNextPane);
      return true;
    case 57:
      PostToMain(kCommandPreviousPane);
      return true;
    case 58:
      Click(list, SelectedRow(list));
      return true;
    case 59:
      ShowPanePopup(list);
      return true;
    case 60:
      Activate(list, SelectedRow(list));
      return true;
    case 0:
    case 55:
    case 65:
    case 66:
    case 67:
    case 68:
    case 69:
      break;
    default:
      PostToMain(command);
      return true;
  }
  if (g_settings.LRkeyPUD) {
    if (key == VK_LEFT) key = VK_PRIOR;
    if (key == VK_RIGHT) key = VK_NEXT;
  }
  return key ? OwnKey(list, key) : true;
}

bool PaneKey(HWND list, int vk) {
  int table = list == g_tree2 ? kKeysTree2 : kKeysTree;
  return ApplyPaneCommand(list, LookUpKey(g_keys, vk, table), vk);
}

void FitColumn(HWND list) {
  RECT r;
  GetWindowRect(list, &r);
  int width = (r.right - r.left) - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE);
  if (width < 8) width = 8;
  SendMessage(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width, 0));
}

LRESULT CALLBACK PaneProc(HWND list, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_KEYDOWN:
      if (PaneKey(list, static_cast<int>(w))) return 0;
      break;
    case WM_CHAR:
      return 0;  // keys are commands here, never a type-ahead search
    case WM_SIZE:
      FitColumn(list);
      break;
    default:
      break;
  }
  return CallWindowProc(g_listProc, list, message, w, l);
}

// ---- icons ---------------------------------------------------------------

// The built-in strip: icon 0 a board (a page), 2 a category with boards (a
// filled folder), 4 a category without boards (an empty folder); the rest
// stay transparent (magenta).
HBITMAP DrawBuiltInStrip(int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 8 * w, h);
  ReleaseDC(nullptr, screen);
  if (!dc || !bitmap) {
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 8 * w, h};
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  FillRect(dc, &all, magenta);
  DeleteObject(magenta);
  int mx = w > 8 ? w / 8 : 0, my = h > 8 ? h / 8 : 0;
  auto box = [&](int index, COLORREF edge, COLORREF fill, int top) {
    RECT r = {index * w + mx, top, (index + 1) * w - mx, h - my};
    HBRUSH e = CreateSolidBrush(edge);
    FillRect(dc, &r, e);
    DeleteObject(e);
    RECT in = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    if (in.right > in.left && in.bottom > in.top) {
      HBRUSH f = CreateSolidBrush(fill);
      FillRect(dc, &in, f);
      DeleteObject(f);
    }
  };
  box(0, RGB(0, 0, 128), RGB(255, 255, 255), my);
  // A folder: its tab, then its body.
  int tab = h > 6 ? h / 4 : 1;
  RECT t2 = {2 * w + mx, my, 2 * w + w / 2, my + tab};
  RECT t4 = {4 * w + mx, my, 4 * w + w / 2, my + tab};
  HBRUSH brown = CreateSolidBrush(RGB(128, 96, 0));
  FillRect(dc, &t2, brown);
  HBRUSH gray = CreateSolidBrush(RGB(96, 96, 96));
  FillRect(dc, &t4, gray);
  DeleteObject(brown);
  DeleteObject(gray);
  box(2, RGB(128, 96, 0), RGB(255, 208, 64), my + tab);
  box(4, RGB(96, 96, 96), RGB(255, 255, 255), my + tab);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

HIMAGELIST BuildIcons() {
  BoardIconStrip strip = BoardIconStripFor(g_settings.SetFntTL, DisplayScale(), kHandheld);
  char path[kAddressMax];
  FormatText(path, sizeof path, "%s%s", g_programFolder, strip.file);
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImage(nullptr, TextArg(path).get(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!bitmap) bitmap = DrawBuiltInStrip(strip.width, strip.height);
  HIMAGELIST list = ImageList_Create(strip.width, strip.height, ILC_COLOR24 | ILC_MASK, 8, 0);
  if (list && bitmap) ImageList_AddMasked(list, bitmap, RGB(255, 0, 255));
  if (bitmap) DeleteObject(bitmap);
  return list;
}

// ---- the board files ------------------------------------------------------

bool LoadProgramFile(const char* name, FileBuffer* out) {
  if (!name || !name[0]) return false;
  char path[kAddressMax];
  FormatText(path, sizeof path, "%s%s", g_programFolder, name);
  return LoadFile(path, out);
}

void ReadAcquiredBoards() {
  char path[kAddressMax];
  AcquiredPath(path, sizeof path);
  FileBuffer file;
  BoardParseOptions o;
  o.menuAddress = g_settings.BoadAddr;
  o.treeOpen = "";
  FileRead read = LoadFileAs(path, &file);
  // An unreadable list of boards is never written over (see WriteAcquiredBoards).
  g_acquiredUnreadable = read == FileRead::Unreadable;
  if (read == FileRead::Read && file.size > 0)
    ParseBoardFile(g_acquired, file.data, file.size, o);
  else
    ClearBoardTree(g_acquired);
  SeedAcquiredBoards(g_acquired);
  g_acquiredChanged = false;
}

// ---- bbsmenu.txt -----------------------------------------------------------

void MenuSourcesPath(char* path, size_t cap) { FormatText(path, cap, "%sbbsmenu.txt", g_programFolder); }

void LoadMenuSources(MenuSources& sources) {
  char path[kAddressMax];
  MenuSourcesPath(path, sizeof path);
  FileBuffer file;
  FileRead read = ReadWholeFileAs(path, 1, &file);
  if (read != FileRead::Read) {
    char text[1024];
    size_t n = DefaultMenuSourcesText(kDefaultBoardMenu, text, sizeof text);
    // Only a missing list is made; an unreadable one is left alone.
    if (read == FileRead::Missing && !ReplaceFileContents(path, text, n)) WriteEventLog('e', "bbsmenu.txt not written");
    ParseMenuSources(text, n, sources);
    return;
  }
  ParseMenuSources(file.data, file.size, sources);
}

void AddMenuSource(MenuSources& sources, const char* address) {
  if (!ShouldAddMenuSource(sources, address)) return;
  char path[kAddressMax];
  MenuSourcesPath(path, sizeof path);
  FileBuffer file;
  if (ReadWholeFileAs(path, 1, &file) == FileRead::Unreadable) {
    WriteEventLog('e', "bbsmenu.txt unreadable, not written");
    return;
  }
  size_t cap = file.size + strlen(address) * 2 + 16;
  std::unique_ptr<char[]> text(new char[cap]);
  size_t n = AppendMenuSource(file.data, file.size, address, text.get(), cap);
  if (!n || !ReplaceFileContents(path, text.get(), n)) {
    WriteEventLog('e', "bbsmenu.txt not written");
    return;
  }
  ParseMenuSources(text.get(), n, sources);
}

// The acquired-boards list is about to be shown as the board menu: its file
// must be there even when no board was added yet.
void WriteAcquiredFile() {
  char path[kAddressMax];
  AcquiredPath(path, sizeof path);
  if (!SjFileExists(path)) g_acquiredChanged = true;
  WriteAcquiredBoards();
}

// ---- the update dialog -----------------------------------------------------

struct MenuDialog {
  MenuSources sources;
  DownloadJob* job = nullptr;
  JobPoll poll;
  char shown[kAddressMax] = "";
};
MenuDialog* g_menuDialog = nullptr;

void ShowMenuAddress(HWND dialog, const char* address) {
  CopyText(g_menuDialog->shown, address);
  SjSetWindowText(GetDlgItem(dialog, IDC_BM_ADDRESS), address);
}

void ShowProgress(HWND dialog) {
  DownloadJob* job = g_menuDialog->job;
  char line[64];
  FormatText(line, sizeof line, "%d / %d", static_cast<int>(job->receivedSize.load()),
             static_cast<int>(job->expectedSize.load()));
  SjSetWindowText(GetDlgItem(dialog, IDC_BM_PROGRESS), line);
  char status[520];
  copyJobStatus(*job, status, sizeof status);
  SjSetWindowText(GetDlgItem(dialog, IDC_BM_ADDRESS), status);
}

void CollectMovedLine(const char* line, void* context) {
  HWND list = static_cast<HWND>(context);
  if (g_movedCount < kMovedLinesMax) CopyText(g_movedLines[g_movedCount++], line);
  WriteEventLog('i', "%s", line);
  if (list) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(line).get()));
}

void CloseMenuDialog(HWND dialog) {
  if (g_menuDialog->job) {
    g_menuDialog->poll.stop();
    stopJob(*g_menuDialog->job);
    releaseJob(g_menuDialog->job);
    g_menuDialog->job = nullptr;
  }
  g_settings.BordTopw = IsDlgButtonChecked(dialog, IDC_BM_STARTUP) == BST_CHECKED ? 1 : 0;
  EndDialog(dialog, 0);
}

void FinishMenuJob(HWND dialog, bool ok) {
  ShowProgress(dialog);
  g_settings.TreeSele = 0;
  HWND list = GetDlgItem(dialog, IDC_BM_MOVED);
  SendMessage(list, LB_RESETCONTENT, 0, 0);
  g_movedCount = 0;
  // The new menu goes into the active slot; the other slot still holds the
  // tree that was in use, so boards whose address changed can be named.
  // After a failure there is no new menu, and the active slot still holds a
  // tree from an older update: comparing it would name stale moves.
  if (ok) {
    FillBoardTree();
    ListMovedBoards(Active(), Other(), CollectMovedLine, list);
  }
  g_menuDialog->poll.stop();
  releaseJob(g_menuDialog->job);
  g_menuDialog->job = nullptr;
  if (ok) CloseMenuDialog(dialog);
}

void StartMenuDownload(HWND dialog) {
  MenuDialog& m = *g_menuDialog;
  if (m.job) return;  // one download at a time
  char address[kAddressMax];
  CopyText(address, m.shown);
  if (!address[0]) return;
  AddMenuSource(m.sources, address);
  CopyText(g_settings.BoadAddr, address);
  // The acquired-boards list is a local file: there is nothing to fetch
  // (its "host" must never be looked up).
  if (strcmp(address, kAcquiredMenuAddress) == 0) {
    WriteAcquiredFile();
    CloseMenuDialog(dialog);
    return;
  }
  m.job = newJob();
  CopyText(m.job->url, address);
  m.job->ReadType = kReadPage;
  m.job->ownerWindow = dialog;
  SjSetWindowText(GetDlgItem(dialog, IDC_BM_PROGRESS), "");
  SendMessage(GetDlgItem(dialog, IDC_BM_MOVED), LB_RESETCONTENT, 0, 0);
  if (!startJob(*m.job)) {
    char status[520];
    copyJobStatus(*m.job, status, sizeof status);
    SjSetWindowText(GetDlgItem(dialog, IDC_BM_ADDRESS), status);
    releaseJob(m.job);
    m.job = nullptr;
    return;
  }
  m.poll.start(dialog, kMenuPollTimer);
}

void MenuTick(HWND dialog) {
  MenuDialog& m = *g_menuDialog;
  if (!m.job) return;
  switch (m.poll.tick(*m.job)) {
    case PollStep::Quiet:
      break;
    case PollStep::Progress:
    case PollStep::Status:
      ShowProgress(dialog);
      break;
    case PollStep::Done:
      FinishMenuJob(dialog, true);
      break;
    case PollStep::Failed:
      FinishMenuJob(dialog, false);
      break;
  }
}

void InitMenuDialog(HWND dialog) {
  MenuDialog& m = *g_menuDialog;
  LoadMenuSources(m.sources);
  HWND combo = GetDlgItem(dialog, IDC_BM_SOURCE);
  for (int32_t i = 0; i < m.sources.count; ++i)
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(m.sources.items[i].name).get()));
  int32_t current = FindMenuSourceByAddress(m.sources, g_settings.BoadAddr);
  if (current >= 0) SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
  ShowMenuAddress(dialog, g_settings.BoadAddr);
  CheckDlgButton(dialog, IDC_BM_STARTUP, g_settings.BordTopw ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR CALLBACK MenuDialogProc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitMenuDialog(dialog);
      if (g_dialogHook) g_dialogHook(dialog);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(w);
      int code = HIWORD(w);
      if (id == IDC_BM_SOURCE && code == CBN_SELCHANGE) {
        LRESULT sel = SendMessage(GetDlgItem(dialog, IDC_BM_SOURCE), CB_GETCURSEL, 0, 0);
        if (sel >= 0 && sel < g_menuDialog->sources.count)
          ShowMenuAddress(dialog, g_menuDialog->sources.items[sel].address);
      } else if (id == IDC_BM_SOURCE && code == CBN_EDITCHANGE) {
        char typed[kAddressMax];
        SjGetWindowText(GetDlgItem(dialog, IDC_BM_SOURCE), typed, sizeof typed);
        int32_t found = FindMenuSourceByPrefix(g_menuDialog->sources, typed);
        // An address that no source has yet is shown as typed, so that it
        // can be fetched and added.
        ShowMenuAddress(dialog, found >= 0 ? g_menuDialog->sources.items[found].address : typed);
      } else if (id == IDC_BM_GET && code == BN_CLICKED) {
        StartMenuDownload(dialog);
      } else if (id == IDC_BM_OPEN && code == BN_CLICKED) {
        if (g_menuDialog->shown[0]) {
          AddMenuSource(g_menuDialog->sources, g_menuDialog->shown);
          CopyText(g_settings.BoadAddr, g_menuDialog->shown);
          if (strcmp(g_menuDialog->shown, kAcquiredMenuAddress) == 0) WriteAcquiredFile();
        }
        CloseMenuDialog(dialog);
      } else if (id == IDCANCEL) {
        CloseMenuDialog(dialog);
      }
      return TRUE;
    }
    case WM_TIMER:
      if (w == kMenuPollTimer) MenuTick(dialog);
      return TRUE;
    case WM_CLOSE:
      CloseMenuDialog(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// ---- what the main window calls ----------------------------------------------

HWND CreateBoardTreePane(HWND main, int which) {
  if (which != 0 && !g_settings.TreeType) return nullptr;
  if (which == 0) {
    ReadAcquiredBoards();
    g_shownCategory = -1;
  }
  int id = which == 0 ? kBoardTreeId : kBoardTree2Id;
  HWND list =
      SjCreateWindowEx(WS_EX_CLIENTEDGE, "SysListView32", "",
                       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                           LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                       0, 0, 120, 100, main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
  if (!list) {
    WriteEventLog('e', "board tree not created (%lu)", GetLastError());
    return nullptr;
  }
  SendMessage(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  TextArg title("Name");
  LVCOLUMN column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 100;
  column.pszText = title.get();
  SendMessage(list, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&column));
  if (which == 0) {
    // The strip follows SetFntTL as it is when the pane is made.
    if (g_icons) ImageList_Destroy(g_icons);
    g_icons = BuildIcons();
  } else if (!g_icons) {
    g_icons = BuildIcons();
  }
  SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(g_icons));
  WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PaneProc)));
  if (!g_listProc) g_listProc = old;
  FitColumn(list);
  if (which == 0)
    g_tree = list;
  else
    g_tree2 = list;
  SetRowCount(list);
  return list;
}

bool FillBoardTree() {
  FileBuffer first, menu, second;
  BoardSources s;
  if (LoadProgramFile(g_settings.TreeAdd1, &first)) s.firstFile = first.data, s.firstLength = first.size;
  if (g_settings.BoadAddr[0] && IsCached(g_settings.BoadAddr)) {
    char local[kAddressMax];
    CopyText(local, g_settings.BoadAddr);
    if (LocalPathOf(local, g_settings.ChFolder) && LoadFile(local, &menu)) s.menu = menu.data, s.menuLength = menu.size;
  }
  if (LoadProgramFile(g_settings.TreeAdd2, &second)) s.secondFile = second.data, s.secondLength = second.size;
  g_settings.treeCategoryCount = BuildBoardTree(Active(), s, g_settings.BoadAddr, g_settings.TreeOpen);
  g_shownCategory = -1;
  RefreshCounts();
  return Active().count > 0;
}

void SelectBoardTreeRow() {
  if (!g_tree) return;
  BoardTree& t = Shown();
  int32_t sele = g_settings.TreeSele;
  if (TwoLists()) {
    int32_t row = CategoryRowOfItem(t, sele);
    if (row < 0) row = 0;
    SelectRow(g_tree, row);
    ShowCategory(ItemOfCategoryRow(t, row));
    int32_t first = 0;
    int32_t n = BoardsOfCategory(t, g_shownCategory, &first);
    if (sele >= first && sele < first + n) SelectRow(g_tree2, sele - first);
    return;
  }
  int32_t row = RowOfItem(t, sele);
  if (row < 0) row = 0;
  SelectRow(g_tree, row);
  // The row half a page further down comes into view first, so the chosen
  // row stands near the middle.
  int32_t rows = VisibleRowCount(t);
  int32_t page = static_cast<int32_t>(SendMessage(g_tree, LVM_GETCOUNTPERPAGE, 0, 0));
  int32_t below = row + page / 2;
  if (below >= rows) below = rows - 1;
  if (below > row) SendMessage(g_tree, LVM_ENSUREVISIBLE, static_cast<WPARAM>(below), FALSE);
  if (rows > 0) SendMessage(g_tree, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

bool RunBoardMenuDialog(HWND owner) {
  char before[kAddressMax];
  CopyText(before, g_settings.BoadAddr);
  WriteAcquiredBoards();
  // During the dialog the active slot holds the tree from before the
  // previous update and the other slot the tree in use.
  g_activeSlot ^= 1;
  g_showOther = true;
  auto dialog = std::make_unique<MenuDialog>();
  g_menuDialog = dialog.get();
  INT_PTR result = DialogBoxParam(g_instance, MAKEINTRESOURCE(IDD_BOARD_MENU), owner, MenuDialogProc, 0);
  if (result == -1) WriteEventLog('e', "board menu dialog not shown (%lu)", GetLastError());
  if (dialog->job) {
    stopJob(*dialog->job);
    releaseJob(dialog->job);
  }
  g_menuDialog = nullptr;
  g_showOther = false;
  FillBoardTree();
  return strcmp(before, g_settings.BoadAddr) != 0;
}

void WriteAcquiredBoards() {
  if (!g_acquiredChanged) return;
  if (g_acquiredUnreadable) {
    WriteEventLog('e', "acquired.htm unreadable, not written");
    return;
  }
  std::unique_ptr<char[]> text(new char[kBoardFileTextMax]);
  size_t n = FormatBoardFile(g_acquired, false, text.get(), kBoardFileTextMax);
  char path[kAddressMax];
  AcquiredPath(path, sizeof path);
  CreateFolderPath(path);
  // One step from the old list to the new one: a failure keeps the old file.
  if (n && ReplaceFileContents(path, text.get(), n))
    g_acquiredChanged = false;
  else
    WriteEventLog('e', "acquired.htm not written");
}

LRESULT BoardPaneNotify(NMHDR* h) {
  if (!h || (h->hwndFrom != g_tree && h->hwndFrom != g_tree2)) return 0;
  HWND list = h->hwndFrom;
  switch (h->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
      FillDisplay(h);
      return 0;
    case LVN_ITEMCHANGED: {
      auto* c = reinterpret_cast<NMLISTVIEW*>(h);
      if (g_selecting || c->iItem < 0 || !(c->uChanged & LVIF_STATE)) return 0;
      if (!(c->uNewState & LVIS_SELECTED) || (c->uOldState & LVIS_SELECTED)) return 0;
      int32_t item = ItemForRow(list, c->iItem);
      if (item < 0) return 0;
      g_settings.TreeSele = item;
      if (list == g_tree && TwoLists()) ShowCategory(item);
      return 0;
    }
    case NM_CLICK:
      Click(list, reinterpret_cast<NMITEMACTIVATE*>(h)->iItem);
      return 0;
    case NM_DBLCLK: {
      // The first click of a double click has toggled a category already;
      // the double click chooses boards only.
      int32_t item = ItemForRow(list, reinterpret_cast<NMITEMACTIVATE*>(h)->iItem);
      if (item >= 0 && !IsCategory(Shown().items[item])) ChooseBoard(item);
      return 0;
    }
    case NM_RCLICK:
      ShowPanePopup(list);
      return 0;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
      return -1;
    default:
      return 0;
  }
}

// ---- the rest ----------------------------------------------------------------

BoardTree& ActiveBoardTree() { return Active(); }
BoardTree& AcquiredBoards() { return g_acquired; }
bool AcquiredBoardsChanged() { return g_acquiredChanged; }

void ChooseBoard(int32_t item) {
  BoardTree& t = Shown();
  if (item < 0 || item >= t.count || IsCategory(t.items[item])) return;
  char name[260], address[kAddressMax];
  CopyText(name, t.items[item].name);
  CopyText(address, t.items[item].address);
  SaveCurrentAcquiredList();
  char current[kAddressMax], acquired[kAddressMax];
  if (!ChosenBoardAddresses(address, current, acquired)) CopyText(current, address);
  CopyText(g_settings.currentBoardUrl, current);
  if (acquired[0] && AddAcquiredBoard(g_acquired, name, acquired)) g_acquiredChanged = true;
  PostToMain(kCommandListFetch);
}

int32_t FindBoardTreeRow(const char* text, int32_t start) {
  if (TwoLists()) return FindBoardRow(Shown(), text, start, CategoryRowCount(Shown()), ItemOfCategoryRow);
  return FindBoardRow(Shown(), text, start, VisibleRowCount(Shown()), ItemOfRow);
}

void SelectBoardTreeRowAt(int32_t row) {
  SelectRow(g_tree, row);
  int32_t item = ItemForRow(g_tree, row);
  if (item < 0) return;
  g_settings.TreeSele = item;
  if (TwoLists()) ShowCategory(item);
}

int32_t FocusedBoardTreeRow() {
  if (!g_tree) return -1;
  return static_cast<int32_t>(SendMessage(g_tree, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int32_t BoardMenuMovedLineCount() { return g_movedCount; }
const char* BoardMenuMovedLine(int32_t n) { return n >= 0 && n < g_movedCount ? g_movedLines[n] : ""; }

bool BoardMenuDownloading() { return g_menuDialog && g_menuDialog->job; }

void SetBoardMenuDialogHookForTest(void (*hook)(HWND dialog)) { g_dialogHook = hook; }

}  // namespace kv
