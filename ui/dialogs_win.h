// Modeless dialogs that take Esc and Enter through the accelerator table.
#pragma once
#include <windows.h>

namespace kv {
void RegisterAcceleratedDialog(HWND dialog);
void UnregisterAcceleratedDialog(HWND dialog);
bool IsAcceleratedDialog(HWND window);
}  // namespace kv
