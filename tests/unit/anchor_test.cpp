#include "reader/anchor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/address.h"
#include "reader/ngword.h"
#include "tests/unit/reader_util.h"

using readertest::Build;
using readertest::View;

namespace {

// A thread of count posts; post n's body is bodies[n] when given, else "本文n".
std::string Thread(int count, const std::vector<std::pair<int, std::string>>& bodies = {}) {
  std::string dat;
  for (int n = 1; n <= count; ++n) {
    std::string body = "本文" + std::to_string(n);
    for (auto& b : bodies)
      if (b.first == n) body = b.second;
    dat += "名無し<>sage<>2026/12/08 ID:id" + std::to_string(n) + "<>" + body + "<>\n";
  }
  return dat;
}

// The pop-up text of a line, sized first and then filled, as the view does.
std::string Popup(const View& v, const std::string& line) {
  size_t total = kv::CollectAnchoredPosts(*v.state, line.data(), line.size(), nullptr, 0, false);
  std::vector<char> buf(total + kv::kPopupSpare);
  EXPECT_EQ(kv::CollectAnchoredPosts(*v.state, line.data(), line.size(), buf.data(), buf.size(), true), total);
  return std::string(buf.data(), total);
}

std::string Link(const std::string& line) {
  char out[kv::kAddressMax];
  if (!kv::FindLink(line.data(), line.size(), out, sizeof out)) return "(none)";
  return out;
}

TEST(Anchors, NumbersAsciiAndFullWidth) {
  size_t used = 0;
  EXPECT_EQ(kv::ParseAnchorNumber("12>", 3, &used), 12);
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(kv::ParseAnchorNumber("１２x", 5, &used), 12);
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(kv::ParseAnchorNumber("1２3", 4, &used), 123);
  // At most 8 bytes: 8 ASCII digits or 4 full-width ones.
  EXPECT_EQ(kv::ParseAnchorNumber("123456789", 9, &used), 12345678);
  EXPECT_EQ(used, 8u);
  EXPECT_EQ(kv::ParseAnchorNumber("１２３４５", 10, &used), 1234);
  EXPECT_EQ(used, 8u);
  EXPECT_EQ(kv::ParseAnchorNumber("x1", 2, &used), 0);
  EXPECT_EQ(used, 0u);
  // A lone lead byte at the end is no digit.
  EXPECT_EQ(kv::ParseAnchorNumber("\x82", 1, &used), 0);
  EXPECT_EQ(used, 0u);
}

TEST(Anchors, MarkersRangesAndHeaders) {
  View v;
  Build(v, Thread(10));
  EXPECT_EQ(Popup(v, ">>5 >>7"), v.post(5) + v.post(7));
  EXPECT_EQ(Popup(v, ">>3-5"), v.post(3) + v.post(4) + v.post(5));
  EXPECT_EQ(Popup(v, ">>3－5"), v.post(3) + v.post(4) + v.post(5));
  EXPECT_EQ(Popup(v, ">>5-3"), v.post(5));
  EXPECT_EQ(Popup(v, ">>8-12"), v.post(8));  // a range past the end is its first post
  EXPECT_EQ(Popup(v, ">>1,2,3"), v.post(1) + v.post(2) + v.post(3));
  EXPECT_EQ(Popup(v, "＞＞１０"), v.post(10));
  EXPECT_EQ(Popup(v, "見て(2)と＝3と＆4"), v.post(2) + v.post(3) + v.post(4));
  EXPECT_EQ(Popup(v, "（６）、，９"), v.post(6) + v.post(9));
  EXPECT_EQ(Popup(v, ">>2 >>2"), v.post(2) + v.post(2));
  // Nothing for post 0, beyond the last post, or a marker without a digit.
  EXPECT_EQ(Popup(v, ">>12"), "");
  EXPECT_EQ(Popup(v, ">>0"), "");
  EXPECT_EQ(Popup(v, "> 5"), "");
  // A line that starts with a number names that post.
  EXPECT_EQ(Popup(v, "4番さん"), v.post(4));
  // A header line gives its own post, and a name written as a number.
  EXPECT_EQ(Popup(v, "\t6\t3\t\tdate"), v.post(6) + v.post(3));
  // Only the first 128 bytes are looked at.
  EXPECT_EQ(Popup(v, std::string(126, 'x') + ">>2"), "");
  EXPECT_EQ(Popup(v, std::string(125, 'x') + ">>2"), v.post(2));
  // The line ends at its line end.
  EXPECT_EQ(Popup(v, "a\r\n>>2"), "");
}

TEST(Anchors, TrailBytesAreNeverMarkersOrDigits) {
  View v;
  Build(v, Thread(10));
  // "鰍" is 0xE8 0x81. Taken as two single bytes (lead bytes from 0xE0 on
  // used to be), its trail and the next byte read as "＞" before a "3".
  EXPECT_EQ(Popup(v, "\xE8\x81\x84" "3"), "");
  // The same with a full-width digit: 0x81 0x84 then "３" (0x82 0x52).
  EXPECT_EQ(Popup(v, "\xE0\x81\x84\x82\x52"), "");
  // Stepping over such characters whole still finds what follows them.
  EXPECT_EQ(Popup(v, "\xE8\x81>>3"), v.post(3));
}

// A view text of these posts as they are (a converted page can hold posts
// longer than any log record).
void Posts(View& v, const std::vector<std::string>& posts) {
  kv::FreeViewText(*v);
  std::string all;
  int32_t n = 1;
  for (const std::string& p : posts) {
    v->postStart[n++] = static_cast<int32_t>(all.size());
    all += p;
  }
  v->postCount = n;
  v->postStart[n] = static_cast<int32_t>(all.size());
  v->text = new char[all.size() + 1];
  memcpy(v->text, all.c_str(), all.size() + 1);
  v->textLength = static_cast<int32_t>(all.size());
}

TEST(Anchors, LongRangesArePostByPostAndCapped) {
  // Posts of about 2,000 bytes: ">>1-30" spans 60 KB, which used to show
  // nothing at all.
  std::vector<std::string> posts;
  for (int n = 1; n <= 40; ++n) posts.push_back("\t" + std::to_string(n) + "\tname\r\n" + std::string(2000, 'a') + "\r\n\r\n");
  posts[6] = "\t7\tname\r\n" + std::string(12000, 'b') + "\r\n\r\n";  // too long for a pop-up
  View v;
  Posts(v, posts);
  ASSERT_GT(v.post(7).size(), kv::kPopupPostMax);
  std::string expected;
  for (int n = 1; n <= 10; ++n)
    if (n != 7) expected += v.post(n);
  EXPECT_EQ(Popup(v, ">>1-10"), expected);
  EXPECT_EQ(Popup(v, ">>7"), "");

  // The total stops before the post that would pass 64 KB; the first are kept.
  std::string all = Popup(v, ">>1-40");
  EXPECT_LE(all.size(), kv::kPopupTotalMax);
  EXPECT_GT(all.size(), kv::kPopupTotalMax - 2100);
  EXPECT_EQ(all.substr(0, v.post(1).size()), v.post(1));

  // A buffer smaller than the total is never overrun.
  char small[16];
  std::string line = ">>1-3";
  EXPECT_GT(kv::CollectAnchoredPosts(*v, line.data(), line.size(), small, sizeof small, true), sizeof small);
}

TEST(Anchors, HiddenPostsGiveNoText) {
  kv::NgList ng;
  std::string words = "3,消す\r\n";
  ASSERT_TRUE(kv::ParseNgWords(ng, words.data(), words.size()));
  kv::ViewBuildOptions options;
  options.ngWords = &ng;
  options.transparentAbone = true;
  View v;
  Build(v, Thread(6, {{5, "消す"}}), options);
  EXPECT_EQ(Popup(v, ">>5"), "");
  EXPECT_EQ(Popup(v, ">>4-6"), v.post(4) + v.post(6));
}

TEST(Links, AddressesInALine) {
  EXPECT_EQ(Link("見て ttp://example.jp/a/b?x=1 これ"), "http://example.jp/a/b?x=1");
  EXPECT_EQ(Link("http://example.jp/x"), "http://example.jp/x");
  // A secure address keeps its scheme, also when written "ttps://"; it used
  // to fall through to the anchors, where "?id=5" opened post 5.
  EXPECT_EQ(Link("ttps://example.jp/r?id=5"), "https://example.jp/r?id=5");
  EXPECT_EQ(Link("https://example.jp/"), "https://example.jp/");
  EXPECT_EQ(Link(">>3 www.example.jp/p"), "http://www.example.jp/p");
  // The address ends at a blank, "(" or ")", a full-width space and
  // full-width punctuation.
  EXPECT_EQ(Link("(http://example.jp/a)"), "http://example.jp/a");
  EXPECT_EQ(Link("http://example.jp/a　続き"), "http://example.jp/a");
  EXPECT_EQ(Link("http://example.jp/a。次"), "http://example.jp/a");
  EXPECT_EQ(Link("http://example.jp/a、次"), "http://example.jp/a");
  EXPECT_EQ(Link("「http://example.jp/a」"), "http://example.jp/a");
  EXPECT_EQ(Link("http://example.jp/a（注）"), "http://example.jp/a");
  // Other double-byte characters belong to it.
  EXPECT_EQ(Link("http://example.jp/日本"), "http://example.jp/日本");
  // A lead byte without its second byte ends it before the blank.
  EXPECT_EQ(Link("http://example.jp/\x81 x"), "http://example.jp/");
  // Exact letter case; a trail byte is never a "t" ("フ" is 0x83 0x74).
  EXPECT_EQ(Link("HTTP://example.jp/"), "(none)");
  EXPECT_EQ(Link("\x83\x74tp://x"), "(none)");
  EXPECT_EQ(Link(">>5"), "(none)");
  // At most 250 bytes from the "t".
  std::string longPath(400, 'p');
  std::string found = Link("ttp://" + longPath);
  EXPECT_EQ(found, "http://" + longPath.substr(0, 244));
  std::string longW = Link("www" + longPath);
  EXPECT_EQ(longW.size(), 7u + 250u);
}

TEST(Pointer, RightHalfDragsScrollAndLeftHalfClicks) {
  // 48 pixels down in the right half: 6 lines toward the end, and no click.
  EXPECT_EQ(kv::DragScrollTop(10, 100, 100, 300, 148, 400), 16);
  EXPECT_FALSE(kv::ReleaseIsClick(100, 300, 148, 400));
  // Up moves toward the start; less than a step moves nothing.
  EXPECT_EQ(kv::DragScrollTop(10, 100, 100, 300, 68, 400), 6);
  EXPECT_EQ(kv::DragScrollTop(10, 100, 100, 300, 110, 400), 10);
  // At most ten steps, within 0 .. lineCount.
  EXPECT_EQ(kv::DragScrollTop(50, 100, 0, 300, 1000, 400), 70);
  EXPECT_EQ(kv::DragScrollTop(95, 100, 0, 300, 1000, 400), 100);
  EXPECT_EQ(kv::DragScrollTop(3, 100, 1000, 300, 0, 400), 0);
  // The left half never scrolls, and its release is a click wherever it ends.
  EXPECT_EQ(kv::DragScrollTop(10, 100, 100, 100, 148, 400), 10);
  EXPECT_TRUE(kv::ReleaseIsClick(100, 100, 300, 400));
  // A small move in the right half is still a click.
  EXPECT_TRUE(kv::ReleaseIsClick(100, 300, 120, 400));
  EXPECT_FALSE(kv::ReleaseIsClick(100, 300, 79, 400));
}

}  // namespace

namespace {

TEST(Anchors, LinesAreFoundByNumberInTheCurrentText) {
  View v;
  Build(v, Thread(3, {{2, "一行目<br>>>1"}}));
  size_t n = 0;
  // Post 1: header, body, empty line; post 2: header, two body lines.
  const char* line = kv::ViewLine(*v, 5, &n);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(std::string(line, n).substr(0, 6), "一行目");
  line = kv::ViewLine(*v, 6, &n);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(Popup(v, std::string(line, n)), v.post(1));
  EXPECT_EQ(std::string(kv::ViewLine(*v, 1, &n), n).substr(0, 2), "\t1");
  EXPECT_EQ(kv::ViewLine(*v, 0, &n), nullptr);
  EXPECT_EQ(kv::ViewLine(*v, v->lineCount + 1, &n), nullptr);
  // After a rebuild the same number reads the new text.
  Build(v, Thread(1));
  EXPECT_EQ(kv::ViewLine(*v, 5, &n), nullptr);
}

}  // namespace
