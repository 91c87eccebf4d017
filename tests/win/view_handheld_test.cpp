// edition: handheld
// The thread view of the handheld build, whose text goes through the wide
// interfaces: header colours, both wrap rules with per-byte extents taken
// from the wide call, the narrow layout, and a screenshot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/edition_win.h"
#include "reader/view_win.h"
#include "tests/win/net_test_util.h"
#include "tests/win/view_test_util.h"

using kvtest::Canvas;
using kvtest::PaintInto;
using kvtest::Record;

namespace {

class HandheldView : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = kv::g_settings;
    kvtest::LoopbackSettings(logs_.path());
    kvtest::UseEventLogIn(logs_.path());
    kvtest::ViewTestColours();
    kv::ClearAllLineCaches();
    parent_ = kvtest::MakeParent(400, 400);
    window_ = kv::FindOrCreateThreadWindow(parent_, "http://127.0.0.1:1/h/dat/1200000000.dat");
    ASSERT_NE(window_, nullptr);
    view_ = kv::ViewStateOf(window_);
    ASSERT_NE(view_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window_);
    DestroyWindow(parent_);
    kv::g_settings = saved_;
  }
  void Load(const std::string& log) {
    ASSERT_TRUE(kv::LoadThreadFromMemory(*view_, window_, log.data(), log.size(), ""));
  }
  const kv::HitRegion* RegionOn(int32_t line, int32_t kind) const {
    for (const kv::HitRegion& r : view_->hitRegions)
      if (r.line == line && r.kind == kind) return &r;
    return nullptr;
  }

  kvtest::TempFolder logs_;
  kv::Settings saved_;
  HWND parent_ = nullptr, window_ = nullptr;
  kv::ThreadViewState* view_ = nullptr;
};

TEST_F(HandheldView, ColumnsAndTheNarrowRule) {
  Load(Record("名無し", "", "2006/01/01 ID:a", "本文") + Record("名無し", "sage", "2006/01/01 ID:b", "二"));
  const kv::Settings& s = kv::g_settings;
  const int scale = kv::DisplayScale();
  view_->readMark = 1;
  for (int width : {320 * scale - 1, 320 * scale}) {
    Canvas c(width, 300);
    PaintInto(*view_, window_, c);
    const int lh = view_->lineSize.cy;
    const kv::HitRegion* h1 = RegionOn(1, 0);
    const kv::HitRegion* b1 = RegionOn(2, 1);
    const kv::HitRegion* h2 = RegionOn(4, 0);
    ASSERT_TRUE(h1 && b1 && h2);
    bool narrow = width < 320 * scale;
    EXPECT_EQ(b1->top, narrow ? 2 * (lh + 1) : lh + 1) << width;
    EXPECT_GT(c.Count(s.ColorNum, 0, h1->top, width, h1->bottom), 0);
    EXPECT_GT(c.Count(s.ColorNme, 0, h1->top, width, h1->bottom), 0);
    EXPECT_GT(c.Count(s.ColorNew, 0, h2->top, width, h2->bottom), 0);
    EXPECT_GT(c.Count(s.ColorNlk, 0, h2->top, width, h2->bottom), 0);
    EXPECT_EQ(c.Count(s.ColorTim, 0, h1->top, width, h1->bottom) > 0, !narrow);
    EXPECT_EQ(c.Count(0x123456, 0, 0, width, 300), 0);
  }
}

TEST_F(HandheldView, OwnWrapKeepsCharactersWhole) {
  std::string line;
  while (line.size() + 4 <= 236) line += "あい";
  line += "あx";  // 239 bytes: the view's own wrap
  ASSERT_EQ(line.size(), 239u);
  Load(Record("名無し", "", "d", line) + Record("名無し", "", "d", line + "y"));
  Canvas c(240, 1500);
  PaintInto(*view_, window_, c);
  const int lh = view_->lineSize.cy;
  const kv::HitRegion* own = RegionOn(2, 1);
  const kv::HitRegion* system = RegionOn(5, 1);
  ASSERT_TRUE(own && system);
  EXPECT_EQ((own->bottom - own->top) % lh, 0) << own->top << " " << own->bottom << " " << lh << " " << own->right
                                              << " sys " << system->top << " " << system->bottom;
  EXPECT_GT(own->bottom - own->top, 3 * lh);
  EXPECT_EQ((system->bottom - system->top) % (lh - 1), 0);
  // Rows never run past the box: each holds whole characters that fit.
  EXPECT_EQ(c.Count(0x000000, 236, 0, 240, 1500), 0);
}

TEST_F(HandheldView, ScreenshotOfARealLookingThread) {
  Load(kvtest::RealLookingThread());
  view_->readMark = 10;
  Canvas c(240, 320);
  PaintInto(*view_, window_, c);
  EXPECT_GE(kvtest::Regions(*view_).size(), 10u);
  EXPECT_GT(c.Count(kv::g_settings.ColorNew, 0, 0, 240, 320), 0);
  if (const char* dir = getenv("KV_SHOT_DIR")) {
    EXPECT_TRUE(c.SaveBmp(std::string(dir) + "\\view_handheld.bmp"));
  }
}

}  // namespace
