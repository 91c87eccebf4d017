#include "ui/main_window_win.h"

#include "core/app.h"
#include "core/settings.h"
#include "core/sjis_win.h"
#include "ui/resource.h"

namespace kv {

HWND g_mainWindow;

namespace {

void StoreWindowRect(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  WindowRect current{r.left, r.top, r.right - r.left, r.bottom - r.top};
  WindowRect stored;
  if (!IsZoomed(window) && SaneWindowRect(current, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                          &stored))
    g_settings.WindowPt = stored;
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  EndPaint(window, &ps);
}

// Hides the window now and destroys it a second later, so the user sees the
// program gone at once while the last writes finish.
void BeginClose(HWND window) {
  ShowWindow(window, SW_HIDE);
  SetTimer(window, kTimerDestroy, 1000, nullptr);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CREATE:
      g_mainWindow = window;
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      BeginClose(window);
      return 0;
    case WM_TIMER:
      KillTimer(window, w);
      if (w == kTimerDestroy) DestroyWindow(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(w) == CMD_EXIT) {
        PostMessage(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DESTROY:
      StoreWindowRect(window);
      g_mainWindow = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return SjDefWindowProc(window, message, w, l);
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  HICON icon = LoadIcon(instance, MAKEINTRESOURCE(IDI_KVEL));
  if (!SjRegisterClassMenuId(CS_HREDRAW | CS_VREDRAW, MainProc, instance, icon, LoadCursor(nullptr, IDC_ARROW),
                             nullptr, IDM_MAIN, kMainClass))
    return nullptr;
  const WindowRect& r = g_settings.WindowPt;
  return SjCreateWindowEx(WS_EX_ACCEPTFILES, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, r.left,
                          r.top, r.width, r.height, nullptr, nullptr, instance, nullptr);
}

}  // namespace kv
