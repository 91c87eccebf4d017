#include "core/store_win.h"

#include <windows.h>
#include <zlib.h>

#include <cstring>
#include <new>
#include <utility>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/store.h"

namespace kv {

int StoreFile(const char* path, const void* data, size_t length, bool compressionAllowed) {
  const char* bytes = static_cast<const char*>(data);
  if (length > 0 && IsNullData(bytes, length)) {
    WriteEventLog('i', "nullﾃﾞｰﾀ");
    return 0;
  }
  StoreBytes plan;
  PlanStoreBytes(bytes, length, g_settings.ZipPack, compressionAllowed, &plan);
  // An empty download removes the stored copy (callers rely on it to drop a
  // log the server no longer has).
  if (compressionAllowed && plan.length == 0) {
    SjDeleteFile(path);
    return 0;
  }
  // Written to a temporary file and moved over the old one: a crash or a
  // full disk in between leaves the old copy, never half a log.
  return ReplaceFileContents(path, plan.data, plan.length) ? 1 : 0;
}

bool LoadFile(const char* path, FileBuffer* out) {
  FileBuffer file;
  if (LoadFileAs(path, &file) != FileRead::Read || file.size == 0) return false;
  *out = std::move(file);
  return true;
}

FileRead LoadFileAs(const char* path, FileBuffer* out) {
  FileBuffer file;
  FileRead read = ReadWholeFileAs(path, kLoadSpare, &file);
  if (read != FileRead::Read) return read;
  if (file.size == 0 || !IsContainer(file.data, file.size)) {
    *out = std::move(file);
    return FileRead::Read;
  }
  // The stored length is not trusted for the size of the output: every
  // container this program writes compressed to more than 20 %, so five
  // times the file size is always enough.
  size_t limit = 5 * file.size + 1024;
  char* expanded = new (std::nothrow) char[limit + kLoadSpare];
  if (!expanded) return FileRead::Unreadable;
  memset(expanded, 0, limit + kLoadSpare);
  size_t length = 0;
  int z = ExpandContainer(file.data, file.size, expanded, limit, &length);
  if (z == Z_OK) {
    WriteEventLog('i', "解凍 %d -> %d bytes %d%%", static_cast<int>(file.size), static_cast<int>(length),
                  static_cast<int>(static_cast<uint64_t>(length) * 100 / file.size));
  } else {
    WriteEventLog('i', "解凍 err=%d, destlen=%d", z, static_cast<int>(length));
    memset(expanded, 0, kDataErrorLength + kLoadSpare);
    memcpy(expanded, kDataErrorLog, kDataErrorLength);
    length = kDataErrorLength;
  }
  delete[] out->data;
  out->data = expanded;
  out->size = length;
  return FileRead::Read;
}

}  // namespace kv
