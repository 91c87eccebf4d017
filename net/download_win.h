// The download-file dialog (template 123): a file address is saved into a
// chosen folder by a file-mode job, resumed when a partial of the same
// address from today is there; sound and video can go to the player.
#pragma once
#include <windows.h>

namespace kv {

// Runs the modal dialog with the address prefilled (null or "" for none).
// Returns how it ended: 2 (closed) or 1052 (the player was started).
INT_PTR OpenDownloadDialog(HWND owner, const char* url);

}  // namespace kv
