#include "boards/threadlist.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/text.h"

namespace {

class Lists : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kv::CreateThreadLists(l)); }
  void TearDown() override { kv::DestroyThreadLists(l); }
  int32_t Parse(const std::string& text, kv::ParseMode mode = kv::ParseMode::Replace, size_t holdBack = 0,
                const char* base = nullptr) {
    return kv::ParseThreadList(l, text.data(), text.size(), mode, holdBack, base);
  }
  kv::ThreadRow& Row(int i) { return l.current->rows[i]; }
  kv::ThreadLists l;
};

// Which keys have a local log, for the state computation.
struct Logs {
  std::set<int32_t> keys;
  static bool Has(void* c, int32_t key) { return static_cast<Logs*>(c)->keys.count(key) > 0; }
  kv::LocalLogs get() { return {Has, this}; }
};

TEST_F(Lists, IndexLinesOfEachShape) {
  EXPECT_EQ(Parse("42.dat<>Abc (123)\n43.cgi,Def(45)\n44.dat<>Ghi (12)<>7\n"), 3);
  EXPECT_EQ(Row(0).key, 42);
  EXPECT_STREQ(Row(0).title, "Abc");
  EXPECT_EQ(Row(0).count, 123);
  EXPECT_EQ(Row(1).key, 43);
  EXPECT_STREQ(Row(1).title, "Def");
  EXPECT_EQ(Row(1).count, 45);
  EXPECT_EQ(Row(2).count, 12);
  EXPECT_EQ(Row(2).resume, 7);
  EXPECT_STREQ(Row(0).numberText, "  1");
  EXPECT_STREQ(Row(0).countText, " 123");
  EXPECT_STREQ(Row(0).keyText, "        42");
  EXPECT_EQ(Row(0).link, nullptr);
}

TEST_F(Lists, OnlyTheLastParenthesisStartsTheCount) {
  Parse("1.dat<>A(1) B (2) C (33)\n2.dat<>No count here\n3.dat<>Angle <9>\r\n");
  EXPECT_STREQ(Row(0).title, "A(1) B (2) C");
  EXPECT_EQ(Row(0).count, 33);
  EXPECT_STREQ(Row(1).title, "No count here");
  EXPECT_EQ(Row(1).count, 0);
  EXPECT_STREQ(Row(2).title, "Angle");
  EXPECT_EQ(Row(2).count, 9);
}

TEST_F(Lists, EntitiesAndBoldTagsAreCleaned) {
  Parse("5.dat<>Tom &amp; <b>Jerry</b> (8)\n");
  EXPECT_STREQ(Row(0).title, "Tom & Jerry");
  EXPECT_EQ(Row(0).count, 8);
}

TEST_F(Lists, UrlLineCarriesItsLink) {
  kv::LocalLogs none = {nullptr, nullptr};
  Parse("http://host.example/page.html<>Page (0)\n");
  EXPECT_EQ(Row(0).key, 0);
  ASSERT_NE(Row(0).link, nullptr);
  EXPECT_STREQ(Row(0).link, "http://host.example/page.html");
  EXPECT_STREQ(kv::CellText(l, 0, 4, none), "http://host.example/page.html");
  EXPECT_STREQ(kv::CellText(l, 0, 3, none), "");  // link rows: state 1, empty new count
  EXPECT_EQ(Row(0).state, 1);
}

TEST_F(Lists, BaseAddressGivesDatLinks) {
  Parse("42.dat<>Abc (3)<>1\n", kv::ParseMode::Replace, 0, "http://h/b/");
  ASSERT_NE(Row(0).link, nullptr);
  EXPECT_STREQ(Row(0).link, "http://h/b/dat/42.dat");
}

TEST_F(Lists, ExtendTwiceAddsOnlyNewRows) {
  std::string all = "1.dat<>A (1)\n2.dat<>B (2)\n3.dat<>C (3)\n4.dat<>D (4)\n";
  std::string part = all.substr(0, 26);  // two lines
  Parse(part, kv::ParseMode::Extend, 0);
  ASSERT_EQ(l.current->used, 2);
  strcpy(Row(0).title, "kept");
  Parse(all, kv::ParseMode::Extend, 0);
  EXPECT_EQ(l.current->used, 4);
  EXPECT_STREQ(Row(0).title, "kept");
  EXPECT_STREQ(Row(3).title, "D");
}

TEST_F(Lists, HoldBackLeavesTheTail) {
  std::string text = "1.dat<>A (1)\n2.dat<>B (2)\n";
  EXPECT_EQ(Parse(text, kv::ParseMode::Replace, 13), 1);
}

TEST_F(Lists, AppendNumbersAfterTheUsedRows) {
  Parse("1.dat<>A (1)\n");
  Parse("2.dat<>B (2)\n", kv::ParseMode::Append);
  EXPECT_EQ(l.current->used, 2);
  EXPECT_STREQ(Row(1).numberText, "  2");
  EXPECT_EQ(Row(1).key, 2);
}

TEST_F(Lists, ReplaceClearsAndFreesLinks) {
  Parse("http://a/<>x (1)\nhttp://b/<>y (2)\n");
  EXPECT_EQ(Parse(""), 0);
  EXPECT_EQ(Row(0).link, nullptr);
  EXPECT_EQ(Row(0).title[0], 0);
}

TEST_F(Lists, EightZeroBytesEndTheList) {
  std::string text = "1.dat<>A (1)\n";
  text += std::string(8, '\0');
  text += "2.dat<>B (2)\n";
  EXPECT_EQ(Parse(text), 1);
  std::string seven = "1.dat<>A (1)\n" + std::string(7, '\0') + "2.dat<>B (2)\n";
  EXPECT_EQ(Parse(seven), 2);
}

TEST_F(Lists, TableStopsAtTenThousandRows) {
  std::string text;
  for (int i = 1; i <= 10005; ++i) text += std::to_string(i) + ".dat<>T (1)\n";
  EXPECT_EQ(Parse(text), kv::kThreadRows);
  EXPECT_EQ(Row(9999).key, 10000);
  EXPECT_FALSE(kv::StoreRow(*l.current, 10000, "x", 1, 1, 0, 0, nullptr, 0));
}

// Every cut of a double-byte title ends on a character boundary.
TEST_F(Lists, LongDoubleByteTitlesAreCutWhole) {
  std::string title;
  for (int i = 0; i < 40; ++i) title += "\x82\xA0";  // 80 bytes
  Parse("1.dat<>A" + title + " (5)\n");              // odd offset of the pairs
  size_t n = strlen(Row(0).title);
  EXPECT_LE(n, 63u);
  EXPECT_EQ(kv::SjisCutLength(Row(0).title, n, n), n);
  EXPECT_EQ(n % 2, 1u);  // "A" and whole pairs
  // A title field longer than 255 bytes: the cut never splits a pair and
  // the rest of the field (with its count) is passed over, not read as a
  // record of its own.
  std::string longTitle = "B";
  for (int i = 0; i < 200; ++i) longTitle += "\x88\x9F";
  Parse("2.dat<>" + longTitle + " (7)\n3.dat<>Next (1)\n");
  n = strlen(Row(0).title);
  EXPECT_EQ(kv::SjisCutLength(Row(0).title, n, n), n);
  EXPECT_EQ(Row(1).key, 3);
}

// A lead byte right before the line end must not eat it.
TEST_F(Lists, BrokenLeadByteKeepsTheNextLine) {
  EXPECT_EQ(Parse("1.dat<>A\x82\n2.dat<>B (2)\n"), 2);
  EXPECT_STREQ(Row(0).title, "A");
  EXPECT_EQ(Row(1).key, 2);
}

TEST_F(Lists, StatesAgainstAcquiredAndPreviousLists) {
  Logs logs;
  logs.keys = {1, 2};
  // Acquired: 1 with 10 posts, 2 with 5.
  kv::StoreRow(*l.acquired, 0, "one", 1, 10, 0, 1, nullptr, 0);
  kv::StoreRow(*l.acquired, 1, "two", 2, 5, 0, 1, nullptr, 0);
  // Previous list knows 3; 4 is new.
  l.current = &kv::PreviousList(l);
  Parse("3.dat<>three (1)\n");
  l.current = &kv::ShownList(l);
  Parse("1.dat<>one (10)\n2.dat<>two (8)\n3.dat<>three (2)\n4.dat<>four (1)\n");
  kv::LocalLogs ll = logs.get();
  EXPECT_STREQ(kv::CellText(l, 0, 3, ll), "   0");
  EXPECT_EQ(Row(0).state, 1);
  EXPECT_STREQ(kv::CellText(l, 1, 3, ll), "   3");
  EXPECT_EQ(Row(1).state, 2);
  EXPECT_STREQ(kv::CellText(l, 2, 3, ll), "");
  EXPECT_EQ(Row(2).state, 0);
  kv::ComputeRowState(l, 3, ll);
  EXPECT_EQ(Row(3).state, 3);
  // Computed once per store: a new log does not change it until stored again.
  logs.keys.insert(3);
  kv::ComputeRowState(l, 2, ll);
  EXPECT_EQ(Row(2).state, 0);
}

TEST_F(Lists, EmptyPreviousListMakesNothingNew) {
  Logs logs;
  Parse("7.dat<>seven (3)\n");
  kv::ComputeRowState(l, 0, logs.get());
  EXPECT_EQ(Row(0).state, 0);
}

TEST_F(Lists, LocalCountFallsBackToResumeThenOne) {
  Logs logs;
  logs.keys = {1, 2};
  kv::StoreRow(*l.acquired, 0, "one", 1, 0, 0, 1, nullptr, 4);
  Parse("1.dat<>one (6)\n2.dat<>two (6)\n");
  kv::ComputeRowState(l, 0, logs.get());
  EXPECT_EQ(Row(0).newCount, 2);  // 6 - resume 4
  kv::ComputeRowState(l, 1, logs.get());
  EXPECT_EQ(Row(1).newCount, 5);  // not acquired: 6 - 1
}

TEST_F(Lists, MergeFillsTheLookupTableByKey) {
  l.current = l.lookup;
  Parse("5.dat<>Five (1)\n6.dat<>Six (2)\n5.dat<>Five again (3)\n", kv::ParseMode::Merge);
  ASSERT_EQ(l.lookup->used, 2);
  EXPECT_STREQ(Row(0).title, "Five again");
  EXPECT_EQ(Row(0).count, 3);
  EXPECT_EQ(Row(0).state, 1);
  // The acquired table takes only keys it already has.
  l.current = l.acquired;
  kv::StoreRow(*l.acquired, 0, "Unknown", 6, 1, 0, 1, nullptr, 0);
  Parse("5.dat<>Five (1)<>0\n6.dat<>Six (2)<>4\n", kv::ParseMode::Merge);
  EXPECT_EQ(l.acquired->used, 1);
  EXPECT_STREQ(Row(0).title, "Six");
  EXPECT_EQ(Row(0).resume, 4);
}

TEST_F(Lists, KnownCountRules) {
  EXPECT_EQ(kv::KnownCount(*l.acquired, 5), -2);
  kv::StoreRow(*l.acquired, 0, "a", 5, 9, 0, 1, nullptr, 0);
  EXPECT_EQ(kv::KnownCount(*l.acquired, 5), 9);
  EXPECT_EQ(kv::KnownCount(*l.acquired, 6), -1);
  char title[64];
  kv::TitleByKey(*l.acquired, 6, title, sizeof title);
  EXPECT_STREQ(title, "?");
  kv::TitleByKey(*l.acquired, 5, title, sizeof title);
  EXPECT_STREQ(title, "a");
}

TEST_F(Lists, SetStateTouchesOnlyTheState) {
  Parse("1.dat<>one (6)\n");
  EXPECT_TRUE(kv::SetStateByKey(l, 1, 1));
  EXPECT_EQ(Row(0).state, 1);
  EXPECT_EQ(Row(0).count, 6);
  EXPECT_FALSE(kv::SetStateByKey(l, 9, 1));
}

std::vector<int32_t> Keys(kv::ThreadLists& l) {
  std::vector<int32_t> k;
  for (int i = 0; i < l.current->used; ++i) k.push_back(l.current->rows[i].key);
  return k;
}

TEST_F(Lists, HeaderClicks) {
  kv::LocalLogs none = {nullptr, nullptr};
  Parse("1.dat<>b (5)\n2.dat<>a (50)\n3.dat<>c (7)\n");
  // "No" first: the initial descending flag is inverted, so ascending.
  kv::HeaderClick(l, 0, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{1, 2, 3}));
  // Another column first: descending.
  kv::HeaderClick(l, 2, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{2, 3, 1}));
  kv::HeaderClick(l, 2, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{1, 3, 2}));
  kv::HeaderClick(l, 1, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{3, 1, 2}));
  // Sorting by "No" restores the index order: rows keep their numbers.
  kv::HeaderClick(l, 0, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{1, 2, 3}));
  kv::HeaderClick(l, 0, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{3, 2, 1}));
  // A swap of the display tables resets the click state.
  kv::SwapDisplayTables(l);
  EXPECT_EQ(l.lastClicked, 0);
  EXPECT_EQ(l.descending[2], 1);
}

TEST_F(Lists, EqualTextsFollowTheSelectionSort) {
  kv::LocalLogs none = {nullptr, nullptr};
  // B1 B2 A: A is swapped to the front and B1 lands behind B2.
  Parse("1.dat<>B (1)\n2.dat<>B (2)\n3.dat<>A (3)\n");
  kv::SortRows(l, 1, false, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{3, 2, 1}));
  Parse("1.dat<>B (1)\n2.dat<>B (2)\n3.dat<>C (3)\n");
  kv::SortRows(l, 1, false, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{1, 2, 3}));  // equal texts: the earlier row first
}

TEST_F(Lists, NowTSort) {
  kv::LocalLogs none = {nullptr, nullptr};
  Parse("1.dat<>a (5)\n2.dat<>b (50)\n3.dat<>c (7)\n");
  kv::ApplyNowSort(l, 0, kv::ByteCompare, none);
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{1, 2, 3}));
  kv::ApplyNowSort(l, 242, kv::ByteCompare, none);  // 0xF2: count, descending
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{2, 3, 1}));
  EXPECT_EQ(l.lastClicked, 0);
  EXPECT_EQ(l.descending[2], 1);
  int column;
  bool descending;
  EXPECT_FALSE(kv::NowSortOf(0x05, &column, &descending));
}

TEST_F(Lists, SortByNewCountComputesStates) {
  Logs logs;
  logs.keys = {1, 2};
  kv::StoreRow(*l.acquired, 0, "a", 1, 1, 0, 1, nullptr, 0);
  kv::StoreRow(*l.acquired, 1, "b", 2, 5, 0, 1, nullptr, 0);
  Parse("1.dat<>a (3)\n2.dat<>b (25)\n3.dat<>c (3)\n");
  kv::SortRows(l, 3, true, kv::ByteCompare, logs.get());
  EXPECT_EQ(Keys(l), (std::vector<int32_t>{2, 1, 3}));
}

TEST_F(Lists, SortMovesLinksWithTheirRows) {
  kv::LocalLogs none = {nullptr, nullptr};
  Parse("http://b/<>b (1)\nhttp://a/<>a (2)\n");
  kv::SortRows(l, 1, false, kv::ByteCompare, none);
  EXPECT_STREQ(Row(0).link, "http://a/");
  EXPECT_STREQ(Row(1).link, "http://b/");
}

TEST_F(Lists, TitleSearchIgnoresLetterCase) {
  Parse("1.dat<>Alpha (1)\n2.dat<>beta GAMMA (1)\n3.dat<>\x83\x41gamma (1)\n");
  EXPECT_EQ(kv::FindTitle(*l.current, 0, "gamma"), 1);
  EXPECT_EQ(kv::FindTitle(*l.current, 2, "GAMMA"), 2);
  EXPECT_EQ(kv::FindTitle(*l.current, 0, "delta"), -1);
  // "A" as the trail byte of a double-byte character is no letter.
  EXPECT_EQ(kv::FindTitle(*l.current, 2, "Ag"), -1);
}

int NoCase(const char* a, const char* b) {
  size_t n = strlen(a) < strlen(b) ? strlen(a) + 1 : strlen(b) + 1;
  return kv::CompareNoCase(a, b, n);
}

// The fast sort must make exactly the moves of the selection sort.
TEST(SortOrder, FastEqualsReferenceOnRandomTables) {
  std::mt19937 random(12345);
  std::vector<int32_t> a(kv::kThreadRows), b(kv::kThreadRows);
  for (int round = 0; round < 120; ++round) {
    int n = round < 20 ? round : static_cast<int>(random() % 1500) + 2;
    int alphabet = 1 + static_cast<int>(random() % 6);  // few letters: many ties
    std::vector<std::string> texts(n);
    std::vector<const char*> p(n);
    for (int i = 0; i < n; ++i) {
      int len = static_cast<int>(random() % 3);
      for (int k = 0; k < len; ++k) texts[i] += static_cast<char>((random() % 2 ? 'a' : 'A') + random() % alphabet);
      p[i] = texts[i].c_str();
    }
    for (int d = 0; d < 2; ++d) {
      kv::CellCompare compare = round % 3 == 0 ? NoCase : kv::ByteCompare;
      kv::SelectionSortOrderReference(p.data(), n, d == 1, compare, a.data());
      kv::SelectionSortOrder(p.data(), n, d == 1, compare, b.data());
      ASSERT_TRUE(std::equal(a.begin(), a.begin() + n, b.begin())) << "round " << round << " n " << n;
    }
  }
}

TEST(SortOrder, FullTableOfTies) {
  std::vector<std::string> texts(kv::kThreadRows);
  std::vector<const char*> p(kv::kThreadRows);
  for (int i = 0; i < kv::kThreadRows; ++i) {
    texts[i] = (i * 7919) % 3 == 0 ? "x" : (i % 2 ? "y" : "z");
    p[i] = texts[i].c_str();
  }
  std::vector<int32_t> a(kv::kThreadRows), b(kv::kThreadRows);
  kv::SelectionSortOrderReference(p.data(), kv::kThreadRows, true, kv::ByteCompare, a.data());
  kv::SelectionSortOrder(p.data(), kv::kThreadRows, true, kv::ByteCompare, b.data());
  EXPECT_EQ(a, b);
}

}  // namespace
