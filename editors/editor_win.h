// The Win32 program around either companion editor: one copy per program
// folder, the list dialog with its buttons, the edit dialog, reading and
// saving the file. Ravo32 and Selm32 differ only in the EditorProgram they
// pass in.
#pragma once
#include <windows.h>

#include <cstdint>

#include "editors/entries.h"

namespace kv {

struct EditorProgram {
  bool boardFile;           // Ravo32: categories, a type column and the file option
  const char* name;         // "Ravo32" or "Selm32" (the one-copy mutex)
  const char* windowClass;  // of the list dialog ("KVEL_RAVO", "KVEL_SELM")
  const char* title;
  int32_t capacity;  // rows
};

int RunEditor(HINSTANCE instance, const EditorProgram& program);

// "保存終了" without the questions: the list written over the file at path
// in one step (ReplaceFileContents). An empty list writes nothing: an empty
// file would lose every entry the user had. On Failed the old file is
// untouched.
enum class EditorSaveResult { Saved, EmptyList, Failed };
EditorSaveResult SaveEditorFile(bool boardFile, const EditorList& list, const char* path);

}  // namespace kv
