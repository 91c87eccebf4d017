// The key bindings of this run.
#pragma once
#include <windows.h>

#include "ui/keys.h"

namespace kv {

extern KeyBindings g_keys;

// Sets up the default tables and reads Kvel.key from the program folder
// (a missing file leaves the defaults).
void LoadKeyBindings();

// Appends the items of a key-file pop-up menu ("-" lines as separators).
void AppendPopupItems(HMENU menu, const PopupMenu& items);

}  // namespace kv
