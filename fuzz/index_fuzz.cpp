// Thread indexes come from servers (subject.txt, comma indexes) and from the
// program's own acquired.txt files; every mode of the parser sees the bytes.
#include <cstdint>
#include <cstring>

#include "boards/acquired.h"
#include "boards/threadlist.h"
#include "core/text.h"

namespace {

kv::ThreadLists* Lists() {
  static kv::ThreadLists lists;
  static bool ready = kv::CreateThreadLists(lists);
  return ready ? &lists : nullptr;
}

void CheckRows(const kv::ThreadTable& t) {
  if (t.used < 0 || t.used > kv::kThreadRows) __builtin_trap();
  for (int32_t i = 0; i < t.used; ++i) {
    const kv::ThreadRow& r = t.rows[i];
    size_t n = strnlen(r.title, sizeof r.title);
    if (n >= sizeof r.title) __builtin_trap();
    if (kv::SjisCutLength(r.title, n, n) != n) __builtin_trap();  // never half a character
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::ThreadLists* l = Lists();
  if (!l) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  l->current = l->display[0];
  kv::ParseThreadList(*l, text, size, kv::ParseMode::Replace, 0, nullptr);
  CheckRows(*l->current);
  kv::ParseThreadList(*l, text, size, kv::ParseMode::Extend, size / 3, nullptr);
  kv::ParseThreadList(*l, text, size, kv::ParseMode::Append, 0, "http://h.example/b/");
  CheckRows(*l->current);
  kv::LocalLogs none = {nullptr, nullptr};
  kv::SortRows(*l, static_cast<int>(size % 5), size & 1, kv::ByteCompare, none);
  // The acquired list: scanned keys from the first bytes, then the merge.
  kv::BeginAcquiredLoad(*l);
  for (size_t i = 0; i + 1 < size && i < 16; i += 2) kv::AddScannedLog(*l, data[i] * 256 + data[i + 1]);
  kv::FinishAcquiredLoad(*l, text, size, "http://h.example/b/subject.txt");
  CheckRows(*l->acquired);
  static char out[kv::kThreadRows * 112 + 1];
  size_t n = kv::FormatAcquiredFile(*l->acquired, out, sizeof out);
  if (n >= sizeof out) __builtin_trap();
  l->current = l->lookup;
  kv::ClearTable(*l->lookup);
  kv::ParseThreadList(*l, text, size, kv::ParseMode::Merge, 0, nullptr);
  CheckRows(*l->lookup);
  return 0;
}
