// Process-wide values set up at start: the program folder and the settings
// block. Both are written by the main thread only.
#pragma once
#include <cstddef>

#include "core/settings.h"

namespace kv {

extern Settings g_settings;
extern char g_programFolder[260];  // always ends in "\"

// The program folder from the program's full file name: cut after the last
// "\". With rewriteProgramDisk, a folder beginning with "\Program Disk" (any
// letter case) becomes "\Nand Disk\Program Files" and the rest.
void ProgramFolderOf(const char* programFile, bool rewriteProgramDisk, char* out, size_t cap);

// Calls create for every folder of path in turn, shortest first: each "\" or
// "/" after the first character ends one. The last component counts only when
// the path ends in a separator.
void ForEachFolderOfPath(const char* path, void (*create)(const char* folder, void* context), void* context);

// The program part of a shell open command ("\"C:\x\b.exe\" %1" -> C:\x\b.exe).
void BrowserProgramOf(const char* command, char* out, size_t cap);

}  // namespace kv
