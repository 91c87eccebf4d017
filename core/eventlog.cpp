#include "core/eventlog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace kv {

// The platform file writer (eventlog_win.cpp) or, in the native build, a sink
// that drops entries unless a test installs its own.
EventSink DefaultEventSink();

static std::atomic<EventSink> g_sink{nullptr};

EventSink SetEventSink(EventSink sink) { return g_sink.exchange(sink); }

static void Deliver(const EventEntry& e) {
  EventSink sink = g_sink.load();
  if (!sink) sink = DefaultEventSink();
  if (sink) sink(e);
}

void WriteEventLog(char level, const char* format, ...) {
  if (!format || !*format) {
    Deliver({EventKind::Empty, level, "", 0});
    return;
  }
  size_t flen = strlen(format);
  // Raw dumps and over-long formats are written exactly as given: HTTP header
  // blocks and bodies hold percent signs that must not be read as conversions.
  if (level == 'd' || level == 'D' || flen > 240) {
    Deliver({EventKind::Raw, level, format, flen});
    return;
  }
  char message[kEventMessageMax + 1];
  va_list args;
  va_start(args, format);
  size_t n = FormatTextV(message, sizeof message, format, args);
  va_end(args);
  Deliver({EventKind::Line, level, message, n});
}

void WriteEventLogEmpty() { Deliver({EventKind::Empty, ' ', "", 0}); }

void WriteEventLogRaw(const char* text, size_t length) { Deliver({EventKind::Raw, 'd', text, length}); }

size_t FormatEventLine(const EventTime& t, char level, const char* message, size_t length, char* out, size_t cap) {
  size_t n = FormatText(out, cap, "%04d-%02d-%02d %02d:%02d:%02d %c ", t.year, t.month, t.day, t.hour, t.minute,
                        t.second, level);
  if (n + 2 >= cap) return n;
  size_t body = SjisCutLength(message, length, cap - n - 3);
  memcpy(out + n, message, body);
  n += body;
  out[n++] = '\r';
  out[n++] = '\n';
  out[n] = 0;
  return n;
}

void CheckFailed(const char* file, int line, const char* condition) {
  WriteEventLog('i', "CHECK %.120s:%d %.100s", file, line, condition);
#if defined(KV_TESTING)
  fprintf(stderr, "CHECK failed: %s:%d %s\n", file, line, condition);
  abort();
#endif
}

}  // namespace kv
