// Stand-in for the board pane until it is built: an empty list view.
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

HWND CreateBoardTreePane(HWND main, int which) { return which == 0 ? MakeList(main, 40210) : nullptr; }
bool FillBoardTree() { return false; }
void SelectBoardTreeRow() {}
bool RunBoardMenuDialog(HWND) { return false; }
void WriteAcquiredBoards() {}
LRESULT BoardPaneNotify(NMHDR*) { return 0; }

}  // namespace kv
