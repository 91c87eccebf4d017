// The event log: the program's one diagnostic channel, written from any
// thread. Entries go to Kvel.log in the program folder (see eventlog_win.cpp);
// the native build hands them to a sink that tests can replace.
#pragma once
#include <cstddef>

namespace kv {

enum class EventKind { Empty, Raw, Line };

// One entry as the writer receives it. For Line, text is the formatted
// message (at most kEventMessageMax bytes); for Raw, the text as given.
struct EventEntry {
  EventKind kind;
  char level;
  const char* text;
  size_t length;
};

inline constexpr size_t kEventMessageMax = 259;
inline constexpr size_t kEventLogLimit = 50000;  // bytes before rotation to Kvel.bak

// Levels: ' ' session separator, '@' user agent, 'i' information,
// 'd' raw dump (written literally, no time stamp, no formatting).
void WriteEventLog(char level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes the empty entry (CR LF alone) that separates sessions.
void WriteEventLogEmpty();
// Writes text literally as a raw dump, whatever its length or content.
void WriteEventLogRaw(const char* text, size_t length);

using EventSink = void (*)(const EventEntry& entry);
// Replaces the writer; returns the previous one. nullptr restores the default.
EventSink SetEventSink(EventSink sink);

struct EventTime {
  int year, month, day, hour, minute, second;
};
// "YYYY-MM-DD hh:mm:ss L message\r\n" into out (cap bytes, terminated).
size_t FormatEventLine(const EventTime& t, char level, const char* message, size_t length, char* out, size_t cap);

// Checks that hold in tests and are logged in the field.
void CheckFailed(const char* file, int line, const char* condition);
#define KV_CHECK(cond) ((cond) ? (void)0 : ::kv::CheckFailed(__FILE__, __LINE__, #cond))

}  // namespace kv
