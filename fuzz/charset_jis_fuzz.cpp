// Text in a declared charset is converted to Shift_JIS whatever it holds.
#include <cstdint>
#include <cstring>

#include "fuzz/reader_fuzz_util.h"
#include "reader/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* in = reinterpret_cast<const char*>(data);
  kv::ConvertedText t;
  if (kv::Iso2022ToSjis(in, size, &t)) {
    // The result is followed by its zero bytes; the page scan relies on it.
    FUZZ_CHECK(t.data != nullptr && t.data[t.length] == 0);
    FUZZ_CHECK(t.length <= size);  // these never grow
    delete[] t.data;
  }
  char small[64];
  size_t n = kv::Utf8ToSjisInto(in, size, small, sizeof small);
  FUZZ_CHECK(n < sizeof small && small[n] == 0);
  kv::DetectCharset(in, size);
  return 0;
}
