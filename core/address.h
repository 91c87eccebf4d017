// Addresses: schemes, what an address names, board families, the raw-log
// and reading forms of a thread address, and where an address is kept in
// the local store. Every function writes at most 259 bytes and a terminator
// into the caller's 260-byte buffer, whatever the input.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr size_t kAddressMax = 260;  // buffer size of an address or path

enum ContentKind : int {
  kContentText = 0,
  kContentDat = 1,
  kContentPage = 2,
  kContentFeed = 3,
  kContentIndex = 4,
  kContentMenu = 5,
  kContentProgram = 9,
  kContentBitmap = 10,
  kContentJpeg = 11,
  kContentPng = 12,
  kContentMedia = 20,    // 20-27: .wav .ogg .mp3 .mpg .avi .wmv .wma .asf
  kContentArchive = 31,  // 31-34: .lzh .zip .msi .cab
};

enum BoardType : int {
  BoardPlain = 0,
  Board2ch = 1,
  BoardRegional = 2,
  BoardRental = 3,
  BoardRentalCategory = 4,
  BoardCompatible = 5,
};

// The services the program knows by host name, in one place.
struct ServiceHosts {
  const char* fragments2ch[4];  // main service, adult sister, two compatible services
  const char* regional[2];
  const char* rentalPrefix;
  const char* rentalLongerPrefix;  // the rental service's second server family
  const char* compatiblePrefix;
  const char* categorySearch;  // 44 characters, ends in "?category="
  const char* regionalDomain;
};
extern const ServiceHosts kServices;

// Schemes (7 characters, compared case-sensitively). Each has a secure
// twin of 8 characters with "s" before "://": "https://", "h2chs://",
// "hrsss://", "hhtms://". A twin is fetched over TLS and otherwise means
// what its plain scheme means, so replacing the first four characters
// ("http" <-> "h2ch", as the board menu and the address bar do) maps an
// https address to its pseudo-scheme and back.
// SchemeLength: 7 for scheme, 8 for its secure twin, 0 for neither.
size_t SchemeLength(const char* address, const char* scheme);
// True for scheme and for its secure twin.
bool HasScheme(const char* address, const char* scheme);
// 7 or 8 for any of the four schemes or their twins, else 0.
size_t KnownSchemeLength(const char* address);
// The address is fetched over TLS.
bool IsSecureAddress(const char* address);

// For a buffer of length bytes (it need not be terminated).
ContentKind ClassifyContent(const char* data, size_t length);
// For an address: its text cut at 249 bytes, the terminator counted, so an
// address longer than 248 characters is judged by its content alone.
ContentKind ClassifyAddress(const char* address);
BoardType ClassifyBoard(const char* address);

// In place, in a buffer of at least 260 bytes.
bool ToDatUrl(char* address);
bool ToReadUrl(char* address);
// out receives a copy of board first, so on failure it holds it unchanged.
bool SubjectUrlOf(const char* board, char* out);

// The local file name of an address under logFolder. targetFolder, when not
// empty, takes only the address's last component (file downloads).
// folderLength receives the length of the folder part of the result (the
// folders a writer must create). Returns the length of the result, or 0
// (out empty) when it does not fit 259 bytes.
size_t LocalPathFor(const char* address, const char* logFolder, const char* targetFolder, char* out, size_t cap,
                    size_t* folderLength = nullptr);
// LocalPathFor in place in the caller's 260-byte buffer; false (buffer
// unchanged) when the name does not fit.
bool LocalPathOf(char* address, const char* logFolder);

}  // namespace kv
