// The key bindings of this run.
#pragma once
#include "ui/keys.h"

namespace kv {

extern KeyBindings g_keys;

// Sets up the default tables and reads Kvel.key from the program folder
// (a missing file leaves the defaults).
void LoadKeyBindings();

}  // namespace kv
