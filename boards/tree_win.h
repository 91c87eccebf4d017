// The board pane: the board tree's list views, their icons, keys and
// clicks, choosing a board, the acquired-boards list acquired.htm and the
// board-menu update dialog. The functions the main window calls are in
// ui/panes_win.h; these are for the other parts and for tests.
#pragma once
#include <windows.h>

#include <cstdint>

#include "boards/boardfile.h"

namespace kv {

inline constexpr int kBoardTreeId = 40210;
inline constexpr int kBoardTree2Id = 40211;

// The slot the pane shows, and the acquired-boards list.
BoardTree& ActiveBoardTree();
BoardTree& AcquiredBoards();
bool AcquiredBoardsChanged();

// Choosing the board of item (of the active tree): the acquired list of the
// previous board is saved, the current board address set, the board added
// to the acquired-boards list and "スレ一覧取得" (40006) posted.
void ChooseBoard(int32_t item);

// The board-list search: the first displayed row from start on whose name
// contains text (letters compared without case, never inside a two-byte
// character), or -1; the last row is searched too. Selecting (and
// focusing, scrolling to) a row of the board tree, and the focused row, -1
// when none (with two lists: of the category list).
int32_t FindBoardTreeRow(const char* text, int32_t start);
void SelectBoardTreeRowAt(int32_t row);
int32_t FocusedBoardTreeRow();

// The lines of the moved-boards list of the last update.
int32_t BoardMenuMovedLineCount();
const char* BoardMenuMovedLine(int32_t n);

// Whether the update dialog's download is under way.
bool BoardMenuDownloading();

// Tests: called with the update dialog once it is set up.
void SetBoardMenuDialogHookForTest(void (*hook)(HWND dialog));

}  // namespace kv
