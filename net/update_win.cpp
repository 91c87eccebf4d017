#include "net/update_win.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "core/address.h"
#include "core/app.h"
#include "core/eventlog.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/store.h"
#include "core/text.h"
#include "net/download.h"
#include "net/fetch_win.h"
#include "net/local_copy_win.h"
#include "net/update.h"

namespace kv {

namespace {

// What the loaders of the fetch plan work with.
struct UpdateContext {
  const char* logAddress;  // the address the job was given
  bool loadedLocal;        // the 416 fallback showed the local log
};

// The kept local bytes in front of the answer: the local copy, read again,
// only while it is still the copy the plan was made from.
bool LoadKept(DownloadJob& job, const FetchPlan& plan) {
  auto* c = static_cast<const UpdateContext*>(plan.context);
  char path[520];
  if (!LocalCopyIs(c->logAddress, plan.keepLength) || !LocalFileOf(c->logAddress, path, sizeof path)) return false;
  return loadLocalLog(job, path, true) && job.receivedSize.load() == plan.keepLength;
}

bool LoadLocal(DownloadJob& job, const FetchPlan& plan) {
  auto* c = static_cast<UpdateContext*>(const_cast<void*>(plan.context));
  char path[520];
  if (!LocalFileOf(c->logAddress, path, sizeof path) || !loadLocalLog(job, path, false)) return false;
  c->loadedLocal = true;
  return true;
}

// Date code of a file's last write (local time).
int32_t DateCodeOf(HANDLE file) {
  FILETIME written, local;
  SYSTEMTIME t;
  if (!GetFileTime(file, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
      !FileTimeToSystemTime(&local, &t))
    return 0;
  return t.wYear * 10000 + t.wMonth * 100 + t.wDay;
}

// A file download resumes only a partial this program left for the same
// address today; anything else is fetched whole (the partial is emptied
// once the whole file starts to arrive, not before).
void PlanFileDownload(const char* address, const DownloadPaths& paths, FetchPlan* fp) {
  ResumeFacts facts{};
  HANDLE h = SjCreateFile(paths.part, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  facts.partExists = true;
  facts.partSize = size.QuadPart;
  facts.partDateCode = DateCodeOf(h);
  CloseHandle(h);
  SYSTEMTIME now;
  GetLocalTime(&now);
  facts.todayDateCode = DateCode(now.wYear, now.wMonth, now.wDay);
  FileBuffer text;
  PartRecord record;
  facts.recordMatches = ReadWholeFile(paths.record, 1, &text) && ParsePartRecord(text.data, text.size, &record) &&
                        strcmp(record.address, address) == 0;
  ResumeDecision d = DecideResume(facts);
  WriteEventLog('i', "partial %lld bytes, record %s, resume %u", static_cast<long long>(facts.partSize),
                facts.recordMatches ? "matches" : "differs", d.offset);
  if (d.resume) {
    fp->resume = ResumeKind::File;
    fp->resumeOffset = d.offset;
  } else {
    fp->resume = ResumeKind::None;
    fp->resumeOffset = 0;
  }
}

}  // namespace

int loadLocalLog(DownloadJob& job, const char* path, bool leaveExpected, int32_t* lines) {
  if (lines) *lines = 0;
  HANDLE h = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return 0;
  job.receivedSize = 0;
  LARGE_INTEGER size{};
  // A log in the store is never near this size; a file that is, is not one.
  if (!GetFileSizeEx(h, &size) || size.QuadPart == 0 || size.QuadPart > 0x10000000) {
    CloseHandle(h);
    return 0;
  }
  uint32_t length = static_cast<uint32_t>(size.QuadPart);
  uint32_t capacity = length + static_cast<uint32_t>(kLocalLogSpare);
  char* buffer = new (std::nothrow) char[capacity]();
  if (!buffer) {
    CloseHandle(h);
    setJobStatus(job, kTextNoMemory);
    return 0;
  }
  uint32_t read = 0;
  while (read < length) {
    DWORD want = length - read > 65536 ? 65536 : length - read;
    DWORD got = 0;
    if (!ReadFile(h, buffer + read, want, &got, nullptr) || got == 0) break;
    read += got;
  }
  CloseHandle(h);
  if (IsContainer(buffer, read)) {
    ExpandedLog e;
    if (!ExpandStoredLog(buffer, read, &e)) {
      delete[] buffer;
      setJobStatus(job, kTextNoMemory);
      return 0;
    }
    if (e.broken)
      WriteEventLog('i', "解凍 err=%d destlen=%d", e.zlibError, static_cast<int>(e.destLength));
    else
      WriteEventLog('i', "解凍 %d -> %d bytes %d%%", static_cast<int>(read), static_cast<int>(e.length),
                    static_cast<int>(static_cast<uint64_t>(e.length) * 100 / read));
    delete[] buffer;
    buffer = e.data;
    capacity = static_cast<uint32_t>(e.capacity);
    read = static_cast<uint32_t>(e.length);
  } else {
    WriteEventLog('i', "通常 size=%d", static_cast<int>(read));
  }
  if (lines) *lines = CountCrLf(buffer, read);
  replaceJobData(job, buffer, capacity);
  job.receivedSize = read;
  if (!leaveExpected) job.expectedSize = read;
  return 1;
}

int32_t countLines(DownloadJob& job, const char* address) {
  uint32_t size = 0;
  char path[520];
  if (!LocalCopySize(address, &size) || !LocalFileOf(address, path, sizeof path)) return 0;
  int32_t lines = 0;
  return loadLocalLog(job, path, true, &lines) ? lines : 0;
}

int updateLog(DownloadJob& job) {
  if (!job.url[0]) {
    setJobStatus(job, kTextNoUrl);
    return 0;
  }
  if (IsLocalAcquiredAddress(job.url)) {
    setJobStatus(job, kTextLocalAcquired);
    return 0;
  }
  char logAddress[520];
  CopyText(logAddress, job.url);
  BoardType board = ClassifyBoard(logAddress);
  WriteEventLog('i', "%.200s", logAddress);
  WriteEventLog('i', "BBS Type=%d", board);
  WriteEventLog('i', "ReadType=%d", job.ReadType);

  UpdateFacts facts{};
  facts.url = logAddress;
  facts.readType = job.ReadType;
  facts.boardType = board;
  facts.offline = g_settings.fOffLine && g_settings.UseCache;
  facts.noMerge = job.noMerge != 0;
  facts.localExists = LocalCopySize(logAddress, &facts.localSize);
  if (!facts.offline && NeedsPostCount(logAddress, board)) facts.postsHeld = countLines(job, logAddress);
  UpdatePlan plan;
  PlanUpdate(facts, &plan);

  char path[520];
  switch (plan.action) {
    case PlanAction::FailEmpty:
    case PlanAction::FailAcquired:
      return 0;  // answered above
    case PlanAction::OfflineMissing:
      setJobStatus(job, kTextNoLocalLog);
      return 0;
    case PlanAction::OfflineLoad:
      job.state = kJobReceiving;
      setJobStatus(job, kTextLoadingLog);
      if (!LocalFileOf(logAddress, path, sizeof path) || !loadLocalLog(job, path, true)) return 0;
      setJobStatus(job, kTextLogLoaded);
      return 1;
    case PlanAction::Fetch:
      break;
  }

  UpdateContext context{logAddress, false};
  FetchPlan fp{};
  if (plan.converted || IsRentalBoard(board)) {
    // The job's url keeps naming the thread: the owner reads it while the
    // worker runs, and a second start plans from it again.
    fp.address = plan.requestUrl;
    WriteEventLog('i', "%.200s", plan.requestUrl);
  }
  fp.resume = plan.resume;
  fp.resumeOffset = plan.resumeOffset;
  fp.keepLength = plan.keepLength;
  fp.scriptBoard = IsScriptBoard(plan.boardType);
  fp.converted = plan.converted;
  fp.localExists = facts.localExists;
  fp.loadKept = LoadKept;
  fp.loadLocal = LoadLocal;
  fp.context = &context;
  DownloadPaths paths;
  if (job.ReadType == kReadFile) {
    if (!MakeDownloadPaths(job.saveFolder, logAddress, &paths)) {
      setJobStatus(job, kTextNameUnusable);
      return 0;
    }
    CreateFolderPath(paths.folder);
    fp.keepLength = 0;
    fp.download = &paths;
    fp.downloadAddress = logAddress;
    PlanFileDownload(logAddress, paths, &fp);
  }

  int ok = fetchUrl(job, fp);
  if (!ok || job.ReadType == kReadFile || context.loadedLocal) return ok;

  size_t length;
  {
    JobDataLock held(job);
    char* data = job.data;
    if (!data) return 1;
    uint32_t kept = plan.keepLength ? plan.keepLength : 0;
    length = ConvertFetched(data, job.receivedSize.load(), job.dataCapacity, kept, job.ReadType, plan);
    job.receivedSize = static_cast<uint32_t>(length);
  }
  if (ShouldStoreResult(length)) {
    if (!StoreLocalCopy(logAddress, job.data, length, job.ReadType == kReadLog))
      WriteEventLog('i', "store %.200s failed", logAddress);
  }
  return 1;
}

}  // namespace kv

namespace kv {

int refetchWholeLog(DownloadJob& job) {
  char path[520], aside[530];
  bool setAside = false;
  if (LocalFileOf(job.url, path, sizeof path) && SjFileExists(path)) {
    if (FormatText(aside, sizeof aside, "%s.changed", path) != strlen(path) + 8 ||
        !SjMoveFileEx(path, aside, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      // The old log cannot be kept aside; it is not given up either.
      WriteEventLog('i', "set aside %.200s failed (%lu)", path, GetLastError());
      setJobStatus(job, kTextFileOpenFailed);
      return 0;
    }
    setAside = true;
  }
  int ok = updateLog(job);
  if (!setAside) return ok;
  if (ok && SjFileExists(path)) {
    SjDeleteFile(aside);
  } else if (!SjMoveFileEx(aside, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    // Nothing new was stored (a failure, or a result not kept): the old
    // log comes back.
    WriteEventLog('i', "put back %.200s failed (%lu)", path, GetLastError());
  }
  return ok;
}

int updateLogRefetchingChanged(DownloadJob& job) {
  int ok = updateLog(job);
  if (ok || !job.logChanged.load() || job.abortRequested.load()) return ok;
  job.logChanged = 0;
  return refetchWholeLog(job);
}

}  // namespace kv
