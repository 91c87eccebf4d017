// Edition-dependent behaviour that needs the platform (see core/edition.h).
#pragma once
#include <windows.h>

namespace kv {

// Factor for fixed pixel measures: 2 on the handheld's double-resolution
// screens (192 dots per inch or more), else 1.
int DisplayScale();

// Handheld only: when less than 1024000 bytes of program memory are free,
// warns before a thread is opened. The thread is opened anyway.
void WarnIfLowMemory(HWND owner);

}  // namespace kv
