// Reading and writing the settings file, and the installed-font check.
#pragma once
#include <cstddef>

#include "core/settings.h"

namespace kv {

// Full name of the settings file in the program folder (Kvel32.ini, or
// Kvel.ini in the handheld build).
void SettingsFilePath(const char* programFolder, char* out, size_t cap);

// 1 when the file was read, 0 when it is missing, -1 when it is there but
// cannot be read whole (the block keeps its defaults either way).
int LoadSettingsFile(Settings& s, const char* path, const char* programFolder);
// 1 when the file was written, 0 when it could not be (the old file stays).
// A file that the last load found unreadable is never rewritten: the user's
// settings in it would be replaced by the defaults.
int SaveSettingsFile(const Settings& s, const char* path, const char* programFolder);

// Replaces face with an installed face that can draw Japanese when it is not
// installed itself; logs the families kept and the result.
void CheckFontFace(char* face, size_t cap);

}  // namespace kv
