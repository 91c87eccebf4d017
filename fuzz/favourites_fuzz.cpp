// Favorite.htm is written by another program and may be edited by hand.
#include <cstdint>
#include <cstring>

#include "boards/favourites.h"
#include "core/text.h"

namespace {

bool Check(void*, const char* name, const char* address) {
  size_t n = strlen(name), a = strlen(address);
  if (!n || !a || n >= kv::kFavouriteText || a >= kv::kFavouriteText) __builtin_trap();
  if (kv::SjisCutLength(name, n, n) != n) __builtin_trap();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  kv::ParseFavourites(text, size, Check, nullptr);
  char title[300];
  size_t n = size < sizeof title - 1 ? size : sizeof title - 1;
  memcpy(title, text, n);
  title[n] = 0;
  char out[96];
  kv::FavouriteTitle(title, out, sizeof out);
  size_t m = strlen(out);
  if (m > 80 || kv::SjisCutLength(out, m, m) != m) __builtin_trap();
  char arguments[600];
  kv::SelmArguments(title, "http://h.example/b/dat/1.dat", arguments, sizeof arguments);
  return 0;
}
