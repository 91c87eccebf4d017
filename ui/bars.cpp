#include "ui/bars.h"

#include <cstring>

#include "core/text.h"

namespace kv {

void AddressForDisplay(const char* address, char* out, size_t cap) {
  CopyTextN(out, cap, address, strnlen(address, 250));
  if (strlen(out) >= 7 && out[0] == 'h' && memcmp(out + 4, "://", 3) == 0) memcpy(out, "http", 4);
}

size_t StatusLine(int downloads, const char* text, char* out, size_t cap) {
  return FormatText(out, cap, "(%d) %s", downloads, text);
}

}  // namespace kv
