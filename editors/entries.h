// What the two companion editors share apart from the platform: their list
// of entries, their command lines, the hand-over of an entry from a second
// start to the running copy, and the choice of dialog templates.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

// One row of an editor's list. Selm32 leaves the type empty.
struct EditorEntry {
  char name[261];  // at most 260 bytes
  char url[261];
  char type[65];  // Ravo32: at most 3 bytes from the file, 64 when typed
};

// The list is the editors' model: the list control only shows it.
inline constexpr int32_t kBoardEditorRows = 1000;        // the reader's board tree holds no more
inline constexpr int32_t kFavouritesEditorRows = 10000;  // nor its thread list
struct EditorList {
  EditorEntry rows[kFavouritesEditorRows];
  int32_t count;
  int32_t capacity;  // one of the two above
  int32_t refused;   // rows that did not fit (a file longer than the list)
};

void ClearEditorList(EditorList& list, int32_t capacity);
// Inserts before row at (at the end when at is outside the list). Returns
// the new row's index, or -1 (counted in refused) when the list is full.
int32_t InsertEntry(EditorList& list, int32_t at, const EditorEntry& entry);
bool RemoveEntry(EditorList& list, int32_t row);
// Swaps the row with the one above (delta -1) or below (+1); returns the
// moved row's new index, or -1 at the first or last row.
int32_t MoveEntry(EditorList& list, int32_t row, int32_t delta);
// An entry from its texts (each cut to its field on a character boundary).
EditorEntry MakeEntry(const char* name, const char* url, const char* type);

// ---- command lines ---------------------------------------------------------

// What an editor was started with: an entry to add (name and address), and
// for Ravo32 the board file to edit.
struct EditorArguments {
  bool hasEntry;      // a quoted field was given
  char name[261];     // prepared: quotes and angle brackets made safe
  char address[260];  // prepared; at most 259 bytes
  char file[260];     // a plain file name of the program folder, or empty
};
// The arguments part of a whole command line: after the program's name
// (quoted or up to the first blank) and the blanks that follow it.
const char* SkipProgramName(const char* commandLine);
// Reads the arguments: every double-quoted string is an entry field, the
// first the name, the second and later ones appended to the address; with
// fileOption, "-f" or "/f" (either case) directly followed by a quoted
// string names the file (ignored unless it is a plain file name). Text
// outside quotes is ignored.
void ParseEditorArguments(const char* arguments, bool fileOption, EditorArguments& out);
// A plain file name: non-empty, no folder part, no drive, not "." or "..".
bool IsPlainFileName(const char* name);

// ---- a second start ------------------------------------------------------

// A second start of an editor hands its arguments to the running copy of
// the same program folder (WM_COPYDATA with this tag) and ends.
inline constexpr uint32_t kHandOverTag = 0x4B564544;  // "KVED"
// The message: the program folder, a NUL, the arguments, a NUL. Returns
// its length, 0 when it does not fit.
size_t PackHandOver(const char* folder, const char* arguments, char* out, size_t cap);
// The arguments of a message meant for this folder (compared without
// letter case); null for anything else.
const char* HandOverArguments(const char* data, size_t length, const char* folder);
// The named mutex that keeps one copy of a program per folder: the
// program's name and its folder with every "\" as "/" (a "\" would name a
// mutex namespace).
void InstanceMutexName(const char* program, const char* folder, char* out, size_t cap);

// Entries handed over while an edit dialog is open wait here.
inline constexpr int32_t kPendingEntries = 16;
struct PendingEntries {
  EditorArguments items[kPendingEntries];
  int32_t count;
};
bool PushPending(PendingEntries& queue, const EditorArguments& entry);  // false when full
bool PopPending(PendingEntries& queue, EditorArguments* entry);

// The small dialog templates are used below 320 pixels of screen width.
inline bool UseSmallEditorDialogs(int32_t screenWidth) { return screenWidth < 320; }

}  // namespace kv
