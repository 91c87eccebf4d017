// Whole-file reads and safe rewrites over the Win32 file interfaces.
#pragma once
#include <cstddef>

namespace kv {

// A heap buffer that holds a file's bytes followed by zero-filled spare room.
struct FileBuffer {
  char* data = nullptr;
  size_t size = 0;
  FileBuffer() = default;
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  FileBuffer(FileBuffer&& o) noexcept : data(o.data), size(o.size) { o.data = nullptr, o.size = 0; }
  FileBuffer& operator=(FileBuffer&& o) noexcept;
  ~FileBuffer();
  // Hands the buffer to the caller, who frees it with delete[].
  char* release();
};

// Reads the whole file (opened read-only, others may read and write it) into
// out with spare zero bytes after it (an empty file gives size 0). False when
// it is missing or cannot be read whole.
bool ReadWholeFile(const char* path, size_t spare, FileBuffer* out);

// The same, telling a missing file (or folder) from one that is there but
// cannot be read whole: refused, a read failing half-way, no memory. A file
// that is loaded and later rewritten is never rewritten when unreadable: the
// rewrite would replace what could not be read.
enum class FileRead { Read, Missing, Unreadable };
FileRead ReadWholeFileAs(const char* path, size_t spare, FileBuffer* out);

// Replaces the file's contents in one step: the bytes go to a temporary file
// in the same folder, which then takes the old file's place. On any failure
// the old file is left exactly as it was and the result is false.
bool ReplaceFileContents(const char* path, const void* data, size_t length);

// Creates every folder of path (the last component only when the path ends
// in a separator); existing folders are no error, failures are ignored.
void CreateFolderPath(const char* path);

// Test hooks for failures a test cannot cause for real (under Wine the
// program often runs as root, which ignores read-only folders):
// Create - the temporary file cannot be created (a read-only folder);
// Write - writing fails once afterBytes bytes are written (a full disk);
// Replace - the final move fails;
// Read - reading fails once afterBytes bytes are read (a bad sector).
enum class FileFault { None, Create, Write, Replace, Read };
void SetFileFaultForTest(FileFault fault, long long afterBytes = 0);

}  // namespace kv
