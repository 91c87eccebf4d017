#include "ui/keys_win.h"

#include "core/app.h"
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

}  // namespace kv
