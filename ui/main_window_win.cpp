#include "ui/main_window_win.h"

#include <windows.h>

#include <commctrl.h>

#include "core/app.h"
#include "core/edition.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "core/settings.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "net/job.h"
#include "ui/bars_win.h"
#include "ui/commands.h"
#include "ui/keys_win.h"
#include "ui/layout.h"
#include "ui/panes_win.h"
#include "ui/resource.h"
#include "ui/textdialog_win.h"
#include "boards/list_win.h"

namespace kv {

HWND g_mainWindow;
Panes g_panes;

namespace {

HWND g_savedFocus;       // the control that had the focus when the window was deactivated
HWND g_focusAtNotify;    // the focused control at the last notification
bool g_popupOpen;
HFONT g_statusFont, g_paneFont;

struct DragState {
  Splitter edge;
  HWND bar;
  POINT last;
  int32_t value;
  bool changed;
};
DragState g_drag;

bool SmallScreen() { return g_settings.screenWidth < 480; }
bool FreeWindows() { return g_settings.FreeTWnd.width && g_settings.FreeTWnd.height; }

int RebarHeight() {
  if (!g_bars.rebar || !IsWindowVisible(g_bars.rebar)) return 0;
  RECT r;
  GetWindowRect(g_bars.rebar, &r);
  return r.bottom - r.top;
}

HFONT PointFont(int points, int weight = FW_NORMAL) {
  HDC dc = GetDC(nullptr);
  int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(nullptr, dc);
  return SjCreateFont(height, weight, SHIFTJIS_CHARSET, g_settings.FontName);
}

void SetFont(HWND w, HFONT f) {
  if (w && f) SendMessage(w, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
}

bool IsThreadWindow(HWND w) { return w && ThreadWindowSlot(w) >= 0; }

void StoreWindowRect(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  WindowRect current{r.left, r.top, r.right - r.left, r.bottom - r.top};
  WindowRect stored;
  if (!IsZoomed(window) && SaneWindowRect(current, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                          &stored))
    g_settings.WindowPt = stored;
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  EndPaint(window, &ps);
}

void CreatePanes(HWND main) {
  memset(&g_panes, 0, sizeof g_panes);
  CreateRebar(main);
  g_panes.tree = CreateBoardTreePane(main, 0);
  g_panes.tree2 = CreateBoardTreePane(main, 1);
  g_panes.list = CreateThreadListPane(main);
  SetTitleUrlDialog(OpenTitleUrlText);  // the list's "タイトルとURL"
  if (!g_panes.tree || !g_panes.list) return;  // the window stays without panes
  CreateTabBar(main);
  if (g_bars.tabs) {
    if (g_settings.TreeType || SmallScreen()) {
      AddTab("板一覧", g_panes.tree);
      AddTab("スレ一覧", g_panes.list);
    }
    if (g_settings.TabbHide && !SmallScreen()) ShowWindow(g_bars.tabs, SW_HIDE);
  }
  HWND view = CreateDockedThreadView(main);
  if (!view) return;
  // The status bar takes the view's face at the thread-view size, at most 8
  // points, or the list size when that is smaller.
  int points = g_settings.FontSize < 8 ? g_settings.FontSize : 8;
  if (g_settings.SetFntTL > 0 && g_settings.SetFntTL < points) points = g_settings.SetFntTL;
  g_statusFont = PointFont(points);
  CreateStatusBar(main, g_statusFont);
  if (g_settings.SetFntTL) {
    g_paneFont = PointFont(g_settings.SetFntTL);
    SetFont(g_panes.tree, g_paneFont);
    SetFont(g_panes.tree2, g_paneFont);
    SetFont(g_panes.list, g_paneFont);
    SetFont(g_bars.tabs, g_paneFont);
  }
  // The list's rows are always drawn by the program, at the height of the
  // font the list has when the style is switched: a large font for a moment
  // gives the two-line mode its double rows.
  HFONT large = nullptr;
  if (g_settings.MultLine) {
    large = PointFont(g_settings.SetFntTL ? 2 * g_settings.SetFntTL : 9);
    SetFont(g_panes.list, large);
  }
  LONG_PTR style = GetWindowLongPtr(g_panes.list, GWL_STYLE);
  SetWindowLongPtr(g_panes.list, GWL_STYLE, style | LVS_OWNERDRAWFIXED);
  SetWindowPos(g_panes.list, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  if (large && g_paneFont) {
    SetFont(g_panes.list, g_paneFont);
    DeleteObject(large);
  }
  SetStatus("");
  UpdateMenuChecks(main);
}

// Splitters and the window-edge resize, pressed in the main window's own
// area (between the panes).
void BeginDrag(HWND main, int x, int y) {
  RECT c;
  GetClientRect(main, &c);
  SplitterInput in{x, y, c.right, RebarHeight(), g_settings.TreeWide, g_settings.ListWide, g_settings.TateYoko};
  Splitter edge = SplitterAt(in);
  if (edge == Splitter::None) return;
  g_drag = {edge, nullptr, {x, y}, 0, false};
  SetCapture(main);
  if (edge == Splitter::WindowEdge) return;
  // A 4-pixel bar follows the pointer.
  bool horizontal = edge == Splitter::TSplit;
  int bx = horizontal ? g_settings.TreeWide : (x < 16 ? 16 : x);
  int by = horizontal ? TSplitBarY(y, RebarHeight()) : RebarHeight();
  g_drag.bar = SjCreateWindowEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, bx, by,
                                horizontal ? c.right - bx : 4, horizontal ? 4 : c.bottom - by, main, nullptr,
                                g_instance, nullptr);
}

void MoveDrag(HWND main, int x, int y) {
  if (g_drag.edge == Splitter::None) return;
  if (g_drag.edge == Splitter::WindowEdge) {
    int dx = x - g_drag.last.x, dy = y - g_drag.last.y;
    if (dx > 8 || dx < -8 || dy > 9 || dy < -9) {
      RECT w;
      GetWindowRect(main, &w);
      SetWindowPos(main, nullptr, 0, 0, w.right - w.left + dx, w.bottom - w.top + dy, SWP_NOMOVE | SWP_NOZORDER);
      g_drag.last = {x, y};
    }
    return;
  }
  int32_t value;
  if (DragValue(g_drag.edge, x, y, RebarHeight(), g_settings.TreeWide, &value)) {
    g_drag.value = value;
    g_drag.changed = true;
  }
  if (g_drag.bar) {
    RECT c;
    GetClientRect(main, &c);
    if (g_drag.edge == Splitter::TSplit)
      SetWindowPos(g_drag.bar, nullptr, g_settings.TreeWide, TSplitBarY(y, RebarHeight()), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    else
      SetWindowPos(g_drag.bar, nullptr, x < 16 ? 16 : x, RebarHeight(), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
}

// The end of a drag: at the button's release (apply), or when the capture
// went elsewhere (an alert, another program): then the bar goes and the
// panes stay as they were. The drag is over before the capture is released,
// which reports the capture change back here.
void FinishDrag(HWND main, bool apply) {
  if (g_drag.edge == Splitter::None) return;
  DragState d = g_drag;
  g_drag = {};
  if (GetCapture() == main) ReleaseCapture();
  if (apply && d.changed) {
    if (d.edge == Splitter::TreeEdge) g_settings.TreeWide = d.value;
    if (d.edge == Splitter::ListEdge) g_settings.ListWide = d.value;
    if (d.edge == Splitter::TSplit) g_settings.TateYoko = d.value;
  }
  if (d.bar) DestroyWindow(d.bar);
  PostMessage(main, WM_SIZE, 0, 0);
}

void EndDrag(HWND main) { FinishDrag(main, true); }

// A movement command chosen from a menu or a hardware button becomes the
// key press it stands for, in the focused control.
void PressKeyFor(int command) {
  WORD vk = 0;
  bool shift = false;
  switch (command) {
    case 51: vk = VK_UP; break;
    case 52: vk = VK_DOWN; break;
    case 53: vk = VK_PRIOR; break;
    case 54: vk = VK_NEXT; break;
    case 56: vk = VK_TAB; break;
    case 57: vk = VK_TAB, shift = true; break;
    case 61: vk = VK_HOME; break;
    case 62: vk = VK_END; break;
    case 63: vk = VK_LEFT; break;
    case 64: vk = VK_RIGHT; break;
    default: return;
  }
  INPUT in[4] = {};
  int n = 0;
  if (shift) in[n].type = INPUT_KEYBOARD, in[n].ki.wVk = VK_SHIFT, ++n;
  in[n].type = INPUT_KEYBOARD, in[n].ki.wVk = vk, ++n;
  in[n].type = INPUT_KEYBOARD, in[n].ki.wVk = vk, in[n].ki.dwFlags = KEYEVENTF_KEYUP, ++n;
  if (shift) in[n].type = INPUT_KEYBOARD, in[n].ki.wVk = VK_SHIFT, in[n].ki.dwFlags = KEYEVENTF_KEYUP, ++n;
  SendInput(n, in, sizeof(INPUT));
}

void ShowMainPopup(HWND main, POINT at) {
  if (g_popupOpen) return;
  g_popupOpen = true;
  for (;;) {
    HMENU menu = CreatePopupMenu();
    const PopupMenu& user = PopupItems(g_keys, 3);
    if (user.count > 0) {
      AppendPopupItems(menu, user);
    } else {
      // The built-in menu, with the texts of the menu resource.
      static const int kItems[] = {40012, 40047, 40027, 40026, 40019, 40021, 40056, 40017, 40018, 40028};
      HMENU bar = GetMenu(main);
      for (int id : kItems) {
        TCHAR text[128] = {};
        if (!bar || !GetMenuString(bar, id, text, 127, MF_BYCOMMAND)) {
          const CommandInfo* c = FindCommand(id);
          AppendMenu(menu, MF_STRING, id, TextArg(c ? c->display : "").get());
        } else {
          AppendMenu(menu, MF_STRING, id, text);
        }
      }
    }
    int tabs = TabCount();
    if (tabs > 0) AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    for (int i = 0; i < tabs && i < 100; ++i) {
      char text[128];
      TabText(i, text, sizeof text);
      AppendMenu(menu, MF_STRING, 40300 + i, TextArg(text).get());
    }
    int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, at.x, at.y, 0, main, nullptr);
    DestroyMenu(menu);
    if (chosen == 0 && GetKeyState(VK_RETURN) < 0) {
      Sleep(500);  // Enter still held: the menu was closed by the key that opened it
      continue;
    }
    g_popupOpen = false;
    if (chosen >= 51 && chosen <= 69)
      PressKeyFor(chosen);
    else if (chosen > 0)
      PostMessage(main, WM_COMMAND, chosen, 0);
    return;
  }
}

// Hardware buttons (handheld): the key table of the pane that last had the
// focus decides.
void HotKey(HWND main, int code) {
  WriteEventLog('i', "softkey=%02X", code);
  if (code >= 0xC1 && code <= 0xCF) code -= 81;
  MSG queued;
  while (PeekMessage(&queued, main, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
  }
  HWND pane = g_panes.lastFocus;
  int table = pane == g_panes.tree ? kKeysTree : pane == g_panes.tree2 ? kKeysTree2
              : pane == g_panes.list ? kKeysList : kKeysView;
  int command = LookUpKey(g_keys, code, table);
  if (command == 0 || command == 55 || (command >= 58 && command <= 60) || (command >= 65 && command <= 69)) return;
  if (command >= 51 && command <= 64) {
    PressKeyFor(command);
    return;
  }
  HWND target = (table == kKeysView && IsThreadWindow(GetFocus())) ? GetFocus() : main;
  PostMessage(target, WM_COMMAND, command, 0);
}

void OnNotify(HWND main, NMHDR* h) {
  if (!h) return;
  if (h->hwndFrom && (h->hwndFrom == g_panes.tree || h->hwndFrom == g_panes.tree2)) {
    BoardPaneNotify(h);
  } else if (h->hwndFrom && (h->hwndFrom == g_panes.list || GetParent(h->hwndFrom) == g_panes.list)) {
    ThreadListNotify(h);
  } else if (h->hwndFrom && h->hwndFrom == g_bars.tabs && h->code == TCN_SELCHANGE) {
    HWND w = CurrentTabWindow();
    if (w) {
      BringWindowToTop(w);
      FocusPane(w);
    }
  }
  HWND focus = GetFocus();
  if (focus != g_focusAtNotify) {
    g_focusAtNotify = focus;
    PostMessage(main, WM_SIZE, 0, 0);
  }
}

// Close sequence: confirm while downloads run, keep what must survive, hide
// now and destroy a second later.
void BeginClose(HWND window) {
  int running = activeDownloads.load();
  if (running > 0) {
    char text[200];
    FormatText(text, sizeof text, "現在ﾀﾞｳﾝﾛｰﾄﾞ中のﾌﾟﾛｾｽが %d 個あります。\r\n\r\n終了してよろしいですか？", running);
    if (SjMessageBox(window, text, "Kurovel", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  SaveListColumns();
  SaveCurrentAcquiredList();
  CloseAllThreadWindows();
  ShowWindow(window, SW_HIDE);
  SetTimer(window, kTimerDestroy, 1000, nullptr);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CREATE:
      g_mainWindow = window;
      CreatePanes(window);
      return 0;
    case WM_SIZE:
      LayOut(window);
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE) {
        g_savedFocus = GetFocus();
      } else {
        RECT c;
        GetClientRect(window, &c);
        HWND back = c.right < 480 ? g_panes.lastFocus : g_savedFocus;
        if (back && IsWindow(back)) SetFocus(back);
      }
      return 0;
    case WM_NOTIFY:
      OnNotify(window, reinterpret_cast<NMHDR*>(l));
      return 0;
    case WM_DRAWITEM:
      if (w == 40212) {
        DrawThreadListRow(reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        return TRUE;
      }
      break;
    case WM_MEASUREITEM:
      if (w == 40212) {
        MeasureThreadListRow(reinterpret_cast<MEASUREITEMSTRUCT*>(l));
        return TRUE;
      }
      break;
    case WM_KEYDOWN: {
      int command = LookUpKey(g_keys, static_cast<int>(w), kKeysDefault);
      if (command && !IsMovementCommand(command)) SendMessage(window, WM_COMMAND, command, 0);
      return 0;
    }
    case WM_HOTKEY:
      HotKey(window, static_cast<int>(HIWORD(l)));
      return 0;
    case WM_LBUTTONDOWN:
      BeginDrag(window, static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
      return 0;
    case WM_MOUSEMOVE:
      MoveDrag(window, static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
      return 0;
    case WM_LBUTTONUP:
      EndDrag(window);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(l) != window) FinishDrag(window, false);
      return 0;
    case WM_RBUTTONUP: {
      POINT pt = {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
      ClientToScreen(window, &pt);
      ShowMainPopup(window, pt);
      return 0;
    }
    case WM_CLOSE:
      BeginClose(window);
      return 0;
    case WM_TIMER:
      KillTimer(window, w);
      if (w == kTimerDestroy) {
        // The thread windows first, while the lists they record into stand.
        FinishClosingThreadWindows();
        DestroyWindow(window);
      }
      return 0;
    case WM_COMMAND:
      // Control notifications other than clicks are the controls' own.
      if (l && HIWORD(w) != 0) break;
      RunCommand(window, LOWORD(w), l);
      return 0;
    case WM_DESTROY:
      StoreWindowRect(window);
      g_mainWindow = nullptr;
      if (g_statusFont) DeleteObject(g_statusFont);
      if (g_paneFont) DeleteObject(g_paneFont);
      PostQuitMessage(0);
      return 0;
  }
  return SjDefWindowProc(window, message, w, l);
}

}  // namespace

void LayOut(HWND main) {
  RECT c;
  GetClientRect(main, &c);
  if (g_bars.rebar) {
    ShowWindow(g_bars.rebar, g_settings.AddrHide ? SW_HIDE : SW_SHOW);
    if (!g_settings.AddrHide) {
      RECT r;
      GetWindowRect(g_bars.rebar, &r);
      MoveWindow(g_bars.rebar, 0, 0, c.right, r.bottom - r.top, TRUE);
    }
  }
  int statusHeight = 0;
  if (g_bars.status && IsWindowVisible(g_bars.status)) {
    SendMessage(g_bars.status, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(g_bars.status, &r);
    statusHeight = r.bottom - r.top;
  }
  HWND focus = GetFocus();
  LayoutInput in{};
  in.clientWidth = c.right;
  in.clientHeight = c.bottom;
  in.screenWidth = g_settings.screenWidth;
  in.screenHeight = g_settings.screenHeight;
  in.rebarHeight = RebarHeight();
  in.statusHeight = statusHeight;
  in.scale = DisplayScale();
  in.tabBarShown = g_bars.tabs && !g_settings.TabbHide;
  in.tabUnder = g_settings.TabUnder != 0;
  in.treeWide = g_settings.TreeWide;
  in.listWide = g_settings.ListWide;
  in.tateYoko = g_settings.TateYoko;
  in.treeType = g_settings.TreeType;
  in.secondTree = g_panes.tree2 != nullptr;
  in.autoSize = g_settings.HpcAutoW != 0;
  in.focusInTabbedThread = IsThreadWindow(focus) && TabIndexOf(focus) >= 0;
  in.listHasFocus = focus && focus == g_panes.list;
  in.freeWindows = FreeWindows();
  in.herfMode = g_settings.HerfMode;
  Layout l = ComputeLayout(in);
  if (in.freeWindows) g_settings.TateYoko = l.tateYoko;

  auto place = [](HWND w, const PaneRect& r, bool touchVisibility) {
    if (!w) return;
    MoveWindow(w, r.x, r.y, r.w, r.h, TRUE);
    if (touchVisibility) ShowWindow(w, r.shown ? SW_SHOWNA : SW_HIDE);
  };
  bool small = l.kind == LayoutKind::SmallScreen;
  // In the small-screen layout and with the two-list tree the tabs decide
  // which of the stacked panes shows (the focus routine); elsewhere the
  // layout does.
  bool tabsDecide = small || g_settings.TreeType;
  place(g_panes.tree, l.tree, !tabsDecide);
  place(g_panes.tree2, l.tree2, !tabsDecide);
  place(g_panes.list, l.list, !tabsDecide);
  if (g_bars.tabs) {
    place(g_bars.tabs, l.tabs, true);
    g_settings.layoutState[0] = l.tabs.y;  // the thread windows read the tab bar's top
  }
  for (int slot = 0; slot < kThreadSlots; ++slot) {
    HWND view = ThreadWindowInSlot(slot);
    if (!view) continue;
    if (slot == 0 || (!in.freeWindows && (GetWindowLongPtr(view, GWL_STYLE) & WS_CHILD)))
      MoveWindow(view, l.view.x, l.view.y, l.view.w, l.view.h, TRUE);
  }
  InvalidateRect(main, nullptr, TRUE);
}

void FocusPane(HWND pane) {
  if (!pane || !IsWindow(pane)) return;
  g_panes.lastFocus = pane;
  if (IsThreadWindow(pane)) g_panes.currentThread = pane;
  // With the two-list tree the two board trees go together under one tab.
  HWND tabWindow = (g_settings.TreeType && pane == g_panes.tree2) ? g_panes.tree : pane;
  int index = TabIndexOf(tabWindow);
  if (index >= 0) {
    LayoutKind kind = g_settings.screenWidth <= 480 ? LayoutKind::SmallScreen : LayoutKind::Wide;
    auto kindOf = [](HWND w) {
      if (w == g_panes.tree || w == g_panes.tree2) return PaneKind::Tree;
      if (w == g_panes.list) return PaneKind::List;
      return IsThreadWindow(w) ? PaneKind::Thread : PaneKind::Other;
    };
    int n = TabCount();
    for (int i = 0; i < n; ++i) {
      HWND other = TabWindow(i);
      if (i == index || !other || other == tabWindow) continue;
      if (FocusKeepsShown(kind, g_settings.HerfMode, kindOf(tabWindow), kindOf(other),
                          other == g_panes.currentThread)) {
        ShowWindow(other, SW_SHOWNA);
        continue;
      }
      ShowWindow(other, SW_HIDE);
    }
    if (g_settings.TreeType && g_panes.tree && !IsWindowVisible(g_panes.tree) && tabWindow != g_panes.list &&
        !IsThreadWindow(tabWindow))
      ShowWindow(g_panes.list, SW_SHOWNA);
    SelectTab(index);
    ShowWindow(tabWindow, SW_SHOWNA);
    if (tabWindow == g_panes.tree && g_panes.tree2) ShowWindow(g_panes.tree2, SW_SHOWNA);
  }
  if (SmallScreen()) {
    if (pane != g_panes.tree && pane != g_panes.tree2) {
      if (g_panes.tree) ShowWindow(g_panes.tree, SW_HIDE);
      if (g_panes.tree2) ShowWindow(g_panes.tree2, SW_HIDE);
    }
    // The docked view has no tab: on a small screen it shows only while it
    // has the focus, like the panes stacked with it.
    HWND docked = ThreadWindowInSlot(0);
    if (docked && docked != pane) ShowWindow(docked, SW_HIDE);
    if (docked == pane) ShowWindow(docked, SW_SHOWNA);
  }
  SetWindowPos(tabWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  if (tabWindow == g_panes.tree && g_panes.tree2)
    SetWindowPos(g_panes.tree2, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetFocus(pane);
}

void UpdateMenuChecks(HWND main) {
  HMENU m = GetMenu(main);
  if (!m) return;
  auto check = [m](int id, bool on) { CheckMenuItem(m, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
  const Settings& s = g_settings;
  check(40014, s.fOffLine);
  check(40031, !s.TabbHide);
  check(40033, !s.AddrHide);
  check(40032, !s.StatHide);
  check(40060, s.fAACheck == 0);
  check(40061, s.fAACheck == 1);
  check(40062, s.fAACheck == 2);
  check(40050, s.TateYoko != 0);
  check(40054, FreeWindows());
  static const struct {
    int id, size;
  } kFont[] = {{40091, 4}, {40092, 5}, {40073, 6}, {40065, 8}, {40066, 9}, {40070, 10}, {40067, 12}, {40071, 14},
               {40068, 16}},
    kListFont[] = {{40094, 4}, {40095, 5}, {40085, 6}, {40086, 8}, {40084, 9}, {40087, 10}, {40088, 12}};
  for (const auto& f : kFont) check(f.id, s.FontSize == f.size);
  for (const auto& f : kListFont) check(f.id, s.SetFntTL == f.size);
  check(40069, s.ZipPack != 0);
  check(40074, s.TabUnder);
  for (int i = 0; i <= 4; ++i) check(40076 + i, (s.NowTSort & 0x0F) == i);
  check(40081, s.NowTSort >= 16);
  check(40082, s.NgClearn);
  check(40093, s.ClearTyp);
  check(40090, s.HpcAutoW);
  check(40107, s.LRkeyPUD);
  check(40109, s.NetAtchk);
  check(40112, s.NTPCheck);
  check(40113, s.MultLine);
  check(40114, s.ListColm);
  UpdateToolbarState();
}

HWND CreateMainWindow(HINSTANCE instance) {
  HICON icon = LoadIcon(instance, MAKEINTRESOURCE(IDI_KVEL));
  if (!SjRegisterClassMenuId(CS_HREDRAW | CS_VREDRAW, MainProc, instance, icon, LoadCursor(nullptr, IDC_ARROW),
                             nullptr, IDM_MAIN, kMainClass))
    return nullptr;
  const WindowRect& r = g_settings.WindowPt;
  return SjCreateWindowEx(WS_EX_ACCEPTFILES, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, r.left,
                          r.top, r.width, r.height, nullptr, nullptr, instance, nullptr);
}

void StartMainWindow(HWND main) {
  // The handheld's hardware buttons arrive as hot keys; the desktop takes none.
  if (kHandheld)
    for (int n = 0; n < 8; ++n)
      if (g_keys.hardwareKeys & (1u << n)) RegisterHotKey(main, 0xB000 + n, 0, VK_F1 + n);
  bool any = FillBoardTree();
  if (!any || g_settings.BordTopw) {
    PostMessage(main, WM_COMMAND, 40005, 0);
  } else {
    SelectBoardTreeRow();
    FocusPane(g_panes.tree);
  }
}

}  // namespace kv
