// Posting with the real WinINet against the board server's /test/bbs.cgi:
// the confirmation round on the wire, every hidden-input form, the pages
// that are failures, and the write log; the write dialog keeps the message
// whenever a post fails.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/startup_win.h"
#include "net/fetch.h"
#include "post/post_resource.h"
#include "post/post_win.h"
#include "post/postform.h"
#include "post/write_dialog_win.h"
#include "post/writelog_win.h"
#include "tests/win/net_test_util.h"

using kvtest::BoardServer;
using kvtest::EventCapture;

namespace {

const char kLog[] = "/news/dat/1700000001.dat";

template <typename F>
bool PumpUntil(F done, int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (done()) return true;
    if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
    Sleep(10);
  }
}

std::vector<BoardServer::Request> Posts(const BoardServer& s) {
  std::vector<BoardServer::Request> out;
  for (const auto& r : s.Requests())
    if (r.method == "POST") out.push_back(r);
  return out;
}

// The header lines of a request named name (any case), in order.
std::vector<std::string> HeaderLines(const std::string& headers, const std::string& name) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < headers.size()) {
    size_t end = headers.find("\r\n", pos);
    if (end == std::string::npos) end = headers.size();
    std::string line = headers.substr(pos, end - pos);
    if (line.size() > name.size() && _strnicmp(line.c_str(), (name + ":").c_str(), name.size() + 1) == 0)
      out.push_back(line.substr(name.size() + 2));
    pos = end + 2;
  }
  return out;
}

class Post : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new BoardServer();
    ASSERT_TRUE(server_->running());
    server_->Board("/news/");
    kv::SetPostPausesForTest(0, 0);
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    kvtest::LoopbackSettings(folder_.path());
    kv::CopyText(kv::g_programFolder, folder_.path().c_str());
    server_->Reset();
    server_->Thread(kLog, 3);
    job_ = kv::newJob();
    kv::CopyText(job_->url, server_->url(kLog).c_str());
    kv::CopyText(job_->postName, "kv");
    kv::CopyText(job_->postMail, "sage");
    SetMessage("12");
  }
  void TearDown() override {
    kv::freeJobBuffers(*job_);
    kv::releaseJob(job_);
  }
  void SetMessage(const std::string& text) {
    delete[] job_->postBody;
    job_->postBody = new char[text.size() + 1];
    memcpy(job_->postBody, text.c_str(), text.size() + 1);
    job_->postBodyLength = static_cast<uint32_t>(text.size());
  }
  std::string Status() {
    char text[520];
    kv::copyJobStatus(*job_, text, sizeof text);
    return text;
  }
  size_t LogLines() {
    std::string log = server_->Get(kLog);
    size_t n = 0;
    for (char c : log) n += c == '\n';
    return n;
  }

  static BoardServer* server_;
  kvtest::TempFolder folder_;
  kv::DownloadJob* job_ = nullptr;
};
BoardServer* Post::server_ = nullptr;

TEST_F(Post, ConfirmationRoundInTwoRequestsWithTheFieldsOnTheWire) {
  int64_t before = kv::unixTimeNow();
  ASSERT_EQ(kv::postRequest(*job_), 1) << Status();
  EXPECT_EQ(Status(), "ok");
  auto posts = Posts(*server_);
  ASSERT_EQ(posts.size(), 2u);
  for (const auto& p : posts) {
    EXPECT_EQ(p.url, "/test/bbs.cgi");
    EXPECT_EQ(p.version, "HTTP/1.1");
    EXPECT_EQ(p.agent, "Monazilla/1.00 (Kurovel/0.48)");
    // Scripts behind common web servers read a body as a form only when told.
    EXPECT_EQ(HeaderLines(p.headers, "Content-Type"),
              std::vector<std::string>{"application/x-www-form-urlencoded"});
  }
  // First: the settings' extra line as a header of its own, then the form's
  // own cookie line.
  auto cookies = HeaderLines(posts[0].headers, "Cookie");
  ASSERT_EQ(cookies.size(), 2u) << posts[0].headers;
  EXPECT_EQ(cookies[0], "hana=tobiku");
  EXPECT_EQ(cookies[1], "NAME=&MAIL=;");
  std::string port = std::to_string(server_->port());
  EXPECT_EQ(HeaderLines(posts[0].headers, "Referer"),
            std::vector<std::string>{"http://127.0.0.1:" + port + "/test/read.cgi/news/1700000001/"});
  std::string first = posts[0].body;
  const std::string head = "submit=%8f%91%82%ab%8d%9e%82%de&FROM=kv&mail=sage&MESSAGE=%31%32&bbs=news&key=1700000001&time=";
  ASSERT_EQ(first.compare(0, head.size(), head), 0) << first;
  long long sent = atoll(first.c_str() + head.size());
  EXPECT_GE(sent, before - 60 - 2);
  EXPECT_LE(sent, before - 60 + 5);
  // Second: the cookies the first answer set, the page's time, and the
  // page's own hidden input.
  cookies = HeaderLines(posts[1].headers, "Cookie");
  ASSERT_EQ(cookies.size(), 2u) << posts[1].headers;
  EXPECT_EQ(cookies[1], "NAME=kv; MAIL=sage; PON=kv127");
  EXPECT_EQ(posts[1].body.rfind("subject=&FROM=kv&mail=sage&MESSAGE=%31%32&bbs=news&time=", 0), 0u) << posts[1].body;
  EXPECT_NE(posts[1].body.find("&key=1700000001&submit=%91%53"), std::string::npos);
  const std::string extra = "&kvtoken=confirm-%31";
  ASSERT_GT(posts[1].body.size(), extra.size());
  EXPECT_EQ(posts[1].body.substr(posts[1].body.size() - extra.size()), extra);
  EXPECT_EQ(LogLines(), 4u);  // the post is in the thread
  EXPECT_STREQ(job_->replyTitle, "書きこみました。");
}

TEST_F(Post, EveryFormOfHiddenInputIsAnswered) {
  for (const char* form : {"unquoted", "reversed", "escaped"}) {
    server_->PostMode(std::string("form=") + form);
    server_->ClearLog();
    size_t lines = LogLines();
    EXPECT_EQ(kv::postRequest(*job_), 1) << form << ": " << Status() << " " << job_->replyText;
    EXPECT_EQ(Posts(*server_).size(), 2u) << form;
    EXPECT_EQ(LogLines(), lines + 1) << form;
  }
  // The escaped value went back decoded and encoded again.
  auto posts = Posts(*server_);
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_NE(posts[1].body.find("&kvtoken=kv%3c%22x%22%26%31%3e"), std::string::npos);
}

TEST_F(Post, SecondConfirmationPageIsAFailure) {
  server_->PostMode("confirm=always");
  EXPECT_EQ(kv::postRequest(*job_), 0);
  EXPECT_EQ(Status(), kv::kTextPostFailed);
  EXPECT_STREQ(job_->replyTitle, "■ 書き込み確認 ■");
  EXPECT_EQ(Posts(*server_).size(), 2u);
  EXPECT_EQ(LogLines(), 3u);
}

TEST_F(Post, ConfirmationWithoutTimeSendsNothingMore) {
  server_->PostMode("form=notime");
  EXPECT_EQ(kv::postRequest(*job_), 0);
  EXPECT_EQ(Status(), kv::kTextPostFailed);
  EXPECT_EQ(Posts(*server_).size(), 1u);
}

TEST_F(Post, ErrorPageGivesItsTitleAndText) {
  server_->Control("post", "head=long", "ＥＲＲＯＲ：連続投稿ですか？？");
  EXPECT_EQ(kv::postRequest(*job_), 0);
  EXPECT_EQ(Status(), kv::kTextPostFailed);
  EXPECT_STREQ(job_->replyTitle, "ＥＲＲＯＲ！");
  EXPECT_EQ(std::string(job_->replyText).find("ＥＲＲＯＲ：連続投稿ですか？？"), 0u) << job_->replyText;
  EXPECT_EQ(Posts(*server_).size(), 1u);
}

TEST_F(Post, ReadingScriptAddressPostsToItsThread) {
  std::string port = std::to_string(server_->port());
  kv::CopyText(job_->url, ("http://127.0.0.1:" + port + "/test/read.cgi/news/1700000001/l50").c_str());
  server_->PostMode("confirm=never");
  EXPECT_EQ(kv::postRequest(*job_), 1) << Status();
  auto posts = Posts(*server_);
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_NE(posts[0].body.find("&key=1700000001&"), std::string::npos);
  kv::CopyText(job_->url, ("http://127.0.0.1:" + port + "/../dat/x.dat").c_str());
  EXPECT_EQ(kv::postRequest(*job_), 0);
  EXPECT_EQ(Status(), kv::kTextBadPostUrl);
}

TEST_F(Post, WriteLogRotatesWithoutLosingThePreviousGeneration) {
  std::string log = folder_.file("write.log"), bak = folder_.file("write.bak");
  kvtest::WriteFileBytes(bak, "old generation");
  std::string big(50000, 'x');
  ASSERT_TRUE(kv::appendWriteLog("http://a/", "n", "m", big.data(), big.size()));
  EXPECT_FALSE(kvtest::FileExists(log));
  std::string moved = kvtest::ReadFileBytes(bak);
  EXPECT_EQ(moved.substr(moved.size() - 50004), big + "\r\n\r\n");
  ASSERT_TRUE(kv::appendWriteLog("http://a/", "n", "m", "next", 4));
  std::string fresh = kvtest::ReadFileBytes(log);
  EXPECT_EQ(fresh.substr(fresh.size() - 8), "next\r\n\r\n");
  EXPECT_EQ(fresh.find("URL : http://a/\r\nName: n\r\nMail: m\r\nnext"), 23u);
  // A log held open elsewhere: the entry is not written, and the event log
  // says so.
  EventCapture events;
  HANDLE held = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(kv::appendWriteLog("http://a/", "n", "m", "lost?", 5));
  CloseHandle(held);
  EXPECT_TRUE(events.Has("write.log: cannot open"));
}

// ---- The write dialog ------------------------------------------------------------

HWND g_posting = nullptr;
bool g_okWasDisabled = false;
std::string g_failureText;  // what the posting window showed when the job had failed
HWND g_dialog = nullptr;
std::string g_writeLog;
std::mutex g_seenLock;
std::vector<size_t> g_entriesWhenSending;  // write.log entries each time a request was about to go out

size_t Entries(const std::string& log) {
  size_t n = 0;
  for (size_t at = log.find("]\r\nURL : "); at != std::string::npos; at = log.find("]\r\nURL : ", at + 1)) ++n;
  return n;
}

// The worker names the agent just before it opens the connection: by then
// the attempt must be in the write log.
void SeeSending(const kv::EventEntry& e) {
  if (e.kind == kv::EventKind::Line && std::string(e.text, e.length).rfind("User-Agent:", 0) == 0) {
    std::lock_guard<std::mutex> hold(g_seenLock);
    g_entriesWhenSending.push_back(Entries(kvtest::ReadFileBytes(g_writeLog)));
  }
}

// Runs inside the posting window's modal loop: notes the state of things
// and closes the window once the job has failed.
void CALLBACK WatchPosting(HWND, UINT, UINT_PTR, DWORD) {
  HWND w = FindWindowA("#32770", kv::kPostingCaption);
  if (!w) return;
  g_posting = w;
  kv::DownloadJob* job = kv::WriteDialogJob(g_dialog);
  if (!job) return;
  if (job->workerRunning.load() && !IsWindowEnabled(GetDlgItem(g_dialog, IDOK))) g_okWasDisabled = true;
  if (job->state.load() == kv::kJobFailed && IsWindowVisible(GetDlgItem(w, IDCANCEL))) {
    char text[600] = "";
    GetWindowTextA(GetDlgItem(w, IDC_PO_TEXT), text, sizeof text);
    g_failureText = text;
    PostMessage(w, WM_COMMAND, IDCANCEL, 0);
  }
}

TEST_F(Post, FailedPostKeepsTheDialogAndItsMessageAndLogsEachAttempt) {
  kv::SetPostPausesForTest(300, 0);
  server_->PostMode("confirm=always");
  g_writeLog = folder_.file("write.log");
  g_entriesWhenSending.clear();
  kv::EventSink previous = kv::SetEventSink(SeeSending);
  g_dialog = kv::openWriteDialog(nullptr, nullptr, server_->url(kLog).c_str(), "テスト");
  ASSERT_NE(g_dialog, nullptr);
  const char message[] = "一行目\r\n二行目";
  SetWindowTextA(GetDlgItem(g_dialog, IDC_WR_MESSAGE), message);
  UINT_PTR timer = SetTimer(nullptr, 0, 50, WatchPosting);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    g_posting = nullptr;
    SendMessage(g_dialog, WM_COMMAND, IDOK, 0);  // returns when the posting window has closed
    EXPECT_NE(g_posting, nullptr);
    ASSERT_TRUE(IsWindow(g_dialog));
    char text[64] = "";
    GetWindowTextA(GetDlgItem(g_dialog, IDC_WR_MESSAGE), text, sizeof text);
    EXPECT_STREQ(text, message);
    // OK comes back once the routine has ended.
    ASSERT_TRUE(PumpUntil([] { return IsWindowEnabled(GetDlgItem(g_dialog, IDOK)) != FALSE; }, 15000));
  }
  KillTimer(nullptr, timer);
  kv::SetEventSink(previous);
  EXPECT_TRUE(g_okWasDisabled);
  // The status, then the page's title and text.
  EXPECT_EQ(g_failureText.rfind(std::string(kv::kTextPostFailed) + "\r\n■ 書き込み確認 ■\r\n書き込み確認。", 0), 0u)
      << g_failureText;
  {
    std::lock_guard<std::mutex> hold(g_seenLock);
    EXPECT_EQ(g_entriesWhenSending, (std::vector<size_t>{1, 2}));
  }
  std::string log = kvtest::ReadFileBytes(folder_.file("write.log"));
  size_t first = log.find("Name: \r\nMail: \r\n一行目\r\n二行目\r\n\r\n");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find("二行目\r\n\r\n[", first), std::string::npos);  // the second attempt has its own entry
  EXPECT_EQ(Posts(*server_).size(), 4u);
  DestroyWindow(g_dialog);
  kv::SetPostPausesForTest(0, 0);
}

}  // namespace
