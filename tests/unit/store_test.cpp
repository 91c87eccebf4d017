#include "core/store.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/eventlog.h"

namespace {

std::vector<std::string>* g_lines;

void Capture(const kv::EventEntry& e) {
  if (g_lines) g_lines->emplace_back(e.text, e.length);
}

// Collects the event log for one test.
class StoreTest : public testing::Test {
 protected:
  void SetUp() override {
    g_lines = &lines;
    previous = kv::SetEventSink(Capture);
  }
  void TearDown() override {
    kv::SetEventSink(previous);
    g_lines = nullptr;
  }
  std::vector<std::string> lines;
  kv::EventSink previous = nullptr;
};

// A thread log in Shift_JIS with varied posts; compresses to about a third.
std::string ThreadLog(size_t size, unsigned seed = 1) {
  std::mt19937 engine(seed);
  auto rng = [&engine] { return static_cast<unsigned>(engine()); };
  const char* words[] = {"ソフトウェア", "表示", "予定", "です", "かな", "www", "ｷﾀ━", "&gt;&gt;", "今日", "動作",
                         "確認", "ライブラリ", "ok", "ダメ", "設定", "能"};
  std::string log;
  for (int n = 1; log.size() < size; ++n) {
    char head[160];
    snprintf(head, sizeof head, "名無しさん%u<>sage<>2024/01/%02d(火) %02d:%02u:%02u.%02u ID:%08X<> ", rng() % 100,
             n % 28 + 1, n % 24, rng() % 60, rng() % 60, rng() % 100, rng());
    log += head;
    for (int w = 0, count = 4 + static_cast<int>(rng() % 20); w < count; ++w) {
      log += words[rng() % 16];
      if (rng() % 5 == 0) log += " <br> ";
      log += std::to_string(rng() % 1000);
    }
    log += " <>\n";
  }
  log.resize(size);
  return log;
}

std::string Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, 0);
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string Zlib(const std::string& data, int level) {
  uLongf n = compressBound(data.size());
  std::string out(n, 0);
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(&out[0]), &n, reinterpret_cast<const Bytef*>(data.data()),
                      data.size(), level),
            Z_OK);
  out.resize(n);
  return out;
}

std::string Pack(const std::string& data, int level = 6, bool allowed = true) {
  kv::StoreBuffer out;
  EXPECT_TRUE(kv::PackForStore(data.data(), data.size(), level, allowed, &out));
  return out.data ? std::string(out.data.get(), out.length) : std::string();
}

std::string Expand(const std::string& file, size_t* spareZeros = nullptr) {
  kv::StoreBuffer out;
  EXPECT_TRUE(kv::ExpandContainer(file.data(), file.size(), &out));
  if (spareZeros) {
    size_t z = 0;
    while (z < 1024 && out.data[out.length + z] == 0) ++z;
    *spareZeros = z;
  }
  return std::string(out.data.get(), out.length);
}

TEST_F(StoreTest, ContainerIsLaidOutByteForByte) {
  std::string log = ThreadLog(10000);
  std::string file = Pack(log);
  std::string body = Zlib(log, 6);
  ASSERT_EQ(file.size(), 16 + body.size());
  const unsigned char header[16] = {0x1F, 0x8B, 0x08, 0x04, 0, 0, 0, 0, 0, 0, 4, 0, 0x10, 0x27, 0, 0};  // 10000
  EXPECT_EQ(memcmp(file.data(), header, 16), 0);
  EXPECT_EQ(file.substr(16), body) << "the body is compress2's stream at the level given";
  int ratio = static_cast<int>(body.size() * 100 / 10000);
  EXPECT_GT(ratio, 20);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "圧縮 10000 -> " + std::to_string(body.size()) + " bytes " + std::to_string(ratio) + "%");
  uint32_t stored = 0;
  ASSERT_TRUE(kv::ContainerStoredLength(file.data(), file.size(), &stored));
  EXPECT_EQ(stored, 10000u);

  size_t zeros = 0;
  EXPECT_EQ(Expand(file, &zeros), log);
  EXPECT_EQ(zeros, 1024u);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "解凍 " + std::to_string(file.size()) + " -> 10000 bytes " +
                          std::to_string(10000 * 100 / file.size()) + "%");
}

TEST_F(StoreTest, WhenDataIsKeptPlain) {
  std::string log = ThreadLog(20000);
  EXPECT_EQ(Pack(log, 0), "") << "level 0";
  EXPECT_EQ(Pack(log, 6, false), "") << "compression not allowed";
  EXPECT_EQ(Pack(ThreadLog(8192)), "") << "8192 bytes or less";
  EXPECT_TRUE(lines.empty()) << "no zlib work, no log line";
  EXPECT_GT(Pack(ThreadLog(8193)).size(), 16u) << "one byte more is compressed";
  EXPECT_EQ(Pack(std::string(), 6), "");
}

TEST_F(StoreTest, RatioOfTwentyPercentOrLessIsRefused) {
  // Random bytes followed by zeros: the compressed share follows the random
  // share, so some length gives exactly 20% and another 21%.
  const size_t total = 20000;
  int found = 0;
  for (size_t random = 3500; random < 4600 && found != 3; random += 5) {
    std::string data = Random(random, 7) + std::string(total - random, '\0');
    data[0] = 'x';  // not null data
    size_t packed = Zlib(data, 6).size();
    int ratio = static_cast<int>(packed * 100 / total);
    if (ratio != 20 && ratio != 21) continue;
    lines.clear();
    std::string file = Pack(data);
    if (ratio == 20) {
      found |= 1;
      EXPECT_EQ(file, "");
      ASSERT_EQ(lines.size(), 2u);
      EXPECT_EQ(lines[0], "圧縮 20000 -> " + std::to_string(packed) + " bytes 20%");
      EXPECT_EQ(lines[1], "ﾃﾞｰﾀ不正?");
    } else {
      found |= 2;
      EXPECT_EQ(file.size(), packed + 16);
      EXPECT_EQ(Expand(file), data);
    }
  }
  EXPECT_EQ(found, 3) << "both sides of the boundary were met";
  lines.clear();
  EXPECT_EQ(Pack(std::string(30000, 'a')), "");
  EXPECT_EQ(lines.back(), "ﾃﾞｰﾀ不正?");
}

TEST_F(StoreTest, DataThatWouldNotShrinkIsKeptPlainWithTheZlibError) {
  std::string noise = Random(10000, 3);
  EXPECT_EQ(Pack(noise), "");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("圧縮 err=-5, destlen=", 0), 0u) << lines[0];
  lines.clear();
  EXPECT_EQ(Pack(ThreadLog(10000), 42), "") << "a level zlib refuses";
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("圧縮 err=-2, destlen=", 0), 0u) << lines[0];
}

TEST_F(StoreTest, NullDataIsRecognised) {
  std::string zeros(15, '\0');
  EXPECT_TRUE(kv::IsNullData(zeros.data(), 15));
  EXPECT_FALSE(kv::IsNullData(zeros.data(), 14));
  EXPECT_FALSE(kv::IsNullData("x\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
  EXPECT_FALSE(kv::IsNullData(nullptr, 0));
}

TEST_F(StoreTest, HeaderCheckOfTheCache) {
  std::string file = Pack(ThreadLog(9000));
  uint32_t stored = 0;
  EXPECT_TRUE(kv::ContainerStoredLength(file.data(), 16, &stored));
  EXPECT_EQ(stored, 9000u);
  EXPECT_FALSE(kv::ContainerStoredLength(file.data(), 15, &stored)) << "shorter than a header";
  std::string noExtra = file;
  noExtra[3] = 0;
  EXPECT_FALSE(kv::ContainerStoredLength(noExtra.data(), 16, &stored));
  std::string otherExtra = file;
  otherExtra[10] = 6;
  EXPECT_FALSE(kv::ContainerStoredLength(otherExtra.data(), 16, &stored));
  EXPECT_FALSE(kv::ContainerStoredLength("plain text log..", 16, &stored));
  EXPECT_TRUE(kv::IsContainer("\x1F\x8B", 2));
  EXPECT_FALSE(kv::IsContainer("\x1F", 1));
}

TEST_F(StoreTest, DamagedContainersReadAsTheErrorLog) {
  const std::string error =
      "DATA ERROR<><>DATA ERROR<>DATA ERROR\r\nDATA ERROR\r\nDATA ERROR\r\nDATA ERROR\r\n\r\n\r\n<>";
  ASSERT_EQ(error.size(), 80u);
  std::string file = Pack(ThreadLog(12000));
  std::string damaged = file;
  for (size_t i = 40; i < 80; ++i) damaged[i] ^= 0x55;
  std::string truncated = file.substr(0, file.size() / 2);
  std::string checksum = file;
  checksum.back() ^= 1;
  // A container made elsewhere that expands past five times its size.
  std::string big(200000, 'z');
  std::string foreign = file.substr(0, 16) + Zlib(big, 9);
  for (const std::string* bad : {&damaged, &truncated, &checksum, &foreign}) {
    lines.clear();
    size_t zeros = 0;
    EXPECT_EQ(Expand(*bad, &zeros), error);
    EXPECT_EQ(zeros, 1024u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("解凍 err=-", 0), 0u) << lines[0];
  }
  for (const char* tiny : {"\x1F\x8B", "\x1F\x8B\x08\x04\0\0\0\0\0\0\x04\0\0\0\0\0"}) {
    size_t n = tiny[2] ? 16 : 2;
    EXPECT_EQ(Expand(std::string(tiny, n)), error);
  }
}

}  // namespace
