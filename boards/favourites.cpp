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

void FavouriteTitle(const char* title, char* out, size_t cap) {
  if (!cap) return;
  size_t limit = cap - 1 < 80 ? cap - 1 : 80;
  size_t n = 0;
  for (const char* p = title; *p;) {
    unsigned char c = static_cast<unsigned char>(*p);
    char piece[2];
    size_t len = 1;
    if (IsSjisLead(c) && p[1]) {
      piece[0] = p[0], piece[1] = p[1], len = 2;
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
    p += IsSjisLead(c) && p[1] ? 2 : 1;
  }
  out[n] = 0;
}

void SelmArguments(const char* title, const char* address, char* out, size_t cap) {
  char prepared[96];
  FavouriteTitle(title, prepared, sizeof prepared);
  FormatText(out, cap, "\"%s\" \"%s\"", prepared, address);
}

}  // namespace kv
