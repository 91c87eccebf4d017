// File addresses come from feeds, pages and typing; partial records and
// Content-Range values from disk and servers. Names stay clean and whole.
#include <cstdint>
#include <cstring>

#include "core/text.h"
#include "net/download.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* in = reinterpret_cast<const char*>(data);
  char address[600];
  kv::CopyTextN(address, sizeof address, in, size);
  char name[260];
  if (kv::DownloadFileName(address, name, sizeof name)) {
    size_t n = strlen(name);
    if (n == 0 || kv::SjisCutLength(name, n, n) != n) __builtin_trap();
    for (size_t i = 0; i < n; ++i) {
      unsigned char c = static_cast<unsigned char>(name[i]);
      if (kv::IsSjisLead(c) && i + 1 < n) {
        ++i;
        continue;
      }
      if (c < 0x20 || strchr("\\/:*?\"<>|", c)) __builtin_trap();
    }
    if (name[n - 1] == '.' || name[n - 1] == ' ') __builtin_trap();
  }
  kv::DownloadPaths paths;
  if (kv::MakeDownloadPaths("C:\\dl", address, &paths) && strlen(paths.record) > 259) __builtin_trap();
  kv::PartRecord record;
  if (kv::ParsePartRecord(in, size, &record) && strlen(record.address) >= sizeof record.address) __builtin_trap();
  int64_t start = 0, total = 0;
  if (kv::ParseContentRange(address, &start, &total) && (start < 0 || (total >= 0 && total <= start))) __builtin_trap();
  kv::FileAnswerResult r = kv::DecideFileAnswer({206, 100, 1000, address});
  if (r.answer == kv::FileAnswer::Append && r.fullSize > kv::kDownloadSizeLimit) __builtin_trap();
  char args[800];
  if (kv::PlayerArguments(address, args, sizeof args)) {
    size_t n = strlen(args);
    if (n < 2 || memchr(args + 1, '"', n - 2)) __builtin_trap();
  }
  return 0;
}
