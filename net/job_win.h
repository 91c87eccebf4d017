// Starting, cancelling and stopping download jobs, their worker threads, the
// thread-list clear handed to the main thread, and the owners' polling timer.
#pragma once
#include <windows.h>

#include "net/job.h"

namespace kv {

// Starts the worker. A job that is starting is stopped and one that is
// receiving is cancelled instead (both give null), so a second start
// request on a busy job cancels it. The handle is only a success token: the
// job owns it.
HANDLE startJob(DownloadJob& job);
// Asks the worker to stop at its next step.
void cancelJob(DownloadJob& job);
// Cancels, marks the job failed, waits up to 5 s for the worker to end and
// then closes the job's connection handles (which makes a worker blocked in
// the network return). A worker that is still running keeps the record
// alive through its own reference.
void stopJob(DownloadJob& job);

// The dialer command posted to the main window when the user asks for it.
inline constexpr WPARAM kDialerCommand = 40015;

// An owner's polling timer: the first tick after 1 s, then every 2 s.
class JobPoll {
 public:
  // Arms the timer after startJob.
  void start(HWND window, UINT_PTR timer = 1);
  // On that timer's WM_TIMER: kills the timer, decides what the owner does
  // now, re-arms it unless the job is final, and drops ticks already queued
  // for the window.
  PollStep tick(DownloadJob& job);
  void stop();

 private:
  HWND window_ = nullptr;
  UINT_PTR timer_ = 1;
  uint32_t lastSeen_ = 0;
};

}  // namespace kv
