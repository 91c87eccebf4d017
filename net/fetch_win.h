// The fetch engine over WinINet: one HTTP GET for one download job, into the
// job's buffer (memory mode) or at the end of a file (file mode).
#pragma once
#include <windows.h>

#include <cstdint>

#include "net/download.h"
#include "net/fetch.h"
#include "net/job.h"

namespace kv {

// What the log update settled before the request (see net/update.h).
struct FetchPlan {
  // The address fetched when it is not the job's url (a reading-script
  // address): the worker's own, since the owner reads url meanwhile.
  const char* address;
  ResumeKind resume;
  uint32_t resumeOffset;  // D
  uint32_t keepLength;    // local bytes to hold in front of the body (0: none)
  bool scriptBoard;       // regional or rental: pages by design, no HTML test
  bool converted;         // the script answer follows the kept log
  bool localExists;       // a local copy of the log exists (416 without a range loads it)
  const DownloadPaths* download;  // file mode: target, partial and record
  const char* downloadAddress;    // file mode: the address the record names
  // Loads the kept local bytes into the job's data (receivedSize = their
  // length); false when the local copy no longer has keepLength bytes.
  bool (*loadKept)(DownloadJob& job, const FetchPlan& plan);
  // Loads the whole local log (the answer to 416 without a range) and sets
  // expectedSize; false when there is none.
  bool (*loadLocal)(DownloadJob& job, const FetchPlan& plan);
  const void* context;  // for the two loaders
};

// Runs the request of the job on the calling (worker) thread: 1 on success,
// 0 on failure or cancellation, with statusText set.
int fetchUrl(DownloadJob& job, const FetchPlan& plan);

// The thread list is emptied at the start of a list download on the main
// thread: the worker posts this message to this window. None is posted
// until one is set.
void SetThreadListClearTarget(HWND window, UINT message, WPARAM w, LPARAM l);
void RequestThreadListClear();

// Closes the request, connection and internet handles (each once, from
// whichever thread gets to it first) and yields.
void closeHandles(DownloadJob& job);

}  // namespace kv
