#include "core/app.h"

#include <cstring>

#include "core/text.h"

namespace kv {

Settings g_settings;
char g_programFolder[260];

void ProgramFolderOf(const char* programFile, bool rewriteProgramDisk, char* out, size_t cap) {
  // Cut after the last "\" that is a real separator, not a trail byte.
  size_t cut = 0;
  for (size_t i = 0; programFile[i];) {
    unsigned char c = static_cast<unsigned char>(programFile[i]);
    if (IsSjisLead(c) && programFile[i + 1]) {
      i += 2;
      continue;
    }
    if (c == '\\') cut = i + 1;
    ++i;
  }
  char folder[260];
  CopyTextN(folder, sizeof folder, programFile, cut);
  static const char kProgramDisk[] = "\\Program Disk";  // 13 characters
  if (rewriteProgramDisk && strlen(folder) >= 13 && CompareNoCase(folder, kProgramDisk, 13) == 0) {
    FormatText(out, cap, "\\Nand Disk\\Program Files%s", folder + 13);
  } else {
    CopyText(out, cap, folder);
  }
}

void ForEachFolderOfPath(const char* path, void (*create)(const char* folder, void* context), void* context) {
  size_t len = strlen(path);
  if (len == 0) return;
  char folder[260];
  for (size_t i = 1; i < len;) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && i + 1 < len) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/') {
      if (i < sizeof folder) {
        memcpy(folder, path, i);
        folder[i] = 0;
        create(folder, context);
      }
    }
    ++i;
  }
}

void BrowserProgramOf(const char* command, char* out, size_t cap) {
  // Quoted: up to the closing quote; otherwise up to the first blank. The
  // scan stops after 250 characters.
  size_t n = 0;
  const char* p = command;
  char end = ' ';
  if (*p == '"') {
    end = '"';
    ++p;
  }
  while (p[n] && p[n] != end && n < 250) ++n;
  CopyTextN(out, cap, p, n);
}

}  // namespace kv
