// How the patrol brings one log up to date.
#pragma once
#include "net/job.h"

namespace kv {

// updateLog; when the server's log no longer matches the local copy (a
// deleted post), the whole log at once, as the thread view fetches it. The
// old log is set aside as "<file>.changed" meanwhile and put back when the
// whole fetch fails, so a failed patrol never loses a log.
int updateLogForPatrol(DownloadJob& job);

}  // namespace kv
