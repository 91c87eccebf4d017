// Texts of the bars: what the address bar and the status bar show.
#pragma once
#include <cstddef>

namespace kv {

// At most 250 characters of address; "h2ch://", "hrss://" and "hhtm://"
// show as "http://" (any "h???://" does).
void AddressForDisplay(const char* address, char* out, size_t cap);

// "(%d) %s": running downloads and the status text.
size_t StatusLine(int downloads, const char* text, char* out, size_t cap);

}  // namespace kv
