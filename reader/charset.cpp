#include "reader/charset.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "core/text.h"

namespace kv {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;  // SO: half-width katakana follow
constexpr unsigned char kShiftIn = 0x0F;   // SI: back to ASCII
constexpr size_t kDetectWindow = 1024;

inline unsigned char At(const char* s, size_t i) { return static_cast<unsigned char>(s[i]); }

bool StartsNoCase(const char* p, const char* end, const char* word) {
  size_t n = strlen(word);
  return static_cast<size_t>(end - p) >= n && CompareNoCase(p, word, n) == 0;
}

// The Shift_JIS pair of JIS X 0208 row/cell bytes j1, j2 (0x21-0x7E each).
inline void JisToSjis(unsigned j1, unsigned j2, char* out) {
  unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  unsigned s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
  out[0] = static_cast<char>(s1);
  out[1] = static_cast<char>(s2);
}

inline bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// Every conversion here produces at most as many bytes as it reads, so the
// input length plus the customary 256 spare bytes always suffices.
bool AllocateFor(size_t length, ConvertedText* out) {
  if (length > SIZE_MAX - 256) return false;
  char* p = new (std::nothrow) char[length + 256];
  if (!p) return false;
  memset(p, 0, length + 256);
  out->data = p;
  out->length = 0;
  return true;
}

}  // namespace

Charset DetectCharset(const char* data, size_t length) {
  const char* end = data + (length < kDetectWindow ? length : kDetectWindow);
  const char* p = data;
  while (p < end) {
    const char* lt = static_cast<const char*>(memchr(p, '<', static_cast<size_t>(end - p)));
    if (!lt || lt + 1 >= end) break;
    unsigned char next = static_cast<unsigned char>(lt[1]);
    p = lt + 1;
    if (next < 0x09 || next > 0x7F) continue;  // not a tag: "<" in text or a trail byte
    if (StartsNoCase(lt, end, "</head") || StartsNoCase(lt, end, "<body")) return Charset::None;
    if (!StartsNoCase(lt, end, "<meta")) continue;
    const char* gt = static_cast<const char*>(memchr(lt, '>', static_cast<size_t>(end - lt)));
    const char* tagEnd = gt ? gt : end;
    for (const char* q = lt + 5; q + 7 <= tagEnd; ++q) {
      if (CompareNoCase(q, "charset", 7) != 0) continue;
      const char* v = q + 7;
      if (v < tagEnd && *v == '=') ++v;
      if (v < tagEnd && *v == '=') ++v;
      if (v < tagEnd && *v == '"') ++v;
      size_t have = static_cast<size_t>(tagEnd - v);
      if (have >= 3 && (CompareNoCase(v, "SHI", 3) == 0 || CompareNoCase(v, "X-J", 3) == 0)) return Charset::ShiftJis;
      if (have >= 3 && (CompareNoCase(v, "EUC", 3) == 0 || CompareNoCase(v, "X-E", 3) == 0)) return Charset::EucJp;
      if (have >= 3 && (CompareNoCase(v, "JIS", 3) == 0 || CompareNoCase(v, "ISO", 3) == 0)) return Charset::Iso2022Jp;
      if (have >= 5 && CompareNoCase(v, "UTF-7", 5) == 0) return Charset::Utf7;
      if (have >= 5 && CompareNoCase(v, "UTF-8", 5) == 0) return Charset::Utf8;
      q = v - 1;  // an unknown value: look for another declaration after it
    }
    p = tagEnd;
  }
  return Charset::None;
}

size_t eucToSjis(const char* source, char* destination, size_t length) {
  size_t out = 0;
  for (size_t i = 0; i < length;) {
    unsigned char c1 = static_cast<unsigned char>(source[i]);
    if (c1 < 0x80) {
      if (destination) destination[out] = static_cast<char>(c1);
      ++out;
      ++i;
      continue;
    }
    if (c1 == 0x8E) {
      // Single shift: the half-width katakana byte after it stands as it is.
      if (i + 1 < length) {
        if (destination) destination[out] = source[i + 1];
        ++out;
      }
      i += 2;
      continue;
    }
    if (i + 1 >= length) break;  // a first byte without its second: dropped
    unsigned char c2 = static_cast<unsigned char>(source[i + 1]);
    unsigned char s1 = static_cast<unsigned char>((c1 + 1) / 2 + (c1 <= 0xDE ? 0x30 : 0x70));
    unsigned char s2;
    if (c1 & 1)
      s2 = static_cast<unsigned char>(c2 < 0xE0 ? c2 - 0x61 : c2 - 0x60);
    else
      s2 = static_cast<unsigned char>(c2 - 2);
    if (destination) {
      destination[out] = static_cast<char>(s1);
      destination[out + 1] = static_cast<char>(s2);
    }
    out += 2;
    i += 2;
  }
  return out;
}

bool EucPageToSjis(const char* src, size_t length, ConvertedText* out) {
  if (!AllocateFor(length, out)) return false;
  char* d = out->data;
  size_t i = 0;
  while (i < length) {
    unsigned char c = At(src, i);
    if (IsEucByte(c)) {
      if (i + 1 < length && IsEucByte(At(src, i + 1))) {
        JisToSjis(c - 0x80u, At(src, i + 1) - 0x80u, d);
        d += 2;
        i += 2;
      } else if (i + 1 < length && At(src, i + 1) >= 0x80) {
        // A lead whose second byte is no JIS X 0208 cell: no such character.
        *d++ = '?';
        *d++ = '?';
        i += 2;
      } else {
        // A lone lead before ASCII (or at the end): the ASCII byte, often a
        // line end, is kept.
        *d++ = '?';
        ++i;
      }
    } else if (c == 0x8E) {
      // Single shift 2: one half-width katakana byte follows.
      unsigned char k = i + 1 < length ? At(src, i + 1) : 0;
      if (k >= 0xA1 && k <= 0xDF) {
        *d++ = static_cast<char>(k);
        i += 2;
      } else {
        *d++ = '?';
        ++i;
      }
    } else if (c == 0x8F) {
      // Single shift 3: a JIS X 0212 character, which Shift_JIS cannot hold.
      if (i + 2 < length && At(src, i + 1) >= 0xA1 && At(src, i + 2) >= 0xA1) {
        *d++ = static_cast<char>(0x81);
        *d++ = static_cast<char>(0xAC);
        i += 3;
      } else {
        *d++ = '?';
        ++i;
      }
    } else {
      *d++ = static_cast<char>(c);
      ++i;
    }
  }
  out->length = static_cast<size_t>(d - out->data);
  return true;
}

bool Iso2022ToSjis(const char* src, size_t length, ConvertedText* out) {
  if (!AllocateFor(length, out)) return false;
  char* d = out->data;
  bool twoByte = false;
  bool kanaRun = false;  // between SO and SI
  bool g2Kana = false;   // after ESC "*I": ESC "N" gives one katakana
  size_t i = 0;
  auto has = [&](size_t at, const char* seq) {
    size_t n = strlen(seq);
    return at + n <= length && memcmp(src + at, seq, n) == 0;
  };
  while (i < length) {
    unsigned char c = At(src, i);
    if (c == kEsc) {
      kanaRun = false;
      if (has(i + 1, "$@") || has(i + 1, "$B")) {
        twoByte = true;
        i += 3;
      } else if (has(i + 1, "K")) {
        twoByte = true;
        i += 2;
      } else if (has(i + 1, "(B") || has(i + 1, "(H") || has(i + 1, "(J")) {
        twoByte = false;
        i += 3;
      } else if (has(i + 1, "H")) {
        twoByte = false;
        i += 2;
      } else if (has(i + 1, "*I")) {
        g2Kana = true;
        i += 3;
      } else if (has(i + 1, "*B")) {
        g2Kana = false;
        i += 3;
      } else if (g2Kana && has(i + 1, "N") && i + 2 < length && At(src, i + 2) >= 0x21 && At(src, i + 2) <= 0x5F) {
        *d++ = static_cast<char>(At(src, i + 2) + 0x80);
        i += 3;
      } else {
        *d++ = static_cast<char>(c);  // an escape we do not know is kept as it is
        ++i;
      }
    } else if (c == '\r' || c == '\n') {
      // Mail-style text re-designates on every line; a line end always
      // returns to ASCII.
      twoByte = false;
      kanaRun = false;
      *d++ = static_cast<char>(c);
      ++i;
    } else if (c == kShiftOut) {
      kanaRun = true;
      ++i;
    } else if (c == kShiftIn && kanaRun) {
      kanaRun = false;
      ++i;
    } else if (kanaRun) {
      *d++ = static_cast<char>(c >= 0x21 && c <= 0x5F ? c + 0x80 : c);
      ++i;
    } else if (c > 0xA0 && c != 0xFF && i + 1 < length && IsEucByte(At(src, i + 1))) {
      // Some senders mix EUC-JP pairs into ISO-2022-JP text.
      JisToSjis(c - 0x80u, At(src, i + 1) - 0x80u, d);
      d += 2;
      i += 2;
    } else if (twoByte && c >= 0x21 && c <= 0x7E && i + 1 < length && At(src, i + 1) >= 0x21 &&
               At(src, i + 1) <= 0x7E) {
      JisToSjis(c, At(src, i + 1), d);
      d += 2;
      i += 2;
    } else {
      *d++ = static_cast<char>(c);
      ++i;
    }
  }
  out->length = static_cast<size_t>(d - out->data);
  return true;
}

namespace {

// UTF-8/UTF-7 -> UTF-16 -> Shift_JIS through the platform layer.
bool UtfToSjis(int codePage, const char* src, size_t length, ConvertedText* out) {
  if (length == 0) return AllocateFor(0, out);
  if (length > static_cast<size_t>(INT_MAX / 4)) return false;
  int n = static_cast<int>(length);
  int wide = PlatformToUtf16(codePage, src, n, nullptr, 0);
  if (wide <= 0) return false;
  std::unique_ptr<char16_t[]> w(new (std::nothrow) char16_t[static_cast<size_t>(wide)]);
  if (!w) return false;
  wide = PlatformToUtf16(codePage, src, n, w.get(), wide);
  if (wide <= 0) return false;
  int need = PlatformUtf16ToSjis(w.get(), wide, nullptr, 0);
  if (need <= 0) return false;
  size_t room = static_cast<size_t>(need) > length ? static_cast<size_t>(need) : length;
  if (!AllocateFor(room, out)) return false;
  int got = PlatformUtf16ToSjis(w.get(), wide, out->data, need);
  if (got <= 0) {
    delete[] out->data;
    out->data = nullptr;
    return false;
  }
  out->length = static_cast<size_t>(got);
  return true;
}

size_t UtfToSjisInto(int codePage, const char* src, size_t length, char* dst, size_t cap) {
  if (cap == 0) return 0;
  dst[0] = 0;
  ConvertedText t;
  if (!UtfToSjis(codePage, src, length, &t)) return 0;
  size_t n = CopyTextN(dst, cap, t.data, t.length);
  delete[] t.data;
  return n;
}

}  // namespace

bool Utf8ToSjis(const char* src, size_t length, ConvertedText* out) {
  return UtfToSjis(kCodePageUtf8, src, length, out);
}
bool Utf7ToSjis(const char* src, size_t length, ConvertedText* out) {
  return UtfToSjis(kCodePageUtf7, src, length, out);
}

size_t Utf8ToSjisInto(const char* src, size_t length, char* dst, size_t cap) {
  return UtfToSjisInto(kCodePageUtf8, src, length, dst, cap);
}
size_t Utf7ToSjisInto(const char* src, size_t length, char* dst, size_t cap) {
  return UtfToSjisInto(kCodePageUtf7, src, length, dst, cap);
}

bool DetectAndConvertCharset(const char* data, size_t length, ConvertedText* out) {
  switch (DetectCharset(data, length)) {
    case Charset::EucJp:
      return EucPageToSjis(data, length, out);
    case Charset::Iso2022Jp:
      return Iso2022ToSjis(data, length, out);
    case Charset::Utf7:
      return Utf7ToSjis(data, length, out);
    case Charset::Utf8:
      return Utf8ToSjis(data, length, out);
    case Charset::ShiftJis:
    case Charset::None:
      break;
  }
  return false;
}

}  // namespace kv
