#include "net/job_win.h"

#include <atomic>
#include <cstring>

#include "boards/patrol.h"
#include "core/app.h"
#include "core/eventlog.h"
#include "core/text.h"
#include "net/clock_win.h"
#include "net/fetch_win.h"
#include "net/update.h"
#include "net/update_win.h"
#include "ui/main_window_win.h"

namespace kv {

namespace {

bool Aborted(DownloadJob& job) { return job.abortRequested.load() != 0; }

bool JobStatusIs(DownloadJob& job, const char* text) {
  char status[520];
  copyJobStatus(job, status, sizeof status);
  return strcmp(status, text) == 0;
}

// After the network-not-found question: up to 20 tries, 2 s apart.
void WaitForNetwork(DownloadJob& job) {
  for (int i = 0; i < 20 && !Aborted(job); ++i) {
    if (netAvailable()) return;
    Sleep(2000);
  }
}

void CheckNetwork(DownloadJob& job) {
  if (g_settings.fOffLine || netAvailable()) return;
  int answer = askNetwork();
  if (answer == 1) {
    HWND main = g_mainWindow;
    if (main) PostMessage(main, WM_COMMAND, kDialerCommand, 0);
    WaitForNetwork(job);
  } else if (answer == 6) {
    WaitForNetwork(job);  // the question is on screen for another job
  }
}

// The worker's last steps. The final state comes last but one: from then on
// the owner may start the job again, so the worker touches nothing of the
// record after it but workerRunning and its own reference.
void EndWorker(DownloadJob& job, int32_t finalState) {
  job.noMerge = 0;
  if (void* h = job.threadHandle.exchange(nullptr)) CloseHandle(static_cast<HANDLE>(h));
  Sleep(0);
  WriteEventLog('i', "End thread.");
  job.workerEnding = true;
  job.state = finalState;
  job.workerRunning = false;
  releaseJob(&job);
}

void RunPatrol(DownloadJob& job) {
  bool lastOk = true;
  PatrolTable* table = job.patrol;
  int32_t count = table ? table->count : 0;
  if (count > kPatrolCapacity) count = kPatrolCapacity;
  for (int32_t i = 0; i < count; ++i) {
    PatrolItem& item = table->items[i];
    if (Aborted(job)) {
      for (int32_t j = i; j < count; ++j) table->items[j].status = kPatrolFailed;
      break;
    }
    if (!item.url[0]) {
      item.status = kPatrolEmpty;
      continue;
    }
    item.status = kPatrolRunning;
    CopyText(job.url, item.url);
    job.ReadType = PatrolReadType(item.url);
    bool updated = updateLogRefetchingChanged(job) != 0;
    closeHandles(job);
    Sleep(0);
    // A thread with nothing new is up to date, not failed.
    int32_t result = PatrolResultOf(updated, !updated && JobStatusIs(job, kTextNoNewData), Aborted(job));
    lastOk = result == kPatrolUpdated;
    item.status = result;
  }
  job.batchMode = 2;
  EndWorker(job, Aborted(job) || !lastOk ? kJobFailed : kJobDone);
}

DWORD WINAPI SingleJobWorker(void* argument) {
  DownloadJob& job = *static_cast<DownloadJob*>(argument);
  CheckNetwork(job);
  if (job.batchMode) {
    RunPatrol(job);
    return 0;
  }
  countJobIn(job);
  int ok = 0;
  if (IsLocalFileAddress(job.url)) {
    ok = loadLocalLog(job, job.url, true);
  } else {
    if (activeDownloads.load() > 2) {
      // At most two downloads at once; a later one waits up to 10 s and
      // then runs anyway.
      setJobStatus(job, kTextWaiting);
      for (int i = 0; i < 5 && activeDownloads.load() > 2 && !Aborted(job); ++i) Sleep(2000);
    }
    if (!Aborted(job)) {
      ok = job.refetchWhole.exchange(false) ? refetchWholeLog(job) : updateLog(job);
      closeHandles(job);
    }
  }
  countJobOut(job);
  EndWorker(job, DecideThreadJobEnd(ok != 0, Aborted(job), job.logChanged.load() != 0));
  return 0;
}

}  // namespace

HANDLE startJob(DownloadJob& job) {
  int32_t state = job.state.load();
  if (state == kJobStarting) {
    stopJob(job);
    job.abortRequested = 1;
    return nullptr;
  }
  if (state == kJobReceiving) {
    job.abortRequested = 1;
    return nullptr;
  }
  // A worker that has set its final state has only workerRunning and its
  // reference left to let go of: the job is free, and waits those moments.
  for (int i = 0; i < 1000 && job.workerRunning.load() && job.workerEnding.load(); ++i) Sleep(i < 10 ? 0 : 1);
  if (job.workerRunning.load()) {
    // The worker of an earlier start outlived stopJob; a second worker on
    // the same record would race it.
    job.abortRequested = 1;
    return nullptr;
  }
  job.workerEnding = false;
  job.abortRequested = 0;
  {
    JobDataLock held(job);
    if (job.data) job.data[0] = 0;
  }
  job.expectedSize = 0;
  job.receivedSize = 0;
  job.rate = 0;
  job.title[0] = 0;
  job.logChanged = 0;
  if (g_settings.UserName[0]) CopyText(job.userName, g_settings.UserName);
  if (g_settings.PassWord[0]) CopyText(job.password, g_settings.PassWord);
  job.state = kJobStarting;
  setJobStatus(job, kTextStarting);

  // The worker holds its own reference, so the record outlives an owner
  // that lets go while the worker still runs. The thread starts suspended
  // so that its handle is in the record before it can end and clear it.
  retainJob(&job);
  job.workerRunning = true;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, SingleJobWorker, &job, CREATE_SUSPENDED, &id);
  if (!thread) {
    WriteEventLog('i', "CreateThread (%lu)", GetLastError());
    job.workerRunning = false;
    job.state = kJobFailed;
    releaseJob(&job);
    return nullptr;
  }
  job.threadHandle = thread;
  job.threadId = id;
  ResumeThread(thread);
  Sleep(0);
  return thread;
}

void cancelJob(DownloadJob& job) {
  job.abortRequested = 1;
  Sleep(0);
}

void stopJob(DownloadJob& job) {
  // Cancelling first lets a worker between reads end within one read; a
  // patrol run marks its remaining items failed.
  job.abortRequested = 1;
  int32_t state = job.state.load();
  while (state >= 1 && state <= 8 && !job.state.compare_exchange_weak(state, kJobFailed)) {
  }
  if (state == kJobStarting || state == kJobReceiving) countJobOut(job);
  for (int i = 0; i < 10 && job.threadHandle.load(); ++i) Sleep(500);
  if (void* h = job.threadHandle.exchange(nullptr)) CloseHandle(static_cast<HANDLE>(h));
  Sleep(0);
  closeHandles(job);
  Sleep(0);
}

void JobPoll::start(HWND window, UINT_PTR timer) {
  window_ = window;
  timer_ = timer;
  lastSeen_ = 0;
  SetTimer(window_, timer_, 1000, nullptr);
}

PollStep JobPoll::tick(DownloadJob& job) {
  KillTimer(window_, timer_);
  uint32_t received = job.receivedSize.load();
  bool hasData = JobHasData(job);
  PollStep step = DecidePollStep(lastSeen_, received, job.expectedSize.load(), job.state.load(), hasData);
  if (step != PollStep::Quiet) lastSeen_ = received;
  if (step != PollStep::Failed && step != PollStep::Done) SetTimer(window_, timer_, 2000, nullptr);
  MSG m;
  while (PeekMessage(&m, window_, WM_TIMER, WM_TIMER, PM_REMOVE)) {
  }
  return step;
}

void JobPoll::stop() {
  if (window_) KillTimer(window_, timer_);
}

}  // namespace kv
