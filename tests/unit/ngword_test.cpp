#include "reader/ngword.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/reader_util.h"

using readertest::Build;
using readertest::Fixture;
using readertest::View;

namespace {

void Load(kv::NgList& ng, const std::string& text) { ASSERT_TRUE(kv::ParseNgWords(ng, text.data(), text.size())); }

int Match(const kv::NgList& ng, int key, const std::string& field) {
  return kv::MatchesNg(ng, key, field.data(), field.size());
}

TEST(NgWords, TheFileAsEditsLeaveIt) {
  kv::NgList ng;
  Load(ng, Fixture("ngword.txt"));
  ASSERT_EQ(ng.count, 4);
  EXPECT_EQ(ng.entries[0].key, 0);
  EXPECT_STREQ(ng.entries[0].word, "荒らし");
  EXPECT_STREQ(ng.entries[1].word, "あいう");
  EXPECT_STREQ(ng.entries[2].word, "abc");
  EXPECT_EQ(ng.entries[3].key, 1);
  EXPECT_STREQ(ng.entries[3].word, "age");
  // The comment lines "#3,word" and ";2,xyz" are no entries.
  EXPECT_EQ(Match(ng, 3, "word"), 0);
  EXPECT_EQ(Match(ng, 2, "xyz"), 0);

  // Reloading replaces the list; at most 50 entries are kept.
  std::string many;
  for (int i = 0; i < 60; ++i) many += "3,[" + std::to_string(i) + "]\r\n";
  Load(ng, many);
  EXPECT_EQ(ng.count, 50);
  EXPECT_EQ(Match(ng, 3, "[49]"), 1);
  EXPECT_EQ(Match(ng, 3, "[50]"), 0);
  EXPECT_EQ(Match(ng, 0, "荒らし"), 0);
  kv::FreeNgWords(ng);
  EXPECT_EQ(ng.count, 0);
}

TEST(NgWords, MatchingByFieldAndCompactBody) {
  kv::NgList ng;
  Load(ng, "3,あいう\n0,名無\n2,abc\n9,never\n3,\n1\n");
  EXPECT_EQ(ng.count, 6);
  EXPECT_EQ(Match(ng, 3, "前あいう後"), 1);
  // Blanks and line breaks inside the word do not save the post, nor do
  // the blanks the splitter leaves for "<br>".
  EXPECT_EQ(Match(ng, 3, "あ い\r\nう"), 1);
  EXPECT_EQ(Match(ng, 3, "あ  \r\nい   \r\nう"), 1);
  EXPECT_EQ(Match(ng, 3, "あいえ"), 0);
  // Other fields are compared as they are, and letter case counts.
  EXPECT_EQ(Match(ng, 0, "名無しさん"), 1);
  EXPECT_EQ(Match(ng, 0, "名 無"), 0);
  EXPECT_EQ(Match(ng, 2, "ID:xABC"), 0);
  EXPECT_EQ(Match(ng, 2, "ID:xabc"), 1);
  EXPECT_EQ(Match(ng, 1, "abc"), 0);  // a key of its own
  EXPECT_EQ(Match(ng, 9, "never"), 1);
  EXPECT_EQ(Match(ng, 1, ""), 0);  // "1" alone: an empty word never matches

  // Only the first 250 compact bytes of a body count.
  std::string lead(248, 'x');
  EXPECT_EQ(Match(ng, 3, lead + "あいう"), 0);
  EXPECT_EQ(Match(ng, 3, std::string(244, 'x') + "あいう"), 1);
  EXPECT_EQ(Match(ng, 3, std::string(300, ' ') + std::string(244, 'x') + "あいう"), 1);
}

TEST(NgWords, ThreadViewHidesMatchedPosts) {
  kv::NgList ng;
  Load(ng, "3,あいう\r\n");
  std::string log =
      "n<>m<>d1<>一<>\n"
      "n<>m<>d2<>あ <br> い う<>\n"
      "n<>m<>d3<>三<>\n";
  kv::ViewBuildOptions o;
  o.ngWords = &ng;
  View v;
  Build(v, log, o);
  EXPECT_EQ(v.header(2), (std::vector<std::string>{"2", "NG", "", "d2"}));
  EXPECT_EQ(v.header(3)[0], "3");
}

TEST(NgWords, IdAndBodyWordsFromTheDialogText) {
  const std::string dialog = "1 名無し sage 2006/01/01 00:00 ID:abc\r\n本 文　です\r\n二行目";
  char word[256];
  EXPECT_EQ(kv::ExtractIdWord(dialog.data(), dialog.size(), word, sizeof word), 3u);
  EXPECT_STREQ(word, "abc");
  EXPECT_EQ(kv::ExtractIdSearchText(dialog.data(), dialog.size(), word, sizeof word), 7u);
  EXPECT_STREQ(word, " ID:abc");
  // Blanks and control bytes go; a full-width blank is a character.
  EXPECT_EQ(kv::ExtractBodyWord(dialog.data(), dialog.size(), word, sizeof word), strlen("本文　です二行目"));
  EXPECT_STREQ(word, "本文　です二行目");

  // No " ID:" within the first 250 bytes: no ID.
  std::string far = std::string(247, 'x') + " ID:abc";
  EXPECT_EQ(kv::ExtractIdWord(far.data(), far.size(), word, sizeof word), 0u);
  EXPECT_EQ(kv::ExtractIdSearchText(far.data(), far.size(), word, sizeof word), 0u);
  std::string near = std::string(246, 'x') + " ID:abc";
  EXPECT_EQ(kv::ExtractIdWord(near.data(), near.size(), word, sizeof word), 3u);
  EXPECT_EQ(kv::ExtractIdWord("ID:x", 4, word, sizeof word), 0u);

  // The body word: at most 120 source bytes, nothing without a line break.
  std::string longBody = "h\r\n" + std::string(200, 'y');
  EXPECT_EQ(kv::ExtractBodyWord(longBody.data(), longBody.size(), word, sizeof word), 120u);
  EXPECT_EQ(kv::ExtractBodyWord("h\r\n  \r\n", 7, word, sizeof word), 0u);
  EXPECT_EQ(kv::ExtractBodyWord("no break", 8, word, sizeof word), 0u);
  std::string kanji = "h\r\n" + std::string(119, 'y') + "あ";
  EXPECT_EQ(kv::ExtractBodyWord(kanji.data(), kanji.size(), word, sizeof word), 121u);
}

TEST(NgWords, AddingALineToTheFile) {
  auto add = [](const std::string& old, char key, const std::string& w) {
    std::vector<char> out(kv::NgFileSizeWith(old.size(), w.size()));
    size_t n = kv::NgFileWithWord(old.data(), old.size(), key, w.data(), w.size(), out.data(), out.size());
    return std::string(out.data(), n);
  };
  EXPECT_EQ(add("", '2', "abc"), "2,abc\r\n");
  EXPECT_EQ(add("0,x\r\n", '3', "本文"), "0,x\r\n3,本文\r\n");
  EXPECT_EQ(add("0,x", '3', "y"), "0,x\r\n3,y\r\n");
  EXPECT_EQ(add("0,x\n", '3', "y"), "0,x\n\r\n3,y\r\n");
  EXPECT_EQ(add("", '3', "one\r\ntwo"), "3,one\r\n");
  EXPECT_EQ(add("0,x\r\n", '3', ""), "");

  // "NG:ID" on a post ending in " ID:abc" writes "2,abc", which then hides
  // every post whose date field holds abc.
  const std::string dialog = "5 名無し  2006/01/01 00:00 ID:abc\r\n本文";
  char id[64];
  size_t n = kv::ExtractIdWord(dialog.data(), dialog.size(), id, sizeof id);
  std::string file = add("", '2', std::string(id, n));
  EXPECT_EQ(file, "2,abc\r\n");
  kv::NgList ng;
  Load(ng, file);
  EXPECT_EQ(Match(ng, 2, "2006/01/02 ID:xabcx"), 1);
}

TEST(Extraction, PostsThatHoldTheText) {
  View v;
  Build(v,
        "n<>m<>01 ID:abc<>一<>\n"
        "n<>m<>02 ID:xyz<>二 ID:abc<>\n"
        "n<>m<>03 ID:abc<>表<>\n"
        "n<>m<>04 ID:abd<>四<>\n");
  const char* id = " ID:abc";
  size_t total = kv::CollectPosts(*v, id, strlen(id), nullptr, 0, false);
  std::string expected = v.post(1) + v.post(2) + v.post(3);
  EXPECT_EQ(total, expected.size());
  std::vector<char> buf(total + 256);
  EXPECT_EQ(kv::CollectPosts(*v, id, strlen(id), buf.data(), buf.size(), true), total);
  EXPECT_EQ(std::string(buf.data(), total), expected);

  // Matches start at characters: the trail byte of "表" is no "\".
  EXPECT_EQ(kv::CollectPosts(*v, "\\", 1, nullptr, 0, false), 0u);
  EXPECT_EQ(kv::CollectPosts(*v, "表", 2, nullptr, 0, false), v.post(3).size());
  EXPECT_EQ(kv::CollectPosts(*v, "", 0, nullptr, 0, false), 0u);
  // A buffer too small is never overrun.
  char small[8];
  EXPECT_EQ(kv::CollectPosts(*v, id, strlen(id), small, sizeof small, true), total);
}

TEST(AsciiArt, SignsAndFullWidthSpaces) {
  auto aa = [](const std::string& line, int mode = 1) { return kv::LooksLikeAA(line.data(), line.size(), mode); };
  EXPECT_TRUE(aa("　　　あいう"));
  EXPECT_FALSE(aa("　　あいう"));
  EXPECT_TRUE(aa("あ　い　う　え"));
  EXPECT_TRUE(aa("abc|def"));
  EXPECT_TRUE(aa(std::string(23, 'x') + "|"));
  EXPECT_FALSE(aa(std::string(24, 'x') + "|"));
  // A character that starts at byte 23 is still looked at.
  EXPECT_TRUE(aa(std::string(23, 'x') + "∀"));
  EXPECT_FALSE(aa(std::string(24, 'x') + "∀"));
  for (const char* sign : {"´", "｀", "￣", "＿", "＼", "∧", "∀", "Λ", "Д", "д", "─", "━", "①"})
    EXPECT_TRUE(aa(std::string("あ") + sign)) << sign;
  EXPECT_FALSE(aa("普通の文章です。"));
  // "|" as the trail byte of a pair is no sign ("\x81|" is one character).
  EXPECT_FALSE(aa("\x81|"));
  EXPECT_FALSE(aa("abc|", 0));
  EXPECT_TRUE(aa("abc", 2));
  EXPECT_FALSE(aa(""));
}

}  // namespace
