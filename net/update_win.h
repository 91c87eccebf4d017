// The log update of a job against the local store and the network.
#pragma once
#include <cstdint>

#include "net/job.h"

namespace kv {

// The body of every non-post job: 1 on success, 0 on failure or
// cancellation, with statusText set.
int updateLog(DownloadJob& job);

// Fetches a thread log whole again after its server copy changed (or when
// the user asks for it): the local copy is set aside as "<file>.changed"
// while the fetch runs, removed once the new log is stored, and put back
// when the fetch fails or is cancelled, so a failed re-fetch never loses
// the log. The view runs it for its 40026 (through refetchWhole).
int refetchWholeLog(DownloadJob& job);

// updateLog; when the server's log no longer matches the local copy, the
// whole log at once (refetchWholeLog). The patrol's way of updating a log.
int updateLogRefetchingChanged(DownloadJob& job);

// Reads the file at path into the job's data (compressed copies expanded)
// and its length into receivedSize; expectedSize gets the same length
// unless leaveExpected. With lines, the CR LF pairs are counted into it.
// 1 when read, 0 for a missing or empty file.
int loadLocalLog(DownloadJob& job, const char* path, bool leaveExpected, int32_t* lines = nullptr);

// CR LF pairs of the local copy of address; 0 when there is none.
int32_t countLines(DownloadJob& job, const char* address);

}  // namespace kv
