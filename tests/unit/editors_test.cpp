// The companion editors' portable halves: command lines, the two file
// dialects read and written back, the edit dialog rules, the hand-over.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "boards/boardfile.h"
#include "boards/favourites.h"
#include "editors/board_tree/ravo.h"
#include "editors/entries.h"
#include "editors/favourites/selm.h"

namespace {

std::unique_ptr<kv::EditorList> NewList(int32_t capacity = kv::kBoardEditorRows) {
  auto list = std::make_unique<kv::EditorList>();
  kv::ClearEditorList(*list, capacity);
  return list;
}

std::string Text(const kv::EditorEntry& e) { return std::string(e.name) + "|" + e.url + "|" + e.type; }
std::string Row(const kv::EditorList& l, int32_t r) { return Text(l.rows[r]); }

std::string RavoText(const kv::EditorList& l) {
  std::vector<char> out(kv::RavoFileCap(l.count));
  size_t n = kv::FormatRavoFile(l, out.data(), out.size());
  return std::string(out.data(), n);
}

std::string SelmText(const kv::EditorList& l) {
  std::vector<char> out(kv::SelmFileCap(l.count));
  size_t n = kv::FormatSelmFile(l, out.data(), out.size());
  return std::string(out.data(), n);
}

// ---- command lines ----------------------------------------------------------

TEST(EditorArguments, NameThenAddressFields) {
  kv::EditorArguments a;
  kv::ParseEditorArguments(" \"スレ\" \"http://h/b/dat/1.dat\"", false, a);
  ASSERT_TRUE(a.hasEntry);
  EXPECT_STREQ(a.name, "スレ");
  EXPECT_STREQ(a.address, "http://h/b/dat/1.dat");
  // Later fields are appended; text outside quotes is ignored.
  kv::ParseEditorArguments("x \"N\" y \"http://h/\" \"b/dat/2.dat\"", false, a);
  EXPECT_STREQ(a.name, "N");
  EXPECT_STREQ(a.address, "http://h/b/dat/2.dat");
  kv::ParseEditorArguments("  ", false, a);
  EXPECT_FALSE(a.hasEntry);
  EXPECT_STREQ(kv::SkipProgramName("\"C:\\a b\\Selm32.exe\"  \"N\""), "\"N\"");
  EXPECT_STREQ(kv::SkipProgramName("Selm32.exe \"N\""), "\"N\"");
}

TEST(EditorArguments, ManyFieldsStopAt259BytesOnACharacter) {
  std::string line = "\"N\" \"http://h/";
  line += "\"";
  for (int i = 0; i < 80; ++i) line += " \"表示\"";  // 0x95 0x5C: a trail byte that looks like "\"
  kv::EditorArguments a;
  kv::ParseEditorArguments(line.c_str(), false, a);
  size_t n = strlen(a.address);
  EXPECT_EQ(n, 259u);
  EXPECT_EQ((n - strlen("http://h/")) % 2, 0u);  // whole characters only
}

TEST(EditorArguments, FileOptionTakesOnlyAPlainName) {
  kv::EditorArguments a;
  kv::ParseEditorArguments("-f\"TreeList2.htm\"", true, a);
  EXPECT_STREQ(a.file, "TreeList2.htm");
  EXPECT_FALSE(a.hasEntry);
  kv::ParseEditorArguments("/F\"mine.htm\" \"N\" \"http://h/b/\"", true, a);
  EXPECT_STREQ(a.file, "mine.htm");
  EXPECT_STREQ(a.name, "N");
  for (const char* bad : {"-f\"..\\Kvel32.ini\"", "-f\"C:\\x.htm\"", "-f\"a/b.htm\"", "-f\"..\"", "-f\"\""}) {
    kv::ParseEditorArguments(bad, true, a);
    EXPECT_STREQ(a.file, "") << bad;
  }
  EXPECT_TRUE(kv::IsPlainFileName("表.htm"));  // its trail byte 0x5C is no separator
  // Selm32 has no file option: the quoted text is an entry field.
  kv::ParseEditorArguments("-f\"x.htm\"", false, a);
  EXPECT_STREQ(a.file, "");
  EXPECT_STREQ(a.name, "x.htm");
}

TEST(EditorArguments, FieldsAreMadeSafeForTheFile) {
  kv::EditorArguments a;
  kv::ParseEditorArguments("\"<b>it's</b>\" \"http://h/a b<c>\"", false, a);
  EXPECT_STREQ(a.name, "＜b＞it\xDEs＜/b＞");
  EXPECT_STREQ(a.address, "http://h/a%20b%3Cc%3E");
}

TEST(EditorArguments, ReaderLaunchEscapesTheAddress) {
  // The reader's "お気に入りに追加" line must come back as one name and one
  // address, even when the address holds a quote or a blank.
  char line[600];
  kv::SelmArguments("T \"q\"", "http://h/b/dat/1.dat\" \"x", line, sizeof line);
  EXPECT_STREQ(line, "\"T \xDEq\xDE\" \"http://h/b/dat/1.dat%22%20%22x\"");
  kv::EditorArguments a;
  kv::ParseEditorArguments(line, false, a);
  EXPECT_STREQ(a.name, "T \xDEq\xDE");
  EXPECT_STREQ(a.address, "http://h/b/dat/1.dat%22%20%22x");
}

// ---- the list ---------------------------------------------------------------

TEST(EditorList, InsertMoveRemove) {
  auto l = NewList(3);
  EXPECT_EQ(kv::InsertEntry(*l, -1, kv::MakeEntry("a", "h", "")), 0);
  EXPECT_EQ(kv::InsertEntry(*l, -1, kv::MakeEntry("c", "h", "")), 1);
  EXPECT_EQ(kv::InsertEntry(*l, 1, kv::MakeEntry("b", "h", "")), 1);    // before the selected row
  EXPECT_EQ(kv::InsertEntry(*l, -1, kv::MakeEntry("d", "h", "")), -1);  // full
  EXPECT_EQ(l->refused, 1);                                             // a file longer than the list is known as such
  EXPECT_EQ(kv::MoveEntry(*l, 0, -1), -1);
  EXPECT_EQ(kv::MoveEntry(*l, 2, 1), -1);
  EXPECT_EQ(kv::MoveEntry(*l, 0, 1), 1);
  EXPECT_EQ(std::string(l->rows[0].name) + l->rows[1].name + l->rows[2].name, "bac");
  EXPECT_TRUE(kv::RemoveEntry(*l, 1));
  EXPECT_FALSE(kv::RemoveEntry(*l, 2));
  EXPECT_EQ(std::string(l->rows[0].name) + l->rows[1].name, "bc");
}

// ---- Ravo32 -----------------------------------------------------------------

TEST(RavoFile, ReadsTheReadersAcquiredBoardsBackByteForByte) {
  auto tree = std::make_unique<kv::BoardTree>();
  kv::ClearBoardTree(*tree);
  kv::SeedAcquiredBoards(*tree);
  kv::AddAcquiredBoard(*tree, "ニュース速報", "http://127.0.0.1:8080/news/acquired.txt");
  kv::AddAcquiredBoard(*tree, "表計算", "h2ch://h.example/soft/acquired.txt");
  std::vector<char> text(kv::kBoardFileTextMax);
  size_t n = kv::FormatBoardFile(*tree, false, text.data(), text.size());
  ASSERT_GT(n, 0u);
  auto l = NewList();
  kv::ParseRavoFile(text.data(), n, *l);
  ASSERT_EQ(l->count, 3);
  EXPECT_EQ(Row(*l, 0), "既得リスト|■|tag");
  EXPECT_EQ(Row(*l, 1), "ニュース速報|http://127.0.0.1:8080/news/acquired.txt|");
  EXPECT_EQ(Row(*l, 2), "表計算|h2ch://h.example/soft/acquired.txt|");
  EXPECT_EQ(RavoText(*l), std::string(text.data(), n));
}

TEST(RavoFile, WritesCategoriesAndTypes) {
  auto l = NewList();
  kv::InsertEntry(*l, -1, kv::MakeEntry("News", "■", "tag"));
  kv::InsertEntry(*l, -1, kv::MakeEntry("Feed", "http://h/f.xml", "rss"));
  kv::InsertEntry(*l, -1, kv::MakeEntry("Plain", "http://h/b/", ""));
  kv::InsertEntry(*l, -1, kv::MakeEntry("Tagged", "http://h/c/", "tag"));
  EXPECT_EQ(RavoText(*l),
            "<HTML><HEAD></HEAD><BODY>\r\n\r\n"
            "\r\n<BR><BR><B>News</B><BR>\r\n"
            "<A HREF=\"http://h/f.xml\" bbstype=\"rss\">Feed</A><br>\r\n"
            "<A HREF=\"http://h/b/\">Plain</A><br>\r\n"
            "<A HREF=\"http://h/c/\">Tagged</A><br>\r\n"
            "\r\n</BODY></HTML>\r\n");
  // What the reader makes of it: the category, the feed with its scheme.
  std::string text = RavoText(*l);
  auto tree = std::make_unique<kv::BoardTree>();
  kv::ClearBoardTree(*tree);
  kv::ParseBoardFile(*tree, text.data(), text.size(), kv::BoardParseOptions{});
  ASSERT_EQ(tree->count, 4);
  EXPECT_STREQ(tree->items[0].name, "News");
  EXPECT_EQ(tree->items[0].kind, kv::kKindCategory);
  EXPECT_STREQ(tree->items[1].address, "hrss://h/f.xml");
  EXPECT_STREQ(tree->items[3].address, "http://h/c/");
}

TEST(RavoFile, TagsAndAttributesInEitherCase) {
  std::string file =
      "<b></b><B>Empty next</B>\r\n"
      "<a href=\"http://h/x/\" BBSTYPE=\"r\">Short type</a>\r\n"
      "<A HREF=http://h/y/ bbstype=rss>Unquoted</A>\r\n"
      "<a href='http://h/z/' bbstype=\"2chx\">Long type</a>\r\n"
      "<a href=\"http://h/none/\"></a>\r\n";
  auto l = NewList();
  kv::ParseRavoFile(file.data(), file.size(), *l);
  ASSERT_EQ(l->count, 5);
  EXPECT_EQ(Row(*l, 0), "|■|tag");  // a category also when its title is empty
  EXPECT_EQ(Row(*l, 1), "Empty next|■|tag");
  EXPECT_EQ(Row(*l, 2), "Short type|http://h/x/|r");  // the type stops at its quote
  EXPECT_EQ(Row(*l, 3), "Unquoted|http://h/y/|rss");
  EXPECT_EQ(Row(*l, 4), "Long type|http://h/z/|2ch");
}

TEST(RavoFile, LinksWithOtherAddressesStayLinks) {
  // A hand-written file may hold a relative link; saving it as a category
  // would drop its address.
  std::string file = "<B>Cat</B><a href=\"../other/\">Relative</a><a href='http://h/\"q\"/'>Quoted</a>";
  auto l = NewList();
  kv::ParseRavoFile(file.data(), file.size(), *l);
  ASSERT_EQ(l->count, 3);
  std::string text = RavoText(*l);
  EXPECT_NE(text.find("<A HREF=\"../other/\">Relative</A><br>\r\n"), std::string::npos);
  // A double quote read from a single-quoted href cannot end the written one.
  EXPECT_NE(text.find("<A HREF=\"http://h/%22q%22/\">Quoted</A>"), std::string::npos);
}

TEST(RavoEdit, ShownAndAcceptedRows) {
  kv::EditorEntry shown;
  kv::RavoEditShown(kv::MakeEntry("", "", ""), shown);
  EXPECT_STREQ(shown.url, "http://");
  EXPECT_STREQ(shown.type, "");
  kv::RavoEditShown(kv::MakeEntry("Cat", "■", ""), shown);
  EXPECT_STREQ(shown.type, "tag");

  kv::EditorEntry row = kv::MakeEntry("old", "http://old/", "");
  // "http://" alone makes a category.
  ASSERT_EQ(kv::RavoEditAccept(kv::MakeEntry("Cat", "http://", "rss"), row), kv::RavoEditResult::Accepted);
  EXPECT_EQ(std::string(row.url) + row.type, "■tag");
  // A link drops the type "tag" and gets a safe name and address.
  ASSERT_EQ(kv::RavoEditAccept(kv::MakeEntry("<B>\"x\"", "http://h/a\"b c/", "tag"), row),
            kv::RavoEditResult::Accepted);
  EXPECT_EQ(Text(row), "＜B＞\xDEx\xDE|http://h/a%22b%20c/|");
  ASSERT_EQ(kv::RavoEditAccept(kv::MakeEntry("F", "http://h/f.xml", "r\"ss>"), row), kv::RavoEditResult::Accepted);
  EXPECT_STREQ(row.type, "rss");
}

TEST(RavoEdit, AnAddressNotStartingWithHIsRefused) {
  // It used to be saved as a category, its address silently dropped.
  kv::EditorEntry row = kv::MakeEntry("keep", "http://keep/", "");
  EXPECT_EQ(kv::RavoEditAccept(kv::MakeEntry("Board", "ftp://h/b/", ""), row), kv::RavoEditResult::NotAnAddress);
  EXPECT_EQ(kv::RavoEditAccept(kv::MakeEntry("Board", " http://h/b/", ""), row), kv::RavoEditResult::NotAnAddress);
  EXPECT_STREQ(row.name, "keep");
  EXPECT_STREQ(row.url, "http://keep/");
}

// ---- Selm32 -----------------------------------------------------------------

TEST(SelmFile, WrittenExactlyAndReadBackByBothReaders) {
  auto l = NewList(kv::kFavouritesEditorRows);
  kv::InsertEntry(*l, -1, kv::MakeEntry("スレ一", "http://127.0.0.1:8080/news/dat/1.dat", ""));
  kv::InsertEntry(*l, -1, kv::MakeEntry("", "http://h/b/dat/2.dat", ""));
  kv::InsertEntry(*l, -1, kv::MakeEntry("表", "http://h/b/dat/3.dat", ""));
  std::string text = SelmText(*l);
  EXPECT_EQ(text,
            "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
            "<title>お気に入り</title>\r\n</head>\r\n<body>\r\n<p>\r\n"
            "<a href=\"http://127.0.0.1:8080/news/dat/1.dat\">スレ一</a><br><br>\r\n"
            "<a href=\"http://h/b/dat/2.dat\"></a><br><br>\r\n"
            "<a href=\"http://h/b/dat/3.dat\">表</a><br><br>\r\n"
            "</p></body></html>\r\n");
  auto back = NewList(kv::kFavouritesEditorRows);
  kv::ParseSelmFile(text.data(), text.size(), *back);
  ASSERT_EQ(back->count, 3);  // the empty name is a row too
  for (int r = 0; r < 3; ++r) EXPECT_EQ(Row(*back, r), Row(*l, r));
  EXPECT_EQ(SelmText(*back), text);
  // The reader's favourites list shows the named ones.
  std::vector<std::string> seen;
  kv::ParseFavourites(
      text.data(), text.size(),
      [](void* c, const char* name, const char* address) {
        static_cast<std::vector<std::string>*>(c)->push_back(std::string(name) + "|" + address);
        return true;
      },
      &seen);
  EXPECT_EQ(seen, (std::vector<std::string>{"スレ一|http://127.0.0.1:8080/news/dat/1.dat", "表|http://h/b/dat/3.dat"}));
}

TEST(SelmFile, LinksInEitherCaseAndUnquoted) {
  std::string file =
      "<A HREF=\"http://h/b/dat/1.dat\">One</A>"
      "<a target=x href=http://h/b/dat/2.dat title=y>Two\r\nlines</a>"
      "<a name=top>no address</a>";
  auto l = NewList(kv::kFavouritesEditorRows);
  kv::ParseSelmFile(file.data(), file.size(), *l);
  ASSERT_EQ(l->count, 2);
  EXPECT_EQ(Row(*l, 0), "One|http://h/b/dat/1.dat|");
  EXPECT_EQ(Row(*l, 1), "Two\r\nlines|http://h/b/dat/2.dat|");
}

TEST(SelmEdit, TypedQuotesAndBracketsCannotBreakTheRow) {
  kv::EditorEntry row;
  kv::SelmEditAccept(kv::MakeEntry("a\"b<c>", "http://h/x\">y", ""), row);
  auto l = NewList(1);
  kv::InsertEntry(*l, -1, row);
  std::string text = SelmText(*l);
  auto back = NewList(kv::kFavouritesEditorRows);
  kv::ParseSelmFile(text.data(), text.size(), *back);
  ASSERT_EQ(back->count, 1);
  EXPECT_EQ(Row(*back, 0),
            "a\xDE"
            "b＜c＞|http://h/x%22%3Ey|");
}

// ---- a second start ---------------------------------------------------------

TEST(EditorHandOver, OnlyForTheSameFolder) {
  char msg[600];
  size_t n = kv::PackHandOver("C:\\kv\\", "\"N\" \"http://h/\"", msg, sizeof msg);
  ASSERT_GT(n, 0u);
  EXPECT_STREQ(kv::HandOverArguments(msg, n, "c:\\KV\\"), "\"N\" \"http://h/\"");
  EXPECT_EQ(kv::HandOverArguments(msg, n, "C:\\other\\"), nullptr);
  EXPECT_EQ(kv::HandOverArguments(msg, n - 1, "C:\\kv\\"), nullptr);  // not terminated
  EXPECT_EQ(kv::HandOverArguments(msg, 7, "C:\\kv\\"), nullptr);      // no arguments part
  char name[260];
  kv::InstanceMutexName("Selm32", "C:\\表\\", name, sizeof name);
  EXPECT_STREQ(name, "Kurovel.Selm32.C:/表/");  // the trail byte 0x5C stays

  kv::PendingEntries q{};
  kv::EditorArguments a{};
  for (int i = 0; i < kv::kPendingEntries; ++i) {
    a.name[0] = static_cast<char>('a' + i);
    a.name[1] = 0;
    EXPECT_TRUE(kv::PushPending(q, a));
  }
  EXPECT_FALSE(kv::PushPending(q, a));
  ASSERT_TRUE(kv::PopPending(q, &a));
  EXPECT_STREQ(a.name, "a");  // first in, first out
}

}  // namespace
