#include "net/local_copy_win.h"

#include <windows.h>

#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/sjis_win.h"
#include "core/store.h"
#include "core/text.h"

namespace kv {

bool LocalFileOf(const char* address, char* out, size_t cap) {
  if (cap < kAddressMax) return false;
  LocalPathFor(address, g_settings.ChFolder, nullptr, out, cap);
  return out[0] != 0;
}

bool LocalCopySize(const char* address, uint32_t* size) {
  if (!IsCached(address)) return false;
  char path[kAddressMax];
  if (!LocalFileOf(address, path, sizeof path)) return false;
  HANDLE h = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  char header[kContainerHeader] = {};
  DWORD got = 0;
  ReadFile(h, header, sizeof header, &got, nullptr);
  DWORD fileSize = GetFileSize(h, nullptr);
  CloseHandle(h);
  // The stored size of a compressed copy is the length it expands to.
  if (!ContainerStoredLength(header, got, size)) *size = fileSize;
  return true;
}

bool LocalCopyIs(const char* address, uint32_t size) { return IsCached(address, size); }

bool StoreLocalCopy(const char* address, const char* data, size_t length, bool threadLog) {
  return SaveToCache(address, data, length, threadLog);
}

bool DownloadTargetOf(const char* address, const char* folder, char* out, size_t cap) {
  if (cap < kAddressMax) return false;
  CopyText(out, cap, address);
  PrepareLocalPath(out, folder);
  return out[0] != 0;
}

}  // namespace kv
