// The main window's commands of the tools: searches, the text editor,
// the proxy dialog.
#pragma once
#include <windows.h>

namespace kv {

// Carries out command when it is one of the tools' (40018 from the board
// tree or the thread list, 40036, 40057, 40058, 40064, 40072, 40096,
// 40099, 40101, 40105, 40110); false for any other.
bool RunToolCommand(HWND main, int command);

}  // namespace kv
