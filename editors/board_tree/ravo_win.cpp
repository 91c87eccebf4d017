// Ravo32 (handheld: Ravo.exe): the board-file editor.
#include <windows.h>

#include "editors/board_tree/ravo.h"
#include "editors/editor_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  static const kv::EditorProgram kRavo = {true, "Ravo32", "KVEL_RAVO", kv::kRavoTitle, kv::kBoardEditorRows};
  return kv::RunEditor(instance, kRavo);
}
