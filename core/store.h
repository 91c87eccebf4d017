// The compressed log container and the decisions of the file store, on
// buffers. A container is a 16-byte header (0x1F 0x8B 0x08 0x04, six zero
// bytes, extra length 4, the uncompressed length as 32-bit little-endian)
// followed by one zlib stream as compress2 makes it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kv {

inline constexpr size_t kContainerHeaderSize = 16;
inline constexpr size_t kCompressAbove = 8192;  // data of this size or less is stored plain
inline constexpr size_t kLoadSpare = 1024;      // zero bytes after every loaded buffer
inline constexpr size_t kDataErrorLength = 80;
// What a damaged container reads as: a thread log of one post.
extern const char kDataErrorLog[kDataErrorLength + 1];

// A heap block holding length bytes of data (zero bytes may follow).
struct StoreBuffer {
  std::unique_ptr<char[]> data;
  size_t length = 0;
};

// Data the store refuses: a first byte of 0 in 15 bytes or more.
bool IsNullData(const void* data, size_t length);

// The container to write for data, in out. out stays empty when the data
// itself is to be written: level 0, compression not allowed, 8192 bytes or
// less, a zlib error or a ratio of 20% or less. Writes the event-log lines.
// False only when memory ran out.
bool PackForStore(const void* data, size_t length, int level, bool compressionAllowed, StoreBuffer* out);

// Whether bytes begin as a container does (0x1F 0x8B).
bool IsContainer(const void* bytes, size_t length);

// The uncompressed length in a container header (the first 16 bytes of a
// file). False when head is not a container header.
bool ContainerStoredLength(const void* head, size_t length, uint32_t* stored);

// Expands a container (a whole file of size bytes) into out, followed by at
// least kLoadSpare zero bytes; a damaged one reads as kDataErrorLog. Writes
// the event-log lines. False only when memory ran out.
bool ExpandContainer(const void* file, size_t size, StoreBuffer* out);

}  // namespace kv
