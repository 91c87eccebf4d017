// The main window "Kurovel" of class "KVEL".
#pragma once
#include <windows.h>

namespace kv {

inline constexpr char kMainClass[] = "KVEL";
inline constexpr char kMainTitle[] = "Kurovel";
inline constexpr UINT_PTR kTimerDestroy = 5;

extern HWND g_mainWindow;

// Registers the class and creates the window at WindowPt; null on failure.
HWND CreateMainWindow(HINSTANCE instance);

}  // namespace kv
