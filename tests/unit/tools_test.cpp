// The search dialogs' searches, the proxy dialog's settings and the text
// editor's rules, without windows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boards/boardfile.h"
#include "boards/threadlist.h"
#include "core/text.h"
#include "reader_util.h"
#include "ui/editor.h"
#include "ui/proxy.h"
#include "ui/search.h"

namespace {

// "ア" is 0x83 0x41 and "ヂ" 0x83 0x61: folding the trail byte as a letter
// would make them one character.
const char kA[] = "\x83\x41";
const char kDi[] = "\x83\x61";

TEST(TextSearch, ComparesCharacterByCharacter) {
  EXPECT_EQ(kv::FindText("xxABCx", 6, "abc", 3), 2);
  EXPECT_EQ(kv::FindText(kDi, 2, kA, 2), -1);
  EXPECT_EQ(kv::FindText(kA, 2, kA, 2), 0);
  // The trail byte of "ア" is "A", but no hit starts inside a character.
  EXPECT_EQ(kv::FindText(kA, 2, "a", 1), -1);
  // "ヂ" then "a": the hit is the real "a" after it.
  EXPECT_EQ(kv::FindText("\x83\x61"
                         "a",
                         3, "A", 1),
            2);
  // Half a character at the end of the text never matches.
  EXPECT_EQ(kv::FindText(kA, 2, "\x83", 1), -1);
  EXPECT_EQ(kv::FindText("abc", 3, "", 0), -1);
  EXPECT_EQ(kv::FindText("abcabc", 6, "c", 1, 2), -1);  // only the first two starts
  EXPECT_TRUE(
      kv::MatchesTextAt("ab"
                        "\x83\x41",
                        4, 2, kA, 2));
  EXPECT_FALSE(kv::MatchesTextAt("ab", 2, 1, "bc", 2));
}

TEST(TextSearch, TitleAndBoardSearchesFindEveryRowButNoHalfCharacters) {
  auto table = std::make_unique<kv::ThreadTable>();
  table->used = 3;
  kv::CopyText(table->rows[0].title, "ABC first");
  kv::CopyText(table->rows[1].title, kDi);
  kv::CopyText(table->rows[2].title, "last abc");
  // A new dialog focuses row 0, which is searched too; nothing focused: row 0 as well.
  EXPECT_EQ(kv::FindTitle(*table, kv::ListSearchStart(0, -1, false), "abc"), 0);
  EXPECT_EQ(kv::FindTitle(*table, kv::ListSearchStart(-1, -1, false), "abc"), 0);
  // After the hit on row 0 the search goes on, and the last row counts.
  EXPECT_EQ(kv::FindTitle(*table, kv::ListSearchStart(0, 0, false), "abc"), 2);
  EXPECT_EQ(kv::FindTitle(*table, kv::ListSearchStart(2, 2, false), "abc"), -1);
  // After "最後に到達" the top again.
  EXPECT_EQ(kv::ListSearchStart(2, 2, true), 0);
  EXPECT_EQ(kv::FindTitle(*table, 0, kA), -1);
  EXPECT_FALSE(kv::ContainsNoCase(kDi, kA));
  EXPECT_TRUE(kv::ContainsNoCase("News abc", "ABC"));
}

std::string Post(const std::string& body) { return "name<>mail<>2006/01/01<>" + body + "<>\n"; }

struct ThreadSearch : ::testing::Test {
  readertest::View v;
  int32_t position = 0;
  int32_t Find(const char* text) { return kv::FindInThread(*v, text, strlen(text), &position); }
};

TEST_F(ThreadSearch, FindsEveryPostThenStartsAgainFromTheTop) {
  readertest::Build(v, Post("first ABC") + Post("nothing") + Post("third <br> abc again"));
  // Post 1 is found: its first line is 0, which is a hit like any other.
  int32_t r = Find("abc");
  EXPECT_EQ(r, 0);
  EXPECT_TRUE(kv::ThreadSearchHit(r, v->lineCount));
  EXPECT_GT(position, 0);
  r = Find("abc");
  EXPECT_EQ(r, v->postLine[3]);
  EXPECT_TRUE(kv::ThreadSearchHit(r, v->lineCount));
  // No more: the end, and the dialog starts again from 0.
  EXPECT_EQ(Find("abc"), -1);
  EXPECT_EQ(position, v->textLength);
  EXPECT_FALSE(kv::ThreadSearchHit(-1, v->lineCount));
  position = 0;
  EXPECT_EQ(Find("ABC"), 0);
}

TEST_F(ThreadSearch, JapaneseNeedleNeverMatchesInsideAnotherCharacter) {
  readertest::Build(v, Post("first") + Post(std::string("ヂヂ") + " A"));
  EXPECT_EQ(Find("ア"), -1);
  position = 0;
  EXPECT_EQ(Find("ヂ"), v->postLine[2]);
}

TEST_F(ThreadSearch, HitsStartAmongALinesFirst256Characters) {
  std::string late(300, 'x');
  readertest::Build(v, Post("first") + Post(late + "needle") + Post(std::string(200, 'y') + "needle"));
  EXPECT_EQ(Find("needle"), v->postLine[3]);
  // A position beyond a rebuilt, shorter text is the end, not a read past it.
  position = v->textLength + 1000;
  EXPECT_EQ(Find("needle"), -1);
  EXPECT_EQ(position, v->textLength);
}

TEST(WebSearch, PercentEncodesAndRefusesWhatDoesNotFit) {
  char out[260];
  ASSERT_TRUE(kv::WebSearchAddress("search.test", "ア b", 4, out, sizeof out));
  EXPECT_STREQ(out, "http://search.test/search?hl=ja&inlang=ja&ie=Shift_JIS&oe=shift_jis&q=%83%41+b&lr=");
  // Both bytes of a two-byte character are encoded: 63 of them need 378 bytes.
  std::string long_text;
  for (int i = 0; i < 63; ++i) long_text += "ア";
  EXPECT_FALSE(kv::WebSearchAddress(kv::kWebSearchHost, long_text.c_str(), long_text.size(), out, sizeof out));
  EXPECT_STREQ(out, "");
  // Exactly full is fine; one byte less is refused whole.
  std::string head = "http://h/search?hl=ja&inlang=ja&ie=Shift_JIS&oe=shift_jis&q=";
  std::string q(260 - 1 - head.size() - 4, 'q');
  EXPECT_TRUE(kv::WebSearchAddress("h", q.c_str(), q.size(), out, sizeof out));
  EXPECT_EQ(strlen(out), 259u);
  q += "q";
  EXPECT_FALSE(kv::WebSearchAddress("h", q.c_str(), q.size(), out, sizeof out));
}

TEST(Proxy, TickUntickRoundTripAndEmptyFields) {
  char proxy[64], address[80], port[80];
  ASSERT_EQ(kv::ProxyAddressOf(false, "a", "8080", proxy, sizeof proxy), kv::ProxyOk::Done);
  EXPECT_STREQ(proxy, " a:8080");
  EXPECT_FALSE(kv::ProxyInUse(proxy));
  kv::SplitProxy(proxy + 1, address, sizeof address, port, sizeof port);
  EXPECT_STREQ(address, "a");
  EXPECT_STREQ(port, "8080");
  ASSERT_EQ(kv::ProxyAddressOf(true, address, port, proxy, sizeof proxy), kv::ProxyOk::Done);
  EXPECT_STREQ(proxy, "a:8080");
  EXPECT_TRUE(kv::ProxyInUse(proxy));
  EXPECT_EQ(kv::ProxyAddressOf(true, "", "", proxy, sizeof proxy), kv::ProxyOk::Stay);
  EXPECT_STREQ(proxy, "a:8080");
  kv::SplitProxy("host.only", address, sizeof address, port, sizeof port);
  EXPECT_STREQ(address, "host.only");
  EXPECT_STREQ(port, "");
}

TEST(Proxy, EveryWriteIsBoundedByItsSetting) {
  // 79 + ":" + 79 bytes cannot go into the 64-byte Proxyadr: refused, unchanged.
  std::string a(79, 'a'), p(79, '9');
  char proxy[64] = "keep:1";
  EXPECT_EQ(kv::ProxyAddressOf(true, a.c_str(), p.c_str(), proxy, sizeof proxy), kv::ProxyOk::TooLong);
  EXPECT_STREQ(proxy, "keep:1");
  std::string fits(57, 'h');
  EXPECT_EQ(kv::ProxyAddressOf(true, fits.c_str(), "8080", proxy, sizeof proxy), kv::ProxyOk::Done);
  EXPECT_EQ(kv::ProxyAddressOf(false, fits.c_str(), "8080", proxy, sizeof proxy), kv::ProxyOk::Done);
  EXPECT_EQ(strlen(proxy), 63u);
  EXPECT_EQ(kv::ProxyAddressOf(false, (fits + "h").c_str(), "8080", proxy, sizeof proxy), kv::ProxyOk::TooLong);

  // Ten entries of 30 bytes: only the whole ones that fit 260 bytes are kept.
  std::string entries[11];
  const char* pointers[11];
  for (int i = 0; i < 11; ++i) {
    entries[i] = std::string(25, static_cast<char>('a' + i)) + ":8080";
    pointers[i] = entries[i].c_str();
  }
  char list[260];
  size_t n = kv::JoinProxyList(pointers, 11, list, sizeof list);
  EXPECT_EQ(n, 8u * 31);
  EXPECT_EQ(list[n - 1], ',');
  char split[kv::kProxyListMax][kv::kProxyEntrySize];
  EXPECT_EQ(kv::SplitProxyList(list, split, kv::kProxyListMax), 8);
  EXPECT_EQ(std::string(split[7]), entries[7]);
  EXPECT_EQ(kv::SplitProxyList("a:1,,b:2,c:3,d:4,e:5,f:6,g:7,h:8,i:9,j:10,k:11,", split, kv::kProxyListMax), 10);
  EXPECT_STREQ(split[1], "b:2");
  char entry[kv::kProxyEntrySize];
  EXPECT_FALSE(kv::ProxyEntry("a,b", "80", entry, sizeof entry));  // would split in the list
  EXPECT_TRUE(kv::ProxyEntry("a", "80", entry, sizeof entry));
  EXPECT_STREQ(entry, "a:80");
}

TEST(Editor, SaveAsksOnlyWhenTheFileChangedOrIsAnother) {
  kv::FileStamp loaded{true, 10, 100}, missing{false, 0, 0};
  EXPECT_EQ(kv::CheckBeforeSave(true, loaded, loaded), kv::SaveCheck::Go);
  EXPECT_EQ(kv::CheckBeforeSave(true, loaded, kv::FileStamp{true, 12, 100}), kv::SaveCheck::AskChanged);
  EXPECT_EQ(kv::CheckBeforeSave(true, loaded, kv::FileStamp{true, 10, 101}), kv::SaveCheck::AskChanged);
  EXPECT_EQ(kv::CheckBeforeSave(true, loaded, missing), kv::SaveCheck::AskChanged);
  EXPECT_EQ(kv::CheckBeforeSave(true, missing, missing), kv::SaveCheck::Go);  // a new file, still missing
  EXPECT_EQ(kv::CheckBeforeSave(true, missing, loaded), kv::SaveCheck::AskChanged);
  EXPECT_EQ(kv::CheckBeforeSave(false, loaded, loaded), kv::SaveCheck::AskExisting);
  EXPECT_EQ(kv::CheckBeforeSave(false, loaded, missing), kv::SaveCheck::Go);
}

TEST(Editor, LineEndsFilesAndLayout) {
  char out[32];
  EXPECT_EQ(kv::CrLfLength("a\nb\r\nc\r", 7), 9u);
  EXPECT_EQ(kv::ToCrLf("a\nb\r\nc\r", 7, out, sizeof out), 9u);
  EXPECT_STREQ(out, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(kv::ToCrLf("a\nb", 3, out, 4), 0u);  // does not fit: nothing
  EXPECT_TRUE(kv::PathEndsWith("C:\\k\\NGWORD.TXT", "ngword.txt"));
  EXPECT_FALSE(kv::PathEndsWith("word.txt", "ngword.txt"));
  EXPECT_STREQ(kv::EditorFileOf(40072), "ngword.txt");
  EXPECT_STREQ(kv::EditorFileOf(40099), "round.txt");
  EXPECT_EQ(kv::EditorFileOf(40018), nullptr);
  kv::EditorLayout l = kv::LayOutEditor(480, 300, 20, 1);
  EXPECT_EQ(l.text.y, 20);
  EXPECT_EQ(l.text.h, 300 - 32 - 20);
  EXPECT_EQ(l.buttons[2].x, 116);
  EXPECT_EQ(l.buttons[2].y, 272);
  EXPECT_EQ(l.buttons[6].x, 378);
  kv::EditorLayout big = kv::LayOutEditor(480, 300, 20, 2);
  EXPECT_EQ(big.buttons[3].x, 340);
  EXPECT_EQ(big.buttons[3].w, 100);
  EXPECT_EQ(big.buttons[4].x, 274);
  EXPECT_EQ(kv::EditorFontSize(12), 9);
  EXPECT_EQ(kv::EditorFontSize(8), 8);
}

}  // namespace
