#include "core/address.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"

namespace {

const char kLog[] = "C:\\kv\\log\\";

struct Result {
  bool ok;
  std::string text;
};

// Runs an in-place function on a 260-byte buffer holding in.
Result InPlace(bool (*f)(char*), const std::string& in) {
  char buf[kv::kAddressCap];
  kv::CopyText(buf, in.c_str());
  bool ok = f(buf);
  return {ok, buf};
}

Result Local(const std::string& in, const char* folder = kLog) {
  char buf[kv::kAddressCap];
  kv::CopyText(buf, in.c_str());
  bool ok = kv::LocalPathOf(buf, folder);
  return {ok, buf};
}

// --- content kinds -----------------------------------------------------------

TEST(ClassifyContent, AddressSuffixesInTableOrder) {
  const struct {
    const char* suffix;
    int kind;
  } rows[] = {{".dat", 1},  {".txt", 0},  {".htm", 2},  {"html", 2},  {".rss", 3},  {".rdf", 3},
              {".xml", 3},  {".exe", 9},  {".bmp", 10}, {".jpg", 11}, {".png", 12}, {".wav", 20},
              {".ogg", 21}, {".mp3", 22}, {".mpg", 23}, {".avi", 24}, {".wmv", 25}, {".wma", 26},
              {".asf", 27}, {".lzh", 31}, {".zip", 32}, {".msi", 33}, {".cab", 34}, {".DAT", 1},
              {".Mp3", 22}, {".gif", 0}};
  for (const auto& r : rows) {
    std::string a = std::string("http://example.org/file") + r.suffix;
    EXPECT_EQ(kv::ClassifyAddress(a.c_str()), r.kind) << a;
  }
}

TEST(ClassifyContent, SchemesAndNamesComeBeforeSuffixes) {
  EXPECT_EQ(kv::ClassifyAddress("hhtm://example.org/x.dat"), kv::ContentPage);
  EXPECT_EQ(kv::ClassifyAddress("hrss://example.org/x.dat"), kv::ContentFeed);
  EXPECT_EQ(kv::ClassifyAddress("http://mevius.5ch.net/tech/subject.txt"), kv::ContentIndex);
  EXPECT_EQ(kv::ClassifyAddress("http://menu.5ch.net/bbsmenu.htm"), kv::ContentMenu);
  EXPECT_EQ(kv::ClassifyAddress("http://menu.5ch.net/bbsmenu.html"), kv::ContentPage);
  EXPECT_EQ(kv::ClassifyAddress("http://mevius.5ch.net/tech/dat/1234567890.dat"), kv::ContentLog);
  // A ".txt" address is plain text whatever it contains: no content test runs.
  EXPECT_EQ(kv::ClassifyAddress("http://x/<html>.txt"), kv::ContentText);
  EXPECT_EQ(kv::ClassifyAddress("http://x/<html>/"), kv::ContentPage);
}

TEST(ClassifyContent, FeedWordsInHttpAddresses) {
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/show.podcast/list"), kv::ContentFeed);
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/podcast/list"), kv::ContentText) << "\".podcast\" with its dot";
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/x.PODCAST/"), kv::ContentFeed);
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/rss/"), kv::ContentFeed);
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/?RSS=1"), kv::ContentFeed);
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/press/"), kv::ContentText) << "a letter before the word";
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/rssfeed"), kv::ContentText) << "a letter after the word";
  EXPECT_EQ(kv::ClassifyAddress("http://example.org/a/rss"), kv::ContentText) << "past the fourth-last character";
  EXPECT_EQ(kv::ClassifyAddress("h2ch://example.org/rss/"), kv::ContentText) << "only http:// addresses";
}

TEST(ClassifyContent, ContentSignaturesAndMarkers) {
  auto kind = [](const std::string& s) { return kv::ClassifyContent(s.data(), s.size()); };
  std::string pad(300, ' ');  // long enough that no address test runs
  EXPECT_EQ(kind("MZ\x90" + std::string(1, '\0') + pad), kv::ContentProgram);
  EXPECT_EQ(kind("BM6\x0c" + pad), kv::ContentBitmap);
  EXPECT_EQ(kind(std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + pad), kv::ContentJpeg);
  EXPECT_EQ(kind("\x89PNG\r\n\x1a\n" + pad), kv::ContentPng);
  EXPECT_EQ(kind("OggS" + pad), kv::ContentOgg);
  EXPECT_EQ(kind("<!DOCTYPE html>\n<HTML lang=ja>" + pad), kv::ContentPage);
  EXPECT_EQ(kind("<?xml version=\"1.0\"?>" + pad), kv::ContentFeed);
  EXPECT_EQ(kind("<RDF:rdf xmlns" + pad), kv::ContentFeed);
  // The first line of a real thread log (Shift_JIS): "<>" is the first marker.
  std::string line = "名無しさん<>sage<>2024/01/02(火) 03:04:05.67 ID:AbCdEf0<> てすと<br><html> <>ソフトウェア板\n";
  EXPECT_EQ(kind(line + pad), kv::ContentLog);
  EXPECT_EQ(kind(pad + "<html>"), kv::ContentText) << "markers only in the first 256 bytes";
  EXPECT_EQ(kind(std::string(250, 'x') + "<>" + pad), kv::ContentLog) << "a marker starting before 256";
  EXPECT_EQ(kind(std::string(9, 'x')), kv::ContentText);
  EXPECT_EQ(kind(""), kv::ContentText);
}

TEST(ClassifyContent, AddressesOf248To250Characters) {
  auto address = [](size_t length) {
    std::string a = "http://example.org/";
    a += std::string(length - a.size() - 4, 'a');
    return a + ".dat";
  };
  EXPECT_EQ(address(248).size(), 248u);
  EXPECT_EQ(kv::ClassifyAddress(address(248).c_str()), kv::ContentLog);
  EXPECT_EQ(kv::ClassifyAddress(address(249).c_str()), kv::ContentText) << "content tests only";
  EXPECT_EQ(kv::ClassifyAddress(address(250).c_str()), kv::ContentText);
  std::string page = "hhtm://x/<>" + std::string(240, 'a');
  EXPECT_EQ(kv::ClassifyAddress(page.c_str()), kv::ContentLog) << "\"<>\" in a long address is a marker";
}

// --- board families ------------------------------------------------------------

TEST(ClassifyBoard, EveryFamilyByItsHost) {
  const struct {
    const char* address;
    kv::BoardType type;
  } rows[] = {
      {"http://mevius.5ch.net/tech/", kv::Board2ch},
      {"http://pele.bbspink.com/erobbs/", kv::Board2ch},
      {"http://viper.2ch.sc/news4vip/", kv::Board2ch},
      {"http://pc11.2ch.net/tech/", kv::Board2ch},
      {"http://MEVIUS.5CH.NET/tech/", kv::Board2ch},
      {"h2ch://127.0.0.1:8080/board/", kv::Board2ch},
      {"http://hokkaido.machi.to/hokkaidou/", kv::BoardRegional},
      {"http://tokyo.machibbs.com/tokyo/", kv::BoardRegional},
      {"h2ch://kanto.machi.to/kana/", kv::BoardRegional},
      {"http://jbbs.livedoor.jp/game/100/", kv::BoardRental},
      {"http://jbbs.shitaraba.net/computer/12345/", kv::BoardRentalCategory},
      {"http://jbbs.shitaraba.net/bbs/catlist.cgi?category=game", kv::BoardRentalCategory},
      {"http://bbs.jpnkn.com/board/", kv::BoardCompatible},
      {"http://example.org/board/", kv::BoardPlain},
      {"http://127.0.0.1:8080/board/", kv::BoardPlain},
      {"hrss://mevius.5ch.net/tech/", kv::BoardPlain},
      {"hhtm://mevius.5ch.net/tech/", kv::BoardPlain},
      {"", kv::BoardPlain},
  };
  for (const auto& r : rows) EXPECT_EQ(kv::ClassifyBoard(r.address), r.type) << r.address;
}

TEST(ClassifyBoard, OnlyTheStartOfTheHostCounts) {
  // ".5ch.net" starting at the 20th character (index 19) is seen, at the 21st not.
  EXPECT_EQ(kv::ClassifyBoard("http://abcdefghijkl.5ch.net/tech/"), kv::Board2ch);
  EXPECT_EQ(kv::ClassifyBoard("http://abcdefghijklm.5ch.net/tech/"), kv::BoardPlain);
  // Nothing after the first "/" of the host.
  EXPECT_EQ(kv::ClassifyBoard("http://a/.5ch.net/"), kv::BoardPlain);
  // Without a known scheme the scan starts at the first character.
  EXPECT_EQ(kv::ClassifyBoard("x.5ch.net/tech/"), kv::Board2ch);
}

// --- log and reading forms -------------------------------------------------------

TEST(ToDatUrl, ReadingAndLogAddressesBecomeLogAddresses) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"h2ch://127.0.0.1/test/dat/1234567890.dat", "http://127.0.0.1/test/dat/1234567890.dat"},
      {"http://mevius.5ch.net/test/read.cgi/tech/1234567890/l50", "http://mevius.5ch.net/tech/dat/1234567890.dat"},
      {"http://mevius.5ch.net/test/read.cgi/tech/1234567890/", "http://mevius.5ch.net/tech/dat/1234567890.dat"},
      {"http://mevius.5ch.net/tech/dat/1234567890.dat", "http://mevius.5ch.net/tech/dat/1234567890.dat"},
      {"http://127.0.0.1:8080/test/read.cgi/board/1700000000/-100", "http://127.0.0.1:8080/board/dat/1700000000.dat"},
      {"mevius.5ch.net/tech/dat/2147483647.dat", "http://mevius.5ch.net/tech/dat/2147483647.dat"},
      // The rental service keeps its own forms.
      {"http://jbbs.shitaraba.net/bbs/read.cgi/computer/12345/1234567890/l50",
       "http://jbbs.shitaraba.net/bbs/read.cgi/computer/12345/1234567890/l50"},
      {"http://jbbs.livedoor.jp/bbs/read.cgi/game/100/1234567890/", "http://jbbs.livedoor.jp/bbs/read.cgi/game/100/1234567890/"},
  };
  for (const auto& r : rows) {
    Result res = InPlace(kv::ToDatUrl, r.in);
    EXPECT_TRUE(res.ok) << r.in;
    EXPECT_EQ(res.text, r.out) << r.in;
  }
}

TEST(ToDatUrl, NoThreadKeyIsRefusedAndTheBufferKept) {
  const char* rows[] = {
      "http://mevius.5ch.net/tech/",
      "http://mevius.5ch.net/tech/dat/0.dat",
      "http://mevius.5ch.net/tech/dat/abc.dat",
      "http://mevius.5ch.net/tech/dat/4294967296.dat",  // no 32-bit key: never another thread
      "http://mevius.5ch.net/test/read.cgi/tech/",
      "hhtm://mevius.5ch.net/tech/dat/1234567890.dat",
      "hrss://mevius.5ch.net/tech/dat/1234567890.dat",
      // A rental log address has only four "/" after the scheme.
      "http://jbbs.shitaraba.net/computer/12345/dat/1234567890.dat",
      "",
  };
  for (const char* in : rows) {
    Result res = InPlace(kv::ToDatUrl, in);
    EXPECT_FALSE(res.ok) << in;
    EXPECT_EQ(res.text, in);
  }
}

TEST(ToReadUrl, EachFamilyGetsItsReadingScript) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"http://mevius.5ch.net/tech/dat/1234567890.dat", "http://mevius.5ch.net/test/read.cgi/tech/1234567890/l50"},
      {"h2ch://127.0.0.1/test/dat/1234567890.dat", "http://127.0.0.1/test/read.cgi/test/1234567890/l50"},
      {"http://example.org/board/dat/1234567890.dat", "http://example.org/test/read.cgi/board/1234567890/l50"},
      {"http://bbs.jpnkn.com/board/dat/1700000000.dat", "http://bbs.jpnkn.com/test/read.cgi/board/1700000000/l50"},
      {"http://hokkaido.machi.to/hokkaidou/dat/1234567890.dat",
       "http://hokkaido.machi.to/bbs/read.pl?BBS=hokkaidou&KEY=1234567890&LAST=50"},
      {"http://tokyo.machibbs.com/tokyo/dat/123.dat", "http://tokyo.machi.to/bbs/read.pl?BBS=tokyo&KEY=123&LAST=50"},
      {"http://tokyo.machi.to:8080/tokyo/dat/5.dat", "http://tokyo.machi.to:8080/bbs/read.pl?BBS=tokyo&KEY=5&LAST=50"},
      {"http://jbbs.shitaraba.net/computer/12345/dat/1234567890.dat",
       "http://jbbs.shitaraba.net/bbs/read.cgi/computer/12345/1234567890/l50"},
      {"http://jbbs.livedoor.jp/game/100/dat/1.dat", "http://jbbs.livedoor.jp/bbs/read.cgi/game/100/1/l50"},
  };
  for (const auto& r : rows) {
    Result res = InPlace(kv::ToReadUrl, r.in);
    EXPECT_TRUE(res.ok) << r.in;
    EXPECT_EQ(res.text, r.out) << r.in;
  }
}

TEST(ToReadUrl, RefusalsKeepTheBuffer) {
  const char* rows[] = {
      "hhtm://mevius.5ch.net/tech/dat/1234567890.dat",
      "hrss://mevius.5ch.net/tech/dat/1234567890.dat",
      "http://mevius.5ch.net/tech/",
      "http://mevius.5ch.net/tech/dat/0.dat",
      "http://mevius.5ch.net/dat",
      "http://jbbs.shitaraba.net/computer/dat/1234567890.dat",  // needs category and number
  };
  for (const char* in : rows) {
    Result res = InPlace(kv::ToReadUrl, in);
    EXPECT_FALSE(res.ok) << in;
    EXPECT_EQ(res.text, in);
  }
}

TEST(ToReadUrl, RoundTripWithToDatUrlOn2chHosts) {
  std::string read = "http://mevius.5ch.net/test/read.cgi/tech/1234567890/l50";
  Result dat = InPlace(kv::ToDatUrl, read);
  ASSERT_TRUE(dat.ok);
  EXPECT_EQ(dat.text, "http://mevius.5ch.net/tech/dat/1234567890.dat");
  Result back = InPlace(kv::ToReadUrl, dat.text);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.text, read);
}

// --- thread index ---------------------------------------------------------------

TEST(SubjectUrlOf, TwoChBoardsGetTheirIndex) {
  const struct {
    const char* in;
    bool ok;
    const char* out;
  } rows[] = {
      {"http://mevius.5ch.net/tech/", true, "http://mevius.5ch.net/tech/subject.txt"},
      {"http://mevius.5ch.net/tech/index.html", true, "http://mevius.5ch.net/tech/subject.txt"},
      {"http://pele.bbspink.com/erobbs/", true, "http://pele.bbspink.com/erobbs/subject.txt"},
      {"h2ch://127.0.0.1:8080/board/", true, "h2ch://127.0.0.1:8080/board/subject.txt"},
      {"http://127.0.0.1/subject.txt", true, "http://127.0.0.1/subject.txt"},
      {"http://jbbs.shitaraba.net/bbs/catlist.cgi?category=game&x=1", true,
       "http://jbbs.shitaraba.net/bbs/catlist.cgi?category=game&x=1"},
      {"http://jbbs.shitaraba.net/computer/12345/", false, "http://jbbs.shitaraba.net/computer/12345/"},
      {"http://hokkaido.machi.to/hokkaidou/", false, "http://hokkaido.machi.to/hokkaidou/"},
      {"http://bbs.jpnkn.com/board/", false, "http://bbs.jpnkn.com/board/"},
      {"hrss://mevius.5ch.net/tech/", false, "hrss://mevius.5ch.net/tech/"},
      // The fragment must begin by the 40th character.
      {"http://abcdefghijklmnopqrstuvwxyzabcdef.5ch.net/b/", true,
       "http://abcdefghijklmnopqrstuvwxyzabcdef.5ch.net/b/subject.txt"},
      {"http://abcdefghijklmnopqrstuvwxyzabcdefg.5ch.net/b/", false,
       "http://abcdefghijklmnopqrstuvwxyzabcdefg.5ch.net/b/"},
  };
  for (const auto& r : rows) {
    char out[kv::kAddressCap];
    memset(out, 'X', sizeof out);
    EXPECT_EQ(kv::SubjectUrlOf(r.in, out), r.ok) << r.in;
    EXPECT_STREQ(out, r.out);
  }
}

TEST(SubjectUrlOf, IndexThatDoesNotFitIsRefused) {
  std::string board = "h2ch://127.0.0.1/" + std::string(240, 'b') + "/";
  ASSERT_EQ(board.size(), 258u);
  char out[kv::kAddressCap];
  EXPECT_FALSE(kv::SubjectUrlOf(board.c_str(), out));
  EXPECT_EQ(out, board);
}

// --- local store -------------------------------------------------------------------

TEST(LocalPathOf, AddressTableOfTheStore) {
  const struct {
    const char* address;
    const char* file;  // after the log folder
  } rows[] = {
      {"http://mevius.5ch.net/tech/subject.txt", "mevius.5ch.net\\tech\\subject.txt"},
      {"http://mevius.5ch.net/tech/dat/1234567890.dat", "mevius.5ch.net\\tech\\dat\\1234567890.dat"},
      {"h2ch://127.0.0.1/test/dat/1234567890.dat", "127.0.0.1\\test\\dat\\1234567890.dat"},
      {"http://mevius.5ch.net/tech/acquired.txt", "mevius.5ch.net\\tech\\acquired.txt"},
      {"http://jbbs.shitaraba.net/computer/12345/dat/1234567890.dat",
       "jbbs.shitaraba.net\\computer\\12345\\dat\\1234567890.dat"},
      {"http://hokkaido.machi.to/hokkaidou/dat/1234567890.dat", "hokkaido.machi.to\\hokkaidou\\dat\\1234567890.dat"},
      {"http://menu.5ch.net/bbsmenu.html", "menu.5ch.net\\bbsmenu.html"},
      {"hrss://example.org/feed.rdf", "example.org\\feed.rdf"},
      {"hhtm://example.org/", "example.org\\index.htm"},
      {"hhtm://example.org/news", "example.org\\newsindex.htm"},
      {"http://example.org/dir.v2/page", "example.org\\dir.v2\\pageindex.htm"},
      {"hrss://example.org/feed?id=3/x", "example.org\\feed\\index.htm"},
      {"http://example.org/list.cgi?page=2", "example.org\\list.cgi"},
      {"http://example.org/dir/?q=1", "example.org\\dir\\\\index.htm"},
      {"hhtm://example.org/表示/", "example.org\\表示\\index.htm"},  // 0x5C trail byte kept as it is
      {"example.org/a.txt", "example.org\\a.txt"},
      // An explicit port: ":" cannot stand in a file name.
      {"http://127.0.0.1:8080/board/", "127.0.0.1_8080\\board\\index.htm"},
      {"h2ch://127.0.0.1:8080/board/dat/1700000000.dat", "127.0.0.1_8080\\board\\dat\\1700000000.dat"},
      {"http://127.0.0.1:8080/a:b/x.txt", "127.0.0.1_8080\\a:b\\x.txt"},
      // The rental service's category search.
      {"http://jbbs.shitaraba.net/bbs/catlist.cgi?category=game", "jbbs.shitaraba.net\\bbs\\catlist.cgi_category=game"},
      {"http://jbbs.shitaraba.net/bbs/catlist.cgi?category=game&page=2",
       "jbbs.shitaraba.net\\bbs\\catlist.cgi_category=game\\subject.txt"},
  };
  for (const auto& r : rows) {
    Result res = Local(r.address);
    EXPECT_TRUE(res.ok) << r.address;
    EXPECT_EQ(res.text, std::string(kLog) + r.file) << r.address;
  }
}

TEST(LocalPathOf, CategorySearchNamesWithoutExtension) {
  // Category names without a "." before them: the index file always ends the name.
  Result a = Local("h2ch://jbbs.shitaraba.net/bbs/catlist.cgi?category=game/x&page=1");
  EXPECT_EQ(a.text, std::string(kLog) + "jbbs.shitaraba.net\\bbs\\catlist.cgi_category=game\\x\\subject.txt");
  Result b = Local("h2ch://jbbs.shitaraba.net/bbs/catlist.cgi?category=game/");
  EXPECT_EQ(b.text, std::string(kLog) + "jbbs.shitaraba.net\\bbs\\catlist.cgi_category=game\\subject.txt");
  Result c = Local("h2ch://jbbs.shitaraba.net/bbs/catlist.cgi?category=game/x");
  EXPECT_EQ(c.text, std::string(kLog) + "jbbs.shitaraba.net\\bbs\\catlist.cgi_category=game\\x\\subject.txt");
}

TEST(LocalPathOf, NameThatDoesNotFitIsRefusedAndCutAtACharacter) {
  std::string folder = "C:\\" + std::string(200, 'f') + "\\";
  std::string address = "http://example.org/" + std::string(60, 'd') + "/";
  Result r = Local(address, folder.c_str());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.text.size(), 259u);
  // A cut between the bytes of a two-byte character is never made.
  std::string kanji = "http://x/";
  while (kanji.size() + 2 <= 259) kanji += "表";
  Result k = Local(kanji, "C:\\kv\\log\\");
  EXPECT_FALSE(k.ok);
  EXPECT_EQ(kv::SjisCutLength(k.text.data(), k.text.size(), 259), k.text.size());
  EXPECT_EQ(k.text.size(), 258u);
}

TEST(LocalPathInFolder, LastComponentInTheTargetFolder) {
  const struct {
    const char* address;
    const char* folder;
    const char* file;
  } rows[] = {
      {"http://example.org/files/song.mp3", "D:\\dl\\", "D:\\dl\\song.mp3"},
      {"http://example.org/files/song.mp3", "D:\\dl", "D:\\dl\\song.mp3"},
      {"http://example.org/files/", "D:\\dl\\", "D:\\dl\\index.htm"},
      {"http://example.org/get.cgi?f=a/b.zip", "D:\\dl\\", "D:\\dl\\get.cgi"},
      {"http://example.org/get?f=a/b.zip", "D:\\dl\\", "D:\\dl\\get\\index.htm"},
      {"http://example.org:8080", "D:\\dl\\", "D:\\dl\\example.org_8080"},
  };
  for (const auto& r : rows) {
    char buf[kv::kAddressCap];
    kv::CopyText(buf, r.address);
    EXPECT_TRUE(kv::LocalPathInFolder(buf, r.folder)) << r.address;
    EXPECT_STREQ(buf, r.file) << r.address;
  }
}

// --- bounds -------------------------------------------------------------------------

// Inputs of up to 300 bytes in many shapes. A buffer of exactly 260 bytes
// (so the sanitizer sees any access past it) holds as much as fits, with no
// terminator at all when the input is longer.
std::vector<std::string> Inputs() {
  const char* stems[] = {"http://",
                         "h2ch://",
                         "hhtm://",
                         "hrss://",
                         "http://mevius.5ch.net/test/read.cgi/",
                         "http://jbbs.shitaraba.net/bbs/read.cgi/",
                         "http://jbbs.shitaraba.net/bbs/catlist.cgi?category=",
                         "http://hokkaido.machi.to/",
                         "http://127.0.0.1:8080/",
                         ""};
  const char* fills[] = {"a", "/", "表", "1/", "?&./", "dat/", ".5ch.net/", ":", "\x82"};
  std::vector<std::string> out;
  for (const char* stem : stems)
    for (const char* fill : fills)
      for (size_t len = 0; len <= 300; len += (len < 230 ? 7 : 1)) {
        std::string s = stem;
        while (s.size() < len) s += fill;
        s.resize(len);
        out.push_back(s);
      }
  return out;
}

std::unique_ptr<char[]> Buffer(const std::string& in) {
  std::unique_ptr<char[]> b(new char[kv::kAddressCap]);
  memset(b.get(), 0, kv::kAddressCap);
  memcpy(b.get(), in.data(), std::min(in.size(), kv::kAddressCap));
  return b;
}

void ExpectSound(const char* b, const std::string& in) {
  size_t n = strnlen(b, kv::kAddressCap);
  ASSERT_LT(n, kv::kAddressCap) << "unterminated after " << in;
}

TEST(AddressBounds, NoInputWritesPast260Bytes) {
  bool (*inPlace[])(char*) = {kv::ToDatUrl, kv::ToReadUrl};
  std::string longFolder(255, 'F');
  for (const std::string& in : Inputs()) {
    for (auto f : inPlace) {
      auto b = Buffer(in);
      if (f(b.get())) ExpectSound(b.get(), in);
    }
    for (const char* folder : {kLog, "", longFolder.c_str()}) {
      auto b = Buffer(in);
      kv::LocalPathOf(b.get(), folder);
      ExpectSound(b.get(), in);
      auto c = Buffer(in);
      kv::LocalPathInFolder(c.get(), folder);
      ExpectSound(c.get(), in);
    }
    auto b = Buffer(in);
    kv::ClassifyBoard(b.get());
    kv::ClassifyAddress(b.get());
    kv::IsCategorySearch(b.get());
    std::unique_ptr<char[]> exact(new char[in.size() + 1]);
    memcpy(exact.get(), in.c_str(), in.size() + 1);
    kv::ClassifyContent(exact.get(), in.size());
    std::unique_ptr<char[]> out(new char[kv::kAddressCap]);
    kv::SubjectUrlOf(exact.get(), out.get());
    ExpectSound(out.get(), in);
  }
}

}  // namespace
