// The text editor (dialog 120, "メモ"): the memo pad and the editor of the
// program's text lists. Several can be open at once.
#pragma once
#include <windows.h>

namespace kv {

// Opens fileName (a missing file: empty text) in a new modeless editor
// owned by the main window. Null, after a message saying why, when the file
// cannot be read, or when the window cannot be made.
HWND OpenTextEditor(const char* fileName);

// Tests: the editor's questions and messages go to ask instead of a
// message box (null: message boxes again).
using EditorAsk = int (*)(const char* text, UINT type);
void SetEditorAskForTest(EditorAsk ask);

}  // namespace kv
