// Board files and the board tree apart from the platform: the reader and
// writer of the board-file dialect (TreeList.htm, TreeList2.htm, the cached
// board menu, acquired.htm), the tree model with its row mapping and the
// TreeOpen rules, the board-menu sources of bbsmenu.txt, the moved-boards
// comparison and the board-name search. Nothing here reads a global: the
// settings it needs are passed in.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr int32_t kBoardTreeCapacity = 1000;
inline constexpr int32_t kTreeOpenLength = 150;  // state characters kept in TreeOpen

// BoardItem kind values.
enum BoardKind : int32_t { kKindBoard = 0, kKindCategory = 2, kKindEmptyCategory = 4 };

struct BoardItem {
  char name[260];
  char address[260];  // empty for a category
  int32_t index;      // position in its tree
  int32_t kind;
  int32_t ordinal;   // among categories for a category, among boards for a board
  int32_t expanded;  // categories: 1 when its boards are shown
  char type[4];      // "2ch", "htm", "rss" or empty (bbstype of a user file)
};

struct BoardTree {
  BoardItem items[kBoardTreeCapacity];
  int32_t count;       // items held (never above the capacity)
  int32_t offered;     // items ever stored, the refused ones counted
  int32_t categories;  // categories offered (the next category's ordinal)
  int32_t boards;      // boards offered (the next board's ordinal)
};

void ClearBoardTree(BoardTree& tree);
inline bool IsCategory(const BoardItem& item) { return item.kind != kKindBoard; }

// Stores one item at the end: a category when address is empty or null. A
// store past the capacity is refused (false) but the counters advance.
bool StoreBoardItem(BoardTree& tree, const char* name, const char* address, int32_t kind, int32_t expanded,
                    const char* type = nullptr);
// Every category's kind: 2 when a board follows it before the next
// category, else 4.
void SetCategoryKinds(BoardTree& tree);

// ---- reading -----------------------------------------------------------

struct BoardParseOptions {
  const char* menuAddress = "";  // BoadAddr
  const char* treeOpen = "";     // TreeOpen: bit value 1 of character n expands category n
  bool clear = true;
  bool menuMode = false;
  // N1: when it is 0 after the scan it becomes the number of categories.
  int32_t* firstFileCategories = nullptr;
};
void ParseBoardFile(BoardTree& tree, const char* data, size_t length, const BoardParseOptions& options);

// The three sources of the board tree; a null data pointer is a missing file.
struct BoardSources {
  const char* firstFile = nullptr;  // TreeAdd1
  size_t firstLength = 0;
  const char* menu = nullptr;  // the local copy of BoadAddr
  size_t menuLength = 0;
  const char* secondFile = nullptr;  // TreeAdd2
  size_t secondLength = 0;
};
// Builds the tree from the sources, rewriting treeOpen (151 bytes) for the
// categories of the first file. Returns N1 (0 when the first file gave no
// category).
int32_t BuildBoardTree(BoardTree& tree, const BoardSources& sources, const char* menuAddress, char* treeOpen);

// ---- writing -----------------------------------------------------------

// The whole file into out (cap bytes). Returns its length, or 0 when it does
// not fit. withTypes writes the bbstype of boards that have one.
size_t FormatBoardFile(const BoardTree& tree, bool withTypes, char* out, size_t cap);
// The same dialect a piece at a time (the board-tree editor writes its rows
// with these): Begin writes the header, Category and Board one entry (Board
// adds the bbstype part only for a type that is non-empty and does not start
// with "t"), End the footer and returns the length, 0 when anything did not
// fit.
struct BoardFileWriter {
  char* out;
  size_t cap;
  size_t n;
  bool fits;
};
void BeginBoardFile(BoardFileWriter& w, char* out, size_t cap);
void PutBoardFileCategory(BoardFileWriter& w, const char* name);
void PutBoardFileBoard(BoardFileWriter& w, const char* address, const char* name, const char* type);
size_t EndBoardFile(BoardFileWriter& w);
// A buffer size that always fits FormatBoardFile's result.
inline constexpr size_t kBoardFileTextMax = static_cast<size_t>(kBoardTreeCapacity) * 600 + 64;

// ---- display -----------------------------------------------------------

// One list with collapsible categories (TreeType 0): categories are always
// shown, boards only under an expanded category (boards before the first
// category are always shown).
int32_t VisibleRowCount(const BoardTree& tree);
int32_t ItemOfRow(const BoardTree& tree, int32_t row);   // -1 when none
int32_t RowOfItem(const BoardTree& tree, int32_t item);  // -1 when not shown
// The category at or above item, or -1.
int32_t CategoryAtOrAbove(const BoardTree& tree, int32_t item);
// Sets the expanded flag and writes TreeOpen's character at the category's
// ordinal (up to 149): "2"/"3" for the first n1 categories, else "0"/"1".
void SetExpanded(BoardTree& tree, int32_t item, bool expanded, char* treeOpen, int32_t n1);

// Two lists (TreeType non-zero): the categories, and the boards of one.
int32_t CategoryRowCount(const BoardTree& tree);
int32_t ItemOfCategoryRow(const BoardTree& tree, int32_t row);   // -1 when none
int32_t CategoryRowOfItem(const BoardTree& tree, int32_t item);  // of the category at or above, -1
// The boards of a category: items first .. first + count - 1.
int32_t BoardsOfCategory(const BoardTree& tree, int32_t category, int32_t* first);

// The board-list search: the first row from start on whose name contains
// text (case-insensitive), among rows 0..rows-1 mapped by itemOfRow; -1
// when none. The last row is searched too.
using RowToItem = int32_t (*)(const BoardTree& tree, int32_t row);
int32_t FindBoardRow(const BoardTree& tree, const char* text, int32_t start, int32_t rows, RowToItem itemOfRow);
// Whether name contains text, letters compared without case, stepping over
// two-byte characters.
bool ContainsNoCase(const char* name, const char* text);

// The icon strip (8 icons, indexed by kind): its file in the program folder
// and the size of one icon.
struct BoardIconStrip {
  const char* file;
  int32_t width, height;
};
BoardIconStrip BoardIconStripFor(int32_t setFntTL, int32_t displayScale, bool handheld);

// ---- choosing a board and the acquired-boards list -----------------------

// The current board address for a chosen board's address, and the address
// it is recorded under in the acquired-boards list (empty when it is not
// recorded: a local acquired list). False when the result does not fit.
bool ChosenBoardAddresses(const char* address, char* current, char* acquired);
// Adds a board (a category when address is empty) unless an item with the
// same name and address is there already. True when the list changed.
bool AddAcquiredBoard(BoardTree& tree, const char* name, const char* address);
// The acquired-boards list as read: the category "既得リスト" when empty.
void SeedAcquiredBoards(BoardTree& tree);
inline constexpr char kAcquiredCategory[] = "既得リスト";
inline constexpr char kAcquiredMenuAddress[] = "http://acquired.htm";

// ---- bbsmenu.txt ---------------------------------------------------------

inline constexpr int32_t kMenuSourcesRead = 50;
struct MenuSource {
  char name[64];
  char address[260];
};
struct MenuSources {
  MenuSource items[kMenuSourcesRead + 1];  // the read ones and the acquired-list source
  int32_t count;
};
// Reads the sources and adds "既得リスト,http://acquired.htm" when no source
// has that address.
void ParseMenuSources(const char* data, size_t length, MenuSources& out);
// The file created when it is missing, for the default menu address.
size_t DefaultMenuSourcesText(const char* defaultMenu, char* out, size_t cap);
// Whether the shown address is to be added to bbsmenu.txt: it starts with
// "http://" or "h2ch://" (any case) and no source has it (any case).
bool ShouldAddMenuSource(const MenuSources& sources, const char* address);
// The file with the new source appended (the old text made to end in a line
// end first). Returns the length, 0 when it does not fit.
size_t AppendMenuSource(const char* data, size_t length, const char* address, char* out, size_t cap);
// The source to show for what the user typed: the first whose name or
// address starts with text (any case); -1 when none or text is empty.
int32_t FindMenuSourceByPrefix(const MenuSources& sources, const char* text);
// The source with exactly this address, or -1.
int32_t FindMenuSourceByAddress(const MenuSources& sources, const char* address);

// ---- moved boards --------------------------------------------------------

// For each board of active whose name is in other but never with the same
// address, calls visit with the line "%s: %s→%s" (name, address in active,
// address in other). Returns the number of lines.
using MovedLineVisitor = void (*)(const char* line, void* context);
int32_t ListMovedBoards(const BoardTree& active, const BoardTree& other, MovedLineVisitor visit, void* context);

}  // namespace kv
