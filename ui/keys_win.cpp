#include "ui/keys_win.h"

#include "core/app.h"
#include "core/sjis_win.h"
#include "core/store_win.h"
#include "core/text.h"

namespace kv {

KeyBindings g_keys;

void LoadKeyBindings() {
  SetUpKeyTables(g_keys, g_settings);
  char path[260];
  FormatText(path, sizeof path, "%sKvel.key", g_programFolder);
  FileBuffer file;
  if (LoadFile(path, &file)) ApplyKeyFile(g_keys, g_settings, file.data, file.size);
}

void AppendPopupItems(HMENU menu, const PopupMenu& items) {
  for (int i = 0; i < items.count && i < kPopupItemsMax; ++i) {
    if (items.items[i].number < 0)
      AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenu(menu, MF_STRING, static_cast<UINT_PTR>(items.items[i].number), TextArg(items.items[i].text).get());
  }
}

}  // namespace kv
