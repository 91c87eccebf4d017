// Addresses: classification, log and reading forms, index addresses and the
// local store's names, for each family and scheme.
#include "core/address.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

const char kLog[] = "C:\\kv\\log\\";

struct Result {
  bool ok;
  std::string text;
};

Result Dat(const std::string& in) {
  char buf[kv::kAddressMax] = {};
  strncpy(buf, in.c_str(), sizeof buf - 1);
  bool ok = kv::ToDatUrl(buf);
  return {ok, buf};
}
Result Read(const std::string& in) {
  char buf[kv::kAddressMax] = {};
  strncpy(buf, in.c_str(), sizeof buf - 1);
  bool ok = kv::ToReadUrl(buf);
  return {ok, buf};
}
Result Subject(const std::string& in) {
  char out[kv::kAddressMax];
  bool ok = kv::SubjectUrlOf(in.c_str(), out);
  return {ok, out};
}
std::string Local(const std::string& in, const char* target = nullptr) {
  char out[kv::kAddressMax];
  kv::LocalPathFor(in.c_str(), kLog, target, out, sizeof out);
  return out;
}
kv::ContentKind Kind(const std::string& address) { return kv::ClassifyAddress(address.c_str()); }

TEST(Classify, ContentByAddress) {
  EXPECT_EQ(Kind("http://a.5ch.net/test/x.dat"), kv::kContentDat);
  EXPECT_EQ(Kind("http://a.5ch.net/board/subject.txt"), kv::kContentIndex);
  EXPECT_EQ(Kind("http://menu.5ch.net/bbsmenu.html"), kv::kContentPage) << "ends in html, not bbsmenu.htm";
  EXPECT_EQ(Kind("http://menu.example/BBSMENU.HTM"), kv::kContentMenu);
  EXPECT_EQ(Kind("hhtm://example.com/"), kv::kContentPage);
  EXPECT_EQ(Kind("hrss://example.com/feed"), kv::kContentFeed);
  EXPECT_EQ(Kind("http://x/news.RDF"), kv::kContentFeed);
  EXPECT_EQ(Kind("http://x/a.ogg"), kv::ContentKind(21));
  EXPECT_EQ(Kind("http://x/a.asf"), kv::ContentKind(27));
  EXPECT_EQ(Kind("http://x/a.cab"), kv::ContentKind(34));
  EXPECT_EQ(Kind("http://x/a.zip"), kv::ContentKind(32));
  EXPECT_EQ(Kind("http://x/notes.txt"), kv::kContentText);
  EXPECT_EQ(Kind("http://x/cast.podcast/ep"), kv::kContentFeed);
  EXPECT_EQ(Kind("http://x/rss/today"), kv::kContentFeed);
  EXPECT_EQ(Kind("http://x/dress/today"), kv::kContentText) << "rss inside a word";
  EXPECT_EQ(Kind("http://x/"), kv::kContentText);
}

TEST(Classify, ContentByBytes) {
  EXPECT_EQ(kv::ClassifyContent("MZ\x90\0\3\0", 6), kv::kContentProgram);
  EXPECT_EQ(kv::ClassifyContent("\xFF\xD8\xFF\xE0\0\x10JFIF", 10), kv::kContentJpeg);
  EXPECT_EQ(kv::ClassifyContent("\x89PNG\r\n", 6), kv::kContentPng);
  EXPECT_EQ(kv::ClassifyContent("OggS\0\2", 6), kv::ContentKind(21));
  std::string page = std::string(300, ' ') + "<html>";
  EXPECT_EQ(kv::ClassifyContent(page.data(), page.size()), kv::kContentText) << "only the first 256 bytes";
  EXPECT_EQ(kv::ClassifyContent("\n\n<HTML><body>", 14), kv::kContentPage);
  EXPECT_EQ(kv::ClassifyContent("\n<?xml version", 14), kv::kContentFeed);
  EXPECT_EQ(kv::ClassifyContent("\nname<>mail<>", 13), kv::kContentDat);
  EXPECT_EQ(kv::ClassifyContent("JFI", 3), kv::kContentText);
}

TEST(Classify, UnterminatedBuffersAreReadWithinTheirLength) {
  // A download buffer of six bytes that happens to start like an address.
  std::unique_ptr<char[]> six(new char[6]);
  memcpy(six.get(), "http:/", 6);
  EXPECT_EQ(kv::ClassifyContent(six.get(), 6), kv::kContentText);
}

TEST(Classify, LongAddressesAreJudgedByContentOnly) {
  auto make = [](size_t n) {
    std::string a = "http://x.example/";
    a += std::string(n - a.size() - 4, 'a');
    return a + ".dat";
  };
  std::string a248 = make(248), a249 = make(249), a250 = make(250);
  ASSERT_EQ(a248.size(), 248u);
  EXPECT_EQ(Kind(a248), kv::kContentDat);
  EXPECT_EQ(Kind(a249), kv::kContentText);
  EXPECT_EQ(Kind(a250), kv::kContentText);
  // Not even the scheme counts then: "<>" among the first bytes does.
  EXPECT_EQ(Kind("hhtm://x/<>" + std::string(240, 'a')), kv::kContentDat);
}

TEST(Classify, BoardFamilies) {
  EXPECT_EQ(kv::ClassifyBoard("http://egg.5ch.net/software/"), kv::Board2ch);
  EXPECT_EQ(kv::ClassifyBoard("http://mercury.bbspink.com/x/"), kv::Board2ch);
  EXPECT_EQ(kv::ClassifyBoard("h2ch://127.0.0.1:8080/board/"), kv::Board2ch);
  EXPECT_EQ(kv::ClassifyBoard("http://127.0.0.1/board/"), kv::BoardPlain);
  EXPECT_EQ(kv::ClassifyBoard("http://tohoku.machi.to/tohoku/"), kv::BoardRegional);
  EXPECT_EQ(kv::ClassifyBoard("http://jbbs.shitaraba.net/game/1234/"), kv::BoardRental);
  EXPECT_EQ(kv::ClassifyBoard("http://jbbs.livedoor.jp/game/1234/"), kv::BoardRentalCategory);
  EXPECT_EQ(kv::ClassifyBoard("http://jbbs.shitaraba.net/bbs/search.cgi/?category=game"),
            kv::BoardRentalCategory);
  EXPECT_EQ(kv::ClassifyBoard("http://bbs.jpnkn.com/board/"), kv::BoardCompatible);
  EXPECT_EQ(kv::ClassifyBoard("hrss://egg.5ch.net/feed"), kv::BoardPlain);
  EXPECT_EQ(kv::ClassifyBoard("hhtm://egg.5ch.net/page"), kv::BoardPlain);
  // The fragment must begin within the first 20 characters, in the host.
  EXPECT_EQ(kv::ClassifyBoard("http://abcdefghijkl.5ch.net/b/"), kv::Board2ch);    // starts at 19
  EXPECT_EQ(kv::ClassifyBoard("http://abcdefghijklm.5ch.net/b/"), kv::BoardPlain); // starts at 20
  EXPECT_EQ(kv::ClassifyBoard("http://a/.5ch.net/"), kv::BoardPlain) << "not past the first /";
}

TEST(LogAddress, TwoChannelForms) {
  // A ten-digit key, under the h2ch scheme.
  Result r = Dat("h2ch://host/board/dat/1700000001.dat");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, "http://host/board/dat/1700000001.dat");
  r = Dat("http://egg.5ch.net/test/read.cgi/software/1700000001/l50");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, "http://egg.5ch.net/software/dat/1700000001.dat");
  r = Read("http://egg.5ch.net/software/dat/1700000001.dat");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, "http://egg.5ch.net/test/read.cgi/software/1700000001/l50");
  r = Dat("http://127.0.0.1:8080/test/read.cgi/demo/1234567890/");
  EXPECT_EQ(r.text, "http://127.0.0.1:8080/demo/dat/1234567890.dat");
}

TEST(LogAddress, OtherFamilies) {
  Result r = Read("http://tohoku.machi.to/tohoku/dat/1600000000.dat");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, "http://tohoku.machi.to/bbs/read.pl?BBS=tohoku&KEY=1600000000&LAST=50");
  r = Read("http://jbbs.shitaraba.net/game/1234/dat/1500000000.dat");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, "http://jbbs.shitaraba.net/bbs/read.cgi/game/1234/1500000000/l50");
  // A rental reading address keeps its form: it has no raw log of its own.
  r = Dat("http://jbbs.shitaraba.net/bbs/read.cgi/game/1234/1500000000/l50");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, "http://jbbs.shitaraba.net/bbs/read.cgi/game/1234/1500000000/l50");
  // The older server family reads through read.cgi too.
  r = Dat("http://jbbs.livedoor.jp/bbs/read.cgi/game/100/1234567890/");
  EXPECT_EQ(r.text, "http://jbbs.livedoor.jp/bbs/read.cgi/game/100/1234567890/");
  r = Read("http://tokyo.machi.to:8080/tokyo/dat/5.dat");
  EXPECT_EQ(r.text, "http://tokyo.machi.to:8080/bbs/read.pl?BBS=tokyo&KEY=5&LAST=50");
  EXPECT_EQ(kv::ClassifyBoard("http://MEVIUS.5CH.NET/tech/"), kv::Board2ch) << "host names ignore case";
  r = Read("http://bbs.jpnkn.com/livejupiter/dat/1400000000.dat");
  EXPECT_EQ(r.text, "http://bbs.jpnkn.com/test/read.cgi/livejupiter/1400000000/l50");
}

TEST(LogAddress, RefusedForms) {
  for (const char* a : {"hrss://egg.5ch.net/software/dat/1700000001.dat", "hhtm://egg.5ch.net/software/dat/17.dat",
                        "http://egg.5ch.net/software/", "http://egg.5ch.net/software/dat/0.dat",
                        "http://egg.5ch.net/software/dat/99999999999.dat", "http://egg.5ch.net/dat/17.dat",
                        "http://jbbs.shitaraba.net/computer/dat/1234567890.dat"}) {
    Result d = Dat(a), r = Read(a);
    EXPECT_FALSE(d.ok) << a;
    EXPECT_EQ(d.text, a) << "refused addresses stay as they were";
    EXPECT_FALSE(r.ok) << a;
  }
  // A result that would not fit 259 bytes is refused, not cut.
  std::string longBoard = "http://egg.5ch.net/test/read.cgi/" + std::string(215, 'b') + "/1700000001/";
  Result d = Dat(longBoard);
  EXPECT_TRUE(d.ok);
  Result r = Read(d.text);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.text, d.text);
  std::string board = "h2ch://127.0.0.1/" + std::string(240, 'b') + "/";
  Result s = Subject(board);
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.text, board);
}

TEST(IndexAddress, OfBoards) {
  EXPECT_EQ(Subject("http://egg.5ch.net/software/").text, "http://egg.5ch.net/software/subject.txt");
  EXPECT_EQ(Subject("h2ch://127.0.0.1:8080/demo/").text, "h2ch://127.0.0.1:8080/demo/subject.txt");
  Result plain = Subject("http://127.0.0.1/demo/");
  EXPECT_FALSE(plain.ok);
  EXPECT_EQ(plain.text, "http://127.0.0.1/demo/") << "copied before any test";
  EXPECT_FALSE(Subject("hrss://egg.5ch.net/software/").ok);
  EXPECT_FALSE(Subject("hhtm://egg.5ch.net/software/").ok);
  Result category = Subject("http://jbbs.shitaraba.net/bbs/search.cgi/?category=game");
  EXPECT_TRUE(category.ok);
  EXPECT_EQ(category.text, "http://jbbs.shitaraba.net/bbs/search.cgi/?category=game");
}

TEST(LocalStore, AddressTable) {
  EXPECT_EQ(Local("http://egg.5ch.net/software/subject.txt"), "C:\\kv\\log\\egg.5ch.net\\software\\subject.txt");
  EXPECT_EQ(Local("h2ch://host/board/dat/1700000001.dat"), "C:\\kv\\log\\host\\board\\dat\\1700000001.dat");
  EXPECT_EQ(Local("http://jbbs.shitaraba.net/game/1234/dat/15.dat"),
            "C:\\kv\\log\\jbbs.shitaraba.net\\game\\1234\\dat\\15.dat");
  EXPECT_EQ(Local("http://menu.5ch.net/bbsmenu.html"), "C:\\kv\\log\\menu.5ch.net\\bbsmenu.html");
  EXPECT_EQ(Local("hhtm://example.com/news/"), "C:\\kv\\log\\example.com\\news\\index.htm");
  EXPECT_EQ(Local("hrss://example.com/feed"), "C:\\kv\\log\\example.com\\feedindex.htm");
  EXPECT_EQ(Local("http://example.com/cgi/view?id=3&x=.y"), "C:\\kv\\log\\example.com\\cgi\\view\\index.htm");
  EXPECT_EQ(Local("http://example.com/a.cgi?id=3"), "C:\\kv\\log\\example.com\\a.cgi");
  // An explicit port cannot stand in a file name.
  EXPECT_EQ(Local("http://127.0.0.1:8080/demo/dat/1.dat"), "C:\\kv\\log\\127.0.0.1_8080\\demo\\dat\\1.dat");
  EXPECT_EQ(Local("http://127.0.0.1:8080/demo/x:y.txt"), "C:\\kv\\log\\127.0.0.1_8080\\demo\\x:y.txt");
}

TEST(LocalStore, CategorySearchAndTargetFolders) {
  EXPECT_EQ(Local("http://jbbs.shitaraba.net/bbs/search.cgi/?category=game"),
            "C:\\kv\\log\\jbbs.shitaraba.net\\bbs\\search.cgi\\_category=game\\subject.txt");
  EXPECT_EQ(Local("http://jbbs.shitaraba.net/bbs/search.cgi/?category=game&page=2"),
            "C:\\kv\\log\\jbbs.shitaraba.net\\bbs\\search.cgi\\_category=game\\subject.txt");
  EXPECT_EQ(Local("http://files.example/pub/a.zip", "D:\\dl\\"), "D:\\dl\\a.zip");
  EXPECT_EQ(Local("http://files.example/pub/a.zip", "D:\\dl"), "D:\\dl\\a.zip");
  EXPECT_EQ(Local("http://files.example/pub/", "D:\\dl\\"), "D:\\dl\\index.htm");
  EXPECT_EQ(Local("http://files.example/get?id=1", "D:\\dl\\"), "D:\\dl\\get\\index.htm");
}

TEST(LocalStore, FolderPartForTheWriter) {
  char out[kv::kAddressMax];
  size_t folder = 0;
  kv::LocalPathFor("http://h/b/dat/1.dat", kLog, nullptr, out, sizeof out, &folder);
  EXPECT_EQ(std::string(out, folder), "C:\\kv\\log\\h\\b\\dat\\");
  kv::LocalPathFor("http://h/ソフト/", kLog, nullptr, out, sizeof out, &folder);
  EXPECT_EQ(std::string(out, folder), "C:\\kv\\log\\h\\ソフト\\");
}

TEST(Bounds, LongInputsNeverWritePast260) {
  for (size_t n : {248u, 249u, 250u, 259u, 280u, 300u}) {
    std::string tail(n, 'a');
    for (const std::string& in :
         {"http://egg.5ch.net/" + tail, "http://egg.5ch.net/b/dat/1700000001.dat" + tail,
          "http://egg.5ch.net/test/read.cgi/" + tail + "/1700000001/", "h2ch://" + tail + "/b/dat/123.dat",
          "http://tohoku.machi.to/" + tail + "/dat/12.dat", "http://jbbs.shitaraba.net/a/b/dat/15.dat" + tail,
          "http://jbbs.shitaraba.net/bbs/search.cgi/?category=" + tail}) {
      char buf[400];
      memset(buf, 0x7E, sizeof buf);
      memcpy(buf, in.c_str(), in.size() < 259 ? in.size() + 1 : 259);
      buf[259] = 0;
      kv::ToDatUrl(buf);
      kv::ToReadUrl(buf);
      for (size_t i = 260; i < sizeof buf; ++i) ASSERT_EQ(buf[i], 0x7E) << in;
      char out[400];
      memset(out, 0x7E, sizeof out);
      kv::SubjectUrlOf(in.c_str(), out);
      for (size_t i = 260; i < sizeof out; ++i) ASSERT_EQ(out[i], 0x7E) << in;
      EXPECT_LT(strlen(out), 260u);
      memset(out, 0x7E, sizeof out);
      kv::LocalPathFor(in.c_str(), kLog, nullptr, out, 260);
      for (size_t i = 260; i < sizeof out; ++i) ASSERT_EQ(out[i], 0x7E) << in;
      EXPECT_LT(strlen(out), 260u);
      kv::ClassifyBoard(in.c_str());
      kv::ClassifyContent(in.c_str(), in.size() + 1 > 249 ? 249 : in.size() + 1);
    }
  }
}

TEST(Bounds, LocalNamesThatDoNotFitAreRefused) {
  std::string in = "http://h/";
  while (in.size() < 250) in += "表";
  char out[kv::kAddressMax] = "x";
  EXPECT_EQ(kv::LocalPathFor(in.c_str(), kLog, nullptr, out, sizeof out), 0u);
  EXPECT_STREQ(out, "");
  char buf[kv::kAddressMax];
  kv::CopyText(buf, in.c_str());
  EXPECT_FALSE(kv::LocalPathOf(buf, kLog));
  EXPECT_EQ(std::string(buf), in.substr(0, strlen(buf))) << "the buffer stays as it was";
}

}  // namespace

namespace {

// The secure twin of an address: "s" before "://" ("http://" -> "https://",
// "h2ch://" -> "h2chs://").
std::string Twin(const std::string& a) { return a.substr(0, 4) + "s" + a.substr(4); }

}  // namespace

TEST(SecureTwins, EveryAddressFunctionTreatsHttpsAsItsHttpTwin) {
  const char* addresses[] = {
      "http://egg.5ch.net/software/",
      "http://egg.5ch.net/software/subject.txt",
      "http://egg.5ch.net/software/dat/1700000001.dat",
      "http://egg.5ch.net/test/read.cgi/software/1700000001/l50",
      "h2ch://127.0.0.1:8080/demo/dat/1234567890.dat",
      "h2ch://localhost:8443/demo/",
      "http://localhost:8443/demo/",
      "http://abcdefghijkl.5ch.net/b/",   // the 2ch fragment at the last position looked at
      "http://abcdefghijklm.5ch.net/b/",  // one past it
      "http://tohoku.machi.to/tohoku/dat/1600000000.dat",
      "http://jbbs.shitaraba.net/game/1234/dat/1500000000.dat",
      "http://jbbs.shitaraba.net/bbs/read.cgi/game/1234/1500000000/l50",
      "http://jbbs.shitaraba.net/bbs/search.cgi/?category=game",
      "http://bbs.jpnkn.com/livejupiter/dat/1400000000.dat",
      "http://x/cast.podcast/ep",
      "http://x/rss/today",
      "hrss://example.com/feed",
      "hhtm://example.com/news/",
      "http://example.com/cgi/view?id=3&x=.y",
      "http://menu.5ch.net/bbsmenu.htm",
  };
  for (const char* plain : addresses) {
    std::string secure = Twin(plain);
    SCOPED_TRACE(secure);
    EXPECT_EQ(kv::ClassifyAddress(secure.c_str()), kv::ClassifyAddress(plain));
    EXPECT_EQ(kv::ClassifyBoard(secure.c_str()), kv::ClassifyBoard(plain));
    EXPECT_TRUE(kv::IsSecureAddress(secure.c_str()));
    EXPECT_FALSE(kv::IsSecureAddress(plain));
    // Results keep the security of their input: a plain result becomes
    // "https://", a refused one stays as it was.
    Result pd = Dat(plain), sd = Dat(secure);
    EXPECT_EQ(sd.ok, pd.ok);
    EXPECT_EQ(sd.text, pd.ok ? Twin(pd.text) : secure);
    Result pr = Read(plain), sr = Read(secure);
    EXPECT_EQ(sr.ok, pr.ok);
    EXPECT_EQ(sr.text, pr.ok ? Twin(pr.text) : secure);
    Result ps = Subject(plain), ss = Subject(secure);
    EXPECT_EQ(ss.ok, ps.ok);
    EXPECT_EQ(ss.text, Twin(ps.text));
    // One store folder per host for both.
    EXPECT_EQ(Local(secure), Local(plain));
  }
  // A log address of the h2ch pseudo-scheme comes back under the real one.
  EXPECT_EQ(Dat("h2chs://localhost:8443/demo/dat/12.dat").text, "https://localhost:8443/demo/dat/12.dat");
  // Only the known schemes have twins; "s" elsewhere is part of a name.
  EXPECT_EQ(kv::KnownSchemeLength("hxxxs://a/"), 0u);
  EXPECT_EQ(kv::KnownSchemeLength("https:/a/"), 0u);
  EXPECT_EQ(kv::KnownSchemeLength("https"), 0u);
  EXPECT_EQ(kv::KnownSchemeLength("hrsss://a/"), 8u);
  EXPECT_EQ(kv::ClassifyAddress("hhtms://example.com/a.txt"), kv::kContentPage);
  EXPECT_EQ(kv::ClassifyBoard("hrsss://egg.5ch.net/x/"), kv::BoardPlain);
}
