#include "ui/tools_win.h"

#include "core/app.h"
#include "core/text.h"
#include "reader/popup_win.h"
#include "ui/editor.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"
#include "ui/proxy_win.h"
#include "ui/search_win.h"

namespace kv {

bool RunToolCommand(HWND main, int command) {
  switch (command) {
    case 40018:
      // From a thread window the view opens its own search.
      if (g_panes.lastFocus && (g_panes.lastFocus == g_panes.tree || g_panes.lastFocus == g_panes.tree2)) {
        ShowBoardSearch();
        return true;
      }
      if (g_panes.lastFocus && g_panes.lastFocus == g_panes.list) {
        ShowTitleSearch();
        return true;
      }
      return false;
    case 40036:
      ShowProxyDialog(main);
      return true;
    case 40096:
      RunWebSearch(main);
      return true;
    default:
      break;
  }
  const char* file = EditorFileOf(command);
  if (!file) return false;
  char path[260];
  FormatText(path, sizeof path, "%s%s", g_programFolder, file);
  OpenTextEditor(path);
  // The list as it is on disk now (a hand edit, an NG button) hides its
  // posts in every open thread at once.
  if (command == 40072) ReloadNgWordsAndViews();
  return true;
}

}  // namespace kv
