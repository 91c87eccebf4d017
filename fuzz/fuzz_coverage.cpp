// Coverage feedback for g++-instrumented code: every trace-pc call bumps a
// counter in libFuzzer's extra-counters section, keyed by the call site.
#include <cstdint>

extern "C" {
__attribute__((section("__libfuzzer_extra_counters"))) uint8_t kv_fuzz_counters[1 << 16];

void __sanitizer_cov_trace_pc() {
  uintptr_t pc = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
  uint8_t& c = kv_fuzz_counters[(pc ^ (pc >> 16)) & 0xFFFF];
  if (c != 0xFF) ++c;
}
}
