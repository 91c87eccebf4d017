// Addresses: their schemes, what they name, which board family serves them,
// their log and reading forms, and where each is kept under the log folder.
// Every function that rewrites an address does so in the caller's buffer of
// kAddressCap bytes and never writes past it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr size_t kAddressCap = 260;  // 259 bytes of text and the terminator

// Host fragments, prefixes and addresses of the services the program knows.
struct ServiceTable {
  const char* twoChHosts[4];     // fragments: main service, adult sister, two compatible services
  const char* indexPath;         // counts as a fifth 2ch fragment where the rules say so
  const char* regionalHosts[2];  // fragments of the regional service
  const char* regionalDomain;    // domain of its reading script
  const char* rentalHost;        // host prefix of the rental service
  const char* rentalSecondHost;  // longer host prefix of its second server family
  const char* categorySearch;    // 44 characters, without scheme, ending in "?category="
  const char* compatibleHost;    // host prefix of one further compatible service
};
extern const ServiceTable kServices;

enum ContentKind : int32_t {
  ContentText = 0,
  ContentLog = 1,
  ContentPage = 2,
  ContentFeed = 3,
  ContentIndex = 4,
  ContentMenu = 5,
  ContentProgram = 9,
  ContentBitmap = 10,
  ContentJpeg = 11,
  ContentPng = 12,
  ContentWav = 20,
  ContentOgg = 21,
  ContentMp3 = 22,
  ContentMpg = 23,
  ContentAvi = 24,
  ContentWmv = 25,
  ContentWma = 26,
  ContentAsf = 27,
  ContentLzh = 31,
  ContentZip = 32,
  ContentMsi = 33,
  ContentCab = 34,
};

enum BoardType : int32_t {
  BoardPlain = 0,
  Board2ch = 1,
  BoardRegional = 2,
  BoardRental = 3,
  BoardRentalCategory = 4,
  BoardCompatible = 5,
};

// What text (length bytes) holds. For an address pass its length plus one
// for the terminator; ClassifyAddress does that.
ContentKind ClassifyContent(const char* text, size_t length);
// ClassifyContent of an address: min(length, 249) + 1.
ContentKind ClassifyAddress(const char* address);

BoardType ClassifyBoard(const char* address);

// Whether the text after the first 7 characters begins with the rental
// service's category-search address.
bool IsCategorySearch(const char* address);

// In place: a reading or log address becomes the log address
// ("http://host/board/dat/key.dat"; rental-service addresses stay as they
// are). False, buffer unchanged, when no thread key is found.
bool ToDatUrl(char* address);

// In place: a log address becomes the reading address a web browser shows.
// False, buffer unchanged, when no thread key is found.
bool ToReadUrl(char* address);

// The thread index of a 2ch-family board into out (kAddressCap bytes). On
// failure out holds the address unchanged.
bool SubjectUrlOf(const char* board, char* out);

// In place: the local file name of an address, logFolder followed by the
// address without scheme, "/" as "\". Creates nothing. False when the name
// does not fit (the buffer then holds a cut, unusable name).
bool LocalPathOf(char* address, const char* logFolder);

// In place: the address's last component (same rules) placed in folder.
bool LocalPathInFolder(char* address, const char* folder);

}  // namespace kv
