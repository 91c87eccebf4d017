#include "core/settings_win.h"

#include <windows.h>

#include <cstring>

#include "core/edition.h"
#include "core/eventlog.h"
#include "core/file_win.h"
#include "core/fontcheck.h"
#include "core/sjis_win.h"
#include "core/text.h"

namespace kv {

void SettingsFilePath(const char* programFolder, char* out, size_t cap) {
  FormatText(out, cap, "%s%s", programFolder, kSettingsFileName);
}

namespace {

struct FontEnumeration {
  FontChoice choice;
  int running;
};

void VisitFamily(const char* face, int charset, void* context) {
  auto* e = static_cast<FontEnumeration*>(context);
  if (OfferFontFamily(e->choice, face, charset)) WriteEventLog('i', "FONT%d=%s", e->running, face);
  ++e->running;
}

void FontCheckCallback(char* face, size_t cap, void*) { CheckFontFace(face, cap); }

WorkArea DesktopWorkArea() {
  RECT r;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) {
    r.right = GetSystemMetrics(SM_CXSCREEN);
    r.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  return {r.right, r.bottom};
}

}  // namespace

void CheckFontFace(char* face, size_t cap) {
  FontEnumeration e;
  BeginFontChoice(e.choice, face);
  e.running = 0;
  HDC dc = GetDC(nullptr);
  SjEnumFontFamilies(dc, VisitFamily, &e);
  ReleaseDC(nullptr, dc);
  FinishFontChoice(e.choice, face, cap);
  WriteEventLog('i', "FONT=%s", face);
}

namespace {
char g_unreadableSettings[MAX_PATH];  // the settings file the last load could not read
}  // namespace

int LoadSettingsFile(Settings& s, const char* path, const char* programFolder) {
  FileBuffer file;
  FileRead read = ReadWholeFileAs(path, 256, &file);
  CopyText(g_unreadableSettings, read == FileRead::Unreadable ? path : "");
  if (read == FileRead::Unreadable) WriteEventLog('e', "settings unreadable, kept as they are: %.200s", path);
  if (read != FileRead::Read) return read == FileRead::Missing ? 0 : -1;
  ApplySettingsText(s, file.data, file.size, programFolder, DesktopWorkArea(), FontCheckCallback, nullptr);
  return 1;
}

int SaveSettingsFile(const Settings& s, const char* path, const char* programFolder) {
  if (g_unreadableSettings[0] && strcmp(g_unreadableSettings, path) == 0) {
    WriteEventLog('e', "settings not written over the unreadable file: %.200s", path);
    return 0;
  }
  char text[kSettingsTextMax];
  size_t n = FormatSettingsText(s, programFolder, text, sizeof text);
  if (n == 0) return 0;
  return ReplaceFileContents(path, text, n) ? 1 : 0;
}

}  // namespace kv
