// The container: layout, when it is used, and reading it back.
#include "core/store.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/eventlog.h"

namespace {

std::vector<std::string> g_log;
void Capture(const kv::EventEntry& e) { g_log.emplace_back(e.text, e.length); }

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    previous_ = kv::SetEventSink(Capture);
  }
  void TearDown() override { kv::SetEventSink(previous_); }
  kv::EventSink previous_;
};

// A thread log that compresses to about a third: varied names, dates, bodies.
std::string RealisticLog(size_t size) {
  std::string s;
  unsigned seed = 7;
  const char* words[] = {"名無しさん", "age", "sage", "テスト", "ｷﾀ━", "本文", ">>1", "http://x/", "ID:", "乙"};
  int n = 1;
  while (s.size() < size) {
    seed = seed * 1103515245 + 12345;
    s += words[(seed >> 16) % 10];
    s += "<>";
    s += words[(seed >> 20) % 10];
    s += "<>2026/12/08 " + std::to_string(seed % 100000) + " ID:" + std::to_string(seed) + "<> ";
    for (unsigned i = 0; i < 1 + (seed >> 24) % 6; ++i) s += words[(seed >> (i + 3)) % 10] + std::to_string(n * i);
    s += " <>\n";
    ++n;
  }
  s.resize(size);
  return s;
}

TEST_F(StoreTest, ContainerLayoutAndRoundTrip) {
  std::string log = RealisticLog(10000);
  kv::StoreBytes plan;
  kv::PlanStoreBytes(log.data(), log.size(), 6, true, &plan);
  ASSERT_NE(plan.owned, nullptr);
  const auto* b = reinterpret_cast<const unsigned char*>(plan.data);
  const unsigned char head[12] = {0x1F, 0x8B, 0x08, 0x04, 0, 0, 0, 0, 0, 0, 4, 0};
  EXPECT_EQ(memcmp(b, head, 12), 0);
  EXPECT_EQ(b[12] | b[13] << 8 | b[14] << 16 | b[15] << 24, 10000);
  // The body is exactly zlib's own compress2 at the same level.
  std::vector<Bytef> z(compressBound(log.size()));
  uLongf zn = z.size();
  ASSERT_EQ(compress2(z.data(), &zn, reinterpret_cast<const Bytef*>(log.data()), log.size(), 6), Z_OK);
  ASSERT_EQ(plan.length, zn + 16);
  EXPECT_EQ(memcmp(plan.data + 16, z.data(), zn), 0);
  uint32_t stored = 0;
  EXPECT_TRUE(kv::ContainerStoredLength(plan.data, plan.length, &stored));
  EXPECT_EQ(stored, 10000u);

  std::vector<char> out(5 * plan.length + 2048, 0);
  size_t expanded = 0;
  EXPECT_EQ(kv::ExpandContainer(plan.data, plan.length, out.data(), 5 * plan.length + 1024, &expanded), Z_OK);
  EXPECT_EQ(std::string(out.data(), expanded), log);
  ASSERT_FALSE(g_log.empty());
  EXPECT_EQ(g_log[0].rfind("圧縮 10000 -> ", 0), 0u) << g_log[0];
}

TEST_F(StoreTest, WhenDataStaysPlain) {
  std::string log = RealisticLog(8192);
  kv::StoreBytes plan;
  kv::PlanStoreBytes(log.data(), log.size(), 6, true, &plan);
  EXPECT_EQ(plan.owned, nullptr) << "8192 bytes are never compressed";
  EXPECT_TRUE(g_log.empty());
  log = RealisticLog(8193);
  kv::StoreBytes off, notAllowed;
  kv::PlanStoreBytes(log.data(), log.size(), 0, true, &off);
  kv::PlanStoreBytes(log.data(), log.size(), 6, false, &notAllowed);
  EXPECT_EQ(off.owned, nullptr);
  EXPECT_EQ(notAllowed.owned, nullptr);
  kv::StoreBytes on;
  kv::PlanStoreBytes(log.data(), log.size(), 6, true, &on);
  EXPECT_NE(on.owned, nullptr);
}

TEST_F(StoreTest, TooGoodARatioIsRefused) {
  std::string filler(20000, 'x');
  kv::StoreBytes plan;
  kv::PlanStoreBytes(filler.data(), filler.size(), 6, true, &plan);
  EXPECT_EQ(plan.owned, nullptr);
  EXPECT_EQ(plan.length, filler.size());
  ASSERT_EQ(g_log.size(), 2u);
  EXPECT_EQ(g_log[1], "ﾃﾞｰﾀ不正?");
}

TEST_F(StoreTest, IncompressibleDataIsStoredPlain) {
  std::string noise(9000, 0);
  unsigned x = 1;
  for (char& c : noise) c = static_cast<char>((x = x * 1664525 + 1013904223) >> 24);
  noise[0] = 1;
  kv::StoreBytes plan;
  kv::PlanStoreBytes(noise.data(), noise.size(), 9, true, &plan);
  EXPECT_EQ(plan.owned, nullptr);
  ASSERT_EQ(g_log.size(), 1u);
  EXPECT_EQ(g_log[0].rfind("圧縮 err=-5, destlen=", 0), 0u) << g_log[0];
}

TEST_F(StoreTest, BrokenContainersAreErrors) {
  std::string log = RealisticLog(10000);
  kv::StoreBytes plan;
  kv::PlanStoreBytes(log.data(), log.size(), 6, true, &plan);
  std::string damaged(plan.data, plan.length);
  damaged[40] ^= 0x55;
  std::vector<char> out(5 * damaged.size() + 2048);
  size_t n = 0;
  EXPECT_NE(kv::ExpandContainer(damaged.data(), damaged.size(), out.data(), 5 * damaged.size() + 1024, &n), Z_OK);
  EXPECT_NE(kv::ExpandContainer("\x1F\x8B\x08\x04", 4, out.data(), 1024, &n), Z_OK) << "header cut short";
  EXPECT_EQ(strlen(kv::kDataErrorLog), kv::kDataErrorLength);
}

TEST(NullData, FifteenBytesStartingWithZero) {
  std::string z(15, 0);
  EXPECT_TRUE(kv::IsNullData(z.data(), 15));
  EXPECT_FALSE(kv::IsNullData(z.data(), 14));
  z[0] = 'a';
  EXPECT_FALSE(kv::IsNullData(z.data(), 15));
}

}  // namespace
