#include "boards/acquired.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "boards/favourites.h"
#include "core/text.h"

namespace {

class Acquired : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kv::CreateThreadLists(l)); }
  void TearDown() override { kv::DestroyThreadLists(l); }
  // The load as the pane does it: the scan, then the file merged.
  void Load(const std::vector<int32_t>& logs, const std::string& file) {
    kv::BeginAcquiredLoad(l);
    for (int32_t k : logs) kv::AddScannedLog(l, k);
    kv::FinishAcquiredLoad(l, file.data(), file.size(), "http://h/b/subject.txt");
  }
  std::string File() {
    std::vector<char> out(kv::AcquiredFileCapacity(*l.acquired));
    size_t n = kv::FormatAcquiredFile(*l.acquired, out.data(), out.size());
    return std::string(out.data(), n);
  }
  kv::ThreadRow& Row(int i) { return l.acquired->rows[i]; }
  kv::ThreadLists l;
};

TEST_F(Acquired, LogWithoutLineIsUnknown) {
  Load({42, 43}, "43.dat<>Known (12)<>3\n");
  ASSERT_EQ(l.acquired->used, 2);
  EXPECT_STREQ(Row(0).title, "Unknown");
  EXPECT_EQ(Row(0).count, 1);
  EXPECT_STREQ(Row(0).countText, "   1");
  EXPECT_STREQ(Row(0).newText, "   0");
  EXPECT_EQ(Row(0).flags & kv::kRowScanned, kv::kRowScanned);
  EXPECT_STREQ(Row(1).title, "Known");
  EXPECT_EQ(Row(1).count, 12);
  EXPECT_EQ(Row(1).resume, 3);
  EXPECT_EQ(Row(1).state, 1);
  EXPECT_EQ(l.acquiredChanged, 0);
  EXPECT_STREQ(l.acquiredBoard, "http://h/b/subject.txt");
}

TEST_F(Acquired, LineOfDeletedLogDisappears) {
  Load({43}, "42.dat<>Gone (5)<>0\n43.dat<>Here (7)<>2\n44.dat<>Gone too (1)<>0\n");
  EXPECT_EQ(l.acquired->used, 1);  // no blank rows for the lines dropped
  EXPECT_EQ(File(), "43.dat<>Here (7)<>2\n");
}

TEST_F(Acquired, FileRoundTripsThroughTheParser) {
  Load({5, 6}, "");
  kv::RecordOpenedThread(l, 5, "Title (x)", 30, false);
  kv::UpdateOnClose(l, 5, 12, 31);
  std::string file = File();
  EXPECT_EQ(file, "5.dat<>Title (x) (31)<>12\n6.dat<>Unknown (1)<>0\n");
  Load({5, 6}, file);
  EXPECT_STREQ(Row(0).title, "Title (x)");
  EXPECT_EQ(Row(0).count, 31);
  EXPECT_EQ(Row(0).resume, 12);
}

TEST_F(Acquired, TitleWithFieldSeparatorsReadsBackTheSame) {
  // "<>" in a title (from "&lt;&gt;" in the index) would end the title
  // field and lose the count and the read position.
  Load({5, 6}, "");
  const std::string title = "<>表<><>ソ<><><><><><><><><><><><><><><><><><><><><><><><><><>";
  ASSERT_LT(title.size(), kv::kRowTitle);
  kv::RecordOpenedThread(l, 5, "a<>b<c>", 30, false);
  kv::UpdateOnClose(l, 5, 12, 31);
  kv::RecordOpenedThread(l, 6, title.c_str(), 8, false);
  kv::UpdateOnClose(l, 6, 4, 9);
  std::string file = File();
  Load({5, 6}, file);
  ASSERT_EQ(l.acquired->used, 2);
  EXPECT_STREQ(Row(0).title, "a<>b<c>");
  EXPECT_EQ(Row(0).count, 31);
  EXPECT_EQ(Row(0).resume, 12);
  EXPECT_EQ(Row(1).title, title);
  EXPECT_EQ(Row(1).count, 9);
  EXPECT_EQ(Row(1).resume, 4);
  EXPECT_EQ(File(), file);
}

TEST_F(Acquired, RecordInOfflineMode) {
  Load({1, 2}, "1.dat<>One (1)<>0\n2.dat<>Two (9)<>0\n");
  kv::RecordOpenedThread(l, 1, "One", 20, true);
  EXPECT_EQ(Row(0).count, 1);  // stored count 1 offline: kept
  kv::RecordOpenedThread(l, 2, "Two", 20, true);
  EXPECT_EQ(Row(1).count, 20);
  kv::RecordOpenedThread(l, 1, "One", 20, false);
  EXPECT_EQ(Row(0).count, 20);
  // The poster does not know the count: nothing negative is stored.
  kv::RecordOpenedThread(l, 1, "One", -1, false);
  EXPECT_EQ(Row(0).count, 20);
  int32_t fresh = kv::RecordOpenedThread(l, 77, "New", 4, false);
  EXPECT_EQ(fresh, 2);
  EXPECT_EQ(Row(2).key, 77);
  EXPECT_EQ(Row(2).count, 4);
  EXPECT_GT(l.acquiredChanged, 0);
}

TEST_F(Acquired, RecordOnFullTableFails) {
  kv::BeginAcquiredLoad(l);
  for (int i = 1; i <= kv::kThreadRows; ++i) kv::AddScannedLog(l, i);
  EXPECT_EQ(kv::RecordOpenedThread(l, 999999, "x", 1, false), -1);
  EXPECT_EQ(kv::RecordOpenedThread(l, 10, "x", 3, false), 9);
}

TEST_F(Acquired, CloseWithOnePostStoresNothing) {
  Load({1}, "1.dat<>One (5)<>2\n");
  EXPECT_FALSE(kv::UpdateOnClose(l, 1, 9, 1));
  EXPECT_EQ(Row(0).resume, 2);
  EXPECT_FALSE(kv::UpdateOnClose(l, 8, 9, 50));  // no row
  EXPECT_TRUE(kv::UpdateOnClose(l, 1, 9, 3));
  EXPECT_EQ(Row(0).resume, 9);
  EXPECT_EQ(Row(0).count, 5);  // the larger count stays
  EXPECT_EQ(kv::ResumePositionOf(l, 1), 9);
  EXPECT_EQ(kv::ResumePositionOf(l, 8), -1);
}

TEST_F(Acquired, RemovalClosesTheGap) {
  Load({1, 2, 3, 4}, "");
  EXPECT_TRUE(kv::RemoveAcquired(l, 2));
  ASSERT_EQ(l.acquired->used, 3);
  EXPECT_EQ(Row(1).key, 3);
  EXPECT_STREQ(Row(1).numberText, "  3");  // numbers travel with the rows
  EXPECT_EQ(Row(2).key, 4);
  EXPECT_EQ(Row(3).key, 0);
  EXPECT_FALSE(kv::RemoveAcquired(l, 2));
  EXPECT_EQ(File(), "1.dat<>Unknown (1)<>0\n3.dat<>Unknown (1)<>0\n4.dat<>Unknown (1)<>0\n");
}

TEST_F(Acquired, AllAcquiredListOfTwoBoards) {
  char base[260];
  l.current = l.display[0];
  kv::AcquiredBaseOf("h.example\\one\\", base, sizeof base);
  EXPECT_STREQ(base, "http://h.example/one/");
  std::string a = "1.dat<>A (3)<>0\n2.dat<>B (4)<>1\n";
  kv::ParseThreadList(l, a.data(), a.size(), kv::ParseMode::Append, 0, base);
  kv::AcquiredBaseOf("k.example\\two\\", base, sizeof base);
  std::string b = "9.dat<>C (5)<>0\n";
  kv::ParseThreadList(l, b.data(), b.size(), kv::ParseMode::Append, 0, base);
  ASSERT_EQ(l.current->used, 3);
  EXPECT_STREQ(l.current->rows[0].link, "http://h.example/one/dat/1.dat");
  EXPECT_STREQ(l.current->rows[2].link, "http://k.example/two/dat/9.dat");
  EXPECT_STREQ(l.current->rows[2].numberText, "  3");
}

TEST(AcquiredAddress, BoardOfThread) {
  char board[260];
  int32_t key = 0;
  ASSERT_TRUE(kv::BoardOfThread("http://h.example/b/dat/1136041200.dat", board, sizeof board, &key));
  EXPECT_STREQ(board, "http://h.example/b/subject.txt");
  EXPECT_EQ(key, 1136041200);
  EXPECT_FALSE(kv::BoardOfThread("http://h.example/b/subject.txt", board, sizeof board, &key));
  EXPECT_FALSE(kv::BoardOfThread("nokey", board, sizeof board, &key));
}

TEST(AcquiredAddress, FilesOfABoard) {
  kv::AcquiredFiles f;
  ASSERT_TRUE(kv::AcquiredFilesOf("http://h.example/b/subject.txt", "C:\\kv\\log\\", &f));
  EXPECT_STREQ(f.list, "C:\\kv\\log\\h.example\\b\\acquired.txt");
  EXPECT_STREQ(f.index, "C:\\kv\\log\\h.example\\b\\subject.txt");
  EXPECT_STREQ(f.datFolder, "C:\\kv\\log\\h.example\\b\\dat\\");
}

struct Found {
  std::vector<std::string> names, addresses;
  static bool Add(void* c, const char* name, const char* address) {
    auto* f = static_cast<Found*>(c);
    f->names.push_back(name);
    f->addresses.push_back(address);
    return true;
  }
};

TEST(Favourites, FileOfTheEditor) {
  std::string file =
      "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
      "<title>\x82\xA8\x8B\x43\x82\xC9\x93\xFC\x82\xE8</title>\r\n</head>\r\n<body>\r\n<p>\r\n"
      "<a href=\"http://h/b/dat/1.dat\">First \x95\x5C</a><br><br>\r\n"
      "<A HREF='http://h/b/dat/2.dat'>Second</A><br><br>\r\n"
      "<a href=http://h/b/dat/3.dat target=_blank>Third</a><br><br>\r\n"
      "<a href=\"http://h/b/dat/4.dat\"></a>\r\n"
      "</p></body></html>\r\n";
  Found f;
  EXPECT_EQ(kv::ParseFavourites(file.data(), file.size(), Found::Add, &f), 3);
  ASSERT_EQ(f.addresses.size(), 3u);
  EXPECT_EQ(f.addresses[0], "http://h/b/dat/1.dat");
  EXPECT_EQ(f.names[0], "First \x95\x5C");
  EXPECT_EQ(f.addresses[1], "http://h/b/dat/2.dat");
  EXPECT_EQ(f.addresses[2], "http://h/b/dat/3.dat");  // unquoted: up to the blank
  EXPECT_EQ(f.names[2], "Third");
}

TEST(Favourites, LongNamesAreCutWhole) {
  std::string name;
  for (int i = 0; i < 200; ++i) name += "\x82\xA0";
  std::string file = "<a href=\"x\">A" + name + "</a>";
  Found f;
  kv::ParseFavourites(file.data(), file.size(), Found::Add, &f);
  ASSERT_EQ(f.names.size(), 1u);
  EXPECT_LE(f.names[0].size(), 260u);
  EXPECT_EQ(f.names[0].size() % 2, 1u);
}

TEST(Favourites, TitleForTheEditor) {
  char out[200];
  kv::FavouriteTitle("say \"hi\" <it's>", out, sizeof out);
  EXPECT_STREQ(out, "say \xDEhi\xDE \x81\x83it\xDEs\x81\x84");
  std::string longTitle = "A";
  for (int i = 0; i < 60; ++i) longTitle += "\x82\xA0";
  kv::FavouriteTitle(longTitle.c_str(), out, sizeof out);
  EXPECT_EQ(strlen(out), 79u);  // 80 would split a pair
  kv::SelmArguments("T\"", "http://h/b/dat/1.dat", out, sizeof out);
  EXPECT_STREQ(out, "\"T\xDE\" \"http://h/b/dat/1.dat\"");
}

}  // namespace
