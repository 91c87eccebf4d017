// Fast forward scans over Shift_JIS text for the parsers of this folder.
//
// Every byte the parsers look for (line ends, "<", "&", blanks, TAB, NUL) is
// below 0x40, and a valid trail byte never is, so a scan can run over whole
// words looking only for such bytes. Where one is found it can still be the
// trail of a broken pair: IsTrailAt settles that by counting the lead-class
// bytes right before it back to the last known character boundary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kv {

// A 256-entry table: non-zero for the bytes a scan stops at.
struct ByteSet {
  uint8_t in[256];
  constexpr ByteSet(const char* bytes, size_t count) : in{} {
    for (size_t i = 0; i < count; ++i) in[static_cast<unsigned char>(bytes[i])] = 1;
  }
};

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

// First index at or after i (below n) whose byte is in set, or n. Only
// meant for sets of bytes below 0x40.
inline size_t NextOf(const unsigned char* s, size_t i, size_t n, const ByteSet& set) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  while (i + 8 <= n) {
    uint64_t w;
    memcpy(&w, s + i, 8);
    // Some byte below 0x40? (exact for every byte value)
    if (((w - kOnes * 0x40) & ~w & kHigh) == 0) {
      i += 8;
      continue;
    }
    for (size_t k = 0; k < 8; ++k)
      if (set.in[s[i + k]]) return i + k;
    i += 8;
  }
  while (i < n && !set.in[s[i]]) ++i;
  return i;
}

// Whether s[i] is the second byte of a pair, given that runStart (<= i) is a
// character boundary.
inline bool IsTrailAt(const unsigned char* s, size_t i, size_t runStart, const LeadSet& leads) {
  size_t j = i;
  while (j > runStart && leads.in[s[j - 1]]) --j;
  return ((i - j) & 1) != 0;
}

// The longest prefix of s[0..n) of at most max bytes that ends on a
// character boundary under leads.
inline size_t CutAtBoundary(const unsigned char* s, size_t n, size_t max, const LeadSet& leads) {
  if (n <= max) return n;
  size_t i = 0;
  while (i < max) {
    size_t step = leads.in[s[i]] ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return i;
}

}  // namespace kv
