// What the log update needs of the local store and the address model, in
// one place: board family, local file names, stored sizes and the writer.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

// The local file of an address in the log folder (out: 260 bytes or more).
bool LocalFileOf(const char* address, char* out, size_t cap);
// Whether a usable local copy exists, and its stored size (the
// uncompressed size of a compressed copy).
bool LocalCopySize(const char* address, uint32_t* size);
// Whether the local copy's stored size is size.
bool LocalCopyIs(const char* address, uint32_t size);
// Stores data as the local copy of address (a thread log may be stored
// compressed); nothing when the store is off.
bool StoreLocalCopy(const char* address, const char* data, size_t length, bool threadLog);
// The file a download of address goes to in folder, its folders created
// (out: 260 bytes or more).
bool DownloadTargetOf(const char* address, const char* folder, char* out, size_t cap);

}  // namespace kv
