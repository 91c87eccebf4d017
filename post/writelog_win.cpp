#include "post/writelog_win.h"

#include <windows.h>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/text.h"
#include "post/writelog.h"

namespace kv {

namespace {

bool Put(HANDLE f, const char* bytes, size_t n) {
  while (n > 0) {
    DWORD chunk = n > 0x10000000 ? 0x10000000 : static_cast<DWORD>(n);
    DWORD written = 0;
    if (!WriteFile(f, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    n -= written;
  }
  return true;
}

}  // namespace

bool appendWriteLog(const char* address, const char* name, const char* mail, const char* message, size_t length) {
  char path[MAX_PATH], backup[MAX_PATH];
  FormatText(path, sizeof path, "%swrite.log", g_programFolder);
  FormatText(backup, sizeof backup, "%swrite.bak", g_programFolder);
  // Not shared while the entry goes in: another writer waits for its turn
  // rather than interleaving. A log that cannot be opened is said so in the
  // event log; the message itself stays in the write dialog.
  HANDLE f = SjCreateFile(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
  if (f == INVALID_HANDLE_VALUE) {
    WriteEventLog('W', "write.log: cannot open (%lu); the entry is not written", GetLastError());
    return false;
  }
  SetFilePointer(f, 0, nullptr, FILE_END);
  SYSTEMTIME t;
  GetLocalTime(&t);
  char head[1024];
  size_t n = FormatWriteLogHead({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}, address, name, mail,
                                head, sizeof head);
  bool ok = Put(f, head, n) && Put(f, message ? message : "", message ? length : 0) &&
            Put(f, kWriteLogEntryEnd, sizeof kWriteLogEntryEnd - 1);
  if (!ok) WriteEventLog('W', "write.log: write failed (%lu)", GetLastError());
  LARGE_INTEGER size{};
  bool sized = GetFileSizeEx(f, &size) != FALSE;
  CloseHandle(f);
  // The entry that passes the limit ends the old generation. The move
  // replaces write.bak in one step, so there is never a moment without
  // the previous generation.
  if (sized && WriteLogRotates(static_cast<uint64_t>(size.QuadPart))) {
    if (!SjMoveFileEx(path, backup, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      WriteEventLog('W', "write.log: rotation failed (%lu)", GetLastError());
  }
  return ok;
}

}  // namespace kv
