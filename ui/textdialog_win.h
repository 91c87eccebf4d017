// The title/URL dialog "log" (resource dialog 109) and the start of the
// companion programs.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr int IDD_TEXT_DIALOG = 109;

// Shows text (length bytes) in a new modeless dialog owned by the main
// window: URL mode when it begins with an address, else text mode, with the
// extraction buttons when sourceWindow (the thread window it came from) is
// given. Returns the dialog, or null.
HWND OpenTextDialog(const char* text, size_t length, HWND sourceWindow);

enum class LaunchResult { Started, Missing, Failed };
// Starts Selm32 (kind 1), Ravo32 (2) or the program folder's Dask.lnk (4)
// with the title and URL through the shell.
LaunchResult LaunchCompanion(int32_t kind, const char* url, const char* title);

// The list pane's hook: "タイトルとURL" of a row.
void OpenTitleUrlText(const char* text);

// The open dialogs, and the messages they would show in a box (tests).
int32_t OpenTextDialogCount();
void SetTextDialogNotice(void (*notice)(HWND dialog, const char* text));

}  // namespace kv
