// The settings file is read from disk, where anything may stand.
#include <cstdint>
#include <cstring>

#include "core/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kv::Settings s;
  kv::SetSettingsDefaults(s, {"C:\\kv\\", 800, 600});
  kv::ApplySettingsText(s, reinterpret_cast<const char*>(data), size, "C:\\kv\\", {800, 600});
  // Whatever was read must format back within the file's bound.
  static char out[kv::kSettingsTextMax];
  size_t n = kv::FormatSettingsText(s, "C:\\kv\\", out, sizeof out);
  if (n == 0 || n >= sizeof out || strlen(out) != n) __builtin_trap();
  return 0;
}
