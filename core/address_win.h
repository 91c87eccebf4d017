// The local store over the Win32 file interfaces.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

// Maps address (in place, 260-byte buffer) into folder, or the log folder
// when folder is empty or null, creating every folder of the result. False
// (nothing created, buffer unchanged) when the name does not fit.
bool PrepareLocalPath(char* address, const char* folder);

// Whether a usable local copy exists (only with UseCache on). With an
// expected size, the copy must hold exactly that many bytes (for a container,
// its stored uncompressed length).
bool IsCached(const char* address, int64_t expectedSize = -1);

// Stores data as the local copy of address (only with UseCache on).
bool SaveToCache(const char* address, const void* data, size_t length, bool compressionAllowed);

}  // namespace kv
