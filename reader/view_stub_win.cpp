// Stand-in for the thread windows until they are built: slot 0 is a plain
// child window, and no thread opens.
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "ui/panes_win.h"

namespace kv {

static HWND g_slot0;

static LRESULT CALLBACK StubProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return SjDefWindowProc(w, m, wp, lp); }

HWND CreateDockedThreadView(HWND main) {
  static bool registered = SjRegisterClass(CS_HREDRAW | CS_VREDRAW, StubProc, g_instance, nullptr,
                                           LoadCursor(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr, "KVEL_T") != 0;
  (void)registered;
  g_slot0 = SjCreateWindowEx(0, "KVEL_T", "Kurovel", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 100, 100, main,
                             nullptr, g_instance, nullptr);
  return g_slot0;
}
HWND FindOrCreateThreadWindow(HWND, const char*) { return nullptr; }
void CloseThreadWindow(HWND) {}
void CloseAllThreadWindows() {}
HWND ThreadWindowInSlot(int slot) { return slot == 0 ? g_slot0 : nullptr; }
int ThreadWindowSlot(HWND window) { return window && window == g_slot0 ? 0 : -1; }
bool ThreadWindowDownloading(HWND) { return false; }

}  // namespace kv
