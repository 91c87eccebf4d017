#include "boards/feed.h"

#include <cstring>

#include "core/text.h"
#include "reader/charset.h"

namespace kv {
namespace {

enum class Encoding { None, Utf7, Utf8 };

bool At(const char* data, size_t i, size_t end, const char* tag) {
  size_t n = strlen(tag);
  return end - i >= n && CompareNoCase(data + i, tag, n) == 0;
}

// The bytes after a tag up to the first "</", or null when none within the
// scanned part.
const char* ElementEnd(const char* data, size_t from, size_t end) {
  for (size_t j = from; j + 1 < end; ++j)
    if (data[j] == '<' && data[j + 1] == '/') return data + j;
  return nullptr;
}

// Length of the longest prefix of at most max bytes that ends on a UTF-8
// character boundary.
size_t Utf8CutLength(const char* s, size_t len, size_t max) {
  if (len <= max) return len;
  size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

// "<![CDATA[...]]>" around a text is unwrapped.
void Unwrap(const char** text, size_t* n) {
  const char* t = *text;
  while (*n && (*t == ' ' || *t == '\r' || *t == '\n' || *t == '\t')) ++t, --*n;
  if (*n >= 12 && memcmp(t, "<![CDATA[", 9) == 0) {
    const char* close = nullptr;
    for (size_t j = 9; j + 3 <= *n; ++j)
      if (memcmp(t + j, "]]>", 3) == 0) {
        close = t + j;
        break;
      }
    if (close) {
      *n = static_cast<size_t>(close - t - 9);
      t += 9;
    }
  }
  *text = t;
}

struct Item {
  char title[kFeedField + 1];
  char link[kFeedField + 1];
  char enclosure[kFeedField + 1];
  int32_t length;
};

void ReadTitle(const char* src, size_t n, Encoding encoding, char* out) {
  Unwrap(&src, &n);
  char raw[kFeedField + 1];
  size_t cut = encoding == Encoding::Utf8   ? Utf8CutLength(src, n, kFeedField)
               : encoding == Encoding::Utf7 ? (n > kFeedField ? kFeedField : n)
                                            : SjisCutLength(src, n, kFeedField);
  memcpy(raw, src, cut);
  raw[cut] = 0;
  cut = DecodeFeedEntities(raw, cut, encoding == Encoding::Utf8);
  size_t got = 0;
  if (encoding == Encoding::Utf8)
    got = Utf8ToSjisInto(raw, cut, out, kFeedField + 1);
  else if (encoding == Encoding::Utf7)
    got = Utf7ToSjisInto(raw, cut, out, kFeedField + 1);
  if (!got) CopyText(out, kFeedField + 1, raw);  // a failed conversion keeps the title
}

// An address field: entities decoded; one that does not fit is no address.
void ReadAddress(const char* src, size_t n, char* out) {
  Unwrap(&src, &n);
  while (n && (src[n - 1] == ' ' || src[n - 1] == '\r' || src[n - 1] == '\n' || src[n - 1] == '\t')) --n;
  out[0] = 0;
  if (n > kFeedField) return;
  memcpy(out, src, n);
  out[n] = 0;
  DecodeFeedEntities(out, n);
}

// The value of attribute name (any quoting) inside tag[0..n), or false.
bool Attribute(const char* tag, size_t n, const char* name, const char** value, size_t* valueLength) {
  size_t k = strlen(name);
  for (size_t j = 0; j + k < n; ++j) {
    if (CompareNoCase(tag + j, name, k) != 0) continue;
    if (j > 0 && tag[j - 1] != ' ' && tag[j - 1] != '\t' && tag[j - 1] != '\r' && tag[j - 1] != '\n') continue;
    size_t p = j + k;
    while (p < n && (tag[p] == ' ' || tag[p] == '\r' || tag[p] == '\n' || tag[p] == '\t')) ++p;
    if (p >= n || tag[p] != '=') continue;
    ++p;
    while (p < n && (tag[p] == ' ' || tag[p] == '\r' || tag[p] == '\n' || tag[p] == '\t')) ++p;
    char quote = p < n && (tag[p] == '"' || tag[p] == '\'') ? tag[p++] : 0;
    size_t start = p;
    while (p < n && (quote ? tag[p] != quote : tag[p] != ' ' && tag[p] != '>' && tag[p] != '/' && tag[p] != '\t')) ++p;
    *value = tag + start;
    *valueLength = p - start;
    return true;
  }
  return false;
}

int32_t ParseLength(const char* s, size_t n) {
  int64_t v = 0;
  for (size_t j = 0; j < n && s[j] >= '0' && s[j] <= '9'; ++j) {
    v = v * 10 + (s[j] - '0');
    if (v > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int32_t>(v);
}

}  // namespace

size_t DecodeFeedEntities(char* text, size_t length, bool utf8) {
  size_t w = 0;
  for (size_t r = 0; r < length;) {
    if (text[r] == '&') {
      static const struct {
        const char* name;
        char c;
      } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
      bool done = false;
      for (const auto& e : kNamed) {
        size_t k = strlen(e.name);
        if (length - r >= k && memcmp(text + r, e.name, k) == 0) {
          text[w++] = e.c;
          r += k;
          done = true;
          break;
        }
      }
      if (!done && length - r >= 4 && text[r + 1] == '#') {
        size_t p = r + 2;
        bool hex = p < length && (text[p] == 'x' || text[p] == 'X');
        if (hex) ++p;
        long v = 0;
        size_t digits = 0;
        while (p < length && digits < 6) {
          char c = text[p];
          int d = c >= '0' && c <= '9'          ? c - '0'
                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                : -1;
          if (d < 0) break;
          v = v * (hex ? 16 : 10) + d;
          ++p, ++digits;
        }
        // The reference is never shorter than its UTF-8 bytes ("&#128;" for
        // two, "&#x800;" for three, "&#x10000;" for four), so the text
        // only shrinks.
        if (digits && p < length && text[p] == ';' && v >= 0x20 && v < 0x7F) {
          text[w++] = static_cast<char>(v);
          r = p + 1;
          done = true;
        } else if (digits && p < length && text[p] == ';' && utf8 && v >= 0x80 && v <= 0x10FFFF &&
                   (v < 0xD800 || v > 0xDFFF)) {
          if (v < 0x800) {
            text[w++] = static_cast<char>(0xC0 | (v >> 6));
          } else if (v < 0x10000) {
            text[w++] = static_cast<char>(0xE0 | (v >> 12));
            text[w++] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
          } else {
            text[w++] = static_cast<char>(0xF0 | (v >> 18));
            text[w++] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
            text[w++] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
          }
          text[w++] = static_cast<char>(0x80 | (v & 0x3F));
          r = p + 1;
          done = true;
        }
      }
      if (done) continue;
    }
    text[w++] = text[r++];
  }
  if (w < length) text[w] = 0;
  return w;
}

void EnclosureLabel(const char* address, char* out, size_t cap) {
  size_t end = strcspn(address, "?#");
  size_t seg = 0;
  for (size_t j = 0; j < end; ++j)
    if (address[j] == '/') seg = j + 1;
  const char* dot = nullptr;
  for (size_t j = seg; j < end; ++j)
    if (address[j] == '.') dot = address + j;
  if (!dot) {
    CopyText(out, cap, "htm");
    return;
  }
  size_t n = static_cast<size_t>(address + end - dot - 1);
  bool ok = n > 0 && n <= 4;
  for (size_t j = 0; ok && j < n; ++j) {
    char c = dot[1 + j];
    ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  }
  if (!ok) {
    CopyText(out, cap, "???");
    return;
  }
  CopyTextN(out, cap, dot + 1, n);
}

int32_t ParseFeed(ThreadLists& lists, const char* data, size_t length, ParseMode mode, size_t holdBack) {
  ThreadTable& table = *lists.current;
  if (mode == ParseMode::Replace) ClearTable(table);
  if (!data) return table.used;
  const size_t end = length > holdBack ? length - holdBack : 0;
  const int32_t keptRows = table.used;
  int32_t index = mode == ParseMode::Append ? table.used : 0;
  // A byte-order mark or no declaration means UTF-8.
  Encoding encoding = Encoding::Utf8;
  bool inItem = false;
  Item item{};
  auto store = [&](const char* title, const char* link, int32_t count) {
    if (index >= kThreadRows) return;
    bool write = mode == ParseMode::Replace || mode == ParseMode::Merge || index >= keptRows;
    if (write) StoreRow(table, index, title, 0, count, 0, 1, link, 0);
    ++index;
  };
  size_t i = 0;
  while (i < end && index < kThreadRows) {
    if (!inItem) {
      if (At(data, i, end, "encoding=")) {
        encoding = Encoding::None;
        size_t found = 0;
        for (size_t j = i + 10; j < i + 20 && j + 5 <= end; ++j) {
          if (CompareNoCase(data + j, "UTF-8", 5) == 0) {
            encoding = Encoding::Utf8;
            found = 1;
            break;
          }
          if (CompareNoCase(data + j, "UTF-7", 5) == 0) {
            encoding = Encoding::Utf7;
            found = 1;
            break;
          }
        }
        i += found ? 15 : 10;
        continue;
      }
      if (At(data, i, end, "<item") || At(data, i, end, "<entry")) {
        inItem = true;
        i += 5;
        item = Item{};
        continue;
      }
      ++i;
      continue;
    }
    if (At(data, i, end, "<title")) {
      size_t open = i + 6;
      while (open < end && data[open] != '>') ++open;
      const char* close = ElementEnd(data, open + 1, end);
      if (!close) break;  // the rest has not arrived
      ReadTitle(data + open + 1, static_cast<size_t>(close - data - open - 1), encoding, item.title);
      i = static_cast<size_t>(close - data);
      continue;
    }
    if (At(data, i, end, "<link>")) {
      const char* close = ElementEnd(data, i + 6, end);
      if (!close) break;
      ReadAddress(data + i + 6, static_cast<size_t>(close - data - i - 6), item.link);
      i = static_cast<size_t>(close - data);
      continue;
    }
    bool enclosure = At(data, i, end, "<enclosure");
    bool atomLink = !enclosure && At(data, i, end, "<link ");
    if (enclosure || atomLink) {
      size_t close = i + 1;
      while (close < end && data[close] != '>') ++close;
      if (close >= end) break;
      const char* tag = data + i;
      size_t n = close - i;
      const char* value;
      size_t valueLength;
      if (enclosure) {
        if (Attribute(tag, n, "url", &value, &valueLength)) ReadAddress(value, valueLength, item.enclosure);
        if (Attribute(tag, n, "length", &value, &valueLength)) item.length = ParseLength(value, valueLength);
      } else if (Attribute(tag, n, "href", &value, &valueLength)) {
        const char* rel;
        size_t relLength;
        bool isEnclosure =
            Attribute(tag, n, "rel", &rel, &relLength) && relLength == 9 && CompareNoCase(rel, "enclosure", 9) == 0;
        if (isEnclosure) {
          ReadAddress(value, valueLength, item.enclosure);
          if (Attribute(tag, n, "length", &value, &valueLength)) item.length = ParseLength(value, valueLength);
        } else if (!item.link[0]) {
          ReadAddress(value, valueLength, item.link);
        }
      }
      i = close + 1;
      continue;
    }
    if (At(data, i, end, "</item>") || At(data, i, end, "</entry>")) {
      if (item.title[0]) {
        if (item.link[0]) store(item.title, item.link, 0);
        if (item.enclosure[0]) {
          char label[8], title[kFeedField + 16];
          EnclosureLabel(item.enclosure, label, sizeof label);
          FormatText(title, sizeof title, "[%s]%s", label, item.title);
          store(title, item.enclosure, item.length);
        }
      }
      item = Item{};
      inItem = false;
      i += 7;
      continue;
    }
    ++i;
  }
  return table.used;
}

}  // namespace kv
