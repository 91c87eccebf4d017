// The reader over real files: a thread loaded from its local copy (plain or
// compressed), and the NG list kept in ngword.txt.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/store_win.h"
#include "core/text.h"
#include "reader/ngword_win.h"
#include "reader/thread_win.h"
#include "tests/win/win_test_util.h"

using kvtest::ReadFileBytes;
using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

const char kUrl[] = "http://host.example/board/dat/1136041200.dat";

class ReaderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = kv::g_settings;
    memcpy(savedFolder_, kv::g_programFolder, sizeof savedFolder_);
    kv::g_settings.UseCache = 1;
    kv::g_settings.ZipPack = 6;
    kv::g_settings.NgClearn = 0;
    kv::CopyText(kv::g_settings.ChFolder, (dir_.path() + "log\\").c_str());
    kv::CopyText(kv::g_programFolder, dir_.path().c_str());
    kvtest::UseEventLogIn(dir_.path());
    kv::LoadNgWords();
    view_.reset(new kv::ThreadViewState{});
    view_->title[0] = '?';
  }
  void TearDown() override {
    kv::FreeViewText(*view_);
    kv::FreeNgWords();
    kv::g_settings = saved_;
    memcpy(kv::g_programFolder, savedFolder_, sizeof savedFolder_);
  }
  std::string LocalPath() {
    char path[kv::kAddressMax];
    kv::CopyText(path, kUrl);
    EXPECT_TRUE(kv::LocalPathOf(path, kv::g_settings.ChFolder));
    return path;
  }
  // Posts with some noise in them, so that a long log compresses the way
  // real ones do (the store refuses a suspiciously good ratio).
  std::string Log(int posts) {
    std::string log;
    unsigned seed = 7;
    for (int i = 1; i <= posts; ++i) {
      std::string noise;
      for (int k = 0; k < 24; ++k) {
        seed = seed * 1103515245u + 12345u;
        noise += static_cast<char>('A' + (seed >> 16) % 58);
      }
      log += "名無しさん<>sage<>2006/01/01 00:00 ID:id" + std::to_string(i) + "<> 本文その" + std::to_string(i) +
             " <br> 二行目 " + noise + " <>\n";
    }
    return log;
  }
  std::string Text() const { return std::string(view_->text, static_cast<size_t>(view_->textLength)); }

  TempFolder dir_;
  kv::Settings saved_;
  char savedFolder_[260];
  std::unique_ptr<kv::ThreadViewState> view_;
};

TEST_F(ReaderFiles, LoadsPlainAndCompressedCopies) {
  std::string log = Log(300);  // above 8192 bytes: stored compressed
  ASSERT_GT(log.size(), 8192u);
  char path[kv::kAddressMax];
  kv::CopyText(path, kUrl);
  ASSERT_TRUE(kv::SaveToCache(path, log.data(), log.size(), true));
  std::string stored = ReadFileBytes(LocalPath());
  ASSERT_LT(stored.size(), log.size());  // the container, not the log

  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, false));
  EXPECT_EQ(view_->postCount, 301);
  EXPECT_NE(Text().find("\t300\t名無しさん\tsage\t2006/01/01 00:00 ID:id300\r\n本文その300\r\n二行目 "),
            std::string::npos);

  std::string small = Log(2);
  ASSERT_TRUE(WriteFileBytes(LocalPath(), small));
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, false));
  EXPECT_EQ(view_->postCount, 3);
}

TEST_F(ReaderFiles, MissingUnreadableAndMemory) {
  // No local copy: the view becomes empty.
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, true, Log(3).data(), Log(3).size()));
  EXPECT_EQ(view_->postCount, 4);
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, false));
  EXPECT_EQ(view_->postCount, 1);
  EXPECT_EQ(view_->lineCount, 0);

  // A copy that cannot be read (empty here) leaves the view as it was.
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, true, Log(3).data(), Log(3).size()));
  kv::CopyText(view_->title, "?");
  char path[kv::kAddressMax];
  kv::CopyText(path, kUrl);
  ASSERT_TRUE(kv::PrepareLocalPath(path, ""));
  ASSERT_TRUE(WriteFileBytes(path, ""));
  EXPECT_FALSE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, false));
  EXPECT_EQ(view_->postCount, 4);

  // With UseCache off there is no local copy.
  ASSERT_TRUE(WriteFileBytes(path, Log(5)));
  kv::g_settings.UseCache = 0;
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, false));
  EXPECT_EQ(view_->postCount, 1);
}

TEST_F(ReaderFiles, ScrollRangeAndPageTitleOnTheWindow) {
  HWND w = CreateWindowExA(0, "STATIC", "Kurovel", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 0, 0, 300, 300, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(w, nullptr);
  std::string log = Log(10);
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, w, kUrl, true, log.data(), log.size()));
  int lo = -1, hi = -1;
  GetScrollRange(w, SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, view_->lineCount - 4);
  const std::string page = "<html><title>ページの題</title><body>本文</body></html>";
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, w, "hhtm://host.example/", true, page.data(), page.size()));
  char caption[64];
  GetWindowTextA(w, caption, sizeof caption);
  EXPECT_STREQ(caption, "ページの題");
  // Below five lines the range is the whole count.
  std::string one = Log(1);
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, w, kUrl, true, one.data(), one.size()));
  ASSERT_EQ(view_->lineCount, 4);
  GetScrollRange(w, SB_VERT, &lo, &hi);
  EXPECT_EQ(hi, 4);
  DestroyWindow(w);
}

TEST_F(ReaderFiles, NgWordsFromTheProgramFolder) {
  std::string file = dir_.file("ngword.txt");
  ASSERT_TRUE(WriteFileBytes(file, "; comment\r\n3,あいう\r\n0,荒らし"));
  kv::LoadNgWords();
  ASSERT_EQ(kv::g_ngWords.count, 2);

  // A file not ending in CR LF gets one before the new line.
  ASSERT_TRUE(kv::AddNgWord('2', "abc"));
  EXPECT_EQ(ReadFileBytes(file), "; comment\r\n3,あいう\r\n0,荒らし\r\n2,abc\r\n");
  EXPECT_EQ(kv::g_ngWords.count, 3);

  // The list filters the thread view: NG stub, or nothing with NgClearn.
  std::string log = Log(3);
  log.replace(log.find("ID:id2"), 6, "ID:abc");
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, true, log.data(), log.size()));
  EXPECT_NE(Text().find("\t2\tNG\t\t2006/01/01 00:00 ID:abc\r\n\r\n\r\n"), std::string::npos);
  kv::g_settings.NgClearn = 1;
  ASSERT_TRUE(kv::LoadThreadIntoView(*view_, nullptr, kUrl, true, log.data(), log.size()));
  EXPECT_EQ(view_->postStart[2], view_->postStart[3]);
  EXPECT_EQ(view_->postCount, 4);

  // No file at all: the first line starts the file.
  kvtest::TempFolder other;
  kv::CopyText(kv::g_programFolder, other.path().c_str());
  ASSERT_TRUE(kv::AddNgWord('3', "本文"));
  EXPECT_EQ(ReadFileBytes(other.file("ngword.txt")), "3,本文\r\n");
  EXPECT_EQ(kv::g_ngWords.count, 1);
  EXPECT_FALSE(kv::AddNgWord('3', ""));
}

TEST_F(ReaderFiles, AnUnreadableNgFileIsNeverOverwritten) {
  std::string file = dir_.file("ngword.txt");
  ASSERT_TRUE(WriteFileBytes(file, "3,word\r\n"));
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(kv::AddNgWord('2', "abc"));
  CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(file), "3,word\r\n");
}

}  // namespace
