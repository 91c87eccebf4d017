#include "core/address_win.h"

#include <windows.h>

#include "core/address.h"
#include "core/app.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/store.h"
#include "core/store_win.h"
#include "core/text.h"

namespace kv {

bool PrepareLocalPath(char* address, const char* folder) {
  char path[kAddressMax];
  size_t folderLength = 0;
  if (!LocalPathFor(address, g_settings.ChFolder, folder, path, sizeof path, &folderLength)) return false;
  char folders[kAddressMax];
  CopyTextN(folders, sizeof folders, path, folderLength);
  CreateFolderPath(folders);
  CopyText(address, kAddressMax, path);
  return true;
}

bool IsCached(const char* address, int64_t expectedSize) {
  if (!g_settings.UseCache) return false;
  char path[kAddressMax];
  if (!LocalPathFor(address, g_settings.ChFolder, nullptr, path, sizeof path)) return false;
  HANDLE f = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (f == INVALID_HANDLE_VALUE) return false;
  bool result = true;
  if (expectedSize >= 0) {
    char header[kContainerHeader] = {};
    DWORD got = 0;
    ReadFile(f, header, sizeof header, &got, nullptr);
    uint32_t stored;
    if (ContainerStoredLength(header, got, &stored)) {
      result = stored == expectedSize;
    } else {
      LARGE_INTEGER size;
      result = GetFileSizeEx(f, &size) && size.QuadPart == expectedSize;
    }
  }
  CloseHandle(f);
  return result;
}

bool SaveToCache(const char* address, const void* data, size_t length, bool compressionAllowed) {
  if (!g_settings.UseCache) return false;
  char path[kAddressMax];
  CopyText(path, address);
  if (!PrepareLocalPath(path, nullptr)) return false;
  return StoreFile(path, data, length, compressionAllowed) == 1;
}

}  // namespace kv
