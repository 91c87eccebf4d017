#include "reader/charset.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/reader_util.h"

using readertest::Fixture;

namespace {

using Converter = bool (*)(const char*, size_t, kv::ConvertedText*);

std::string Convert(Converter f, const std::string& in) {
  kv::ConvertedText t;
  EXPECT_TRUE(f(in.data(), in.size(), &t));
  std::string out(t.data ? t.data : "", t.length);
  // Zero bytes follow the text, as a page scan expects.
  if (t.data) {
    EXPECT_EQ(t.data[t.length], 0);
  }
  delete[] t.data;
  return out;
}

std::string Euc(const std::string& in) { return Convert(kv::EucPageToSjis, in); }
std::string Jis(const std::string& in) { return Convert(kv::Iso2022ToSjis, in); }

TEST(CharsetDetection, DeclarationsInTheHead) {
  struct Row {
    const char* page;
    kv::Charset expected;
  } rows[] = {
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">", kv::Charset::ShiftJis},
      {"<META content='text/html; CHARSET=SHIFT_JIS'>", kv::Charset::ShiftJis},
      {"<meta charset=\"euc-jp\">", kv::Charset::EucJp},
      {"<meta content=\"charset==X-EUC-JP\">", kv::Charset::EucJp},
      {"<meta content=\"charset=ISO-2022-JP\">", kv::Charset::Iso2022Jp},
      {"<meta content=\"charset=jis\">", kv::Charset::Iso2022Jp},
      {"<meta charset=utf-7>", kv::Charset::Utf7},
      {"<meta charset=\"UTF-8\">", kv::Charset::Utf8},
      // An unknown value: the search goes on to the next declaration.
      {"<meta charset=us-ascii><meta charset=utf-8>", kv::Charset::Utf8},
      {"<meta charset=\"utf8\">", kv::Charset::None},
      {"<html><head></head><meta charset=utf-8>", kv::Charset::None},
      {"<body><meta charset=utf-8>", kv::Charset::None},
      {"no tags at all", kv::Charset::None},
  };
  for (const Row& r : rows) EXPECT_EQ(kv::DetectCharset(r.page, strlen(r.page)), r.expected) << r.page;

  // Only the first 1024 bytes are looked at.
  std::string late = std::string(1020, ' ') + "<meta charset=utf-8>";
  EXPECT_EQ(kv::DetectCharset(late.data(), late.size()), kv::Charset::None);

  kv::ConvertedText t;
  std::string sjis = Fixture("page_sjis.html");
  EXPECT_FALSE(kv::DetectAndConvertCharset(sjis.data(), sjis.size(), &t));
  EXPECT_EQ(t.data, nullptr);
}

TEST(EucJp, EveryJisX0208CharacterByRowAndCell) {
  std::string euc = Fixture("jis0208.euc");
  std::string sjis = Fixture("jis0208.sjis");
  ASSERT_GT(euc.size(), 13000u);
  EXPECT_EQ(Euc(euc), sjis);
}

TEST(EucJp, SingleShiftsAndBrokenBytes) {
  EXPECT_EQ(Euc("\xB4\xC1\xBB\xFA\xA5\xC6\xA5\xB9\xA5\xC8\xA1\xA2\x8E\xB6\x8E\xC5"), "漢字テスト、ｶﾅ");
  EXPECT_EQ(Euc("a\n\x8F\xA1\xA2z"), "a\n〓z");  // JIS X 0212
  // A lead before a line end keeps the line end; a lead with a trail that
  // is no cell gives "??".
  EXPECT_EQ(Euc("\xB4\n\xB4\x80x\xB4"), "?\n??x?");
  EXPECT_EQ(Euc("\x8E"
                "a\x8F\xA1"),
            "?a??");
  EXPECT_EQ(Euc(""), "");
}

TEST(Iso2022Jp, EscapesShiftsAndLineEnds) {
  EXPECT_EQ(Jis("\x1B$B4A;z\x1B(B\r\nabc"), "漢字\r\nabc");
  EXPECT_EQ(Jis("\x1B$@I=<(\x1B(J!"), "表示!");
  // NEC's kanji in/out.
  EXPECT_EQ(Jis("\x1BKI=\x1BH=="), "表==");
  // A line end returns to ASCII without an escape.
  EXPECT_EQ(Jis("\x1B$BI=\nI="), "表\nI=");
  // SO ... SI half-width katakana, ended also by a line end or ESC.
  EXPECT_EQ(Jis("\x0E\x36\x45\x0Fx\x0E\x36\nx\x0E\x36\x1B(By"),
            "ｶﾅx"
            "ｶ\nxｶy");
  // ESC "*I" designates katakana for single shifts (ESC "N") until ESC "*B".
  EXPECT_EQ(Jis("\x1B*I\x1BN\x36\x1B*B\x1BN\x36"), "ｶ\x1BN\x36");
  // EUC-JP pairs mixed in, and escapes we do not know.
  EXPECT_EQ(Jis("\xB4\xC1\x1B$Ax"), "漢\x1B$Ax");
  EXPECT_EQ(Jis("\x1B"), "\x1B");
}

TEST(Utf, Utf8AndUtf7ThroughTheCodePageLayer) {
  EXPECT_EQ(
      Convert(kv::Utf8ToSjis, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88"),
      "日本語テキスト");
  EXPECT_EQ(Convert(kv::Utf7ToSjis, "+ZeVnLIqeMMYwrTC5MMg-"), "日本語テキスト");
  EXPECT_EQ(Convert(kv::Utf7ToSjis, "a+-b"), "a+b");
  // Half-width katakana and the wave dash of Japanese pages.
  EXPECT_EQ(Convert(kv::Utf8ToSjis, "\xEF\xBD\xB6\xEF\xBD\x9E"), "ｶ～");
  // Bytes that are no UTF-8 and characters Shift_JIS lacks become "?".
  EXPECT_EQ(Convert(kv::Utf8ToSjis,
                    "a\xFF"
                    "b\xC3\xA9"),
            "a?b?");

  char out[8];
  EXPECT_EQ(kv::Utf8ToSjisInto("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86", 12, out, sizeof out), 6u);
  EXPECT_STREQ(out, "日本語");
  EXPECT_EQ(kv::Utf7ToSjisInto("+ZeVnLA-", 8, out, sizeof out), 4u);
  EXPECT_STREQ(out, "日本");
  EXPECT_EQ(kv::Utf8ToSjisInto("", 0, out, sizeof out), 0u);
}

}  // namespace
