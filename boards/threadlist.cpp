#include "boards/threadlist.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/text.h"
#include "reader/html.h"

namespace kv {

int ByteCompare(const char* a, const char* b) { return strcmp(a, b); }

bool CreateThreadLists(ThreadLists& lists) {
  memset(&lists, 0, sizeof lists);
  ThreadTable* tables[4];
  for (int i = 0; i < 4; ++i) {
    tables[i] = new (std::nothrow) ThreadTable();  // value-initialised: zero-filled
    if (!tables[i]) {
      for (int k = 0; k < i; ++k) delete tables[k];
      return false;
    }
  }
  lists.display[0] = tables[0];
  lists.display[1] = tables[1];
  lists.acquired = tables[2];
  lists.lookup = tables[3];
  lists.current = lists.saved = lists.display[0];
  for (auto& d : lists.descending) d = 1;
  return true;
}

void DestroyThreadLists(ThreadLists& lists) {
  ThreadTable* tables[4] = {lists.display[0], lists.display[1], lists.acquired, lists.lookup};
  for (ThreadTable* t : tables) {
    if (!t) continue;
    ClearTable(*t);
    delete t;
  }
  memset(&lists, 0, sizeof lists);
}

void ClearTable(ThreadTable& table) {
  // Nothing is ever written past the used count, so only those rows hold
  // anything to free or clear.
  int32_t used = table.used < 0 ? 0 : table.used > kThreadRows ? kThreadRows : table.used;
  for (int32_t i = 0; i < used; ++i) delete[] table.rows[i].link;
  memset(static_cast<void*>(table.rows), 0, sizeof(ThreadRow) * static_cast<size_t>(used));
  table.used = 0;
}

void SwapDisplayTables(ThreadLists& lists) {
  bool wasCurrent = lists.current == lists.display[lists.shown];
  lists.shown = 1 - lists.shown;
  if (wasCurrent) lists.current = lists.display[lists.shown];
  for (auto& d : lists.descending) d = 1;
  lists.lastClicked = 0;
}

void FormatRowTexts(ThreadRow& row, int32_t index) {
  FormatText(row.numberText, sizeof row.numberText, "%3d", static_cast<int>(index + 1));
  FormatText(row.countText, sizeof row.countText, "%4d", static_cast<int>(row.count));
  FormatText(row.newText, sizeof row.newText, "%4d", static_cast<int>(row.newCount));
  FormatText(row.keyText, sizeof row.keyText, "%10ld", static_cast<long>(row.key));
}

namespace {

char* CopyLink(const char* link) {
  if (!link) return nullptr;
  size_t n = strlen(link);
  char* p = new (std::nothrow) char[n + 1];
  if (p) memcpy(p, link, n + 1);
  return p;
}

void RaiseUsed(ThreadTable& table, int32_t index) {
  if (index >= table.used) table.used = index + 1;
}

// The merge path: the acquired table fills only a row it already has for
// the key; the lookup table also takes the first free row.
bool MergeRow(ThreadLists& lists, ThreadTable& table, const char* title, int32_t key, int32_t count, int32_t resume) {
  if (key == 0) return true;  // nothing to find it by
  int32_t found = -1, firstFree = -1;
  for (int32_t i = 0; i < table.used; ++i) {
    const ThreadRow& r = table.rows[i];
    if (RowIsFree(r)) {
      if (firstFree < 0) firstFree = i;
    } else if (r.key == key) {
      found = i;
      break;
    }
  }
  if (found < 0) {
    if (&table == lists.acquired) return true;
    found = firstFree >= 0 ? firstFree : table.used;
    if (found >= kThreadRows) return false;
  }
  ThreadRow& r = table.rows[found];
  CopyText(r.title, title);
  r.key = key;
  r.count = count;
  r.resume = resume;
  r.state = 1;
  r.newCount = 0;
  r.flags |= kRowComputed;
  FormatRowTexts(r, found);
  // The used count follows the row filled, not the line number in the
  // file: lines of logs that are gone would otherwise leave blank rows.
  RaiseUsed(table, found);
  ++lists.acquiredChanged;
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsTitleLead(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

}  // namespace

bool StoreRow(ThreadTable& table, int32_t index, const char* title, int32_t key, int32_t count, int32_t newCount,
              int32_t state, const char* link, int32_t resume) {
  if (index < 0 || index >= kThreadRows) return false;
  ThreadRow& r = table.rows[index];
  CopyText(r.title, title ? title : "");
  r.state = state;
  r.count = count;
  r.newCount = newCount;
  r.key = key;
  r.resume = resume;
  r.flags = newCount != 0 ? static_cast<uint32_t>(kRowComputed) : 0u;
  FormatRowTexts(r, index);
  delete[] r.link;
  r.link = CopyLink(link);
  RaiseUsed(table, index);
  return true;
}

int32_t ParseThreadList(ThreadLists& lists, const char* data, size_t length, ParseMode mode, size_t holdBack,
                        const char* base) {
  ThreadTable& table = *lists.current;
  if (mode == ParseMode::Replace) ClearTable(table);
  if (!data) return table.used;
  const size_t end = length > holdBack ? length - holdBack : 0;
  const int32_t keptRows = table.used;
  int32_t index = mode == ParseMode::Append ? table.used : 0;
  char keyField[260];
  char titleField[256];
  // Room for a whole title field as the acquired list writes it ("&lt;"
  // for the "<" of a "<>"), so its count after it is never cut off.
  char clean[256];
  char link[260];
  size_t i = 0;
  while (i < end) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c == 0) {
      size_t zeros = 0;
      while (zeros < 8 && i + zeros < end && data[i + zeros] == 0) ++zeros;
      if (zeros == 8) break;
    }
    bool url = c == 'h' && end - i >= 7 && memcmp(data + i, "http://", 7) == 0;
    if (!IsDigit(static_cast<char>(c)) && !url) {
      // A trail byte may look like a letter; step over whole characters.
      i += IsSjisLead(c) && i + 1 < end ? 2 : 1;
      continue;
    }
    if (index >= kThreadRows) break;

    size_t k = 0;
    while (i < end && k < sizeof keyField - 1) {
      char ch = data[i];
      if (ch == ',' || ch == '<' || ch == '\r' || ch == '\n') break;
      keyField[k++] = ch;
      ++i;
    }
    keyField[k] = 0;
    if (i < end) i += data[i] == '<' && i + 1 < end && data[i + 1] == '>' ? 2 : 1;

    size_t n = 0;
    bool resumeFollows = false;
    while (i < end) {
      unsigned char ch = static_cast<unsigned char>(data[i]);
      if (ch == '\r' || ch == '\n') break;
      if (ch == '<' && i + 1 < end && data[i + 1] == '>') {
        resumeFollows = true;
        i += 2;
        break;
      }
      if (ch < 0x20) {
        ++i;
        continue;
      }
      if (IsTitleLead(ch)) {
        // A lead byte without a usable trail (the end, a line end) is
        // dropped rather than let it swallow the line feed.
        if (i + 1 >= end || data[i + 1] == '\r' || data[i + 1] == '\n' || data[i + 1] == 0) {
          ++i;
          continue;
        }
        // A full field takes no more (never half a character); the rest
        // of an over-long field is passed over rather than read as records.
        if (n + 2 <= sizeof titleField - 1) {
          titleField[n++] = data[i];
          titleField[n++] = data[i + 1];
        }
        i += 2;
        continue;
      }
      if (n + 1 <= sizeof titleField - 1) titleField[n++] = static_cast<char>(ch);
      ++i;
    }
    titleField[n] = 0;

    int32_t resume = 0;
    if (resumeFollows) {
      char digits[9];
      size_t m = 0;
      while (m < 8 && i + m < end && data[i + m] != 0) {
        digits[m] = data[i + m];
        ++m;
      }
      digits[m] = 0;
      resume = ParseInt(digits);
      size_t skipped = 0;
      if (i < end && data[i] == '-') ++i, ++skipped;
      while (skipped < 8 && i < end && IsDigit(data[i])) ++i, ++skipped;
    }

    bool store = mode == ParseMode::Replace || mode == ParseMode::Merge || index >= keptRows;
    if (store) {
      int32_t key = ParseInt(keyField);
      CleanCopy(clean, sizeof clean, titleField, n);
      int32_t count = 0;
      char* cut = strrchr(clean, '(');
      if (!cut) cut = strrchr(clean, '<');
      if (cut) {
        count = ParseInt(cut + 1);
        *cut = 0;
        if (cut > clean && cut[-1] == ' ') cut[-1] = 0;
      }
      const char* rowLink = nullptr;
      if (base) {
        if (FormatText(link, sizeof link, "%sdat/%ld.dat", base, static_cast<long>(key)) > 0) rowLink = link;
      } else if (key == 0 && keyField[0] == 'h') {
        rowLink = keyField;
      }
      bool ok = mode == ParseMode::Merge ? MergeRow(lists, table, clean, key, count, resume)
                                         : StoreRow(table, index, clean, key, count, 0, 0, rowLink, resume);
      if (!ok) break;
    }
    ++index;
  }
  return table.used;
}

int32_t FindRowByKey(const ThreadTable& table, int32_t key) {
  for (int32_t i = 0; i < table.used; ++i)
    if (!RowIsFree(table.rows[i]) && table.rows[i].key == key) return i;
  return -1;
}

int32_t KnownCount(const ThreadTable& table, int32_t key) {
  if (RowIsFree(table.rows[0])) return -2;
  for (int32_t i = 0; i < kThreadRows; ++i) {
    const ThreadRow& r = table.rows[i];
    if (RowIsFree(r)) return -1;
    if (r.key == key) return r.count;
  }
  return -1;
}

void TitleByKey(const ThreadTable& table, int32_t key, char* out, size_t cap) {
  int32_t row = key ? FindRowByKey(table, key) : -1;
  CopyText(out, cap, row >= 0 ? table.rows[row].title : "?");
}

bool SetStateByKey(ThreadLists& lists, int32_t key, int32_t state) {
  int32_t row = key ? FindRowByKey(*lists.current, key) : -1;
  if (row < 0) return false;
  lists.current->rows[row].state = state;
  return true;
}

int32_t AcquiredLocalCount(const ThreadLists& lists, int32_t key) {
  int32_t row = key ? FindRowByKey(*lists.acquired, key) : -1;
  if (row < 0) return 0;
  const ThreadRow& r = lists.acquired->rows[row];
  return r.count ? r.count : r.resume;
}

void ComputeRowState(ThreadLists& lists, int32_t index, const LocalLogs& logs) {
  if (index < 0 || index >= kThreadRows) return;
  ThreadRow& r = lists.current->rows[index];
  if (r.flags & kRowComputed) return;
  r.flags |= kRowComputed;
  if (r.link) {
    r.state = 1;
    r.newCount = 0;
    r.newText[0] = 0;
    return;
  }
  bool hasLog = r.key != 0 && logs.hasLog && logs.hasLog(logs.context, r.key);
  int32_t local = 0;
  if (hasLog) {
    local = AcquiredLocalCount(lists, r.key);
    if (local == 0) local = 1;
  }
  int32_t known = -1;
  if (lists.current != lists.acquired) known = KnownCount(*lists.acquired, r.key);
  if (lists.current == lists.acquired || known < 0) known = KnownCount(PreviousList(lists), r.key);
  if (known == -1)
    r.state = 3;
  else if (hasLog)
    r.state = local == r.count ? 1 : 2;
  else
    r.state = 0;
  r.newCount = hasLog ? r.count - local : 0;
  FormatText(r.newText, sizeof r.newText, "%4d", static_cast<int>(r.newCount));
}

const char* CellText(ThreadLists& lists, int32_t index, int column, const LocalLogs& logs) {
  if (index < 0 || index >= kThreadRows) return "";
  ThreadRow& r = lists.current->rows[index];
  switch (column) {
    case 0:
      return r.numberText;
    case 1:
      return r.title;
    case 2:
      return r.countText;
    case 3:
      ComputeRowState(lists, index, logs);
      return r.state == 0 ? "" : r.newText;
    case 4:
      return r.link ? r.link : r.keyText;
    default:
      return "";
  }
}

// ---- sorting ---------------------------------------------------------------

namespace {

constexpr int32_t kLeaves = 16384;  // a power of two above kThreadRows
static_assert(kLeaves >= kThreadRows, "the tree must hold every row");

struct SortScratch {
  const char* texts[kThreadRows];
  int32_t byText[kThreadRows];
  int32_t rank[kThreadRows];  // rank of the row now at each position
  int32_t tree[2 * kLeaves];  // per node the position of its best leaf, -1 for none
  bool placed[kThreadRows];
};
SortScratch g_scratch;  // the main thread alone sorts

int32_t Better(const int32_t* rank, int32_t a, int32_t b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return rank[b] < rank[a] ? b : a;  // ties: the left (earlier) position
}

void Refresh(SortScratch& s, int32_t position) {
  for (int32_t node = (position + kLeaves) / 2; node >= 1; node /= 2)
    s.tree[node] = Better(s.rank, s.tree[2 * node], s.tree[2 * node + 1]);
}

}  // namespace

void SelectionSortOrderReference(const char* const* texts, int32_t n, bool descending, CellCompare compare,
                                 int32_t* order) {
  if (n > kThreadRows) n = kThreadRows;
  SortScratch& s = g_scratch;
  for (int32_t j = 0; j < n; ++j) {
    s.texts[j] = texts[j];
    order[j] = j;
  }
  for (int32_t i = 0; i + 1 < n; ++i) {
    int32_t best = i;
    for (int32_t k = i + 1; k < n; ++k) {
      int c = compare(s.texts[k], s.texts[best]);
      if (descending ? c > 0 : c < 0) best = k;
    }
    if (best != i) {
      std::swap(s.texts[i], s.texts[best]);
      std::swap(order[i], order[best]);
    }
  }
}

// The selection sort picks, for position i, the earliest position holding a
// text of the best rank among the positions not yet placed, and swaps the
// row from i into the position it came from. A tree over the positions that
// keeps, per node, the earliest best position below it makes each pick and
// each swap O(log n) while reproducing exactly the same moves (the
// selection sort is not stable, so a stable sort would not do).
void SelectionSortOrder(const char* const* texts, int32_t n, bool descending, CellCompare compare, int32_t* order) {
  if (n > kThreadRows) n = kThreadRows;
  if (n <= 0) return;
  SortScratch& s = g_scratch;
  for (int32_t j = 0; j < n; ++j) s.byText[j] = j;
  std::sort(s.byText, s.byText + n, [&](int32_t a, int32_t b) { return compare(texts[a], texts[b]) < 0; });
  int32_t r = 0;
  for (int32_t j = 0; j < n; ++j) {
    if (j > 0 && compare(texts[s.byText[j - 1]], texts[s.byText[j]]) != 0) ++r;
    s.rank[s.byText[j]] = r;
  }
  if (descending)
    for (int32_t j = 0; j < n; ++j) s.rank[j] = r - s.rank[j];
  for (int32_t j = 0; j < kLeaves; ++j) s.tree[kLeaves + j] = j < n ? j : -1;
  for (int32_t node = kLeaves - 1; node >= 1; --node)
    s.tree[node] = Better(s.rank, s.tree[2 * node], s.tree[2 * node + 1]);
  for (int32_t j = 0; j < n; ++j) order[j] = j;
  for (int32_t i = 0; i + 1 < n; ++i) {
    int32_t best = s.tree[1];
    if (best != i) {
      std::swap(order[i], order[best]);
      s.rank[best] = s.rank[i];
      Refresh(s, best);
    }
    s.tree[kLeaves + i] = -1;
    Refresh(s, i);
  }
}

void SortRows(ThreadLists& lists, int column, bool descending, CellCompare compare, const LocalLogs& logs) {
  ThreadTable& t = *lists.current;
  int32_t n = t.used;
  if (n < 2 || column < 0 || column >= kListColumns) return;
  static int32_t order[kThreadRows];
  SortScratch& s = g_scratch;
  // The texts live in the rows, which stay put until the order is known.
  static const char* texts[kThreadRows];
  for (int32_t j = 0; j < n; ++j) texts[j] = CellText(lists, j, column, logs);
  SelectionSortOrder(texts, n, descending, compare, order);
  // Rows move whole (links with them): follow each cycle of the order.
  for (int32_t j = 0; j < n; ++j) s.placed[j] = false;
  for (int32_t start = 0; start < n; ++start) {
    if (s.placed[start] || order[start] == start) continue;
    ThreadRow held = t.rows[start];
    int32_t j = start;
    for (;;) {
      s.placed[j] = true;
      int32_t from = order[j];
      if (from == start) {
        t.rows[j] = held;
        break;
      }
      t.rows[j] = t.rows[from];
      j = from;
    }
  }
}

bool NowSortOf(int32_t nowTSort, int* column, bool* descending) {
  if (nowTSort == 0 || (nowTSort & 0x0F) >= kListColumns) return false;
  *column = nowTSort & 0x0F;
  *descending = (nowTSort & 0xF0) != 0;
  return true;
}

void ApplyNowSort(ThreadLists& lists, int32_t nowTSort, CellCompare compare, const LocalLogs& logs) {
  int column = 0;
  bool descending = false;
  if (lists.current->used > 0 && NowSortOf(nowTSort, &column, &descending))
    SortRows(lists, column, descending, compare, logs);
}

void HeaderClick(ThreadLists& lists, int column, CellCompare compare, const LocalLogs& logs) {
  if (column < 0 || column >= kListColumns) return;
  if (column == lists.lastClicked) lists.descending[column] = !lists.descending[column];
  SortRows(lists, column, lists.descending[column] != 0, compare, logs);
  lists.lastClicked = column;
}

int32_t FindTitle(const ThreadTable& table, int32_t from, const char* text) {
  size_t n = strlen(text);
  if (from < 0) from = 0;
  for (int32_t row = from; row < table.used; ++row) {
    const char* title = table.rows[row].title;
    size_t len = strlen(title);
    for (size_t i = 0; i + n <= len;) {
      if (CompareNoCase(title + i, text, n) == 0) return row;
      i += IsSjisLead(static_cast<unsigned char>(title[i])) ? 2 : 1;
    }
  }
  return -1;
}

}  // namespace kv
