// Benchmark: one full paint (800 x 600) of a 1000-post thread view into a
// memory canvas, with the thread's top, middle and end at the top of the
// window. A paint reads from the post holding topLine to the window's
// bottom only, so the three figures should be alike.
//
//   build/win/tests/win_view_bench.exe [iterations]   (under scripts/wine-run.sh)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "reader/view_win.h"
#include "tests/win/net_test_util.h"
#include "tests/win/view_test_util.h"

int main(int argc, char** argv) {
  int iterations = argc > 1 ? atoi(argv[1]) : 50;
  if (iterations < 1) iterations = 1;
  kvtest::TempFolder logs;
  kvtest::UseEventLogIn(logs.path());
  kvtest::LoopbackSettings(logs.path());
  kvtest::ViewTestColours();
  kv::g_settings.FontSize = 9;

  std::string log;
  for (int i = 1; i <= 1000; ++i) {
    log += kvtest::Record(i % 7 ? "名無しさん" : "</b>◆Trip" + std::to_string(i) + "<b>", i % 3 ? "sage" : "",
                          "2006/01/01(日) 00:00:" + std::to_string(i % 60) + " ID:id" + std::to_string(i % 97),
                          " &gt;&gt;" + std::to_string(i > 1 ? i - 1 : 1) +
                              " <br> 本文の一行目です。少し長めの文で、折り返しが起きるくらいの長さにしておきます。"
                              "まだ続きます、もう少しだけ続きます。 <br> 二行目 <br> 　　∧＿∧ <br> 三行目 ");
  }
  HWND parent = kvtest::MakeParent();
  HWND window = kv::FindOrCreateThreadWindow(parent, "http://127.0.0.1:1/bench/dat/1700000000.dat");
  kv::ThreadViewState* view = kv::ViewStateOf(window);
  if (!view || !kv::LoadThreadFromMemory(*view, window, log.data(), log.size(), "")) {
    fprintf(stderr, "view not built\n");
    return 1;
  }
  kvtest::Canvas canvas(800, 600);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  struct Place {
    const char* name;
    int32_t top;
  } places[] = {{"top", 0}, {"middle", view->postLine[500]}, {"end", view->postLine[996]}};
  printf("view of %d posts, %d lines, %d bytes; %d paints each\n", view->postCount - 1, view->lineCount,
         view->textLength, iterations);
  for (const Place& p : places) {
    view->topLine = p.top;
    std::vector<double> ms;
    int32_t drawn = 0;
    for (int i = 0; i < iterations; ++i) {
      LARGE_INTEGER a, b;
      QueryPerformanceCounter(&a);
      drawn = kvtest::PaintInto(*view, window, canvas);
      GdiFlush();
      QueryPerformanceCounter(&b);
      ms.push_back(1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::sort(ms.begin(), ms.end());
    printf("paint at %-6s (topLine %5d, %3d lines drawn): median %.2f ms, min %.2f ms, max %.2f ms\n", p.name, p.top,
           drawn, ms[ms.size() / 2], ms.front(), ms.back());
  }
  DestroyWindow(window);
  DestroyWindow(parent);
  return 0;
}
