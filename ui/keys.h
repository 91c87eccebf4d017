// The command table, the five key tables, the user pop-up menus and the key
// file Kvel.key that changes them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/settings.h"

namespace kv {

struct CommandInfo {
  int number;
  const char* name;     // the key file's word
  const char* display;  // the pop-up menu text
};
inline constexpr size_t kCommandCount = 67;
extern const CommandInfo kCommands[kCommandCount];
// The entry with this number, or null.
const CommandInfo* FindCommand(int number);

// Binding contexts.
enum KeyTableId { kKeysDefault = 0, kKeysTree = 1, kKeysTree2 = 2, kKeysList = 3, kKeysView = 4 };
inline constexpr int kKeyTables = 5;
inline constexpr int kKeyTableSize = 60;
inline constexpr int kPopupMenus = 4;  // board tree, second board tree, thread list, thread view
inline constexpr int kPopupItemsMax = 20;
inline constexpr int kLaunchersMax = 8;
inline constexpr int kFirstLauncher = 40120;

struct KeyEntry {
  int32_t command;
  int32_t key;  // 0 ends the table
};

struct PopupItem {
  int32_t number;  // -1 for a separator
  char text[64];
};

struct PopupMenu {
  PopupItem items[kPopupItemsMax];
  int32_t count;
};

struct KeyBindings {
  KeyEntry tables[kKeyTables][kKeyTableSize];
  PopupMenu popups[kPopupMenus];
  int32_t launchers;          // launcher items added so far (at most 8)
  uint32_t hardwareKeys;      // bit n: {F(n+1)} is bound (handheld buttons)
};

// The defaults: letters, digits and special keys in every table, the letter
// commands, empty menus; the list colours of the settings block are reset.
void SetUpKeyTables(KeyBindings& b, Settings& s);

// Applies the key file's bytes (read after the settings file, so its
// [DATA_COLOR] values override the settings for the session).
void ApplyKeyFile(KeyBindings& b, Settings& s, const char* text, size_t length);

// The command bound to key in table, falling back to table 0 for the panes;
// 0 when unbound. Logs "KeyID key=%02X, id=%d" for every bound key found.
int LookUpKey(const KeyBindings& b, int key, int table);

const PopupMenu& PopupItems(const KeyBindings& b, int menu);
// The text of the launcher item with this number in any menu, or "".
const char* LauncherName(const KeyBindings& b, int number);

// Movement commands that a pane applies to itself.
inline bool IsMovementCommand(int command) { return command >= 51 && command <= 69; }

}  // namespace kv
