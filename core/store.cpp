#include "core/store.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <new>

#include "core/eventlog.h"

namespace kv {

const char kDataErrorLog[kDataErrorLength + 1] =
    "DATA ERROR<><>DATA ERROR<>DATA ERROR\r\nDATA ERROR\r\nDATA ERROR\r\nDATA ERROR\r\n\r\n\r\n<>";
static_assert(sizeof kDataErrorLog == kDataErrorLength + 1, "the error log is 80 bytes");

namespace {

// The header looks like gzip's with a 4-byte extra field, but no gzip
// reader can read the rest: the body is a zlib stream and there is no gzip
// trailer.
void PutHeader(unsigned char* h, uint32_t length) {
  memset(h, 0, kContainerHeaderSize);
  h[0] = 0x1F;
  h[1] = 0x8B;
  h[2] = 0x08;
  h[3] = 0x04;  // extra field follows
  h[10] = 4;    // its length
  h[12] = static_cast<unsigned char>(length);
  h[13] = static_cast<unsigned char>(length >> 8);
  h[14] = static_cast<unsigned char>(length >> 16);
  h[15] = static_cast<unsigned char>(length >> 24);
}

constexpr uint64_t kZlibMax = std::numeric_limits<uLong>::max();  // 32 bits on Windows

}  // namespace

bool IsNullData(const void* data, size_t length) {
  return length >= 15 && static_cast<const unsigned char*>(data)[0] == 0;
}

bool PackForStore(const void* data, size_t length, int level, bool compressionAllowed, StoreBuffer* out) {
  out->data.reset();
  out->length = 0;
  // Small files and the frequent small rewrites cost no zlib work. The
  // header holds a 32-bit length, so anything larger is kept plain too.
  if (level == 0 || !compressionAllowed || length <= kCompressAbove) return true;
  if (length > kZlibMax - 2048 || length > 0xFFFFFFFFu - 2048) return true;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[length + 1024]);
  if (!buffer) return false;
  PutHeader(reinterpret_cast<unsigned char*>(buffer.get()), static_cast<uint32_t>(length));
  // The output may be no longer than the input: data that would not shrink
  // is kept plain.
  uLongf packed = static_cast<uLongf>(length);
  int err = compress2(reinterpret_cast<Bytef*>(buffer.get() + kContainerHeaderSize), &packed,
                      static_cast<const Bytef*>(data), static_cast<uLong>(length), level);
  if (err != Z_OK) {
    WriteEventLog('i', "圧縮 err=%d, destlen=%d", err, static_cast<int>(packed));
    return true;
  }
  int ratio = static_cast<int>(static_cast<uint64_t>(packed) * 100 / length);
  WriteEventLog('i', "圧縮 %d -> %d bytes %d%%", static_cast<int>(length), static_cast<int>(packed), ratio);
  // A log that shrinks to a fifth or less is suspect (a server error page
  // repeated, a run of one byte), and the reader's fixed room of five times
  // the file size could not hold it again: keep it as it is.
  if (ratio <= 20) {
    WriteEventLog('i', "ﾃﾞｰﾀ不正?");
    return true;
  }
  out->data = std::move(buffer);
  out->length = kContainerHeaderSize + packed;
  return true;
}

bool IsContainer(const void* bytes, size_t length) {
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  return length >= 2 && b[0] == 0x1F && b[1] == 0x8B;
}

bool ContainerStoredLength(const void* head, size_t length, uint32_t* stored) {
  const unsigned char* h = static_cast<const unsigned char*>(head);
  if (length < kContainerHeaderSize || !IsContainer(h, length) || !(h[3] & 0x04) || h[10] != 4) return false;
  *stored = static_cast<uint32_t>(h[12]) | static_cast<uint32_t>(h[13]) << 8 | static_cast<uint32_t>(h[14]) << 16 |
            static_cast<uint32_t>(h[15]) << 24;
  return true;
}

bool ExpandContainer(const void* file, size_t size, StoreBuffer* out) {
  out->data.reset();
  out->length = 0;
  // The room is five times the file size, whatever the header says: the
  // stored length only serves the cache check. The writer never keeps a
  // container smaller than a fifth of its data, so all of its own fit.
  uint64_t limit = static_cast<uint64_t>(size) * 5 + 1024;
  if (limit > kZlibMax - kLoadSpare) return false;
  size_t room = static_cast<size_t>(limit) + kLoadSpare;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[room]);
  if (!buffer) return false;
  const Bytef* body = static_cast<const Bytef*>(file) + kContainerHeaderSize;
  uLong bodyLength = size > kContainerHeaderSize ? static_cast<uLong>(size - kContainerHeaderSize) : 0;
  if (size <= kContainerHeaderSize) body = static_cast<const Bytef*>(file);
  uLongf expanded = static_cast<uLongf>(limit);
  int err = uncompress(reinterpret_cast<Bytef*>(buffer.get()), &expanded, body, bodyLength);
  if (err == Z_OK) {
    int ratio = size ? static_cast<int>(static_cast<uint64_t>(expanded) * 100 / size) : 0;
    WriteEventLog('i', "解凍 %d -> %d bytes %d%%", static_cast<int>(size), static_cast<int>(expanded), ratio);
    memset(buffer.get() + expanded, 0, room - expanded);
    out->length = expanded;
  } else {
    // The reader then shows one error post instead of failing.
    WriteEventLog('i', "解凍 err=%d, destlen=%d", err, static_cast<int>(expanded));
    memset(buffer.get(), 0, room);
    memcpy(buffer.get(), kDataErrorLog, kDataErrorLength);
    out->length = kDataErrorLength;
  }
  out->data = std::move(buffer);
  return true;
}

}  // namespace kv
