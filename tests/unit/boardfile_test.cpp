// Board files: the reader in both modes, the writer, the tree's rows and
// TreeOpen, the acquired-boards list, bbsmenu.txt and the moved boards.
#include "boards/boardfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/bars.h"

namespace {

using kv::BoardTree;

const char kMenu[] = "http://menu.example.test/bbsmenu.html";

std::unique_ptr<BoardTree> NewTree() {
  auto t = std::make_unique<BoardTree>();
  kv::ClearBoardTree(*t);
  return t;
}

void Parse(BoardTree& t, const std::string& text, bool menuMode, const char* treeOpen = "", bool clear = true,
           const char* menuAddress = kMenu) {
  kv::BoardParseOptions o;
  o.menuAddress = menuAddress;
  o.treeOpen = treeOpen;
  o.clear = clear;
  o.menuMode = menuMode;
  kv::ParseBoardFile(t, text.data(), text.size(), o);
}

const char kNewsFragment[] = "<B>News</B><BR>\r\n<A HREF=http://news.example.test/board/index.html>Board</A><br>\r\n";

TEST(BoardParser, MenuModeMakesACategoryAndABoardFolder) {
  auto t = NewTree();
  Parse(*t, kNewsFragment, true);
  ASSERT_EQ(t->count, 2);
  EXPECT_STREQ(t->items[0].name, "News");
  EXPECT_EQ(t->items[0].kind, kv::kKindCategory);
  EXPECT_STREQ(t->items[0].address, "");
  EXPECT_STREQ(t->items[1].name, "Board");
  EXPECT_EQ(t->items[1].kind, kv::kKindBoard);
  EXPECT_STREQ(t->items[1].address, "h2ch://news.example.test/board/");
  EXPECT_EQ(t->items[1].index, 1);
  EXPECT_EQ(t->items[1].ordinal, 0);
}

TEST(BoardParser, MenuHttpsBoardsGetTheSecurePseudoScheme) {
  auto t = NewTree();
  Parse(*t, "<B>News</B><BR>\r\n<A HREF=https://news.example.test/board/index.html>Board</A><br>\r\n", true);
  ASSERT_EQ(t->count, 2);
  EXPECT_STREQ(t->items[1].address, "h2chs://news.example.test/board/");
  char current[260], acquired[260];
  EXPECT_TRUE(kv::ChosenBoardAddresses(t->items[1].address, current, acquired));
  EXPECT_STREQ(current, "h2chs://news.example.test/board/subject.txt");
  char shown[260];
  kv::AddressForDisplay(current, shown, sizeof shown);
  EXPECT_STREQ(shown, "https://news.example.test/board/subject.txt") << "shown as the address it is fetched from";
  kv::AddressForDisplay("h2ch://news.example.test/board/", shown, sizeof shown);
  EXPECT_STREQ(shown, "http://news.example.test/board/");
}

TEST(BoardParser, UserFileKeepsSchemeAndFileName) {
  auto t = NewTree();
  Parse(*t, kNewsFragment, false);
  ASSERT_EQ(t->count, 2);
  EXPECT_STREQ(t->items[1].address, "http://news.example.test/board/index.html");
}

TEST(BoardParser, BbstypeSetsSchemeInUserFiles) {
  auto t = NewTree();
  Parse(*t,
        "<B>Feeds</B><A HREF=\"http://f.example.test/rss.xml\" bbstype=\"rss\">Feed</A>"
        "<A href = \"http://t.example.test/x/\" BBSTYPE=tag>Tagged</A>"
        "<a HREF=\"http://h.example.test/p.html\" bbstype=htm>Page</a>"
        "<A HREF=\"http://b.example.test/b/\" bbstype=\"2ch\">Two</A>",
        false);
  ASSERT_EQ(t->count, 5);
  EXPECT_STREQ(t->items[1].address, "hrss://f.example.test/rss.xml");
  EXPECT_STREQ(t->items[1].type, "rss");
  EXPECT_STREQ(t->items[2].address, "http://t.example.test/x/");
  EXPECT_STREQ(t->items[2].type, "");
  EXPECT_STREQ(t->items[3].address, "hhtm://h.example.test/p.html");
  EXPECT_STREQ(t->items[4].address, "h2ch://b.example.test/b/");
}

TEST(BoardParser, CategoryKinds) {
  auto t = NewTree();
  Parse(*t, "<B>Empty</B><B>Full</B><A HREF=\"http://a.test/b/\">B</A><B>Last</B>", false);
  ASSERT_EQ(t->count, 4);
  EXPECT_EQ(t->items[0].kind, kv::kKindEmptyCategory);
  EXPECT_EQ(t->items[1].kind, kv::kKindCategory);
  EXPECT_EQ(t->items[3].kind, kv::kKindEmptyCategory);
  EXPECT_EQ(t->items[3].ordinal, 2);
}

TEST(BoardParser, RelativeLinksResolveAgainstTheMenuFolder) {
  auto t = NewTree();
  Parse(*t, "<B>C</B><A HREF=\"./local/index.html\">Dot</A><A HREF=\"rel/\">Rel</A>", true, "", true,
        "http://menu.example.test/dir/bbsmenu.html");
  ASSERT_EQ(t->count, 3);
  EXPECT_STREQ(t->items[1].address, "h2ch://menu.example.test/dir/local/");
  EXPECT_STREQ(t->items[2].address, "h2ch://menu.example.test/dir/rel/");
  // A user file resolves against BoadAddr too while it is an http address,
  // and leaves absolute non-http links alone.
  Parse(*t, "<A HREF=\"./x.html\">X</A><A HREF=\"file:///c/y\">Y</A>", false, "", true,
        "http://menu.example.test/dir/bbsmenu.html");
  ASSERT_EQ(t->count, 2);
  EXPECT_STREQ(t->items[0].address, "http://menu.example.test/dir/x.html");
  EXPECT_STREQ(t->items[1].address, "file:///c/y");
  // No base at all: the link stays relative.
  Parse(*t, "<A HREF=\"./x.html\">X</A>", false, "", true, "");
  EXPECT_STREQ(t->items[0].address, "./x.html");
}

TEST(BoardParser, CommentsWithNestedTagsAreSkippedWhole) {
  auto t = NewTree();
  Parse(*t, "<!-- <B>Hidden</B> <A HREF=\"http://h.test/x/\">No</A> --><B>Seen</B>", false);
  ASSERT_EQ(t->count, 1);
  EXPECT_STREQ(t->items[0].name, "Seen");
}

TEST(BoardParser, MenuModeKeepsAcquiredAndCategorySearch) {
  auto t = NewTree();
  Parse(*t,
        "<B>C</B><A HREF=\"http://a.test/b/acquired.txt\">Acq</A>"
        "<A HREF=\"http://jbbs.shitaraba.net/bbs/search.cgi/?category=7\">Cat</A>"
        "<A HREF=\"http://a.test/b/\">Folder</A>",
        true);
  ASSERT_EQ(t->count, 4);
  EXPECT_STREQ(t->items[1].address, "h2ch://a.test/b/acquired.txt");
  EXPECT_STREQ(t->items[2].address, "h2ch://jbbs.shitaraba.net/bbs/search.cgi/?category=7");
  EXPECT_STREQ(t->items[3].address, "h2ch://a.test/b/");
}

TEST(BoardParser, TextRulesAndModes) {
  auto t = NewTree();
  // Control bytes are dropped, two-byte names are kept whole, text outside
  // a link or after </A> is no board, other tags end category mode.
  Parse(*t,
        "<b>ニュ\r\nース</b>stray<A HREF=\"http://a.test/b/\">板\tです</A> after<br>"
        "<B>X<font>Y</font></B><A HREF=\"http://a.test/c/\"></A>",
        false);
  ASSERT_EQ(t->count, 3);
  EXPECT_STREQ(t->items[0].name, "ニュース");
  EXPECT_STREQ(t->items[1].name, "板です");
  EXPECT_STREQ(t->items[2].name, "X");
  EXPECT_EQ(t->items[2].kind, kv::kKindEmptyCategory);
}

TEST(BoardParser, UnterminatedInputIsSafe) {
  auto t = NewTree();
  Parse(*t, "<B>Cat</B><A HREF=\"http://a.test/b/", false);
  EXPECT_EQ(t->count, 1);
  Parse(*t, std::string("<!-- <<", 7), false);
  EXPECT_EQ(t->count, 0);
  std::string lead = "<B>\x82";  // a lead byte with no trail
  Parse(*t, lead, false);
  EXPECT_LE(t->count, 1);
}

TEST(BoardParser, LongNamesAreCutAtACharacter) {
  auto t = NewTree();
  std::string name;
  for (int i = 0; i < 200; ++i) name += "板";
  Parse(*t, "<B>" + name + "</B>", false);
  ASSERT_EQ(t->count, 1);
  EXPECT_EQ(strlen(t->items[0].name), 258u);
}

TEST(BoardParser, TreeOpenExpandsByBitOne) {
  auto t = NewTree();
  Parse(*t, "<B>a</B><B>b</B><B>c</B><B>d</B><B>e</B>", false, "0132");
  ASSERT_EQ(t->count, 5);
  EXPECT_EQ(t->items[0].expanded, 0);
  EXPECT_EQ(t->items[1].expanded, 1);
  EXPECT_EQ(t->items[2].expanded, 1);
  EXPECT_EQ(t->items[3].expanded, 0);
  EXPECT_EQ(t->items[4].expanded, 0);  // past the end of TreeOpen
}

TEST(BoardParser, ThousandItemCapCountsOn) {
  auto t = NewTree();
  std::string text = "<B>Cat</B>";
  for (int i = 0; i < 1200; ++i) text += "<A HREF=\"http://a.test/b" + std::to_string(i) + "/\">B</A>";
  Parse(*t, text, false);
  EXPECT_EQ(t->count, kv::kBoardTreeCapacity);
  EXPECT_EQ(t->offered, 1201);
  EXPECT_EQ(t->boards, 1200);
  EXPECT_STREQ(t->items[999].address, "http://a.test/b998/");
  EXPECT_FALSE(kv::StoreBoardItem(*t, "x", "http://y/", kv::kKindBoard, 0));
}

TEST(BoardParser, AppendKeepsOrdinalsGoing) {
  auto t = NewTree();
  Parse(*t, "<B>A</B>", false);
  Parse(*t, "<B>B</B><A HREF=\"http://a.test/b/\">b</A>", false, "", false);
  ASSERT_EQ(t->count, 3);
  EXPECT_EQ(t->items[1].ordinal, 1);
  EXPECT_EQ(t->items[1].kind, kv::kKindCategory);
}

// ---- building --------------------------------------------------------------

TEST(BoardBuild, FirstFileCategoriesUseTwoAndThree) {
  auto t = NewTree();
  std::string first = "<B>U1</B><B>U2</B><A HREF=\"http://a.test/u/\">u</A>";
  std::string menu = "<B>M1</B><A HREF=\"http://m.test/m/index.html\">m</A><B>M2</B>";
  std::string second = "<B>S1</B>";
  kv::BoardSources s;
  s.firstFile = first.data(), s.firstLength = first.size();
  s.menu = menu.data(), s.menuLength = menu.size();
  s.secondFile = second.data(), s.secondLength = second.size();
  char open[151] = "13";
  int32_t n1 = kv::BuildBoardTree(*t, s, kMenu, open);
  EXPECT_EQ(n1, 2);
  EXPECT_STREQ(open, "23");
  ASSERT_EQ(t->count, 7);
  EXPECT_STREQ(t->items[4].address, "h2ch://m.test/m/");
  EXPECT_STREQ(t->items[6].name, "S1");
  EXPECT_EQ(t->items[6].ordinal, 4);
  // "3" keeps U2 open, "1" of a user category is reset to collapsed "2".
  EXPECT_EQ(t->items[0].expanded, 1);  // read before the rewrite
  EXPECT_EQ(t->items[1].expanded, 1);
  // Toggling a first-file category writes 2/3, a later one 0/1.
  kv::SetExpanded(*t, 0, false, open, n1);
  kv::SetExpanded(*t, 3, true, open, n1);
  EXPECT_STREQ(open, "231");
  kv::SetExpanded(*t, 6, true, open, n1);
  EXPECT_STREQ(open, "23101");
}

TEST(BoardBuild, NoFirstFileLeavesTreeOpenAndNoN1) {
  auto t = NewTree();
  Parse(*t, "<B>stale</B>", false);
  std::string menu = "<B>M1</B><B>M2</B>";
  kv::BoardSources s;
  s.menu = menu.data(), s.menuLength = menu.size();
  char open[151] = "01";
  EXPECT_EQ(kv::BuildBoardTree(*t, s, kMenu, open), 0);
  EXPECT_STREQ(open, "01");
  ASSERT_EQ(t->count, 2);
  EXPECT_STREQ(t->items[0].name, "M1");
  EXPECT_EQ(t->items[1].expanded, 1);
  kv::BoardSources none;
  kv::BuildBoardTree(*t, none, kMenu, open);
  EXPECT_EQ(t->count, 0);
}

TEST(BoardBuild, TreeOpenPaddedForManyFirstCategories) {
  auto t = NewTree();
  std::string first;
  for (int i = 0; i < 160; ++i) first += "<B>c</B>";
  kv::BoardSources s;
  s.firstFile = first.data(), s.firstLength = first.size();
  char open[151] = "1";
  EXPECT_EQ(kv::BuildBoardTree(*t, s, kMenu, open), 160);
  EXPECT_EQ(strlen(open), 150u);
  EXPECT_EQ(std::string(open), std::string(150, '2'));
  kv::SetExpanded(*t, 155, true, open, 160);  // ordinal past 149: not stored
  EXPECT_EQ(strlen(open), 150u);
  EXPECT_EQ(t->items[155].expanded, 1);
}

// ---- rows ------------------------------------------------------------------

TEST(BoardRows, CollapsedCategoriesHideTheirBoards) {
  auto t = NewTree();
  Parse(*t,
        "<A HREF=\"http://a.test/top/\">top</A><B>A</B><A HREF=\"http://a.test/a/\">a</A>"
        "<B>B</B><A HREF=\"http://a.test/b1/\">b1</A><A HREF=\"http://a.test/b2/\">b2</A>",
        false, "01");
  EXPECT_EQ(kv::VisibleRowCount(*t), 5);  // top, A, B, b1, b2
  EXPECT_EQ(kv::ItemOfRow(*t, 0), 0);
  EXPECT_EQ(kv::ItemOfRow(*t, 1), 1);
  EXPECT_EQ(kv::ItemOfRow(*t, 2), 3);
  EXPECT_EQ(kv::ItemOfRow(*t, 4), 5);
  EXPECT_EQ(kv::ItemOfRow(*t, 5), -1);
  EXPECT_EQ(kv::RowOfItem(*t, 2), -1);
  EXPECT_EQ(kv::RowOfItem(*t, 5), 4);
  EXPECT_EQ(kv::CategoryAtOrAbove(*t, 5), 3);
  EXPECT_EQ(kv::CategoryAtOrAbove(*t, 0), -1);
  for (int r = 0; r < kv::VisibleRowCount(*t); ++r) EXPECT_EQ(kv::RowOfItem(*t, kv::ItemOfRow(*t, r)), r);
  // Two lists: categories, then the boards up to the next category.
  EXPECT_EQ(kv::CategoryRowCount(*t), 2);
  EXPECT_EQ(kv::ItemOfCategoryRow(*t, 1), 3);
  EXPECT_EQ(kv::CategoryRowOfItem(*t, 5), 1);
  int32_t first = 0;
  EXPECT_EQ(kv::BoardsOfCategory(*t, 3, &first), 2);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(kv::BoardsOfCategory(*t, 1, &first), 1);
}

TEST(BoardRows, SearchFindsNamesWithoutCaseFromAStartRow) {
  auto t = NewTree();
  Parse(*t, "<B>Cat</B><A HREF=\"http://a.test/a/\">Alpha</A><A HREF=\"http://a.test/b/\">ニュース速報</A>", false,
        "1");
  int rows = kv::VisibleRowCount(*t);
  EXPECT_EQ(kv::FindBoardRow(*t, "alp", 0, rows, kv::ItemOfRow), 1);
  EXPECT_EQ(kv::FindBoardRow(*t, "速報", 0, rows, kv::ItemOfRow), 2);  // the last row counts
  EXPECT_EQ(kv::FindBoardRow(*t, "alp", 2, rows, kv::ItemOfRow), -1);
  EXPECT_EQ(kv::FindBoardRow(*t, "zz", 0, rows, kv::ItemOfRow), -1);
  // A trail byte is never taken for a letter: "ス" is 0x83 0x58 ("X").
  EXPECT_FALSE(kv::ContainsNoCase("ス", "x"));
}

TEST(BoardRows, IconStripFollowsFontSizeAndScreen) {
  EXPECT_STREQ(kv::BoardIconStripFor(9, 1, false).file, "treeimg.bmp");
  EXPECT_EQ(kv::BoardIconStripFor(8, 1, false).width, 16);
  EXPECT_EQ(kv::BoardIconStripFor(8, 1, false).height, 12);
  EXPECT_STREQ(kv::BoardIconStripFor(7, 1, false).file, "treeimg2.bmp");
  EXPECT_EQ(kv::BoardIconStripFor(7, 1, false).width, 7);
  EXPECT_STREQ(kv::BoardIconStripFor(7, 2, false).file, "treeimg2.bmp");  // the desktop never doubles
  EXPECT_STREQ(kv::BoardIconStripFor(9, 1, true).file, "treeimg.bmp");
  kv::BoardIconStrip big = kv::BoardIconStripFor(9, 2, true);
  EXPECT_STREQ(big.file, "treeimg3.bmp");
  EXPECT_EQ(big.width, 32);
  EXPECT_EQ(big.height, 24);
}

// ---- writer ----------------------------------------------------------------

TEST(BoardWriter, ExactFormatAndRoundTrip) {
  auto t = NewTree();
  Parse(*t,
        "<B>Cat</B><A HREF=\"http://a.test/f.xml\" bbstype=\"rss\">Feed</A>"
        "<A HREF=\"http://a.test/b/\">Board</A><A HREF=\"./rel\">Rel</A>",
        false, "", true, "");
  std::vector<char> out(kv::kBoardFileTextMax);
  size_t n = kv::FormatBoardFile(*t, true, out.data(), out.size());
  EXPECT_EQ(std::string(out.data(), n),
            "<HTML><HEAD></HEAD><BODY>\r\n\r\n"
            "\r\n<BR><BR><B>Cat</B><BR>\r\n"
            "<A HREF=\"hrss://a.test/f.xml\" bbstype=\"rss\">Feed</A><br>\r\n"
            "<A HREF=\"http://a.test/b/\">Board</A><br>\r\n"
            "\r\n</BODY></HTML>\r\n");
  n = kv::FormatBoardFile(*t, false, out.data(), out.size());
  EXPECT_EQ(std::string(out.data(), n).find("bbstype"), std::string::npos);
  auto back = NewTree();
  Parse(*back, std::string(out.data(), n), false, "", true, "");
  ASSERT_EQ(back->count, 3);
  EXPECT_STREQ(back->items[1].address, "hrss://a.test/f.xml");
  EXPECT_EQ(kv::FormatBoardFile(*t, true, out.data(), 40), 0u);
}

TEST(BoardWriter, FullTreeFitsTheBuffer) {
  auto t = NewTree();
  std::string name(259, 'n'), address = "http://" + std::string(252, 'a');
  for (int i = 0; i < kv::kBoardTreeCapacity; ++i) kv::StoreBoardItem(*t, name.c_str(), address.c_str(), 0, 0, "rss");
  std::vector<char> out(kv::kBoardFileTextMax);
  EXPECT_GT(kv::FormatBoardFile(*t, true, out.data(), out.size()), 500000u);
}

// ---- choosing and the acquired-boards list ----------------------------------

TEST(BoardChoice, AddressesOfAChosenBoard) {
  char current[260], acquired[260];
  EXPECT_TRUE(kv::ChosenBoardAddresses("h2ch://news.example.test/board/", current, acquired));
  EXPECT_STREQ(current, "h2ch://news.example.test/board/subject.txt");
  EXPECT_STREQ(acquired, "h2ch://news.example.test/board/acquired.txt");
  EXPECT_TRUE(kv::ChosenBoardAddresses("h2ch://a.test/b/acquired.txt", current, acquired));
  EXPECT_STREQ(current, "h2ch://a.test/b/acquired.txt");
  EXPECT_STREQ(acquired, "");
  EXPECT_TRUE(kv::ChosenBoardAddresses("hrss://a.test/f.xml", current, acquired));
  EXPECT_STREQ(current, "hrss://a.test/f.xml");
  EXPECT_STREQ(acquired, "hrss://a.test/f.xml");
}

TEST(BoardChoice, OpeningABoardTwiceAddsItOnce) {
  auto t = NewTree();
  kv::SeedAcquiredBoards(*t);
  ASSERT_EQ(t->count, 1);
  EXPECT_STREQ(t->items[0].name, kv::kAcquiredCategory);
  EXPECT_EQ(t->items[0].kind, kv::kKindEmptyCategory);
  EXPECT_TRUE(kv::AddAcquiredBoard(*t, "Board", "h2ch://a.test/b/acquired.txt"));
  EXPECT_FALSE(kv::AddAcquiredBoard(*t, "Board", "h2ch://a.test/b/acquired.txt"));
  EXPECT_TRUE(kv::AddAcquiredBoard(*t, "Board", "h2ch://c.test/b/acquired.txt"));  // moved: a new entry
  EXPECT_EQ(t->count, 3);
  EXPECT_EQ(t->items[0].kind, kv::kKindCategory);
  kv::SeedAcquiredBoards(*t);
  EXPECT_EQ(t->count, 3);
}

// ---- bbsmenu.txt -----------------------------------------------------------

TEST(MenuSources, CommentsAndTheFiftyFirstLine) {
  std::string text = "#comment,http://x/\r\n;also,http://y/\n\n nospace,http://z/\rnocomma\r\n";
  for (int i = 0; i < 60; ++i) text += "S" + std::to_string(i) + ",http://s" + std::to_string(i) + ".test/m.html\r\n";
  kv::MenuSources s;
  kv::ParseMenuSources(text.data(), text.size(), s);
  ASSERT_EQ(s.count, 51);  // 50 read and the acquired list
  EXPECT_STREQ(s.items[0].name, " nospace");
  EXPECT_STREQ(s.items[0].address, "http://z/");
  EXPECT_STREQ(s.items[49].name, "S48");
  EXPECT_STREQ(s.items[50].address, kv::kAcquiredMenuAddress);
  EXPECT_EQ(kv::FindMenuSourceByAddress(s, "http://s49.test/m.html"), -1);
}

TEST(MenuSources, DefaultFileAndSplitAtFirstComma) {
  char text[600];
  size_t n = kv::DefaultMenuSourcesText(kMenu, text, sizeof text);
  EXPECT_EQ(std::string(text, n),
            "２ちゃんねる掲示板リスト,http://menu.example.test/bbstable.html\r\n"
            "BBS MENU for 2ch,http://menu.example.test/bbsmenu.html\r\n"
            "既得リスト,http://acquired.htm\r\n");
  kv::MenuSources s;
  kv::ParseMenuSources(text, n, s);
  EXPECT_EQ(s.count, 3);  // the acquired source is there already
  std::string comma = "a,b,http://c/";
  kv::ParseMenuSources(comma.data(), comma.size(), s);
  EXPECT_STREQ(s.items[0].name, "a");
  EXPECT_STREQ(s.items[0].address, "b,http://c/");
}

TEST(MenuSources, AddingAnAddressOnlyOnceWhateverTheCase) {
  std::string text = "Menu,http://Menu.Example.Test/bbsmenu.html";
  kv::MenuSources s;
  kv::ParseMenuSources(text.data(), text.size(), s);
  EXPECT_FALSE(kv::ShouldAddMenuSource(s, "HTTP://menu.example.test/BBSMENU.html"));
  EXPECT_FALSE(kv::ShouldAddMenuSource(s, "ftp://other.test/"));
  EXPECT_FALSE(kv::ShouldAddMenuSource(s, "http://acquired.htm"));
  ASSERT_TRUE(kv::ShouldAddMenuSource(s, "H2CH://other.test/menu.html"));
  char out[300];
  size_t n = kv::AppendMenuSource(text.data(), text.size(), "h2ch://other.test/menu.html", out, sizeof out);
  EXPECT_EQ(std::string(out, n),
            "Menu,http://Menu.Example.Test/bbsmenu.html\r\nother.test,h2ch://other.test/menu.html\r\n");
  std::string ended = "A,http://a/\n";
  n = kv::AppendMenuSource(ended.data(), ended.size(), "http://b.test", out, sizeof out);
  EXPECT_EQ(std::string(out, n), "A,http://a/\nb.test,http://b.test\r\n");
  EXPECT_EQ(kv::AppendMenuSource(ended.data(), ended.size(), "http://b.test", out, 20), 0u);
}

TEST(MenuSources, TypedPrefixFindsNameOrAddress) {
  std::string text = "Alpha,http://one.test/\r\nBeta,http://two.test/\r\n";
  kv::MenuSources s;
  kv::ParseMenuSources(text.data(), text.size(), s);
  EXPECT_EQ(kv::FindMenuSourceByPrefix(s, "be"), 1);
  EXPECT_EQ(kv::FindMenuSourceByPrefix(s, "HTTP://TWO"), 1);
  EXPECT_EQ(kv::FindMenuSourceByPrefix(s, "http://"), 0);
  EXPECT_EQ(kv::FindMenuSourceByPrefix(s, ""), -1);
  EXPECT_EQ(kv::FindMenuSourceByPrefix(s, "gamma"), -1);
}

// ---- moved boards ----------------------------------------------------------

void Collect(const char* line, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(line); }

TEST(MovedBoards, SameNameOtherAddress) {
  auto active = NewTree(), other = NewTree();
  Parse(*active,
        "<B>C</B><A HREF=\"http://new.test/news/\">News</A><A HREF=\"http://a.test/same/\">Same</A>"
        "<A HREF=\"http://a.test/only/\">Only</A><B>D</B><A HREF=\"http://new.test/news/\">News</A>",
        true);
  Parse(*other,
        "<B>C</B><A HREF=\"http://old.test/news/\">News</A><A HREF=\"http://a.test/same/\">Same</A>"
        "<A HREF=\"http://b.test/same/\">Same</A>",
        true);
  std::vector<std::string> lines;
  EXPECT_EQ(kv::ListMovedBoards(*active, *other, Collect, &lines), 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "News: h2ch://new.test/news/→h2ch://old.test/news/");
  auto empty = NewTree();
  EXPECT_EQ(kv::ListMovedBoards(*active, *empty, Collect, &lines), 0);
}

}  // namespace
