// The download job: the record an owner window shares with the worker
// thread that fills it, and the parts of its handling that need no platform.
// Starting, stopping and the worker routines are in job_win.h.
//
// Sharing: the owner writes only abortRequested (and stopJob the state);
// the worker writes the rest. Counters and flags are atomics; statusText and
// the data pointer are guarded by a short lock that is held only to copy the
// text or swap the pointer, so the owner's timer never waits on a worker.
// The record is reference counted: the owner's reference and the running
// worker's; it goes away with the last one.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace kv {

// JobState values.
enum JobState : int32_t { kJobIdle = 0, kJobStarting = 1, kJobReceiving = 2, kJobDone = 9, kJobFailed = -1 };

// ReadType values.
enum ReadType : int32_t { kReadPage = 0, kReadList = 1, kReadLog = 2, kReadTitleLookup = 3, kReadFile = 9 };

// Patrol items: the address and the status word of each entry of a run.
inline constexpr int32_t kPatrolCapacity = 50;
enum PatrolStatus : int32_t {
  kPatrolWaiting = 0,
  kPatrolEmpty = 1,
  kPatrolUpdated = 2,
  kPatrolFailed = 3,
  kPatrolRunning = 4,
};
struct PatrolItem {
  char url[260];
  std::atomic<int32_t> status;
};
struct PatrolTable {
  int32_t count;
  PatrolItem items[kPatrolCapacity];
};

inline constexpr char kTextStarting[] = "ﾌﾟﾛｾｽ開始中...";
inline constexpr char kTextWaiting[] = "wait...";

struct DownloadJob {
  char url[520];  // address, or a local path ("\..." or "X:...")
  uint32_t port;
  char userName[64];
  char password[64];
  int32_t ReadType;
  int32_t noMerge;
  char statusText[520];  // read with copyJobStatus, written with setJobStatus
  char title[64];
  char* data;  // zero-terminated body; owners read it through JobDataLock
  std::atomic<uint32_t> expectedSize;
  std::atomic<uint32_t> receivedSize;
  std::atomic<uint32_t> abortRequested;
  std::atomic<int32_t> state;
  std::atomic<uint32_t> logChanged;
  std::atomic<uint32_t> threadId;
  std::atomic<void*> threadHandle;
  int32_t emptyReads;
  uint32_t retryLimit;
  std::atomic<int32_t> rate;
  std::atomic<uint32_t> batchMode;
  std::atomic<void*> internetHandle;
  std::atomic<void*> connectHandle;
  std::atomic<void*> requestHandle;
  void* ownerWindow;
  char saveFolder[260];
  char postName[128];
  char postMail[128];
  char* postBody;
  uint32_t postBodyLength;
  char replyTitle[64];
  char replyText[128];

  // Beyond the shared fields.
  uint32_t dataCapacity;  // bytes allocated at data (all zero past the body)
  PatrolTable* patrol;    // batch jobs: the items, owned by the job
  std::atomic<int32_t> references;
  std::atomic<bool> workerRunning;
  std::atomic<bool> counted;  // this job is in activeDownloads
  // Set by the worker once nothing but setting the final state and letting
  // go of its reference is left: a start request then waits those moments
  // out instead of being dropped.
  std::atomic<bool> workerEnding;
  // Set by the owner before startJob: fetch the thread log whole, with the
  // local copy set aside until the new one is stored (the view's 40026).
  std::atomic<bool> refetchWhole;
  std::mutex textLock;  // statusText
  std::mutex dataLock;  // the data pointer and capacity
};

// Single jobs whose worker is past its start (advisory: status bar, the wait
// for a free download, the exit question).
extern std::atomic<int32_t> activeDownloads;

// A new zero-filled, initialised record holding the owner's reference.
DownloadJob* newJob();
// Drops the owner's reference: the record and its buffers go once the
// worker has ended too. Use instead of freeing the record.
void releaseJob(DownloadJob* job);
void retainJob(DownloadJob* job);

// Zero-fills the record's fields (not its references) and sets port 80 and
// retryLimit 3. Not for a job whose worker runs.
void initJob(DownloadJob& job);

// Frees postBody and data. While the worker still runs nothing is freed
// here; the last reference frees them.
void freeJobBuffers(DownloadJob& job);

// The status text, also written to the event log.
void setJobStatus(DownloadJob& job, const char* text);
void setJobStatusLevel(DownloadJob& job, char level, const char* text);
void setJobStatusF(DownloadJob& job, const char* format, ...) __attribute__((format(printf, 2, 3)));
size_t copyJobStatus(DownloadJob& job, char* out, size_t cap);

// Puts a new body buffer in place (capacity bytes, owned by the job from
// now on) and frees the old one; the received size is not changed.
void replaceJobData(DownloadJob& job, char* buffer, uint32_t capacity);

// An owner's view of the body while the worker may still be filling it: the
// first size() bytes are complete; bytes past them may change.
class JobDataLock {
 public:
  explicit JobDataLock(DownloadJob& job);
  ~JobDataLock();
  JobDataLock(const JobDataLock&) = delete;
  JobDataLock& operator=(const JobDataLock&) = delete;
  const char* data() const { return data_; }
  uint32_t size() const { return size_; }

 private:
  DownloadJob& job_;
  const char* data_;
  uint32_t size_;
};

// Whether the job has a body buffer, without ever waiting: while the worker
// holds the buffer lock it is putting one in place, which counts as having.
bool JobHasData(DownloadJob& job);

// Counting a single job in activeDownloads, once: the worker counts it in;
// whichever of the worker's end and stopJob comes first counts it out.
void countJobIn(DownloadJob& job);
void countJobOut(DownloadJob& job);

// The final state of a single job's worker: failed when cancelled, done
// when the update succeeded. A thread log whose server copy no longer
// matches the local one (logChanged) also ends done, with logChanged kept,
// so that its owner fetches it again whole; ending failed would leave the
// owner only the status text and the log never updated again.
int32_t DecideThreadJobEnd(bool updated, bool aborted, bool logChanged);

// The ReadType of a patrol entry: 0 when the text after its last "." is
// anything but ".dat" (any case), else 2.
int32_t PatrolReadType(const char* address);

// One tick of an owner's polling timer, decided from what the job shows.
enum class PollStep {
  Quiet,     // nothing changed: re-arm at 2000 ms and do nothing else
  Failed,    // state -1: show statusText and finish
  Done,      // state 9: take the result and finish
  Progress,  // receiving with data: show progress, re-arm
  Status,    // show statusText, re-arm
};
PollStep DecidePollStep(uint32_t lastSeenReceived, uint32_t received, uint32_t expected, int32_t state,
                        bool hasData);

}  // namespace kv
