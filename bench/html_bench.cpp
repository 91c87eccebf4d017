// Converting a web page into page blocks: one forward pass over the page.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/reader_bench_data.h"
#include "reader/html.h"

static void BM_ConvertPage(benchmark::State& state) {
  std::string page = benchdata::Page(200 * 1024);
  std::unique_ptr<kv::ThreadViewState> view(new kv::ThreadViewState{});
  size_t cap = page.size() + kv::kViewTextSpare;
  std::unique_ptr<char[]> text(new char[cap]);
  view->text = text.get();
  kv::ViewBuildOptions options;
  options.pageUrl = "hhtm://www.example.com/blog/index.html";
  for (auto _ : state) {
    view->title[0] = '?';
    kv::ViewBuildResult r = kv::ConvertPage(*view, options, page.data(), page.size(), cap);
    benchmark::DoNotOptimize(r.textLength);
  }
  view->text = nullptr;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
  state.counters["blocks"] = view->postCount - 1;
}
BENCHMARK(BM_ConvertPage);
