// Selm32, the favourites editor, apart from the platform: Favorite.htm into
// rows and back, and what its edit dialog keeps.
#pragma once
#include <cstddef>
#include <cstdint>

#include "editors/entries.h"

namespace kv {

inline constexpr char kSelmTitle[] = "Selm.Favorite Edit Ver.02.08.10";
inline constexpr char kSelmFile[] = "Favorite.htm";

// Appends a row (name, address) for every link of the file, empty names too.
void ParseSelmFile(const char* data, size_t length, EditorList& list);
// The whole file for the rows. Returns the length, 0 when it does not fit.
size_t FormatSelmFile(const EditorList& list, char* out, size_t cap);
inline size_t SelmFileCap(int32_t count) { return static_cast<size_t>(count) * 560 + 256; }
// The row after OK: name and address made safe for the file.
void SelmEditAccept(const EditorEntry& typed, EditorEntry& row);

}  // namespace kv
