#include "core/text.h"

#include <cstdio>
#include <cstring>

namespace kv {

static inline unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

int CompareNoCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
    unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

size_t SjisCutLength(const char* s, size_t len, size_t max) {
  if (len <= max) return len;
  // Walk characters from the start: a trail byte can look like a lead byte,
  // so the boundary can only be found going forwards.
  size_t i = 0;
  while (i < max) {
    size_t step = IsSjisLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return i;
}

size_t CopyTextN(char* dst, size_t cap, const char* src, size_t n) {
  if (cap == 0) return 0;
  size_t len = SjisCutLength(src, n, cap - 1);
  memmove(dst, src, len);
  dst[len] = 0;
  return len;
}

size_t CopyText(char* dst, size_t cap, const char* src) {
  return CopyTextN(dst, cap, src, strnlen(src, cap));
}

size_t AppendText(char* dst, size_t cap, const char* src) {
  size_t have = strnlen(dst, cap);
  if (have >= cap) return have;
  return have + CopyText(dst + have, cap - have, src);
}

size_t FormatTextV(char* dst, size_t cap, const char* format, va_list args) {
  if (cap == 0) return 0;
  int n = vsnprintf(dst, cap, format, args);
  if (n < 0) {
    dst[0] = 0;
    return 0;
  }
  size_t len = static_cast<size_t>(n);
  if (len >= cap) {
    // Only the first cap - 1 bytes were written; the walk reads no further.
    len = SjisCutLength(dst, len, cap - 1);
    dst[len] = 0;
  }
  return len;
}

size_t FormatText(char* dst, size_t cap, const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = FormatTextV(dst, cap, format, args);
  va_end(args);
  return n;
}

bool EndsWithSeparator(const char* s) {
  bool last = false;
  while (*s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (IsSjisLead(c) && s[1]) {
      last = false;
      s += 2;
    } else {
      last = c == '\\' || c == '/';
      ++s;
    }
  }
  return last;
}

int32_t ParseInt(const char* s) {
  while (*s == ' ' || *s == '\t') ++s;
  bool neg = false;
  if (*s == '-' || *s == '+') neg = (*s++ == '-');
  int64_t v = 0;
  while (*s >= '0' && *s <= '9') {
    v = v * 10 + (*s++ - '0');
    if (v > 0x80000000LL) v = 0x80000000LL;  // saturate, never overflow
  }
  if (neg) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  return static_cast<int32_t>(v);
}

namespace {
bool UrlKeeps(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '*' || b == '-' || b == '.' || b == '@' || b == '_';
}
}  // namespace

size_t UrlEncode(const char* in, size_t n, char* out, size_t cap, bool* cut) {
  static const char kHex[] = "0123456789abcdef";
  if (cut) *cut = false;
  if (!out || cap == 0) {
    if (cut && n > 0) *cut = true;
    return 0;
  }
  size_t o = 0;
  size_t i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    // A two-byte character is written whole or not at all.
    const size_t take = (IsSjisLead(c) && i + 1 < n) ? 2 : 1;
    size_t need = 0;
    // Both bytes of a two-byte character are encoded, even a trail byte
    // that looks like a letter ("全" is 0x91 0x53, "S").
    for (size_t k = 0; k < take; ++k) {
      const unsigned char b = static_cast<unsigned char>(in[i + k]);
      need += (take == 1 && (UrlKeeps(b) || b == ' ')) ? 1 : 3;
    }
    if (o + need > cap - 1) {
      if (cut) *cut = true;
      break;
    }
    for (size_t k = 0; k < take; ++k) {
      const unsigned char b = static_cast<unsigned char>(in[i + k]);
      if (take == 2) {
        out[o++] = '%';
        out[o++] = kHex[b >> 4];
        out[o++] = kHex[b & 15];
      } else if (b == ' ') {
        out[o++] = '+';
      } else if (UrlKeeps(b)) {
        out[o++] = static_cast<char>(b);
      } else {
        out[o++] = '%';
        out[o++] = kHex[b >> 4];
        out[o++] = kHex[b & 15];
      }
    }
    i += take;
  }
  out[o] = 0;
  return o;
}

}  // namespace kv
