// Appending to the write log ("write.log" in the program folder).
#pragma once
#include <cstddef>

namespace kv {

// Appends one entry for a post attempt; called before the request is sent.
// False (and a line in the event log) when the entry could not be written.
// A log past 50000 bytes then becomes write.bak in one step.
bool appendWriteLog(const char* address, const char* name, const char* mail, const char* message, size_t length);

}  // namespace kv
