// Character-boundary cuts run on every title, name and log message.
#include <benchmark/benchmark.h>

#include <string>

#include "core/text.h"

static void BM_SjisCutLength(benchmark::State& state) {
  std::string s;
  while (s.size() < 4096) s += "名前：abc[ID:xyz]本文ソ表";
  for (auto _ : state) benchmark::DoNotOptimize(kv::SjisCutLength(s.data(), s.size(), s.size() - 1));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_SjisCutLength);

static void BM_CompareNoCase(benchmark::State& state) {
  std::string a(4096, 'a'), b(4096, 'A');
  for (auto _ : state) benchmark::DoNotOptimize(kv::CompareNoCase(a.data(), b.data(), a.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 4096);
}
BENCHMARK(BM_CompareNoCase);
