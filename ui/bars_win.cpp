#include "ui/bars_win.h"

#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "core/app.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "net/job.h"
#include "ui/bars.h"
#include "ui/main_window_win.h"
#include "ui/resource.h"

namespace kv {

Bars g_bars;

namespace {

WNDPROC g_editProc;

HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HWND MakeToolbar(HWND parent, int id, int bitmap, int images, const TBBUTTON* buttons, int count,
                 const char* const* labels, DWORD style) {
  HWND bar = CreateWindowEx(0, TOOLBARCLASSNAME, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | CCS_NORESIZE |
                                CCS_NOPARENTALIGN | CCS_NODIVIDER | style,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
  if (!bar) return nullptr;
  SendMessage(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  HIMAGELIST list = ImageList_LoadImage(g_instance, MAKEINTRESOURCE(bitmap), 16, images, RGB(192, 192, 192),
                                        IMAGE_BITMAP, LR_CREATEDIBSECTION);
  if (list) SendMessage(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  SendMessage(bar, TB_ADDBUTTONS, count, reinterpret_cast<LPARAM>(buttons));
  for (int i = 0; labels && i < count; ++i) {
    // TB_ADDSTRING takes a list ended by an empty string.
    TextArg text(labels[i]);
    TCHAR list[64] = {};
    const TCHAR* t = text.get();
    for (int k = 0; k < 62 && t[k]; ++k) list[k] = t[k];
    LRESULT index = SendMessage(bar, TB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list));
    TBBUTTONINFO info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    info.pszText = text.get();
    SendMessage(bar, TB_SETBUTTONINFO, buttons[i].idCommand, reinterpret_cast<LPARAM>(&info));
    (void)index;
  }
  SendMessage(bar, TB_AUTOSIZE, 0, 0);
  return bar;
}

void AddBand(HWND child, int width, int height, const char* text, UINT style) {
  TextArg label(text);
  REBARBANDINFO band = {};
  band.cbSize = sizeof band;
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_STYLE | (text ? RBBIM_TEXT : 0);
  band.fStyle = style;
  band.hwndChild = child;
  band.cxMinChild = width;
  band.cyMinChild = height;
  band.cx = width;
  band.lpText = text ? label.get() : nullptr;
  SendMessage(g_bars.rebar, RB_INSERTBAND, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

// The address bar's edit field: Enter opens the address, Home and End move
// to either end, Alt and a click offer copy, paste and cut.
LRESULT CALLBACK AddressEditProc(HWND edit, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_KEYDOWN:
      if (w == VK_END || w == VK_HOME) {
        int end = w == VK_END ? GetWindowTextLength(edit) : 0;
        SendMessage(edit, EM_SETSEL, end, end);
        return 0;
      }
      if (w == VK_RETURN) return 0;
      break;
    case WM_CHAR:
      if (w == '\r') return 0;  // no beep: Enter is handled on its release
      break;
    case WM_KEYUP:
      if (w == VK_RETURN) {
        char text[260];
        SjGetWindowText(edit, text, sizeof text);
        if (text[0] && g_bars.address) {
          TextArg item(text);
          if (SendMessage(g_bars.address, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(item.get())) == CB_ERR)
            SendMessage(g_bars.address, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.get()));
        }
        PostMessage(g_mainWindow, WM_COMMAND, 40016, 0);
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      if (GetKeyState(VK_MENU) < 0) {
        POINT pt = {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        ClientToScreen(edit, &pt);
        EditClipboardMenu(edit, &pt);
        return 0;
      }
      break;
  }
  return CallWindowProc(g_editProc, edit, message, w, l);
}

}  // namespace

void CreateRebar(HWND main) {
  memset(&g_bars, 0, sizeof g_bars);
  RECT client;
  GetClientRect(main, &client);
  HWND rebar = CreateWindowEx(WS_EX_TOOLWINDOW, REBARCLASSNAME, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                  CCS_NODIVIDER | RBS_BANDBORDERS,
                              0, 0, client.right, 22, main, reinterpret_cast<HMENU>(kRebarId), g_instance, nullptr);
  if (!rebar) return;
  g_bars.rebar = rebar;
  REBARINFO info = {sizeof info, 0, nullptr};
  SendMessage(rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));

  const TBBUTTON buttons[4] = {
      {0, 40014, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, 0},
      {3, 40019, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {5, 40027, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {4, 40012, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
  };
  static const char* const kLabels[4] = {"ｵﾌﾗｲ", "書込", "更新", "閉じ"};
  HWND toolbar = MakeToolbar(rebar, kToolbarId, IDB_TOOLBAR, 6, buttons, 4, kLabels, TBSTYLE_LIST | TBSTYLE_TOOLTIPS);
  HWND combo = CreateWindowEx(0, WC_COMBOBOX, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPSIBLINGS | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                              0, 0, 320, 200, rebar, reinterpret_cast<HMENU>(kAddressBarId), g_instance, nullptr);
  const TBBUTTON go[2] = {
      {0, 40016, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {1, 40017, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
  };
  HWND toolbar2 = MakeToolbar(rebar, kToolbar2Id, IDB_TOOLBAR2, 2, go, 2, nullptr, 0);
  if (!toolbar || !combo || !toolbar2) {
    // Without all three the window goes without a rebar.
    DestroyWindow(rebar);
    memset(&g_bars, 0, sizeof g_bars);
    return;
  }
  g_bars.toolbar = toolbar;
  g_bars.address = combo;
  g_bars.toolbar2 = toolbar2;
  SendMessage(combo, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
  COMBOBOXINFO ci = {};
  ci.cbSize = sizeof ci;
  if (GetComboBoxInfo(combo, &ci) && ci.hwndItem) {
    g_bars.addressEdit = ci.hwndItem;
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(ci.hwndItem, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddressEditProc)));
  }
  DWORD size = static_cast<DWORD>(SendMessage(toolbar, TB_GETBUTTONSIZE, 0, 0));
  int buttonWidth = LOWORD(size), buttonHeight = HIWORD(size);
  RECT comboRect;
  GetWindowRect(combo, &comboRect);
  AddBand(toolbar, 4 * buttonWidth + 8, buttonHeight, nullptr, RBBS_NOGRIPPER | RBBS_CHILDEDGE);
  AddBand(combo, 320, comboRect.bottom - comboRect.top, "ComboBox", RBBS_CHILDEDGE);
  DWORD size2 = static_cast<DWORD>(SendMessage(toolbar2, TB_GETBUTTONSIZE, 0, 0));
  AddBand(toolbar2, 48, HIWORD(size2), nullptr, RBBS_CHILDEDGE);
  UpdateToolbarState();
}

void CreateTabBar(HWND main) {
  HWND tabs = CreateWindowEx(0, WC_TABCONTROL, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FIXEDWIDTH | TCS_FOCUSNEVER, 0, 0, 0, 24,
                             main, reinterpret_cast<HMENU>(kTabBarId), g_instance, nullptr);
  if (!tabs) return;
  SendMessage(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
  SendMessage(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(80, 20));
  g_bars.tabs = tabs;
}

void CreateStatusBar(HWND main, HFONT font) {
  HWND status = CreateWindowEx(0, STATUSCLASSNAME, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, main,
                               reinterpret_cast<HMENU>(kStatusBarId), g_instance, nullptr);
  if (!status) return;
  if (font) SendMessage(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  g_bars.status = status;
}

void ShowAddress(const char* address) {
  if (!g_bars.address) return;
  char shown[260];
  AddressForDisplay(address, shown, sizeof shown);
  SjSetWindowText(g_bars.address, shown);
  if (!shown[0]) return;
  TextArg item(shown);
  if (SendMessage(g_bars.address, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.get())) ==
      CB_ERR)
    SendMessage(g_bars.address, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.get()));
}

void AddressBarText(char* out, size_t cap) {
  if (cap) out[0] = 0;
  if (g_bars.address) SjGetWindowText(g_bars.address, out, cap);
}

void SetStatus(const char* text) {
  if (!g_bars.status) return;
  int running = activeDownloads.load();
  if (text) {
    char line[600];
    StatusLine(running, text, line, sizeof line);
    SjSetWindowText(g_bars.status, line);
  }
  bool visible = IsWindowVisible(g_bars.status);
  if (g_settings.StatHide && running == 0) {
    if (visible) {
      ShowWindow(g_bars.status, SW_HIDE);
      if (g_mainWindow) PostMessage(g_mainWindow, WM_SIZE, 0, 0);
    }
  } else if (!visible) {
    ShowWindow(g_bars.status, SW_SHOW);
    if (g_mainWindow) PostMessage(g_mainWindow, WM_SIZE, 0, 0);
  }
}

int TabCount() { return g_bars.tabs ? static_cast<int>(SendMessage(g_bars.tabs, TCM_GETITEMCOUNT, 0, 0)) : 0; }

HWND TabWindow(int index) {
  if (!g_bars.tabs) return nullptr;
  TCITEM item = {};
  item.mask = TCIF_PARAM;
  if (!SendMessage(g_bars.tabs, TCM_GETITEM, index, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<HWND>(item.lParam);
}

int TabIndexOf(HWND window) {
  int n = TabCount();
  for (int i = 0; i < n; ++i)
    if (TabWindow(i) == window) return i;
  return -1;
}

void AddTab(const char* text, HWND window) {
  if (!g_bars.tabs) return;
  TextArg label(text);
  TCITEM item = {};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = label.get();
  item.lParam = reinterpret_cast<LPARAM>(window);
  SendMessage(g_bars.tabs, TCM_INSERTITEM, TabCount(), reinterpret_cast<LPARAM>(&item));
  if (g_mainWindow) {
    RECT r;
    GetClientRect(g_mainWindow, &r);
    PostMessage(g_mainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
  }
}

void RemoveTab(HWND window) {
  int i = TabIndexOf(window);
  if (i >= 0) SendMessage(g_bars.tabs, TCM_DELETEITEM, i, 0);
}

void RenameTab(HWND window, const char* text) {
  int i = TabIndexOf(window);
  if (i < 0) return;
  TextArg label(text);
  TCITEM item = {};
  item.mask = TCIF_TEXT;
  item.pszText = label.get();
  SendMessage(g_bars.tabs, TCM_SETITEM, i, reinterpret_cast<LPARAM>(&item));
}

HWND CurrentTabWindow() {
  if (!g_bars.tabs) return nullptr;
  int i = static_cast<int>(SendMessage(g_bars.tabs, TCM_GETCURSEL, 0, 0));
  return i < 0 ? nullptr : TabWindow(i);
}

void SelectTab(int index) {
  if (g_bars.tabs) SendMessage(g_bars.tabs, TCM_SETCURSEL, index, 0);
}

void TabText(int index, char* out, size_t cap) {
  if (cap) out[0] = 0;
  if (!g_bars.tabs) return;
  TCHAR text[128] = {};
  TCITEM item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 127;
  if (SendMessage(g_bars.tabs, TCM_GETITEM, index, reinterpret_cast<LPARAM>(&item))) FromPlatformText(text, out, cap);
}

void EditClipboardMenu(HWND edit, const POINT* pt) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  static const struct {
    UINT id;
    const char* text;
  } kItems[] = {{40051, "コピー(&C)"}, {40052, "貼り付け(&P)"}, {40053, "切り取り(&T)"}};
  for (const auto& item : kItems) AppendMenu(menu, MF_STRING, item.id, TextArg(item.text).get());
  POINT at;
  if (pt) {
    at = *pt;
  } else {
    RECT r;
    GetWindowRect(edit, &r);
    at = {(r.left + r.right) / 2, r.bottom};
  }
  UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN, at.x, at.y, 0, edit, nullptr);
  DestroyMenu(menu);
  UINT message = chosen == 40051 ? WM_COPY : chosen == 40052 ? WM_PASTE : chosen == 40053 ? WM_CUT : 0;
  if (message) PostMessage(edit, message, 0, 0);
}

void UpdateToolbarState() {
  if (g_bars.toolbar) SendMessage(g_bars.toolbar, TB_CHECKBUTTON, 40014, MAKELONG(g_settings.fOffLine != 0, 0));
}

}  // namespace kv
