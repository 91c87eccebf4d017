// The favourites file Favorite.htm (written by Selm32): its links as
// (name, address) pairs, and the arguments Selm32 gets for a new favourite.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr size_t kFavouriteText = 261;  // 260 bytes and a terminator

// Calls found for every link with a name and an address, in file order,
// until it returns false. Returns the number of links reported.
int32_t ParseFavourites(const char* data, size_t length,
                        bool (*found)(void* context, const char* name, const char* address), void* context);

// The title as Selm32 takes it: at most 80 bytes, quotes as the byte 0xDE,
// "<" and ">" as "＜" and "＞", never half a character.
void FavouriteTitle(const char* title, char* out, size_t cap);
// "\"title\" \"address\"" with the prepared title.
void SelmArguments(const char* title, const char* address, char* out, size_t cap);

}  // namespace kv
