#include "editors/favourites/selm.h"

#include <cstring>

#include "boards/favourites.h"
#include "core/text.h"

namespace kv {

namespace {

bool AddRow(void* context, const char* name, const char* address) {
  auto* list = static_cast<EditorList*>(context);
  return InsertEntry(*list, -1, MakeEntry(name, address, "")) >= 0;
}

}  // namespace

void ParseSelmFile(const char* data, size_t length, EditorList& list) {
  ParseFavouriteLinks(data, length, AddRow, &list);
}

size_t FormatSelmFile(const EditorList& list, char* out, size_t cap) {
  size_t n = CopyText(out, cap, kFavouritesHeader);
  if (n != strlen(kFavouritesHeader)) return 0;
  for (int32_t r = 0; r < list.count; ++r) {
    // An address read from a single-quoted href may hold a double quote.
    char url[sizeof list.rows[r].url];
    PrepareFavouriteAddress(list.rows[r].url, url, sizeof url);
    if (!AppendFavouriteLink(out, cap, &n, list.rows[r].name, url)) return 0;
  }
  if (n + strlen(kFavouritesFooter) + 1 > cap) return 0;
  n += CopyText(out + n, cap - n, kFavouritesFooter);
  return n;
}

void SelmEditAccept(const EditorEntry& typed, EditorEntry& row) {
  PrepareFavouriteName(typed.name, row.name, sizeof row.name, sizeof row.name - 1);
  PrepareFavouriteAddress(typed.url, row.url, sizeof row.url);
  row.type[0] = 0;
}

}  // namespace kv
