// Shared by the thread-view tests of both editions: a parent window, a view
// loaded from bytes, a 32-bit memory canvas to paint into and read pixels
// from, and a message pump.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/settings.h"
#include "core/text.h"
#include "reader/thread_win.h"
#include "reader/view_win.h"
#include "ui/panes_win.h"

namespace kvtest {

// Colours that differ from each other in every test.
inline void ViewTestColours() {
  kv::Settings& s = kv::g_settings;
  s.ColorTxt = 0x000000;
  s.ColorBak = 0xF0F0F0;
  s.ColorNew = 0x0000FF;
  s.ColorNum = 0x800000;
  s.ColorNme = 0x00C000;
  s.ColorNlk = 0xC00000;
  s.ColorTim = 0x000040;
  s.lineColor = s.ColorBak;
  s.FontSize = 12;
  s.ClearTyp = 0;
  s.fAACheck = 1;
  s.LRkeyPUD = 0;
  s.FreeTWnd = kv::WindowRect{0, 0, 0, 0};
  kv::CopyText(s.FontName, "IPAゴシック");
}

class Canvas {
 public:
  Canvas(int width, int height) : w_(width), h_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bmp_);
    Fill(0x123456);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return w_; }
  int height() const { return h_; }
  RECT rect() const { return RECT{0, 0, w_, h_}; }
  void Fill(COLORREF c) {
    GdiFlush();
    for (int i = 0; i < w_ * h_; ++i) bits_[i] = Pixel(c);
  }
  // The colour at (x, y) as a COLORREF (0x00BBGGRR).
  COLORREF At(int x, int y) const {
    GdiFlush();
    uint32_t p = bits_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Pixels of exactly colour c in [left, right) x [top, bottom).
  int Count(COLORREF c, int left, int top, int right, int bottom) const {
    GdiFlush();
    int n = 0;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > w_) right = w_;
    if (bottom > h_) bottom = h_;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (At(x, y) == c) ++n;
    return n;
  }
  // Pixels of any colour but c.
  int CountOther(COLORREF c, int left, int top, int right, int bottom) const {
    int all = (right - left) * (bottom - top);
    return all - Count(c, left, top, right, bottom);
  }
  std::vector<uint32_t> Pixels() const {
    GdiFlush();
    return std::vector<uint32_t>(bits_, bits_ + w_ * h_);
  }
  // A 24-bit BMP of the canvas.
  bool SaveBmp(const std::string& path) const {
    GdiFlush();
    int row = (w_ * 3 + 3) & ~3;
    std::string out;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + row * h_;
    ih.biSize = sizeof ih;
    ih.biWidth = w_;
    ih.biHeight = h_;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    out.append(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::string line(row, 0);
    for (int y = h_ - 1; y >= 0; --y) {
      for (int x = 0; x < w_; ++x) {
        uint32_t p = bits_[y * w_ + x];
        line[x * 3] = static_cast<char>(p & 0xFF);
        line[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
        line[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
      }
      out += line;
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    fclose(f);
    return ok;
  }

 private:
  static uint32_t Pixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

inline LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

// A plain top-level window for the views to live in.
inline HWND MakeParent(int width = 820, int height = 640) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW c = {};
    c.lpfnWndProc = ParentProc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"KvViewTestParent";
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&c);
    registered = true;
  }
  HWND w = CreateWindowW(L"KvViewTestParent", L"view test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width, height,
                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(w, SW_SHOWNA);
  return w;
}

// Runs the message loop until done() or timeoutMs.
template <typename F>
bool PumpUntil(F done, int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (done()) return true;
    if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
    Sleep(10);
  }
}

// The regions of the last paint, in order.
inline std::vector<kv::HitRegion> Regions(const kv::ThreadViewState& v) {
  std::vector<kv::HitRegion> out;
  for (const kv::HitRegion& r : v.hitRegions)
    if (r.line) out.push_back(r);
  return out;
}

inline int32_t PaintInto(kv::ThreadViewState& v, HWND w, Canvas& c) {
  RECT r = c.rect();
  return kv::RenderView(v, w, c.dc(), v.text, v.textLength, v.topLine, &r);
}

// A record of the log format.
inline std::string Record(const std::string& name, const std::string& mail, const std::string& date,
                          const std::string& body, const std::string& title = "") {
  return name + "<>" + mail + "<>" + date + "<>" + body + "<>" + title + "\n";
}

// A thread as a board serves it: names with trips in bold tags, mail, IDs,
// anchors in link elements, entities, a long post and a piece of art.
inline std::string RealLookingThread() {
  std::string t;
  t += Record("名無しさん＠お腹いっぱい。", "", "2006/01/01(日) 00:00:01 ID:Ab3dEf9h0",
              " 新スレ立てました。 <br> 前スレ <br> (http://127.0.0.1/test/read.cgi/news/1100000000/) ",
              "【雑談】まったり語るスレ Part12");
  t += Record("名無しさん＠お腹いっぱい。", "sage", "2006/01/01(日) 00:01:15 ID:Qw2eRt5y7",
              " <a href=\"../test/read.cgi/news/1136041200/1\" target=\"_blank\">&gt;&gt;1</a> <br> 乙です ");
  t += Record("</b>◆Kv7PqR2sT.<b>", "", "2006/01/01(日) 00:03:42 ID:Zx8cVb1n2",
              " トリップ付きで失礼します。 <br> 今年もよろしく &amp; よろしく ");
  t += Record("名無しさん＠お腹いっぱい。", "age", "2006/01/01(日) 00:05:09 ID:Ab3dEf9h0",
              " <a href=\"../test/read.cgi/news/1136041200/2\" target=\"_blank\">&gt;&gt;2</a> "
              "<a href=\"../test/read.cgi/news/1136041200/3\" target=\"_blank\">&gt;&gt;3</a> <br> "
              "長めの書き込みです。一行がとても長くなると、表示の幅に合わせて折り返されて次の行に続いていき"
              "ます。折り返しの位置は文字の途中にはなりません。 ");
  t += Record("名無しさん＠お腹いっぱい。", "sage", "2006/01/01(日) 00:07:30 ID:Mn4bVc6x8",
              " <br> 　　　　∧＿∧ <br> 　　　（　´∀｀）　＜　あけおめ <br> 　　　（　　　　） <br> "
              "　　　｜ ｜　| <br> 　　　（_＿）＿） ");
  t += Record("774", "", "2006/01/01(日) 00:09:58 ID:Lk9jHg3f1", " まったりいこう ");
  return t;
}

}  // namespace kvtest
