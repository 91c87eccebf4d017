// The file store and the local store on real files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/file_win.h"
#include "core/store.h"
#include "core/store_win.h"
#include "core/text.h"
#include "tests/win/win_test_util.h"

using kvtest::ReadFileBytes;
using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

// A thread log that compresses to about a third, as real ones do: fixed
// names and dates around bodies of varied text.
std::string Log(size_t size) {
  std::string s;
  unsigned x = 3;
  int n = 1;
  while (s.size() < size) {
    x = x * 1103515245 + 12345;
    s += "名無しさん<>sage<>2026/12/08 12:" + std::to_string(x % 60) + " ID:" + std::to_string(x >> 8) + "<> ";
    for (int i = 0; i < 12; ++i) {
      x = x * 1103515245 + 12345;
      s += static_cast<char>(0x88 + (x >> 16) % 8);
      s += static_cast<char>(0x40 + (x >> 20) % 60);
    }
    s += " >>" + std::to_string(n++) + " <>\n";
  }
  s.resize(size);
  return s;
}

class StoreFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::UseEventLogIn(dir.path());
    kv::SetSettingsDefaults(kv::g_settings, {dir.path().c_str(), 1024, 768});
    kv::FormatText(kv::g_settings.ChFolder, sizeof kv::g_settings.ChFolder, "%slog\\", dir.path().c_str());
    kv::g_settings.ZipPack = 6;
  }
  std::string Loaded(const std::string& path) {
    kv::FileBuffer b;
    if (!kv::LoadFile(path.c_str(), &b)) return "<failed>";
    // The spare room after the data is zero-filled.
    for (size_t i = 0; i < 1024; ++i)
      if (b.data[b.size + i] != 0) return "<spare not zero>";
    return std::string(b.data, b.size);
  }
  std::string EventLog() { return ReadFileBytes(dir.file("Kvel.log")); }
  TempFolder dir;
};

TEST_F(StoreFiles, ContainerRoundTripByteForByte) {
  std::string log = Log(10000), path = dir.file("1.dat");
  ASSERT_EQ(kv::StoreFile(path.c_str(), log.data(), log.size(), true), 1);
  std::string onDisk = ReadFileBytes(path);
  ASSERT_LT(onDisk.size(), log.size());
  EXPECT_EQ(onDisk.substr(0, 4), "\x1F\x8B\x08\x04");
  EXPECT_TRUE(Loaded(path) == log);
  EXPECT_NE(EventLog().find(" i 解凍 " + std::to_string(onDisk.size()) + " -> 10000 bytes "), std::string::npos);
  // With compression off, stored containers still read.
  kv::g_settings.ZipPack = 0;
  EXPECT_TRUE(Loaded(path) == log);
  ASSERT_EQ(kv::StoreFile(path.c_str(), log.data(), log.size(), true), 1);
  EXPECT_TRUE(ReadFileBytes(path) == log);
}

TEST_F(StoreFiles, BoundariesAndRefusals) {
  std::string path = dir.file("x.dat");
  std::string small = Log(8192);
  ASSERT_EQ(kv::StoreFile(path.c_str(), small.data(), small.size(), true), 1);
  EXPECT_TRUE(ReadFileBytes(path) == small) << "8192 bytes stay plain";
  std::string filler(30000, 'z');
  ASSERT_EQ(kv::StoreFile(path.c_str(), filler.data(), filler.size(), true), 1);
  EXPECT_TRUE(ReadFileBytes(path) == filler) << "20 % or less is refused";
  EXPECT_NE(EventLog().find(" i ﾃﾞｰﾀ不正?\r\n"), std::string::npos);
  std::string text = Log(20000);
  ASSERT_EQ(kv::StoreFile(path.c_str(), text.data(), text.size(), false), 1);
  EXPECT_TRUE(ReadFileBytes(path) == text) << "text lists are never compressed";

  std::string nul(15, 0);
  EXPECT_EQ(kv::StoreFile(path.c_str(), nul.data(), 15, false), 0);
  EXPECT_TRUE(ReadFileBytes(path) == text) << "null data leaves the file alone";
  EXPECT_NE(EventLog().find(" i nullﾃﾞｰﾀ\r\n"), std::string::npos);
  EXPECT_EQ(kv::StoreFile(path.c_str(), nul.data(), 14, false), 1);
  EXPECT_EQ(ReadFileBytes(path), std::string(14, 0));
}

TEST_F(StoreFiles, ZeroLengthRules) {
  std::string path = dir.file("z.txt");
  ASSERT_TRUE(WriteFileBytes(path, "old"));
  EXPECT_EQ(kv::StoreFile(path.c_str(), "", 0, false), 1);
  EXPECT_TRUE(kvtest::FileExists(path));
  EXPECT_EQ(ReadFileBytes(path), "");
  ASSERT_TRUE(WriteFileBytes(path, "old"));
  EXPECT_EQ(kv::StoreFile(path.c_str(), "", 0, true), 0);
  EXPECT_FALSE(kvtest::FileExists(path)) << "an empty download removes the stored copy";
  kv::FileBuffer b;
  ASSERT_TRUE(WriteFileBytes(path, ""));
  EXPECT_FALSE(kv::LoadFile(path.c_str(), &b)) << "an empty file is no data";
  EXPECT_FALSE(kv::LoadFile(dir.file("missing").c_str(), &b));
}

TEST_F(StoreFiles, DamagedContainerReadsAsTheErrorLog) {
  std::string log = Log(10000), path = dir.file("d.dat");
  ASSERT_EQ(kv::StoreFile(path.c_str(), log.data(), log.size(), true), 1);
  std::string bytes = ReadFileBytes(path);
  bytes[bytes.size() / 2] ^= 0x5A;
  bytes[bytes.size() / 2 + 1] ^= 0x33;
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  EXPECT_EQ(Loaded(path).substr(0, 100), std::string(kv::kDataErrorLog, 80));
  EXPECT_NE(EventLog().find(" i 解凍 err="), std::string::npos);
  ASSERT_TRUE(WriteFileBytes(path, "\x1F\x8B\x08"));
  EXPECT_EQ(Loaded(path).substr(0, 100), std::string(kv::kDataErrorLog, 80)) << "a container cut inside its header";
}

TEST_F(StoreFiles, FailuresKeepTheOldFile) {
  std::string log = Log(10000), path = dir.file("keep.dat");
  ASSERT_EQ(kv::StoreFile(path.c_str(), log.data(), log.size(), true), 1);
  std::string before = ReadFileBytes(path);
  std::string next = Log(12000);
  // The disk fails while writing.
  kv::SetFileFaultForTest(kv::FileFault::Write, 1000);
  EXPECT_EQ(kv::StoreFile(path.c_str(), next.data(), next.size(), true), 0);
  kv::SetFileFaultForTest(kv::FileFault::None);
  EXPECT_TRUE(ReadFileBytes(path) == before);
  // Someone holds the file open without sharing.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(kv::StoreFile(path.c_str(), next.data(), next.size(), true), 0);
  CloseHandle(held);
  EXPECT_TRUE(ReadFileBytes(path) == before);
  // The folder is read-only (simulated: root under Wine ignores it) and the
  // final move fails.
  for (kv::FileFault f : {kv::FileFault::Create, kv::FileFault::Replace}) {
    kv::SetFileFaultForTest(f);
    EXPECT_EQ(kv::StoreFile(path.c_str(), next.data(), next.size(), true), 0);
    kv::SetFileFaultForTest(kv::FileFault::None);
    EXPECT_TRUE(ReadFileBytes(path) == before);
  }
  EXPECT_TRUE(Loaded(path) == log);
}

TEST_F(StoreFiles, LocalCopiesOfAddresses) {
  const char* address = "http://127.0.0.1:8080/demo/dat/1234567890.dat";
  EXPECT_FALSE(kv::IsCached(address));
  std::string log = Log(10000);
  ASSERT_TRUE(kv::SaveToCache(address, log.data(), log.size(), true));
  std::string path = dir.path() + "log\\127.0.0.1_8080\\demo\\dat\\1234567890.dat";
  EXPECT_TRUE(Loaded(path) == log);
  EXPECT_TRUE(kv::IsCached(address));
  EXPECT_TRUE(kv::IsCached(address, 10000)) << "a container's stored length counts";
  EXPECT_FALSE(kv::IsCached(address, 9999));
  ASSERT_TRUE(kv::SaveToCache(address, log.data(), 5000, true));
  EXPECT_TRUE(kv::IsCached(address, 5000)) << "a plain copy's file size counts";
  kv::g_settings.UseCache = 0;
  EXPECT_FALSE(kv::IsCached(address));
  EXPECT_FALSE(kv::SaveToCache(address, log.data(), log.size(), true));
}

TEST_F(StoreFiles, PrepareCreatesTheFolders) {
  char a[kv::kAddressMax] = "hhtm://example.com/news/today/";
  kv::PrepareLocalPath(a, nullptr);
  EXPECT_EQ(std::string(a), dir.path() + "log\\example.com\\news\\today\\index.htm");
  EXPECT_TRUE(kvtest::FileExists(dir.path() + "log\\example.com\\news\\today"));
  std::string target = dir.path() + "dl\\";
  CreateDirectoryA(target.c_str(), nullptr);
  char f[kv::kAddressMax] = "http://files.example/pub/a.zip";
  kv::PrepareLocalPath(f, target.c_str());
  EXPECT_EQ(std::string(f), target + "a.zip");
}

}  // namespace
