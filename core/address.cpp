#include "core/address.h"

#include <cstring>

#include "core/text.h"

namespace kv {

namespace {

// Every service the program recognises, one line each: when a service moves
// to a new host, its line here is the only edit. Fragments are compared with
// ASCII letters folded, at any position the rules test (see ClassifyBoard).
constexpr ServiceTable kServiceTable = {
    // 5ch (the main service), its adult sister bbspink, the compatible 2ch.sc,
    // and 2ch.net, the main service's old name that board files still hold.
    {".5ch.net", ".bbspink.com", ".2ch.sc", ".2ch.net"},
    "/subject.txt",
    // Machi BBS: board hosts are region.machi.to (formerly region.machibbs.com);
    // its read.pl script answers on region.machi.to.
    {".machi.to", ".machibbs.com"},
    "machi.to",
    // Shitaraba: the old livedoor host and the current one. Both serve
    // host/category/number/ boards in EUC-JP through read.cgi.
    "jbbs.livedoor.jp",
    "jbbs.shitaraba.net",
    "jbbs.shitaraba.net/bbs/catlist.cgi?category=",
    // jpnkn: a 2ch-compatible service on one host.
    "bbs.jpnkn.com",
};

constexpr size_t Length(const char* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}
static_assert(Length(kServiceTable.categorySearch) == 44, "the category-search address is 44 characters");
static_assert(Length(kServiceTable.rentalSecondHost) > Length(kServiceTable.rentalHost),
              "the second rental family has the longer prefix");

// ClassifyBoard sees only the first 20 characters of an address, so it
// compares this much of the category-search address.
constexpr size_t kCategoryBoardPrefix = 27;

const char kIndexFile[] = "subject.txt";
const char kFolderFile[] = "index.htm";

// The text of an address: at most 259 bytes, even when the caller's buffer
// holds no terminator (it is then read as cut at a character boundary).
size_t AddressLength(const char* a) {
  size_t n = strnlen(a, kAddressCap);
  return n < kAddressCap ? n : SjisCutLength(a, n, kAddressCap - 1);
}

// Length of the character at t[i] (of n bytes): 2 for a lead byte that has
// its trail byte, else 1.
size_t CharLength(const char* t, size_t n, size_t i) {
  return IsSjisLead(static_cast<unsigned char>(t[i])) && i + 1 < n ? 2 : 1;
}

// lit (k bytes) at s[pos..n), byte for byte.
bool ExactAt(const char* s, size_t n, size_t pos, const char* lit, size_t k) {
  return pos <= n && n - pos >= k && memcmp(s + pos, lit, k) == 0;
}
bool ExactAt(const char* s, size_t n, size_t pos, const char* lit) { return ExactAt(s, n, pos, lit, strlen(lit)); }

// lit (k bytes) at s[pos..n), ASCII letters folded.
bool FoldAt(const char* s, size_t n, size_t pos, const char* lit, size_t k) {
  return pos <= n && n - pos >= k && CompareNoCase(s + pos, lit, k) == 0;
}
bool FoldAt(const char* s, size_t n, size_t pos, const char* lit) { return FoldAt(s, n, pos, lit, strlen(lit)); }

enum class Scheme { Other, Http, H2ch, Hrss, Hhtm };

// Schemes are exactly 7 characters, compared with their letter case.
Scheme SchemeOf(const char* a, size_t n) {
  if (ExactAt(a, n, 0, "http://")) return Scheme::Http;
  if (ExactAt(a, n, 0, "h2ch://")) return Scheme::H2ch;
  if (ExactAt(a, n, 0, "hrss://")) return Scheme::Hrss;
  if (ExactAt(a, n, 0, "hhtm://")) return Scheme::Hhtm;
  return Scheme::Other;
}

// Calls test(i) at every character start i in [from, to) of s[0..n): the
// trail byte of a two-byte character is never a start, so a letter inside
// a kanji is never taken for the start of a host name. Stops when test
// returns false.
template <class Test>
void ForEachCharStart(const char* s, size_t n, size_t from, size_t to, Test test) {
  for (size_t i = 0; i < n && i < to;) {
    size_t step = IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < n ? 2 : 1;
    if (i >= from && !test(i)) return;
    i += step;
  }
}

bool TwoChAt(const char* s, size_t n, size_t i, bool withIndexPath) {
  for (const char* f : kServiceTable.twoChHosts)
    if (FoldAt(s, n, i, f)) return true;
  return withIndexPath && FoldAt(s, n, i, kServiceTable.indexPath);
}
bool RegionalAt(const char* s, size_t n, size_t i) {
  for (const char* f : kServiceTable.regionalHosts)
    if (FoldAt(s, n, i, f)) return true;
  return false;
}
bool RentalAt(const char* s, size_t n, size_t i) { return FoldAt(s, n, i, kServiceTable.rentalHost); }
bool RentalSecondAt(const char* s, size_t n, size_t i) { return FoldAt(s, n, i, kServiceTable.rentalSecondHost); }
bool CompatibleAt(const char* s, size_t n, size_t i) { return FoldAt(s, n, i, kServiceTable.compatibleHost); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The thread key at s: the decimal digits up to the first other character.
// Keys are signed 32-bit numbers; digits that do not fit name no thread we
// could store, so they read as no key (0) rather than as some other thread.
int32_t ParseKey(const char* s, size_t n) {
  int64_t v = 0;
  for (size_t i = 0; i < n && IsDigit(s[i]); ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > INT32_MAX) return 0;
  }
  return static_cast<int32_t>(v);
}

size_t FindChar(const char* s, size_t n, size_t from, char c) {
  for (size_t i = from; i < n; ++i)
    if (s[i] == c) return i;
  return n;
}

struct Span {
  const char* p = "";
  size_t n = 0;
};

// The component of s[0..n) that starts at from and runs to the next "/".
Span ComponentAt(const char* s, size_t n, size_t from) {
  if (from >= n) return {};
  return {s + from, FindChar(s, n, from, '/') - from};
}

// Collects text into a fixed buffer; what does not fit is cut at a character
// boundary and the result is marked as cut.
class Builder {
 public:
  Builder(char* out, size_t cap) : out_(out), cap_(cap) { out_[0] = 0; }
  void Put(const char* s, size_t n) {
    if (cut_) return;
    if (n > cap_ - 1 - len_) {
      n = SjisCutLength(s, n, cap_ - 1 - len_);
      cut_ = true;
    }
    memcpy(out_ + len_, s, n);
    len_ += n;
    out_[len_] = 0;
  }
  void Put(const char* s) { Put(s, strlen(s)); }
  void Put(Span s) { Put(s.p, s.n); }
  void Put(char c) { Put(&c, 1); }
  void PutNumber(int32_t v) {
    char digits[16];
    Put(digits, FormatText(digits, sizeof digits, "%ld", static_cast<long>(v)));
  }
  size_t length() const { return len_; }
  bool ok() const { return !cut_; }
  // Copies the text (cut or not) to dest, which has room for cap bytes.
  bool CopyTo(char* dest) const {
    memcpy(dest, out_, len_ + 1);
    return ok();
  }

 private:
  char* out_;
  size_t cap_;
  size_t len_ = 0;
  bool cut_ = false;
};

// Maps address text (scheme already dropped) into the local store: "/"
// becomes "\", a query is dropped, and a name without extension gets the
// folder file. inHost says the text starts with the host, whose ":port" is
// written "_port" because ":" cannot stand in a Windows file name.
// Two-byte characters are copied whole, so a cut never splits one.
void MapToStore(const char* t, size_t n, bool inHost, Builder& b) {
  // Positions in the mapped text, which keeps the positions of the address;
  // -1 is before its start.
  long lastSep = -1, lastDot = -1;
  for (size_t i = 0; i < n;) {
    size_t len = CharLength(t, n, i);
    char c = t[i];
    if (len == 2) {
      b.Put(t + i, 2);
      i += 2;
      continue;
    }
    if (c == '?') {
      // A script address: its last component becomes a folder of its own.
      if (lastDot <= lastSep) {
        b.Put('\\');
        b.Put(kFolderFile);
      }
      return;
    }
    if (c == '/') {
      c = '\\';
      lastSep = static_cast<long>(i);
      inHost = false;
    } else if (c == '.') {
      lastDot = static_cast<long>(i);
    } else if (c == ':' && inHost) {
      c = '_';
    }
    b.Put(c);
    ++i;
  }
  // A folder address ("/" at the end) gets the folder file inside it; a bare
  // name gets it joined to the name.
  if (lastDot <= lastSep) b.Put(kFolderFile);
}

// The category-search address of the rental service lists the boards of one
// category; its local copy is a thread index named after the query.
void MapCategorySearch(const char* t, size_t n, Builder& b) {
  long lastSep = -1, lastDot = -1;
  bool endsWithSep = false;
  size_t i = 0;
  while (i < n) {
    size_t len = CharLength(t, n, i);
    char c = t[i];
    if (len == 2) {
      b.Put(t + i, 2);
      endsWithSep = false;
      i += 2;
      continue;
    }
    if (c == '&') {
      // Further parameters (a page number) are not part of the name. Either
      // way the name ends in "\subject.txt": with no extension the "\" goes
      // here and the end rule below adds the file name.
      bool extension = lastDot > lastSep;
      b.Put('\\');
      lastSep = static_cast<long>(i);
      endsWithSep = true;
      if (extension) {
        b.Put(kIndexFile);
        lastDot = lastSep + 8;  // the "." of "subject.txt"
        endsWithSep = false;
      }
      break;
    }
    endsWithSep = false;
    if (c == '/') {
      c = '\\';
      lastSep = static_cast<long>(i);
      endsWithSep = true;
    } else if (c == '?') {
      c = '_';
    } else if (c == '.') {
      lastDot = static_cast<long>(i);
    }
    b.Put(c);
    ++i;
  }
  if (lastDot <= lastSep) {
    if (!endsWithSep) b.Put('\\');
    b.Put(kIndexFile);
  }
}

// Length of the scheme that the local store drops (any of the four).
size_t StoreSchemeLength(const char* a, size_t n) { return SchemeOf(a, n) == Scheme::Other ? 0 : 7; }

}  // namespace

const ServiceTable kServices = kServiceTable;

ContentKind ClassifyContent(const char* text, size_t length) {
  if (!text) return ContentText;
  // Address tests. The counted length includes the address's terminator.
  if (length > 4 && length < 250) {
    size_t n = length - 1;
    if (FoldAt(text, n, 0, "hhtm://")) return ContentPage;
    if (FoldAt(text, n, 0, "hrss://")) return ContentFeed;
    if (n >= 11) {
      if (FoldAt(text, n, n - 11, "subject.txt")) return ContentIndex;
      if (FoldAt(text, n, n - 11, "bbsmenu.htm")) return ContentMenu;
    }
    static const struct {
      char suffix[5];
      ContentKind kind;
    } kSuffixes[] = {
        {".dat", ContentLog},  {".txt", ContentText},    {".htm", ContentPage},   {"html", ContentPage},
        {".rss", ContentFeed}, {".rdf", ContentFeed},    {".xml", ContentFeed},   {".exe", ContentProgram},
        {".bmp", ContentBitmap}, {".jpg", ContentJpeg},  {".png", ContentPng},    {".wav", ContentWav},
        {".ogg", ContentOgg},  {".mp3", ContentMp3},     {".mpg", ContentMpg},    {".avi", ContentAvi},
        {".wmv", ContentWmv},  {".wma", ContentWma},     {".asf", ContentAsf},    {".lzh", ContentLzh},
        {".zip", ContentZip},  {".msi", ContentMsi},     {".cab", ContentCab},
    };
    if (n >= 4)
      for (const auto& s : kSuffixes)
        if (FoldAt(text, n, n - 4, s.suffix, 4)) return s.kind;
    // Feeds without a feed extension: ".podcast" anywhere, or "rss" as a word
    // of its own (no letter on either side), from the 8th character to the
    // fourth-last.
    if (FoldAt(text, n, 0, "http://") && n >= 11) {
      bool feed = false;
      ForEachCharStart(text, n, 7, n - 3, [&](size_t i) {
        if (FoldAt(text, n, i, ".podcas") ||
            (FoldAt(text, n, i, "rss") && static_cast<unsigned char>(text[i - 1]) <= 64 &&
             static_cast<unsigned char>(text[i + 3]) <= 64))
          feed = true;
        return !feed;
      });
      if (feed) return ContentFeed;
    }
  }
  // Content tests. The four letters at offset 6 need ten bytes.
  if (length > 4 && FoldAt(text, length, 0, "MZ")) return ContentProgram;
  if (length > 4 && FoldAt(text, length, 0, "BM")) return ContentBitmap;
  if (length > 6 && FoldAt(text, length, 6, "JFIF")) return ContentJpeg;
  if (length > 4 && FoldAt(text, length, 1, "PNG")) return ContentPng;
  if (length > 4 && FoldAt(text, length, 0, "Ogg")) return ContentOgg;
  // Markers in the first 256 bytes. Each starts with "<", which is never the
  // trail byte of a two-byte character, so the scan goes byte by byte: that
  // way a stray lead byte in foreign data cannot hide a marker.
  size_t scan = length < 256 ? length : 256;
  for (size_t i = 0; i < scan; ++i) {
    if (text[i] != '<') continue;
    if (FoldAt(text, length, i, "<html")) return ContentPage;
    if (FoldAt(text, length, i, "<rdf:RDF") || FoldAt(text, length, i, "<?xml")) return ContentFeed;
    if (FoldAt(text, length, i, "<>")) return ContentLog;
  }
  return ContentText;
}

ContentKind ClassifyAddress(const char* address) {
  size_t n = strnlen(address, 249);
  return ClassifyContent(address, n + 1);
}

BoardType ClassifyBoard(const char* address) {
  size_t n = AddressLength(address);
  Scheme scheme = SchemeOf(address, n);
  if (scheme == Scheme::Hhtm || scheme == Scheme::Hrss) return BoardPlain;
  BoardType type = scheme == Scheme::H2ch ? Board2ch : BoardPlain;
  size_t from = scheme == Scheme::H2ch || scheme == Scheme::Http ? 7 : 0;
  // Only the start of the host is looked at: up to the 20th character of the
  // address and no further than its first "/". At one position the later
  // test wins, and a later position overrides an earlier one.
  ForEachCharStart(address, n, from, 20, [&](size_t i) {
    if (TwoChAt(address, n, i, false)) type = Board2ch;
    if (RegionalAt(address, n, i)) type = BoardRegional;
    if (CompatibleAt(address, n, i))
      type = BoardCompatible;
    else if (RentalSecondAt(address, n, i) || FoldAt(address, n, i, kServiceTable.categorySearch, kCategoryBoardPrefix))
      type = BoardRentalCategory;
    else if (RentalAt(address, n, i))
      type = BoardRental;
    return address[i] != '/';
  });
  return type;
}

bool IsCategorySearch(const char* address) {
  return FoldAt(address, AddressLength(address), 7, kServiceTable.categorySearch);
}

bool ToDatUrl(char* address) {
  size_t n = AddressLength(address);
  Scheme scheme = SchemeOf(address, n);
  if (scheme == Scheme::Hhtm || scheme == Scheme::Hrss) return false;
  size_t skip = scheme == Scheme::Http || scheme == Scheme::H2ch ? 7 : 0;
  const char* t = address + skip;
  size_t tn = n - skip;
  size_t hostEnd = FindChar(t, tn, 0, '/');
  Span host{t, hostEnd};
  Span board = ComponentAt(t, tn, hostEnd + 1);
  // The rental service's boards have two levels (category/number/), and its
  // reading addresses are /bbs/read.cgi/category/number/key/: the key is the
  // component after the fifth "/". Both of its host families are laid out so.
  bool rental = FoldAt(t, tn, 0, kServiceTable.rentalHost) || FoldAt(t, tn, 0, kServiceTable.rentalSecondHost);
  int32_t key = 0;
  if (rental) {
    int slashes = 0;
    for (size_t p = 0; p < tn; ++p) {
      if (t[p] != '/' || ++slashes < 5) continue;
      if (p + 1 < tn && IsDigit(t[p + 1])) key = ParseKey(t + p + 1, tn - p - 1);
      break;
    }
  } else {
    for (size_t p = hostEnd; p < tn; ++p) {
      if (t[p] != '/') continue;
      if (ExactAt(t, tn, p, "/dat/")) {
        key = ParseKey(t + p + 5, tn - p - 5);
        break;
      }
      if (ExactAt(t, tn, p, "/read.cgi/")) {
        board = ComponentAt(t, tn, p + 10);
        size_t next = p + 10 + board.n + 1;
        if (next < tn) key = ParseKey(t + next, tn - next);
        break;
      }
    }
  }
  if (key == 0) return false;
  if (rental) {
    address[n] = 0;  // a buffer without terminator is read as cut
    return true;
  }
  char out[kAddressCap];
  Builder b(out, sizeof out);
  b.Put("http://");
  b.Put(host);
  b.Put('/');
  b.Put(board);
  b.Put("/dat/");
  b.PutNumber(key);
  b.Put(".dat");
  return b.ok() && b.CopyTo(address);
}

bool ToReadUrl(char* address) {
  size_t n = AddressLength(address);
  Scheme scheme = SchemeOf(address, n);
  if (scheme == Scheme::Hhtm || scheme == Scheme::Hrss) return false;
  size_t skip = ExactAt(address, n, 4, "://") ? 7 : 0;
  // Components after the scheme: 0 is the host.
  Span parts[16];
  size_t count = 0;
  for (size_t start = skip, p = skip; p <= n && count < 16; ++p) {
    if (p == n || address[p] == '/') {
      parts[count++] = {address + start, p - start};
      start = p + 1;
    }
  }
  size_t dat = 0;
  int32_t key = 0;
  for (size_t i = 1; i + 1 < count; ++i) {
    if (parts[i].n == 3 && memcmp(parts[i].p, "dat", 3) == 0) {
      dat = i;
      key = ParseKey(parts[i + 1].p, parts[i + 1].n);
      break;
    }
  }
  // The family, over the whole address; the 2ch test includes the index path.
  BoardType type = scheme == Scheme::H2ch ? Board2ch : BoardPlain;
  ForEachCharStart(address, n, 0, n, [&](size_t i) {
    if (TwoChAt(address, n, i, true)) type = Board2ch;
    if (RegionalAt(address, n, i)) type = BoardRegional;
    if (RentalAt(address, n, i)) type = BoardRental;
    if (RentalSecondAt(address, n, i)) type = BoardRentalCategory;
    if (CompatibleAt(address, n, i)) type = BoardCompatible;
    return true;
  });
  if (key == 0) return false;
  size_t folders = dat - 1;  // components between the host and "dat"
  char out[kAddressCap];
  Builder b(out, sizeof out);
  switch (type) {
    case BoardRegional: {
      // The regional service reads through read.pl on its own domain, with
      // the region (the host's first label) kept.
      if (folders < 1) return false;
      Span host = parts[0];
      size_t label = 0;
      while (label < host.n && host.p[label] != '.' && host.p[label] != ':') ++label;
      size_t port = FindChar(host.p, host.n, 0, ':');
      b.Put("http://");
      b.Put(host.p, label);
      b.Put('.');
      b.Put(kServiceTable.regionalDomain);
      b.Put(host.p + port, host.n - port);
      b.Put("/bbs/read.pl?BBS=");
      b.Put(parts[1]);
      b.Put("&KEY=");
      b.PutNumber(key);
      b.Put("&LAST=50");
      break;
    }
    case BoardRental:
    case BoardRentalCategory:
      if (folders < 2) return false;
      b.Put("http://");
      b.Put(parts[0]);
      b.Put("/bbs/read.cgi/");
      b.Put(parts[1]);
      b.Put('/');
      b.Put(parts[2]);
      b.Put('/');
      b.PutNumber(key);
      b.Put("/l50");
      break;
    default:
      if (folders < 1) return false;
      b.Put("http://");
      b.Put(parts[0]);
      b.Put("/test/read.cgi/");
      b.Put(parts[1]);
      b.Put('/');
      b.PutNumber(key);
      b.Put("/l50");
      break;
  }
  return b.ok() && b.CopyTo(address);
}

bool SubjectUrlOf(const char* board, char* out) {
  size_t n = CopyText(out, kAddressCap, board);
  if (IsCategorySearch(out)) return true;  // its own index
  Scheme scheme = SchemeOf(out, n);
  if (scheme == Scheme::Hhtm || scheme == Scheme::Hrss) return false;
  bool twoCh = false;
  ForEachCharStart(out, n, 7, 40, [&](size_t i) {
    twoCh = TwoChAt(out, n, i, true);
    return !twoCh && out[i] != '/';
  });
  if (!twoCh && scheme != Scheme::H2ch) return false;
  size_t cut = n;
  while (cut > 0 && out[cut - 1] != '/') --cut;
  if (cut == 0) return false;
  if (cut + sizeof kIndexFile > kAddressCap) return false;
  memcpy(out + cut, kIndexFile, sizeof kIndexFile);
  return true;
}

bool LocalPathOf(char* address, const char* logFolder) {
  size_t n = AddressLength(address);
  char out[kAddressCap];
  Builder b(out, sizeof out);
  b.Put(logFolder);
  if (IsCategorySearch(address)) {
    MapCategorySearch(address + 7, n - 7, b);
  } else {
    size_t skip = StoreSchemeLength(address, n);
    MapToStore(address + skip, n - skip, true, b);
  }
  return b.CopyTo(address);
}

bool LocalPathInFolder(char* address, const char* folder) {
  size_t n = AddressLength(address);
  size_t skip = StoreSchemeLength(address, n);
  const char* t = address + skip;
  size_t tn = n - skip;
  // The last component before any query (a query may hold "/" of its own).
  size_t query = FindChar(t, tn, 0, '?');
  size_t start = 0;
  for (size_t i = 0; i < query; ++i)
    if (t[i] == '/') start = i + 1;
  char out[kAddressCap];
  Builder b(out, sizeof out);
  b.Put(folder);
  if (*folder && !EndsWithSeparator(folder)) b.Put('\\');
  MapToStore(t + start, tn - start, start == 0, b);
  return b.CopyTo(address);
}

}  // namespace kv
