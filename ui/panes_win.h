// What the main window and the panes ask of each other. The main window
// (ui/) lays the panes out and carries out the numbered commands; the board
// pane and the thread list (boards/) and the thread windows (reader/) own
// their windows and data. Each function is implemented by the subsystem
// named above it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kv {

// ---- boards/: board tree, thread list, acquired lists, favourites ---------

// which 0: the board tree, 1: the second board tree (null when not used).
HWND CreateBoardTreePane(HWND main, int which);
HWND CreateThreadListPane(HWND main);
// Builds the board tree from the board files and the cached menu; false
// when there is no board tree at all.
bool FillBoardTree();
// Selects the row of TreeSele (row 0 when not shown), scrolls the row half
// a page further down into view.
void SelectBoardTreeRow();
// The board-list update dialog (40005); true when BoadAddr changed.
bool RunBoardMenuDialog(HWND owner);
// Writes acquired.htm when it changed.
void WriteAcquiredBoards();
// Shows the stored list of the current board and starts its download.
void LoadThreadList();
// 40046 / 40049, 40030.
void ShowAcquiredList(bool allBoards);
void ShowFavourites();
// 40115-40119: sort now by column; 40114: the column header.
void SortThreadList(int column);
void ToggleListColumnHeader();
// Notifications and owner-drawn rows of the panes.
LRESULT BoardPaneNotify(NMHDR* header);
LRESULT ThreadListNotify(NMHDR* header);
void DrawThreadListRow(const DRAWITEMSTRUCT* item);
void MeasureThreadListRow(MEASUREITEMSTRUCT* item);
// Close sequence: the column widths into ListCol0-3; the current board's
// acquired list to its file.
void SaveListColumns();
void SaveCurrentAcquiredList();
// What a thread window needs from the lists. Titles are "?" when unknown.
void ThreadTitleOf(const char* url, char* title, size_t cap);
// A title found by the title lookup: into the list rows that showed "?".
void SetThreadTitle(const char* url, const char* title);
// The post at the top of the view when it was last closed, or -1.
int32_t ReadPositionOf(const char* url);
// Closing a thread window: its read position and post count.
void RecordReadPosition(const char* url, const char* title, int32_t position, int32_t postCount);
// A thread just loaded: its row shows state 1.
void MarkThreadLoaded(const char* url);
// The title of thread key in a board's index (the title lookup job).
bool TitleInIndex(const char* data, size_t length, int32_t key, char* title, size_t cap);

// ---- reader/: thread windows -----------------------------------------------

inline constexpr int kThreadSlots = 100;  // slot 0 is the view docked in the main window
HWND CreateDockedThreadView(HWND main);
HWND FindOrCreateThreadWindow(HWND parent, const char* url);
void CloseThreadWindow(HWND window);
void CloseAllThreadWindows();  // every slot but 0
// Ends at once the closes that CloseAllThreadWindows began, each recording
// its read position: for the main window's own destruction.
void FinishClosingThreadWindows();
HWND ThreadWindowInSlot(int slot);
int ThreadWindowSlot(HWND window);  // -1 when it is none
bool ThreadWindowDownloading(HWND window);

}  // namespace kv
