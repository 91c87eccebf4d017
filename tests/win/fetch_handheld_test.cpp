// edition: handheld
// The fetch engine of the handheld build, whose WinINet and file calls go
// through the wide interfaces: proxy, authentication, headers and a file
// download to a Japanese file name.
#include <gtest/gtest.h>

#include <string>

#include "net/fetch_win.h"
#include "net/job.h"
#include "tests/win/net_test_util.h"

using kvtest::Body;
using kvtest::BoardServer;
using kvtest::EventCapture;
using kvtest::Status;

namespace {

TEST(HandheldFetch, ProxyAuthenticationHeadersAndAFileDownload) {
  BoardServer server;
  ASSERT_TRUE(server.running());
  kvtest::TempFolder logs;
  kvtest::LoopbackSettings(logs.path());
  server.Board("/news/");
  server.Thread("/news/dat/1.dat", 12);
  kv::DownloadJob* job = kv::newJob();
  job->ReadType = kv::kReadLog;

  // Through the proxy under a service host name, with Basic authentication.
  kv::CopyText(kv::g_settings.Proxyadr, server.proxy().c_str());
  server.Auth("kvuser", "pass");
  kv::CopyText(job->url, "http://news.5ch.net/news/dat/1.dat");
  kv::CopyText(job->userName, "kvuser");
  kv::CopyText(job->password, "pass");
  EventCapture events;
  ASSERT_EQ(kv::fetchUrl(*job, kv::FetchPlan{}), 1) << Status(*job);
  EXPECT_EQ(Body(*job), server.Get("/news/dat/1.dat"));
  EXPECT_TRUE(events.Has("StatusCode: 200"));
  EXPECT_TRUE(events.Has("Raw headers"));
  auto reqs = server.Requests();
  ASSERT_FALSE(reqs.empty());
  EXPECT_TRUE(reqs.back().proxy);
  EXPECT_EQ(reqs.back().user, "kvuser");
  EXPECT_EQ(reqs.back().agent, "Monazilla/1.00 (Kurovel/0.48)");

  // A status error and its text.
  server.Auth("", "");
  kv::g_settings.Proxyadr[0] = 0;
  kv::CopyText(job->url, server.url("/news/dat/2.dat").c_str());
  EXPECT_EQ(kv::fetchUrl(*job, kv::FetchPlan{}), 0);
  EXPECT_EQ(Status(*job), "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (404)");

  // A file download to a file with a Japanese name.
  server.Put("/files/f.bin", std::string(3000, 'z'));
  std::string target = logs.file("保存ソ表.bin");
  kv::CopyText(job->url, server.url("/files/f.bin").c_str());
  job->ReadType = kv::kReadFile;
  kv::DownloadPaths paths{};
  kv::CopyText(paths.target, target.c_str());
  kv::CopyText(paths.part, (target + kv::kPartSuffix).c_str());
  kv::CopyText(paths.record, (target + kv::kPartRecordSuffix).c_str());
  kv::FetchPlan p{};
  p.download = &paths;
  p.downloadAddress = job->url;
  ASSERT_EQ(kv::fetchUrl(*job, p), 1) << Status(*job);
  EXPECT_EQ(job->receivedSize.load(), 3000u);
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((logs.path() + "*.bin").c_str(), &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "保存ソ表.bin");
  FindClose(h);
  kv::releaseJob(job);
}

}  // namespace
