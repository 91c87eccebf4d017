#include "net/fetch_win.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstring>
#include <new>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/text.h"
#include "net/clock_win.h"
#include "net/download.h"

namespace kv {

namespace {

struct ClearTarget {
  HWND window;
  UINT message;
  WPARAM w;
  LPARAM l;
};
std::atomic<HWND> g_clearWindow{nullptr};
ClearTarget g_clear;  // written before g_clearWindow is published

bool Aborted(DownloadJob& job) { return job.abortRequested.load() != 0; }

HINTERNET Handle(const std::atomic<void*>& h) { return static_cast<HINTERNET>(h.load()); }

void CloseOne(std::atomic<void*>& h) {
  void* v = h.exchange(nullptr);
  if (v) InternetCloseHandle(static_cast<HINTERNET>(v));
}

// Opens the request and sends it, repeating once after a first 501. False
// after a failure (the status text says which) or a cancellation.
bool SendRequest(DownloadJob& job, HINTERNET connection, const char* path, const char* headers, int* status) {
  for (int attempt = 0;; ++attempt) {
    setJobStatus(job, kTextRequestOpening);
    HINTERNET request = SjHttpOpenRequest(connection, "GET", path, kRequestVersion, INTERNET_FLAG_NO_CACHE_WRITE);
    if (!request) {
      WriteEventLog('i', "HttpOpenRequest (%lu)", GetLastError());
      setJobStatus(job, kTextRequestOpenFailed);
      return false;
    }
    job.requestHandle.store(request);
    if (g_settings.NTPCheck) startClockCheck();
    if (Aborted(job)) return false;

    setJobStatus(job, kTextSending);
    if (headers[0]) WriteEventLog('i', "Headers\r\n%s", headers);
    if (!SjHttpSendRequest(request, headers)) {
      setJobStatusF(job, kTextSendFailed, static_cast<int>(GetLastError()));
      return false;
    }
    if (Aborted(job)) return false;

    setJobStatus(job, kTextStatus);
    char text[32];
    if (!SjHttpQueryInfo(request, HTTP_QUERY_STATUS_CODE, text, sizeof text)) {
      setJobStatus(job, kTextStatusFailed);
      return false;
    }
    *status = parseDecimal(text);
    WriteEventLog('i', "StatusCode: %d", *status);
    if (!RepeatsRequest(*status, attempt == 0)) return true;
    // Some servers answer a first request after a pause with 501 and the
    // same request a moment later normally.
    CloseOne(job.requestHandle);
  }
}

int ReadIntoMemory(DownloadJob& job, const FetchPlan& plan, HINTERNET request, int64_t fullLength) {
  uint32_t kept = 0;
  if (plan.keepLength) {
    // The local copy is read again only now, after a good status, and must
    // still be the copy the range was worked out from: another job for the
    // same thread may have rewritten it meanwhile. If it is not, appending
    // the answer to it would store a broken log.
    if (!plan.loadKept || !plan.loadKept(job, plan)) {
      job.logChanged = 1;
      setJobStatus(job, kTextLogChanged);
      return 0;
    }
    kept = job.receivedSize.load();
  }
  uint32_t expected = MemoryExpectedSize(fullLength, kept, plan.converted);
  job.expectedSize = expected;
  uint32_t capacity = MemoryBufferSize(expected, kept);
  char* buffer = capacity ? new (std::nothrow) char[capacity]() : nullptr;
  if (!buffer) {
    setJobStatus(job, kTextNoMemory);
    return 0;
  }
  if (kept) {
    JobDataLock held(job);
    memcpy(buffer, held.data(), kept < held.size() ? kept : held.size());
  } else {
    job.receivedSize = 0;  // nothing of an earlier buffer is in the new one
  }
  replaceJobData(job, buffer, capacity);
  setJobStatus(job, kTextReading);
  job.rate = 0;
  job.state = kJobReceiving;

  uint32_t position = 0;
  if (plan.resume == ResumeKind::ThreadLog && plan.resumeOffset) {
    // The range starts at the local copy's last byte, a line feed; getting
    // it back proves that the server's log still begins with the local one.
    unsigned char first = 0;
    DWORD got = 0;
    BOOL ok = InternetReadFile(request, &first, 1, &got);
    if (ResumeByteShowsChange(ok != FALSE, got, first)) {
      job.logChanged = 1;
      setJobStatus(job, kTextLogChanged);
      return 0;
    }
    position = kept;
  } else if (plan.converted) {
    position = kept;
  }
  uint32_t readSize = expected > position ? expected - position : 0;
  if (readSize > kReadChunk) readSize = kReadChunk;

  if (job.ReadType == kReadList) RequestThreadListClear();
  job.emptyReads = 0;
  char* data = buffer;
  while (position < expected) {
    if (Aborted(job)) return 0;
    DWORD start = GetTickCount();
    DWORD got = 0;
    if (!InternetReadFile(request, data + position, readSize, &got)) {
      DWORD error = GetLastError();
      WriteEventLog('i', kTextReadError, static_cast<int>(error));
      char message[256];
      if (error && SjFormatSystemMessage(error, message, sizeof message)) WriteEventLog('i', "%.200s", message);
      break;  // what arrived is kept
    }
    if (got == 0) {
      EmptyRead step = OnEmptyRead(expected, &job.emptyReads, job.retryLimit);
      if (step != EmptyRead::Pause) break;
      Sleep(kEmptyReadPauseMs);
      continue;
    }
    if (IsHtmlInsteadOfData(plan.scriptBoard, job.ReadType, position, data + position, got)) {
      char text[64];
      FormatText(text, sizeof text, kTextStatusError, 404);
      setJobStatusLevel(job, 'W', text);
      return 0;
    }
    position += got;
    data[position] = 0;
    job.receivedSize = position;
    job.rate = RateOf(got, GetTickCount() - start);
    readSize = expected - position < kReadChunk ? expected - position : kReadChunk;
    Sleep(0);
    if (job.ReadType == kReadList && g_settings.TListMax > 0 &&
        position > static_cast<uint32_t>(g_settings.TListMax)) {
      WriteEventLog('i', "%s", kTextListCut);
      break;
    }
  }
  job.receivedSize = position;
  closeHandles(job);
  setJobStatus(job, kTextDone);
  job.rate = 0;
  return 1;
}

// Content-Length as a 64-bit number (-1 when absent or not a number), so
// that a file past 2 GB is seen as such.
int64_t ContentLength64(HINTERNET request) {
  char text[32];
  if (!SjHttpQueryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, sizeof text)) return -1;
  int64_t n = 0;
  size_t digits = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9' || ++digits > 15) return -1;
    n = n * 10 + (*p - '0');
  }
  return digits ? n : -1;
}

// File mode: the body goes to the partial file ("NAME.part", with its
// record), which takes the target's name once it holds the whole file. A
// download that ends early keeps the partial for the next start.
int ReadIntoFile(DownloadJob& job, const FetchPlan& plan, HINTERNET request, int status) {
  WriteEventLog('i', "File Download Mode");
  setJobStatus(job, kTextReading);
  job.rate = 0;
  if (!plan.download) {
    setJobStatus(job, kTextFileOpenFailed);
    return 0;
  }
  const DownloadPaths& paths = *plan.download;
  char range[128];
  bool hasRange = SjHttpQueryInfo(request, HTTP_QUERY_CONTENT_RANGE, range, sizeof range) != FALSE;
  uint32_t offset = plan.resume == ResumeKind::File ? plan.resumeOffset : 0;
  FileAnswerFacts facts{status, offset, ContentLength64(request), hasRange ? range : nullptr};
  FileAnswerResult decision = DecideFileAnswer(facts);
  switch (decision.answer) {
    case FileAnswer::RangeMismatch:
      WriteEventLog('i', "Content-Range %.100s for offset %u", hasRange ? range : "-", offset);
      setJobStatus(job, kTextRangeMismatch);
      return 0;
    case FileAnswer::TooLarge:
      setJobStatus(job, kTextFileTooLarge);
      return 0;
    case FileAnswer::Refused:
      setJobStatusF(job, kTextStatusError, status);
      return 0;
    case FileAnswer::Append:
    case FileAnswer::Restart:
      break;
  }
  bool append = decision.answer == FileAnswer::Append;
  int64_t fullSize = decision.fullSize;
  job.expectedSize = static_cast<uint32_t>(fullSize);
  // The record first: a partial on disk always names its address.
  char record[640];
  size_t recordLength =
      FormatPartRecord(plan.downloadAddress ? plan.downloadAddress : job.url, fullSize, record, sizeof record);
  if (!recordLength || !ReplaceFileContents(paths.record, record, recordLength)) {
    setJobStatus(job, kTextFileOpenFailed);
    return 0;
  }
  HANDLE file =
      SjCreateFile(paths.part, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, append ? OPEN_EXISTING : CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) {
    setJobStatus(job, kTextFileOpenFailed);
    return 0;
  }
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  if (append && size.QuadPart != offset) {
    // The partial changed since the request was planned: its tail is not ours.
    CloseHandle(file);
    setJobStatus(job, kTextRangeMismatch);
    return 0;
  }
  SetFilePointer(file, 0, nullptr, FILE_END);
  int64_t position = size.QuadPart;
  job.receivedSize = static_cast<uint32_t>(position);
  job.state = kJobReceiving;
  job.emptyReads = 0;
  char chunk[kReadChunk];
  DWORD readSize = kReadChunk;
  // Without a length the file is read until the server closes (an empty read).
  bool lengthKnown = fullSize > 0;
  bool readFailed = false;
  while (!lengthKnown || position < fullSize) {
    if (Aborted(job)) {
      CloseHandle(file);
      return 0;
    }
    DWORD start = GetTickCount();
    DWORD got = 0;
    if (!InternetReadFile(request, chunk, readSize, &got)) {
      DWORD error = GetLastError();
      if (error)
        setJobStatusF(job, kTextReadError, static_cast<int>(error));
      else
        setJobStatus(job, kTextFileReadFailed);
      readFailed = true;
      break;
    }
    if (got == 0) {
      if (!lengthKnown) break;
      // The server closed early: the retries cannot bring more bytes.
      if (++job.emptyReads >= static_cast<int32_t>(job.retryLimit)) break;
      Sleep(kEmptyReadPauseMs);
      continue;
    }
    DWORD written = 0;
    if (!WriteFile(file, chunk, got, &written, nullptr) || written != got) {
      setJobStatus(job, kTextFileOpenFailed);
      CloseHandle(file);
      return 0;
    }
    position += got;
    job.receivedSize = static_cast<uint32_t>(position);
    job.rate = RateOf(got, GetTickCount() - start);
    if (lengthKnown) readSize = fullSize - position < kReadChunk ? static_cast<DWORD>(fullSize - position) : kReadChunk;
  }
  FlushFileBuffers(file);
  CloseHandle(file);
  closeHandles(job);
  job.rate = 0;
  if (!DownloadComplete(readFailed, fullSize, position)) {
    if (!readFailed)
      setJobStatusF(job, kTextCutShort, static_cast<unsigned>(position), static_cast<unsigned>(fullSize));
    return 0;  // the partial stays for the next start
  }
  if (!SjMoveFileEx(paths.part, paths.target,
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    WriteEventLog('i', "rename to %.200s failed (%lu)", paths.target, GetLastError());
    setJobStatus(job, kTextFileOpenFailed);
    return 0;
  }
  SjDeleteFile(paths.record);
  setJobStatus(job, kTextDone);
  return 1;
}

int Fetch(DownloadJob& job, const FetchPlan& plan) {
  // 1. The internet handle, with the proxy rules of the settings.
  setJobStatus(job, kTextOpening);
  ProxyAccess access = ChooseProxyAccess(g_settings.ProxyIEs, g_settings.Proxyadr);
  DWORD type = INTERNET_OPEN_TYPE_DIRECT;
  const char* proxy = nullptr;
  if (access == ProxyAccess::Named) {
    type = INTERNET_OPEN_TYPE_PROXY;
    proxy = g_settings.Proxyadr;
    WriteEventLog('i', "Proxy=%s", proxy);
  } else if (access == ProxyAccess::Preconfigured) {
    type = INTERNET_OPEN_TYPE_PRECONFIG;
  }
  HINTERNET session = SjInternetOpen(kUserAgent, type, proxy);
  if (!session) {
    setJobStatus(job, kTextOpenFailed);
    return 0;
  }
  job.internetHandle.store(session);
  if (Aborted(job)) return 0;

  // 2. The connection; an address naming its own port is fetched from it.
  setJobStatus(job, kTextConnecting);
  char host[260], path[520];
  uint16_t explicitPort = 0;
  HINTERNET connection = nullptr;
  if (SplitFetchUrl(plan.address ? plan.address : job.url, host, sizeof host, &explicitPort, path, sizeof path)) {
    INTERNET_PORT port = explicitPort ? explicitPort : static_cast<INTERNET_PORT>(job.port ? job.port : 80);
    connection = SjInternetConnect(session, host, port, job.userName, job.password);
  }
  if (!connection) {
    setJobStatus(job, kTextConnectFailed);
    return 0;
  }
  job.connectHandle.store(connection);
  if (Aborted(job)) return 0;

  // 3-5. Request, send, status.
  char headers[64] = "";
  bool rangeSent = false;
  if (plan.resume == ResumeKind::ThreadLog && plan.resumeOffset) {
    FormatText(headers, sizeof headers, "Range: bytes=%d-\r\n", static_cast<int>(plan.resumeOffset - 1));
    rangeSent = true;
  } else if (plan.resume == ResumeKind::File && plan.resumeOffset) {
    FormatText(headers, sizeof headers, "Range: bytes=%d-\r\n", static_cast<int>(plan.resumeOffset));
    rangeSent = true;
  }
  int status = 0;
  if (!SendRequest(job, connection, path, headers, &status) || Aborted(job)) return 0;
  HINTERNET request = Handle(job.requestHandle);

  // 6. Size.
  setJobStatus(job, kTextSize);
  char text[32];
  bool lengthKnown = SjHttpQueryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, sizeof text) != FALSE;
  int64_t fullLength = 0;
  int64_t contentLength = -1;
  if (lengthKnown) {
    contentLength = parseDecimal(text);
    WriteEventLog('i', "Content-Length: %d", static_cast<int>(contentLength));
    fullLength = FullLength(true, contentLength, plan.resumeOffset, plan.resume, status);
    WriteEventLog('i', "Full-Length: %d", static_cast<int>(fullLength > INT32_MAX ? INT32_MAX : fullLength));
  }

  // 7. What the answer means.
  bool fileMode = job.ReadType == kReadFile;
  AnswerFacts facts{status, rangeSent, plan.resume, contentLength, fullLength, fileMode,
                    plan.localExists && plan.loadLocal};
  switch (DecideAnswer(facts)) {
    case Answer::NoNewData:
      setJobStatus(job, kTextNoNewData);
      return 0;
    case Answer::TooLarge:
      job.expectedSize = static_cast<uint32_t>(fullLength > UINT32_MAX ? UINT32_MAX : fullLength);
      setJobStatus(job, kTextTooLarge);
      return 0;
    case Answer::StatusError:
      setJobStatusF(job, kTextStatusError, status);
      return 0;
    case Answer::LogChanged:
      job.logChanged = 1;
      setJobStatus(job, kTextLogChanged);
      return 0;
    case Answer::LoadLocal:
      setJobStatus(job, kTextLoadingLog);
      if (!plan.loadLocal(job, plan)) {
        setJobStatusF(job, kTextStatusError, status);
        return 0;
      }
      job.state = kJobReceiving;
      setJobStatus(job, kTextLogLoaded);
      return 1;
    case Answer::ReadBody:
      break;
    case Answer::ReadWholeLog:
      WriteEventLog('i', "whole log for a range (%d)", status);
      break;
  }
  char raw[kRawHeaderBuffer];
  if (SjHttpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw, sizeof raw)) {
    size_t n = strlen(raw);
    if (n < kRawHeaderLogLimit) {
      WriteEventLog('i', "Raw headers");
      WriteEventLogRaw(raw, n);
    }
  }
  // 8. The body.
  if (fileMode) return ReadIntoFile(job, plan, request, status);
  if (status != 206 && plan.resume == ResumeKind::ThreadLog) {
    // Not the range asked for: the whole log, read as a fresh body.
    FetchPlan whole = plan;
    whole.resume = ResumeKind::None;
    whole.resumeOffset = 0;
    whole.keepLength = 0;
    return ReadIntoMemory(job, whole, request, fullLength);
  }
  return ReadIntoMemory(job, plan, request, fullLength);
}

}  // namespace

int fetchUrl(DownloadJob& job, const FetchPlan& plan) {
  int result = Fetch(job, plan);
  closeHandles(job);
  return result;
}

void SetThreadListClearTarget(HWND window, UINT message, WPARAM w, LPARAM l) {
  g_clearWindow = nullptr;
  g_clear = ClearTarget{window, message, w, l};
  g_clearWindow = window;
}

void RequestThreadListClear() {
  // Posted, not sent: the main thread empties the list when it next reads
  // its queue, and posted messages come before the owner's next timer
  // tick, so no part of the new list is shown before the clear. A worker
  // never waits for the main thread (which may itself be in stopJob).
  HWND window = g_clearWindow.load();
  if (window) PostMessage(window, g_clear.message, g_clear.w, g_clear.l);
}

void closeHandles(DownloadJob& job) {
  CloseOne(job.requestHandle);
  CloseOne(job.connectHandle);
  CloseOne(job.internetHandle);
  Sleep(0);
}

}  // namespace kv
