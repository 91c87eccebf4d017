// The idle message of an empty view.
#include "reader/idle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int g_next = 0;
int Fixed(int n) { return g_next % n; }

std::string First(int r, kv::RemarkClock c, std::string* second = nullptr) {
  char a[128], b[128];
  kv::MakeRemarkFor(r, c, Fixed, a, sizeof a, b, sizeof b);
  if (second) *second = b;
  return a;
}

TEST(IdleRemark, CalendarGreetingFortuneForecast) {
  g_next = 0;
  EXPECT_EQ(First(0, {1, 1, 12}), "1月 1日　あけましておめでと");
  EXPECT_EQ(First(45, {6, 2, 12}), "6月 2日　") << "no line on an ordinary day";
  EXPECT_EQ(First(54, {12, 24, 0}), "12月 24日　俺が暖めてやるぜ");
  EXPECT_EQ(First(1, {5, 5, 3}), "こんな時間に…");
  EXPECT_EQ(First(46, {5, 5, 0}), "今夜は寝かせないぜ");
  EXPECT_EQ(First(1, {5, 5, 12}), "ご飯まだ？");
  g_next = 0;  // prefix 0 ("大"), word 0 ("吉")
  EXPECT_EQ(First(2, {1, 1, 0}), "今日の占い・・・【大吉】");
  g_next = 8;  // the special form
  EXPECT_EQ(First(47, {1, 1, 0}), "今日の占い・・・【特笑つゆだくで】");
  g_next = 4;  // both words the same
  EXPECT_EQ(First(3, {1, 1, 0}), "心の天気予報・・・【萌】");
  std::string second;
  g_next = 0;
  First(56, {1, 1, 0}, &second);
  EXPECT_FALSE(second.empty());
}

TEST(IdleRemark, EveryValueGivesAText) {
  for (int r = 0; r < kv::kRemarkValues; ++r) {
    g_next = r;
    std::string t = First(r, {3, 3, 10});
    EXPECT_FALSE(t.empty()) << r;
    EXPECT_EQ(t.find('%'), std::string::npos) << r;
  }
}

TEST(IdlePicture, SlotsAreFilledAndLargePicturesStandAlone) {
  int large = 0;
  for (int i = 0; i < kv::kIdlePictures; ++i) {
    char out[1024];
    kv::FillPicture(i, "一行目%s", "二行目", out, sizeof out);
    std::string s = out;
    if (kv::PictureLength(i) >= 250) {
      ++large;
      continue;
    }
    size_t a = s.find("一行目%s"), b = s.find("二行目");
    ASSERT_NE(a, std::string::npos) << i;
    ASSERT_NE(b, std::string::npos) << i;
    EXPECT_LT(a, b);
    EXPECT_NE(s.find("\r\n", a), std::string::npos) << "the remarks stand on two lines";
    EXPECT_LT(s.find("\r\n", a), b);
  }
  EXPECT_GE(large, 1);
  char tiny[10];
  kv::FillPicture(0, "x", "y", tiny, sizeof tiny);
  EXPECT_LT(strlen(tiny), sizeof tiny);
}

TEST(IdleMessageRefresh, AtMostEvery800Milliseconds) {
  kv::IdleMessage m{};
  g_next = 3;
  EXPECT_TRUE(kv::RefreshIdleMessage(m, 1000, {1, 1, 0}, Fixed));
  std::string shown = m.text;
  EXPECT_FALSE(kv::RefreshIdleMessage(m, 1500, {1, 1, 0}, Fixed));
  EXPECT_FALSE(kv::RefreshIdleMessage(m, 1800, {1, 1, 0}, Fixed));
  EXPECT_EQ(shown, m.text);
  EXPECT_TRUE(kv::RefreshIdleMessage(m, 1900, {1, 1, 0}, Fixed));
}

}  // namespace
