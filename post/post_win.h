// The post job: its worker routine and the posting request over WinINet.
#pragma once
#include <windows.h>

#include <cstdint>

#include "net/job.h"

namespace kv {

// Starts the post routine on a worker thread of its own. None when there is
// no message, or when the job's routine still runs (a job that is starting
// is asked to stop instead). The handle is only a success token.
HANDLE startPostJob(DownloadJob& job);

// The request itself, on the calling thread: 1 when the server accepted
// the post. statusText, replyTitle and replyText tell what happened.
int postRequest(DownloadJob& job);

// Shortens the pauses of the request (1000 ms before each answer, 1500 ms
// before the confirmation) for tests.
void SetPostPausesForTest(uint32_t answerMs, uint32_t confirmMs);

// Seconds since 1970-01-01 00:00 UTC from the system clock.
int64_t unixTimeNow();

}  // namespace kv
