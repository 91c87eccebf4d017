#include "ui/textdialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boards/round.h"

namespace {

std::string Prepared(const std::string& in, int32_t* feeds) {
  std::string out(in.size() + 1, '\0');
  size_t n = kv::PrepareDialogText(in.data(), in.size(), out.data(), feeds);
  return out.substr(0, n);
}

std::string Arguments(int kind, const char* url, const char* title) {
  char out[kv::kCompanionArgumentsSize];
  kv::CompanionArguments(kind, url, title, out, sizeof out);
  return out;
}

TEST(TitleUrlDialog, TextSizeAndButtons) {
  int32_t feeds = 0;
  EXPECT_EQ(Prepared("\t5\t名無し\tsage\t日付\r\n本文\tです\r\n\r\n\t6\tx\r\n", &feeds),
            "5 名無し sage 日付\r\n本文 です\r\n\r\n6 x\r\n");
  EXPECT_EQ(feeds, 4);

  // Caption 19, frame 3, scroll bar 17: two lines are 160 pixels high (the
  // least), twenty 320 (the most).
  EXPECT_EQ(kv::TextDialogHeight(19, 2, 3, 17), 160);
  EXPECT_EQ(kv::TextDialogHeight(19, 20, 3, 17), 320);
  EXPECT_EQ(kv::TextDialogHeight(19, 5, 3, 17), 19 + 80 + 6 + 17 + 64);
  EXPECT_EQ(kv::TextDialogLeft(700, 480, 1000), 520);
  EXPECT_EQ(kv::TextDialogLeft(100, 480, 1000), 100);

  kv::DialogButton b[8];
  kv::TextDialogLook url = {true, false, true, false};
  ASSERT_EQ(kv::TextDialogButtons(url, 1, 200, b), 8);
  EXPECT_EQ(b[4].id, kv::kTdConvert);
  EXPECT_STREQ(b[4].label, "DL");
  EXPECT_EQ(b[4].x, 112);
  EXPECT_EQ(b[4].y, 152);
  EXPECT_EQ(b[7].id, kv::kTdClose);
  EXPECT_EQ(b[7].y, 176);
  EXPECT_EQ(b[7].height, 22);
  // Text mode: the extraction buttons only with a source thread.
  kv::TextDialogLook text = {false, false, false, false};
  ASSERT_EQ(kv::TextDialogButtons(text, 2, 400, b), 4);
  EXPECT_STREQ(b[0].label, "NG:ID");
  EXPECT_EQ(b[0].width, 108);
  EXPECT_EQ(b[2].x, 356);
  text.hasSource = true;
  ASSERT_EQ(kv::TextDialogButtons(text, 1, 200, b), 6);
  EXPECT_STREQ(b[3].label, " 抽出");
}

TEST(TitleUrlDialog, LinesAndButtonDecisions) {
  std::string t = "http://h/test/read.cgi/b/123/\r\nスレの題\r\n";
  char line[260];
  kv::DialogLine(t.data(), t.size(), 0, line, sizeof line);
  EXPECT_STREQ(line, "http://h/test/read.cgi/b/123/");
  kv::DialogLine(t.data(), t.size(), 1, line, sizeof line);
  EXPECT_STREQ(line, "スレの題");
  EXPECT_EQ(kv::DialogLine(t.data(), t.size(), 2, line, sizeof line), 0u);

  // A plain address offers "DL"; a thread address "URL変換".
  EXPECT_TRUE(kv::OffersDownload("http://h/files/a.zip"));
  EXPECT_FALSE(kv::OffersDownload("http://h/b/dat/1.dat"));
  EXPECT_FALSE(kv::OffersDownload("http://h/test/read.cgi/b/1/"));

  char url[260] = "http://h/x.html 続き";
  kv::CutAtLastBlank(url);
  EXPECT_STREQ(url, "http://h/x.html");
  EXPECT_TRUE(kv::OpensInReader("hhtm://h/"));
  EXPECT_FALSE(kv::OpensInReader("ftp://h/"));
  EXPECT_EQ(kv::OpenCommandFor("http://127.0.0.1:8080/b/dat/1.dat"), 40016);
  EXPECT_EQ(kv::OpenCommandFor("http://egg.5ch.net/test/read.cgi/b/1/"), 40017);
  EXPECT_EQ(kv::OpenCommandFor("http://h/b/subject.txt"), 40017);

  char shown[400];
  std::string longTitle = "題,その\x01後";
  kv::ThreadTitleUrlText("http://h/b/dat/123.dat", longTitle.c_str(), shown, sizeof shown);
  EXPECT_STREQ(shown, "http://h/test/read.cgi/b/123/l50\r\n題.その\r\n");
  longTitle.assign(120, 'a');
  EXPECT_EQ(kv::ThreadTitleUrlText("u", longTitle.c_str(), shown, sizeof shown), 1u + 2 + 100 + 2);

  char converted[600];
  ASSERT_TRUE(kv::ConvertedDialogText(t.data(), t.size(), converted, sizeof converted));
  EXPECT_STREQ(converted, "http://h/b/dat/123.dat\r\nスレの題\r\n");
  std::string plain = "http://h/page.html\r\n題\r\n";
  EXPECT_FALSE(kv::ConvertedDialogText(plain.data(), plain.size(), converted, sizeof converted));
}

TEST(Companions, ArgumentsCannotBeTurnedIntoOptions) {
  EXPECT_EQ(Arguments(kv::kCompanionSelm, "http://h/b/dat/1.dat", "題"), "\"題\" \"http://h/b/dat/1.dat\"");
  // No title: "NoName"; no URL: "http://"; each ends at its first CR.
  EXPECT_EQ(Arguments(kv::kCompanionRavo, "http://h/\r\nrest", ""), "\"NoName\" \"http://h/\"");
  EXPECT_EQ(Arguments(kv::kCompanionRavo, "", "t\rmore"), "\"t\" \"http://\"");
  // A server's title holding quotes stays one argument; so does a URL.
  EXPECT_EQ(Arguments(kv::kCompanionRavo, "http://h/\"x", "a\" -f\"evil.htm"),
            "\"a\xDE -f\xDE" "evil.htm\" \"http://h/%22x\"");
  EXPECT_EQ(Arguments(kv::kCompanionDask, "http://h/a b", "t"), "http://h/a b");
  // A lead byte does not carry a quote after it through.
  EXPECT_EQ(Arguments(kv::kCompanionRavo, "http://h/\x81\"", "\x81\" -f"), "\"\x81\xDE -f\" \"http://h/\x81%22\"");
  // Each at most 259 bytes, never half a character.
  std::string title;
  while (title.size() < 300) title += "表";
  std::string out = Arguments(kv::kCompanionSelm, "u", title.c_str());
  EXPECT_EQ(out, "\"" + title.substr(0, 258) + "\" \"u\"");
  std::string quotes(200, '"');
  out = Arguments(kv::kCompanionSelm, quotes.c_str(), "t");
  std::string expectedUrl;
  for (int i = 0; i < 86; ++i) expectedUrl += "%22";
  EXPECT_EQ(out, "\"t\" \"" + expectedUrl + "\"");
}

TEST(RoundList, EntriesAppendedAndCounted) {
  EXPECT_EQ(kv::CountRoundEntries("", 0), 0);
  std::string file = "# comment,http://x/\r\n;skip\r\n\r\nname,http://h/b/dat/1.dat\r\nno address\n";
  EXPECT_EQ(kv::CountRoundEntries(file.data(), file.size()), 2);

  char out[2000];
  size_t n = 0;
  // The comma of a title would end the name early: it becomes ".". A
  // reading-script address goes in as its log, so the patrol updates it.
  ASSERT_EQ(kv::AppendRoundEntry("a,b", 3, "  題, その2 \r\nx", "http://h/test/read.cgi/b/123/ ", out, sizeof out, &n),
            kv::RoundAppend::Added);
  EXPECT_EQ(std::string(out, n), "a,b\r\n題. その2,http://h/b/dat/123.dat\r\n");
  ASSERT_EQ(kv::AppendRoundEntry(nullptr, 0, "", "http://h/f.zip", out, sizeof out, &n), kv::RoundAppend::Added);
  EXPECT_EQ(std::string(out, n), ",http://h/f.zip\r\n");
  EXPECT_EQ(kv::AppendRoundEntry("", 0, "t", " \r\n", out, sizeof out, &n), kv::RoundAppend::Empty);
  // A title that starts like a comment would make the entry vanish.
  ASSERT_EQ(kv::AppendRoundEntry("", 0, "#1 の話", "http://h/1", out, sizeof out, &n), kv::RoundAppend::Added);
  EXPECT_EQ(std::string(out, n), "＃1 の話,http://h/1\r\n");
  EXPECT_EQ(kv::CountRoundEntries(out, n), 1);

  // Fifty entries: the fifty-first is refused and nothing is written.
  std::string full;
  for (int i = 0; i < 50; ++i) full += "t" + std::to_string(i) + ",http://h/" + std::to_string(i) + "\r\n";
  std::string big(full.size() + 700, '\0');
  EXPECT_EQ(kv::AppendRoundEntry(full.data(), full.size(), "t", "http://h/x", big.data(), big.size(), &n),
            kv::RoundAppend::Full);
  EXPECT_EQ(n, 0u);
  std::string fortyNine = full.substr(0, full.rfind("t49"));
  EXPECT_EQ(kv::AppendRoundEntry(fortyNine.data(), fortyNine.size(), "t", "http://h/x", big.data(), big.size(), &n),
            kv::RoundAppend::Added);
  EXPECT_EQ(kv::CountRoundEntries(big.data(), n), 50);
  // Too little room is reported, never overrun.
  EXPECT_EQ(kv::AppendRoundEntry(full.data(), 10, "t", "http://h/x", out, 12, &n), kv::RoundAppend::NoRoom);
}

}  // namespace
