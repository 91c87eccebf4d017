// Kvel.key is edited by hand and read at every start.
#include <cstdint>

#include "ui/keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kv::KeyBindings b;
  static kv::Settings s;
  kv::SetUpKeyTables(b, s);
  kv::ApplyKeyFile(b, s, reinterpret_cast<const char*>(data), size);
  for (int m = 0; m < kv::kPopupMenus; ++m)
    if (kv::PopupItems(b, m).count > kv::kPopupItemsMax) __builtin_trap();
  if (b.launchers > kv::kLaunchersMax) __builtin_trap();
  return 0;
}
