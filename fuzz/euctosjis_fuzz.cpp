// A rental board's pages and lists arrive in EUC-JP, or in anything else.
#include <cstdint>
#include <cstring>

#include "reader/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* src = reinterpret_cast<const char*>(data);
  size_t measured = kv::eucToSjis(src, nullptr, size);
  if (measured > size) __builtin_trap();  // the output never grows
  char* copy = new char[size + 1];
  memcpy(copy, data, size);
  size_t n = kv::eucToSjis(copy, copy, size);  // in place, as the log update does it
  if (n != measured) __builtin_trap();
  char* out = new char[size + 1];
  if (kv::eucToSjis(src, out, size) != n || memcmp(out, copy, n) != 0) __builtin_trap();
  delete[] out;
  delete[] copy;
  return 0;
}
