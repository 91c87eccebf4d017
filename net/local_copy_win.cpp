#include "net/local_copy_win.h"

#include <windows.h>

#include <cstring>

#include "core/app.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/text.h"

namespace kv {

// A stand-in until the address model and the store are in: "h2ch://" is the
// only family known, local names are the log folder plus the address
// without its scheme, and copies are stored plain.

int32_t BoardTypeOfUrl(const char* url) { return strncmp(url, "h2ch://", 7) == 0 ? 1 : 0; }

bool LocalFileOf(const char* address, char* out, size_t cap) {
  if (!g_settings.UseCache) return false;
  const char* p = strstr(address, "://") ? strstr(address, "://") + 3 : address;
  size_t n = FormatText(out, cap, "%s%s", g_settings.ChFolder, p);
  for (size_t i = 0; i < n; ++i)
    if (out[i] == '/') out[i] = '\\';
  if (n && out[n - 1] == '\\') AppendText(out, cap, "index.htm");
  return true;
}

bool LocalCopySize(const char* address, uint32_t* size) {
  char path[520];
  if (!LocalFileOf(address, path, sizeof path)) return false;
  HANDLE h = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  unsigned char head[16] = {};
  DWORD got = 0;
  ReadFile(h, head, sizeof head, &got, nullptr);
  DWORD fileSize = GetFileSize(h, nullptr);
  CloseHandle(h);
  if (got == 16 && head[0] == 0x1F && head[1] == 0x8B && (head[3] & 4) && head[10] == 4)
    *size = head[12] | (head[13] << 8) | (head[14] << 16) | (static_cast<uint32_t>(head[15]) << 24);
  else
    *size = fileSize;
  return true;
}

bool LocalCopyIs(const char* address, uint32_t size) {
  uint32_t stored = 0;
  return LocalCopySize(address, &stored) && stored == size;
}

bool StoreLocalCopy(const char* address, const char* data, size_t length, bool) {
  char path[520];
  if (!LocalFileOf(address, path, sizeof path)) return false;
  CreateFolderPath(path);
  return ReplaceFileContents(path, data, length);
}

bool DownloadTargetOf(const char* address, const char* folder, char* out, size_t cap) {
  const char* last = strrchr(address, '/');
  const char* name = last ? last + 1 : address;
  char file[260];
  CopyText(file, name);
  if (char* q = strchr(file, '?')) *q = 0;
  if (!strchr(file, '.')) CopyText(file, "index.htm");
  FormatText(out, cap, "%s%s", folder, file);
  CreateFolderPath(out);
  return true;
}

}  // namespace kv
