// Helpers for the Win32 tests: a fresh folder per test and whole-file access.
#pragma once
#include <windows.h>

#include <string>

namespace kvtest {

// A new empty folder under the Windows temporary folder, removed with its
// files when the object goes away. path() ends in "\".
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The file's bytes; empty when missing.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// Points the event log at folder (ends in "\") for the rest of the test.
void UseEventLogIn(const std::string& folder);

}  // namespace kvtest
