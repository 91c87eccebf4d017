// The board tree at its capacity: reading a board menu of 1,000 entries (the
// start-up and every update) and answering the list's row requests, which
// walk the tree once per row.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "boards/boardfile.h"

namespace {

// A menu in the service's own layout: 40 categories of 24 boards.
std::string Menu() {
  std::string menu = "<HTML><HEAD><TITLE>BBS MENU</TITLE></HEAD><BODY>\r\n<!-- menu -->\r\n";
  for (int c = 0; c < 40; ++c) {
    menu += "<BR><BR><B>カテゴリ" + std::to_string(c) + "</B><BR>\r\n";
    for (int b = 0; b < 24; ++b)
      menu += "<A HREF=http://host" + std::to_string(b % 7) + ".example.test/board" + std::to_string(c * 24 + b) +
              "/>掲示板その" + std::to_string(b) + "</A><br>\r\n";
  }
  return menu + "</BODY></HTML>\r\n";
}

void BM_ParseMenu(benchmark::State& state) {
  std::string menu = Menu();
  auto tree = std::make_unique<kv::BoardTree>();
  kv::BoardParseOptions o;
  o.menuAddress = "http://menu.example.test/bbsmenu.html";
  o.treeOpen = "";
  o.menuMode = true;
  for (auto _ : state) {
    kv::ParseBoardFile(*tree, menu.data(), menu.size(), o);
    benchmark::DoNotOptimize(tree->count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(menu.size()));
  state.counters["items"] = tree->count;
}
BENCHMARK(BM_ParseMenu);

// Every row of the fully expanded tree asked for once, as a list that is
// scrolled from top to bottom asks.
void BM_AllRows(benchmark::State& state) {
  std::string menu = Menu();
  auto tree = std::make_unique<kv::BoardTree>();
  kv::BoardParseOptions o;
  o.menuAddress = "http://menu.example.test/bbsmenu.html";
  o.treeOpen = "";
  o.menuMode = true;
  kv::ParseBoardFile(*tree, menu.data(), menu.size(), o);
  for (int32_t i = 0; i < tree->count; ++i)
    if (kv::IsCategory(tree->items[i])) tree->items[i].expanded = 1;
  int32_t rows = kv::VisibleRowCount(*tree);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int32_t r = 0; r < rows; ++r) sum += kv::ItemOfRow(*tree, r);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_AllRows);

}  // namespace
