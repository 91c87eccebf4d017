// The thread view's decisions: layout rules, the wrap of short lines, header
// colours, both scroll tables, key repeat, the key mapping, the read
// position and the drawn-line cache.
#include "reader/view.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "reader/thread.h"
#include "tests/unit/reader_util.h"

namespace {

using kv::HScroll;
using kv::ScrollHorizontal;
using kv::ScrollVertical;
using kv::ViewKey;
using kv::VScroll;

TEST(ViewLayout, NarrowBelow320TimesScaleAndSystemLayoutFrom240Bytes) {
  EXPECT_TRUE(kv::NarrowLayout(319, 1));
  EXPECT_FALSE(kv::NarrowLayout(320, 1));
  EXPECT_TRUE(kv::NarrowLayout(639, 2));
  EXPECT_FALSE(kv::NarrowLayout(640, 2));
  EXPECT_FALSE(kv::UsesSystemLayout(239, false));
  EXPECT_TRUE(kv::UsesSystemLayout(240, false));
  EXPECT_TRUE(kv::UsesSystemLayout(3, true));
}

TEST(ViewLayout, ArtModesAndLinkLines) {
  const std::string plain = "普通の文です";
  const std::string art = "　　　∧＿∧";
  EXPECT_FALSE(kv::IsArtLine(art.data(), art.size(), 0));
  EXPECT_TRUE(kv::IsArtLine(art.data(), art.size(), 1));
  EXPECT_FALSE(kv::IsArtLine(plain.data(), plain.size(), 1));
  EXPECT_TRUE(kv::IsArtLine(plain.data(), plain.size(), 2));
  const std::string link = "(http://127.0.0.1/x)";
  kv::ViewColors c{1, 2, 3, 4, 5, 6, 7, 2};
  EXPECT_EQ(kv::BodyColor(c, link.data(), link.size()), kv::kLinkLineColor);
  EXPECT_EQ(kv::BodyColor(c, "(http:", 6), 1u) << "too short to be a link line";
  EXPECT_EQ(kv::BodyColor(c, " (http://x", 10), 1u);
}

TEST(ViewColours, NumberAfterTheReadMarkNameByMail) {
  kv::ViewColors c{1, 2, 3, 4, 5, 6, 7, 2};
  EXPECT_EQ(kv::NumberColor(c, 11, 10), 3u);
  EXPECT_EQ(kv::NumberColor(c, 10, 10), 4u) << "the read mark's own line is read";
  EXPECT_EQ(kv::NameColor(c, 0), 5u);
  EXPECT_EQ(kv::NameColor(c, 4), 6u);
  EXPECT_FALSE(kv::DrawsCursorRule(c));
  c.rule = 9;
  EXPECT_TRUE(kv::DrawsCursorRule(c));
}

// Cumulative extents with every byte 10 pixels wide, both bytes of a
// double-byte character sharing the character's (20 pixels) end.
std::vector<int32_t> Extents(const std::string& s) {
  std::vector<int32_t> e(s.size());
  int32_t x = 0;
  for (size_t k = 0; k < s.size(); ++k) {
    unsigned char ch = static_cast<unsigned char>(s[k]);
    if (kv::IsSjisLead(ch) && k + 1 < s.size()) {
      x += 20;
      e[k] = e[k + 1] = x;
      ++k;
    } else {
      x += 10;
      e[k] = x;
    }
  }
  return e;
}

std::vector<std::string> Rows(const std::string& s, int32_t available) {
  std::vector<int32_t> e = Extents(s);
  uint16_t starts[256];
  size_t n = kv::WrapRows(s.data(), e.data(), s.size(), available, starts, 256);
  std::vector<std::string> out;
  for (size_t r = 0; r < n; ++r) {
    size_t to = r + 1 < n ? starts[r + 1] : s.size();
    out.push_back(s.substr(starts[r], to - starts[r]));
  }
  return out;
}

TEST(ViewWrap, RowsBreakWhereTheWidthIsReachedAndNeverInsideACharacter) {
  EXPECT_EQ(Rows("abcdefghij", 40), (std::vector<std::string>{"abc", "def", "ghi", "j"}))
      << "the byte reaching 40 pixels starts the next row";
  EXPECT_EQ(Rows("abcdefghij", 41), (std::vector<std::string>{"abcd", "efgh", "ij"}));
  EXPECT_EQ(Rows("あいう", 30), (std::vector<std::string>{"あ", "い", "う"}));
  EXPECT_EQ(Rows("aあいb", 50), (std::vector<std::string>{"aあ", "いb"}));
  EXPECT_EQ(Rows("あいう", 5), (std::vector<std::string>{"あ", "い", "う"}))
      << "a character wider than the box still takes a row of its own";
  EXPECT_EQ(Rows("", 40), (std::vector<std::string>{""}));
  EXPECT_EQ(Rows("short", 1000), (std::vector<std::string>{"short"}));
  // A lone lead byte at the end is one byte wide and kept.
  std::string lone = "ab\x82";
  EXPECT_EQ(Rows(lone, 1000).size(), 1u);
  // Few rows to hand: the last takes the rest.
  std::vector<int32_t> e = Extents("abcdefghij");
  uint16_t starts[2];
  EXPECT_EQ(kv::WrapRows("abcdefghij", e.data(), 10, 20, starts, 2), 2u);
}

TEST(ViewScroll, VerticalTableRowByRow) {
  const int32_t lines = 100, vis = 20;
  EXPECT_EQ(ScrollVertical(VScroll::BarLineUp, 10, lines, vis), 8);
  EXPECT_EQ(ScrollVertical(VScroll::BarLineUp, 1, lines, vis), 0);
  EXPECT_EQ(ScrollVertical(VScroll::BarLineDown, 10, lines, vis), 12);
  EXPECT_EQ(ScrollVertical(VScroll::BarLineDown, 98, lines, vis), 99);
  EXPECT_EQ(ScrollVertical(VScroll::PageUp, 50, lines, vis), 32) << "visibleLines - 2";
  EXPECT_EQ(ScrollVertical(VScroll::PageUp, 50, lines, 8), 44);
  EXPECT_EQ(ScrollVertical(VScroll::PageUp, 50, lines, 7), 44) << "below 8 visible lines: 6";
  EXPECT_EQ(ScrollVertical(VScroll::PageUp, 3, lines, vis), 0);
  EXPECT_EQ(ScrollVertical(VScroll::BarPageDown, 50, lines, vis), 70);
  EXPECT_EQ(ScrollVertical(VScroll::BarPageDown, 90, lines, vis), 99);
  EXPECT_EQ(ScrollVertical(VScroll::KeyPageDown, 50, lines, vis), 69);
  EXPECT_EQ(ScrollVertical(VScroll::KeyPageDown, 90, lines, vis), 99);
  EXPECT_EQ(ScrollVertical(VScroll::KeyPageDown, 50, lines, 1), 50) << "nothing below 2 visible lines";
  EXPECT_EQ(ScrollVertical(VScroll::BarTop, 50, lines, vis), 0);
  EXPECT_EQ(ScrollVertical(VScroll::BarBottom, 50, lines, vis), 99);
  EXPECT_EQ(ScrollVertical(VScroll::Thumb, 50, lines, vis, 77), 77);
  EXPECT_EQ(ScrollVertical(VScroll::HomeKey, 50, lines, vis), 0);
  EXPECT_EQ(ScrollVertical(VScroll::EndKey, 5, lines, vis), 96);
  EXPECT_EQ(ScrollVertical(VScroll::EndKey, 0, 3, vis), 0) << "not below 0";
  EXPECT_EQ(ScrollVertical(VScroll::Lines, 50, lines, vis, -4), 46);
  EXPECT_EQ(ScrollVertical(VScroll::Lines, 1, lines, vis, -4), 0);
  EXPECT_EQ(ScrollVertical(VScroll::Lines, 98, lines, vis, 4), 99);
  EXPECT_EQ(ScrollVertical(VScroll::Wheel, 50, lines, vis, 1), 53);
  EXPECT_EQ(ScrollVertical(VScroll::Wheel, 50, lines, vis, -2), 44);
  EXPECT_EQ(ScrollVertical(VScroll::Wheel, 99, lines, vis, 1), 100) << "the wheel may reach lineCount";
  EXPECT_EQ(ScrollVertical(VScroll::Wheel, 1, lines, vis, -1), 0);
  EXPECT_EQ(kv::ScrollRangeTop(100), 96);
  EXPECT_EQ(kv::ScrollRangeTop(4), 4);
  EXPECT_EQ(kv::ScrollRangeTop(5), 1);
  EXPECT_EQ(ScrollVertical(VScroll::BarLineDown, 0, 0, 0), 0) << "an empty view stays at 0";
}

TEST(ViewScroll, DownEveryHundredMillisecondsSpeedsUp) {
  kv::KeyRepeat r;
  std::vector<int32_t> moves;
  for (int i = 0; i < 25; ++i) moves.push_back(r.Press(40, 1000 + 100 * i));
  for (int i = 0; i < 11; ++i) EXPECT_EQ(moves[i], 1) << "press " << i + 1;
  for (int i = 11; i < 21; ++i) EXPECT_EQ(moves[i], 2) << "press " << i + 1;
  for (int i = 21; i < 25; ++i) EXPECT_EQ(moves[i], 4) << "press " << i + 1;
  EXPECT_EQ(r.Press(40, 1000 + 100 * 24 + 200), 1) << "200 ms later the count starts again";
  EXPECT_EQ(r.Press(40, 1000 + 100 * 24 + 300), 1);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.Press(38, 1000 + 100 * 24 + 350), 1) << "another key starts again";
  EXPECT_EQ(r.count, 0);
  // The clock wraps round after 49 days.
  kv::KeyRepeat w;
  w.Press(40, 0xFFFFFFF0u);
  w.Press(40, 0x20u);
  EXPECT_EQ(w.count, 1);
}

TEST(ViewScroll, HorizontalBoundsAndKeys) {
  EXPECT_EQ(ScrollHorizontal(HScroll::LineLeft, -100), -36);
  EXPECT_EQ(ScrollHorizontal(HScroll::LineLeft, -10), 0);
  EXPECT_EQ(ScrollHorizontal(HScroll::LineRight, 0), -64);
  EXPECT_EQ(ScrollHorizontal(HScroll::LineRight, -1000), -1023);
  EXPECT_EQ(ScrollHorizontal(HScroll::PageLeft, -500), -276);
  EXPECT_EQ(ScrollHorizontal(HScroll::PageLeft, -100), 0);
  EXPECT_EQ(ScrollHorizontal(HScroll::PageRight, -900), -1023);
  EXPECT_EQ(ScrollHorizontal(HScroll::LeftEnd, -900), 0);
  EXPECT_EQ(ScrollHorizontal(HScroll::RightEnd, 0), -1023);
  EXPECT_EQ(ScrollHorizontal(HScroll::Thumb, 0, 300), -300);
  EXPECT_EQ(ScrollHorizontal(HScroll::Thumb, 0, 1024), -1023);
  int32_t x = 0;
  for (int i = 0; i < 16; ++i) x = ScrollHorizontal(HScroll::RightKey, x);
  EXPECT_EQ(x, -1024);
  EXPECT_EQ(ScrollHorizontal(HScroll::RightKey, x), -1024) << "further presses do nothing";
  EXPECT_EQ(ScrollHorizontal(HScroll::RightKey, -1022), -1086) << "-1022 still moves";
  EXPECT_EQ(ScrollHorizontal(HScroll::LeftKey, -1024), -960);
  EXPECT_EQ(ScrollHorizontal(HScroll::LeftKey, 0), 0);
  EXPECT_EQ(ScrollHorizontal(HScroll::LeftKey, -1023), -959);
  EXPECT_EQ(ScrollHorizontal(HScroll::LeftKey, -63), 0) << "never right of the left edge";
}

TEST(ViewKeys, ModifiersAndTheLeftRightSetting) {
  EXPECT_EQ(kv::MapViewKey(kv::kKeySpace, false, false, false), ViewKey::PageDown);
  EXPECT_EQ(kv::MapViewKey(kv::kKeySpace, true, false, false), ViewKey::PageUp);
  EXPECT_EQ(kv::MapViewKey(kv::kKeySpace, false, true, false), ViewKey::PageUp);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyUp, false, false, false), ViewKey::LineUp);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyUp, true, false, false), ViewKey::PageUp);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyUp, false, true, false), ViewKey::PageUp);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyDown, true, false, false), ViewKey::PageDown);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyDown, false, true, false), ViewKey::PageDown);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyDown, false, false, false), ViewKey::LineDown);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyLeft, false, false, false), ViewKey::Left);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyLeft, false, false, true), ViewKey::PageUp);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyRight, false, false, true), ViewKey::PageDown);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyTab, false, false, false), ViewKey::NextPane);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyTab, false, true, false), ViewKey::PrevPane);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyEnter, false, false, false), ViewKey::Close);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyEsc, false, false, false), ViewKey::Close);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyHome, false, false, false), ViewKey::Home);
  EXPECT_EQ(kv::MapViewKey(kv::kKeyEnd, false, false, false), ViewKey::End);
  EXPECT_EQ(kv::MapViewKey('A', false, false, false), ViewKey::Itself);
  EXPECT_EQ(kv::MovementAction(51, false), ViewKey::LineUp);
  EXPECT_EQ(kv::MovementAction(54, false), ViewKey::PageDown);
  EXPECT_EQ(kv::MovementAction(56, false), ViewKey::NextPane);
  EXPECT_EQ(kv::MovementAction(57, false), ViewKey::PrevPane);
  EXPECT_EQ(kv::MovementAction(59, false), ViewKey::Menu);
  EXPECT_EQ(kv::MovementAction(62, false), ViewKey::End);
  EXPECT_EQ(kv::MovementAction(64, true), ViewKey::PageDown);
  for (int c : {55, 58, 60, 65, 69}) EXPECT_EQ(kv::MovementAction(c, false), ViewKey::Nothing) << c;
}

std::string Log(int posts) {
  std::string log;
  for (int i = 1; i <= posts; ++i)
    log += "名無し<>sage<>2006/01/01 00:00 ID:x<> 本文" + std::to_string(i) + " <br> 二行目 <>\n";
  return log;
}

void BuildLog(readertest::View& v, const std::string& log) {
  ASSERT_TRUE(kv::LoadThreadIntoView(*v, kv::ViewBuildOptions{}, log.data(), log.size(), &v.result));
}

TEST(ViewPosition, ReadPositionIsTheLastPostAboveTheTopLine) {
  readertest::View v;
  BuildLog(v, Log(5));  // every post: 4 lines
  ASSERT_EQ(v->postCount, 6);
  ASSERT_EQ(v->postLine[3], 8);
  EXPECT_EQ(kv::ReadPositionAt(*v, 8), 2) << "topLine at the header of post 3";
  EXPECT_EQ(kv::ReadPositionAt(*v, 9), 3) << "inside post 3";
  EXPECT_EQ(kv::ReadPositionAt(*v, 11), 3);
  EXPECT_EQ(kv::ReadPositionAt(*v, 0), 0);
  EXPECT_EQ(kv::ReadPositionAt(*v, 500), 5) << "beyond all posts: the last";
  readertest::View empty;
  BuildLog(empty, "");
  EXPECT_EQ(kv::ReadPositionAt(*empty, 0), 0);
  EXPECT_EQ(kv::ReadPositionAt(*empty, 7), 0);
  // Reopening shows the post after the saved one at the top.
  for (int32_t top = 0; top < v->lineCount; ++top) {
    int32_t r = kv::ReadPositionAt(*v, top);
    int32_t reopened = kv::OpeningTopLine(*v, r);
    EXPECT_LE(reopened, top + 3);
    EXPECT_EQ(reopened, v->postLine[r + 1]);
  }
  EXPECT_EQ(kv::OpeningTopLine(*v, -1), v->postLine[5]) << "no saved position: the last post";
  EXPECT_EQ(kv::OpeningTopLine(*v, 6), v->postLine[5]) << "a position past the thread is ignored";
  EXPECT_EQ(kv::OpeningTopLine(*empty, -1), 0);
}

TEST(ViewPosition, HiddenPostsKeepTheirNumbers) {
  std::string log = Log(2) + "名無し<><>_hidden<>x<>\n" + Log(1);
  readertest::View v;
  BuildLog(v, log);
  ASSERT_EQ(v->postCount, 5);
  ASSERT_EQ(v->postLine[3], v->postLine[4]);
  EXPECT_EQ(kv::ReadPositionAt(*v, v->postLine[4]), 2);
  EXPECT_EQ(kv::OpeningTopLine(*v, 2), v->postLine[4]);
}

TEST(ViewPosition, StartPostHoldsTheTopLine) {
  readertest::View v;
  BuildLog(v, Log(5));
  EXPECT_EQ(kv::StartPostFor(*v, 0), 1);
  EXPECT_EQ(kv::StartPostFor(*v, 5), 2);
  EXPECT_EQ(kv::StartPostFor(*v, 8), 2) << "the post before a header still qualifies";
  EXPECT_EQ(kv::StartPostFor(*v, 9), 3);
  EXPECT_EQ(kv::StartPostFor(*v, 20), 5);
  EXPECT_EQ(kv::StartPostFor(*v, 21), 0) << "beyond the text: read from its start";
}

TEST(ViewUrl, CacheKeyAndReadType) {
  EXPECT_EQ(kv::CacheKeyOf("http://h/b/dat/1136041200.dat"), 1136041200);
  EXPECT_EQ(kv::CacheKeyOf("http://h/test/read.cgi/b/1136041200/"), 0) << "nothing after the last slash";
  EXPECT_EQ(kv::CacheKeyOf("noslash"), 0);
  EXPECT_EQ(kv::CacheKeyOf("http://h/b/dat/99999999999999.dat"), 999999999);
  EXPECT_EQ(kv::ThreadReadType("http://h/b/dat/1.dat"), 2);
  EXPECT_EQ(kv::ThreadReadType("http://h/b/dat/1.DAT"), 2);
  EXPECT_EQ(kv::ThreadReadType("http://h/b/index.html"), 0);
  EXPECT_EQ(kv::ThreadReadType("dat"), 0);
}

TEST(ViewUrl, TitleIndexBesideTheDatFolder) {
  char out[260];
  EXPECT_TRUE(kv::TitleIndexUrl("http://h/news/dat/1136041200.dat", out, sizeof out));
  EXPECT_STREQ(out, "http://h/news/subject.txt");
  EXPECT_FALSE(kv::TitleIndexUrl("http://h/news/1136041200.dat", out, sizeof out)) << "no dat folder";
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(kv::TitleIndexUrl("http://h/news/dat/index.html", out, sizeof out));
  EXPECT_FALSE(kv::TitleIndexUrl("dat/1.dat", out, sizeof out));
  char small[23];
  EXPECT_FALSE(kv::TitleIndexUrl("http://host/news/dat/1.dat", small, sizeof small)) << "does not fit";
  EXPECT_TRUE(kv::TitleIndexUrl("http://h/b/dat/1.dat", small, sizeof small));
  EXPECT_STREQ(small, "http://h/b/subject.txt");
}

TEST(ViewHits, FirstContainingRegionInInsertionOrder) {
  auto v = std::make_unique<kv::ThreadViewState>();
  v->hitRegions[0] = {0, 0, 10, 10, 0, 0, nullptr};  // free: never found
  v->hitRegions[1] = {0, 0, 100, 20, 5, 0, nullptr};
  v->hitRegions[2] = {0, 0, 100, 40, 6, 1, nullptr};
  EXPECT_EQ(kv::HitTest(*v, 5, 5)->line, 5);
  EXPECT_EQ(kv::HitTest(*v, 0, 19)->line, 5);
  EXPECT_EQ(kv::HitTest(*v, 0, 20)->line, 6) << "bottom is exclusive";
  EXPECT_EQ(kv::HitTest(*v, 100, 5), nullptr) << "right is exclusive";
  EXPECT_EQ(kv::HitTest(*v, -1, 5), nullptr);
  EXPECT_EQ(kv::FirstRegionFrom(*v, 6)->line, 6);
  EXPECT_EQ(kv::FirstRegionFrom(*v, 0)->line, 5);
  EXPECT_EQ(kv::FirstRegionFrom(*v, 7), nullptr);
}

TEST(ViewCache, ThirtyEntriesRoundRobinByKeyAndOffset) {
  auto cache = std::make_unique<kv::LineCache>();
  size_t n = 0;
  EXPECT_EQ(cache->Find(0, 0, &n), nullptr) << "a fresh cache holds nothing, not even key 0 offset 0";
  for (int i = 0; i < 30; ++i) {
    std::string line = "line number " + std::to_string(i) + " of the text";
    cache->Store(7, i * 100, line.data(), line.size());
  }
  ASSERT_NE(cache->Find(7, 0, &n), nullptr);
  EXPECT_EQ(std::string(cache->Find(7, 0, &n), n), "line number 0 of the text");
  EXPECT_EQ(cache->Find(8, 0, &n), nullptr) << "another view's key";
  cache->Store(7, 3000, "the thirty-first line", 21);
  EXPECT_EQ(cache->Find(7, 0, &n), nullptr) << "the 31st insertion replaced the first";
  EXPECT_NE(cache->Find(7, 100, &n), nullptr);
  EXPECT_NE(cache->Find(7, 3000, &n), nullptr);
  cache->Store(9, 100, "another view's line here", 24);
  cache->ClearKey(7);
  EXPECT_EQ(cache->Find(7, 3000, &n), nullptr);
  EXPECT_NE(cache->Find(9, 100, &n), nullptr);
  cache->Clear();
  EXPECT_EQ(cache->Find(9, 100, &n), nullptr);
  // Two views whose URLs give the same key never share lines.
  char textA[] = "first view's line text", textB[] = "other view's line text";
  cache->Store(0, 0, textA, sizeof textA - 1, textA);
  EXPECT_EQ(cache->Find(0, 0, &n, textB), nullptr);
  EXPECT_NE(cache->Find(0, 0, &n, textA), nullptr);
  // A line longer than a record is cut.
  std::string huge(9000, 'x');
  cache->Store(1, 0, huge.data(), huge.size());
  cache->Find(1, 0, &n);
  EXPECT_EQ(n, kv::kRecordMax);
}

}  // namespace
