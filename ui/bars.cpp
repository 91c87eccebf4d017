#include "ui/bars.h"

#include <cstring>

#include "core/text.h"

namespace kv {

void AddressForDisplay(const char* address, char* out, size_t cap) {
  CopyTextN(out, cap, address, strnlen(address, 250));
  // "h???://" and its secure twin "h????s://" ("h2chs://" -> "https://").
  size_t n = strlen(out);
  if (out[0] == 'h' &&
      ((n >= 7 && memcmp(out + 4, "://", 3) == 0) || (n >= 8 && out[4] == 's' && memcmp(out + 5, "://", 3) == 0)))
    memcpy(out, "http", 4);
}

size_t StatusLine(int downloads, const char* text, char* out, size_t cap) {
  // A status is one line: job texts end in a line break ("ok\r\n"), which a
  // status bar would draw as boxes.
  size_t n = 0;
  while (text[n] && static_cast<unsigned char>(text[n]) >= 0x20) ++n;
  return FormatText(out, cap, "(%d) %.*s", downloads, static_cast<int>(n), text);
}

}  // namespace kv
