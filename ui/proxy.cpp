#include "ui/proxy.h"

#include <cstring>

#include "core/text.h"

namespace kv {

void SplitProxy(const char* proxy, char* address, size_t addressCap, char* port, size_t portCap) {
  if (!proxy) proxy = "";
  const char* colon = strchr(proxy, ':');
  if (!colon) {
    CopyText(address, addressCap, proxy);
    CopyText(port, portCap, "");
    return;
  }
  CopyTextN(address, addressCap, proxy, static_cast<size_t>(colon - proxy));
  CopyText(port, portCap, colon + 1);
}

int32_t SplitProxyList(const char* list, char (*entries)[kProxyEntrySize], int32_t max) {
  int32_t count = 0;
  if (!list) return 0;
  const char* p = list;
  while (*p && count < max) {
    const char* comma = strchr(p, ',');
    size_t n = comma ? static_cast<size_t>(comma - p) : strlen(p);
    if (n > 0) CopyTextN(entries[count++], kProxyEntrySize, p, n);
    if (!comma) break;
    p = comma + 1;
  }
  return count;
}

bool ProxyEntry(const char* address, const char* port, char* out, size_t cap) {
  if (!out || cap == 0) return false;
  out[0] = 0;
  if (strchr(address, ',') || strchr(port, ',')) return false;
  size_t need = strlen(address) + 1 + strlen(port);
  if (need >= cap) return false;
  FormatText(out, cap, "%s:%s", address, port);
  return true;
}

ProxyOk ProxyAddressOf(bool use, const char* address, const char* port, char* out, size_t cap) {
  if (use && !address[0] && !port[0]) return ProxyOk::Stay;
  size_t need = (use ? 0 : 1) + strlen(address) + 1 + strlen(port);
  if (!out || need >= cap) return ProxyOk::TooLong;
  FormatText(out, cap, use ? "%s:%s" : " %s:%s", address, port);
  return ProxyOk::Done;
}

size_t JoinProxyList(const char* const* entries, int32_t count, char* out, size_t cap) {
  if (!out || cap == 0) return 0;
  size_t used = 0;
  out[0] = 0;
  for (int32_t i = 0; i < count && i < kProxyListMax; ++i) {
    size_t n = strlen(entries[i]);
    if (n == 0) continue;
    if (used + n + 1 >= cap) break;
    memcpy(out + used, entries[i], n);
    used += n;
    out[used++] = ',';
    out[used] = 0;
  }
  return used;
}

}  // namespace kv
