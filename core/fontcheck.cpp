#include "core/fontcheck.h"

#include <cstring>

#include "core/text.h"

namespace kv {

bool IsDoubleByteCharset(int charset) {
  // SHIFTJIS 128, HANGUL 129, JOHAB 130, GB2312 134, CHINESEBIG5 136.
  return charset == 128 || charset == 129 || charset == 130 || charset == 134 || charset == 136;
}

void BeginFontChoice(FontChoice& c, const char* requested) {
  memset(&c, 0, sizeof c);
  CopyText(c.requested, requested && *requested ? requested : kUiGothic);
}

bool OfferFontFamily(FontChoice& c, const char* face, int charset) {
  if (!face || !*face) return false;
  int slot = -1;
  if (strcmp(face, kUiGothic) == 0)
    slot = 0;
  else if (strcmp(face, kPGothic) == 0)
    slot = 1;
  else if (strcmp(face, c.requested) == 0)
    slot = 2;
  if (slot >= 0) {
    if (c.slots[slot][0]) return false;  // the same family under another character set
    CopyText(c.slots[slot], face);
    return true;
  }
  // Vertical faces ("@...") draw every character turned on its side.
  if (face[0] == '@' || !IsDoubleByteCharset(charset)) return false;
  for (int i = 0; i < 6; ++i)
    if (strcmp(c.slots[i], face) == 0) return false;
  for (int i = 3; i < 6; ++i) {
    if (!c.slots[i][0]) {
      CopyText(c.slots[i], face);
      return true;
    }
  }
  return false;
}

void FinishFontChoice(const FontChoice& c, char* out, size_t cap) {
  for (int i = 0; i < 3; ++i) {
    if (c.slots[i][0] && strcmp(c.slots[i], c.requested) == 0) {
      CopyText(out, cap, c.requested);
      return;
    }
  }
  for (const auto& slot : c.slots) {
    if (slot[0]) {
      CopyText(out, cap, slot);
      return;
    }
  }
  CopyText(out, cap, c.requested);
}

}  // namespace kv
