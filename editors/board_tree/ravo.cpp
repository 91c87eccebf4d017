#include "editors/board_tree/ravo.h"

#include <cstring>

#include "boards/boardfile.h"
#include "boards/favourites.h"
#include "core/text.h"

namespace kv {

namespace {

bool Stops(unsigned char c, const char* stops) { return c == 0 || strchr(stops, c) != nullptr; }

// Copies s[i..) up to a byte of stops or NUL into out (cap bytes, whole
// characters; the rest of an overlong run is skipped). Returns where it
// stopped.
size_t TakeRun(const char* s, size_t i, size_t end, const char* stops, char* out, size_t cap) {
  size_t n = 0;
  while (i < end && !Stops(static_cast<unsigned char>(s[i]), stops)) {
    size_t step = IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < end ? 2 : 1;
    if (n + step < cap) {
      memcpy(out + n, s + i, step);
      n += step;
    }
    i += step;
  }
  out[n] = 0;
  return i;
}

// Where the text after "name" (an optional blank, "=", an optional blank)
// begins within [from, tagEnd), letters in either case; 0 when absent.
size_t AttributeValueAt(const char* s, size_t from, size_t tagEnd, const char* name) {
  size_t k = strlen(name);
  for (size_t h = from; h + k < tagEnd; ++h) {
    if (CompareNoCase(s + h, name, k) != 0) continue;
    size_t v = h + k;
    if (v < tagEnd && s[v] == ' ') ++v;
    if (v >= tagEnd || s[v] != '=') continue;
    ++v;
    if (v < tagEnd && s[v] == ' ') ++v;
    return v;
  }
  return 0;
}

void Append(EditorList& list, const char* name, const char* url, const char* type) {
  InsertEntry(list, -1, MakeEntry(name, url, type));
}

}  // namespace

void ParseRavoFile(const char* s, size_t end, EditorList& list) {
  if (!s) return;
  size_t i = 0;
  while (i < end) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c != '<') {
      i += IsSjisLead(c) && i + 1 < end ? 2 : 1;
      continue;
    }
    if (end - i >= 3 && CompareNoCase(s + i, "<B>", 3) == 0) {
      char title[261];
      i = TakeRun(s, i + 3, end, "<", title, sizeof title);
      Append(list, title, kCategoryMark, kCategoryType);
      continue;
    }
    if (end - i < 2 || CompareNoCase(s + i, "<a", 2) != 0) {
      ++i;
      continue;
    }
    size_t tagEnd = i + 2;
    while (tagEnd < end && s[tagEnd] != '>') ++tagEnd;
    size_t v = AttributeValueAt(s, i + 2, tagEnd, "href");
    if (v == 0) {
      i = tagEnd;
      continue;
    }
    char address[261];
    if (v < end && (s[v] == '"' || s[v] == '\'')) {
      char stops[3] = {s[v], '>', 0};
      v = TakeRun(s, v + 1, end, stops, address, sizeof address);
    } else {
      v = TakeRun(s, v, end, " \"'>", address, sizeof address);
    }
    while (tagEnd < v) ++tagEnd;  // a quoted ">" in the address
    while (tagEnd < end && s[tagEnd] != '>') ++tagEnd;
    char type[4] = "";
    size_t t = AttributeValueAt(s, v, tagEnd, "bbstype");
    if (t) {
      if (t < tagEnd && (s[t] == '"' || s[t] == '\'')) ++t;
      // Three letters at most, and never past the value's end.
      size_t n = 0;
      while (n < 3 && t + n < tagEnd && !Stops(static_cast<unsigned char>(s[t + n]), "\"' >")) ++n;
      memcpy(type, s + t, n);
      type[n] = 0;
    }
    if (tagEnd >= end) break;
    char text[261];
    i = TakeRun(s, tagEnd + 1, end, "<\r\n", text, sizeof text);
    if (text[0]) Append(list, text, address, type);
  }
}

size_t FormatRavoFile(const EditorList& list, char* out, size_t cap) {
  BoardFileWriter w;
  BeginBoardFile(w, out, cap);
  for (int32_t r = 0; r < list.count && w.fits; ++r) {
    const EditorEntry& e = list.rows[r];
    // A link read from the file with a relative or other address stays a
    // link: written as a category it would lose its address. (Typed rows
    // cannot have one: the edit dialog refuses them.)
    if (e.url[0] && strcmp(e.url, kCategoryMark) != 0) {
      // An address read from a single-quoted href may hold a double quote.
      char url[sizeof e.url];
      PrepareFavouriteAddress(e.url, url, sizeof url);
      PutBoardFileBoard(w, url, e.name, e.type);
    } else
      PutBoardFileCategory(w, e.name);
  }
  return EndBoardFile(w);
}

void RavoEditShown(const EditorEntry& row, EditorEntry& shown) {
  shown = row;
  bool noAddress = !row.url[0] || strcmp(row.url, kCategoryMark) == 0;
  if (!row.url[0]) CopyText(shown.url, "http://");
  if (row.name[0] && noAddress) CopyText(shown.type, kCategoryType);
}

RavoEditResult RavoEditAccept(const EditorEntry& typed, EditorEntry& row) {
  const char* url = typed.url;
  bool category = !url[0] || strcmp(url, kCategoryMark) == 0 || strcmp(url, "http://") == 0;
  if (!category && url[0] != 'h') return RavoEditResult::NotAnAddress;
  PrepareFavouriteName(typed.name, row.name, sizeof row.name, sizeof row.name - 1);
  if (category) {
    CopyText(row.url, kCategoryMark);
    CopyText(row.type, kCategoryType);
    return RavoEditResult::Accepted;
  }
  PrepareFavouriteAddress(url, row.url, sizeof row.url);
  // The type goes between quotes in the file: only letters and the like.
  size_t n = 0;
  for (const char* p = typed.type; *p && n + 1 < sizeof row.type; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c > 0x20 && c < 0x7F && !strchr("\"'<>", c)) row.type[n++] = static_cast<char>(c);
  }
  row.type[n] = 0;
  if (strcmp(row.type, kCategoryType) == 0) row.type[0] = 0;
  return RavoEditResult::Accepted;
}

}  // namespace kv
