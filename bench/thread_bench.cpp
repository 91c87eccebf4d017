// Parsing a whole log runs every time a thread is shown or updated. The
// memchr pass over the same bytes is the floor to compare against.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "bench/reader_bench_data.h"
#include "reader/ngword.h"
#include "reader/thread.h"

static void BM_BuildViewText(benchmark::State& state) {
  std::string log = benchdata::ThreadLog(static_cast<int>(state.range(0)));
  std::unique_ptr<kv::ThreadViewState> view(new kv::ThreadViewState{});
  size_t cap = log.size() + kv::kViewTextSpare;
  std::unique_ptr<char[]> text(new char[cap]);
  view->text = text.get();
  kv::NgList ng;
  const char words[] = "0,荒らし\r\n2,ID:XXXXXXXX\r\n3,死ね\r\n3,宣伝\r\n";
  kv::ParseNgWords(ng, words, sizeof words - 1);
  kv::ViewBuildOptions options;
  if (state.range(1)) options.ngWords = &ng;
  for (auto _ : state) {
    kv::ViewBuildResult r = kv::BuildViewText(*view, options, log.data(), log.size(), cap);
    benchmark::DoNotOptimize(r.textLength);
  }
  view->text = nullptr;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
  state.counters["log_bytes"] = static_cast<double>(log.size());
}
BENCHMARK(BM_BuildViewText)->Args({1000, 0})->Args({5000, 0})->Args({1000, 1})->Args({5000, 1});

// Finds every line end with memchr: the least any parser of this log must do.
static void BM_MemchrLines(benchmark::State& state) {
  std::string log = benchdata::ThreadLog(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    size_t lines = 0;
    const char* p = log.data();
    const char* end = p + log.size();
    while ((p = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
      ++lines;
      ++p;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_MemchrLines)->Arg(1000)->Arg(5000);
