// The thread view under Wine: what a paint draws (colours sampled from the
// pixels, hit regions, the narrow layout, both wrap rules, the art modes,
// the empty cases), scrolling by every input, and opening, updating and
// closing a thread against the local board server.
// clang-format off
#include <windows.h>
#include <commctrl.h>  // after windows.h
// clang-format on
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "net/job.h"
#include "reader/thread.h"
#include "reader/thread_win.h"
#include "reader/view_win.h"
#include "tests/win/net_test_util.h"
#include "tests/win/view_test_util.h"
#include "ui/bars_win.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"

using kvtest::Canvas;
using kvtest::PaintInto;
using kvtest::Record;
using kvtest::Regions;

namespace {

const char kUrl[] = "http://127.0.0.1:1/test/dat/1136041200.dat";

class View : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = kv::g_settings;
    kvtest::LoopbackSettings(logs_.path());
    kvtest::UseEventLogIn(logs_.path());
    kvtest::ViewTestColours();
    kv::ClearAllLineCaches();
    parent_ = kvtest::MakeParent();
    window_ = kv::FindOrCreateThreadWindow(parent_, kUrl);
    ASSERT_NE(window_, nullptr);
    MoveWindow(window_, 0, 0, 800, 600, FALSE);
    view_ = kv::ViewStateOf(window_);
    ASSERT_NE(view_, nullptr);
  }
  void TearDown() override {
    kv::SetViewClock(nullptr);
    kv::SetThreadListLink(nullptr);
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    DestroyWindow(parent_);
    kv::g_settings = saved_;
  }
  void Load(const std::string& log) {
    ASSERT_TRUE(kv::LoadThreadFromMemory(*view_, window_, log.data(), log.size(), kUrl));
  }
  int lineHeight() const { return view_->lineSize.cy; }
  // The first region of a kind on line number `line`.
  const kv::HitRegion* RegionOn(int32_t line, int32_t kind) const {
    for (const kv::HitRegion& r : view_->hitRegions)
      if (r.line == line && r.kind == kind) return &r;
    return nullptr;
  }
  static int NumberWidth(const kv::HitRegion& header) { return header.right - 1028; }

  kvtest::TempFolder logs_;
  kv::Settings saved_;
  HWND parent_ = nullptr;
  HWND window_ = nullptr;
  kv::ThreadViewState* view_ = nullptr;
};

std::string TwoPosts() {
  return Record("名無しさん", "", "2006/01/01 00:00 ID:abc", " 本文です ", "テスト") +
         Record("名無しさん", "sage", "2006/01/01 00:01 ID:def", " 二つ目の書き込み ");
}

TEST_F(View, HeaderColumnsBodyAndRegions) {
  Load(TwoPosts());
  const kv::Settings& s = kv::g_settings;
  view_->readMark = 1;  // post 1 (line 1) read, post 2 (line 4) new
  Canvas c(800, 600);
  int32_t drawn = PaintInto(*view_, window_, c);
  EXPECT_EQ(drawn, 5) << "6 lines from topLine 0";
  const int lh = lineHeight();
  ASSERT_GT(lh, 8);
  std::vector<kv::HitRegion> regions = Regions(*view_);
  ASSERT_EQ(regions.size(), 6u);
  const int kinds[] = {0, 1, 1, 0, 1, 1};
  for (size_t i = 0; i < regions.size(); ++i) {
    EXPECT_EQ(regions[i].line, static_cast<int32_t>(i + 1));
    EXPECT_EQ(regions[i].kind, kinds[i]) << i;
    EXPECT_TRUE(regions[i].source >= view_->text && regions[i].source < view_->text + view_->textLength);
  }
  const kv::HitRegion& h1 = regions[0];
  EXPECT_EQ(h1.left, 4);
  EXPECT_EQ(h1.top, 0);
  EXPECT_EQ(h1.bottom, lh);
  EXPECT_GT(NumberWidth(h1), 0);
  EXPECT_EQ(regions[1].top, lh + 1) << "a header advances one line height + 1";
  EXPECT_EQ(regions[1].left, 4);
  EXPECT_EQ(regions[1].right, 800 - 4);
  EXPECT_EQ(std::string(regions[1].source, 4), "本文");
  EXPECT_EQ(std::string(regions[3].source, 2), "\t2");

  // Post 1: read number, no mail: the name in ColorNme and nothing in ColorNlk.
  int nw = NumberWidth(h1);
  EXPECT_GT(c.Count(s.ColorNum, 4, h1.top, 4 + nw, h1.bottom), 0);
  EXPECT_EQ(c.Count(s.ColorNew, 0, h1.top, 800, h1.bottom), 0);
  EXPECT_GT(c.Count(s.ColorNme, 4 + nw, h1.top, 800, h1.bottom), 0);
  EXPECT_EQ(c.Count(s.ColorNlk, 0, h1.top, 800, h1.bottom), 0);
  EXPECT_GT(c.Count(s.ColorTim, 4 + nw, h1.top, 800, h1.bottom), 0);
  // Its body in ColorTxt.
  EXPECT_GT(c.Count(s.ColorTxt, 0, regions[1].top, 800, regions[1].bottom), 0);
  EXPECT_EQ(c.Count(s.ColorTim, 0, regions[1].top, 800, regions[1].bottom), 0);

  // Post 2: new number, mail "sage": name and mail in ColorNlk.
  const kv::HitRegion& h2 = regions[3];
  int nw2 = NumberWidth(h2);
  EXPECT_GT(c.Count(s.ColorNew, 4, h2.top, 4 + nw2, h2.bottom), 0);
  EXPECT_EQ(c.Count(s.ColorNum, 0, h2.top, 800, h2.bottom), 0);
  EXPECT_GT(c.Count(s.ColorNlk, 4 + nw2, h2.top, 800, h2.bottom), 0);
  EXPECT_EQ(c.Count(s.ColorNme, 0, h2.top, 800, h2.bottom), 0);
  EXPECT_GT(c.Count(s.ColorTim, 4 + nw2, h2.top, 800, h2.bottom), 0);

  // Everything below the last line is the background; nothing of the
  // canvas's old colour is left anywhere.
  EXPECT_EQ(c.CountOther(s.ColorBak, 0, regions[5].bottom + 1, 800, 600), 0);
  EXPECT_EQ(c.Count(0x123456, 0, 0, 800, 600), 0);
  // The hit test finds the header from its left edge to far right.
  EXPECT_EQ(kv::HitTest(*view_, 4, 0)->line, 1);
  EXPECT_EQ(kv::HitTest(*view_, 3, 0), nullptr);
  EXPECT_EQ(kv::HitTest(*view_, 1000, lh - 1)->line, 1);
}

TEST_F(View, NarrowLayoutBelow320Pixels) {
  Load(TwoPosts());
  const kv::Settings& s = kv::g_settings;
  for (int width : {319, 320}) {
    Canvas c(width, 400);
    PaintInto(*view_, window_, c);
    const int lh = lineHeight();
    const kv::HitRegion* header = RegionOn(1, 0);
    const kv::HitRegion* body = RegionOn(2, 1);
    ASSERT_TRUE(header && body);
    if (width == 319) {
      EXPECT_EQ(body->top, 2 * (lh + 1)) << "the date takes a second row";
      EXPECT_EQ(c.Count(s.ColorTim, 0, 0, width, lh), 0);
      EXPECT_EQ(c.Count(s.ColorTim, 0, lh + 1, 80, 2 * lh + 1), 0) << "indented 80 pixels";
      EXPECT_GT(c.Count(s.ColorTim, 80, lh + 1, width, 2 * lh + 1), 0);
    } else {
      EXPECT_EQ(body->top, lh + 1);
      EXPECT_GT(c.Count(s.ColorTim, 0, 0, width, lh), 0);
    }
    EXPECT_EQ(c.Count(0x123456, 0, 0, width, 400), 0) << "the number's band covers both rows";
  }
}

// A body line of n bytes made of short words.
std::string Words(size_t n) {
  std::string s;
  while (s.size() + 7 <= n) s += "あいう ";
  while (s.size() < n) s += "x";
  return s;
}

TEST_F(View, OwnWrapBelow240BytesSystemLayoutFrom240) {
  ASSERT_EQ(Words(239).size(), 239u);
  ASSERT_EQ(Words(240).size(), 240u);
  Load(Record("名無し", "", "date", Words(239)) + Record("名無し", "", "date", Words(240)));
  Canvas c(300, 1200);
  PaintInto(*view_, window_, c);
  const int lh = lineHeight();
  const kv::HitRegion* own = RegionOn(2, 1);
  const kv::HitRegion* system = RegionOn(5, 1);
  ASSERT_TRUE(own && system);
  int ownHeight = own->bottom - own->top;
  int systemHeight = system->bottom - system->top;
  EXPECT_EQ(own->right, 300 - 4) << "the own wrap's region spans the box";
  EXPECT_GT(ownHeight, lh);
  EXPECT_EQ(ownHeight % lh, 0) << "rows of one line height each";
  EXPECT_LT(system->right, 300 - 4) << "the measured width of the word-broken text";
  EXPECT_GT(systemHeight, lh);
  EXPECT_EQ(systemHeight % (lh - 1), 0) << "rows of the font's height";
  // Both are drawn, and no row leaves the box.
  EXPECT_GT(c.Count(0x000000, 0, own->top, 300, own->bottom), 0);
  EXPECT_GT(c.Count(0x000000, 0, system->top, 300, system->bottom), 0);
  EXPECT_EQ(c.Count(0x000000, 296, 0, 300, 1200), 0);
}

TEST_F(View, ArtModesAndTheHorizontalScroll) {
  const std::string art = "　　　∧＿∧　　（´・ω・｀）　　　ショボーン　　　　　　　　　　　　　　　　おわり";
  const std::string plain = "ふつうの文章がとても長く続いていく一行で、箱の幅を大きく超えています。まだまだ続きます。";
  Load(Record("名無し", "", "date", art) + Record("名無し", "", "date", plain));
  const int width = 200;
  auto heights = [&](int mode, int* artHeight, int* plainHeight, int* artRight) {
    kv::g_settings.fAACheck = mode;
    Canvas c(width, 1200);
    PaintInto(*view_, window_, c);
    const kv::HitRegion* a = RegionOn(2, 1);
    const kv::HitRegion* p = RegionOn(5, 1);
    ASSERT_TRUE(a && p);
    *artHeight = a->bottom - a->top;
    *plainHeight = p->bottom - p->top;
    *artRight = a->right;
  };
  int a0, p0, r0, a1, p1, r1, a2, p2, r2;
  heights(0, &a0, &p0, &r0);
  heights(1, &a1, &p1, &r1);
  heights(2, &a2, &p2, &r2);
  const int lh = lineHeight();
  EXPECT_GT(a0, lh) << "mode 0 wraps even the art";
  EXPECT_GT(p0, lh);
  EXPECT_EQ(a1, lh - 1) << "mode 1: the art is one unwrapped run";
  EXPECT_GT(r1, width) << "measured in a 1024-pixel box";
  EXPECT_GT(p1, lh) << "mode 1 wraps ordinary text";
  EXPECT_EQ(a2, lh - 1);
  EXPECT_EQ(p2, lh - 1) << "mode 2 never wraps";

  // Mode 2: the right part of the line comes into view with the offset.
  kv::g_settings.fAACheck = 2;
  Canvas left(width, 200), shifted(width, 200);
  PaintInto(*view_, window_, left);
  view_->xOffset = -600;
  PaintInto(*view_, window_, shifted);
  const kv::HitRegion* p = RegionOn(5, 1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->left, 4 - 600);
  int top = p->top;
  EXPECT_GT(shifted.Count(0x000000, 0, top, width, top + lh), 0) << "text 600 pixels into the line";
  EXPECT_NE(left.Pixels(), shifted.Pixels());
}

TEST_F(View, LinkLinesInBlueAndPageBlockHeadersNotDrawn) {
  Load(Record("----", "", "}DATE ID:", "ページの文 <br> (http://127.0.0.1/a) <br> 続き") +
       Record("名無し", "", "2006/01/01", "本文"));
  Canvas c(800, 400);
  PaintInto(*view_, window_, c);
  std::vector<kv::HitRegion> regions = Regions(*view_);
  ASSERT_GE(regions.size(), 5u);
  EXPECT_EQ(regions[0].line, 2) << "no region for the page block's header";
  EXPECT_EQ(regions[0].kind, 1);
  EXPECT_EQ(regions[0].top, 0) << "nothing drawn for it: the body starts at the top";
  const kv::HitRegion* link = RegionOn(3, 1);
  ASSERT_TRUE(link);
  EXPECT_GT(c.Count(0xFF0000, 0, link->top, 800, link->bottom), 0);
  EXPECT_EQ(c.Count(0xFF0000, 0, regions[0].top, 800, regions[0].bottom), 0);
  EXPECT_NE(RegionOn(6, 0), nullptr) << "the following post's header is drawn";
}

TEST_F(View, EmptyViewsShowTheIdleMessageOrZeroKB) {
  const kv::Settings& s = kv::g_settings;
  static uint32_t now = 100000;
  kv::SetViewClock([] { return now; });
  ASSERT_EQ(view_->text, nullptr);
  Canvas a(800, 600), b(800, 600);
  EXPECT_EQ(PaintInto(*view_, window_, a), 0);
  EXPECT_GT(a.CountOther(s.ColorBak, 4, 4, 800, 600), 0) << "the idle message";
  EXPECT_EQ(a.Count(0x123456, 0, 0, 800, 600), 0);
  now += 500;
  PaintInto(*view_, window_, b);
  EXPECT_EQ(a.Pixels(), b.Pixels()) << "500 ms later: the same message";
  EXPECT_EQ(Regions(*view_).size(), 0u);

  Load("");  // no log: a text of 0 bytes
  ASSERT_NE(view_->text, nullptr);
  Canvas z(800, 600);
  EXPECT_EQ(PaintInto(*view_, window_, z), 0);
  EXPECT_GT(z.CountOther(s.ColorBak, 0, 0, 60, 30), 0) << "\" 0KB\"";
  EXPECT_EQ(z.CountOther(s.ColorBak, 0, 40, 800, 600), 0);
  // A rebuild in progress draws nothing at all.
  Load(TwoPosts());
  view_->building = 1;
  Canvas busy(200, 100);
  EXPECT_EQ(PaintInto(*view_, window_, busy), 0);
  EXPECT_EQ(busy.Count(0x123456, 0, 0, 200, 100), 200 * 100);
  view_->building = 0;
}

TEST_F(View, ViewTextOutOfRoomIsLoggedAndShown) {
  // 5000 broken records need more view text than there is room for.
  HWND status = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 20, parent_, nullptr, nullptr, nullptr);
  HWND saved = kv::g_bars.status;
  kv::g_bars.status = status;
  kvtest::EventCapture events;
  std::string log;
  for (int i = 0; i < 5000; ++i) log += "\x01\x01\n";
  Load(log);
  char text[200] = "";
  GetWindowTextA(status, text, sizeof text);
  EXPECT_NE(std::string(text).find(kv::kTextViewTextFull), std::string::npos) << text;
  EXPECT_TRUE(events.Has("view text full"));
  kv::g_bars.status = saved;
  DestroyWindow(status);
}

TEST_F(View, CursorRuleAndTheReturnValue) {
  Load(TwoPosts());
  kv::g_settings.lineColor = 0x00FF00;
  view_->cursorLine = 2;
  Canvas c(400, 300);
  PaintInto(*view_, window_, c);
  const kv::HitRegion* body = RegionOn(2, 1);
  ASSERT_TRUE(body);
  EXPECT_EQ(c.Count(0x00FF00, 0, body->bottom, 400, body->bottom + 1), 400) << "a rule under line 2";
  EXPECT_EQ(c.Count(0x00FF00, 0, 0, 400, body->bottom), 0);
  kv::g_settings.lineColor = kv::g_settings.ColorBak;
  Canvas d(400, 300);
  PaintInto(*view_, window_, d);
  EXPECT_EQ(d.Count(0x00FF00, 0, 0, 400, 300), 0);

  // From the middle: the paint counts from topLine.
  view_->topLine = 3;
  Canvas e(400, 300);
  EXPECT_EQ(PaintInto(*view_, window_, e), 2) << "lines 4..6";
  EXPECT_EQ(Regions(*view_)[0].line, 4);
  view_->topLine = 6;
  Canvas f(400, 300);
  EXPECT_EQ(PaintInto(*view_, window_, f), 1) << "nothing left: 1";
}

TEST_F(View, AHundredRegionsAtMost) {
  std::string log;
  for (int i = 1; i <= 60; ++i) log += Record("名無し", "", "d", "本文" + std::to_string(i));
  Load(log);
  Canvas c(400, 3000);
  int32_t drawn = PaintInto(*view_, window_, c);
  EXPECT_GT(drawn, 110);
  EXPECT_EQ(Regions(*view_).size(), 100u);
  EXPECT_EQ(view_->hitRegions[99].line, 100);
}

TEST_F(View, PaintMessageStoresVisibleLines) {
  std::string log;
  for (int i = 1; i <= 200; ++i) log += Record("名無し", "", "d", "本文" + std::to_string(i));
  Load(log);
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
  EXPECT_GT(view_->visibleLines, 20);
  int before = view_->visibleLines;
  MoveWindow(window_, 0, 0, 800, 300, TRUE);
  UpdateWindow(window_);
  EXPECT_LT(view_->visibleLines, before);
}

// With KV_SHOT_DIR set, a real-looking thread goes to a BMP there.
TEST_F(View, ScreenshotOfARealLookingThread) {
  Load(kvtest::RealLookingThread());
  view_->readMark = 10;  // posts from 4 on are new
  Canvas c(640, 480);
  PaintInto(*view_, window_, c);
  EXPECT_GE(Regions(*view_).size(), 20u);
  EXPECT_GT(c.Count(kv::g_settings.ColorNew, 0, 0, 640, 480), 0);
  EXPECT_GT(c.Count(kv::kLinkLineColor, 0, 0, 640, 480), 0);
  Canvas narrow(300, 480);
  PaintInto(*view_, window_, narrow);
  std::unique_ptr<kv::ThreadViewState> empty(new kv::ThreadViewState{});
  Canvas idle(640, 480);
  PaintInto(*empty, window_, idle);
  if (const char* dir = getenv("KV_SHOT_DIR")) {
    EXPECT_TRUE(idle.SaveBmp(std::string(dir) + "\\view_idle.bmp"));
    EXPECT_TRUE(c.SaveBmp(std::string(dir) + "\\view_desktop.bmp"));
    EXPECT_TRUE(narrow.SaveBmp(std::string(dir) + "\\view_desktop_narrow.bmp"));
  }
}

TEST_F(View, FocusMakesTheViewCurrent) {
  Load(TwoPosts());
  HWND savedCurrent = kv::g_panes.currentThread;
  kv::g_panes.currentThread = nullptr;
  SetFocus(window_);
  EXPECT_EQ(view_->focused, 1);
  EXPECT_EQ(kv::g_panes.currentThread, window_);
  SetFocus(parent_);
  EXPECT_EQ(view_->focused, 0);
  kv::g_panes.currentThread = savedCurrent;
}

// ---- scrolling -------------------------------------------------------------------

class ViewScroll : public View {
 protected:
  void SetUp() override {
    View::SetUp();
    std::string log;
    for (int i = 1; i <= 200; ++i) log += Record("名無し", "", "d", "本文" + std::to_string(i));
    Load(log);  // 600 lines
    MoveWindow(window_, 0, 0, 400, 300, FALSE);
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
  }
  int32_t Bar(int code, int position = 0) {
    SendMessage(window_, WM_VSCROLL, MAKEWPARAM(code, position), 0);
    return view_->topLine;
  }
  int32_t HBar(int code, int position = 0) {
    SendMessage(window_, WM_HSCROLL, MAKEWPARAM(code, position), 0);
    return view_->xOffset;
  }
  int32_t Key(int key) {
    SendMessage(window_, WM_KEYDOWN, key, 0);
    return view_->topLine;
  }
  static uint32_t now_;
};
uint32_t ViewScroll::now_ = 5000;

TEST_F(ViewScroll, ScrollBarRows) {
  ASSERT_EQ(view_->lineCount, 600);
  const int32_t vis = view_->visibleLines;
  ASSERT_GE(vis, 8);
  EXPECT_EQ(Bar(SB_LINEDOWN), 2);
  EXPECT_EQ(Bar(SB_LINEUP), 0);
  EXPECT_EQ(Bar(SB_LINEUP), 0);
  EXPECT_EQ(Bar(SB_PAGEDOWN), vis);
  EXPECT_EQ(Bar(SB_PAGEUP), 2);
  EXPECT_EQ(Bar(SB_BOTTOM), 599);
  EXPECT_EQ(Bar(SB_LINEDOWN), 599);
  EXPECT_EQ(Bar(SB_PAGEDOWN), 599);
  EXPECT_EQ(Bar(SB_TOP), 0);
  EXPECT_EQ(Bar(SB_THUMBTRACK, 123), 123);
  EXPECT_EQ(Bar(SB_THUMBPOSITION, 321), 321);
  EXPECT_EQ(GetScrollPos(window_, SB_VERT), 321);
  int lo = -1, hi = -1;
  GetScrollRange(window_, SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 596);
  EXPECT_EQ(view_->cursorLine, 0) << "scroll-bar moves leave the cursor rule";
}

TEST_F(ViewScroll, KeysAndWheel) {
  kv::SetViewClock([] { return now_; });
  view_->visibleLines = 0;
  Key(VK_NEXT);
  EXPECT_EQ(view_->topLine, 0) << "nothing below 2 visible lines";
  UpdateWindow(window_);
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
  const int32_t vis = view_->visibleLines;
  ASSERT_GE(vis, 8);
  EXPECT_EQ(Key(VK_NEXT), vis - 1);
  EXPECT_EQ(view_->cursorLine, vis - 1) << "key moves shift the cursor rule";
  EXPECT_EQ(Key(VK_SPACE), 2 * (vis - 1));
  EXPECT_EQ(Key(VK_PRIOR), 2 * (vis - 1) - (view_->visibleLines - 2));
  EXPECT_EQ(Key(VK_END), 596);
  EXPECT_EQ(Key(VK_HOME), 0);
  EXPECT_EQ(Key(VK_PRIOR), 0);
  // Down every 100 ms: 11 presses of 1 line, 10 of 2, then 4.
  int32_t moved[25];
  for (int i = 0; i < 25; ++i) {
    now_ += 100;
    int32_t before = view_->topLine;
    moved[i] = Key(VK_DOWN) - before;
  }
  for (int i = 0; i < 11; ++i) EXPECT_EQ(moved[i], 1) << i;
  for (int i = 11; i < 21; ++i) EXPECT_EQ(moved[i], 2) << i;
  for (int i = 21; i < 25; ++i) EXPECT_EQ(moved[i], 4) << i;
  EXPECT_EQ(view_->topLine, 11 + 20 + 16);
  now_ += 1000;
  EXPECT_EQ(Key(VK_UP), 46) << "a pause: one line again";
  EXPECT_EQ(GetScrollPos(window_, SB_VERT), 46);
  // Wheel: toward the user moves toward the end, 3 lines a notch.
  SendMessage(window_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(view_->topLine, 49);
  SendMessage(window_, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), 0);
  EXPECT_EQ(view_->topLine, 43);
  Key(VK_HOME);
  SendMessage(window_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(view_->topLine, 0);
}

TEST_F(ViewScroll, HorizontalBarAndKeys) {
  EXPECT_EQ(HBar(SB_LINELEFT), 0);
  EXPECT_EQ(HBar(SB_LINERIGHT), -64);
  EXPECT_EQ(HBar(SB_PAGERIGHT), -288);
  EXPECT_EQ(HBar(SB_PAGELEFT), -64);
  EXPECT_EQ(HBar(SB_RIGHT), -1023);
  EXPECT_EQ(HBar(SB_LINERIGHT), -1023);
  EXPECT_EQ(HBar(SB_PAGERIGHT), -1023);
  EXPECT_EQ(HBar(SB_LEFT), 0);
  EXPECT_EQ(HBar(SB_THUMBPOSITION, 300), -300);
  EXPECT_EQ(HBar(SB_THUMBTRACK, 2000), -1023);
  HBar(SB_LEFT);
  for (int i = 0; i < 16; ++i) Key(VK_RIGHT);
  EXPECT_EQ(view_->xOffset, -1024);
  Key(VK_RIGHT);
  EXPECT_EQ(view_->xOffset, -1024) << "further presses do nothing";
  Key(VK_LEFT);
  EXPECT_EQ(view_->xOffset, -960);
  EXPECT_EQ(view_->topLine, 0);
  // Left and Right as page keys.
  kv::g_settings.LRkeyPUD = 1;
  Key(VK_RIGHT);
  EXPECT_EQ(view_->xOffset, -960);
  EXPECT_EQ(view_->topLine, view_->visibleLines - 1);
  Key(VK_LEFT);
  EXPECT_EQ(view_->topLine, 1) << "PgUp: visibleLines - 2 back";
}

TEST_F(ViewScroll, KeyTableMovementResults) {
  kv::KeyBindings saved = kv::g_keys;
  kv::SetUpKeyTables(kv::g_keys, kv::g_settings);
  auto bind = [](int key, int command) {
    for (kv::KeyEntry& e : kv::g_keys.tables[kv::kKeysView])
      if (e.key == key) e.command = command;
  };
  bind('C', 52);  // <LINEDOWN>
  bind('V', 62);  // <END>
  bind('Y', 58);  // <CLICK>: nothing in the view
  EXPECT_EQ(Key('C'), 1);
  EXPECT_EQ(Key('V'), 596);
  EXPECT_EQ(Key('Y'), 596);
  kv::g_keys = saved;
}

// What reaches the main window from a view.
std::vector<std::pair<UINT, WPARAM>> g_mainMessages;
LRESULT CALLBACK RecorderProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_COMMAND || m == WM_RBUTTONUP) g_mainMessages.push_back({m, wp});
  return DefWindowProcW(w, m, wp, lp);
}

TEST_F(ViewScroll, KeysAndCommandsTheViewPassesOnToTheMainWindow) {
  WNDCLASSW c = {};
  c.lpfnWndProc = RecorderProc;
  c.hInstance = GetModuleHandleW(nullptr);
  c.lpszClassName = L"KvViewTestMain";
  RegisterClassW(&c);
  HWND main = CreateWindowW(L"KvViewTestMain", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                            c.hInstance, nullptr);
  HWND saved = kv::g_mainWindow;
  kv::g_mainWindow = main;
  g_mainMessages.clear();
  Key(VK_TAB);
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  SendMessage(window_, WM_COMMAND, 40099, 0);  // not the view's: sent on
  SendMessage(window_, WM_COMMAND, 40056, 0);  // the view's, wired to nothing yet
  SendMessage(window_, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessage(window_, WM_COMMAND, 40021, 0);  // no log to delete: the view just closes
  kvtest::PumpUntil([] { return g_mainMessages.size() >= 6; }, 2000);
  kv::g_mainWindow = saved;
  DestroyWindow(main);
  std::vector<std::pair<UINT, WPARAM>> expected = {{WM_COMMAND, 40099}, {WM_COMMAND, 40025}, {WM_COMMAND, 40012},
                                                   {WM_COMMAND, 40012}, {WM_RBUTTONUP, 0},   {WM_COMMAND, 40012}};
  // Sent messages arrive at once, posted ones with the pump.
  EXPECT_EQ(g_mainMessages, expected);
}

// ---- lifecycle against the board server ---------------------------------------------

struct ListRecord {
  std::string url, title;
  int32_t position = -2, count = -2;
  int32_t savedPosition = -1;
  int loaded = 0;
  std::string forgotten;
};
ListRecord g_list;

const kv::ThreadListLink kTestLink = {
    [](const char*) { return g_list.savedPosition; },
    [](const char* url, const char* title, int32_t position, int32_t count) {
      g_list.url = url;
      g_list.title = title;
      g_list.position = position;
      g_list.count = count;
    },
    [](const char*, char* title, size_t cap) { kv::CopyText(title, cap, "テストスレ"); },
    [](const char*) { ++g_list.loaded; },
    [](const char* data, size_t length, int32_t key, char* title, size_t cap) {
      std::string index(data, length), line = std::to_string(key) + ".dat<>";
      size_t at = index.find(line);
      if (at == std::string::npos) return false;
      at += line.size();
      size_t end = index.find_first_of("\r\n", at);
      std::string found = index.substr(at, end - at);
      size_t count = found.rfind(" (");
      kv::CopyText(title, cap, found.substr(0, count).c_str());
      return true;
    },
    [](const char* url) {
      g_list.forgotten = url;
      return true;
    },
    [](const char* url, const char* title) {
      g_list.url = url;
      g_list.title = title;
    },
};

class ViewLife : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new kvtest::BoardServer();
    ASSERT_TRUE(server_->running());
    server_->Board("/news/");
  }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override {
    saved_ = kv::g_settings;
    kvtest::LoopbackSettings(logs_.path());
    kvtest::UseEventLogIn(logs_.path());
    kvtest::ViewTestColours();
    kv::ClearAllLineCaches();
    server_->Reset();
    g_list = ListRecord{};
    kv::SetThreadListLink(&kTestLink);
    parent_ = kvtest::MakeParent();
    url_ = server_->url(kLog);
  }
  void TearDown() override {
    kv::SetThreadListLink(nullptr);
    for (int s = 1; s < kv::kThreadSlots; ++s)
      if (HWND w = kv::ThreadWindowInSlot(s)) DestroyWindow(w);
    if (kv::g_bars.status) DestroyWindow(kv::g_bars.status);
    kv::g_bars.status = nullptr;
    if (parent_) DestroyWindow(parent_);
    kv::g_settings = saved_;
  }
  // A local copy equal to the server's log of posts posts.
  void LocalCopy(int posts) {
    server_->Thread(kLog, posts);
    std::string log = server_->Get(kLog);
    ASSERT_FALSE(log.empty());
    ASSERT_TRUE(kv::SaveToCache(url_.c_str(), log.data(), log.size(), false));
  }
  HWND Open() {
    HWND w = kv::FindOrCreateThreadWindow(parent_, url_.c_str());
    EXPECT_NE(w, nullptr);
    if (!w) return nullptr;
    MoveWindow(w, 0, 0, 800, 600, FALSE);
    kv::CopyText(kv::g_settings.currentThreadUrl, url_.c_str());
    SendMessage(w, WM_COMMAND, 40008, 0);
    return w;
  }

  static constexpr const char* kLog = "/news/dat/1100000001.dat";
  static kvtest::BoardServer* server_;
  kvtest::TempFolder logs_;
  kv::Settings saved_;
  HWND parent_ = nullptr;
  std::string url_;
};
kvtest::BoardServer* ViewLife::server_;

TEST_F(ViewLife, OpeningShowsThePostAfterTheSavedPosition) {
  LocalCopy(30);
  g_list.savedPosition = 10;
  HWND w = Open();  // no status bar: nothing is downloaded
  kv::ThreadViewState* v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->postCount, 31);
  EXPECT_EQ(v->topLine, v->postLine[11]);
  EXPECT_EQ(v->readMark, v->postLine[30] + 1);
  EXPECT_EQ(v->cursorLine, v->topLine + 2);
  EXPECT_EQ(v->cacheKey, 1100000001);
  EXPECT_STREQ(v->title, "テストスレ");
  char caption[64];
  GetWindowTextA(w, caption, sizeof caption);
  EXPECT_STREQ(caption, "テストスレ");
  EXPECT_EQ(kv::g_settings.currentThreadUrl[0], 0) << "the pending URL is taken";
  EXPECT_EQ(kv::FindOrCreateThreadWindow(parent_, url_.c_str()), w) << "found by its URL";
  EXPECT_EQ(server_->Requests().size(), 0u);

  // Without a saved position: the last post at the top.
  g_list.savedPosition = -1;
  kv::CopyText(kv::g_settings.currentThreadUrl, url_.c_str());
  SendMessage(w, WM_COMMAND, 40008, 0);
  EXPECT_EQ(v->topLine, v->postLine[30]);
}

TEST_F(ViewLife, UpdateKeepsThePositionAndColoursOnlyTheNewPosts) {
  LocalCopy(30);
  server_->Append(kLog, 5);
  kv::CreateStatusBar(parent_, nullptr);
  ASSERT_TRUE(kv::g_bars.status);
  HWND w = Open();
  kv::ThreadViewState* v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->postCount, 31) << "the local copy first";
  const int32_t top = v->topLine;
  EXPECT_TRUE(kv::ThreadWindowDownloading(w) || v->job->state.load() == kv::kJobDone);
  ASSERT_TRUE(kvtest::PumpUntil([&] { return v->postCount == 36; }, 20000));
  EXPECT_EQ(v->topLine, top);
  EXPECT_GE(g_list.loaded, 1);
  std::vector<kvtest::BoardServer::Request> requests = server_->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_FALSE(requests.back().range.empty()) << "a differential request";

  Canvas c(800, 600);
  PaintInto(*v, w, c);
  int headers = 0;
  for (const kv::HitRegion& r : Regions(*v)) {
    if (r.kind != 0) continue;
    ++headers;
    int number = atoi(r.source + 1);
    int nw = r.right - 1028;
    bool fresh = number > 30;
    EXPECT_EQ(c.Count(kv::g_settings.ColorNew, 4, r.top, 4 + nw, r.bottom) > 0, fresh) << number;
    EXPECT_EQ(c.Count(kv::g_settings.ColorNum, 4, r.top, 4 + nw, r.bottom) > 0, !fresh) << number;
  }
  EXPECT_EQ(headers, 6) << "posts 30..35";

  // An update (40027) from here marks everything up to the top as read.
  server_->Append(kLog, 2);
  SendMessage(w, WM_COMMAND, 40027, 0);
  EXPECT_EQ(v->readMark, top + 1);
  ASSERT_TRUE(kvtest::PumpUntil([&] { return v->postCount == 38; }, 20000));
  EXPECT_EQ(v->topLine, top);
}

TEST_F(ViewLife, ClosingSavesTheReadPositionRule) {
  LocalCopy(30);
  HWND w = Open();
  kv::ThreadViewState* v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  v->topLine = v->postLine[12] + 1;  // inside post 12
  kv::CloseThreadWindow(w);
  EXPECT_EQ(kv::ThreadWindowSlot(w), -1) << "the slot is free at once";
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(g_list.position, -2) << "saved a second later";
  ASSERT_TRUE(kvtest::PumpUntil([&] { return !IsWindow(w); }, 5000));
  EXPECT_EQ(g_list.position, 12);
  EXPECT_EQ(g_list.count, 30);
  EXPECT_EQ(g_list.url, url_);
  EXPECT_EQ(g_list.title, "テストスレ");

  // At the header of post 13: 12 as well; reopening shows post 13 first.
  w = Open();
  v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  v->topLine = v->postLine[13];
  kv::CloseThreadWindow(w);
  ASSERT_TRUE(kvtest::PumpUntil([&] { return !IsWindow(w); }, 5000));
  EXPECT_EQ(g_list.position, 12);
  g_list.savedPosition = g_list.position;
  w = Open();
  v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->topLine, v->postLine[13]);

  // Destroyed with its parent before the second is up: still recorded.
  v->topLine = v->postLine[20] + 2;
  kv::CloseThreadWindow(w);
  DestroyWindow(parent_);
  parent_ = nullptr;
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(g_list.position, 20);
}

// The real main window: it docks slot 0, opens a thread into slot 1 with a
// tab, lays it over the docked view and closes it again.
TEST_F(ViewLife, InTheMainWindow) {
  LocalCopy(10);
  kv::g_settings.fOffLine = 1;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_COOL_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE savedInstance = kv::g_instance;
  kv::g_instance = GetModuleHandle(nullptr);
  HWND main = kv::CreateMainWindow(kv::g_instance);
  ASSERT_NE(main, nullptr);
  ShowWindow(main, SW_SHOWNA);
  kv::LayOut(main);
  HWND docked = kv::ThreadWindowInSlot(0);
  ASSERT_NE(docked, nullptr);
  EXPECT_EQ(kv::ThreadWindowSlot(docked), 0);
  EXPECT_EQ(kv::ViewStateOf(docked)->text, nullptr) << "the docked view waits with the idle message";

  kv::CopyText(kv::g_settings.currentThreadUrl, url_.c_str());
  kv::RunCommand(main, 40008, 0);
  HWND w = kv::ThreadWindowInSlot(1);
  ASSERT_NE(w, nullptr);
  kvtest::PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(kv::g_panes.currentThread, w);
  EXPECT_EQ(kv::ViewStateOf(w)->postCount, 11);
  RECT a, b;
  GetWindowRect(docked, &a);
  GetWindowRect(w, &b);
  EXPECT_TRUE(EqualRect(&a, &b)) << "laid out in the docked view's place";
  int tab = kv::TabIndexOf(w);
  ASSERT_GE(tab, 0);
  char text[64];
  kv::TabText(tab, text, sizeof text);
  EXPECT_STREQ(text, "テストスレ");

  kv::RunCommand(main, 40012, 0);
  EXPECT_EQ(kv::ThreadWindowInSlot(1), nullptr);
  EXPECT_LT(kv::TabIndexOf(w), 0);
  ASSERT_TRUE(kvtest::PumpUntil([&] { return !IsWindow(w); }, 5000));
  EXPECT_EQ(g_list.count, 10);
  DestroyWindow(main);
  MSG m;
  while (PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  EXPECT_EQ(kv::ThreadWindowInSlot(0), nullptr);
  kv::g_bars = kv::Bars{};
  kv::g_instance = savedInstance;
}

TEST_F(ViewLife, UnknownTitleIsLookedUpInTheBoardIndex) {
  LocalCopy(3);
  std::string log = server_->Get(kLog);
  std::string first = log.substr(0, log.find('\n'));
  std::string wanted = first.substr(first.rfind("<>") + 2);  // the title field of post 1
  ASSERT_FALSE(wanted.empty());
  const kv::ThreadListLink unknown = {kTestLink.readPositionOf,
                                      kTestLink.recordReadPosition,
                                      [](const char*, char* title, size_t cap) { kv::CopyText(title, cap, "?"); },
                                      kTestLink.markLoaded,
                                      kTestLink.titleInIndex,
                                      kTestLink.forget,
                                      kTestLink.titleFound};
  kv::SetThreadListLink(&unknown);
  HWND w = Open();
  kv::ThreadViewState* v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->title[0], '?');
  ASSERT_TRUE(kvtest::PumpUntil([&] { return v->title[0] != '?'; }, 20000));
  EXPECT_EQ(wanted, v->title);
  EXPECT_EQ(g_list.title, wanted) << "the title goes back to the list";
  char caption[260];
  GetWindowTextA(w, caption, sizeof caption);
  EXPECT_STREQ(caption, v->title);
  bool asked = false;
  for (const auto& r : server_->Requests()) asked = asked || r.url.find("/news/subject.txt") != std::string::npos;
  EXPECT_TRUE(asked);
}

TEST_F(ViewLife, FailedDeleteIsSaidAndKeepsTheThread) {
  LocalCopy(3);
  HWND w = Open();  // no status bar yet: nothing is downloaded
  kv::CreateStatusBar(parent_, nullptr);
  ASSERT_TRUE(kv::g_bars.status);
  char path[kv::kAddressMax];
  kv::CopyText(path, url_.c_str());
  ASSERT_TRUE(kv::LocalPathOf(path, kv::g_settings.ChFolder));
  // Another program holds the log open without sharing its deletion.
  HANDLE held = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread yes([] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !(box = FindWindowA("#32770", "削除していい？")); ++i) Sleep(20);
    if (box) PostMessageA(box, WM_COMMAND, IDYES, 0);
  });
  SendMessage(w, WM_COMMAND, 40021, 0);
  yes.join();
  CloseHandle(held);
  EXPECT_TRUE(kvtest::FileExists(path));
  EXPECT_EQ(g_list.forgotten, "") << "the lists keep the thread";
  char text[200] = "";
  GetWindowTextA(kv::g_bars.status, text, sizeof text);
  EXPECT_NE(std::string(text).find(kv::kTextDeleteFailed), std::string::npos) << text;
}

TEST_F(ViewLife, ChangedLogIsFetchedWholeAndSlotsRunOut) {
  // A post deleted on the server since the local copy: the update finds the
  // log changed, and the view fetches it whole once (40026).
  LocalCopy(5);
  server_->Abone(kLog, 2);
  server_->Append(kLog, 3);
  server_->ClearLog();
  kv::CreateStatusBar(parent_, nullptr);
  ASSERT_TRUE(kv::g_bars.status);
  HWND w = Open();
  kv::ThreadViewState* v = kv::ViewStateOf(w);
  ASSERT_TRUE(v);
  char path[kv::kAddressMax];
  kv::CopyText(path, url_.c_str());
  ASSERT_TRUE(kv::LocalPathOf(path, kv::g_settings.ChFolder));
  const std::string now = server_->Get(kLog);
  ASSERT_TRUE(kvtest::PumpUntil([&] { return v->postCount == 9 && kvtest::ReadFileBytes(path) == now; }, 20000));
  ASSERT_TRUE(kvtest::PumpUntil([&] { return !kv::ThreadWindowDownloading(w); }, 20000));
  std::vector<kvtest::BoardServer::Request> requests = server_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].range.empty());
  EXPECT_TRUE(requests[1].range.empty()) << "the whole log";
  EXPECT_FALSE(kvtest::FileExists(std::string(path) + ".changed"));
  DestroyWindow(kv::g_bars.status);
  kv::g_bars.status = nullptr;

  // Deleting with no log left asks nothing; the lists forget the thread.
  ASSERT_TRUE(DeleteFileA(path));
  SendMessage(w, WM_COMMAND, 40021, 0);
  EXPECT_EQ(g_list.forgotten, url_);

  // 99 slots, then none.
  std::vector<HWND> windows;
  for (int i = 0; i < 98; ++i) {
    std::string other = server_->url("/news/dat/" + std::to_string(1200000000 + i) + ".dat");
    HWND x = kv::FindOrCreateThreadWindow(parent_, other.c_str());
    ASSERT_NE(x, nullptr) << i;
    kv::CopyText(kv::g_settings.currentThreadUrl, other.c_str());
    SendMessage(x, WM_COMMAND, 40008, 0);
  }
  EXPECT_EQ(kv::FindOrCreateThreadWindow(parent_, "http://127.0.0.1:1/news/dat/1.dat"), nullptr);
  EXPECT_EQ(kv::ThreadWindowSlot(kv::ThreadWindowInSlot(99)), 99);
  kv::CloseAllThreadWindows();
  for (int s = 1; s < kv::kThreadSlots; ++s) EXPECT_EQ(kv::ThreadWindowInSlot(s), nullptr);
  kvtest::PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(g_list.count, 0) << "the last closed view had no log";
}

}  // namespace
