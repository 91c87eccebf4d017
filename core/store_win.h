// The file store: the one writer and the one reader of the program's data
// files. Large downloads may be stored compressed in the program's own
// container; LoadFile hands back plain data either way.
#pragma once
#include <cstddef>

#include "core/file_win.h"

namespace kv {

// 1 when the file now holds exactly the bytes meant for it, else 0 (the old
// file is then left as it was). Compression is tried only when allowed, the
// zlib level (_ZipPack) is not 0 and the data is longer than 8192 bytes.
int StoreFile(const char* path, const void* data, size_t length, bool compressionAllowed);

// The whole file, expanded when it is a container, with at least 1024 zero
// bytes of spare room after the data. False for a missing or empty file.
bool LoadFile(const char* path, FileBuffer* out);
// The same, telling why there is nothing: Read (an empty file too, size 0),
// Missing, or Unreadable (see ReadWholeFileAs).
FileRead LoadFileAs(const char* path, FileBuffer* out);

}  // namespace kv
