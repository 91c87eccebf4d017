// The conversions a converted board's update runs on every page it reads.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/update.h"
#include "reader/charset.h"

namespace {

// A reading-script page of 1000 posts, in the shape the services send.
std::string Page() {
  std::string page = "<html><head><title>スレ</title></head><body><dl>\n";
  for (int n = 1; n <= 1000; ++n)
    page += "<dt><a name=\"" + std::to_string(n) + "\">" + std::to_string(n) +
            "</a> 名前：<a href=\"mailto:sage\"><b>名無しさん</b></a> 投稿日：2024/01/01(月) 12:00:00 ID:abc" +
            "<dd> 本文です。表示のテスト ソフト～ <br> 二行目 " + std::to_string(n) + " <br><br>\n";
  return page + "</dl></body></html>\n";
}

void BM_HtmlToDat1000Posts(benchmark::State& state) {
  std::string page = Page();
  std::vector<char> buf(page.size() + 4096);
  for (auto _ : state) {
    memcpy(buf.data(), page.data(), page.size());
    benchmark::DoNotOptimize(kv::htmlToDat(buf.data(), page.size(), buf.size(), 0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_HtmlToDat1000Posts);

void BM_EucToSjisInPlace(benchmark::State& state) {
  // "テスト表示" and ASCII in EUC-JP, about 100 KB.
  std::string euc;
  while (euc.size() < 100000) euc += "\xA5\xC6\xA5\xB9\xA5\xC8\xC9\xBD\xBC\xA8<>abc 123\n";
  std::vector<char> buf(euc.size());
  for (auto _ : state) {
    memcpy(buf.data(), euc.data(), euc.size());
    benchmark::DoNotOptimize(kv::eucToSjis(buf.data(), buf.data(), buf.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(euc.size()));
}
BENCHMARK(BM_EucToSjisInPlace);

}  // namespace
