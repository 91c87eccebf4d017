// The local store over the Win32 file interfaces: the log folder is
// g_settings.ChFolder, and nothing is kept or found while UseCache is off.
#pragma once
#include <cstddef>

namespace kv {

inline constexpr long long kAnySize = -1;

// In place: the local file name of address (in folder when folder is not
// empty, else in the log folder), after creating its folders. False when
// the name does not fit in 259 bytes; nothing is created then.
bool PrepareLocalPath(char* address, const char* folder);

// Whether a usable local copy of address exists; with an expected size,
// whether its stored size (a container's uncompressed length) equals it.
bool IsCached(const char* address, long long expectedSize = kAnySize);

// Stores data as the local copy of address (compressed when allowed and
// worth it). True when stored.
bool SaveToCache(const char* address, const void* data, size_t length, bool compressionAllowed);

}  // namespace kv
