#include "core/store_win.h"

#include <windows.h>

#include <utility>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/store.h"

namespace kv {

int StoreFile(const char* path, const void* data, size_t length, bool compressionAllowed) {
  if (length > 0 && !data) return 0;
  // A buffer that starts with a zero byte is what a failed or cancelled
  // transfer leaves behind; storing it would replace a good log by nothing.
  if (IsNullData(data, length)) {
    WriteEventLog('i', "nullﾃﾞｰﾀ");
    return 0;
  }
  StoreBuffer packed;
  if (!PackForStore(data, length, g_settings.ZipPack, compressionAllowed, &packed)) return 0;
  const void* bytes = packed.data ? packed.data.get() : data;
  size_t n = packed.data ? packed.length : length;
  // An empty download has no local copy: the old one goes and the answer is
  // 0. Text lists (compression not allowed) may be empty files.
  if (compressionAllowed && n == 0) {
    SjDeleteFile(path);
    return 0;
  }
  // The old file is replaced in one step, never deleted first: until the new
  // bytes are all on disk the old ones stay where they are.
  return ReplaceFileContents(path, bytes, n) ? 1 : 0;
}

bool LoadFile(const char* path, FileBuffer* out) {
  FileBuffer raw;
  if (!ReadWholeFile(path, kLoadSpare, &raw) || raw.size == 0) return false;
  if (!IsContainer(raw.data, raw.size)) {
    *out = std::move(raw);
    return true;
  }
  StoreBuffer expanded;
  if (!ExpandContainer(raw.data, raw.size, &expanded)) return false;
  FileBuffer result;
  result.size = expanded.length;
  result.data = expanded.data.release();
  *out = std::move(result);
  return true;
}

}  // namespace kv
