// The entry of the reader programs (Kvel32.exe and Kvel.exe).
#include <windows.h>

#include "core/startup_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) { return kv::KvelMain(instance, showState); }
