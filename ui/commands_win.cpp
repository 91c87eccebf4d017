// The main window's numbered commands.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstdlib>

#include "boards/favourites.h"
#include "boards/patrol_win.h"
#include "core/address.h"
#include "core/app.h"
#include "core/edition.h"
#include "core/edition_win.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "net/clock_win.h"
#include "net/download_win.h"
#include "net/job.h"
#include "post/write_dialog_win.h"
#include "reader/popup_win.h"
#include "reader/view_win.h"
#include "ui/bars_win.h"
#include "ui/commands.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/resource.h"
#include "ui/tools_win.h"

namespace kv {

namespace {

const char kRestartNotice[] = "板一覧とスレ一覧のフォントは再起動後に反映されます。";

bool SmallClient(HWND main) {
  RECT c;
  GetClientRect(main, &c);
  return c.right < 480;
}

// Starts a program or shortcut of the program folder when it exists.
bool StartFromProgramFolder(HWND main, const char* name, const char* parameters) {
  char path[MAX_PATH];
  FormatText(path, sizeof path, "%s%s", g_programFolder, name);
  if (!SjFileExists(path)) return false;
  ShellExecute(main, nullptr, TextArg(path).get(), parameters ? TextArg(parameters).get() : nullptr,
               TextArg(g_programFolder).get(), SW_SHOWNORMAL);
  return true;
}

void StartEditor(HWND main, const char* format, const char* parameters) {
  char name[64];
  FormatText(name, sizeof name, format, "");
  StartFromProgramFolder(main, name, parameters);
}

void SelectListRow0() {
  if (!g_panes.list) return;
  LVITEM item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(g_panes.list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  SendMessage(g_panes.list, LVM_ENSUREVISIBLE, 0, FALSE);
}

HWND CurrentThreadWindow() {
  HWND w = g_panes.currentThread;
  if (w && IsWindow(w) && ThreadWindowSlot(w) >= 0) return w;
  return nullptr;
}

void PostToCurrentThread(int command, LPARAM l = 0) {
  if (HWND w = CurrentThreadWindow()) PostMessage(w, WM_COMMAND, command, l);
}

void FocusCurrentThread(HWND main) {
  HWND w = CurrentThreadWindow();
  if (!w) w = ThreadWindowInSlot(0);
  FocusPane(w);
  PostMessage(main, WM_SIZE, 0, 0);
}

// Occupied slots from 1 on, after (or before) a given one.
HWND NextThreadWindow(int slot, int step) {
  for (int s = slot + step; s >= 1 && s < kThreadSlots; s += step)
    if (HWND w = ThreadWindowInSlot(s)) return w;
  return nullptr;
}

void NextPane(HWND main) {
  HWND f = g_panes.lastFocus;
  if (f == g_panes.tree) {
    FocusPane(g_panes.tree2 ? g_panes.tree2 : g_panes.list);
  } else if (f == g_panes.tree2) {
    FocusPane(g_panes.list);
  } else if (f == g_panes.list) {
    FocusCurrentThread(main);
  } else if (ThreadWindowSlot(f) >= 0) {
    HWND next = NextThreadWindow(ThreadWindowSlot(f) < 1 ? 0 : ThreadWindowSlot(f), 1);
    FocusPane(next ? next : g_panes.tree);
  } else {
    FocusPane(g_panes.tree);
  }
}

void PreviousPane(HWND main) {
  HWND f = g_panes.lastFocus;
  if (f == g_panes.list) {
    FocusPane(g_panes.tree2 ? g_panes.tree2 : g_panes.tree);
  } else if (f == g_panes.tree2) {
    FocusPane(g_panes.tree);
  } else if (f == g_panes.tree) {
    FocusCurrentThread(main);
  } else if (ThreadWindowSlot(f) >= 0) {
    int slot = ThreadWindowSlot(f);
    HWND previous = slot > 1 ? NextThreadWindow(slot, -1) : nullptr;
    FocusPane(previous ? previous : g_panes.list);
  } else {
    FocusPane(g_panes.list);
  }
}

// 40012 from a thread window: close it and focus another one.
void CloseCurrentThread(HWND main) {
  HWND f = g_panes.lastFocus;
  if (f == g_panes.tree) {
    FocusPane(g_panes.tree2 ? g_panes.tree2 : g_panes.list);
    return;
  }
  if (f == g_panes.tree2) {
    FocusPane(g_panes.tree);
    return;
  }
  if (f == g_panes.list) {
    FocusPane(g_panes.tree2 ? g_panes.tree2 : g_panes.tree);
    return;
  }
  HWND current = CurrentThreadWindow();
  if (!current) return;
  if (ThreadWindowDownloading(current) &&
      SjMessageBox(main, "ｽﾚｯﾄﾞ通信中です\r\n\r\n閉じてもよろしいですか？", "Kurovel", MB_YESNO | MB_ICONQUESTION) !=
          IDYES)
    return;
  HWND other = nullptr;
  for (int s = kThreadSlots - 1; s >= 1 && !other; --s) {
    HWND w = ThreadWindowInSlot(s);
    if (w && w != current) other = w;
  }
  FocusPane(other ? other : g_panes.list);
  if (ThreadWindowSlot(current) > 0) CloseThreadWindow(current);
  if (!other) g_panes.currentThread = nullptr;
}

void OpenInBrowser(HWND main) {
  char address[260];
  AddressBarText(address, sizeof address);
  if (!address[0]) return;
  char url[260];
  AddressForBrowser(address, url, sizeof url);
  char program[260];
  CopyText(program, g_settings.OBrowser);
  if (!program[0]) DefaultBrowser(0, program, sizeof program);
  if (!program[0]) DefaultBrowser(1, program, sizeof program);
  if (program[0] && SjFileExists(program))
    ShellExecute(main, nullptr, TextArg(program).get(), TextArg(url).get(), nullptr, SW_SHOWNORMAL);
  else
    ShellExecute(main, nullptr, TextArg(url).get(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ChangeSmallIcon(HWND main) {
  int r = rand() % 12;
  if (r <= 5) return;
  int id = r == 6 ? IDI_KVEL_ALT1 : r == 7 ? IDI_KVEL_ALT2 : IDI_KVEL;
  HICON icon = static_cast<HICON>(LoadImage(g_instance, MAKEINTRESOURCE(id), IMAGE_ICON, 16, 16, LR_SHARED));
  if (icon) SendMessage(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void OpenCurrentThread(HWND main) {
  ChangeSmallIcon(main);
  WarnIfLowMemory(main);
  // Files (programs, pictures, sound, video, archives) are offered for download.
  if (ClassifyAddress(g_settings.currentThreadUrl) >= kContentProgram) {
    OpenDownloadDialog(main, g_settings.currentThreadUrl);
    return;
  }
  HWND view = FindOrCreateThreadWindow(main, g_settings.currentThreadUrl);
  if (!view) return;
  SendMessage(view, WM_COMMAND, 40008, 0);
  FocusPane(view);
}

void FetchThreadList(HWND main) {
  ContentKind kind = ClassifyAddress(g_settings.currentBoardUrl);
  if (NamesFeed(g_settings.currentBoardUrl)) kind = kContentFeed;
  if (kind > 8) {
    OpenDownloadDialog(main, g_settings.currentBoardUrl);
    return;
  }
  if (kind == kContentDat || kind == kContentPage || kind == kContentMenu) {
    CopyText(g_settings.currentThreadUrl, g_settings.currentBoardUrl);
    g_settings.currentThreadTitle[0] = 0;
    OpenCurrentThread(main);
    return;
  }
  LoadThreadList();
  LayOut(main);
  FocusPane(g_panes.list);
  SelectListRow0();
  ShowAddress(g_settings.currentBoardUrl);
}

void OpenTypedAddress(HWND main) {
  char address[260];
  AddressBarText(address, sizeof address);
  ContentKind kind = ClassifyAddress(address);
  if (kind <= kContentPage) {
    ToDatUrl(address);
    CopyText(g_settings.currentThreadUrl, address);
    g_settings.currentThreadTitle[0] = 0;
    OpenCurrentThread(main);
  } else if (kind == kContentFeed || kind == kContentIndex) {
    CopyText(g_settings.currentBoardUrl, address);
    FetchThreadList(main);
  } else if (kind == kContentMenu) {
    CopyText(g_settings.BoadAddr, address);
    RunCommand(main, 40005, 0);
  } else if (kind >= kContentProgram) {
    OpenDownloadDialog(main, address);
  }
}

void BoardListDialog(HWND main) {
  WriteAcquiredBoards();
  bool changed = RunBoardMenuDialog(main);
  LayOut(main);
  FillBoardTree();
  if (changed) g_settings.TreeSele = 0;
  SelectBoardTreeRow();
  FocusPane(g_panes.tree);
}

void ToggleTabBar(HWND main) {
  g_settings.TabbHide = !g_settings.TabbHide;
  if (g_bars.tabs && g_settings.screenWidth >= 480) ShowWindow(g_bars.tabs, g_settings.TabbHide ? SW_HIDE : SW_SHOW);
  LayOut(main);
}

void SetInt(int32_t& field, int32_t value) { field = value; }

void ToggleFreeWindows(HWND main) {
  bool on = g_settings.FreeTWnd.width && g_settings.FreeTWnd.height;
  const char* text = on ? "新たに開いたｳｲﾝﾄﾞｳから、通常ﾓｰﾄﾞになります。" : "新たに開いたｳｲﾝﾄﾞｳから、ﾌﾘｰｳｲﾝﾄﾞｳになります。";
  if (SjMessageBox(main, text, "Kurovel", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  g_settings.FreeTWnd.width = g_settings.FreeTWnd.height = on ? 0 : 240;
}

void Launcher(HWND main, int command) {
  const char* name = LauncherName(g_keys, command);
  if (!name[0]) return;
  char file[128], address[260];
  FormatText(file, sizeof file, "%s.lnk", name);
  AddressBarText(address, sizeof address);
  StartFromProgramFolder(main, file, address);
}

INT_PTR CALLBACK VersionProc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(w));
    return TRUE;
  }
  return FALSE;
}

// The pane that holds the focus now, however it got it (a click, a tab),
// becomes the last focused pane; a thread window also the current one.
void RefreshFocus(HWND main) {
  for (HWND w = GetFocus(); w && w != main; w = GetParent(w)) {
    if (w == g_panes.tree || w == g_panes.tree2 || w == g_panes.list) {
      g_panes.lastFocus = w;
      return;
    }
    if (ThreadWindowSlot(w) >= 0) {
      g_panes.lastFocus = g_panes.currentThread = w;
      return;
    }
  }
}

}  // namespace

void RunCommand(HWND main, int command, LPARAM l) {
  RefreshFocus(main);
  if (command >= 40300 && command <= 40399) {
    HWND w = TabWindow(command - 40300);
    if (w) FocusPane(w);
    return;
  }
  bool display = false;  // the menu checks and the current view follow the change
  switch (command) {
    case 40001:
      PostMessage(main, WM_CLOSE, 0, 0);
      return;
    case 40098:  // the patrol dialog
      OpenPatrolDialog();
      return;
    case 40003:
      PlaySound(MAKEINTRESOURCE(IDR_SOUND), g_instance, SND_RESOURCE | SND_ASYNC);
      DialogBoxParam(g_instance, MAKEINTRESOURCE(IDD_VERSION), main, VersionProc, 0);
      if (SmallClient(main))
        if (HWND view = ThreadWindowInSlot(0)) BringWindowToTop(view);
      return;
    case 40005:
      BoardListDialog(main);
      return;
    case 40006:
      FetchThreadList(main);
      return;
    case 40008:
      OpenCurrentThread(main);
      return;
    case 40012:
      CloseCurrentThread(main);
      return;
    case 40014:
      g_settings.fOffLine = !g_settings.fOffLine;
      display = true;
      break;
    case 40015:
      if (!StartFromProgramFolder(main, "RDIAL.lnk", nullptr))
        SjMessageBox(main, "RDIAL.lnkﾌｧｲﾙがありません。", "Kurovel", MB_OK);
      return;
    case 40016:
      OpenTypedAddress(main);
      return;
    case 40017:
      OpenInBrowser(main);
      return;
    case 40018:
      if (!RunToolCommand(main, 40018)) PostToCurrentThread(40018);
      return;
    case 40021:
    case 40026:
    case 40056:
      PostToCurrentThread(command);
      return;
    case 40019:  // the write dialog of the current thread (post/)
      openWriteDialogFor(main, CurrentThreadWindow());
      return;
    case 40089:  // the posting animation's preview (post/)
      PreviewPostingAnimation(main);
      return;
    case 40024:
      FocusCurrentThread(main);
      return;
    case 40025:
      NextPane(main);
      return;
    case 40055:
      PreviousPane(main);
      return;
    case 40027:
      if (g_panes.lastFocus == g_panes.list) {
        FetchThreadList(main);
      } else {
        if (HWND w = CurrentThreadWindow()) SendMessage(w, WM_COMMAND, 40027, 0);
        FocusCurrentThread(main);
      }
      return;
    case 40028: {
      char title[260] = "", address[260] = "";
      HWND w = CurrentThreadWindow();
      if (!w) return;
      SjGetWindowText(w, title, sizeof title);
      // The thread's log address: the address bar shows the reading-script
      // form, which the favourites list cannot open as a thread.
      ThreadViewState* view = ViewStateOf(w);
      if (view && view->job) CopyText(address, view->job->url);
      if (!title[0] || !address[0]) return;
      char arguments[600];
      SelmArguments(title, address, arguments, sizeof arguments);
      StartEditor(main, kFavouritesEditorFormat, arguments);
      return;
    }
    case 40029:
      StartEditor(main, kFavouritesEditorFormat, nullptr);
      return;
    case 40104:
      StartEditor(main, kBoardEditorFormat, nullptr);
      return;
    case 40030:
      ShowFavourites();
      FocusPane(g_panes.list);
      SelectListRow0();
      return;
    case 40031:
      ToggleTabBar(main);
      display = true;
      break;
    case 40032:
      g_settings.StatHide = !g_settings.StatHide;
      if (g_bars.status) ShowWindow(g_bars.status, g_settings.StatHide ? SW_HIDE : SW_SHOW);
      LayOut(main);
      display = true;
      break;
    case 40033:
      g_settings.AddrHide = !g_settings.AddrHide;
      LayOut(main);
      display = true;
      break;
    case 40034:
      FocusPane(g_panes.tree);
      return;
    case 40035:
      FocusPane(g_panes.list);
      return;
    case 40046:
    case 40049:
      ShowAcquiredList(command == 40049);
      FocusPane(g_panes.list);
      SelectListRow0();
      return;
    case 40047:
      FocusPane(g_panes.list);
      CloseAllThreadWindows();
      return;
    case 40048:
      if (HWND w = CurrentThreadWindow()) PostMessage(w, WM_RBUTTONUP, 0, 0);
      return;
    case 40050:
      g_settings.TateYoko = ToggledTateYoko(g_settings.TateYoko, g_settings.screenWidth, g_settings.screenHeight);
      LayOut(main);
      display = true;
      break;
    case 40054:
      ToggleFreeWindows(main);
      display = true;
      break;
    case 40060:
    case 40061:
    case 40062:
      g_settings.fAACheck = command - 40060;
      display = true;
      break;
    case 40063:
      g_settings.fAACheck = (g_settings.fAACheck + 1) % 3;
      display = true;
      break;
    case 40091: SetInt(g_settings.FontSize, 4), display = true; break;
    case 40092: SetInt(g_settings.FontSize, 5), display = true; break;
    case 40073: SetInt(g_settings.FontSize, 6), display = true; break;
    case 40065: SetInt(g_settings.FontSize, 8), display = true; break;
    case 40066: SetInt(g_settings.FontSize, 9), display = true; break;
    case 40070: SetInt(g_settings.FontSize, 10), display = true; break;
    case 40067: SetInt(g_settings.FontSize, 12), display = true; break;
    case 40071: SetInt(g_settings.FontSize, 14), display = true; break;
    case 40068: SetInt(g_settings.FontSize, 16), display = true; break;
    case 40094:
    case 40095:
    case 40085:
    case 40086:
    case 40084:
    case 40087:
    case 40088: {
      static const struct {
        int id, size;
      } kSizes[] = {{40094, 4}, {40095, 5}, {40085, 6}, {40086, 8}, {40084, 9}, {40087, 10}, {40088, 12}};
      for (const auto& s : kSizes)
        if (s.id == command) g_settings.SetFntTL = s.size;
      SjMessageBox(main, kRestartNotice, "Kurovel", MB_OK);
      display = true;
      break;
    }
    case 40069:
      g_settings.ZipPack = g_settings.ZipPack == 0 ? 6 : 0;
      display = true;
      break;
    case 40100:  // the download dialog, empty
      OpenDownloadDialog(main, "");
      return;
    case 40074:
      g_settings.TabUnder = !g_settings.TabUnder;
      LayOut(main);
      display = true;
      break;
    case 40082: g_settings.NgClearn = !g_settings.NgClearn, display = true; break;
    case 40090: g_settings.HpcAutoW = !g_settings.HpcAutoW, display = true; break;
    case 40093: g_settings.ClearTyp = !g_settings.ClearTyp, display = true; break;
    case 40107: g_settings.LRkeyPUD = !g_settings.LRkeyPUD, display = true; break;
    case 40109: g_settings.NetAtchk = !g_settings.NetAtchk, display = true; break;
    case 40112: g_settings.NTPCheck = !g_settings.NTPCheck, display = true; break;
    case 40113:
      g_settings.MultLine = !g_settings.MultLine;
      SjMessageBox(main, kRestartNotice, "Kurovel", MB_OK);
      display = true;
      break;
    case 40076:
    case 40077:
    case 40078:
    case 40079:
    case 40080:
    case 40081:
      g_settings.NowTSort = SortDefaultAfter(command, g_settings.NowTSort);
      display = true;
      break;
    case 40115:
    case 40116:
    case 40117:
    case 40118:
    case 40119:
      SortThreadList(command - 40115);
      return;
    case 40106:
      if (askNetwork() == 1) PostMessage(main, WM_COMMAND, 40015, 0);
      return;
    case 40108:
      if (HWND view = ThreadWindowInSlot(0)) {
        FocusPane(view);
        BringWindowToTop(view);
      }
      return;
    case 40114:
      ToggleListColumnHeader();
      display = true;
      break;
    case 40120:
    case 40121:
    case 40122:
    case 40123:
    case 40124:
    case 40125:
    case 40126:
    case 40127:
      Launcher(main, command);
      return;
    default:
      // The tools: searches, the text editor (40072 included), the proxy dialog.
      if (RunToolCommand(main, command)) return;
      // 40075 and 40111 do nothing here; the Parts not built yet (posting,
      // pop-ups, patrol, downloads, animation) have no handler.
      return;
  }
  if (display) {
    UpdateMenuChecks(main);
    if (HWND w = CurrentThreadWindow()) InvalidateRect(w, nullptr, TRUE);
  }
  (void)l;
}

}  // namespace kv
