// The thread list parses a whole subject.txt on every load and sorts the
// shown rows on every header click and after every load (NowTSort).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "boards/threadlist.h"

namespace {

std::string Index(int rows) {
  std::string s;
  std::mt19937 random(7);
  for (int i = 0; i < rows; ++i) {
    s += std::to_string(1700000000 - i * 37) + ".dat<>";
    s += "\x83\x58\x83\x8C\x83\x62\x83\x68 Part";  // "スレッド"
    s += std::to_string(random() % 500);
    s += " &amp; \x8E\x47\x92\x6B (" + std::to_string(random() % 1001) + ")\n";
  }
  return s;
}

kv::ThreadLists& Lists() {
  static kv::ThreadLists lists;
  static bool ready = kv::CreateThreadLists(lists);
  (void)ready;
  return lists;
}

void BM_ParseSubject10000(benchmark::State& state) {
  std::string text = Index(kv::kThreadRows);
  kv::ThreadLists& l = Lists();
  l.current = l.display[0];
  for (auto _ : state)
    benchmark::DoNotOptimize(kv::ParseThreadList(l, text.data(), text.size(), kv::ParseMode::Replace, 0, nullptr));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseSubject10000)->Unit(benchmark::kMillisecond);

// The title lookup fills the lookup table from a whole index by key.
void BM_MergeIntoLookup10000(benchmark::State& state) {
  std::string text = Index(kv::kThreadRows);
  kv::ThreadLists& l = Lists();
  l.current = l.lookup;
  for (auto _ : state) {
    kv::ClearTable(*l.lookup);
    benchmark::DoNotOptimize(kv::ParseThreadList(l, text.data(), text.size(), kv::ParseMode::Merge, 0, nullptr));
  }
  l.current = l.display[0];
}
BENCHMARK(BM_MergeIntoLookup10000)->Unit(benchmark::kMillisecond);

bool NoLogs(void*, int32_t key) { return key % 3 == 0; }

void BM_Sort10000(benchmark::State& state) {
  std::string text = Index(kv::kThreadRows);
  kv::ThreadLists& l = Lists();
  l.current = l.display[0];
  kv::LocalLogs logs = {NoLogs, nullptr};
  int column = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    kv::ParseThreadList(l, text.data(), text.size(), kv::ParseMode::Replace, 0, nullptr);
    state.ResumeTiming();
    kv::SortRows(l, column, true, kv::ByteCompare, logs);
  }
}
BENCHMARK(BM_Sort10000)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The selection sort the fast one reproduces, for comparison.
void BM_ReferenceSelectionSort10000(benchmark::State& state) {
  std::string text = Index(kv::kThreadRows);
  kv::ThreadLists& l = Lists();
  l.current = l.display[0];
  kv::ParseThreadList(l, text.data(), text.size(), kv::ParseMode::Replace, 0, nullptr);
  std::vector<const char*> texts(kv::kThreadRows);
  for (int i = 0; i < kv::kThreadRows; ++i) texts[i] = l.current->rows[i].title;
  std::vector<int32_t> order(kv::kThreadRows);
  for (auto _ : state)
    kv::SelectionSortOrderReference(texts.data(), kv::kThreadRows, false, kv::ByteCompare, order.data());
}
BENCHMARK(BM_ReferenceSelectionSort10000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
