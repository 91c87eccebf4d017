#include <windows.h>

#include <mutex>

#include "core/eventlog.h"
#include "core/eventlog_win.h"
#include "core/sjis_win.h"
#include "core/text.h"

namespace kv {

namespace {

char g_logPath[MAX_PATH];
char g_bakPath[MAX_PATH];
// Threads of this process take turns; the file itself is still opened
// without sharing for one entry, so another process that holds it at that
// moment makes this entry drop rather than interleave.
std::mutex g_writer;

void Put(HANDLE f, const char* bytes, size_t n) {
  DWORD written;
  WriteFile(f, bytes, static_cast<DWORD>(n), &written, nullptr);
}

void WriteToFile(const EventEntry& e) {
  std::lock_guard<std::mutex> lock(g_writer);
  if (!g_logPath[0]) return;
  HANDLE f = SjCreateFile(g_logPath, GENERIC_WRITE, 0, OPEN_ALWAYS);
  if (f == INVALID_HANDLE_VALUE) return;
  SetFilePointer(f, 0, nullptr, FILE_END);
  switch (e.kind) {
    case EventKind::Empty:
      Put(f, "\r\n", 2);
      CloseHandle(f);
      return;
    case EventKind::Raw:
      Put(f, "\r\n", 2);
      Put(f, e.text, e.length);
      Put(f, "\r\n", 2);
      CloseHandle(f);
      return;
    case EventKind::Line:
      break;
  }
  SYSTEMTIME t;
  GetLocalTime(&t);
  char line[kEventMessageMax + 64];
  size_t n = FormatEventLine({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}, e.level, e.text, e.length,
                             line, sizeof line);
  Put(f, line, n);
  DWORD size = GetFileSize(f, nullptr);
  CloseHandle(f);
  // The entry that passes the limit stays in Kvel.log; the next one starts a
  // new file.
  if (size != INVALID_FILE_SIZE && size > kEventLogLimit) {
    SjDeleteFile(g_bakPath);
    SjMoveFileEx(g_logPath, g_bakPath, 0);
  }
}

}  // namespace

EventSink DefaultEventSink() { return WriteToFile; }

void SetEventLogFolder(const char* folder) {
  std::lock_guard<std::mutex> lock(g_writer);
  FormatText(g_logPath, sizeof g_logPath, "%sKvel.log", folder);
  FormatText(g_bakPath, sizeof g_bakPath, "%sKvel.bak", folder);
}

}  // namespace kv
