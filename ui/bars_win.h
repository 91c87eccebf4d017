// The bars around the panes: the rebar (toolbar, address bar, a second
// toolbar), the tab bar and the status bar.
#pragma once
#include <windows.h>

namespace kv {

inline constexpr int kRebarId = 112;
inline constexpr int kToolbarId = 40213;
inline constexpr int kToolbar2Id = 40214;
inline constexpr int kAddressBarId = 40215;
inline constexpr int kStatusBarId = 40216;
inline constexpr int kTabBarId = 40217;

struct Bars {
  HWND rebar, toolbar, toolbar2, address, addressEdit, tabs, status;
};
extern Bars g_bars;

// Creation, in the main window's creation order.
void CreateRebar(HWND main);
void CreateTabBar(HWND main);
void CreateStatusBar(HWND main, HFONT font);

void ShowAddress(const char* address);
// The address bar's text (Shift_JIS, cap bytes).
void AddressBarText(char* out, size_t cap);
// Shows "(%d) %s" with the running-job count; hides or shows the bar by
// StatHide. A null text only applies the StatHide rule.
void SetStatus(const char* text);

void AddTab(const char* text, HWND window);
void RemoveTab(HWND window);
void RenameTab(HWND window, const char* text);
int TabIndexOf(HWND window);
HWND CurrentTabWindow();
int TabCount();
HWND TabWindow(int index);
void SelectTab(int index);
// The text of tab index into out.
void TabText(int index, char* out, size_t cap);

// The copy, paste and cut menu of an edit control, at pt (screen) or, when
// pt is null, under the middle of the control.
void EditClipboardMenu(HWND edit, const POINT* pt);

// The offline button follows fOffLine.
void UpdateToolbarState();

}  // namespace kv
