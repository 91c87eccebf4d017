#include "core/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(TextCut, NeverSplitsADoubleByteCharacter) {
  // "表" is 0x95 0x5C: its trail byte looks like a backslash.
  const char* s = "a表示";
  EXPECT_EQ(kv::SjisCutLength(s, strlen(s), 1), 1u);
  EXPECT_EQ(kv::SjisCutLength(s, strlen(s), 2), 1u);
  EXPECT_EQ(kv::SjisCutLength(s, strlen(s), 3), 3u);
  EXPECT_EQ(kv::SjisCutLength(s, strlen(s), 4), 3u);
  EXPECT_EQ(kv::SjisCutLength(s, strlen(s), 99), 5u);
}

TEST(TextCut, CopyAndFormatStayInsideTheBuffer) {
  char buf[8];
  memset(buf, 'X', sizeof buf);
  EXPECT_EQ(kv::CopyText(buf, "ａｂｃｄｅ"), 6u);  // 7 bytes of room: three characters
  EXPECT_STREQ(buf, "ａｂｃ");
  EXPECT_EQ(kv::FormatText(buf, sizeof buf, "%s", "1ａｂｃｄ"), 7u);
  EXPECT_STREQ(buf, "1ａｂｃ");
  EXPECT_EQ(kv::FormatText(buf, sizeof buf, "%s", "12ａｂｃ"), 6u);
  EXPECT_STREQ(buf, "12ａｂ");
  char one[1];
  EXPECT_EQ(kv::CopyText(one, "abc"), 0u);
  EXPECT_EQ(one[0], 0);
}

TEST(TextCompare, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(kv::CompareNoCase("Http://", "hTTP://", 7), 0);
  EXPECT_EQ(kv::CompareNoCase("a", "b", 1), -1);
  EXPECT_EQ(kv::CompareNoCase("[", "{", 1), -1);  // not folded: 0x5B < 0x7B
  // Full-width letters are compared as they are.
  EXPECT_NE(kv::CompareNoCase("ａ", "Ａ", 2), 0);
}

TEST(TextNumbers, ParseAsFarAsTheyGo) {
  EXPECT_EQ(kv::ParseInt("12abc"), 12);
  EXPECT_EQ(kv::ParseInt("  -7"), -7);
  EXPECT_EQ(kv::ParseInt("abc"), 0);
  EXPECT_EQ(kv::ParseInt("99999999999999"), INT32_MAX);
  EXPECT_EQ(kv::ParseInt("-99999999999999"), INT32_MIN);
}

TEST(TextSeparators, TrailByteIsNotASeparator) {
  EXPECT_TRUE(kv::EndsWithSeparator("log\\"));
  EXPECT_TRUE(kv::EndsWithSeparator("a/"));
  EXPECT_FALSE(kv::EndsWithSeparator("表"));
  EXPECT_TRUE(kv::EndsWithSeparator("表\\"));
  EXPECT_FALSE(kv::EndsWithSeparator(""));
}

}  // namespace

namespace {

TEST(TextUrlEncode, KeepsLettersAndMarksEncodesTheRest) {
  char out[128];
  bool cut = true;
  // "表" is 0x95 0x5C; digits are encoded too.
  const char* in = "Ab *-.@_1/\x95\x5C";
  EXPECT_EQ(kv::UrlEncode(in, strlen(in), out, sizeof out, &cut), strlen("Ab+*-.@_%31%2f%95%5c"));
  EXPECT_STREQ(out, "Ab+*-.@_%31%2f%95%5c");
  EXPECT_FALSE(cut);
}

TEST(TextUrlEncode, TrailBytesThatLookLikeLettersAreEncodedToo) {
  char out[64];
  bool cut = true;
  // "全" is 0x91 0x53 ("S"), "任" 0x94 0x43 ("C").
  EXPECT_EQ(kv::UrlEncode("\x91\x53\x94\x43" "a", 5, out, sizeof out, &cut), 13u);
  EXPECT_STREQ(out, "%91%53%94%43a");
  EXPECT_FALSE(cut);
}

TEST(TextUrlEncode, ATextThatDoesNotFitStopsBeforeAWholeCharacter) {
  char out[8];
  bool cut = false;
  // "a" fits (1), then "表" needs 6 bytes and only 6 remain of 7 usable: it fits;
  // with one more byte before it, it does not and is left out whole.
  EXPECT_EQ(kv::UrlEncode("a\x95\x5C", 3, out, sizeof out, &cut), 7u);
  EXPECT_FALSE(cut);
  EXPECT_EQ(kv::UrlEncode("ab\x95\x5C", 4, out, sizeof out, &cut), 2u);
  EXPECT_STREQ(out, "ab");
  EXPECT_TRUE(cut);
}

}  // namespace
