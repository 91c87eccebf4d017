// Feeds come from any server: every mode of the feed parser sees the bytes,
// and every row holds a whole title and a link that fits.
#include <cstdint>
#include <cstring>

#include "boards/feed.h"
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
    if (kv::SjisCutLength(r.title, n, n) != n) __builtin_trap();
    if (r.link && strlen(r.link) > kv::kFeedField) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::ThreadLists* l = Lists();
  if (!l) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  l->current = l->display[0];
  kv::ParseFeed(*l, text, size, kv::ParseMode::Replace, 0);
  CheckRows(*l->current);
  kv::ParseFeed(*l, text, size, kv::ParseMode::Extend, size / 3);
  kv::ParseFeed(*l, text, size, kv::ParseMode::Append, 0);
  CheckRows(*l->current);
  char label[8];
  char address[300];
  kv::CopyTextN(address, sizeof address, text, size);
  kv::EnclosureLabel(address, label, sizeof label);
  if (strlen(label) > 4) __builtin_trap();
  return 0;
}
