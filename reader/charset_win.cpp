// UTF-8 and UTF-7 through the system's code-page conversion. The target is
// code page 932 itself rather than the ANSI code page, so a machine set to
// another language still produces Shift_JIS, which is what the program holds.
#include <windows.h>

#include "reader/charset.h"

namespace kv {

int PlatformToUtf16(int codePage, const char* src, int length, char16_t* dst, int cap) {
  if (length <= 0) return 0;
  if (codePage != kCodePageUtf8 && codePage != kCodePageUtf7) return 0;
  // UTF-7 and UTF-8 accept no flags other than 0 here on every version.
  return MultiByteToWideChar(static_cast<UINT>(codePage), 0, src, length, reinterpret_cast<wchar_t*>(dst),
                             dst ? cap : 0);
}

int PlatformUtf16ToSjis(const char16_t* src, int length, char* dst, int cap) {
  if (length <= 0) return 0;
  return WideCharToMultiByte(932, 0, reinterpret_cast<const wchar_t*>(src), length, dst, dst ? cap : 0, nullptr,
                             nullptr);
}

}  // namespace kv
