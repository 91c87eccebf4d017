#include "core/store.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "core/eventlog.h"

namespace kv {

const char kDataErrorLog[] =
    "DATA ERROR<><>DATA ERROR<>DATA ERROR\r\nDATA ERROR\r\nDATA ERROR\r\nDATA ERROR\r\n\r\n\r\n<>";
static_assert(sizeof kDataErrorLog - 1 == kDataErrorLength, "the error log is 80 bytes");

bool IsContainer(const char* data, size_t length) {
  return length >= 2 && static_cast<unsigned char>(data[0]) == 0x1F && static_cast<unsigned char>(data[1]) == 0x8B;
}

bool ContainerStoredLength(const char* h, size_t length, uint32_t* stored) {
  if (length < kContainerHeader || !IsContainer(h, length)) return false;
  const auto* b = reinterpret_cast<const unsigned char*>(h);
  if (!(b[3] & 0x04) || b[10] != 4) return false;
  *stored = b[12] | (b[13] << 8) | (b[14] << 16) | (static_cast<uint32_t>(b[15]) << 24);
  return true;
}

bool IsNullData(const char* data, size_t length) { return length >= 15 && data[0] == 0; }

void PlanStoreBytes(const char* data, size_t length, int level, bool compressionAllowed, StoreBytes* out) {
  out->data = data;
  out->length = length;
  if (level == 0 || !compressionAllowed || length <= kCompressAbove) return;
  char* buffer = new (std::nothrow) char[length + 1024];
  if (!buffer) return;
  memset(buffer, 0, kContainerHeader);
  const unsigned char header[4] = {0x1F, 0x8B, 0x08, 0x04};
  memcpy(buffer, header, 4);
  buffer[10] = 4;
  uint32_t n = static_cast<uint32_t>(length);
  for (int i = 0; i < 4; ++i) buffer[12 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  // The output may not grow past the input: data that does not shrink is
  // stored as it is.
  uLongf compressed = static_cast<uLongf>(length);
  int z = compress2(reinterpret_cast<Bytef*>(buffer + kContainerHeader), &compressed,
                    reinterpret_cast<const Bytef*>(data), static_cast<uLong>(length), level);
  if (z != Z_OK) {
    WriteEventLog('i', "圧縮 err=%d, destlen=%d", z, static_cast<int>(compressed));
    delete[] buffer;
    return;
  }
  int ratio = static_cast<int>(static_cast<uint64_t>(compressed) * 100 / length);
  WriteEventLog('i', "圧縮 %d -> %d bytes %d%%", static_cast<int>(length), static_cast<int>(compressed), ratio);
  // A log that shrinks to a fifth or less is not a thread log (a server's
  // filler or a broken download): keep it readable as it came.
  if (ratio <= 20) {
    WriteEventLog('i', "ﾃﾞｰﾀ不正?");
    delete[] buffer;
    return;
  }
  out->owned = buffer;
  out->data = buffer;
  out->length = compressed + kContainerHeader;
}

int ExpandContainer(const char* file, size_t fileSize, char* out, size_t limit, size_t* expanded) {
  *expanded = 0;
  // A file cut inside its header has no stream to expand.
  if (fileSize < kContainerHeader) return Z_DATA_ERROR;
  uLongf length = static_cast<uLongf>(limit);
  int z = uncompress(reinterpret_cast<Bytef*>(out), &length, reinterpret_cast<const Bytef*>(file + kContainerHeader),
                     static_cast<uLong>(fileSize - kContainerHeader));
  if (z == Z_OK) *expanded = length;
  return z;
}

}  // namespace kv
