// The proxy dialog's rules without the dialog: reading Proxyadr and
// Proxylst into its fields and list, and writing them back, every write
// bounded by the setting it goes to.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr size_t kProxyFieldMax = 79;    // address and port fields, each
inline constexpr int32_t kProxyListMax = 10;    // entries kept in Proxylst
inline constexpr size_t kProxyEntrySize = 260;  // one entry as the list holds it

// Proxyadr (without a leading blank) split at its first ":"; an entry
// without ":" is all address and no port.
void SplitProxy(const char* proxy, char* address, size_t addressCap, char* port, size_t portCap);

// "ﾌﾟﾛｷｼを使用する" is ticked when Proxyadr is not empty and does not begin
// with a blank (a leading blank keeps the values but switches them off).
inline bool ProxyInUse(const char* proxyadr) { return proxyadr && proxyadr[0] && proxyadr[0] != ' '; }

// Proxylst split at ",": at most kProxyListMax non-empty entries into
// entries. Returns their number.
int32_t SplitProxyList(const char* list, char (*entries)[kProxyEntrySize], int32_t max);

// "%s:%s" of address and port into out; false when it does not fit cap or
// either part holds a "," (which would split the entry in Proxylst).
bool ProxyEntry(const char* address, const char* port, char* out, size_t cap);

enum class ProxyOk {
  Stay,     // ticked with both fields empty: nothing happens
  TooLong,  // the proxy does not fit Proxyadr: refused, nothing changes
  Done,     // out holds the new Proxyadr
};
// "OK": the new Proxyadr ("%s:%s", or " %s:%s" when unticked) in out (cap
// bytes, the size of the setting).
ProxyOk ProxyAddressOf(bool use, const char* address, const char* port, char* out, size_t cap);

// The first kProxyListMax entries, each followed by ",", as long as whole
// entries fit out (cap bytes); an entry that does not fit ends the list.
// Returns the length written.
size_t JoinProxyList(const char* const* entries, int32_t count, char* out, size_t cap);

}  // namespace kv
