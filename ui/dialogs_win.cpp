#include "ui/dialogs_win.h"

namespace kv {

namespace {
// The three search dialogs are the only ones; a slot per dialog.
HWND g_dialogs[3];
}  // namespace

void RegisterAcceleratedDialog(HWND dialog) {
  for (HWND& d : g_dialogs)
    if (!d) {
      d = dialog;
      return;
    }
}

void UnregisterAcceleratedDialog(HWND dialog) {
  for (HWND& d : g_dialogs)
    if (d == dialog) d = nullptr;
}

bool IsAcceleratedDialog(HWND window) {
  if (!window) return false;
  for (HWND d : g_dialogs)
    if (d == window) return true;
  return false;
}

}  // namespace kv
