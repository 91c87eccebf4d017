#include "core/address.h"

#include <cstring>

#include "core/text.h"

namespace kv {

// The real services. A service that moves is a one-line change here.
const ServiceHosts kServices = {
    {".5ch.net", ".bbspink.com", ".2ch.sc", ".open2ch.net"},
    {".machi.to", ".machibbs.com"},
    "jbbs.shitaraba",
    "jbbs.livedoor.jp",
    "bbs.jpnkn.com",
    "jbbs.shitaraba.net/bbs/search.cgi/?category=",
    "machi.to",
};

namespace {

constexpr char kHttp[] = "http://";
constexpr char kH2ch[] = "h2ch://";
constexpr char kHrss[] = "hrss://";
constexpr char kHhtm[] = "hhtm://";
constexpr char kIndexPath[] = "/subject.txt";  // counts as a fifth 2ch fragment in the index rules
constexpr size_t kOut = kAddressMax;           // every result fits 259 bytes and a terminator

// Host names ignore letter case, so the fragments do too.
bool At(const char* s, size_t len, size_t pos, const char* piece) {
  size_t n = strlen(piece);
  return pos + n <= len && CompareNoCase(s + pos, piece, n) == 0;
}

bool At2ch(const char* s, size_t len, size_t pos, bool withIndexPath) {
  for (const char* f : kServices.fragments2ch)
    if (At(s, len, pos, f)) return true;
  return withIndexPath && At(s, len, pos, kIndexPath);
}

bool AtRegional(const char* s, size_t len, size_t pos) {
  return At(s, len, pos, kServices.regional[0]) || At(s, len, pos, kServices.regional[1]);
}

bool AtRentalCategory(const char* s, size_t len, size_t pos) {
  return At(s, len, pos, kServices.rentalLongerPrefix) ||
         (pos + 27 <= len && CompareNoCase(s + pos, kServices.categorySearch, 27) == 0);
}

bool IsCategorySearch(const char* address) {
  size_t len = strnlen(address, kOut);
  size_t skip = KnownSchemeLength(address);
  if (!skip) skip = 7;
  return len >= skip + 44 && memcmp(address + skip, kServices.categorySearch, 44) == 0;
}

// Reads a decimal key; anything that does not fit a signed 32-bit number is
// no key at all rather than a wrong one.
int32_t ReadKey(const char* s, const char* end) {
  int64_t v = 0;
  int digits = 0;
  while (s < end && *s >= '0' && *s <= '9') {
    v = v * 10 + (*s++ - '0');
    if (++digits > 10) return 0;
  }
  return v > INT32_MAX ? 0 : static_cast<int32_t>(v);
}

// Address split into host and path components (text after the scheme).
struct Parts {
  const char* rest;  // text after the scheme
  size_t restLength;
  const char* component[17];  // component[0] is the host
  size_t length[17];
  int count;
};

void Split(const char* rest, size_t len, Parts& p) {
  p.rest = rest;
  p.restLength = len;
  p.count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= len && p.count < 17; ++i) {
    if (i == len || rest[i] == '/') {
      p.component[p.count] = rest + start;
      p.length[p.count] = i - start;
      ++p.count;
      start = i + 1;
    }
  }
}

// Rebuilt addresses are formatted into a larger buffer first: one that
// would not fit 259 bytes is refused rather than cut into another address.
bool Fits(const char* text) { return strlen(text) < kOut; }

// "%s" arguments of the rebuilt addresses are components, not terminated
// strings: copy them out first.
void Piece(const Parts& p, int i, char* out, size_t cap) {
  if (i < p.count)
    CopyTextN(out, cap, p.component[i], p.length[i]);
  else if (cap)
    out[0] = 0;
}

}  // namespace

size_t SchemeLength(const char* address, const char* scheme) {
  if (strncmp(address, scheme, 7) == 0) return 7;
  // The secure twin: "s" in front of "://". Matching the first four
  // characters proves that address[4] exists.
  if (strncmp(address, scheme, 4) == 0 && address[4] == 's' && strncmp(address + 5, "://", 3) == 0) return 8;
  return 0;
}

bool HasScheme(const char* address, const char* scheme) { return SchemeLength(address, scheme) != 0; }

size_t KnownSchemeLength(const char* address) {
  static const char* const kSchemes[] = {kHttp, kH2ch, kHrss, kHhtm};
  for (const char* s : kSchemes)
    if (size_t n = SchemeLength(address, s)) return n;
  return 0;
}

bool IsSecureAddress(const char* address) { return KnownSchemeLength(address) == 8; }

ContentKind ClassifyContent(const char* data, size_t length) {
  // The data need not be terminated: every test stays inside length.
  // A scheme or its secure twin (one more character, "s" before "://").
  auto schemeLength = [&](const char* s) -> size_t {
    if (length >= 7 && memcmp(data, s, 7) == 0) return 7;
    if (length >= 8 && memcmp(data, s, 4) == 0 && data[4] == 's' && memcmp(data + 5, "://", 3) == 0) return 8;
    return 0;
  };
  auto scheme = [&](const char* s) { return schemeLength(s) != 0; };
  if (length > 4 && length < 250) {
    if (scheme(kHhtm)) return kContentPage;
    if (scheme(kHrss)) return kContentFeed;
    // The terminator is counted: the text proper is length - 1 bytes (so an
    // address cut by the caller's cap of 249 no longer shows its suffix).
    size_t n = length - 1;
    if (n >= 11) {
      if (CompareNoCase(data + n - 11, "subject.txt", 11) == 0) return kContentIndex;
      if (CompareNoCase(data + n - 11, "bbsmenu.htm", 11) == 0) return kContentMenu;
    }
    static const struct {
      const char* suffix;
      ContentKind kind;
    } kSuffixes[] = {
        {".dat", kContentDat},   {".txt", kContentText},    {".htm", kContentPage},    {"html", kContentPage},
        {".rss", kContentFeed},  {".rdf", kContentFeed},    {".xml", kContentFeed},    {".exe", kContentProgram},
        {".bmp", kContentBitmap}, {".jpg", kContentJpeg},   {".png", kContentPng},
        {".wav", ContentKind(20)}, {".ogg", ContentKind(21)}, {".mp3", ContentKind(22)}, {".mpg", ContentKind(23)},
        {".avi", ContentKind(24)}, {".wmv", ContentKind(25)}, {".wma", ContentKind(26)}, {".asf", ContentKind(27)},
        {".lzh", ContentKind(31)}, {".zip", ContentKind(32)}, {".msi", ContentKind(33)}, {".cab", ContentKind(34)},
    };
    if (n >= 4)
      for (const auto& s : kSuffixes)
        if (CompareNoCase(data + n - 4, s.suffix, 4) == 0) return s.kind;
    // A feed by name: ".podcast" or the word "rss" standing on its own.
    if (size_t from = schemeLength(kHttp); from && n >= 4) {
      for (size_t i = from; i + 4 <= n; ++i) {
        if (i + 7 <= n && CompareNoCase(data + i, ".podcas", 7) == 0) return kContentFeed;
        if (i + 3 <= n && CompareNoCase(data + i, "rss", 3) == 0) {
          unsigned char before = static_cast<unsigned char>(data[i - 1]);
          unsigned char after = i + 3 < n ? static_cast<unsigned char>(data[i + 3]) : 0;
          if (before <= 64 && after <= 64) return kContentFeed;
        }
      }
    }
  }
  if (length > 4) {
    if (CompareNoCase(data, "MZ", 2) == 0) return kContentProgram;
    if (CompareNoCase(data, "BM", 2) == 0) return kContentBitmap;
  }
  if (length >= 10 && CompareNoCase(data + 6, "JFIF", 4) == 0) return kContentJpeg;
  if (length > 4) {
    if (CompareNoCase(data + 1, "PNG", 3) == 0) return kContentPng;
    if (CompareNoCase(data, "Ogg", 3) == 0) return ContentKind(21);
  }
  size_t scan = length < 256 ? length : 256;
  for (size_t i = 0; i < scan; ++i) {
    if (i + 5 <= length && CompareNoCase(data + i, "<html", 5) == 0) return kContentPage;
    if (i + 8 <= length && CompareNoCase(data + i, "<rdf:RDF", 8) == 0) return kContentFeed;
    if (i + 5 <= length && CompareNoCase(data + i, "<?xml", 5) == 0) return kContentFeed;
    if (i + 2 <= length && data[i] == '<' && data[i + 1] == '>') return kContentDat;
  }
  return kContentText;
}

BoardType ClassifyBoard(const char* address) {
  if (HasScheme(address, kHhtm) || HasScheme(address, kHrss)) return BoardPlain;
  size_t len = strnlen(address, kOut);
  BoardType type = HasScheme(address, kH2ch) ? Board2ch : BoardPlain;
  size_t pos = HasScheme(address, kH2ch) ? SchemeLength(address, kH2ch) : SchemeLength(address, kHttp);
  // Only the start of the host is looked at: up to the 20th character of the
  // address (one more behind a secure scheme, so that an https address is
  // judged as its http twin), and no further than its first "/".
  size_t limit = pos == 8 ? 21 : 20;
  for (; pos < limit && pos < len; ++pos) {
    if (At2ch(address, len, pos, false)) type = Board2ch;
    if (AtRegional(address, len, pos)) type = BoardRegional;
    if (At(address, len, pos, kServices.compatiblePrefix))
      type = BoardCompatible;
    else if (AtRentalCategory(address, len, pos))
      type = BoardRentalCategory;
    else if (At(address, len, pos, kServices.rentalPrefix))
      type = BoardRental;
    if (address[pos] == '/') break;
  }
  return type;
}

bool ToDatUrl(char* address) {
  if (HasScheme(address, kHhtm) || HasScheme(address, kHrss)) return false;
  size_t len = strnlen(address, kOut - 1);
  size_t skip = HasScheme(address, kH2ch) ? SchemeLength(address, kH2ch) : SchemeLength(address, kHttp);
  bool secure = skip == 8;
  Parts p;
  Split(address + skip, len - skip, p);
  // Both server families of the rental service read threads through
  // read.cgi with a category and a board number.
  bool rental = At(p.rest, p.restLength, 0, kServices.rentalPrefix) ||
                At(p.rest, p.restLength, 0, kServices.rentalLongerPrefix);
  int32_t key = 0;
  int board = 1;
  if (!rental) {
    for (int i = 1; i < p.count; ++i) {
      if (p.length[i] == 3 && memcmp(p.component[i], "dat", 3) == 0 && i + 1 < p.count) {
        // host/board/dat/KEY.dat: without a board in front there is no log.
        if (i >= 2) key = ReadKey(p.component[i + 1], p.component[i + 1] + p.length[i + 1]);
        board = 1;
        break;
      }
      if (p.length[i] == 8 && memcmp(p.component[i], "read.cgi", 8) == 0 && i + 2 < p.count) {
        board = i + 1;
        key = ReadKey(p.component[i + 2], p.component[i + 2] + p.length[i + 2]);
        break;
      }
    }
  } else if (p.count > 5 && p.length[5] > 0 && p.component[5][0] >= '0' && p.component[5][0] <= '9') {
    // host/bbs/read.cgi/category/number/KEY/...: the key follows the fifth "/".
    key = ReadKey(p.component[5], p.component[5] + p.length[5]);
  }
  if (key == 0) return false;
  if (rental) return true;
  char host[kOut], name[kOut], out[2 * kOut + 32];
  Piece(p, 0, host, sizeof host);
  Piece(p, board, name, sizeof name);
  FormatText(out, sizeof out, "%s://%s/%s/dat/%ld.dat", secure ? "https" : "http", host, name, static_cast<long>(key));
  if (!Fits(out)) return false;
  CopyText(address, kOut, out);
  return true;
}

bool ToReadUrl(char* address) {
  if (HasScheme(address, kHhtm) || HasScheme(address, kHrss)) return false;
  size_t len = strnlen(address, kOut - 1);
  BoardType type = HasScheme(address, kH2ch) ? Board2ch : BoardPlain;
  size_t skip = (len >= 7 && memcmp(address + 4, "://", 3) == 0) ? 7 : 0;
  if (!skip && len >= 8 && address[0] == 'h' && address[4] == 's' && memcmp(address + 5, "://", 3) == 0) skip = 8;
  const char* scheme = skip == 8 ? "https" : "http";
  Parts p;
  Split(address + skip, len - skip, p);
  int32_t key = 0;
  int datAt = 0;  // the component "dat"
  for (int i = 1; i + 1 < p.count; ++i) {
    if (p.length[i] == 3 && memcmp(p.component[i], "dat", 3) == 0) {
      key = ReadKey(p.component[i + 1], p.component[i + 1] + p.length[i + 1]);
      datAt = i;
    }
  }
  // The family is looked for over the whole address; at one position the
  // later test wins.
  for (size_t pos = 0; pos < len; ++pos) {
    if (At2ch(address, len, pos, true)) type = Board2ch;
    if (AtRegional(address, len, pos)) type = BoardRegional;
    if (At(address, len, pos, kServices.rentalPrefix)) type = BoardRental;
    if (AtRentalCategory(address, len, pos)) type = BoardRentalCategory;
    if (At(address, len, pos, kServices.compatiblePrefix)) type = BoardCompatible;
  }
  if (key == 0) return false;
  int before = datAt - 1;  // path components in front of "dat"
  char host[kOut], a[kOut], b[kOut], out[3 * kOut + 64];
  Piece(p, 0, host, sizeof host);
  Piece(p, 1, a, sizeof a);
  Piece(p, 2, b, sizeof b);
  switch (type) {
    case BoardRegional: {
      if (before < 1) return false;
      // The script answers on the region's host of the service's own
      // domain; an explicit port stays with it.
      char port[kOut] = "";
      if (char* colon = strchr(host, ':')) {
        CopyText(port, colon);
        *colon = 0;
      }
      if (char* dot = strchr(host, '.')) *dot = 0;
      FormatText(out, sizeof out, "%s://%s.%s%s/bbs/read.pl?BBS=%s&KEY=%ld&LAST=50", scheme, host,
                 kServices.regionalDomain, port, a, static_cast<long>(key));
      break;
    }
    case BoardRental:
    case BoardRentalCategory:
      // A category and a board number stand in front of "dat".
      if (before < 2) return false;
      FormatText(out, sizeof out, "%s://%s/bbs/read.cgi/%s/%s/%ld/l50", scheme, host, a, b, static_cast<long>(key));
      break;
    default:
      if (before < 1) return false;
      FormatText(out, sizeof out, "%s://%s/test/read.cgi/%s/%ld/l50", scheme, host, a, static_cast<long>(key));
      break;
  }
  if (!Fits(out)) return false;
  CopyText(address, kOut, out);
  return true;
}

bool SubjectUrlOf(const char* board, char* out) {
  CopyText(out, kOut, board);
  if (IsCategorySearch(out)) return true;
  if (HasScheme(out, kHhtm) || HasScheme(out, kHrss)) return false;
  size_t len = strlen(out);
  bool found = false;
  size_t from = KnownSchemeLength(out) == 8 ? 8 : 7;
  for (size_t pos = from; pos < len && pos < from + 33; ++pos) {
    if (At2ch(out, len, pos, true)) {
      found = true;
      break;
    }
    if (out[pos] == '/') break;
  }
  if (!found && !HasScheme(out, kH2ch)) return false;
  char* slash = strrchr(out, '/');
  if (!slash) return false;
  if (static_cast<size_t>(slash + 1 - out) + 11 >= kOut) return false;  // the index would not fit
  slash[1] = 0;
  AppendText(out, kOut, "subject.txt");
  return true;
}

namespace {

// Whether a "." stands after the last separator: the address names a file.
bool NamesFile(const char* t) {
  bool dot = false;
  for (const char* s = t; *s; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (IsSjisLead(c) && s[1]) {
      ++s;
      continue;
    }
    if (c == '\\') dot = false;
    if (c == '.') dot = true;
  }
  return dot;
}

// Length of the folder part of a path: up to and including its last "\".
size_t FolderLengthOf(const char* path) {
  size_t end = 0;
  for (size_t i = 0; path[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && path[i + 1]) {
      ++i;
      continue;
    }
    if (c == '\\') end = i + 1;
  }
  return end;
}

// The category-search rule: the query names a category, whose index is kept
// as subject.txt in a folder named after the query.
void CategoryPath(const char* rest, char* t, size_t cap) {
  size_t n = 0;
  bool cut = false;
  for (const char* s = rest; *s && n + 1 < cap; ++s) {
    char c = *s;
    if (c == '&') {
      cut = true;
      break;
    }
    if (c == '/') c = '\\';
    if (c == '?') c = '_';
    t[n++] = c;
  }
  t[n] = 0;
  if (cut) AppendText(t, cap, NamesFile(t) ? "\\subject.txt" : "\\");
  if (!NamesFile(t)) {
    if (!EndsWithSeparator(t)) AppendText(t, cap, "\\");
    AppendText(t, cap, "subject.txt");
  }
}

}  // namespace

size_t LocalPathFor(const char* address, const char* logFolder, const char* targetFolder, char* out, size_t cap,
                    size_t* folderLength) {
  // A secure address and its plain twin share one folder per host, so a
  // board that moves to https keeps its logs.
  size_t skip = KnownSchemeLength(address);
  bool toTarget = targetFolder && *targetFolder;
  char base[kOut];
  CopyText(base, toTarget ? targetFolder : logFolder);
  if (toTarget && !EndsWithSeparator(base)) AppendText(base, "\\");
  char t[kOut];
  char full[3 * kOut];
  size_t total;
  if (IsCategorySearch(address)) {
    CategoryPath(address + (skip ? skip : 7), t, sizeof t);
    total = FormatText(full, sizeof full, "%s%s", base, t);
  } else {
    // "/" becomes "\", the query is dropped, and a name without an extension
    // is a folder that holds index.htm. ":" cannot stand in a file name, so
    // an explicit port ("host:8080") becomes "host_8080".
    size_t n = 0;
    bool inHost = true, query = false;
    for (const char* s = address + skip; *s && n + 1 < sizeof t;) {
      unsigned char c = static_cast<unsigned char>(*s);
      if (IsSjisLead(c) && s[1]) {
        if (n + 2 >= sizeof t) break;
        t[n++] = *s++;
        t[n++] = *s++;
        continue;
      }
      if (c == '?') {
        query = true;
        break;
      }
      if (c == '/') {
        c = '\\';
        inHost = false;
      }
      if (c == ':' && inHost) c = '_';
      t[n++] = static_cast<char>(c);
      ++s;
    }
    t[n] = 0;
    const char* name = toTarget ? t + FolderLengthOf(t) : t;
    if (NamesFile(t))
      total = FormatText(full, sizeof full, "%s%s", base, name);
    else if (query && *name && !EndsWithSeparator(name))
      total = FormatText(full, sizeof full, "%s%s\\index.htm", base, name);
    else
      total = FormatText(full, sizeof full, "%s%sindex.htm", base, name);
  }
  // A name that does not fit is no name: cut, it would be another file.
  if (total >= kOut || total >= cap) {
    if (cap) out[0] = 0;
    if (folderLength) *folderLength = 0;
    return 0;
  }
  memcpy(out, full, total + 1);
  if (folderLength) *folderLength = FolderLengthOf(out);
  return total;
}

bool LocalPathOf(char* address, const char* logFolder) {
  char out[kOut];
  if (!LocalPathFor(address, logFolder, nullptr, out, sizeof out)) return false;
  CopyText(address, kOut, out);
  return true;
}

ContentKind ClassifyAddress(const char* address) {
  size_t n = strnlen(address, 249);
  return ClassifyContent(address, n + 1);
}

}  // namespace kv
