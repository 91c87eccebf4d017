#include "net/patrol_update_win.h"

#include <windows.h>

#include <cstring>

#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/text.h"
#include "net/fetch.h"
#include "net/local_copy_win.h"
#include "net/update_win.h"

namespace kv {

int updateLogForPatrol(DownloadJob& job) {
  int ok = updateLog(job);
  if (ok || !job.logChanged.load() || job.abortRequested.load()) return ok;
  job.logChanged = 0;
  char path[520], aside[530];
  bool setAside = false;
  if (LocalFileOf(job.url, path, sizeof path) && SjFileExists(path)) {
    if (FormatText(aside, sizeof aside, "%s.changed", path) != strlen(path) + 8 ||
        !SjMoveFileEx(path, aside, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      WriteEventLog('i', "set aside %.200s failed (%lu)", path, GetLastError());
      setJobStatus(job, kTextFileOpenFailed);
      return 0;
    }
    setAside = true;
  }
  ok = updateLog(job);
  if (!setAside) return ok;
  if (ok && SjFileExists(path)) {
    SjDeleteFile(aside);
  } else if (!SjMoveFileEx(aside, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    WriteEventLog('i', "put back %.200s failed (%lu)", path, GetLastError());
  }
  return ok;
}

}  // namespace kv
