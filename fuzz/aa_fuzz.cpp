// Body lines of any content go through the ASCII-art test on every paint.
#include <cstdint>

#include "fuzz/reader_fuzz_util.h"
#include "reader/ngword.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* line = reinterpret_cast<const char*>(data);
  bool art = kv::LooksLikeAA(line, size, 1);
  FUZZ_CHECK(!kv::LooksLikeAA(line, size, 0));
  FUZZ_CHECK(kv::LooksLikeAA(line, size, 2));
  // Only the first 24 bytes (and a character starting at byte 23) count.
  if (size > 25) FUZZ_CHECK(kv::LooksLikeAA(line, 25, 1) == art);
  return 0;
}
