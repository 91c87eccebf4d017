// The compressed-log container: a 16-byte header (0x1F 0x8B 0x08 0x04, six
// zero bytes, extra length 4, the uncompressed length) and one zlib stream.
// It looks like gzip but is not: ordinary gzip readers cannot read it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr size_t kContainerHeader = 16;
inline constexpr size_t kCompressAbove = 8192;  // smaller data is never compressed
inline constexpr size_t kLoadSpare = 1024;      // zero bytes after loaded data

// The one-post thread log shown in place of a broken container (80 bytes).
extern const char kDataErrorLog[];
inline constexpr size_t kDataErrorLength = 80;

bool IsContainer(const char* data, size_t length);
// The uncompressed length stored in a container's header (the cache check
// compares it with an expected size).
bool ContainerStoredLength(const char* header, size_t length, uint32_t* stored);

// What StoreFile writes for data: the plain bytes, or a container when
// compression is allowed, level is not 0, the data is longer than 8192
// bytes and compresses to more than 20 %. Logs the compression results.
struct StoreBytes {
  const char* data;
  size_t length;
  char* owned;  // container buffer to delete[], or null
  StoreBytes() : data(nullptr), length(0), owned(nullptr) {}
  StoreBytes(const StoreBytes&) = delete;
  StoreBytes& operator=(const StoreBytes&) = delete;
  ~StoreBytes() { delete[] owned; }
};
void PlanStoreBytes(const char* data, size_t length, int level, bool compressionAllowed, StoreBytes* out);

// Data that begins with a zero byte and is 15 bytes or longer is refused.
bool IsNullData(const char* data, size_t length);

// Expands a container read from a file of fileSize bytes into out (cap
// bytes, zero-filled by the caller), with an output limit of limit bytes.
// Returns the zlib code (0 on success) and the expanded length.
int ExpandContainer(const char* file, size_t fileSize, char* out, size_t limit, size_t* expanded);

}  // namespace kv
