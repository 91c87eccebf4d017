// Stand-in for the thread list until it is built: an empty list view, and
// lists that know nothing.
#include <windows.h>
#include <commctrl.h>

#include "core/startup_win.h"
#include "core/text.h"
#include "ui/panes_win.h"

namespace kv {

static HWND MakeList(HWND main, int id) {
  return CreateWindowEx(WS_EX_CLIENTEDGE, WC_LISTVIEW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER, 0,
                        0, 120, 100, main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
}

HWND CreateThreadListPane(HWND main) { return MakeList(main, 40212); }
void LoadThreadList() {}
void ShowAcquiredList(bool) {}
void ShowFavourites() {}
void SortThreadList(int) {}
void ToggleListColumnHeader() {}
LRESULT ThreadListNotify(NMHDR*) { return 0; }
void DrawThreadListRow(const DRAWITEMSTRUCT*) {}
void MeasureThreadListRow(MEASUREITEMSTRUCT*) {}
void SaveListColumns() {}
void SaveCurrentAcquiredList() {}
void ThreadTitleOf(const char*, char* title, size_t cap) { CopyText(title, cap, "?"); }
int32_t ReadPositionOf(const char*) { return -1; }
void RecordReadPosition(const char*, const char*, int32_t, int32_t) {}
void MarkThreadLoaded(const char*) {}
bool TitleInIndex(const char*, size_t, int32_t, char*, size_t) { return false; }

}  // namespace kv
