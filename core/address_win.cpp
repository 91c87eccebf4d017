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
  char path[kAddressCap];
  CopyText(path, address);
  bool ok = folder && *folder ? LocalPathInFolder(path, folder) : LocalPathOf(path, g_settings.ChFolder);
  // A cut name could be another address's file: refuse it.
  if (!ok) return false;
  // The walk creates every folder up to the last "\", which is every folder
  // the mapping produced (a script address's own folder included).
  CreateFolderPath(path);
  CopyText(address, kAddressCap, path);
  return true;
}

bool IsCached(const char* address, long long expectedSize) {
  if (!g_settings.UseCache) return false;
  char path[kAddressCap];
  CopyText(path, address);
  if (!LocalPathOf(path, g_settings.ChFolder)) return false;
  DWORD attributes = SjGetFileAttributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (expectedSize == kAnySize) return true;
  HANDLE f = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (f == INVALID_HANDLE_VALUE) return false;
  unsigned char head[kContainerHeaderSize];
  DWORD got = 0;
  BOOL read = ReadFile(f, head, sizeof head, &got, nullptr);
  LARGE_INTEGER size;
  BOOL sized = GetFileSizeEx(f, &size);
  CloseHandle(f);
  if (!read || !sized) return false;
  // A compressed copy is as long as its data was before compression.
  uint32_t stored = 0;
  if (ContainerStoredLength(head, got, &stored)) return static_cast<long long>(stored) == expectedSize;
  return size.QuadPart == expectedSize;
}

bool SaveToCache(const char* address, const void* data, size_t length, bool compressionAllowed) {
  if (!g_settings.UseCache) return false;
  char path[kAddressCap];
  CopyText(path, address);
  if (!PrepareLocalPath(path, "")) return false;
  return StoreFile(path, data, length, compressionAllowed) == 1;
}

}  // namespace kv
