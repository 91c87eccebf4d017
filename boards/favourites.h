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

// Every link as the favourites editor reads it: any tag beginning "<a"
// (letters in either case), the address of its href (quoted or not), and
// the text after the tag up to the next "<" as the name (line ends kept,
// empty names too). Calls found until it returns false; returns the number
// of links reported.
int32_t ParseFavouriteLinks(const char* data, size_t length,
                            bool (*found)(void* context, const char* name, const char* address), void* context);

// A name made safe for the file and for the editors' command lines: quotes
// as the byte 0xDE, "<" and ">" as "＜" and "＞", control bytes dropped; at
// most limit bytes (and cap - 1), never half a character.
void PrepareFavouriteName(const char* name, char* out, size_t cap, size_t limit);
// An address made safe the same way: a double quote as "%22", a blank as
// "%20", "<" and ">" as "%3C" and "%3E", control bytes dropped; an escape or
// a character that does not fit whole is left out with everything after it.
void PrepareFavouriteAddress(const char* address, char* out, size_t cap);

// The title as Selm32 takes it: the name rule above within 80 bytes.
void FavouriteTitle(const char* title, char* out, size_t cap);
// "\"title\" \"address\"" with the prepared title and address.
void SelmArguments(const char* title, const char* address, char* out, size_t cap);

// Favorite.htm as the favourites editor writes it: the header, one
// "<a href=\"address\">name</a><br><br>\r\n" per favourite, the footer.
inline constexpr char kFavouritesHeader[] =
    "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
    "<title>お気に入り</title>\r\n</head>\r\n<body>\r\n<p>\r\n";
inline constexpr char kFavouritesFooter[] = "</p></body></html>\r\n";
// Appends one favourite's line at out + *n (cap bytes in all, terminated).
// False, with *n unchanged, when it does not fit.
bool AppendFavouriteLink(char* out, size_t cap, size_t* n, const char* name, const char* address);

}  // namespace kv
