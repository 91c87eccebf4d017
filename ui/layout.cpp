#include "ui/layout.h"

namespace kv {

namespace {

PaneRect R(int32_t x, int32_t y, int32_t w, int32_t h, bool shown = true) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  return {x, y, w, h, shown};
}

// The tree column holds one board tree, or two side by side.
void PlaceTrees(Layout& l, int32_t x, int32_t y, int32_t w, int32_t h, bool second, bool shown) {
  if (second) {
    l.tree = R(x, y, w / 2, h, shown);
    l.tree2 = R(x + w / 2, y, w - w / 2, h, shown);
  } else {
    l.tree = R(x, y, w, h, shown);
    l.tree2 = R(0, 0, 0, 0, false);
  }
}

}  // namespace

Layout ComputeLayout(const LayoutInput& in) {
  Layout l{};
  l.tateYoko = in.tateYoko;
  const int32_t top = in.rebarHeight;
  const int32_t bottom = in.clientHeight - in.statusHeight;
  const int32_t tabHeight = in.tabBarShown ? (in.scale == 2 ? 36 : 24) : 0;
  l.status = R(0, bottom, in.clientWidth, in.statusHeight, in.statusHeight > 0);

  if (in.screenWidth <= 480) {
    // Small screen: the panes lie on top of each other under the tab bar.
    l.kind = LayoutKind::SmallScreen;
    int32_t y = in.tabUnder ? top : top + tabHeight;
    int32_t h = bottom - top - tabHeight;
    l.tabs = R(0, in.tabUnder ? bottom - tabHeight : top, in.clientWidth, tabHeight, in.tabBarShown);
    l.list = R(0, y, in.clientWidth, h);
    l.view = R(0, y, in.clientWidth, h);
    PlaceTrees(l, 0, y, in.listHasFocus ? 0 : in.treeWide - 4, h, in.secondTree, !in.listHasFocus);
    if (in.herfMode == 1) {
      if (in.screenHeight > in.screenWidth) {
        int32_t split = in.screenHeight / 2 - in.screenHeight * (in.tabUnder ? 2 : 1) / 13;
        if (split < y) split = y;
        if (split > y + h) split = y + h;
        l.list = R(0, y, in.clientWidth, split - y);
        l.view = R(0, split, in.clientWidth, y + h - split);
      } else {
        int32_t half = in.clientWidth / 2;
        l.list = R(0, y, half, h);
        l.view = R(half, y, in.clientWidth - half, h);
      }
    }
    return l;
  }

  if (in.tateYoko != 0 && in.screenHeight > 240) {
    // T-shaped: the tree column runs the full height; the list sits on top
    // of the thread windows on the right.
    l.kind = LayoutKind::TShaped;
    int32_t column = in.treeType ? in.treeWide + in.listWide : in.treeWide;
    PlaceTrees(l, 0, top, column - 4, bottom - top, in.secondTree, true);
    int32_t x = column;
    int32_t listHeight = in.freeWindows ? bottom - top : in.tateYoko;
    l.list = R(x, top, in.clientWidth - x, listHeight);
    int32_t y = top + in.tateYoko + 4;
    if (in.tabUnder) {
      l.view = R(x, y, in.clientWidth - x, bottom - y - tabHeight);
      l.tabs = R(x, bottom - tabHeight, in.clientWidth - x, tabHeight, in.tabBarShown);
    } else {
      l.tabs = R(x, y, in.clientWidth - x, tabHeight, in.tabBarShown);
      l.view = R(x, y + tabHeight, in.clientWidth - x, bottom - y - tabHeight);
    }
    return l;
  }

  // Wide: three columns.
  l.kind = LayoutKind::Wide;
  int32_t x = in.treeWide + in.listWide;
  bool treeShown = true;
  if (in.autoSize && in.screenWidth > 320 && in.focusInTabbedThread) {
    x = in.listWide <= 100 ? in.listWide : in.listWide - 100;
    treeShown = false;
  }
  if (in.freeWindows) l.tateYoko = in.clientHeight - in.rebarHeight - in.statusHeight - 28;
  int32_t h = bottom - top;
  if (!treeShown) {
    PlaceTrees(l, 0, top, 0, h, in.secondTree, false);
    l.list = R(0, top, x - 4, h);
  } else if (in.treeType) {
    // Tree and list share one column; the tabs switch between them.
    PlaceTrees(l, 0, top, x - 4, h, in.secondTree, true);
    l.list = R(0, top, x - 4, h);
  } else {
    PlaceTrees(l, 0, top, in.treeWide - 4, h, in.secondTree, true);
    l.list = R(in.treeWide, top, in.listWide - 4, h);
  }
  if (in.tabUnder) {
    l.view = R(x, top, in.clientWidth - x, h - tabHeight);
    l.tabs = R(x, bottom - tabHeight, in.clientWidth - x, tabHeight, in.tabBarShown);
  } else {
    l.tabs = R(x, top, in.clientWidth - x, tabHeight, in.tabBarShown);
    l.view = R(x, top + tabHeight, in.clientWidth - x, h - tabHeight);
  }
  return l;
}

bool FocusKeepsShown(LayoutKind kind, int32_t herfMode, PaneKind focused, PaneKind other, bool otherIsCurrentThread) {
  if (kind != LayoutKind::SmallScreen || herfMode != 1) return false;
  if (focused == PaneKind::Thread) return other == PaneKind::List;
  if (focused == PaneKind::List) return other == PaneKind::Thread && otherIsCurrentThread;
  return false;
}

}  // namespace kv
