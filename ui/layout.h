// Where the panes of the main window go: the wide, T-shaped and small-screen
// layouts, decided from the client size, the settings and the focus.
#pragma once
#include <cstdint>

namespace kv {

struct PaneRect {
  int32_t x, y, w, h;
  bool shown;
};

enum class LayoutKind { Wide, TShaped, SmallScreen };

struct LayoutInput {
  int32_t clientWidth, clientHeight;
  int32_t screenWidth, screenHeight;
  int32_t rebarHeight;   // 0 when the address bar is hidden
  int32_t statusHeight;  // 0 when the status bar is hidden
  int32_t scale;         // display scale factor
  bool tabBarShown;
  bool tabUnder;
  int32_t treeWide, listWide, tateYoko;
  int32_t treeType;
  bool secondTree;
  bool autoSize;               // HpcAutoW
  bool focusInTabbedThread;    // the focus is in a thread window that has a tab
  bool listHasFocus;           // small screen: the board tree then gets no width
  bool freeWindows;            // FreeTWnd width and height both non-zero
  int32_t herfMode;
};

struct Layout {
  LayoutKind kind;
  PaneRect tree, tree2, list, tabs, view, status;
  int32_t tateYoko;  // recomputed in free-window mode
};

Layout ComputeLayout(const LayoutInput& in);

// What the focus routine hides when a pane gets the focus: the windows of
// the other tabs, except that the split small screen (HerfMode 1) shows the
// thread list and the current thread window side by side, so neither hides
// the other.
enum class PaneKind { Tree, List, Thread, Other };
bool FocusKeepsShown(LayoutKind kind, int32_t herfMode, PaneKind focused, PaneKind other, bool otherIsCurrentThread);

}  // namespace kv
