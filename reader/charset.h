// Text encodings: the one place where other encodings become Shift_JIS.
// EUC-JP and ISO-2022-JP are converted here; UTF-8 and UTF-7 go through the
// platform's code-page conversion (charset_win.cpp, charset_native.cpp).
#pragma once
#include <cstddef>

namespace kv {

enum class Charset { None, ShiftJis, EucJp, Iso2022Jp, Utf7, Utf8 };

// The charset a page declares in a <meta ... charset=...> tag within its
// first 1024 bytes, before "</head" or "<body". None when it declares none.
Charset DetectCharset(const char* data, size_t length);

// A converted text: a heap buffer (free with delete[]) holding length bytes
// followed by zero bytes.
struct ConvertedText {
  char* data = nullptr;
  size_t length = 0;
};

// Page text in EUC-JP to Shift_JIS, by the JIS X 0208 row/cell arithmetic.
// JIS X 0212 characters become "〓". False when memory runs out.
// The rental service's EUC-JP lists and logs, by the plain arithmetic of
// the two encodings (three-byte characters are not recognised).
// destination may be source (the output never grows) or null to measure.
// Returns the converted length.
size_t eucToSjis(const char* source, char* destination, size_t length);

bool EucPageToSjis(const char* src, size_t length, ConvertedText* out);
// ISO-2022-JP (mail and page text) to Shift_JIS. False when memory runs out.
bool Iso2022ToSjis(const char* src, size_t length, ConvertedText* out);
// UTF-8 or UTF-7 to Shift_JIS through the platform's conversion. False when
// the conversion fails or memory runs out.
bool Utf8ToSjis(const char* src, size_t length, ConvertedText* out);
bool Utf7ToSjis(const char* src, size_t length, ConvertedText* out);

// UTF-8 or UTF-7 text into dst (cap bytes, terminated, cut at a character
// boundary). Returns the length written; 0 when the conversion fails.
size_t Utf8ToSjisInto(const char* src, size_t length, char* dst, size_t cap);
size_t Utf7ToSjisInto(const char* src, size_t length, char* dst, size_t cap);

// Detects the page's charset and converts it. True with out set when a new
// buffer results; false when the page is Shift_JIS, declares nothing, or the
// conversion could not be made (the page is then used as it was received).
bool DetectAndConvertCharset(const char* data, size_t length, ConvertedText* out);

// The platform conversion layer (code pages 65001 UTF-8, 65000 UTF-7).
// Each returns the units written into dst (cap units), or the units needed
// when dst is null; 0 on failure. Invalid input becomes replacement
// characters, characters Shift_JIS lacks become "?".
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageUtf7 = 65000;
int PlatformToUtf16(int codePage, const char* src, int length, char16_t* dst, int cap);
int PlatformUtf16ToSjis(const char16_t* src, int length, char* dst, int cap);

}  // namespace kv
