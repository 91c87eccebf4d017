// A stored file that begins like a container may be anything: a damaged
// copy, a file from elsewhere, a server's gzip body.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> file(data, data + size);
  if (size >= 2) {
    file[0] = static_cast<char>(0x1F);
    file[1] = static_cast<char>(0x8B);
  }
  size_t limit = 5 * size + 1024;
  std::vector<char> out(limit + 1024, 0);
  size_t expanded = 0;
  int z = kv::ExpandContainer(file.data(), file.size(), out.data(), limit, &expanded);
  if (z == Z_OK && expanded > limit) __builtin_trap();
  uint32_t stored;
  kv::ContainerStoredLength(file.data(), file.size(), &stored);
  // Whatever is stored must come back.
  kv::StoreBytes plan;
  kv::PlanStoreBytes(reinterpret_cast<const char*>(data), size, 6, true, &plan);
  if (plan.owned) {
    std::vector<char> back(5 * plan.length + 2048, 0);
    if (kv::ExpandContainer(plan.data, plan.length, back.data(), 5 * plan.length + 1024, &expanded) != Z_OK ||
        expanded != size || memcmp(back.data(), data, size) != 0)
      __builtin_trap();
  }
  return 0;
}
