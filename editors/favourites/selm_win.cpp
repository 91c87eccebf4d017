// Selm32 (handheld: Selm.exe): the favourites editor.
#include <windows.h>

#include "editors/editor_win.h"
#include "editors/favourites/selm.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  static const kv::EditorProgram kSelm = {false, "Selm32", "KVEL_SELM", kv::kSelmTitle, kv::kFavouritesEditorRows};
  return kv::RunEditor(instance, kSelm);
}
