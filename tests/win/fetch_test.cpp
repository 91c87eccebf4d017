// The fetch engine with the real WinINet against the local board server:
// every answer the servers give, read through the request log.
#include "net/fetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "net/download.h"
#include "net/fetch_win.h"
#include "net/job.h"
#include "net/update_win.h"
#include "tests/win/net_test_util.h"

using kvtest::Body;
using kvtest::BoardServer;
using kvtest::EventCapture;
using kvtest::Status;
using kvtest::WaitFor;

namespace {

const char kLog[] = "/news/dat/1000000001.dat";

// The local copy a plan keeps in front, as the log update would load it.
struct Local {
  std::string bytes;
};
bool LoadKept(kv::DownloadJob& job, const kv::FetchPlan& plan) {
  const Local* local = static_cast<const Local*>(plan.context);
  if (local->bytes.size() != plan.keepLength) return false;
  uint32_t cap = static_cast<uint32_t>(local->bytes.size() + 1502);
  char* b = new char[cap]();
  memcpy(b, local->bytes.data(), local->bytes.size());
  kv::replaceJobData(job, b, cap);
  job.receivedSize = static_cast<uint32_t>(local->bytes.size());
  return true;
}
bool LoadLocal(kv::DownloadJob& job, const kv::FetchPlan& plan) {
  bool ok = LoadKept(job, plan);
  job.expectedSize = job.receivedSize.load();
  return ok;
}

class Fetch : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new BoardServer();
    ASSERT_TRUE(server_->running());
    server_->Board("/news/");
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    kvtest::LoopbackSettings(logs_.path());
    server_->Reset();
    server_->Thread(kLog, 20);
    job_ = kv::newJob();
    kv::CopyText(job_->url, url(kLog).c_str());
    job_->ReadType = kv::kReadLog;
  }
  void TearDown() override { kv::releaseJob(job_); }

  std::string url(const std::string& path) const { return server_->url(path); }
  kv::FetchPlan Whole() const { return kv::FetchPlan{}; }
  // A thread-log resume from the end of local.
  kv::FetchPlan Resume(const Local& local) const {
    kv::FetchPlan p{};
    p.resume = kv::ResumeKind::ThreadLog;
    p.resumeOffset = static_cast<uint32_t>(local.bytes.size());
    p.keepLength = p.resumeOffset;
    p.loadKept = LoadKept;
    p.context = &local;
    return p;
  }
  int Run(const kv::FetchPlan& plan) { return kv::fetchUrl(*job_, plan); }

  static BoardServer* server_;
  kvtest::TempFolder logs_;
  kv::DownloadJob* job_ = nullptr;
};
BoardServer* Fetch::server_;

TEST_F(Fetch, WholeLogWithTheAgentAndNothingElse) {
  EventCapture events;
  ASSERT_EQ(Run(Whole()), 1) << Status(*job_);
  std::string log = server_->Get(kLog);
  EXPECT_EQ(Body(*job_), log);
  EXPECT_EQ(job_->receivedSize.load(), log.size());
  EXPECT_EQ(job_->expectedSize.load(), log.size());
  EXPECT_EQ(Status(*job_), "ok\r\n");
  EXPECT_EQ(job_->state.load(), kv::kJobReceiving);
  EXPECT_EQ(job_->rate.load(), 0);
  EXPECT_EQ(job_->requestHandle.load(), nullptr);
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].url, kLog);
  EXPECT_EQ(reqs[0].range, "");
  EXPECT_EQ(reqs[0].agent, "Monazilla/1.00 (Kurovel/0.48)");
  EXPECT_FALSE(reqs[0].proxy);
  // Every step's text went to the event log, and the answer's numbers.
  for (const char* text : {kv::kTextOpening, kv::kTextConnecting, kv::kTextRequestOpening, kv::kTextSending,
                           kv::kTextStatus, kv::kTextSize, kv::kTextReading})
    EXPECT_TRUE(events.Has(std::string("i ") + text)) << text;
  EXPECT_TRUE(events.Has("StatusCode: 200"));
  EXPECT_TRUE(events.Has("Content-Length: " + std::to_string(log.size())));
  EXPECT_TRUE(events.Has("Raw headers"));
}

TEST_F(Fetch, ResumeTransfersTheNewBytesPlusOne) {
  // The request goes out as HTTP/1.1, so a server that honours ranges only
  // there answers with the range too.
  server_->Ranges("http11");
  Local local{server_->Get(kLog)};
  server_->Append(kLog, 10);
  std::string grown = server_->Get(kLog);
  server_->ClearLog();
  EventCapture events;
  ASSERT_EQ(Run(Resume(local)), 1) << Status(*job_);
  EXPECT_EQ(Body(*job_), grown);
  EXPECT_EQ(job_->expectedSize.load(), grown.size());
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].range, "bytes=" + std::to_string(local.bytes.size() - 1) + "-");
  EXPECT_EQ(reqs[0].status, 206);
  EXPECT_EQ(reqs[0].version, "HTTP/1.1");
  EXPECT_EQ(reqs[0].bytes, static_cast<long>(grown.size() - local.bytes.size() + 1));
  EXPECT_TRUE(events.Has("Headers\r\nRange: bytes=" + std::to_string(local.bytes.size() - 1) + "-\r\n"));
  EXPECT_TRUE(events.Has("Full-Length: " + std::to_string(grown.size())));
}

TEST_F(Fetch, ResumeOfAChangedLogStoresNothing) {
  Local local{server_->Get(kLog)};
  // A moderator rewrote post 2 and new posts came: the byte at the old end
  // is no longer a line feed.
  server_->Abone(kLog, 2);
  server_->Append(kLog, 5);
  EXPECT_EQ(Run(Resume(local)), 0);
  EXPECT_EQ(job_->logChanged.load(), 1u);
  EXPECT_EQ(Status(*job_), "「あぼ～ん」があったようです。");
  // Shorter than before: 416.
  kv::DownloadJob* again = kv::newJob();
  kv::CopyText(again->url, url(kLog).c_str());
  again->ReadType = kv::kReadLog;
  server_->Thread(kLog, 3);
  EXPECT_EQ(kv::fetchUrl(*again, Resume(local)), 0);
  EXPECT_EQ(again->logChanged.load(), 1u);
  EXPECT_EQ(server_->Requests().back().status, 416);
  kv::releaseJob(again);
}

TEST_F(Fetch, ServerIgnoringTheRangeSendsTheWholeLogThatIsKept) {
  // A 200 to a range is the whole current log, even one that a moderator
  // changed: it is the new log, not a changed one, and no second request.
  Local local{server_->Get(kLog)};
  server_->Abone(kLog, 2);
  server_->Append(kLog, 1);
  std::string now = server_->Get(kLog);
  server_->ClearLog();
  server_->Rule(kLog, "ignore_range=1");
  ASSERT_EQ(Run(Resume(local)), 1) << Status(*job_);
  EXPECT_EQ(job_->logChanged.load(), 0u);
  EXPECT_EQ(Body(*job_), now);
  EXPECT_EQ(job_->receivedSize.load(), now.size());
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].status, 200);
  EXPECT_EQ(reqs[0].bytes, static_cast<long>(now.size()));
}

TEST_F(Fetch, OneByteAnswerMeansNothingNew) {
  Local local{server_->Get(kLog)};
  EXPECT_EQ(Run(Resume(local)), 0);
  EXPECT_EQ(Status(*job_), "新規ﾃﾞｰﾀはありません");
  EXPECT_EQ(job_->logChanged.load(), 0u);
  EXPECT_EQ(server_->Requests().back().bytes, 1);
}

TEST_F(Fetch, AnswerWithoutLengthIsReadUntilThreeEmptyReads) {
  server_->Rule(kLog, "nolength=1");
  EventCapture events;
  ASSERT_EQ(Run(Whole()), 1) << Status(*job_);
  EXPECT_EQ(Body(*job_), server_->Get(kLog));
  EXPECT_EQ(job_->expectedSize.load(), 655360u);
  EXPECT_EQ(job_->emptyReads, 3);
  EXPECT_FALSE(events.Has("Content-Length"));
}

TEST_F(Fetch, StatusFourSixteenWithAndWithoutARange) {
  // Without a range: the local log is shown instead.
  server_->Rule(kLog, "status=416");
  Local local{"local<>log<><>x<>\n"};
  kv::FetchPlan p{};
  p.keepLength = static_cast<uint32_t>(local.bytes.size());
  p.localExists = true;
  p.loadLocal = LoadLocal;
  p.context = &local;
  EXPECT_EQ(Run(p), 1);
  EXPECT_EQ(Body(*job_), local.bytes);
  EXPECT_EQ(job_->expectedSize.load(), local.bytes.size());
  EXPECT_EQ(Status(*job_), "ﾛｸﾞﾌｧｲﾙ読み込みました");
  EXPECT_EQ(job_->state.load(), kv::kJobReceiving);
  // And with no local log it is an error.
  server_->Rule(kLog, "status=416");
  EXPECT_EQ(Run(Whole()), 0);
  EXPECT_EQ(Status(*job_), "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (416)");
}

TEST_F(Fetch, Status501IsRepeatedOnce) {
  server_->Rule(kLog, "status=501");
  EventCapture events;
  ASSERT_EQ(Run(Whole()), 1) << Status(*job_);
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].status, 501);
  EXPECT_EQ(reqs[1].status, 200);
  EXPECT_EQ(events.Count(kv::kTextRequestOpening), 2);

  server_->ClearLog();
  server_->Rule(kLog, "status=501", 2);
  EXPECT_EQ(Run(Whole()), 0);
  EXPECT_EQ(Status(*job_), "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (501)");
  EXPECT_EQ(server_->Requests().size(), 2u);
}

TEST_F(Fetch, ErrorsHtmlPagesAndTheSizeLimit) {
  kv::CopyText(job_->url, url("/news/dat/404.dat").c_str());
  EXPECT_EQ(Run(Whole()), 0);
  EXPECT_EQ(Status(*job_), "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (404)");

  // 200 with an HTML page where the log was expected.
  kv::CopyText(job_->url, url(kLog).c_str());
  server_->Rule(kLog, "html=1");
  EventCapture events;
  EXPECT_EQ(Run(Whole()), 0);
  EXPECT_EQ(Status(*job_), "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (404)");
  EXPECT_TRUE(events.Has("W ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (404)"));
  // A page job takes the same page.
  server_->Rule(kLog, "html=1");
  job_->ReadType = kv::kReadPage;
  EXPECT_EQ(Run(Whole()), 1);
  EXPECT_EQ(Body(*job_).substr(0, 6), "<html>");

  // One byte over the limit is refused before the body is read.
  job_->ReadType = kv::kReadLog;
  server_->Rule(kLog, "size=3072001");
  EXPECT_EQ(Run(Whole()), 0);
  EXPECT_EQ(Status(*job_), "ﾀﾞｳﾝﾛｰﾄﾞ可能なｻｲｽﾞを超えています。");
  EXPECT_EQ(job_->expectedSize.load(), 3072001u);
  // Exactly the limit is read.
  server_->Rule(kLog, "size=3072000");
  EXPECT_EQ(Run(Whole()), 1);
  EXPECT_EQ(job_->receivedSize.load(), 3072000u);
}

TEST_F(Fetch, ThreadListStopsPastTListMax) {
  const char list[] = "/news/subject.txt";
  std::string big;
  for (int i = 0; i < 600; ++i) big += std::to_string(1600000000 + i) + ".dat<>スレ" + std::to_string(i) + " (5)\n";
  server_->Put(list, big);
  kv::CopyText(job_->url, url(list).c_str());
  job_->ReadType = kv::kReadList;
  kv::g_settings.TListMax = 10000;
  EventCapture events;
  ASSERT_EQ(Run(Whole()), 1) << Status(*job_);
  uint32_t got = job_->receivedSize.load();
  EXPECT_GT(got, 10000u);
  EXPECT_LE(got, 10000u + 256u);
  EXPECT_EQ(Body(*job_), big.substr(0, got));
  EXPECT_TRUE(events.Has("ｽﾚ一覧ｻｲｽﾞ指定により中断"));
}

TEST_F(Fetch, ThreadListDownloadAsksTheMainThreadToClearTheList) {
  // The worker posts the clear to the registered window; it arrives in
  // that window's queue before any byte is read.
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  kv::SetThreadListClearTarget(window, WM_COMMAND, 40999, 7);
  job_->ReadType = kv::kReadList;
  kv::CopyText(job_->url, url("/news/subject.txt").c_str());
  std::thread worker([&] { kv::fetchUrl(*job_, Whole()); });
  worker.join();
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(m.wParam, 40999u);
  EXPECT_EQ(m.lParam, 7);
  // A log download posts nothing.
  job_->ReadType = kv::kReadLog;
  kv::CopyText(job_->url, url(kLog).c_str());
  std::thread second([&] { kv::fetchUrl(*job_, Whole()); });
  second.join();
  EXPECT_FALSE(PeekMessageA(&m, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  kv::SetThreadListClearTarget(nullptr, 0, 0, 0);
  DestroyWindow(window);
}

TEST_F(Fetch, AbortDuringReadingKeepsTheStatusText) {
  server_->Thread(kLog, 200);
  server_->Rule(kLog, "trickle=64:100");
  std::atomic<int> result{-1};
  std::thread worker([&] { result = kv::fetchUrl(*job_, Whole()); });
  EXPECT_TRUE(WaitFor([&] { return job_->receivedSize.load() > 0; }));
  job_->abortRequested = 1;
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(Status(*job_), "ｲﾝﾀｰﾈｯﾄからﾌｧｲﾙを読込んでいます...");
  EXPECT_LT(job_->receivedSize.load(), server_->Get(kLog).size());
}

TEST_F(Fetch, ProxyWithAServiceHostNameAndBasicAuthentication) {
  // The board service's host name only ever reaches the loopback proxy.
  kv::CopyText(kv::g_settings.Proxyadr, server_->proxy().c_str());
  kv::CopyText(job_->url, (std::string("http://news.2ch.net") + kLog).c_str());
  kv::CopyText(job_->userName, "kv");
  kv::CopyText(job_->password, "secret");
  server_->Auth("kv", "secret");
  EventCapture events;
  ASSERT_EQ(Run(Whole()), 1) << Status(*job_);
  EXPECT_EQ(Body(*job_), server_->Get(kLog));
  EXPECT_TRUE(events.Has("Proxy=" + server_->proxy()));
  auto reqs = server_->Requests();
  ASSERT_FALSE(reqs.empty());
  const auto& last = reqs.back();
  EXPECT_TRUE(last.proxy);
  // WinINet names the port in the proxy request ("http://host:80/...").
  EXPECT_EQ(last.url.rfind("http://news.2ch.net", 0), 0u) << last.url;
  EXPECT_EQ(last.url.substr(last.url.size() - strlen(kLog)), kLog);
  EXPECT_EQ(last.user, "kv");
  EXPECT_EQ(last.status, 200);

  // A blank in front of the proxy address turns it off.
  server_->Auth("", "");
  kv::CopyText(kv::g_settings.Proxyadr, (" " + server_->proxy()).c_str());
  kv::CopyText(job_->url, url(kLog).c_str());
  ASSERT_EQ(Run(Whole()), 1) << Status(*job_);
  EXPECT_FALSE(server_->Requests().back().proxy);
}

TEST_F(Fetch, FileModeAppendsAndStartsAfreshOnAWholeAnswer) {
  const char file[] = "/files/a.bin";
  std::string content(5000, 'x');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
  server_->Put(file, content);
  kv::CopyText(job_->url, url(file).c_str());
  kv::DownloadPaths paths;
  ASSERT_TRUE(kv::MakeDownloadPaths(logs_.path().c_str(), job_->url, &paths));
  kvtest::WriteFileBytes(paths.part, content.substr(0, 1200));
  job_->ReadType = kv::kReadFile;
  kv::FetchPlan p{};
  p.resume = kv::ResumeKind::File;
  p.resumeOffset = 1200;
  p.download = &paths;
  p.downloadAddress = job_->url;
  EventCapture events;
  ASSERT_EQ(Run(p), 1) << Status(*job_);
  // The partial takes the target's name once whole; its record goes.
  EXPECT_EQ(kvtest::ReadFileBytes(paths.target), content);
  EXPECT_EQ(GetFileAttributesA(paths.part), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(paths.record), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(job_->receivedSize.load(), 5000u);
  EXPECT_EQ(server_->Requests().back().range, "bytes=1200-");
  EXPECT_TRUE(events.Has("File Download Mode"));

  // The server sends the whole file instead of the range: it replaces the part.
  kvtest::WriteFileBytes(paths.part, content.substr(0, 1200));
  server_->Rule(file, "ignore_range=1");
  ASSERT_EQ(Run(p), 1) << Status(*job_);
  EXPECT_EQ(kvtest::ReadFileBytes(paths.target), content);

  // A complete partial asks past its end and gets 416: the partial stays.
  kvtest::WriteFileBytes(paths.part, content);
  p.resumeOffset = 5000;
  EXPECT_EQ(Run(p), 0);
  EXPECT_EQ(Status(*job_), "「あぼ～ん」があったようです。");
  EXPECT_EQ(kvtest::ReadFileBytes(paths.part), content);
}

TEST_F(Fetch, FileModeNeverAppendsAForeignRangeAndKeepsACutPartial) {
  const char file[] = "/files/b.bin";
  std::string content(6000, 'x');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('A' + i % 23);
  server_->Put(file, content);
  kv::CopyText(job_->url, url(file).c_str());
  kv::DownloadPaths paths;
  ASSERT_TRUE(kv::MakeDownloadPaths(logs_.path().c_str(), job_->url, &paths));
  job_->ReadType = kv::kReadFile;
  kv::FetchPlan p{};
  p.resume = kv::ResumeKind::File;
  p.resumeOffset = 1000;
  p.download = &paths;
  p.downloadAddress = job_->url;

  // A 206 from byte 0 to a request from byte 1000: nothing is appended.
  kvtest::WriteFileBytes(paths.part, content.substr(0, 1000));
  server_->Rule(file, "range_from=0");
  EXPECT_EQ(Run(p), 0);
  EXPECT_EQ(Status(*job_), kv::kTextRangeMismatch);
  EXPECT_EQ(kvtest::ReadFileBytes(paths.part), content.substr(0, 1000));
  EXPECT_EQ(GetFileAttributesA(paths.target), INVALID_FILE_ATTRIBUTES);

  // The connection closes 2000 bytes into the tail: a failure, never "ok",
  // and the partial (with its record) stays for the next start.
  server_->Rule(file, "cut=2000");
  EXPECT_EQ(Run(p), 0);
  EXPECT_NE(Status(*job_), "ok\r\n");
  EXPECT_EQ(kvtest::ReadFileBytes(paths.part), content.substr(0, 3000));
  EXPECT_EQ(GetFileAttributesA(paths.target), INVALID_FILE_ATTRIBUTES);
  std::string record = kvtest::ReadFileBytes(paths.record);
  kv::PartRecord parsed;
  ASSERT_TRUE(kv::ParsePartRecord(record.data(), record.size(), &parsed));
  EXPECT_STREQ(parsed.address, job_->url);
  EXPECT_EQ(parsed.fullSize, 6000);

  // Past 2 GB: refused with a message, nothing written.
  const char huge[] = "/files/huge.bin";
  server_->Rule(huge, "size=3000000000");
  kv::CopyText(job_->url, url(huge).c_str());
  kv::DownloadPaths hugePaths;
  ASSERT_TRUE(kv::MakeDownloadPaths(logs_.path().c_str(), job_->url, &hugePaths));
  kv::FetchPlan whole{};
  whole.download = &hugePaths;
  whole.downloadAddress = job_->url;
  EXPECT_EQ(Run(whole), 0);
  EXPECT_EQ(Status(*job_), kv::kTextFileTooLarge);
  EXPECT_EQ(GetFileAttributesA(hugePaths.part), INVALID_FILE_ATTRIBUTES);
}

// The plan of a file download (net/update_win.cpp): only this program's
// partial of the same address, written today, is resumed.
TEST_F(Fetch, FileDownloadResumesOnlyItsOwnPartialOfToday) {
  const char file[] = "/files/c.bin";
  std::string content(4000, 'x');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('0' + i % 10);
  server_->Put(file, content);
  kv::CopyText(job_->url, url(file).c_str());
  kv::CopyText(job_->saveFolder, logs_.file("dl").c_str());
  job_->ReadType = kv::kReadFile;
  kv::DownloadPaths paths;
  ASSERT_TRUE(kv::MakeDownloadPaths(job_->saveFolder, job_->url, &paths));
  CreateDirectoryA(paths.folder, nullptr);
  char record[600];
  size_t n = kv::FormatPartRecord(job_->url, 4000, record, sizeof record);
  std::string own(record, n);

  // Today's partial with its record: the rest is asked for.
  kvtest::WriteFileBytes(paths.part, content.substr(0, 3999));
  kvtest::WriteFileBytes(paths.record, own);
  ASSERT_EQ(kv::updateLog(*job_), 1) << Status(*job_);
  EXPECT_EQ(server_->Requests().back().range, "bytes=3999-");
  EXPECT_EQ(kvtest::ReadFileBytes(paths.target), content);

  // The same partial written yesterday is fetched whole, one byte short or not.
  DeleteFileA(paths.target);
  kvtest::WriteFileBytes(paths.part, content.substr(0, 3999));
  kvtest::WriteFileBytes(paths.record, own);
  HANDLE h = CreateFileA(paths.part, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= 36ULL * 3600 * 10000000;
  FILETIME before{t.LowPart, t.HighPart};
  SetFileTime(h, nullptr, nullptr, &before);
  CloseHandle(h);
  ASSERT_EQ(kv::updateLog(*job_), 1) << Status(*job_);
  EXPECT_EQ(server_->Requests().back().range, "");
  EXPECT_EQ(kvtest::ReadFileBytes(paths.target), content);

  // A partial whose record names another address is not appended to.
  DeleteFileA(paths.target);
  kvtest::WriteFileBytes(paths.part, std::string(2000, '?'));
  std::string other(record, kv::FormatPartRecord(url("/files/other.bin").c_str(), 4000, record, sizeof record));
  kvtest::WriteFileBytes(paths.record, other);
  ASSERT_EQ(kv::updateLog(*job_), 1) << Status(*job_);
  EXPECT_EQ(server_->Requests().back().range, "");
  EXPECT_EQ(kvtest::ReadFileBytes(paths.target), content);

  // A name the file system would misread is cleaned before any file is made.
  server_->Put("/files/CON.bin", "device");
  kv::CopyText(job_->url, url("/files/CON.bin").c_str());
  ASSERT_EQ(kv::updateLog(*job_), 1) << Status(*job_);
  EXPECT_EQ(kvtest::ReadFileBytes(logs_.file("dl\\_CON.bin")), "device");
}

}  // namespace
