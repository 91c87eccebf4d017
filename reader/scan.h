// Fast forward scans over Shift_JIS text for the parsers of this folder.
//
// Every byte the parsers look for (line ends, "<", "&", blanks, TAB, NUL) is
// below 0x40, and no Shift_JIS second byte is (they run 0x40-0x7E and
// 0x80-0xFC). So a scan can look for those bytes alone, many at a time,
// without walking characters: such a byte always stands at a character
// boundary. A lead byte followed by one of them is a broken character of
// one byte, and the byte after it keeps its meaning (a line end still ends
// the record, a "<" still starts a tag).
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kv {

// Lead bytes as the record reader takes them (0x80 too) and as every other
// scanner does.
struct LeadSet {
  uint8_t in[256];
  constexpr explicit LeadSet(bool with80) : in{} {
    for (int c = 0x81; c <= 0x9F; ++c) in[c] = 1;
    for (int c = 0xE0; c <= 0xFF; ++c) in[c] = 1;
    if (with80) in[0x80] = 1;
  }
};
inline constexpr LeadSet kSjisLeads(false);
inline constexpr LeadSet kRecordLeads(true);

// First index at or after i (below n) whose byte is one of Bytes or not
// above Max (with Max 0x0D: NUL, TAB, LF, CR and the rarer controls with
// them, which the caller tells apart; -1 for none), or n. Sixteen bytes at a time
// where the compiler has vector types (both of ours do: SSE2 on x86-64),
// eight with word arithmetic otherwise.
template <int Max, unsigned char... Bytes>
inline size_t NextStop(const unsigned char* s, size_t i, size_t n) {
  static_assert(std::endian::native == std::endian::little, "first-match index assumes little-endian words");
#if defined(__GNUC__)
  typedef unsigned char V16 __attribute__((vector_size(16)));
  auto stops = [](const unsigned char* p) {
    V16 x;
    memcpy(&x, p, 16);
    V16 m = (V16{} | ... | reinterpret_cast<V16>(x == static_cast<unsigned char>(Bytes)));
    if constexpr (Max >= 0) m |= reinterpret_cast<V16>(x <= static_cast<unsigned char>(Max));
    return m;
  };
#if defined(__SSE2__)
  // One bit per byte straight from the vector unit.
  typedef char C16 __attribute__((vector_size(16)));
  while (i + 16 <= n) {
    unsigned bits = static_cast<unsigned>(__builtin_ia32_pmovmskb128(reinterpret_cast<C16>(stops(s + i))));
    if (bits) return i + static_cast<size_t>(std::countr_zero(bits));
    i += 16;
  }
#else
  typedef uint64_t V2 __attribute__((vector_size(16)));
  while (i + 16 <= n) {
    V2 w = reinterpret_cast<V2>(stops(s + i));
    if (w[0] | w[1]) return i + static_cast<size_t>(w[0] ? std::countr_zero(w[0]) : 64 + std::countr_zero(w[1])) / 8;
    i += 16;
  }
#endif
#endif
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  while (i + 8 <= n) {
    uint64_t w;
    memcpy(&w, s + i, 8);
    // A zero byte of w ^ pattern is a match; the lowest flag is exact.
    uint64_t hit = (uint64_t{0} | ... | (((w ^ (kOnes * Bytes)) - kOnes) & ~(w ^ (kOnes * Bytes)) & kHigh));
    if constexpr (Max >= 0) hit |= (w - kOnes * (Max + 1)) & ~w & kHigh;
    if (hit) return i + static_cast<size_t>(std::countr_zero(hit)) / 8;
    i += 8;
  }
  while (i < n && !(Max >= 0 && s[i] <= Max) && ((s[i] != Bytes) && ...)) ++i;
  return i;
}

template <unsigned char... Bytes>
inline size_t NextOf(const unsigned char* s, size_t i, size_t n) {
  return NextStop<-1, Bytes...>(s, i, n);
}

// First i (i + 1 < n) with s[i] == a and s[i + 1] == b, or n.
inline size_t FindPair(const unsigned char* s, size_t n, unsigned char a, unsigned char b) {
  size_t i = 0;
#if defined(__GNUC__) && defined(__SSE2__)
  typedef unsigned char V16 __attribute__((vector_size(16)));
  typedef char C16 __attribute__((vector_size(16)));
  while (i + 17 <= n) {
    V16 x, y;
    memcpy(&x, s + i, 16);
    memcpy(&y, s + i + 1, 16);
    V16 m = reinterpret_cast<V16>(x == a) & reinterpret_cast<V16>(y == b);
    unsigned bits = static_cast<unsigned>(__builtin_ia32_pmovmskb128(reinterpret_cast<C16>(m)));
    if (bits) return i + static_cast<size_t>(std::countr_zero(bits));
    i += 16;
  }
#endif
  for (; i + 1 < n; ++i)
    if (s[i] == a && s[i + 1] == b) return i;
  return n;
}

// The longest prefix of s[0..n) of at most max bytes that ends on a
// character boundary under leads.
inline size_t CutAtBoundary(const unsigned char* s, size_t n, size_t max, const LeadSet& leads) {
  if (n <= max) return n;
  size_t i = 0;
  while (i < max) {
    size_t step = leads.in[s[i]] && i + 1 < n && s[i + 1] >= 0x40 ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return i;
}

}  // namespace kv
