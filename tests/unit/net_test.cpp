// Decisions of the fetch engine, the download jobs and the clock check.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/eventlog.h"
#include "net/clock.h"
#include "net/fetch.h"
#include "net/job.h"

namespace {

using kv::Answer;
using kv::ResumeKind;

TEST(ParseDecimal, HeaderValues) {
  EXPECT_EQ(kv::parseDecimal("206"), 206);
  EXPECT_EQ(kv::parseDecimal(" 1234"), 1234);     // a blank in front is skipped
  EXPECT_EQ(kv::parseDecimal("12 34"), 1234);     // and one inside
  EXPECT_EQ(kv::parseDecimal("1234\r\n"), 1234);  // a trailing line end ends it
  EXPECT_EQ(kv::parseDecimal("12 "), 12);
  EXPECT_EQ(kv::parseDecimal("12a3"), 12);
  EXPECT_EQ(kv::parseDecimal("abc"), 0);
  EXPECT_EQ(kv::parseDecimal(""), 0);
  EXPECT_EQ(kv::parseDecimal(nullptr), 0);
  EXPECT_EQ(kv::parseDecimal("12345678901234567"), INT32_MAX);  // saturates, sixteen characters read
  EXPECT_EQ(kv::parseDecimal("0000000000000000123"), 0);        // only sixteen characters are looked at
}

TEST(SplitFetchUrl, SchemesHostPortAndPath) {
  char host[64], path[128];
  uint16_t port;
  ASSERT_TRUE(kv::SplitFetchUrl("h2ch://news.example/b/dat/1.dat#res", host, sizeof host, &port, path, sizeof path));
  EXPECT_STREQ(host, "news.example");
  EXPECT_STREQ(path, "/b/dat/1.dat");
  EXPECT_EQ(port, 0);
  ASSERT_TRUE(kv::SplitFetchUrl("http://127.0.0.1:8080/bbsmenu.html", host, sizeof host, &port, path, sizeof path));
  EXPECT_STREQ(host, "127.0.0.1");
  EXPECT_EQ(port, 8080);
  ASSERT_TRUE(kv::SplitFetchUrl("hhtm://host", host, sizeof host, &port, path, sizeof path));
  EXPECT_STREQ(host, "host");
  EXPECT_STREQ(path, "");
  ASSERT_TRUE(kv::SplitFetchUrl("http://a/x#1#2", host, sizeof host, &port, path, sizeof path));
  EXPECT_STREQ(path, "/x#1");
  EXPECT_FALSE(kv::SplitFetchUrl("http://h:99999/", host, sizeof host, &port, path, sizeof path));
  EXPECT_FALSE(kv::SplitFetchUrl("http:///x", host, sizeof host, &port, path, sizeof path));
  std::string longHost = "http://" + std::string(100, 'h') + "/";
  EXPECT_FALSE(kv::SplitFetchUrl(longHost.c_str(), host, sizeof host, &port, path, sizeof path));
}

TEST(ProxyAccess, NamedUnlessEmptyOrBlank) {
  EXPECT_EQ(kv::ChooseProxyAccess(0, ""), kv::ProxyAccess::Direct);
  EXPECT_EQ(kv::ChooseProxyAccess(1, ""), kv::ProxyAccess::Preconfigured);
  EXPECT_EQ(kv::ChooseProxyAccess(1, " 127.0.0.1:8080"), kv::ProxyAccess::Preconfigured);
  EXPECT_EQ(kv::ChooseProxyAccess(0, " 127.0.0.1:8080"), kv::ProxyAccess::Direct);
  EXPECT_EQ(kv::ChooseProxyAccess(1, "127.0.0.1:8080"), kv::ProxyAccess::Named);
}

TEST(FullLength, ResumeArithmetic) {
  EXPECT_EQ(kv::FullLength(false, 500, 100, ResumeKind::ThreadLog, 206), 0);
  EXPECT_EQ(kv::FullLength(true, 500, 0, ResumeKind::None, 200), 500);
  // Asked from byte D - 1: the answer repeats one byte of the local copy.
  EXPECT_EQ(kv::FullLength(true, 11, 1000, ResumeKind::ThreadLog, 206), 1010);
  EXPECT_EQ(kv::FullLength(true, 1, 1000, ResumeKind::ThreadLog, 206), 1000);
  // A server that ignored the range sent the whole log: its own length.
  EXPECT_EQ(kv::FullLength(true, 5000, 1000, ResumeKind::ThreadLog, 200), 5000);
  EXPECT_EQ(kv::FullLength(true, 10, 1000, ResumeKind::File, 206), 1010);
  EXPECT_EQ(kv::FullLength(true, 5000, 1000, ResumeKind::File, 200), 5000);
}

Answer Decide(int status, bool range, ResumeKind resume, int64_t full, bool file = false, bool local = false,
              int64_t length = 100) {
  return kv::DecideAnswer({status, range, resume, length, full, file, local});
}

TEST(DecideAnswer, WhatEachServerAnswerMeans) {
  EXPECT_TRUE(kv::RepeatsRequest(501, true));
  EXPECT_FALSE(kv::RepeatsRequest(501, false));
  EXPECT_FALSE(kv::RepeatsRequest(500, true));
  EXPECT_EQ(Decide(501, false, ResumeKind::None, 0), Answer::StatusError);  // the second 501

  // A resume: 206 is read (its first byte is checked), 416 means the log
  // changed, one byte means nothing new; a 200 is the whole current log,
  // read as a fresh body (not a changed log), within the size limit.
  EXPECT_EQ(Decide(206, true, ResumeKind::ThreadLog, 1500), Answer::ReadBody);
  EXPECT_EQ(Decide(206, true, ResumeKind::ThreadLog, 1000, false, false, 1), Answer::NoNewData);
  EXPECT_EQ(Decide(206, true, ResumeKind::ThreadLog, 1001, false, false, 2), Answer::ReadBody);
  EXPECT_EQ(Decide(416, true, ResumeKind::ThreadLog, 1000), Answer::LogChanged);
  EXPECT_EQ(Decide(200, true, ResumeKind::ThreadLog, 5000), Answer::ReadWholeLog);
  EXPECT_EQ(Decide(203, true, ResumeKind::ThreadLog, 5000), Answer::ReadWholeLog);
  EXPECT_EQ(Decide(200, true, ResumeKind::ThreadLog, 3072001), Answer::TooLarge);
  EXPECT_EQ(Decide(200, false, ResumeKind::None, 5000), Answer::ReadBody);
  // Without a range, 416 falls back to the local log when there is one.
  EXPECT_EQ(Decide(416, false, ResumeKind::None, 0, false, true), Answer::LoadLocal);
  EXPECT_EQ(Decide(416, false, ResumeKind::None, 0, false, false), Answer::StatusError);
  // Size limits and errors.
  EXPECT_EQ(Decide(200, false, ResumeKind::None, 3072000), Answer::ReadBody);
  EXPECT_EQ(Decide(200, false, ResumeKind::None, 3072001), Answer::TooLarge);
  EXPECT_EQ(Decide(200, false, ResumeKind::None, 3072001, true), Answer::ReadBody);  // files have no limit
  EXPECT_EQ(Decide(200, false, ResumeKind::None, 1), Answer::NoNewData);
  EXPECT_EQ(Decide(404, false, ResumeKind::None, 100), Answer::StatusError);
  EXPECT_EQ(Decide(505, false, ResumeKind::None, 100), Answer::StatusError);
  EXPECT_EQ(Decide(506, false, ResumeKind::None, 100), Answer::ReadBody);
  EXPECT_EQ(Decide(302, false, ResumeKind::None, 100), Answer::ReadBody);
  EXPECT_EQ(Decide(399, false, ResumeKind::None, 0), Answer::ReadBody);
  // A file resume answered with the whole file is read (and replaces it).
  EXPECT_EQ(Decide(200, true, ResumeKind::File, 5000, true), Answer::ReadBody);
  EXPECT_EQ(Decide(416, true, ResumeKind::File, 0, true), Answer::LogChanged);
}

TEST(ReadLoop, ResumeByteHtmlTestEmptyReadsAndRate) {
  EXPECT_FALSE(kv::ResumeByteShowsChange(true, 1, '\n'));
  EXPECT_TRUE(kv::ResumeByteShowsChange(true, 1, 'x'));
  EXPECT_FALSE(kv::ResumeByteShowsChange(true, 0, 'x'));
  EXPECT_FALSE(kv::ResumeByteShowsChange(false, 1, 'x'));

  EXPECT_TRUE(kv::IsHtmlInsteadOfData(false, 2, 0, "<html>", 6));
  EXPECT_TRUE(kv::IsHtmlInsteadOfData(false, 1, 0, "<HEAD>", 6));
  EXPECT_FALSE(kv::IsHtmlInsteadOfData(true, 2, 0, "<html>", 6));   // script boards
  EXPECT_FALSE(kv::IsHtmlInsteadOfData(false, 0, 0, "<html>", 6));  // a page is a page
  EXPECT_FALSE(kv::IsHtmlInsteadOfData(false, 2, 10, "<html>", 6));  // not the start of the body
  EXPECT_FALSE(kv::IsHtmlInsteadOfData(false, 2, 0, "<", 1));

  int32_t n = 0;
  EXPECT_EQ(kv::OnEmptyRead(kv::kEmptyReadEndsAt, &n, 3), kv::EmptyRead::EndNow);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(kv::OnEmptyRead(655360, &n, 3), kv::EmptyRead::Pause);
  EXPECT_EQ(kv::OnEmptyRead(655360, &n, 3), kv::EmptyRead::Pause);
  EXPECT_EQ(kv::OnEmptyRead(655360, &n, 3), kv::EmptyRead::EndRetries);
  EXPECT_EQ(n, 3);

  EXPECT_EQ(kv::RateOf(256, 0), 256);  // under 10 ms counts as a second
  EXPECT_EQ(kv::RateOf(256, 9), 256);
  EXPECT_EQ(kv::RateOf(256, 128), 2000);
  EXPECT_EQ(kv::RateOf(UINT32_MAX, 10), INT32_MAX);
}

TEST(MemorySizes, ExpectedSizeAndBuffer) {
  EXPECT_EQ(kv::MemoryExpectedSize(5000, 0, false), 5000u);
  EXPECT_EQ(kv::MemoryExpectedSize(0, 0, false), 655360u);
  // A resume without a length may bring up to 655360 new bytes after the
  // local copy, however long that is.
  EXPECT_EQ(kv::MemoryExpectedSize(0, 900000, false), 900000u + 655360u);
  EXPECT_EQ(kv::MemoryExpectedSize(3000, 10000, true), 13000u);
  EXPECT_EQ(kv::MemoryExpectedSize(0, 10000, true), 10000u + 655360u);
  EXPECT_EQ(kv::MemoryBufferSize(1000, 0), 3048u);
  EXPECT_EQ(kv::MemoryBufferSize(1000, 5000), 7048u);
  EXPECT_EQ(kv::MemoryBufferSize(UINT32_MAX, 0), 0u);
}

std::vector<std::string> g_events;
void Capture(const kv::EventEntry& e) { g_events.emplace_back(e.text, e.length); }

TEST(DownloadJob, RecordStatusAndReferences) {
  kv::DownloadJob* job = kv::newJob();
  EXPECT_EQ(job->port, 80u);
  EXPECT_EQ(job->retryLimit, 3u);
  EXPECT_EQ(job->state.load(), kv::kJobIdle);
  EXPECT_EQ(job->data, nullptr);

  g_events.clear();
  kv::EventSink old = kv::SetEventSink(Capture);
  kv::setJobStatusF(*job, "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (%d)", 404);
  std::string longText(600, 'x');
  kv::setJobStatus(*job, longText.c_str());
  kv::SetEventSink(old);
  ASSERT_EQ(g_events.size(), 2u);
  EXPECT_EQ(g_events[0], "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (404)");
  EXPECT_EQ(g_events[1].size(), 200u);  // "%.200s"
  char text[600];
  EXPECT_EQ(kv::copyJobStatus(*job, text, sizeof text), 519u);

  // The body: the owner sees only what the worker has announced.
  kv::replaceJobData(*job, new char[100](), 100);
  memcpy(job->data, "abcdef", 6);
  job->receivedSize = 3;
  {
    kv::JobDataLock held(*job);
    EXPECT_EQ(std::string(held.data(), held.size()), "abc");
  }
  job->receivedSize = 500;  // never past the buffer
  EXPECT_EQ(kv::JobDataLock(*job).size(), 100u);
  EXPECT_TRUE(kv::JobHasData(*job));
  {
    // The poll never waits for the lock; a busy lock counts as having data.
    std::lock_guard<std::mutex> busy(job->dataLock);
    std::thread poller([&] { EXPECT_TRUE(kv::JobHasData(*job)); });
    poller.join();
  }

  // A worker's reference keeps the record and its buffers.
  kv::retainJob(job);
  job->workerRunning = true;
  kv::freeJobBuffers(*job);
  EXPECT_NE(job->data, nullptr);
  kv::releaseJob(job);  // the owner lets go; the worker still holds it
  EXPECT_EQ(job->references.load(), 1);
  job->workerRunning = false;
  kv::freeJobBuffers(*job);
  EXPECT_EQ(job->data, nullptr);
  kv::releaseJob(job);  // ASan reports a leak or a double free if this is wrong
}

TEST(DownloadJob, ActiveCountIsTakenOutOnce) {
  int32_t before = kv::activeDownloads.load();
  kv::DownloadJob* a = kv::newJob();
  kv::DownloadJob* b = kv::newJob();
  kv::countJobIn(*a);
  kv::countJobIn(*a);
  kv::countJobIn(*b);
  EXPECT_EQ(kv::activeDownloads.load(), before + 2);
  // stopJob and the worker's end both count the job out; only one counts.
  kv::countJobOut(*a);
  kv::countJobOut(*a);
  EXPECT_EQ(kv::activeDownloads.load(), before + 1);
  kv::countJobOut(*b);
  EXPECT_EQ(kv::activeDownloads.load(), before);
  kv::releaseJob(a);
  kv::releaseJob(b);

  // Many threads counting in and out leave the count where it was.
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) {
        kv::DownloadJob* j = kv::newJob();
        kv::countJobIn(*j);
        kv::countJobOut(*j);
        kv::releaseJob(j);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(kv::activeDownloads.load(), before);
}

TEST(DownloadJob, PatrolReadTypeAndPolling) {
  EXPECT_EQ(kv::PatrolReadType("http://h/b/dat/1.dat"), 2);
  EXPECT_EQ(kv::PatrolReadType("http://h/b/dat/1.DAT"), 2);
  EXPECT_EQ(kv::PatrolReadType("http://h/b/index.html"), 0);
  EXPECT_EQ(kv::PatrolReadType("http://h/b/dat/1.data"), 0);
  EXPECT_EQ(kv::PatrolReadType("hhtm//nodot"), 2);

  using kv::PollStep;
  EXPECT_EQ(kv::DecidePollStep(100, 100, 500, kv::kJobReceiving, true), PollStep::Quiet);
  EXPECT_EQ(kv::DecidePollStep(100, 200, 500, kv::kJobReceiving, true), PollStep::Progress);
  EXPECT_EQ(kv::DecidePollStep(100, 200, 500, kv::kJobStarting, false), PollStep::Status);
  EXPECT_EQ(kv::DecidePollStep(500, 500, 500, kv::kJobReceiving, true), PollStep::Progress);
  EXPECT_EQ(kv::DecidePollStep(0, 0, 0, kv::kJobStarting, false), PollStep::Status);  // first tick
  EXPECT_EQ(kv::DecidePollStep(100, 100, 500, kv::kJobDone, true), PollStep::Done);
  EXPECT_EQ(kv::DecidePollStep(100, 100, 500, kv::kJobFailed, true), PollStep::Failed);
}

TEST(DownloadJob, ChangedLogEndsDoneSoTheOwnerFetchesItWhole) {
  EXPECT_EQ(kv::DecideThreadJobEnd(true, false, false), kv::kJobDone);
  EXPECT_EQ(kv::DecideThreadJobEnd(false, false, false), kv::kJobFailed);
  // A changed log: done, so that the owner's done branch (40026) runs.
  EXPECT_EQ(kv::DecideThreadJobEnd(false, false, true), kv::kJobDone);
  // Cancelled wins over everything.
  EXPECT_EQ(kv::DecideThreadJobEnd(false, true, true), kv::kJobFailed);
  EXPECT_EQ(kv::DecideThreadJobEnd(true, true, false), kv::kJobFailed);
}

TEST(ClockCheck, StartsOncePer86400Seconds) {
  kv::ClockCheckState s{kv::kClockMayRun, 0};
  EXPECT_FALSE(kv::ClaimClockCheck(s, false, 1000));  // NTPCheck off
  EXPECT_TRUE(kv::ClaimClockCheck(s, true, 1000));
  EXPECT_EQ(s.state, kv::kClockRunning);
  EXPECT_EQ(s.lastStart, 1000u);
  EXPECT_FALSE(kv::ClaimClockCheck(s, true, 1000 + 90000));  // running: never twice
  s.state = kv::kClockDone;
  EXPECT_FALSE(kv::ClaimClockCheck(s, true, 1000 + 600));    // ten minutes later
  EXPECT_FALSE(kv::ClaimClockCheck(s, true, 1000 + 86400));  // exactly a day: not yet
  EXPECT_TRUE(kv::ClaimClockCheck(s, true, 1000 + 86401));
  s.state = kv::kClockFailed;
  EXPECT_FALSE(kv::ClaimClockCheck(s, true, 1000 + 86401 + 5));
  EXPECT_TRUE(kv::ClaimClockCheck(s, true, 1000 + 86401 + 86401));
}

TEST(ClockCheck, RequestAndReplyValidation) {
  uint8_t req[48];
  kv::BuildNtpRequest(req);
  EXPECT_EQ(req[0], 0x0B);
  for (int i = 1; i < 48; ++i) EXPECT_EQ(req[i], 0);

  uint8_t reply[48] = {0x1C};
  const uint8_t stamp[8] = {0xE9, 0x3D, 0xFB, 0xA0, 0x80, 0, 0, 0};  // 2024-01-02 03:04:00.5 UTC
  memcpy(reply + 40, stamp, 8);
  uint32_t s = 0, f = 0;
  EXPECT_TRUE(kv::ReadNtpReply(reply, 48, true, &s, &f));
  EXPECT_EQ(s, 0xE93DFBA0u);
  EXPECT_FALSE(kv::ReadNtpReply(reply, 48, false, &s, &f));  // another address or port
  EXPECT_FALSE(kv::ReadNtpReply(reply, 47, true, &s, &f));   // short
  uint8_t client[48];
  memcpy(client, reply, 48);
  client[0] = 0x0B;  // client mode
  EXPECT_FALSE(kv::ReadNtpReply(client, 48, true, &s, &f));
  uint8_t zero[48] = {0x1C};
  EXPECT_FALSE(kv::ReadNtpReply(zero, 48, true, &s, &f));

  kv::UtcTime t;
  ASSERT_TRUE(kv::NtpToUtc(0xE93DFBA0u, 0x80000000u, &t));
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 2);
  EXPECT_EQ(t.hour, 3);
  EXPECT_EQ(t.minute, 4);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 500);
  ASSERT_TRUE(kv::NtpToUtc(kv::kNtpToUnix, 0, &t));
  EXPECT_EQ(t.year, 1970);
  ASSERT_TRUE(kv::NtpToUtc(1000, 0, &t));  // the era after 2036-02-07
  EXPECT_EQ(t.year, 2036);
  EXPECT_FALSE(kv::NtpToUtc(0x80000000u, 0, &t));  // 1968
}

TEST(ClockCheck, FiveSecondsAndTheDate) {
  kv::UtcTime sys{2024, 5, 6, 12, 0, 0, 999};
  kv::UtcTime server = sys;
  server.second = 5;
  EXPECT_FALSE(kv::ClockNeedsSetting(sys, server));
  server.second = 6;
  EXPECT_TRUE(kv::ClockNeedsSetting(sys, server));
  server = sys;
  server.hour = 11, server.minute = 59, server.second = 55;
  EXPECT_FALSE(kv::ClockNeedsSetting(sys, server));
  server.second = 54;
  EXPECT_TRUE(kv::ClockNeedsSetting(sys, server));
  // Right to the second but on another date (just after midnight on one side).
  kv::UtcTime a{2024, 5, 6, 0, 0, 1, 0}, b{2024, 5, 5, 0, 0, 1, 0};
  EXPECT_TRUE(kv::ClockNeedsSetting(a, b));
  kv::UtcTime c{2024, 5, 6, 0, 0, 1, 0}, d{2024, 5, 5, 23, 59, 59, 0};
  EXPECT_TRUE(kv::ClockNeedsSetting(c, d));
}

TEST(NetworkCheck, LoopbackAndLinkLocalDoNotCount) {
  const uint32_t offline[] = {0x7F000001u, 0xA9FE0102u};
  EXPECT_FALSE(kv::AnyUsableAddress(offline, 2));
  const uint32_t online[] = {0x7F000001u, 0xC0A80005u};
  EXPECT_TRUE(kv::AnyUsableAddress(online, 2));
  EXPECT_TRUE(kv::IsUsableAddress(0x7F000101u));  // only 127.0.0.1 itself is excluded
  uint32_t many[9];
  for (auto& m : many) m = 0x7F000001u;
  many[8] = 0x0A000001u;
  EXPECT_FALSE(kv::AnyUsableAddress(many, 9));  // the ninth is never looked at
  EXPECT_FALSE(kv::AnyUsableAddress(many, 0));
}

}  // namespace
