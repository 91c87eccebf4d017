// The thread-list pane beyond what ui/panes_win.h asks of it: the tables
// for other parts, the acquired-list operations by address, the favourites
// editor launches and the hooks for parts that come later.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>

#include "boards/threadlist.h"

namespace kv {

// The four tables (valid once the pane exists).
ThreadLists& ThreadListTables();

// Parses a list buffer into the current table: an index, a feed (through
// the feed parser) or nothing, by its content. With window the item count,
// selection and NowTSort follow. Returns the row count.
int32_t ParseListBuffer(const char* data, size_t length, ParseMode mode, size_t holdBack, const char* base,
                        HWND window);

// The feed branch: set by the feed part; until then feeds give no rows.
using FeedParser = int32_t (*)(ThreadLists& lists, const char* data, size_t length, ParseMode mode, size_t holdBack);
void SetFeedParser(FeedParser parser);

// The title/URL dialog: the one place the list hands it its text.
using TitleUrlDialog = void (*)(const char* text);
void SetTitleUrlDialog(TitleUrlDialog dialog);
// "address\r\ntitle\r\n" of a row, with "," in the title's first 100 bytes
// as "."; false for a free row.
bool TitleUrlTextOf(int32_t row, char* out, size_t cap);

// Acquired list by thread address (board folder + "dat/" + key + ".dat").
// Each loads the board's list first when another one is held.
int32_t RecordOpenedThreadUrl(const char* url, const char* title, int32_t count);
bool RemoveAcquiredUrl(const char* url);
// Makes the acquired table hold board's list (its index address).
void EnsureAcquiredList(const char* board);
// Writes the acquired table to its file when it changed.
void WriteAcquiredList();

// Opens the row as a double-click does.
void OpenThreadRow(int32_t row);
// The thread-title search: first row at or after from with the text.
int32_t FindThreadTitle(int32_t from, const char* text);

// A new image list of the thread list's icon strip, as SetFntTL chooses it
// (the caller destroys it); the patrol dialog shares it.
HIMAGELIST MakeListIcons();

// The list's polling timer and the worker's clear request (tests).
inline constexpr UINT_PTR kListTimer = 1;
inline constexpr UINT_PTR kListCancelTimer = 99;  // a cancelled download's record goes
inline constexpr UINT kListClearMessage = WM_APP + 0x21;

}  // namespace kv
