// Board files: one reader for every file of the dialect, the writer, the
// tree model and the board-menu sources.
#include "boards/boardfile.h"

#include <cstdio>
#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

namespace {

constexpr size_t kTextCap = 260;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EndsWith(const char* s, const char* tail) {
  size_t n = strlen(s), m = strlen(tail);
  return n >= m && memcmp(s + n - m, tail, m) == 0;
}

// First position in [from, end) where word (ASCII) starts, letters compared
// without case, never inside a two-byte character; end when absent.
size_t FindNoCase(const char* d, size_t from, size_t end, const char* word) {
  size_t m = strlen(word);
  for (size_t p = from; p + m <= end; ++p) {
    if (CompareNoCase(d + p, word, m) == 0) return p;
    if (IsSjisLead(static_cast<unsigned char>(d[p]))) ++p;
  }
  return end;
}

// Appends the bytes of d[from, end) that are not control bytes to out (cap
// bytes, terminated), two-byte characters kept whole; stops adding once a
// character does not fit. Returns where it stopped reading (at stop bytes).
size_t CollectText(const char* d, size_t from, size_t end, const char* stops, char* out, size_t cap) {
  size_t n = strlen(out);
  bool full = false;
  size_t p = from;
  while (p < end) {
    unsigned char c = static_cast<unsigned char>(d[p]);
    if (IsSjisLead(c) && p + 1 < end) {
      if (!full && n + 2 < cap) {
        out[n++] = static_cast<char>(c);
        out[n++] = d[p + 1];
      } else {
        full = true;
      }
      p += 2;
      continue;
    }
    if (strchr(stops, c) && c) break;
    if (c >= 0x20) {
      if (!full && n + 1 < cap)
        out[n++] = static_cast<char>(c);
      else
        full = true;
    }
    ++p;
  }
  out[n] = 0;
  return p;
}

// End of the tag that starts at d[from] ("<"): the position after its ">",
// or end.
size_t TagEnd(const char* d, size_t from, size_t end) {
  for (size_t p = from; p < end; ++p) {
    unsigned char c = static_cast<unsigned char>(d[p]);
    if (IsSjisLead(c)) {
      ++p;
      continue;
    }
    if (c == '>') return p + 1;
  }
  return end;
}

// A comment "<!...>" ends at the ">" that matches its "<": nested pairs
// inside it are counted, so markup that was commented out is skipped whole.
size_t CommentEnd(const char* d, size_t from, size_t end) {
  int depth = 0;
  for (size_t p = from; p < end; ++p) {
    unsigned char c = static_cast<unsigned char>(d[p]);
    if (IsSjisLead(c)) {
      ++p;
      continue;
    }
    if (c == '<') ++depth;
    if (c == '>' && --depth <= 0) return p + 1;
  }
  return end;
}

// The base of relative links: the menu address cut after its last "/"
// (looking from the eighth character on, past the scheme's slashes).
void BaseOf(const char* menuAddress, char* base) {
  base[0] = 0;
  size_t len = strlen(menuAddress);
  if (len == 0) return;
  size_t cut = 0;
  for (size_t p = 7; p < len; ++p)
    if (menuAddress[p] == '/') cut = p + 1;
  if (cut)
    CopyTextN(base, kTextCap, menuAddress, cut);
  else
    FormatText(base, kTextCap, "%s/", menuAddress);  // a bare host: its root
}

// The category-search address of the rental-board service keeps its query.
bool IsCategorySearchAddress(const char* address) {
  size_t len = strlen(address);
  size_t m = strlen(kServices.categorySearch);
  size_t skip = KnownSchemeLength(address) == 8 ? 8 : 7;
  return len >= skip + m && memcmp(address + skip, kServices.categorySearch, m) == 0;
}

// "https://" becomes the secure twin of the pseudo-scheme ("h2chs://").
void ReplaceScheme(char* address, const char* four) {
  if (strncmp(address, "http", 4) == 0) memcpy(address, four, 4);
}

struct LinkState {
  char address[kTextCap];
  char type[4];
};

// Reads the "<A" tag d[from, end): its address made absolute and, in menu
// mode, turned into a board folder; its bbstype.
void ReadLinkTag(const char* d, size_t from, size_t end, const char* base, bool menuMode, LinkState& link) {
  link.address[0] = 0;
  link.type[0] = 0;
  size_t p = FindNoCase(d, from, end, "href");
  if (p >= end) return;
  p += 4;
  if (p < end && IsBlank(d[p])) ++p;
  if (p < end && d[p] == '=') ++p;
  if (p < end && IsBlank(d[p])) ++p;
  bool quoted = p < end && d[p] == '"';
  if (quoted) ++p;
  char raw[kTextCap] = "";
  size_t stop = CollectText(d, p, end, quoted ? "\">" : "\"> \t", raw, sizeof raw);
  bool relative = raw[0] != 'h' && !(strlen(raw) >= 5 && raw[4] == ':') && base[0];
  if (relative)
    FormatText(link.address, sizeof link.address, "%s%s", base, raw[0] && raw[1] == '/' ? raw + 2 : raw);
  else
    CopyText(link.address, raw);
  if (menuMode && strlen(link.address) > 7) {
    // The menu links a board by its front page; the program names a board
    // by its folder, read as a 2ch-type board.
    ReplaceScheme(link.address, "h2ch");
    if (!EndsWith(link.address, "acquired.txt") && !IsCategorySearchAddress(link.address) &&
        !EndsWith(link.address, "/")) {
      char* slash = strrchr(link.address, '/');
      if (slash) slash[1] = 0;
    }
  }
  size_t t = FindNoCase(d, stop, end, "bbstype=");
  if (t < end) {
    t += 8;
    if (t < end && d[t] == '"') ++t;
    if (t < end) {
      char c = d[t];
      if (c == '2')
        CopyText(link.type, "2ch");
      else if (c == 'h')
        CopyText(link.type, "htm");
      else if (c == 'r')
        CopyText(link.type, "rss");
    }
  }
}

}  // namespace

void ClearBoardTree(BoardTree& tree) {
  tree.count = 0;
  tree.offered = 0;
  tree.categories = 0;
  tree.boards = 0;
}

bool StoreBoardItem(BoardTree& tree, const char* name, const char* address, int32_t kind, int32_t expanded,
                    const char* type) {
  bool category = !address || !address[0];
  int32_t ordinal = category ? tree.categories++ : tree.boards++;
  ++tree.offered;
  if (tree.count >= kBoardTreeCapacity || tree.count < 0) return false;
  BoardItem& item = tree.items[tree.count];
  CopyText(item.name, name ? name : "");
  CopyText(item.address, category ? "" : address);
  item.index = tree.count;
  item.kind = category ? (kind == kKindBoard ? kKindCategory : kind) : kKindBoard;
  item.ordinal = ordinal;
  item.expanded = category ? (expanded ? 1 : 0) : 0;
  CopyText(item.type, type ? type : "");
  ++tree.count;
  return true;
}

void SetCategoryKinds(BoardTree& tree) {
  int32_t category = -1;
  for (int32_t i = 0; i < tree.count; ++i) {
    BoardItem& item = tree.items[i];
    if (IsCategory(item)) {
      item.kind = kKindEmptyCategory;
      category = i;
    } else if (category >= 0) {
      tree.items[category].kind = kKindCategory;
    }
  }
}

void ParseBoardFile(BoardTree& tree, const char* data, size_t length, const BoardParseOptions& o) {
  if (o.clear) ClearBoardTree(tree);
  const char* menuAddress = o.menuAddress ? o.menuAddress : "";
  const char* treeOpen = o.treeOpen ? o.treeOpen : "";
  size_t openLength = strnlen(treeOpen, kTreeOpenLength);
  char base[kTextCap] = "";
  if (o.menuMode || strncmp(menuAddress, "http://", 7) == 0) BaseOf(menuAddress, base);

  bool categoryMode = false, linkMode = false;
  LinkState link = {};
  size_t p = 0;
  while (data && p < length) {
    if (data[p] == '<') {
      if (p + 1 < length && data[p + 1] == '!') {
        p = CommentEnd(data, p, length);
        continue;
      }
      size_t end = TagEnd(data, p, length);
      size_t t = p + 1;
      char c0 = t < end ? data[t] : 0;
      char c1 = t + 1 < end ? data[t + 1] : 0;
      if ((c0 == 'B' || c0 == 'b') && c1 == '>') {
        categoryMode = true;
        linkMode = false;
      } else if (c0 == '/') {
        if (c1 == 'B' || c1 == 'b') categoryMode = false;
        link.address[0] = 0;
      } else if (c0 == 'A' || c0 == 'a') {
        linkMode = true;
        categoryMode = false;
        ReadLinkTag(data, t + 1, end, base, o.menuMode, link);
      } else {
        categoryMode = false;
        linkMode = false;
      }
      p = end;
      continue;
    }
    char text[kTextCap] = "";
    p = CollectText(data, p, length, "<", text, sizeof text);
    if (!text[0]) continue;
    if (categoryMode) {
      int32_t ordinal = tree.categories;
      bool open = ordinal < kTreeOpenLength && static_cast<size_t>(ordinal) < openLength && (treeOpen[ordinal] & 1);
      StoreBoardItem(tree, text, nullptr, kKindCategory, open ? 1 : 0);
    } else if (linkMode && link.address[0]) {
      char address[kTextCap];
      CopyText(address, link.address);
      if (link.type[0] == '2')
        ReplaceScheme(address, "h2ch");
      else if (link.type[0] == 'h')
        ReplaceScheme(address, "hhtm");
      else if (link.type[0] == 'r')
        ReplaceScheme(address, "hrss");
      StoreBoardItem(tree, text, address, kKindBoard, 0, link.type);
    }
  }
  if (o.firstFileCategories && *o.firstFileCategories == 0) *o.firstFileCategories = tree.categories;
  SetCategoryKinds(tree);
}

int32_t BuildBoardTree(BoardTree& tree, const BoardSources& s, const char* menuAddress, char* treeOpen) {
  // Every source appends to what the earlier ones stored, so the tree starts
  // empty whichever of them exist.
  ClearBoardTree(tree);
  int32_t n1 = 0;
  BoardParseOptions o;
  o.menuAddress = menuAddress;
  o.treeOpen = treeOpen;
  o.firstFileCategories = &n1;
  o.clear = false;
  if (s.firstFile) ParseBoardFile(tree, s.firstFile, s.firstLength, o);
  if (n1 > 0) {
    // The user file's categories use "2"/"3": a character that is still "0"
    // or "1" (or missing) came from a menu category and starts collapsed.
    size_t len = strnlen(treeOpen, kTreeOpenLength);
    size_t upTo = n1 < kTreeOpenLength ? static_cast<size_t>(n1) : kTreeOpenLength;
    for (size_t i = 0; i < upTo; ++i)
      if (i >= len || treeOpen[i] < '2') treeOpen[i] = '2';
    treeOpen[len > upTo ? len : upTo] = 0;
  } else {
    n1 = -1;  // nothing later may count as the first file
  }
  if (s.menu) {
    o.menuMode = true;
    ParseBoardFile(tree, s.menu, s.menuLength, o);
    o.menuMode = false;
  }
  if (s.secondFile) ParseBoardFile(tree, s.secondFile, s.secondLength, o);
  return n1 < 0 ? 0 : n1;
}

namespace {

void PutBoardFileText(BoardFileWriter& w, const char* s) {
  size_t m = strlen(s);
  if (!w.fits || w.n + m + 1 > w.cap) {
    w.fits = false;
    return;
  }
  memcpy(w.out + w.n, s, m);
  w.n += m;
}

}  // namespace

void BeginBoardFile(BoardFileWriter& w, char* out, size_t cap) {
  w = {out, cap, 0, out && cap > 0};
  PutBoardFileText(w, "<HTML><HEAD></HEAD><BODY>\r\n\r\n");
}

void PutBoardFileCategory(BoardFileWriter& w, const char* name) {
  PutBoardFileText(w, "\r\n<BR><BR><B>");
  PutBoardFileText(w, name);
  PutBoardFileText(w, "</B><BR>\r\n");
}

void PutBoardFileBoard(BoardFileWriter& w, const char* address, const char* name, const char* type) {
  PutBoardFileText(w, "<A HREF=\"");
  PutBoardFileText(w, address);
  if (type && type[0] && type[0] != 't') {
    PutBoardFileText(w, "\" bbstype=\"");
    PutBoardFileText(w, type);
  }
  PutBoardFileText(w, "\">");
  PutBoardFileText(w, name);
  PutBoardFileText(w, "</A><br>\r\n");
}

size_t EndBoardFile(BoardFileWriter& w) {
  PutBoardFileText(w, "\r\n</BODY></HTML>\r\n");
  if (!w.fits) {
    if (w.out && w.cap) w.out[0] = 0;
    return 0;
  }
  w.out[w.n] = 0;
  return w.n;
}

size_t FormatBoardFile(const BoardTree& tree, bool withTypes, char* out, size_t cap) {
  BoardFileWriter w;
  BeginBoardFile(w, out, cap);
  for (int32_t i = 0; i < tree.count && w.fits; ++i) {
    const BoardItem& item = tree.items[i];
    if (IsCategory(item))
      PutBoardFileCategory(w, item.name);
    else if (item.address[0] == 'h')
      PutBoardFileBoard(w, item.address, item.name, withTypes ? item.type : nullptr);
  }
  return EndBoardFile(w);
}

int32_t VisibleRowCount(const BoardTree& tree) {
  int32_t rows = 0;
  bool open = true;
  for (int32_t i = 0; i < tree.count; ++i) {
    const BoardItem& item = tree.items[i];
    if (IsCategory(item)) {
      open = item.expanded != 0;
      ++rows;
    } else if (open) {
      ++rows;
    }
  }
  return rows;
}

int32_t ItemOfRow(const BoardTree& tree, int32_t row) {
  if (row < 0) return -1;
  int32_t rows = 0;
  bool open = true;
  for (int32_t i = 0; i < tree.count; ++i) {
    const BoardItem& item = tree.items[i];
    bool shown = true;
    if (IsCategory(item))
      open = item.expanded != 0;
    else
      shown = open;
    if (shown && rows++ == row) return i;
  }
  return -1;
}

int32_t RowOfItem(const BoardTree& tree, int32_t target) {
  if (target < 0 || target >= tree.count) return -1;
  int32_t rows = 0;
  bool open = true;
  for (int32_t i = 0; i < tree.count; ++i) {
    const BoardItem& item = tree.items[i];
    bool shown = true;
    if (IsCategory(item))
      open = item.expanded != 0;
    else
      shown = open;
    if (i == target) return shown ? rows : -1;
    if (shown) ++rows;
  }
  return -1;
}

int32_t CategoryAtOrAbove(const BoardTree& tree, int32_t item) {
  if (item >= tree.count) item = tree.count - 1;
  for (int32_t i = item; i >= 0; --i)
    if (IsCategory(tree.items[i])) return i;
  return -1;
}

void SetExpanded(BoardTree& tree, int32_t item, bool expanded, char* treeOpen, int32_t n1) {
  if (item < 0 || item >= tree.count || !IsCategory(tree.items[item])) return;
  BoardItem& c = tree.items[item];
  c.expanded = expanded ? 1 : 0;
  if (!treeOpen || c.ordinal < 0 || c.ordinal >= kTreeOpenLength) return;
  size_t len = strnlen(treeOpen, kTreeOpenLength);
  size_t at = static_cast<size_t>(c.ordinal);
  // Fill a short TreeOpen up to this category with the collapsed state of
  // each position.
  for (size_t i = len; i < at; ++i) treeOpen[i] = static_cast<int32_t>(i) < n1 ? '2' : '0';
  treeOpen[at] = static_cast<char>((c.ordinal < n1 ? '2' : '0') + (expanded ? 1 : 0));
  if (at >= len) treeOpen[at + 1] = 0;
}

int32_t CategoryRowCount(const BoardTree& tree) {
  int32_t rows = 0;
  for (int32_t i = 0; i < tree.count; ++i)
    if (IsCategory(tree.items[i])) ++rows;
  return rows;
}

int32_t ItemOfCategoryRow(const BoardTree& tree, int32_t row) {
  if (row < 0) return -1;
  int32_t rows = 0;
  for (int32_t i = 0; i < tree.count; ++i)
    if (IsCategory(tree.items[i]) && rows++ == row) return i;
  return -1;
}

int32_t CategoryRowOfItem(const BoardTree& tree, int32_t item) {
  int32_t category = CategoryAtOrAbove(tree, item);
  if (category < 0) return -1;
  int32_t rows = 0;
  for (int32_t i = 0; i < category; ++i)
    if (IsCategory(tree.items[i])) ++rows;
  return rows;
}

int32_t BoardsOfCategory(const BoardTree& tree, int32_t category, int32_t* first) {
  int32_t from = category < 0 ? 0 : category + 1;
  if (first) *first = from;
  if (category >= tree.count) return 0;
  int32_t n = 0;
  for (int32_t i = from; i < tree.count && !IsCategory(tree.items[i]); ++i) ++n;
  return n;
}

bool ContainsNoCase(const char* name, const char* text) {
  size_t m = strlen(text);
  if (m == 0) return true;
  return FindText(name, strlen(name), text, m) >= 0;
}

int32_t FindBoardRow(const BoardTree& tree, const char* text, int32_t start, int32_t rows, RowToItem itemOfRow) {
  if (!text || !itemOfRow) return -1;
  for (int32_t r = start < 0 ? 0 : start; r < rows; ++r) {
    int32_t item = itemOfRow(tree, r);
    if (item >= 0 && ContainsNoCase(tree.items[item].name, text)) return r;
  }
  return -1;
}

BoardIconStrip BoardIconStripFor(int32_t setFntTL, int32_t displayScale, bool handheld) {
  if (handheld && displayScale >= 2) return {"treeimg3.bmp", 32, 24};
  if (setFntTL > 7) return {"treeimg.bmp", 16, 12};
  return {"treeimg2.bmp", 7, 7};
}

bool ChosenBoardAddresses(const char* address, char* current, char* acquired) {
  acquired[0] = 0;
  if (EndsWith(address, "acquired.txt")) {
    CopyText(current, kAddressMax, address);
    return true;
  }
  // Feeds, web pages and other families stay as they are (SubjectUrlOf then
  // says false and leaves the copy).
  SubjectUrlOf(address, current);
  CopyText(acquired, kAddressMax, current);
  if (EndsWith(acquired, "subject.txt")) {
    size_t len = strlen(acquired);
    if (len + 1 >= kAddressMax) {
      acquired[0] = 0;
      return false;
    }
    memcpy(acquired + len - 11, "acquired.txt", 13);
  }
  return true;
}

bool AddAcquiredBoard(BoardTree& tree, const char* name, const char* address) {
  if (!address) address = "";
  for (int32_t i = 0; i < tree.count; ++i)
    if (strcmp(tree.items[i].name, name) == 0 && strcmp(tree.items[i].address, address) == 0) return false;
  if (!StoreBoardItem(tree, name, address, kKindCategory, 1)) return false;
  SetCategoryKinds(tree);
  return true;
}

void SeedAcquiredBoards(BoardTree& tree) {
  if (tree.count == 0) {
    StoreBoardItem(tree, kAcquiredCategory, nullptr, kKindCategory, 1);
    SetCategoryKinds(tree);
  }
}

void ParseMenuSources(const char* data, size_t length, MenuSources& out) {
  out.count = 0;
  size_t p = 0;
  while (data && p < length) {
    size_t end = p;
    while (end < length && data[end] != '\r' && data[end] != '\n') ++end;
    size_t next = end;
    if (next < length && data[next] == '\r') ++next;
    if (next < length && data[next] == '\n') ++next;
    unsigned char c = static_cast<unsigned char>(data[p]);
    if (end > p && c >= 0x20 && c != '#' && c != ';' && out.count < kMenuSourcesRead) {
      const void* comma = memchr(data + p, ',', end - p);
      if (comma) {
        size_t at = static_cast<size_t>(static_cast<const char*>(comma) - data);
        MenuSource& s = out.items[out.count++];
        CopyTextN(s.name, sizeof s.name, data + p, at - p);
        CopyTextN(s.address, sizeof s.address, data + at + 1, end - at - 1);
      }
    }
    p = next > p ? next : p + 1;
  }
  if (FindMenuSourceByAddress(out, kAcquiredMenuAddress) < 0) {
    MenuSource& s = out.items[out.count++];
    CopyText(s.name, kAcquiredCategory);
    CopyText(s.address, kAcquiredMenuAddress);
  }
}

size_t DefaultMenuSourcesText(const char* defaultMenu, char* out, size_t cap) {
  char host[kTextCap];
  BaseOf(defaultMenu, host);
  size_t len = strlen(host);
  if (len && host[len - 1] == '/') host[len - 1] = 0;
  return FormatText(out, cap,
                    "２ちゃんねる掲示板リスト,%s/bbstable.html\r\n"
                    "BBS MENU for 2ch,%s/bbsmenu.html\r\n"
                    "既得リスト,http://acquired.htm\r\n",
                    host, host);
}

bool ShouldAddMenuSource(const MenuSources& sources, const char* address) {
  if (!address || (CompareNoCase(address, "http://", 7) != 0 && CompareNoCase(address, "h2ch://", 7) != 0 &&
                   CompareNoCase(address, "https://", 8) != 0 && CompareNoCase(address, "h2chs://", 8) != 0))
    return false;
  size_t len = strlen(address);
  for (int32_t i = 0; i < sources.count; ++i) {
    const char* a = sources.items[i].address;
    if (strlen(a) == len && CompareNoCase(a, address, len) == 0) return false;
  }
  return true;
}

size_t AppendMenuSource(const char* data, size_t length, const char* address, char* out, size_t cap) {
  if (!out || cap == 0) return 0;
  size_t n = 0;
  if (data && length) {
    if (length + 1 > cap) return 0;
    memcpy(out, data, length);
    n = length;
    if (out[n - 1] != '\n' && out[n - 1] != '\r') {
      if (n + 3 > cap) return 0;
      out[n++] = '\r';
      out[n++] = '\n';
    }
  }
  // The name of a source added by hand is its host.
  const char* host = strlen(address) > 7 ? address + 7 : "";
  size_t hostLength = strcspn(host, "/");
  int m = snprintf(out + n, cap - n, "%.*s,%s\r\n", static_cast<int>(hostLength), host, address);
  if (m < 0 || static_cast<size_t>(m) >= cap - n) {
    out[0] = 0;
    return 0;
  }
  return n + static_cast<size_t>(m);
}

int32_t FindMenuSourceByPrefix(const MenuSources& sources, const char* text) {
  size_t m = text ? strlen(text) : 0;
  if (m == 0) return -1;
  for (int32_t i = 0; i < sources.count; ++i) {
    const MenuSource& s = sources.items[i];
    if (MatchesTextAt(s.name, strlen(s.name), 0, text, m) || MatchesTextAt(s.address, strlen(s.address), 0, text, m))
      return i;
  }
  return -1;
}

int32_t FindMenuSourceByAddress(const MenuSources& sources, const char* address) {
  for (int32_t i = 0; i < sources.count; ++i)
    if (strcmp(sources.items[i].address, address) == 0) return i;
  return -1;
}

int32_t ListMovedBoards(const BoardTree& active, const BoardTree& other, MovedLineVisitor visit, void* context) {
  int32_t lines = 0;
  for (int32_t i = 0; i < active.count; ++i) {
    const BoardItem& a = active.items[i];
    if (IsCategory(a)) continue;
    bool seen = false;  // the same board listed before under another category
    for (int32_t k = 0; k < i && !seen; ++k)
      seen = !IsCategory(active.items[k]) && strcmp(active.items[k].name, a.name) == 0 &&
             strcmp(active.items[k].address, a.address) == 0;
    if (seen) continue;
    const char* moved = nullptr;
    bool same = false;
    for (int32_t k = 0; k < other.count && !same; ++k) {
      const BoardItem& b = other.items[k];
      if (IsCategory(b) || strcmp(b.name, a.name) != 0) continue;
      if (strcmp(b.address, a.address) == 0)
        same = true;
      else if (!moved)
        moved = b.address;
    }
    if (same || !moved) continue;
    char line[800];
    FormatText(line, sizeof line, "%s: %s→%s", a.name, a.address, moved);
    if (visit) visit(line, context);
    ++lines;
  }
  return lines;
}

}  // namespace kv
