// Choosing the thread-view font face from the installed families.
#pragma once
#include <cstddef>

namespace kv {

inline constexpr char kUiGothic[] = "MS UI Gothic";
inline constexpr char kPGothic[] = "ＭＳ Ｐゴシック";

// Slots: 0 "MS UI Gothic", 1 "ＭＳ Ｐゴシック", 2 the requested face, 3-5 the
// first other faces that can draw Japanese.
struct FontChoice {
  char requested[64];
  char slots[6][64];
};

void BeginFontChoice(FontChoice& c, const char* requested);
// Offers one enumerated family; true when it was kept (the caller logs it).
bool OfferFontFamily(FontChoice& c, const char* face, int charset);
// The face to use: the requested one when it was found, else the first kept
// slot, else the request unchanged.
void FinishFontChoice(const FontChoice& c, char* out, size_t cap);

// Character sets of faces that draw Japanese text: the double-byte sets.
// Latin sets above 128 (Greek 161, Turkish 162, Baltic 186...) do not.
bool IsDoubleByteCharset(int charset);

}  // namespace kv
