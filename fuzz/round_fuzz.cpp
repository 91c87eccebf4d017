// round.txt is edited by hand and appended to from any thread's title: the
// list read from it stays within its fifty entries and its buffers, agrees
// with the count the title/URL dialog uses, and never hands the patrol an
// address that was cut.
#include <cstdint>
#include <cstring>
#include <memory>

#include "boards/patrol.h"
#include "boards/round.h"
#include "core/text.h"
#include "fuzz/reader_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* p = reinterpret_cast<const char*>(data);
  auto list = std::make_unique<kv::PatrolList>();
  int32_t count = kv::ParseRoundList(p, size, list.get());
  FUZZ_CHECK(count >= 0 && count <= kv::kMaxRoundEntries && count == list->count);
  FUZZ_CHECK(count == kv::CountRoundEntries(p, size));
  for (int32_t i = 0; i < count; ++i) {
    const kv::PatrolEntry& e = list->entries[i];
    size_t n = strnlen(e.name, sizeof e.name);
    FUZZ_CHECK(n < sizeof e.name && kv::SjisCutLength(e.name, n, n) == n);
    FUZZ_CHECK(strnlen(e.address, sizeof e.address) < sizeof e.address);
    FUZZ_CHECK(e.hasAddress || !e.address[0]);
    for (size_t k = 0; k < n; ++k) FUZZ_CHECK(e.name[k] != '\r' && e.name[k] != '\n');
    char fetch[kv::kAddressMax];
    if (kv::PatrolFetchAddress(e, fetch, sizeof fetch)) {
      FUZZ_CHECK(e.hasAddress && !e.addressTooLong && fetch[0]);
      FUZZ_CHECK(strnlen(fetch, sizeof fetch) < sizeof fetch);
    } else {
      FUZZ_CHECK(fetch[0] == 0);
    }
  }
  return 0;
}
