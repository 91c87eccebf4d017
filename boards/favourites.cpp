#include "boards/favourites.h"

#include <cstring>
#include <new>

#include "core/text.h"

namespace kv {

namespace {

// Copies a run of text that stops at any byte of stops (or the end), at most
// cap - 1 bytes and never half a character; returns the position after it.
size_t TakeText(const char* s, size_t i, size_t end, const char* stops, char* out, size_t cap) {
  size_t n = 0;
  while (i < end) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (strchr(stops, c) && c != 0) break;
    size_t step = IsSjisLead(c) && i + 1 < end ? 2 : 1;
    if (n + step < cap) {  // once full, the rest is skipped up to the stop
      memcpy(out + n, s + i, step);
      n += step;
    }
    i += step;
  }
  out[n] = 0;
  return i;
}

// Where the value of the tag's href begins ("href", an optional blank, "=",
// an optional blank; letters in either case), searching [from, tagEnd); 0
// when the tag has none.
size_t HrefValueAt(const char* s, size_t from, size_t tagEnd) {
  for (size_t h = from; h + 4 < tagEnd; ++h) {
    if (CompareNoCase(s + h, "href", 4) != 0) continue;
    size_t v = h + 4;
    if (v < tagEnd && s[v] == ' ') ++v;
    if (v >= tagEnd || s[v] != '=') continue;
    ++v;
    if (v < tagEnd && s[v] == ' ') ++v;
    return v;
  }
  return 0;
}

}  // namespace

int32_t ParseFavourites(const char* data, size_t length,
                        bool (*found)(void* context, const char* name, const char* address), void* context) {
  if (!data || !length) return 0;
  // Tabs, line ends and ESC play no part in the file; drop them first.
  char* s = new (std::nothrow) char[length];
  if (!s) return 0;
  size_t end = 0;
  for (size_t i = 0; i < length; ++i) {
    char c = data[i];
    if (c != '\t' && c != '\n' && c != '\r' && c != 0x1B) s[end++] = c;
  }
  char address[kFavouriteText] = "";
  char name[kFavouriteText] = "";
  int32_t reported = 0;
  size_t i = 0;
  while (i < end) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c != '<') {
      i += IsSjisLead(c) && i + 1 < end ? 2 : 1;
      continue;
    }
    if (end - i >= 3 && CompareNoCase(s + i, "<a ", 3) == 0) {
      address[0] = name[0] = 0;
      size_t tagEnd = i + 3;
      while (tagEnd < end && s[tagEnd] != '>') ++tagEnd;
      size_t h = i + 3;
      while (h + 4 <= tagEnd && CompareNoCase(s + h, "href", 4) != 0) ++h;
      size_t v = tagEnd;
      if (h + 4 <= tagEnd) {
        v = h + 4;
        if (v < end && s[v] == ' ') ++v;
        if (v < end && s[v] == '=') ++v;
        if (v < end && s[v] == ' ') ++v;
        if (v < end && (s[v] == '"' || s[v] == '\'')) {
          char stops[3] = {s[v], '>', 0};
          v = TakeText(s, v + 1, end, stops, address, sizeof address);
        } else {
          v = TakeText(s, v, end, " \"'>", address, sizeof address);
        }
        tagEnd = v;
        while (tagEnd < end && s[tagEnd] != '>') ++tagEnd;
      }
      i = tagEnd < end ? tagEnd + 1 : end;
      i = TakeText(s, i, end, "<", name, sizeof name);
      continue;
    }
    if (end - i >= 3 && CompareNoCase(s + i, "</a", 3) == 0) {
      if (name[0] && address[0]) {
        ++reported;
        if (!found(context, name, address)) break;
      }
      name[0] = address[0] = 0;
      i += 3;
      continue;
    }
    ++i;
  }
  delete[] s;
  return reported;
}

int32_t ParseFavouriteLinks(const char* s, size_t end,
                            bool (*found)(void* context, const char* name, const char* address), void* context) {
  if (!s) return 0;
  int32_t reported = 0;
  size_t i = 0;
  while (i < end) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c != '<' || end - i < 2 || CompareNoCase(s + i, "<a", 2) != 0) {
      i += IsSjisLead(c) && i + 1 < end ? 2 : 1;
      continue;
    }
    size_t tagEnd = i + 2;
    while (tagEnd < end && s[tagEnd] != '>') ++tagEnd;
    size_t v = HrefValueAt(s, i + 2, tagEnd);
    if (v == 0) {  // a link without an address makes no row
      i = tagEnd;
      continue;
    }
    char address[kFavouriteText];
    char name[kFavouriteText];
    if (v < end && (s[v] == '"' || s[v] == '\'')) {
      char stops[3] = {s[v], '>', 0};
      v = TakeText(s, v + 1, end, stops, address, sizeof address);
    } else {
      v = TakeText(s, v, end, " \"'>", address, sizeof address);
    }
    while (v < end && s[v] != '>') ++v;
    if (v >= end) break;  // the tag never ends: no name, no row
    // The name keeps its line ends: TakeText stops only at "<" and NUL.
    i = TakeText(s, v + 1, end, "<", name, sizeof name);
    ++reported;
    if (!found(context, name, address)) break;
  }
  return reported;
}

void PrepareFavouriteName(const char* name, char* out, size_t cap, size_t limit) {
  if (!cap) return;
  if (limit > cap - 1) limit = cap - 1;
  size_t n = 0;
  for (const char* p = name; *p;) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsSjisLead(c) && !p[1]) break;  // half a character would take the next byte with it
    char piece[2];
    size_t len = 1;
    bool two = IsSjisLead(c) && p[1];
    if (two) {
      piece[0] = p[0], piece[1] = p[1], len = 2;
    } else if (c < 0x20 || c == 0x7F) {
      len = 0;  // a line end or a tab would split the row in the file
    } else if (c == '"' || c == '\'') {
      piece[0] = static_cast<char>(0xDE);
    } else if (c == '<' || c == '>') {
      const char* wide = c == '<' ? "＜" : "＞";
      piece[0] = wide[0], piece[1] = wide[1], len = 2;
    } else {
      piece[0] = *p;
    }
    if (n + len > limit) break;
    memcpy(out + n, piece, len);
    n += len;
    p += two ? 2 : 1;
  }
  out[n] = 0;
}

void PrepareFavouriteAddress(const char* address, char* out, size_t cap) {
  if (!cap) return;
  size_t n = 0;
  for (const char* p = address; *p;) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsSjisLead(c) && !p[1]) break;  // half a character would swallow the closing quote
    const char* piece = p;
    size_t len = 1;
    bool two = IsSjisLead(c) && p[1];
    if (two)
      len = 2;
    else if (c < 0x20 || c == 0x7F)
      len = 0;
    else if (c == '"')
      piece = "%22", len = 3;
    else if (c == ' ')
      piece = "%20", len = 3;
    else if (c == '<')
      piece = "%3C", len = 3;
    else if (c == '>')
      piece = "%3E", len = 3;
    if (n + len > cap - 1) break;
    memcpy(out + n, piece, len);
    n += len;
    p += two ? 2 : 1;
  }
  out[n] = 0;
}

void FavouriteTitle(const char* title, char* out, size_t cap) { PrepareFavouriteName(title, out, cap, 80); }

void SelmArguments(const char* title, const char* address, char* out, size_t cap) {
  char prepared[96];
  FavouriteTitle(title, prepared, sizeof prepared);
  char safe[kFavouriteText - 1];
  PrepareFavouriteAddress(address, safe, sizeof safe);
  FormatText(out, cap, "\"%s\" \"%s\"", prepared, safe);
}

bool AppendFavouriteLink(char* out, size_t cap, size_t* n, const char* name, const char* address) {
  size_t a = strlen(address), m = strlen(name);
  size_t need = 9 + a + 2 + m + 14;  // <a href=" .. "> .. </a><br><br>\r\n
  if (!out || *n + need + 1 > cap) return false;
  *n += FormatText(out + *n, cap - *n, "<a href=\"%s\">%s</a><br><br>\r\n", address, name);
  return true;
}

}  // namespace kv
