#include "reader/thread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/ngword.h"
#include "tests/unit/reader_util.h"

using readertest::Build;
using readertest::Fixture;
using readertest::View;
using Lines = std::vector<std::string>;

namespace {

std::string Record(int n, const std::string& body = "本文") {
  return "名無しさん<>sage<>2006/01/01 00:00 ID:id" + std::to_string(n) + "<> " + body + " <>\n";
}

TEST(ThreadLog, EveryKindOfRecordInARealLog) {
  View v;
  Build(v, Fixture("thread_basic.dat"));
  // The three-field seventh record ends the thread: six posts.
  ASSERT_EQ(v->postCount, 7);

  // The blank after a separator is no part of the field; the blanks around
  // "<br>" vanish, the one before the final separator stays.
  EXPECT_EQ(v.header(1), (Lines{"1", "名無し", "sage", "2006/01/01 00:00 ID:abc"}));
  EXPECT_EQ(v.lines(1), (Lines{"\t1\t名無し\tsage\t2006/01/01 00:00 ID:abc", "a", "b ", ""}));

  // Bold tags around a trip, and entities.
  EXPECT_EQ(v.header(2), (Lines{"2", "名無し◆abc", "", "2006/01/01 00:01 ID:def"}));
  EXPECT_EQ(v.lines(2)[1], ">>3 & (c) ");

  // An anchor link loses its tags; "<BR>" counts in any letter case; trail
  // bytes 0x5C ("表", "ソ") are no separators.
  EXPECT_EQ(v.lines(3), (Lines{"\t3\t名無しさん\tsage\t2006/01/01 00:02 ID:ghi", ">>1 表示ソ", "二行目 ", ""}));

  // A NUL-filled record.
  EXPECT_EQ(v.lines(4), (Lines{"\t4\t[ここ壊れてます]\t\t00/00/00 00:00 ID:", "[ここ壊れてます]", ""}));

  // A "_" date hides the post, which keeps its number.
  EXPECT_EQ(v.post(5), "");
  EXPECT_EQ(v->postStart[5], v->postStart[6]);
  EXPECT_EQ(v.header(6)[0], "6");
  EXPECT_EQ(v.lines(6), (Lines{"\t6\t名無し\t\t2006/01/01 00:05 ID:jkl", "　　　∧＿∧", "　　（´∀｀）", ""}));

  EXPECT_EQ(v.text().find("見えない"), std::string::npos);
  EXPECT_EQ(v.text().find("テストスレ"), std::string::npos);  // the title field is not shown
  EXPECT_EQ(v->lineCount, 4 + 3 + 4 + 3 + 0 + 4);
}

TEST(ThreadLog, EmptyAndDegenerateLogs) {
  View empty;
  Build(empty, "");
  EXPECT_EQ(empty->postCount, 1);
  EXPECT_EQ(empty->lineCount, 0);
  EXPECT_EQ(empty->textLength, 0);
  EXPECT_EQ(empty->postStart[1], 0);

  // A blank first line or a record of three fields shows nothing.
  for (const char* data : {"\n", "a<>b<>c\n",
                           "\r\n"
                           "名無し<><>d<>b<>\n"}) {
    View v;
    Build(v, data);
    EXPECT_EQ(v->postCount, 1) << data;
  }

  // A last record without a line end is a record all the same.
  View tail;
  Build(tail, "a<>b<>c<>d");
  EXPECT_EQ(tail->postCount, 2);
  EXPECT_EQ(tail.lines(1)[1], "d");
}

TEST(ThreadLog, StopsAfterPost5000) {
  std::string log;
  for (int i = 1; i <= 5001; ++i) log += Record(i);
  View v;
  Build(v, log);
  EXPECT_EQ(v->postCount, 5001);
  EXPECT_EQ(v.header(5000)[3], "2006/01/01 00:00 ID:id5000");
  EXPECT_EQ(v.text().find("ID:id5001"), std::string::npos);

  std::string exact;
  for (int i = 1; i <= 5000; ++i) exact += Record(i);
  View w;
  Build(w, exact);
  EXPECT_EQ(w->postCount, 5001);
  EXPECT_EQ(w.text(), v.text());
}

TEST(ThreadLog, AnAppendedErrorPageEndsTheThread) {
  View v;
  Build(v, Fixture("thread_error_page.dat"));
  EXPECT_EQ(v->postCount, 3);
  EXPECT_EQ(v.text().find("503"), std::string::npos);

  // "<html", "<body" and "</p>" in any letter case; the others exactly.
  const std::string good = Record(1);
  for (const char* marker : {"<HTML>", "<Body>", "</P>", "<head>", "<meta x>", "</head>", "<!-- x -->"}) {
    View m;
    Build(m, good + marker + "<><><>x<>\n" + Record(3));
    EXPECT_EQ(m->postCount, 2) << marker;
  }
  // "<HEAD" is no marker: such a record is a post like any other.
  View h;
  Build(h, good + "<HEAD><><>d<>x<>\n" + Record(3));
  EXPECT_EQ(h->postCount, 4);
  EXPECT_EQ(h.header(2)[1], "<HEAD>");
}

TEST(ThreadLog, LongRecordsAreCutAtTheBufferAndGoOn) {
  // The record's 8192nd byte would be the first half of "あ": the record is
  // cut before it, and the rest ("ああ<>", two fields) ends the thread.
  View v;
  Build(v, "n<>m<>d<>" + std::string(8182, 'x') + "ああ<>\n" + Record(2));
  ASSERT_EQ(v->postCount, 2);
  EXPECT_EQ(v.lines(1)[1], std::string(8182, 'x'));

  // Whatever byte comes at the limit, the record stops there.
  for (const char* at : {"\x02", "\x01", "<", "&", "\t", "&gt;", "<a>"}) {
    View c;
    Build(c, "n<>m<>d<>" + std::string(8183, 'x') + at + "<>\n" + Record(2));
    EXPECT_EQ(c->postCount, 2) << at;
    EXPECT_EQ(c.lines(1)[1], std::string(8183, 'x')) << at;
  }

  // A record of exactly 8192 bytes is whole.
  std::string rec = "n<>m<>d<>" + std::string(8179, 'x') + "ああ";
  ASSERT_EQ(rec.size(), 8192u);
  View w;
  Build(w, rec + "\n" + Record(2));
  EXPECT_EQ(w->postCount, 3);
  EXPECT_EQ(w.lines(1)[1], std::string(8179, 'x') + "ああ");
}

TEST(ThreadLog, TagsAndReferencesOfTheRecordReader) {
  View v;
  Build(v,
        "名無し<><>d<> <a href=\"x\">&gt;&gt;12</a>、<b>太字</b> &lt;a&gt; &amp;gt; "
        "<a href=\"unterminated\n" +
            Record(2));
  // The unterminated tag is dropped to the end of its record only: the next
  // record is still a post.
  ASSERT_EQ(v->postCount, 3);
  EXPECT_EQ(v.lines(1)[1], ">>12、太字 <a> &gt; ");
  EXPECT_EQ(v.header(2)[3], "2006/01/01 00:00 ID:id2");
  View w;
  Build(w, "名無し<><>d<> <a href=\"x\">&gt;&gt;12</a>、<b>太字</b> &lt;a&gt; &amp;gt; <>\n" + Record(2));
  ASSERT_EQ(w->postCount, 3);
  EXPECT_EQ(w.lines(1)[1], ">>12、太字 <a> &gt; ");
}

TEST(ThreadLog, FieldsCannotForgeHeaderLines) {
  // A TAB from the server would start a line that reads as a header, or
  // shift the columns: it is read as a blank (and so skipped after "<>").
  View v;
  Build(v, "a\tb<>\tm<>d<>\tbody<br>\tsecond\t<>\n");
  EXPECT_EQ(v.header(1), (Lines{"1", "a b", "m", "d"}));
  EXPECT_EQ(v.lines(1), (Lines{"\t1\ta b\tm\td", "body ", "second ", ""}));

  // NUL bytes on disk (an interrupted write) make a broken record, never a
  // cut one.
  View n;
  Build(n, std::string("\0\0\0\0\0\n", 6) + Record(2));
  EXPECT_EQ(n->postCount, 3);
  EXPECT_EQ(n.header(1)[1], "[ここ壊れてます]");
  EXPECT_EQ(n.header(2)[0], "2");
}

TEST(ThreadLog, NgPostsKeepTheirNumbersAndExactLines) {
  kv::NgList ng;
  std::string words = "3,消す\r\n";
  ASSERT_TRUE(kv::ParseNgWords(ng, words.data(), words.size()));
  std::string log = Record(1) + Record(2, "一<br>二<br>三 消す") + Record(3) + Record(4);

  kv::ViewBuildOptions stub;
  stub.ngWords = &ng;
  View v;
  Build(v, log, stub);
  ASSERT_EQ(v->postCount, 5);
  EXPECT_EQ(v.lines(2), (Lines{"\t2\tNG\t\t2006/01/01 00:00 ID:id2", "", ""}));
  // The stub's three lines are counted, not the hidden post's five.
  EXPECT_EQ(v->postLine[3], 3 + 3);

  kv::ViewBuildOptions clear = stub;
  clear.transparentAbone = true;
  View t;
  Build(t, log, clear);
  ASSERT_EQ(t->postCount, 5);
  EXPECT_EQ(t.post(2), "");
  EXPECT_EQ(t.header(3)[0], "3");
  EXPECT_EQ(t->postLine[3], 3);

  // An empty list filters nothing.
  kv::NgList none;
  kv::ViewBuildOptions empty;
  empty.ngWords = &none;
  View e;
  Build(e, log, empty);
  EXPECT_NE(e.text().find("消す"), std::string::npos);
}

TEST(ThreadLog, TheViewTextNeverOutgrowsItsBuffer) {
  // A broken record of three bytes becomes 60 bytes of view text: 5000 of
  // them need more than the data's length + 64 KB. The text ends at the last
  // post that fits.
  std::string log;
  for (int i = 0; i < 5000; ++i) log += "\x01\x01\n";
  View v;
  Build(v, log);
  EXPECT_TRUE(v.result.truncated);
  EXPECT_GT(v->postCount, 1000);
  EXPECT_LT(v->postCount, 5001);
  EXPECT_LE(static_cast<size_t>(v->textLength), log.size() + kv::kViewTextSpare);

  // Into a buffer given by the caller.
  kv::ThreadViewState* s = new kv::ThreadViewState{};
  char small[100];
  s->text = small;
  std::string two = Record(1) + Record(2);
  kv::ViewBuildResult r = kv::BuildViewText(*s, {}, two.data(), two.size(), sizeof small);
  EXPECT_TRUE(r.truncated);
  EXPECT_EQ(s->postCount, 2);
  EXPECT_LT(r.textLength, 100);
  delete s;
}

TEST(ThreadLog, RecordsFullOfMarkupReadTheSame) {
  // More "<" and "&" than the reader keeps marks for: such a record is
  // scanned again and must come out as a short one does.
  std::string body;
  for (int i = 0; i < 500; ++i) body += "&amp;<b>x <br> ";
  View v;
  Build(v, "n<>m<>d<> " + body + "<>\n" + Record(2));
  ASSERT_EQ(v->postCount, 3);
  Lines lines = v.lines(1);
  ASSERT_EQ(lines.size(), 1u + 501u + 1u);
  EXPECT_EQ(lines[1], "&x");
  EXPECT_EQ(lines[500], "&x");
  EXPECT_EQ(lines[501], "");
}

TEST(ThreadRecord, SplitsSixteenFieldsAtCharacterBoundaries) {
  char line[128];
  char* f[kv::kMaxRecordFields];
  size_t len[kv::kMaxRecordFields];
  int32_t count = 0;

  // No second byte of a Shift_JIS pair is below 0x40: after a lead byte a
  // "<" is still markup, while "\x81\x3E"-like bytes above stay one character.
  strcpy(line, "x\x81<>y<>z<>w");
  EXPECT_EQ(kv::SplitRecord(line, strlen("x\x81<>y<>z<>w"), f, &count, len), 1);
  EXPECT_EQ(count, 4);
  EXPECT_STREQ(f[0], "x\x81");
  EXPECT_STREQ(f[3], "w");
  strcpy(line, "表<>ソ<>\x81\x40<>\x81<br>");
  EXPECT_EQ(kv::SplitRecord(line, strlen(line), f, &count, len), 2);
  EXPECT_EQ(count, 4);
  EXPECT_STREQ(f[0], "表");
  EXPECT_STREQ(f[2], "　");

  std::string many;
  for (int i = 0; i < 20; ++i) many += std::to_string(i) + "<>";
  strcpy(line, many.c_str());
  kv::SplitRecord(line, many.size(), f, &count, len);
  EXPECT_EQ(count, 16);
  EXPECT_STREQ(f[15], "15<>16<>17<>18<>19<>");

  const char* br = "n<>m<>d<>a<br>b<BR> c <Br>";
  strcpy(line, br);
  EXPECT_EQ(kv::SplitRecord(line, strlen(br), f, &count, len), 4);
  EXPECT_EQ(std::string(f[3], len[3]), "a  \r\nb   \r\nc   \r\n");
}

TEST(ThreadRecord, HeaderColumnsAndSpans) {
  kv::TextSpan f[4];
  const char* h = "\t12\tname\t\tdate ID:x\textra\r\nbody";
  kv::SplitHeader(h, strlen(h), f);
  EXPECT_EQ(std::string(f[0].data, f[0].length), "12");
  EXPECT_EQ(std::string(f[1].data, f[1].length), "name");
  EXPECT_EQ(f[2].length, 0u);
  EXPECT_EQ(std::string(f[3].data, f[3].length), "date ID:x");
  kv::SplitHeader("\t7", 2, f);
  EXPECT_EQ(std::string(f[0].data, f[0].length), "7");
  EXPECT_EQ(f[1].length + f[2].length + f[3].length, 0u);

  View v;
  Build(v, Record(1) + Record(2));
  EXPECT_EQ(v.post(0), "");
  EXPECT_EQ(v.post(3), "");
  EXPECT_EQ(v.post(-1), "");
  EXPECT_EQ(v.post(1) + v.post(2), v.text());
}

TEST(ThreadLog, ReloadReplacesTheTextAndForgetsHitRegions) {
  View v;
  Build(v, Record(1));
  v->hitRegions[0] = {0, 0, 10, 10, 1, 1, v->text};
  Build(v, Record(1) + Record(2));
  EXPECT_EQ(v->postCount, 3);
  EXPECT_EQ(v->hitRegions[0].line, 0);
  EXPECT_EQ(v->hitRegions[0].source, nullptr);
  EXPECT_EQ(v->building, 0);
}

TEST(ThreadLog, PagesGoToThePageConverter) {
  View v;
  Build(v, "<html><title>題</title><body>本文</body></html>");
  ASSERT_EQ(v->postCount, 3);
  EXPECT_EQ(v.header(1), (Lines{"1", "----", "", "}DATE ID:"}));
  EXPECT_EQ(v.lines(2)[1], "本文");
  EXPECT_STREQ(v->title, "題");
  EXPECT_TRUE(v.result.titleChanged);
}

}  // namespace
