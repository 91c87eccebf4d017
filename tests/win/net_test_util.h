// Shared by the network tests: settings that keep everything on loopback,
// the event log captured in memory, and small waits.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/job.h"
#include "tests/win/board_server.h"

namespace kvtest {

// Defaults, with no network check, no clock check and the log folder in
// folder (ends in "\").
inline void LoopbackSettings(const std::string& folder) {
  kv::SetSettingsDefaults(kv::g_settings, {"C:\\kvprog\\", 800, 600});
  kv::g_settings.NetAtchk = 0;
  kv::g_settings.NTPCheck = 0;
  kv::g_settings.UseCache = 1;
  kv::CopyText(kv::g_settings.ChFolder, folder.c_str());
  kv::CopyText(kv::g_settings.NTPSrver, "127.0.0.1");
}

// Event-log entries of every thread, kept in memory while the object lives
// (the log file drops entries whose open collides with another thread's).
class EventCapture {
 public:
  EventCapture() {
    std::lock_guard<std::mutex> hold(lock());
    entries().clear();
    previous_ = kv::SetEventSink(Sink);
  }
  ~EventCapture() { kv::SetEventSink(previous_); }
  bool Has(const std::string& text) const {
    std::lock_guard<std::mutex> hold(lock());
    for (const auto& e : entries())
      if (e.find(text) != std::string::npos) return true;
    return false;
  }
  int Count(const std::string& text) const {
    std::lock_guard<std::mutex> hold(lock());
    int n = 0;
    for (const auto& e : entries())
      if (e.find(text) != std::string::npos) ++n;
    return n;
  }
  std::vector<std::string> All() const {
    std::lock_guard<std::mutex> hold(lock());
    return entries();
  }

 private:
  static std::mutex& lock() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& entries() {
    static std::vector<std::string> v;
    return v;
  }
  static void Sink(const kv::EventEntry& e) {
    std::lock_guard<std::mutex> hold(lock());
    entries().push_back(std::string(1, e.level) + " " + std::string(e.text, e.length));
  }
  kv::EventSink previous_;
};

template <typename F>
bool WaitFor(F condition, int timeoutMs = 15000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

inline std::string Status(kv::DownloadJob& job) {
  char text[520];
  kv::copyJobStatus(job, text, sizeof text);
  return text;
}

inline std::string Body(kv::DownloadJob& job) {
  kv::JobDataLock held(job);
  return held.data() ? std::string(held.data(), held.size()) : std::string();
}

}  // namespace kvtest
