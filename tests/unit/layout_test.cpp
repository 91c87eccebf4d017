// Pane rectangles of the three layouts, the splitters and the menu switches.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include "boards/favourites.h"
#include "ui/commands.h"

namespace {

kv::LayoutInput Wide(int w = 800, int h = 480) {
  kv::LayoutInput in{};
  in.clientWidth = w;
  in.clientHeight = h;
  in.screenWidth = 1024;
  in.screenHeight = 768;
  in.rebarHeight = 26;
  in.statusHeight = 20;
  in.scale = 1;
  in.tabBarShown = true;
  in.treeWide = 120;
  in.listWide = 320;
  return in;
}

void ExpectRect(const kv::PaneRect& r, int x, int y, int w, int h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.w, w);
  EXPECT_EQ(r.h, h);
}

TEST(Layout, WideThreeColumns) {
  for (int width : {640, 800, 1024}) {
    kv::Layout l = kv::ComputeLayout(Wide(width, 480));
    EXPECT_EQ(l.kind, kv::LayoutKind::Wide);
    ExpectRect(l.tree, 0, 26, 116, 434);
    ExpectRect(l.list, 120, 26, 316, 434);
    ExpectRect(l.tabs, 440, 26, width - 440, 24);
    ExpectRect(l.view, 440, 50, width - 440, 410);
    ExpectRect(l.status, 0, 460, width, 20);
  }
  kv::LayoutInput in = Wide();
  in.tabUnder = true;
  kv::Layout l = kv::ComputeLayout(in);
  ExpectRect(l.view, 440, 26, 360, 410);
  ExpectRect(l.tabs, 440, 436, 360, 24);
  in.secondTree = true;
  l = kv::ComputeLayout(in);
  ExpectRect(l.tree, 0, 26, 58, 434);
  ExpectRect(l.tree2, 58, 26, 58, 434);
}

TEST(Layout, AutomaticSizeGivesTheListTheLeftColumn) {
  kv::LayoutInput in = Wide();
  in.autoSize = true;
  in.focusInTabbedThread = true;
  kv::Layout l = kv::ComputeLayout(in);
  EXPECT_FALSE(l.tree.shown);
  ExpectRect(l.list, 0, 26, 216, 434);  // x = ListWide - 100
  EXPECT_EQ(l.view.x, 220);
  in.listWide = 90;
  l = kv::ComputeLayout(in);
  EXPECT_EQ(l.view.x, 90);
  in.focusInTabbedThread = false;
  EXPECT_TRUE(kv::ComputeLayout(in).tree.shown);
}

TEST(Layout, TShaped) {
  kv::LayoutInput in = Wide(800, 600);
  in.tateYoko = 150;
  kv::Layout l = kv::ComputeLayout(in);
  EXPECT_EQ(l.kind, kv::LayoutKind::TShaped);
  ExpectRect(l.tree, 0, 26, 116, 554);
  ExpectRect(l.list, 120, 26, 680, 150);
  ExpectRect(l.tabs, 120, 180, 680, 24);
  ExpectRect(l.view, 120, 204, 680, 376);
  in.screenHeight = 240;  // too low for it: the wide layout
  EXPECT_EQ(kv::ComputeLayout(in).kind, kv::LayoutKind::Wide);
}

TEST(Layout, SmallScreen) {
  kv::LayoutInput in = Wide(240, 300);
  in.screenWidth = 240;
  in.screenHeight = 320;
  in.tateYoko = 100;  // ignored on small screens
  kv::Layout l = kv::ComputeLayout(in);
  EXPECT_EQ(l.kind, kv::LayoutKind::SmallScreen);
  ExpectRect(l.tabs, 0, 26, 240, 24);
  ExpectRect(l.list, 0, 50, 240, 230);
  ExpectRect(l.view, 0, 50, 240, 230);
  ExpectRect(l.tree, 0, 50, 116, 230);
  in.listHasFocus = true;
  EXPECT_EQ(kv::ComputeLayout(in).tree.w, 0);
  in.screenWidth = 480;  // 480 is still small
  EXPECT_EQ(kv::ComputeLayout(in).kind, kv::LayoutKind::SmallScreen);
  // Half mode on a portrait screen: the list ends at h/2 - h/13.
  in.screenWidth = 240;
  in.herfMode = 1;
  l = kv::ComputeLayout(in);
  EXPECT_EQ(l.list.y + l.list.h, 320 / 2 - 320 / 13);
  EXPECT_EQ(l.view.y, 320 / 2 - 320 / 13);
  in.tabUnder = true;
  EXPECT_EQ(kv::ComputeLayout(in).view.y, 320 / 2 - 2 * 320 / 13);
  in.scale = 2;
  in.tabUnder = false;
  in.herfMode = 0;
  EXPECT_EQ(kv::ComputeLayout(in).tabs.h, 36);
}

TEST(Layout, SplitSmallScreenShowsListAndThreadTogether) {
  using kv::PaneKind;
  const auto small = kv::LayoutKind::SmallScreen;
  EXPECT_TRUE(kv::FocusKeepsShown(small, 1, PaneKind::Thread, PaneKind::List, false));
  EXPECT_TRUE(kv::FocusKeepsShown(small, 1, PaneKind::List, PaneKind::Thread, true));
  EXPECT_FALSE(kv::FocusKeepsShown(small, 1, PaneKind::List, PaneKind::Thread, false)) << "only the current one";
  EXPECT_FALSE(kv::FocusKeepsShown(small, 1, PaneKind::Tree, PaneKind::List, false));
  EXPECT_FALSE(kv::FocusKeepsShown(small, 0, PaneKind::Thread, PaneKind::List, false));
  EXPECT_FALSE(kv::FocusKeepsShown(kv::LayoutKind::Wide, 1, PaneKind::Thread, PaneKind::List, false));
}

TEST(Splitters, EdgesAndDrags) {
  kv::SplitterInput in{118, 200, 800, 26, 120, 320, 0};
  EXPECT_EQ(kv::SplitterAt(in), kv::Splitter::TreeEdge);
  in.x = 438;
  EXPECT_EQ(kv::SplitterAt(in), kv::Splitter::ListEdge);
  in.x = 795;
  EXPECT_EQ(kv::SplitterAt(in), kv::Splitter::WindowEdge);
  in.x = 300;
  EXPECT_EQ(kv::SplitterAt(in), kv::Splitter::None);
  in.tateYoko = 150;
  in.y = 178;
  EXPECT_EQ(kv::SplitterAt(in), kv::Splitter::TSplit);
  int32_t v = 0;
  EXPECT_TRUE(kv::DragValue(kv::Splitter::TreeEdge, 100, 0, 26, 120, &v));
  EXPECT_EQ(v, 100);
  EXPECT_TRUE(kv::DragValue(kv::Splitter::TreeEdge, 3, 0, 26, 120, &v));
  EXPECT_EQ(v, 16) << "coordinates below 16 count as 16";
  EXPECT_FALSE(kv::DragValue(kv::Splitter::ListEdge, 124, 0, 26, 120, &v)) << "within 4 pixels of the tree edge";
  EXPECT_TRUE(kv::DragValue(kv::Splitter::ListEdge, 125, 0, 26, 120, &v));
  EXPECT_EQ(v, 5);
  // The T-split follows the pointer below the rebar, never above it.
  EXPECT_TRUE(kv::DragValue(kv::Splitter::TSplit, 0, 226, 26, 120, &v));
  EXPECT_EQ(v, 200);
  EXPECT_TRUE(kv::DragValue(kv::Splitter::TSplit, 0, 20, 26, 120, &v));
  EXPECT_EQ(v, 16);
  EXPECT_EQ(kv::TSplitBarY(5, 26), 42);
}

TEST(Commands, MenuSwitches) {
  EXPECT_EQ(kv::ToggledTateYoko(0, 800, 480), 100);
  EXPECT_EQ(kv::ToggledTateYoko(100, 800, 480), 0);
  EXPECT_EQ(kv::ToggledTateYoko(0, 480, 480), 0) << "under 481 wide";
  EXPECT_EQ(kv::SortDefaultAfter(40081, 2), 242);
  EXPECT_EQ(kv::SortDefaultAfter(40081, 242), 2);
  EXPECT_EQ(kv::SortDefaultAfter(40079, 242), 243);
  EXPECT_EQ(kv::SortDefaultAfter(40076, 243), 240);
}

TEST(Commands, FeedsByName) {
  EXPECT_TRUE(kv::NamesFeed("http://example.com/news/rss"));
  EXPECT_TRUE(kv::NamesFeed("http://example.com/index.XML"));
  EXPECT_TRUE(kv::NamesFeed("http://example.com/PodcastFeed/"));
  EXPECT_FALSE(kv::NamesFeed("http://example.com/dress/"));
  EXPECT_FALSE(kv::NamesFeed("http://example.com/Podcas/"));
  EXPECT_FALSE(kv::NamesFeed("http://egg.5ch.net/software/subject.txt"));
  // "ビ" is 0x83 0x72: its trail byte is no 'r', so "ビss" holds no "rss".
  EXPECT_FALSE(kv::NamesFeed("http://example.com/ビss/"));
  EXPECT_TRUE(kv::NamesFeed("http://example.com/ビ/rss"));
}

TEST(Commands, FavouritesEditorArguments) {
  char out[300];
  kv::SelmArguments("\"引用\" <タグ> it's", "http://h/b/dat/1.dat", out, sizeof out);
  EXPECT_STREQ(out, "\"\xDE引用\xDE ＜タグ＞ it\xDEs\" \"http://h/b/dat/1.dat\"");
  std::string title;
  while (title.size() < 100) title += "表";
  kv::SelmArguments(title.c_str(), "u", out, sizeof out);
  EXPECT_EQ(std::string(out), "\"" + title.substr(0, 80) + "\" \"u\"");
}

}  // namespace
