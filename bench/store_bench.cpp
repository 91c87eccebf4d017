// Storing and loading a 1 MB log through the container, next to zlib's own
// compress2/uncompress on the same bytes: the container should cost no more
// than a few per cent over zlib.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "core/eventlog.h"
#include "core/store.h"

namespace {

void Quiet(const kv::EventEntry&) {}

const std::string& Log() {
  static std::string s = [] {
    std::string t;
    unsigned x = 9;
    int n = 1;
    while (t.size() < (1u << 20)) {
      x = x * 1103515245 + 12345;
      t += "名無しさん<>sage<>2026/12/08 12:" + std::to_string(x % 60) + " ID:" + std::to_string(x >> 9) + "<> ";
      for (int i = 0; i < 20; ++i) {
        x = x * 1103515245 + 12345;
        t += static_cast<char>(0x88 + (x >> 16) % 8);
        t += static_cast<char>(0x40 + (x >> 20) % 60);
      }
      t += " >>" + std::to_string(n++) + " <>\n";
    }
    t.resize(1u << 20);
    return t;
  }();
  return s;
}

void BM_ContainerStore(benchmark::State& state) {
  kv::SetEventSink(Quiet);
  const std::string& log = Log();
  for (auto _ : state) {
    kv::StoreBytes plan;
    kv::PlanStoreBytes(log.data(), log.size(), 6, true, &plan);
    benchmark::DoNotOptimize(plan.length);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_ContainerStore)->Unit(benchmark::kMillisecond);

void BM_ZlibCompress2(benchmark::State& state) {
  const std::string& log = Log();
  std::vector<Bytef> out(log.size());
  for (auto _ : state) {
    uLongf n = out.size();
    compress2(out.data(), &n, reinterpret_cast<const Bytef*>(log.data()), log.size(), 6);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_ZlibCompress2)->Unit(benchmark::kMillisecond);

void BM_ContainerLoad(benchmark::State& state) {
  kv::SetEventSink(Quiet);
  const std::string& log = Log();
  kv::StoreBytes plan;
  kv::PlanStoreBytes(log.data(), log.size(), 6, true, &plan);
  size_t limit = 5 * plan.length + 1024;
  for (auto _ : state) {
    // As the loader does: a zero-filled output of five times the file.
    std::vector<char> out(limit + 1024, 0);
    size_t n = 0;
    kv::ExpandContainer(plan.data, plan.length, out.data(), limit, &n);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_ContainerLoad)->Unit(benchmark::kMillisecond);

void BM_ZlibUncompress(benchmark::State& state) {
  const std::string& log = Log();
  std::vector<Bytef> z(compressBound(log.size()));
  uLongf zn = z.size();
  compress2(z.data(), &zn, reinterpret_cast<const Bytef*>(log.data()), log.size(), 6);
  std::vector<Bytef> out(log.size());
  for (auto _ : state) {
    uLongf n = out.size();
    uncompress(out.data(), &n, z.data(), zn);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond);

}  // namespace
