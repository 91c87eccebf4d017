#include "net/job.h"

#include <cstdarg>
#include <cstring>

#include "core/eventlog.h"
#include "core/text.h"
#include "net/fetch.h"

namespace kv {

std::atomic<int32_t> activeDownloads{0};

DownloadJob* newJob() {
  DownloadJob* job = new DownloadJob();
  initJob(*job);
  job->references.store(1);
  return job;
}

void retainJob(DownloadJob* job) { job->references.fetch_add(1); }

static void FreeBuffers(DownloadJob& job) {
  delete[] job.postBody;
  job.postBody = nullptr;
  job.postBodyLength = 0;
  delete[] job.data;
  job.data = nullptr;
  job.dataCapacity = 0;
}

void releaseJob(DownloadJob* job) {
  if (!job) return;
  if (job->references.fetch_sub(1) != 1) return;
  FreeBuffers(*job);
  delete job->patrol;
  delete job;
}

void initJob(DownloadJob& job) {
  KV_CHECK(!job.workerRunning.load());
  // The record holds atomics and a lock, so it is cleared field by field
  // rather than with memset; the buffers are the owner's to free first.
  job.url[0] = 0;
  job.port = kDefaultHttpPort;
  job.userName[0] = job.password[0] = 0;
  job.ReadType = 0;
  job.noMerge = 0;
  job.statusText[0] = 0;
  job.title[0] = 0;
  job.data = nullptr;
  job.dataCapacity = 0;
  job.expectedSize = 0;
  job.receivedSize = 0;
  job.abortRequested = 0;
  job.state = kJobIdle;
  job.logChanged = 0;
  job.threadId = 0;
  job.threadHandle = nullptr;
  job.emptyReads = 0;
  job.retryLimit = kDefaultRetryLimit;
  job.rate = 0;
  job.batchMode = 0;
  job.internetHandle = nullptr;
  job.connectHandle = nullptr;
  job.requestHandle = nullptr;
  job.ownerWindow = nullptr;
  job.saveFolder[0] = 0;
  job.postName[0] = job.postMail[0] = 0;
  job.postBody = nullptr;
  job.postBodyLength = 0;
  job.replyTitle[0] = job.replyText[0] = 0;
  job.patrol = nullptr;
  job.workerRunning = false;
  job.counted = false;
  job.workerEnding = false;
  job.refetchWhole = false;
}

void freeJobBuffers(DownloadJob& job) {
  std::lock_guard<std::mutex> hold(job.dataLock);
  // A worker that outlived stopJob may still write into the body; its
  // buffers go with the last reference instead.
  if (job.workerRunning.load()) return;
  FreeBuffers(job);
}

void setJobStatusLevel(DownloadJob& job, char level, const char* text) {
  {
    std::lock_guard<std::mutex> hold(job.textLock);
    CopyText(job.statusText, text);
  }
  WriteEventLog(level, "%.200s", text);
}

void setJobStatus(DownloadJob& job, const char* text) { setJobStatusLevel(job, 'i', text); }

void setJobStatusF(DownloadJob& job, const char* format, ...) {
  char text[sizeof job.statusText];
  va_list args;
  va_start(args, format);
  FormatTextV(text, sizeof text, format, args);
  va_end(args);
  setJobStatus(job, text);
}

size_t copyJobStatus(DownloadJob& job, char* out, size_t cap) {
  std::lock_guard<std::mutex> hold(job.textLock);
  return CopyText(out, cap, job.statusText);
}

void replaceJobData(DownloadJob& job, char* buffer, uint32_t capacity) {
  char* old;
  {
    std::lock_guard<std::mutex> hold(job.dataLock);
    old = job.data;
    job.data = buffer;
    job.dataCapacity = buffer ? capacity : 0;
  }
  delete[] old;
}

JobDataLock::JobDataLock(DownloadJob& job) : job_(job) {
  job_.dataLock.lock();
  data_ = job_.data;
  uint32_t size = job_.receivedSize.load();
  size_ = data_ ? (size < job_.dataCapacity ? size : job_.dataCapacity) : 0;
}

JobDataLock::~JobDataLock() { job_.dataLock.unlock(); }

bool JobHasData(DownloadJob& job) {
  std::unique_lock<std::mutex> hold(job.dataLock, std::try_to_lock);
  return hold.owns_lock() ? job.data != nullptr : true;
}

void countJobIn(DownloadJob& job) {
  if (!job.counted.exchange(true)) activeDownloads.fetch_add(1);
}

void countJobOut(DownloadJob& job) {
  if (!job.counted.exchange(false)) return;
  int32_t n = activeDownloads.load();
  while (n > 0 && !activeDownloads.compare_exchange_weak(n, n - 1)) {
  }
}

int32_t DecideThreadJobEnd(bool updated, bool aborted, bool logChanged) {
  if (aborted) return kJobFailed;
  return updated || logChanged ? kJobDone : kJobFailed;
}

int32_t PatrolReadType(const char* address) {
  const char* dot = strrchr(address, '.');
  if (!dot) return kReadLog;
  return strlen(dot) == 4 && CompareNoCase(dot, ".DAT", 4) == 0 ? kReadLog : kReadPage;
}

PollStep DecidePollStep(uint32_t lastSeenReceived, uint32_t received, uint32_t expected, int32_t state,
                        bool hasData) {
  bool final = state == kJobDone || state == kJobFailed;
  if (received == lastSeenReceived && received != expected && !final) return PollStep::Quiet;
  if (state == kJobFailed) return PollStep::Failed;
  if (state == kJobDone) return PollStep::Done;
  if (state == kJobReceiving && hasData) return PollStep::Progress;
  return PollStep::Status;
}

}  // namespace kv
