// The write log: every post attempt, appended before its request is sent,
// so a message is never lost even when posting fails. This half formats an
// entry and decides rotation; writelog_win.cpp writes the file.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr uint32_t kWriteLogLimit = 50000;  // bytes before rotation to write.bak

struct WriteLogTime {
  int year, month, day, hour, minute, second;
};

// The head of an entry: "[YYYY-MM-DD hh:mm:ss]", "URL : ...", "Name: ...",
// "Mail: ...", each ended by CR LF. The message follows as typed, then the
// entry's end (kWriteLogEntryEnd). Returns the length written into out.
inline constexpr char kWriteLogEntryEnd[] = "\r\n\r\n";
size_t FormatWriteLogHead(const WriteLogTime& t, const char* address, const char* name, const char* mail, char* out,
                          size_t cap);

// Whether a log of this size (just after an entry) moves to write.bak.
inline bool WriteLogRotates(uint64_t size) { return size > kWriteLogLimit; }

// The address the write log names for a post to address: the thread's
// reading address for a log address, the log address for a reading-script
// one; plain web addresses as they are. Writes into a 260-byte buffer.
void WriteLogAddressOf(const char* address, char* out);

}  // namespace kv
