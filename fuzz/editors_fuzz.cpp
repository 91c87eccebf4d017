// The companion editors read TreeList.htm and Favorite.htm (edited by hand
// or by other tools) and their command lines: every row they keep must fit
// its field, never end in half a character, and survive a write and a read.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/text.h"
#include "editors/board_tree/ravo.h"
#include "editors/entries.h"
#include "editors/favourites/selm.h"

namespace {

void CheckText(const char* s, size_t cap) {
  size_t n = strnlen(s, cap);
  if (n >= cap) __builtin_trap();
}

void CheckRows(const kv::EditorList& l) {
  if (l.count < 0 || l.count > l.capacity) __builtin_trap();
  for (int32_t r = 0; r < l.count; ++r) {
    CheckText(l.rows[r].name, sizeof l.rows[r].name);
    CheckText(l.rows[r].url, sizeof l.rows[r].url);
    CheckText(l.rows[r].type, sizeof l.rows[r].type);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  static auto list = std::make_unique<kv::EditorList>();
  static auto again = std::make_unique<kv::EditorList>();

  kv::ClearEditorList(*list, kv::kBoardEditorRows);
  kv::ParseRavoFile(text, size, *list);
  CheckRows(*list);
  std::vector<char> out(kv::RavoFileCap(list->count));
  size_t n = kv::FormatRavoFile(*list, out.data(), out.size());
  if (n == 0) __builtin_trap();  // the cap always fits
  kv::ClearEditorList(*again, kv::kBoardEditorRows);
  kv::ParseRavoFile(out.data(), n, *again);
  CheckRows(*again);
  if (again->count != list->count) __builtin_trap();  // every row survives a save

  kv::ClearEditorList(*list, kv::kFavouritesEditorRows);
  kv::ParseSelmFile(text, size, *list);
  CheckRows(*list);
  out.resize(kv::SelmFileCap(list->count));
  n = kv::FormatSelmFile(*list, out.data(), out.size());
  if (n == 0) __builtin_trap();
  kv::ClearEditorList(*again, kv::kFavouritesEditorRows);
  kv::ParseSelmFile(out.data(), n, *again);
  if (again->count != list->count) __builtin_trap();

  std::vector<char> line(text, text + size);
  line.push_back(0);
  kv::EditorArguments a;
  kv::ParseEditorArguments(kv::SkipProgramName(line.data()), true, a);
  CheckText(a.name, sizeof a.name);
  CheckText(a.address, sizeof a.address);
  size_t m = strlen(a.address);
  if (m > 259 || kv::SjisCutLength(a.address, m, m) != m) __builtin_trap();
  if (a.file[0] && !kv::IsPlainFileName(a.file)) __builtin_trap();
  // A prepared entry written by Selm32 comes back as one row.
  kv::EditorEntry row;
  kv::SelmEditAccept(kv::MakeEntry(a.name, a.address, ""), row);
  kv::ClearEditorList(*list, 1);
  kv::InsertEntry(*list, -1, row);
  out.resize(kv::SelmFileCap(1));
  n = kv::FormatSelmFile(*list, out.data(), out.size());
  kv::ClearEditorList(*again, 4);
  kv::ParseSelmFile(out.data(), n, *again);
  if (again->count != 1 || strcmp(again->rows[0].url, row.url) != 0) __builtin_trap();
  return 0;
}
