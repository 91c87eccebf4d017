// Ravo32, the board-file editor, apart from the platform: reading
// TreeList.htm into rows, writing rows back in the board-file dialect, and
// the rules of its edit dialog.
#pragma once
#include <cstddef>
#include <cstdint>

#include "editors/entries.h"

namespace kv {

inline constexpr char kRavoTitle[] = "Ravo.TreeList Edit Ver.05.11.15";
inline constexpr char kRavoDefaultFile[] = "TreeList.htm";
inline constexpr char kCategoryMark[] = "■";  // the URL column of a category
inline constexpr char kCategoryType[] = "tag";

// Appends the file's categories ("<B>" title: name, "■", "tag") and links
// (text, href, the first three characters of bbstype) to list.
void ParseRavoFile(const char* data, size_t length, EditorList& list);
// The file for the rows: a row whose URL is empty or "■" is a category,
// every other row a link. Returns the length, 0 when it does not fit.
size_t FormatRavoFile(const EditorList& list, char* out, size_t cap);
// A buffer size that fits FormatRavoFile's result for count rows.
inline size_t RavoFileCap(int32_t count) { return static_cast<size_t>(count) * 700 + 128; }

// What the edit dialog shows for a row: "http://" for an empty URL; the
// row's type, or "tag" for a named row without an address.
void RavoEditShown(const EditorEntry& row, EditorEntry& shown);
enum class RavoEditResult { Accepted, NotAnAddress };
// The row after OK. An empty URL, "■" or "http://" alone makes a category
// ("■", "tag"); any other URL must start with "h" (else NotAnAddress, row
// untouched: it would be saved as a category and lose its address); a link
// never keeps the type "tag". Name and address are made safe for the file.
RavoEditResult RavoEditAccept(const EditorEntry& typed, EditorEntry& row);

}  // namespace kv
