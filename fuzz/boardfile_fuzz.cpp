// Board files come from servers (the board menu) and from files the user
// and the board-tree editor write: the reader, the writer, the rows and
// bbsmenu.txt must take any bytes.
#include <cstdint>
#include <cstring>
#include <memory>

#include "boards/boardfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto tree = std::make_unique<kv::BoardTree>();
  static auto other = std::make_unique<kv::BoardTree>();
  static auto text = std::make_unique<char[]>(kv::kBoardFileTextMax);
  const char* in = reinterpret_cast<const char*>(data);
  char open[151];
  memset(open, '1', 150);
  open[size % 151] = 0;
  kv::BoardSources s;
  size_t third = size / 3;
  s.firstFile = (size & 1) ? in : nullptr, s.firstLength = third;
  s.menu = in + third, s.menuLength = third;
  s.secondFile = in + 2 * third, s.secondLength = size - 2 * third;
  int32_t n1 = kv::BuildBoardTree(*tree, s, "http://menu.example.test/d/bbsmenu.html", open);
  if (strlen(open) > 150 || tree->count > kv::kBoardTreeCapacity) __builtin_trap();
  for (int32_t i = 0; i < tree->count; ++i) {
    const kv::BoardItem& item = tree->items[i];
    if (strlen(item.name) >= sizeof item.name || strlen(item.address) >= sizeof item.address) __builtin_trap();
    if (item.index != i) __builtin_trap();
  }
  int32_t rows = kv::VisibleRowCount(*tree);
  for (int32_t r = 0; r < rows; ++r)
    if (kv::RowOfItem(*tree, kv::ItemOfRow(*tree, r)) != r) __builtin_trap();
  if (tree->count) {
    kv::SetExpanded(*tree, kv::CategoryAtOrAbove(*tree, tree->count - 1), true, open, n1);
    if (strlen(open) > 150) __builtin_trap();
  }
  size_t n = kv::FormatBoardFile(*tree, true, text.get(), kv::kBoardFileTextMax);
  if (n == 0 || n >= kv::kBoardFileTextMax) __builtin_trap();
  kv::BoardParseOptions o;
  o.menuMode = size & 2;
  kv::ParseBoardFile(*other, in, size, o);
  kv::ListMovedBoards(*tree, *other, nullptr, nullptr);
  kv::FindBoardRow(*tree, "a", 0, rows, kv::ItemOfRow);
  kv::MenuSources sources;
  kv::ParseMenuSources(in, size, sources);
  if (sources.count > kv::kMenuSourcesRead + 1) __builtin_trap();
  return 0;
}
