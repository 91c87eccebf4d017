// The main window "Kurovel" of class "KVEL": it owns every pane and carries
// out the numbered commands.
#pragma once
#include <windows.h>

namespace kv {

inline constexpr char kMainClass[] = "KVEL";
inline constexpr char kMainTitle[] = "Kurovel";
inline constexpr UINT_PTR kTimerDestroy = 5;

extern HWND g_mainWindow;

struct Panes {
  HWND tree, tree2, list;
  HWND lastFocus;       // the pane that last got the focus (through FocusPane)
  HWND currentThread;   // the thread window commands go to
};
extern Panes g_panes;

// Registers the class and creates the window at WindowPt; null on failure.
HWND CreateMainWindow(HINSTANCE instance);
// Start-up's last steps once the window is shown: the board tree, the
// board-list dialog when wanted, the first focus.
void StartMainWindow(HWND main);

// Gives a pane the focus: records it, switches the tabs, brings it forward.
void FocusPane(HWND pane);
// Lays the panes out (as a size message does).
void LayOut(HWND main);
// The menu check marks follow the settings.
void UpdateMenuChecks(HWND main);

// Carries out one numbered command (ui/commands_win.cpp).
void RunCommand(HWND main, int command, LPARAM l);

}  // namespace kv
