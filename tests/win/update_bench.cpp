// Benchmark: bringing a 1000-post thread log up to date by 10 new posts
// against the local board server, with the real WinINet under Wine.
// Reports the bytes that went over the wire and the milliseconds per update.
//
//   build/win/tests/win_update_bench.exe [iterations]   (under scripts/wine-run.sh)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/job.h"
#include "net/local_copy_win.h"
#include "net/update_win.h"
#include "tests/win/net_test_util.h"

int main(int argc, char** argv) {
  int iterations = argc > 1 ? atoi(argv[1]) : 30;
  if (iterations < 1) iterations = 1;
  kvtest::TempFolder logs;
  kvtest::UseEventLogIn(logs.path());
  kvtest::LoopbackSettings(logs.path());
  kvtest::BoardServer server;
  if (!server.running()) {
    fprintf(stderr, "board server did not start\n");
    return 1;
  }
  const std::string log = "/bench/dat/1700000000.dat";
  server.Board("/bench/");
  server.Thread(log, 1000);
  std::string base = server.Get(log);
  server.Append(log, 10);
  std::string grown = server.Get(log);

  kv::DownloadJob* job = kv::newJob();
  std::string address = server.url(log);
  char path[520];
  kv::LocalFileOf(address.c_str(), path, sizeof path);

  // The whole log once, for comparison.
  kv::CopyText(job->url, address.c_str());
  job->ReadType = kv::kReadLog;
  server.ClearLog();
  if (!kv::updateLog(*job)) return 1;
  long wholeBytes = server.Requests().at(0).wire;

  std::vector<double> ms;
  long body = 0, wire = 0;
  for (int i = 0; i < iterations; ++i) {
    // Each round starts from the 1000-post copy against the 1010-post log.
    kv::StoreLocalCopy(address.c_str(), base.data(), base.size(), true);
    server.ClearLog();
    kv::CopyText(job->url, address.c_str());
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    int ok = kv::updateLog(*job);
    QueryPerformanceCounter(&t1);
    if (!ok || kvtest::ReadFileBytes(path) != grown) {
      fprintf(stderr, "update %d failed: %s\n", i, kvtest::Status(*job).c_str());
      return 1;
    }
    ms.push_back(1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart));
    auto reqs = server.Requests();
    body = reqs.at(0).bytes;
    wire = reqs.at(0).wire;
  }
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  printf("update of a 1000-post log (%zu bytes) by 10 posts (%zu bytes), %d rounds\n", base.size(),
         grown.size() - base.size(), iterations);
  printf("  over the wire per update: %ld body bytes, %ld bytes with headers (whole log: %ld)\n", body, wire,
         wholeBytes);
  printf("  ms per update: median %.2f, mean %.2f, min %.2f, max %.2f\n", ms[ms.size() / 2], sum / ms.size(),
         ms.front(), ms.back());
  kv::releaseJob(job);
  return 0;
}
