// A reading script's page comes from the network: any bytes, any numbers.
#include <cstdint>
#include <cstring>
#include <new>

#include "net/update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte picks the posts held, the second the spare room, so that
  // short buffers and long runs of placeholders are both reached.
  int32_t held = data[0] % 64;
  size_t spare = static_cast<size_t>(data[1]) * 16 + 8;
  data += 2, size -= 2;
  size_t capacity = size + spare;
  char* buf = new char[capacity];
  memcpy(buf, data, size);
  memset(buf + size, 0x5A, spare);  // not zero: the conversion must end the text itself
  size_t n = kv::htmlToDat(buf, size, capacity, held);
  if (n + kv::kHtmlToDatTrailer > capacity) __builtin_trap();
  for (size_t i = 0; i < kv::kHtmlToDatTrailer; ++i)
    if (buf[n + i] != 0) __builtin_trap();
  // Every line the conversion writes ends in CR LF.
  if (n && (n < 2 || buf[n - 2] != '\r' || buf[n - 1] != '\n')) __builtin_trap();
  delete[] buf;
  return 0;
}
