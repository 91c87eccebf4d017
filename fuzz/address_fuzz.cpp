// Addresses come from servers (board menus, links), the address bar and files.
#include <cstdint>
#include <cstring>

#include "core/address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char in[400];
  size_t n = size < sizeof in - 1 ? size : sizeof in - 1;
  memcpy(in, data, n);
  in[n] = 0;
  // In-place functions get a 260-byte buffer whose tail is watched.
  char buf[300];
  memset(buf, 0x5A, sizeof buf);
  size_t m = strnlen(in, 259);
  memcpy(buf, in, m);
  buf[m] = 0;
  kv::ToDatUrl(buf);
  kv::ToReadUrl(buf);
  for (size_t i = kv::kAddressMax; i < sizeof buf; ++i)
    if (buf[i] != 0x5A) __builtin_trap();
  char out[kv::kAddressMax];
  kv::SubjectUrlOf(in, out);
  if (strlen(out) >= kv::kAddressMax) __builtin_trap();
  size_t folder = 0;
  size_t len = kv::LocalPathFor(in, "C:\\kv\\log\\", (size & 1) ? "D:\\dl\\" : nullptr, out, sizeof out, &folder);
  if (len >= kv::kAddressMax || folder > len) __builtin_trap();
  kv::ClassifyBoard(in);
  kv::ClassifyContent(reinterpret_cast<const char*>(data), size);
  kv::ClassifyContent(in, m + 1 > 249 ? 249 : m + 1);
  return 0;
}
