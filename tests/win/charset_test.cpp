// UTF-8 and UTF-7 through the system's own conversion (code page 932), with
// the same answers as the native stand-in gives.
#include "reader/charset.h"

#include <gtest/gtest.h>

#include <string>

#include "reader/html.h"
#include "reader/thread.h"

namespace {

std::string Convert(bool (*f)(const char*, size_t, kv::ConvertedText*), const std::string& in) {
  kv::ConvertedText t;
  EXPECT_TRUE(f(in.data(), in.size(), &t));
  std::string out(t.data ? t.data : "", t.length);
  if (t.data) {
    EXPECT_EQ(t.data[t.length], 0);
  }
  delete[] t.data;
  return out;
}

TEST(SystemCharset, Utf8AndUtf7ToShiftJis) {
  EXPECT_EQ(
      Convert(kv::Utf8ToSjis, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88"),
      "日本語テキスト");
  EXPECT_EQ(Convert(kv::Utf7ToSjis, "+ZeVnLIqeMMYwrTC5MMg-"), "日本語テキスト");
  EXPECT_EQ(Convert(kv::Utf7ToSjis, "a+-b"), "a+b");
  EXPECT_EQ(Convert(kv::Utf8ToSjis, "\xEF\xBD\xB6\xEF\xBD\x9E"), "ｶ～");
  // Bytes that are no UTF-8, and a Thai letter Shift_JIS lacks.
  EXPECT_EQ(Convert(kv::Utf8ToSjis,
                    "a\xFF"
                    "b\xE0\xB8\x81"),
            "a?b?");

  char out[8];
  EXPECT_EQ(kv::Utf8ToSjisInto("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86", 12, out, sizeof out), 6u);
  EXPECT_STREQ(out, "日本語");
}

TEST(SystemCharset, AUtf8PageReadsAsShiftJis) {
  const std::string page =
      "<html><head><meta charset=\"utf-8\"><title>\xE9\xA1\x8C</title></head>"
      "<body>\xE6\x9C\xAC\xE6\x96\x87</body></html>";
  kv::ThreadViewState* view = new kv::ThreadViewState{};
  view->title[0] = '?';
  ASSERT_TRUE(kv::LoadThreadIntoView(*view, {}, page.data(), page.size()));
  EXPECT_STREQ(view->title, "題");
  EXPECT_EQ(view->postCount, 3);
  kv::TextSpan body = kv::PostSpan(*view, 2);
  EXPECT_NE(std::string(body.data, body.length).find("\r\n本文\r\n"), std::string::npos);
  kv::FreeViewText(*view);
  delete view;
}

}  // namespace
