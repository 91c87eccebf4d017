// Byte-text helpers shared by every subsystem. All text is Shift_JIS.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace kv {

// A byte 0x81-0x9F or 0xE0-0xFF begins a two-byte character.
inline bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || c >= 0xE0; }

// Compares n bytes, folding only a-z to upper case. Returns -1, 0 or 1.
int CompareNoCase(const char* a, const char* b, size_t n);

// Whether text (n bytes) stands at s[at..len), compared character by
// character: a-z are folded to upper case in single-byte characters only,
// two-byte characters must match exactly. Searches use this, never
// CompareNoCase, whose folding would take a trail byte for a letter.
bool MatchesTextAt(const char* s, size_t len, size_t at, const char* text, size_t n);

// Byte offset of the first place in s[0..len) where text (n bytes) stands,
// starting on a character boundary and among the first maxStarts characters;
// -1 when there is none or text is empty.
ptrdiff_t FindText(const char* s, size_t len, const char* text, size_t n, size_t maxStarts = SIZE_MAX);

// Length of the longest prefix of s[0..len) that is at most max bytes and
// does not end inside a two-byte character.
size_t SjisCutLength(const char* s, size_t len, size_t max);

// Copies src (n bytes, or up to its terminator) into dst of cap bytes,
// always terminated, cut at a character boundary. Returns the length copied.
size_t CopyText(char* dst, size_t cap, const char* src);
size_t CopyTextN(char* dst, size_t cap, const char* src, size_t n);
template <size_t N> size_t CopyText(char (&dst)[N], const char* src) { return CopyText(dst, N, src); }

// Appends src to the text already in dst, within cap bytes.
size_t AppendText(char* dst, size_t cap, const char* src);
template <size_t N> size_t AppendText(char (&dst)[N], const char* src) { return AppendText(dst, N, src); }

// snprintf into dst of cap bytes; a result that does not fit is cut at a
// character boundary. Returns the length written.
size_t FormatText(char* dst, size_t cap, const char* format, ...) __attribute__((format(printf, 3, 4)));
size_t FormatTextV(char* dst, size_t cap, const char* format, va_list args);

// Whether the last character (not a trail byte) is "\\" or "/".
bool EndsWithSeparator(const char* s);

// Decimal number with optional sign after optional blanks, read as far as it
// parses (so "12abc" is 12 and "abc" is 0).
int32_t ParseInt(const char* s);

// Percent-encodes n bytes of in for a form body or a query: A-Z, a-z and
// "*-.@_" stay, a blank becomes "+", every other byte (digits and both bytes
// of a two-byte character too) becomes "%" and two lower-case hex digits.
// Writes at most cap-1 bytes and a terminator. When the whole text does not
// fit, it stops before the first character that does not fit whole (never
// half a character) and sets *cut. Returns the length written.
size_t UrlEncode(const char* in, size_t n, char* out, size_t cap, bool* cut);

}  // namespace kv
