#include "core/edition_win.h"

#include "core/edition.h"
#include "core/sjis_win.h"

namespace kv {

int DisplayScale() {
  if (!kHandheld) return 1;
  static int scale = [] {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi >= 192 ? 2 : 1;
  }();
  return scale;
}

void WarnIfLowMemory(HWND owner) {
  if (!kHandheld) return;
  MEMORYSTATUS m = {};
  m.dwLength = sizeof m;
  GlobalMemoryStatus(&m);
  if (m.dwAvailPhys < kLowMemoryWarning)
    SjMessageBox(owner, "空きﾌﾟﾛｸﾞﾗﾑﾒﾓﾘが少ないです。\r\n注意してください。", "Kurovel", MB_OK);
}

}  // namespace kv
