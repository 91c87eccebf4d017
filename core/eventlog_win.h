// Where the event log file lives (the program folder).
#pragma once

namespace kv {
// Sets the folder of Kvel.log and Kvel.bak (ends in "\").
void SetEventLogFolder(const char* folder);
}  // namespace kv
