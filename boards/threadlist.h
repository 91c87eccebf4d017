// The thread tables behind the thread-list pane: rows, the index parser
// (subject.txt, comma indexes, acquired.txt, URL lines), row state against
// the local logs, sorting and title search. No windows here: the pane
// (list_win.cpp) hands in what only the platform knows.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr int32_t kThreadRows = 10000;  // rows per table
inline constexpr size_t kRowTitle = 64;
inline constexpr int kListColumns = 5;

enum RowFlag : uint32_t { kRowScanned = 1, kRowComputed = 2 };

struct ThreadRow {
  char title[kRowTitle];
  int32_t count;
  int32_t newCount;
  int32_t resume;
  int32_t state;  // icon 0-3
  int32_t key;
  char* link;  // owned, or null
  uint32_t flags;
  char numberText[12];  // "%3d"
  char countText[12];   // "%4d"
  char newText[12];     // "%4d"
  char keyText[24];     // "%10ld"
};

struct ThreadTable {
  ThreadRow rows[kThreadRows];
  int32_t used;  // one past the highest row written
};

enum class ParseMode { Replace, Extend, Append, Merge };

// Whether a thread has a local log (false when local logs are not kept).
struct LocalLogs {
  bool (*hasLog)(void* context, int32_t key);
  void* context;
};

// Locale-aware text order of the cells; negative, 0 or positive.
using CellCompare = int (*)(const char* a, const char* b);
int ByteCompare(const char* a, const char* b);

// The four tables and the state that names which one is in use.
struct ThreadLists {
  ThreadTable* display[2];
  ThreadTable* acquired;
  ThreadTable* lookup;
  int32_t shown;            // index of the shown display table; the other is the previous list
  ThreadTable* current;     // the table the pane shows and the row operations use
  ThreadTable* saved;       // a caller's current table while it works on another
  char acquiredBoard[260];  // index address of the board in the acquired table
  int32_t acquiredChanged;  // non-zero: the acquired table differs from its file
  uint8_t descending[6];
  int32_t lastClicked;
};

// Allocates the four zero-filled tables; false when memory cannot be had.
bool CreateThreadLists(ThreadLists& lists);
void DestroyThreadLists(ThreadLists& lists);
inline ThreadTable& PreviousList(ThreadLists& l) { return *l.display[1 - l.shown]; }
inline ThreadTable& ShownList(ThreadLists& l) { return *l.display[l.shown]; }

inline bool RowIsFree(const ThreadRow& r) { return r.title[0] == 0 || r.key == 0; }

// Frees the links and zero-fills every row.
void ClearTable(ThreadTable& table);
// The shown display table becomes the previous list and the other is shown
// (and current); the sort state starts again.
void SwapDisplayTables(ThreadLists& lists);

// Stores a row in table (the normal path). False for index 10,000 or more.
bool StoreRow(ThreadTable& table, int32_t index, const char* title, int32_t key, int32_t count, int32_t newCount,
              int32_t state, const char* link, int32_t resume);
// The row's texts after its count, key or index changed.
void FormatRowTexts(ThreadRow& row, int32_t index);

// Parses an index into lists.current; returns the used row count. holdBack
// bytes at the end are left unparsed; base (or null) gives every row the
// link base + "dat/" + key + ".dat".
int32_t ParseThreadList(ThreadLists& lists, const char* data, size_t length, ParseMode mode, size_t holdBack,
                        const char* base);

// First non-free row with the key, or -1.
int32_t FindRowByKey(const ThreadTable& table, int32_t key);
// -2 when the first row is free, -1 when the key is not found before the
// first free row, else its count.
int32_t KnownCount(const ThreadTable& table, int32_t key);
// The row's title, or "?" when there is none.
void TitleByKey(const ThreadTable& table, int32_t key, char* out, size_t cap);
// State of the first row of lists.current with the key; false when none.
bool SetStateByKey(ThreadLists& lists, int32_t key, int32_t state);

// The local count of the key in the acquired table: count, else resume
// position, else 0 (absent).
int32_t AcquiredLocalCount(const ThreadLists& lists, int32_t key);

// State and new count of row (of lists.current), once per store. The
// acquired table must hold the current board already.
void ComputeRowState(ThreadLists& lists, int32_t row, const LocalLogs& logs);
// The cell text the list shows (column 0-4); computes the state for 3.
const char* CellText(ThreadLists& lists, int32_t row, int column, const LocalLogs& logs);

// The order a selection sort (first strictly best row for each position,
// swapping whole rows) gives the texts: order[j] is the original index of
// the row that ends at j. The reference is quadratic; the fast one gives the
// same order in O(n log n). n is at most kThreadRows.
void SelectionSortOrderReference(const char* const* texts, int32_t n, bool descending, CellCompare compare,
                                 int32_t* order);
void SelectionSortOrder(const char* const* texts, int32_t n, bool descending, CellCompare compare, int32_t* order);

// Sorts the rows of lists.current by column (0-4).
void SortRows(ThreadLists& lists, int column, bool descending, CellCompare compare, const LocalLogs& logs);
// The sort after every load (NowTSort: low nibble the column, high nibble
// non-zero for descending; 0 none). It leaves the header-click state alone.
bool NowSortOf(int32_t nowTSort, int* column, bool* descending);
void ApplyNowSort(ThreadLists& lists, int32_t nowTSort, CellCompare compare, const LocalLogs& logs);
// A click on a column header: a second click on the same column reverses.
void HeaderClick(ThreadLists& lists, int column, CellCompare compare, const LocalLogs& logs);

// First row at or after from (up to the last one) whose title holds text,
// compared character by character with single-byte letters folded; -1 when
// none or text is empty.
int32_t FindTitle(const ThreadTable& table, int32_t from, const char* text);

}  // namespace kv
