#include "post/post_win.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <new>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/text.h"
#include "net/fetch.h"
#include "net/fetch_win.h"
#include "post/postform.h"

namespace kv {

namespace {

// Cookies are handled here, not by WinINet: the confirmation must carry
// exactly the NAME and MAIL that the script set, and WinINet's own cookie
// store would add lines of its own (or none, under some proxies).
constexpr DWORD kPostFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_NO_COOKIES;
// The pauses before reading an answer and before answering a confirmation
// (a script refuses a confirmation that comes back faster than a person
// could read the page).
std::atomic<DWORD> g_answerWaitMs{1000};
std::atomic<DWORD> g_confirmWaitMs{1500};

HINTERNET Handle(const std::atomic<void*>& h) { return static_cast<HINTERNET>(h.load()); }

void ClearReply(DownloadJob& job) {
  job.replyTitle[0] = 0;
  job.replyText[0] = 0;
}

int Fail(DownloadJob& job, const char* text) {
  setJobStatus(job, text);
  return 0;
}

int SendFailed(DownloadJob& job) {
  ClearReply(job);
  setJobStatusF(job, kTextSendFailed, static_cast<int>(GetLastError()));
  return 0;
}

// Sends the body after the settings' extra header line and the cookie line,
// each added as a header of its own: a line riding on the agent string does
// not reach the wire with every WinINet (Wine's cuts the agent at its line
// end), and a line handed to the send call replaces one of the same name.
bool SendPost(HINTERNET request, const char* postHead, const char* cookie, const char* body, size_t length) {
  // A line that is no header ("x" without a colon) is left out, not the post.
  if (postHead[0] && !SjHttpAddRequestHeaders(request, postHead, HTTP_ADDREQ_FLAG_ADD))
    WriteEventLog('i', "PostHead (%lu): %.100s", GetLastError(), postHead);
  if (!SjHttpAddRequestHeaders(request, cookie, HTTP_ADDREQ_FLAG_ADD)) return false;
  // The body is a form: scripts behind common web servers read the fields
  // only when the request says so (without it, the post arrives empty).
  if (!SjHttpAddRequestHeaders(request, "Content-Type: application/x-www-form-urlencoded\r\n",
                               HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
    return false;
  return SjHttpSendRequestBody(request, "", body, static_cast<DWORD>(length)) != FALSE;
}

// Opens the request on the job's connection (closing an earlier one).
HINTERNET OpenPost(DownloadJob& job, const char* referer) {
  if (void* old = job.requestHandle.exchange(nullptr)) InternetCloseHandle(static_cast<HINTERNET>(old));
  HINTERNET request =
      SjHttpOpenRequestReferer(Handle(job.connectHandle), "POST", kPostScript, "HTTP/1.1", referer, kPostFlags);
  if (request) job.requestHandle.store(request);
  return request;
}

// Reads the answer to its end, or until the buffer (less one byte) is full.
// False when a read fails; *got holds what arrived.
bool ReadAnswer(HINTERNET request, char* buffer, size_t cap, size_t* got) {
  *got = 0;
  buffer[0] = 0;
  while (*got + 1 < cap) {
    DWORD n = 0;
    DWORD want = static_cast<DWORD>(cap - 1 - *got);
    if (!InternetReadFile(request, buffer + *got, want, &n)) return false;
    if (n == 0) break;
    *got += n;
  }
  buffer[*got] = 0;
  return true;
}

int Post(DownloadJob& job) {
  WriteEventLog('i', "%.200s", job.url);
  PostTarget target;
  if (!PostTargetOf(job.url, job.port, &target)) return Fail(job, kTextBadPostUrl);

  // The internet handle. The agent string is logged as the services know it
  // (with the extra header line behind it); the line itself goes out as a
  // header of its own (SendPost).
  setJobStatus(job, kTextOpening);
  char agent[600], postHead[220];
  PostAgentOf(g_settings.PostHead, agent, sizeof agent);
  WriteEventLog('i', "User-Agent: %s", agent);
  PostHeadLine(g_settings.PostHead, postHead, sizeof postHead);
  ProxyAccess access = ChooseProxyAccess(g_settings.ProxyIEs, g_settings.Proxyadr);
  DWORD type = access == ProxyAccess::Named           ? INTERNET_OPEN_TYPE_PROXY
               : access == ProxyAccess::Preconfigured ? INTERNET_OPEN_TYPE_PRECONFIG
                                                      : INTERNET_OPEN_TYPE_DIRECT;
  const char* proxy = access == ProxyAccess::Named ? g_settings.Proxyadr : nullptr;
  WriteEventLog('i', "Proxy: %s", proxy ? proxy : "");
  HINTERNET session = SjInternetOpen(kPostAgent, type, proxy);
  if (!session) return Fail(job, kTextOpenFailed);
  job.internetHandle.store(session);

  setJobStatus(job, kTextConnecting);
  WriteEventLog('i', "Server: %s", target.host);
  HINTERNET connection = SjInternetConnect(session, target.server, target.port, "", "");
  if (!connection) return Fail(job, kTextConnectFailed);
  job.connectHandle.store(connection);

  setJobStatus(job, kTextRequestOpening);
  char referer[600];
  PostRefererOf(target, referer, sizeof referer);
  WriteEventLog('i', "Referer: %s", referer);
  HINTERNET request = OpenPost(job, referer);
  if (!request) return Fail(job, kTextRequestOpenFailed);

  // Each job encodes into buffers of its own.
  size_t capacity = PostBodyCapacity(job.postBodyLength);
  std::unique_ptr<char[]> body(new (std::nothrow) char[capacity]());
  std::unique_ptr<char[]> answer(new (std::nothrow) char[kPostAnswerBuffer]());
  if (!body || !answer) return Fail(job, kTextNoMemory);
  PostFields fields{job.postName,   job.postMail, job.postBody ? job.postBody : "", job.postBodyLength,
                    target.board,   target.key,   unixTimeNow() - kPostTimeBehind, g_settings.PostData};
  size_t length = BuildFirstBody(fields, body.get(), capacity);
  if (!length) return Fail(job, kTextPostTooLong);
  WriteEventLog('i', "%.200s", body.get());

  setJobStatus(job, kTextSending);
  if (!SendPost(request, postHead, kPostFirstCookie, body.get(), length)) return SendFailed(job);

  for (int pass = 0;; ++pass) {
    Sleep(g_answerWaitMs.load());
    request = Handle(job.requestHandle);
    char text[32];
    int status = SjHttpQueryInfo(request, HTTP_QUERY_STATUS_CODE, text, sizeof text) ? parseDecimal(text) : 0;
    WriteEventLog('i', "StatusCode: %d", status);
    int declared = SjHttpQueryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, sizeof text) ? parseDecimal(text) : 0;
    WriteEventLog('i', "Content-Length: %d", declared);

    size_t got = 0;
    if (!ReadAnswer(request, answer.get(), kPostAnswerBuffer, &got)) {
      int error = static_cast<int>(GetLastError());
      ClearReply(job);
      if (pass == 0) {
        setJobStatusF(job, kTextReadError, error);
        return 0;
      }
      // The confirmation went out; the script has most likely written it.
      WriteEventLog('i', "InternetReadFile (%d)", error);
      setJobStatus(job, kTextPostOk);
      return 1;
    }
    WriteEventLog('i', "inet read size=%d / retry=%d", static_cast<int>(got), pass);
    WriteEventLogRaw(answer.get(), got);

    PostAnswer page;
    ClassifyPostAnswer(answer.get(), got, &page);
    if (page.hasTitle) {
      CopyText(job.replyTitle, page.title);
      WriteEventLog('i', "title=%s", page.title);
    }
    if (!page.hasTitle && got == 0 && pass == 1) {
      setJobStatus(job, "ok..");
      return 1;
    }
    CopyText(job.replyText, page.text);
    if (page.outcome == PostOutcome::Confirm) {
      if (pass == 1) {
        // Asked again after the answer: the script did not take the post.
        WriteEventLog('i', "*** 2ch_X:cookie again ***");
        return Fail(job, kTextPostFailed);
      }
      WriteEventLog('i', "*** 2ch_X:cookie ***");
      length = BuildConfirmBody(fields, page, body.get(), capacity);
      if (!length) return Fail(job, kTextPostFailed);
      char raw[8192];
      CookieJar jar;
      TakeSetCookies(raw, SjHttpQueryRawHeaders(request, raw, sizeof raw) ? strlen(raw) : 0, &jar);
      char cookie[2400];
      if (!ConfirmCookieHeader(jar, cookie, sizeof cookie)) return Fail(job, kTextPostFailed);
      WriteEventLog('i', "%.200s", body.get());
      Sleep(g_confirmWaitMs.load());
      setJobStatus(job, kTextSending);
      ConfirmRefererOf(target, referer, sizeof referer);
      WriteEventLog('i', "Referer: %s", referer);
      request = OpenPost(job, referer);
      if (!request) return Fail(job, kTextRequestOpenFailed);
      WriteEventLog('i', "%.200s", cookie);
      if (!SendPost(request, postHead, cookie, body.get(), length)) return SendFailed(job);
      continue;
    }
    WriteEventLog('i', "body=%.200s", page.text);
    if (page.outcome == PostOutcome::Accepted) {
      setJobStatus(job, kTextPostOk);
      return 1;
    }
    return Fail(job, kTextPostFailed);
  }
}

DWORD WINAPI PostWorker(void* argument) {
  DownloadJob& job = *static_cast<DownloadJob*>(argument);
  WriteEventLogEmpty();
  int ok = postRequest(job);
  job.noMerge = 0;
  if (job.abortRequested.load() || !ok) {
    job.state = kJobFailed;
  } else {
    Sleep(500);
    job.state = kJobDone;
  }
  if (void* h = job.threadHandle.exchange(nullptr)) CloseHandle(static_cast<HANDLE>(h));
  WriteEventLog('i', "End thread.");
  job.workerRunning = false;
  releaseJob(&job);
  return 0;
}

}  // namespace

void SetPostPausesForTest(uint32_t answerMs, uint32_t confirmMs) {
  g_answerWaitMs = answerMs;
  g_confirmWaitMs = confirmMs;
}

int64_t unixTimeNow() {
  SYSTEMTIME t;
  GetSystemTime(&t);
  return UnixTimeOf({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

int postRequest(DownloadJob& job) {
  int result = Post(job);
  closeHandles(job);
  return result;
}

HANDLE startPostJob(DownloadJob& job) {
  if (!job.postBody || job.postBodyLength == 0) return nullptr;
  int32_t state = job.state.load();
  if (state == kJobStarting || state == kJobReceiving || job.workerRunning.load()) {
    job.abortRequested = 1;
    return nullptr;
  }
  job.abortRequested = 0;
  {
    JobDataLock held(job);
    if (job.data) job.data[0] = 0;
  }
  job.expectedSize = 0;
  job.receivedSize = 0;
  job.rate = 0;
  job.logChanged = 0;
  job.replyTitle[0] = 0;
  job.replyText[0] = 0;
  if (g_settings.UserName[0]) CopyText(job.userName, g_settings.UserName);
  if (g_settings.PassWord[0]) CopyText(job.password, g_settings.PassWord);
  job.state = kJobStarting;
  setJobStatus(job, kTextStarting);

  // The worker's own reference keeps the record (and the message it sends)
  // alive when the write dialog closes first.
  retainJob(&job);
  job.workerRunning = true;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, PostWorker, &job, CREATE_SUSPENDED, &id);
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
  return thread;
}

}  // namespace kv
