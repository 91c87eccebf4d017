// Download jobs end to end: workers, the log update against the local store
// and the board server, patrol runs, stopping, the owners' polling timer.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/file_win.h"
#include "core/store.h"
#include "core/store_win.h"
#include "net/clock_win.h"
#include "net/fetch_win.h"
#include "net/job.h"
#include "net/job_win.h"
#include "net/local_copy_win.h"
#include "net/update.h"
#include "net/update_win.h"
#include "tests/win/net_test_util.h"
#include "ui/main_window_win.h"

using kvtest::Body;
using kvtest::BoardServer;
using kvtest::EventCapture;
using kvtest::ReadFileBytes;
using kvtest::Status;
using kvtest::WaitFor;
using kvtest::WriteFileBytes;

namespace {

const char kLog[] = "/news/dat/1100000001.dat";

class Job : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new BoardServer();
    ASSERT_TRUE(server_->running());
    server_->Board("/news/");
  }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override {
    kvtest::LoopbackSettings(logs_.path());
    server_->Reset();
    server_->Thread(kLog, 30);
  }
  void TearDown() override {
    for (kv::DownloadJob* j : jobs_) {
      kv::stopJob(*j);
      kv::releaseJob(j);
    }
    kv::SetNetworkProbeForTest(nullptr);
  }

  kv::DownloadJob* NewJob(const std::string& address, int32_t readType = kv::kReadLog) {
    kv::DownloadJob* j = kv::newJob();
    kv::CopyText(j->url, address.c_str());
    j->ReadType = readType;
    jobs_.push_back(j);
    return j;
  }
  // Starts the job and waits for its worker to end.
  static bool Finish(kv::DownloadJob* j, int timeoutMs = 30000) {
    return WaitFor([j] { return !j->workerRunning.load(); }, timeoutMs);
  }
  static int32_t Run(kv::DownloadJob* j) {
    EXPECT_NE(kv::startJob(*j), nullptr);
    EXPECT_TRUE(Finish(j));
    return j->state.load();
  }
  std::string LocalFile(const std::string& address) const {
    char path[520];
    EXPECT_TRUE(kv::LocalFileOf(address.c_str(), path, sizeof path));
    return path;
  }
  std::string url(const std::string& path) const { return server_->url(path); }

  static BoardServer* server_;
  kvtest::TempFolder logs_;
  std::vector<kv::DownloadJob*> jobs_;
};
BoardServer* Job::server_;

TEST_F(Job, FirstFetchStoresTheLogAndTheNextOneResumes) {
  kv::DownloadJob* j = NewJob(url(kLog));
  EventCapture events;
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  std::string first = server_->Get(kLog);
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), first);
  EXPECT_EQ(Body(*j), first);
  EXPECT_TRUE(events.Has("BBS Type="));
  EXPECT_TRUE(events.Has("ReadType=2"));
  EXPECT_TRUE(events.Has("End thread."));

  server_->Append(kLog, 10);
  server_->ClearLog();
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  std::string grown = server_->Get(kLog);
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), grown);
  EXPECT_EQ(Body(*j), grown);
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].range, "bytes=" + std::to_string(first.size() - 1) + "-");
  EXPECT_EQ(reqs[0].bytes, static_cast<long>(grown.size() - first.size() + 1));

  // Nothing new: one byte over the wire, the local log as it was.
  ASSERT_EQ(Run(j), kv::kJobFailed);
  EXPECT_EQ(Status(*j), "新規ﾃﾞｰﾀはありません");
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), grown);
}

TEST_F(Job, ChangedLogIsLeftAloneThenReplacedByTheWholeFetch) {
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_EQ(Run(j), kv::kJobDone);
  std::string local = ReadFileBytes(LocalFile(url(kLog)));
  server_->Abone(kLog, 3);
  server_->Append(kLog, 4);
  // The job ends done with logChanged, so that its owner goes on to the
  // whole fetch; the local log is untouched.
  ASSERT_EQ(Run(j), kv::kJobDone);
  EXPECT_EQ(j->logChanged.load(), 1u);
  EXPECT_EQ(Status(*j), "「あぼ～ん」があったようです。");
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), local);
  // What the view's 40026 asks for: the whole log, the old one set aside.
  server_->ClearLog();
  j->refetchWhole = true;
  ASSERT_EQ(Run(j), kv::kJobDone);
  EXPECT_EQ(j->logChanged.load(), 0u);
  EXPECT_FALSE(j->refetchWhole.load());
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), server_->Get(kLog));
  EXPECT_FALSE(kvtest::FileExists(LocalFile(url(kLog)) + ".changed"));
  ASSERT_EQ(server_->Requests().size(), 1u);
  EXPECT_EQ(server_->Requests().at(0).range, "");
}

TEST_F(Job, FailedWholeFetchPutsTheOldLogBack) {
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_EQ(Run(j), kv::kJobDone);
  std::string local = ReadFileBytes(LocalFile(url(kLog)));
  server_->Abone(kLog, 3);
  server_->Rule(kLog, "status=503");
  j->refetchWhole = true;
  ASSERT_EQ(Run(j), kv::kJobFailed);
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), local);
  EXPECT_FALSE(kvtest::FileExists(LocalFile(url(kLog)) + ".changed"));
  // Cancelled half-way: the old log is back as well.
  server_->Thread(kLog, 300);
  server_->Rule(kLog, "trickle=64:300");
  j->refetchWhole = true;
  ASSERT_NE(kv::startJob(*j), nullptr);
  ASSERT_TRUE(WaitFor([&] { return j->receivedSize.load() > 0; }));
  kv::cancelJob(*j);
  ASSERT_TRUE(Finish(j));
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), local);
}

TEST_F(Job, PatrolFetchesAChangedLogWholeAtOnce) {
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_EQ(Run(j), kv::kJobDone);
  server_->Abone(kLog, 3);
  server_->Append(kLog, 2);
  server_->ClearLog();
  kv::DownloadJob* p = NewJob("");
  p->patrol = new kv::PatrolTable();
  kv::CopyText(p->patrol->items[p->patrol->count++].url, url(kLog).c_str());
  p->batchMode = 1;
  ASSERT_EQ(Run(p), kv::kJobDone) << Status(*p);
  EXPECT_EQ(p->patrol->items[0].status.load(), kv::kPatrolUpdated);
  EXPECT_EQ(ReadFileBytes(LocalFile(url(kLog))), server_->Get(kLog));
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 2u);  // the range that showed the change, then the whole log
  EXPECT_NE(reqs[0].range, "");
  EXPECT_EQ(reqs[1].range, "");
}

TEST_F(Job, RestartJustAsTheJobEndsIsNotDropped) {
  // The moment the final state shows, the job takes a new start.
  kv::DownloadJob* j = NewJob(url(kLog));
  for (int i = 0; i < 10; ++i) {
    ASSERT_NE(kv::startJob(*j), nullptr) << i;
    // A tight watch, not a polling one: the start goes in right after.
    DWORD t0 = GetTickCount();
    int32_t s;
    while ((s = j->state.load()) != kv::kJobDone && s != kv::kJobFailed && GetTickCount() - t0 < 30000) {
    }
    ASSERT_NE(kv::startJob(*j), nullptr) << i;
    ASSERT_TRUE(Finish(j));
  }
}

TEST_F(Job, EightyBytesAreFetchedWholeEightyOneResume) {
  // A first line of exactly 81 bytes, so that its line feed is byte 80.
  std::string line1 = std::string(78, 'a') + "<>\n";
  ASSERT_EQ(line1.size(), 81u);
  std::string log = line1 + "b<>c<>d<>e<>\n";
  server_->Put(kLog, log);
  kv::DownloadJob* j = NewJob(url(kLog));
  std::string path = LocalFile(url(kLog));
  kv::CreateFolderPath(path.c_str());
  ASSERT_TRUE(WriteFileBytes(path, line1.substr(0, 80)));
  ASSERT_EQ(Run(j), kv::kJobDone);
  EXPECT_EQ(server_->Requests().back().range, "");
  EXPECT_EQ(ReadFileBytes(path), log);

  ASSERT_TRUE(WriteFileBytes(path, line1));
  server_->ClearLog();
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  EXPECT_EQ(server_->Requests().back().range, "bytes=80-");
  EXPECT_EQ(ReadFileBytes(path), log);
}

TEST_F(Job, NulBytesAreStoredAsOne) {
  std::string log = std::string("a<>b<>c\0d<>e\0\0f<>t\n", 19) + "\x81\x40<>x<>y<>z<>\n";
  server_->Put(kLog, log);
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  std::string stored = ReadFileBytes(LocalFile(url(kLog)));
  std::string expected = log;
  for (char& c : expected)
    if (c == 0) c = 1;
  EXPECT_EQ(stored, expected);
  // A page keeps its bytes as they came.
  kv::DownloadJob* page = NewJob(url("/news/page.html"), kv::kReadPage);
  server_->Put("/news/page.html", std::string("<p>\0</p>", 8));
  ASSERT_EQ(Run(page), kv::kJobDone);
  EXPECT_EQ(Body(*page), std::string("<p>\0</p>", 8));
}

TEST_F(Job, OfflineUsesTheLocalCopyOnlyWhenTheStoreIsOn) {
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_EQ(Run(j), kv::kJobDone);
  server_->ClearLog();
  kv::g_settings.fOffLine = 1;
  kv::g_settings.NetAtchk = 1;  // offline: neither the check nor the question
  kv::SetNetworkProbeForTest([] { return 0; });
  ASSERT_EQ(Run(j), kv::kJobDone);
  EXPECT_EQ(Status(*j), "ﾛｸﾞﾌｧｲﾙ読み込みました");
  EXPECT_EQ(Body(*j), server_->Get(kLog));
  EXPECT_TRUE(server_->Requests().empty());

  kv::DownloadJob* missing = NewJob(url("/news/dat/1100000999.dat"));
  ASSERT_EQ(Run(missing), kv::kJobFailed);
  EXPECT_EQ(Status(*missing), "ﾛｸﾞﾌｧｲﾙがありません");
  EXPECT_TRUE(server_->Requests().empty());

  // With the store off, offline mode still fetches.
  kv::g_settings.UseCache = 0;
  kv::g_settings.NetAtchk = 0;
  ASSERT_EQ(Run(j), kv::kJobDone);
  EXPECT_EQ(server_->Requests().size(), 1u);
}

TEST_F(Job, AddressesThatNeverReachTheNetwork) {
  kv::DownloadJob* empty = NewJob("");
  ASSERT_EQ(Run(empty), kv::kJobFailed);
  EXPECT_EQ(Status(*empty), "URLが不明です");
  kv::DownloadJob* acquired = NewJob(url("/news/acquired.txt"), kv::kReadList);
  ASSERT_EQ(Run(acquired), kv::kJobFailed);
  EXPECT_EQ(Status(*acquired), "ﾛｰｶﾙ既得読み込み");
  // A local file is read as it is.
  std::string file = logs_.file("local.dat");
  WriteFileBytes(file, "x<>y<>z<>w<>\n");
  kv::DownloadJob* local = NewJob(file);
  ASSERT_EQ(Run(local), kv::kJobDone);
  EXPECT_EQ(Body(*local), "x<>y<>z<>w<>\n");
  EXPECT_EQ(local->expectedSize.load(), 0u);  // a plain local file leaves it alone
  EXPECT_TRUE(server_->Requests().empty());
}

TEST_F(Job, CompressedLocalCopiesAreExpandedAndBrokenOnesShowAnErrorPost) {
  // Text that compresses to about half, as real logs do (the writer never
  // stores a container below 21%).
  std::string plain;
  uint32_t seed = 12345;
  for (int i = 0; i < 400; ++i) {
    plain += "名無し<>sage<>2024/01/01<> ";
    for (int k = 0; k < 30; ++k) {
      seed = seed * 1103515245 + 12345;
      plain += static_cast<char>('!' + (seed >> 16) % 90);
    }
    plain += " <>\n";
  }
  uLongf clen = compressBound(plain.size());
  std::string z(clen, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(&z[0]), &clen, reinterpret_cast<const Bytef*>(plain.data()),
                      plain.size(), 6),
            Z_OK);
  z.resize(clen);
  std::string header("\x1F\x8B\x08\x04\0\0\0\0\0\0\x04\0", 12);
  uint32_t n = static_cast<uint32_t>(plain.size());
  header += std::string(reinterpret_cast<const char*>(&n), 4);
  std::string path = logs_.file("c.dat");
  WriteFileBytes(path, header + z);
  kv::DownloadJob* j = NewJob(path);
  EventCapture events;
  int32_t lines = -1;
  ASSERT_EQ(kv::loadLocalLog(*j, path.c_str(), false, &lines), 1);
  EXPECT_EQ(Body(*j), plain);
  EXPECT_EQ(j->expectedSize.load(), plain.size());
  EXPECT_EQ(lines, 0);  // LF lines: no CR LF pairs
  EXPECT_TRUE(events.Has("解凍 " + std::to_string(header.size() + z.size()) + " -> " +
                         std::to_string(plain.size()) + " bytes"));

  WriteFileBytes(path, header + z.substr(0, z.size() / 2) + std::string(40, 'x'));
  ASSERT_EQ(kv::loadLocalLog(*j, path.c_str(), true), 1);
  EXPECT_EQ(Body(*j), kv::kDataErrorLog);
  EXPECT_TRUE(events.Has("解凍 err="));
  WriteFileBytes(path, "a\r\nb\r\n");
  EXPECT_EQ(kv::countLines(*j, "nothing"), 0);
  ASSERT_EQ(kv::loadLocalLog(*j, path.c_str(), true, &lines), 1);
  EXPECT_EQ(lines, 2);
  EXPECT_TRUE(events.Has("通常 size=6"));
  WriteFileBytes(path, "");
  EXPECT_EQ(kv::loadLocalLog(*j, path.c_str(), true), 0);
}

TEST_F(Job, ThirdSimultaneousJobWaitsThenStarts) {
  std::vector<kv::DownloadJob*> js;
  for (int i = 0; i < 3; ++i) {
    std::string log = "/news/dat/12000000" + std::to_string(i) + ".dat";
    server_->Thread(log, 60);
    server_->Rule(log, "trickle=512:150");  // a few seconds each
    js.push_back(NewJob(url(log)));
  }
  int32_t before = kv::activeDownloads.load();
  ASSERT_NE(kv::startJob(*js[0]), nullptr);
  ASSERT_NE(kv::startJob(*js[1]), nullptr);
  ASSERT_TRUE(WaitFor([&] { return kv::activeDownloads.load() == before + 2; }));
  ASSERT_NE(kv::startJob(*js[2]), nullptr);
  EXPECT_TRUE(WaitFor([&] { return Status(*js[2]) == "wait..."; }, 3000));
  for (auto* j : js) ASSERT_TRUE(Finish(j, 60000));
  for (auto* j : js) EXPECT_EQ(j->state.load(), kv::kJobDone) << Status(*j);
  EXPECT_EQ(kv::activeDownloads.load(), before);
  // The waiting job asked last.
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_NE(reqs[2].url.find("120000002"), std::string::npos);
}

TEST_F(Job, ThirdJobRunsAfterTenSecondsEvenWhileTwoStillRun) {
  std::vector<kv::DownloadJob*> js;
  for (int i = 0; i < 3; ++i) {
    std::string log = "/news/dat/12100000" + std::to_string(i) + ".dat";
    server_->Thread(log, 100);
    if (i < 2) server_->Rule(log, "trickle=64:200", -1);  // far longer than the wait
    js.push_back(NewJob(url(log)));
  }
  ASSERT_NE(kv::startJob(*js[0]), nullptr);
  ASSERT_NE(kv::startJob(*js[1]), nullptr);
  ASSERT_TRUE(WaitFor([&] { return js[0]->receivedSize.load() > 0 && js[1]->receivedSize.load() > 0; }));
  DWORD t0 = GetTickCount();
  ASSERT_NE(kv::startJob(*js[2]), nullptr);
  ASSERT_TRUE(Finish(js[2], 20000));
  DWORD took = GetTickCount() - t0;
  EXPECT_EQ(js[2]->state.load(), kv::kJobDone) << Status(*js[2]);
  EXPECT_GE(took, 9000u);
  EXPECT_LT(took, 14000u);
  EXPECT_TRUE(js[0]->workerRunning.load());  // the first two are still at it
}

TEST_F(Job, CompressedStoreResumesFromTheExpandedLength) {
  kv::g_settings.ZipPack = 6;
  // Well over 8192 bytes, and compressing to about half as real logs do.
  std::string log;
  uint32_t seed = 7;
  for (int i = 0; i < 200; ++i) {
    log += "名無しさん<>sage<>2024/01/01 ID:x<> ";
    for (int k = 0; k < 40; ++k) {
      seed = seed * 1103515245 + 12345;
      log += static_cast<char>('0' + (seed >> 16) % 75);
    }
    log += " <>\n";
  }
  server_->Put(kLog, log);
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  std::string first = server_->Get(kLog);
  std::string stored = ReadFileBytes(LocalFile(url(kLog)));
  ASSERT_TRUE(kv::IsContainer(stored.data(), stored.size()));
  server_->Append(kLog, 3);
  server_->ClearLog();
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  EXPECT_EQ(server_->Requests().at(0).range, "bytes=" + std::to_string(first.size() - 1) + "-");
  EXPECT_EQ(Body(*j), server_->Get(kLog));
  kv::FileBuffer back;
  ASSERT_TRUE(kv::LoadFile(LocalFile(url(kLog)).c_str(), &back));
  EXPECT_EQ(std::string(back.data, back.size), server_->Get(kLog));
}

TEST_F(Job, StopWhileReceivingAndASecondStartCancels) {
  server_->Thread(kLog, 300);
  server_->Rule(kLog, "trickle=64:300", -1);  // minutes for the whole log
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_NE(kv::startJob(*j), nullptr);
  ASSERT_TRUE(WaitFor([&] { return j->receivedSize.load() > 0; }));
  EXPECT_EQ(j->state.load(), kv::kJobReceiving);
  // Pressing fetch again cancels instead of starting a second worker.
  EXPECT_EQ(kv::startJob(*j), nullptr);
  EXPECT_EQ(j->abortRequested.load(), 1u);
  ASSERT_TRUE(Finish(j));
  EXPECT_EQ(j->state.load(), kv::kJobFailed);
  EXPECT_FALSE(kvtest::FileExists(LocalFile(url(kLog))));

  // stopJob while the worker is receiving.
  ASSERT_NE(kv::startJob(*j), nullptr);
  ASSERT_TRUE(WaitFor([&] { return j->receivedSize.load() > 0; }));
  int32_t counted = kv::activeDownloads.load();
  DWORD t0 = GetTickCount();
  kv::stopJob(*j);
  EXPECT_LT(GetTickCount() - t0, 7000u);
  EXPECT_EQ(j->state.load(), kv::kJobFailed);
  EXPECT_EQ(kv::activeDownloads.load(), counted - 1);
  ASSERT_TRUE(Finish(j));
  EXPECT_EQ(kv::activeDownloads.load(), counted - 1);  // the worker's end does not count it out again
  EXPECT_EQ(j->threadHandle.load(), nullptr);
  EXPECT_EQ(j->requestHandle.load(), nullptr);
}

TEST_F(Job, OwnerLettingGoWhileTheWorkerRuns) {
  server_->Thread(kLog, 100);
  server_->Rule(kLog, "trickle=256:100");
  kv::DownloadJob* j = kv::newJob();
  kv::CopyText(j->url, url(kLog).c_str());
  j->ReadType = kv::kReadLog;
  ASSERT_NE(kv::startJob(*j), nullptr);
  ASSERT_TRUE(WaitFor([&] { return j->receivedSize.load() > 0; }));
  // The owner closes: stop, free the buffers, free the record. The worker
  // holds its own reference, so nothing is freed under it.
  kv::cancelJob(*j);
  kv::freeJobBuffers(*j);
  kv::releaseJob(j);
  Sleep(1500);  // a freed record under a running worker would crash here
  SUCCEED();
}

TEST_F(Job, PatrolTableWithAnEmptyAddressAndAFailingEntry) {
  server_->Thread("/news/dat/1300000001.dat", 5);
  server_->Put("/news/index.html", "<html>page</html>");
  kv::DownloadJob* j = NewJob("");
  j->patrol = new kv::PatrolTable();
  const std::string items[] = {url("/news/dat/1300000001.dat"), "", url("/news/dat/1300000404.dat"),
                               url("/news/index.html")};
  for (const std::string& a : items) {
    kv::PatrolItem& item = j->patrol->items[j->patrol->count++];
    kv::CopyText(item.url, a.c_str());
  }
  j->batchMode = 1;
  int32_t before = kv::activeDownloads.load();
  ASSERT_EQ(Run(j), kv::kJobDone);  // the last entry succeeded
  EXPECT_EQ(kv::activeDownloads.load(), before);
  EXPECT_EQ(j->batchMode.load(), 2u);
  EXPECT_EQ(j->patrol->items[0].status.load(), kv::kPatrolUpdated);
  EXPECT_EQ(j->patrol->items[1].status.load(), kv::kPatrolEmpty);
  EXPECT_EQ(j->patrol->items[2].status.load(), kv::kPatrolFailed);
  EXPECT_EQ(j->patrol->items[3].status.load(), kv::kPatrolUpdated);
  EXPECT_EQ(ReadFileBytes(LocalFile(url("/news/dat/1300000001.dat"))), server_->Get("/news/dat/1300000001.dat"));
  EXPECT_EQ(ReadFileBytes(LocalFile(url("/news/index.html"))), "<html>page</html>");
  // The page went as a page (ReadType 0): an HTML answer is fine there.
  // A run whose last entry fails ends failed; a stop marks the rest.
  j->patrol->items[3].url[0] = 0;
  kv::CopyText(j->patrol->items[3].url, url("/news/dat/1300000405.dat").c_str());
  j->batchMode = 1;
  ASSERT_EQ(Run(j), kv::kJobFailed);
  server_->Rule("/news/dat/1300000001.dat", "trickle=16:300");
  server_->Thread("/news/dat/1300000001.dat", 50);
  j->batchMode = 1;
  ASSERT_NE(kv::startJob(*j), nullptr);
  ASSERT_TRUE(WaitFor([&] { return j->patrol->items[0].status.load() == kv::kPatrolRunning; }));
  kv::stopJob(*j);
  ASSERT_TRUE(Finish(j));
  // The running entry and every later one, the empty one included.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(j->patrol->items[i].status.load(), kv::kPatrolFailed) << i;
}

// Messages of this thread's windows are handled while waiting: a question
// owned by one of them disables it, which waits for this thread.
void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0, end;
  while ((end = text.find("\r\n", pos)) != std::string::npos) {
    out.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

// Boards without a raw log, read through their reading scripts under the
// services' own host names (through the loopback proxy): 50 posts held,
// the next page read from post 51, posts 54 and 55 deleted.
void CheckScriptBoard(BoardServer* server, const std::string& address, const std::string& serverLog,
                      const std::string& scriptUrl) {
  kv::CopyText(kv::g_settings.Proxyadr, server->proxy().c_str());
  server->Thread(serverLog, 50);
  kv::DownloadJob* j = kv::newJob();
  kv::CopyText(j->url, address.c_str());
  j->ReadType = kv::kReadLog;
  ASSERT_NE(kv::startJob(*j), nullptr);
  ASSERT_TRUE(WaitFor([j] { return !j->workerRunning.load(); }));
  ASSERT_EQ(j->state.load(), kv::kJobDone) << Status(*j);
  char path[520];
  ASSERT_TRUE(kv::LocalFileOf(address.c_str(), path, sizeof path));
  std::string first = ReadFileBytes(path);
  std::vector<std::string> lines = CrLfLines(first);
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines[0].rfind("名無しさん<>sage[1]<>2024/01/02", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("本文1です。表示のテスト ソフト～ <br> 二行目 1"), std::string::npos) << lines[0];
  EXPECT_EQ(std::string(j->url), address);  // the job still names the thread

  server->Append(serverLog, 6);
  server->Hide(serverLog, "54,55");
  server->ClearLog();
  // A slow page: all the while the job's url names the thread (the view
  // reads it), never the script address the worker fetches.
  server->Rule("/bbs/", "prefix=1&trickle=400:150");
  ASSERT_NE(kv::startJob(*j), nullptr);
  bool named = true;
  ASSERT_TRUE(WaitFor([&] {
    named = named && std::string(j->url) == address;
    return !j->workerRunning.load();
  }));
  EXPECT_TRUE(named);
  ASSERT_EQ(j->state.load(), kv::kJobDone) << Status(*j);
  auto reqs = server->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_TRUE(reqs[0].proxy);
  EXPECT_NE(reqs[0].url.find(scriptUrl), std::string::npos) << reqs[0].url;
  EXPECT_EQ(reqs[0].range, "");
  std::string after = ReadFileBytes(path);
  EXPECT_EQ(after.substr(0, first.size()), first);
  lines = CrLfLines(after);
  ASSERT_EQ(lines.size(), 56u);
  EXPECT_NE(lines[50].find("[51]<>"), std::string::npos) << lines[50];
  EXPECT_NE(lines[52].find("[53]<>"), std::string::npos);
  EXPECT_EQ(lines[53], "_<><>_<>_");
  EXPECT_EQ(lines[54], "_<><>_<>_");
  EXPECT_NE(lines[55].find("[56]<>"), std::string::npos);
  EXPECT_EQ(Body(*j), after);
  kv::releaseJob(j);
}

TEST_F(Job, RegionalBoardReadsOnFromPost51) {
  server_->Board("/toyama/", "regional");
  CheckScriptBoard(server_, "http://toyama.machi.to/toyama/dat/1234567890.dat", "/toyama/dat/1234567890.dat",
                   "/bbs/read.pl?BBS=toyama&KEY=1234567890&START=51");
}

TEST_F(Job, RentalBoardReadsOnFromPost51InEucJp) {
  server_->Board("/game/12345/", "rental");
  CheckScriptBoard(server_, "http://jbbs.shitaraba.net/game/12345/dat/1234567890.dat",
                   "/game/12345/dat/1234567890.dat", "/bbs/read.cgi/game/12345/1234567890/51-");
}

TEST_F(Job, RentalThreadListIsConvertedFromEucJp) {
  server_->Board("/anime/777/", "rental");
  server_->Thread("/anime/777/dat/1500000000.dat", 7);
  kv::CopyText(kv::g_settings.Proxyadr, server_->proxy().c_str());
  std::string address = "http://jbbs.shitaraba.net/anime/777/subject.txt";
  kv::DownloadJob* j = NewJob(address, kv::kReadList);
  j->noMerge = 1;
  ASSERT_EQ(Run(j), kv::kJobDone) << Status(*j);
  EXPECT_EQ(server_->Requests().back().url.find("/anime/777/subject.txt") != std::string::npos, true);
  EXPECT_EQ(ReadFileBytes(LocalFile(address)), "1500000000.cgi,テストスレ(7)\n");
  EXPECT_EQ(Body(*j), "1500000000.cgi,テストスレ(7)\n");
  EXPECT_EQ(j->noMerge, 0);
}

// The network-not-found question from a worker, answered from outside.
HWND FindQuestion() {
  HWND found = nullptr;
  WaitFor([&] {
    Pump();
    return (found = FindWindowA("#32770", "Kurovel")) != nullptr && IsWindowVisible(found);
  }, 10000);
  return found;
}

std::atomic<int> g_online{0};

TEST_F(Job, NetworkQuestionBeforeTheDownload) {
  kv::g_settings.NetAtchk = 1;
  g_online = 0;
  kv::SetNetworkProbeForTest([] { return g_online.load(); });
  // "閉じる": the job goes on at once.
  kv::DownloadJob* j = NewJob(url(kLog));
  ASSERT_NE(kv::startJob(*j), nullptr);
  HWND q = FindQuestion();
  ASSERT_NE(q, nullptr);
  PostMessageA(q, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(Finish(j));
  EXPECT_EQ(j->state.load(), kv::kJobDone);

  // "RDIAL起動": the dialer command goes to the main window and the worker
  // waits for the network.
  // The question is owned by the main window: a hidden top-level one here.
  HWND main = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  kv::g_mainWindow = main;
  server_->Append(kLog, 1);
  ASSERT_NE(kv::startJob(*j), nullptr);
  q = FindQuestion();
  ASSERT_NE(q, nullptr);
  PostMessageA(q, WM_COMMAND, IDOK, 0);
  MSG m{};
  EXPECT_TRUE(WaitFor([&] { return PeekMessageA(&m, main, WM_COMMAND, WM_COMMAND, PM_REMOVE) != FALSE; }));
  EXPECT_EQ(m.wParam, 40015u);
  WaitFor([] { Pump(); return false; }, 500);
  EXPECT_EQ(j->state.load(), kv::kJobStarting);  // still waiting for the network
  g_online = 1;
  ASSERT_TRUE(WaitFor([&] { Pump(); return !j->workerRunning.load(); }));
  EXPECT_EQ(j->state.load(), kv::kJobDone) << Status(*j);
  kv::g_mainWindow = nullptr;
  DestroyWindow(main);
}

// An owner window polling its job the way every owner does.
struct PollOwner {
  kv::DownloadJob* job;
  kv::JobPoll poll;
  std::vector<kv::PollStep> steps;
  std::vector<DWORD> times;
};

LRESULT CALLBACK PollProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == 1) {
    auto* o = reinterpret_cast<PollOwner*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    o->steps.push_back(o->poll.tick(*o->job));
    o->times.push_back(GetTickCount());
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

TEST_F(Job, OwnerPollsAtOneThenTwoSeconds) {
  server_->Thread(kLog, 200);
  server_->Rule(kLog, "trickle=2048:700");
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PollProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KvPollOwner";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "KvPollOwner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  PollOwner owner{NewJob(url(kLog)), {}, {}, {}};
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
  DWORD start = GetTickCount();
  ASSERT_NE(kv::startJob(*owner.job), nullptr);
  owner.poll.start(w);
  MSG m;
  while (GetTickCount() - start < 30000 &&
         (owner.steps.empty() || (owner.steps.back() != kv::PollStep::Done && owner.steps.back() != kv::PollStep::Failed))) {
    if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&m);
    else
      Sleep(10);
  }
  ASSERT_FALSE(owner.steps.empty());
  EXPECT_EQ(owner.steps.back(), kv::PollStep::Done);
  EXPECT_NE(std::find(owner.steps.begin(), owner.steps.end(), kv::PollStep::Progress), owner.steps.end());
  // First tick after about a second, then two seconds apart.
  EXPECT_GE(owner.times[0] - start, 900u);
  for (size_t i = 1; i < owner.times.size(); ++i) EXPECT_GE(owner.times[i] - owner.times[i - 1], 1900u);
  // Done: the timer is not armed again.
  Sleep(2500);
  EXPECT_FALSE(PeekMessageA(&m, w, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  DestroyWindow(w);
}

}  // namespace
