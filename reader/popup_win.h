// A click or "CLICK" on a line of a thread window: the line's web address
// or the posts its anchors name, shown in the title/URL dialog; and the
// reload of the NG list that every open thread window follows.
#pragma once
#include <windows.h>

#include <cstdint>

#include "reader/thread.h"

namespace kv {

// Opens a link or the anchored posts for the line of hit region index.
// Returns true when a dialog opened.
bool ActivateRegion(ThreadViewState& view, HWND window, int32_t index);

// "CLICK" (40111): the first region at or after the cursor line. A second
// activation while one runs (a message box of it still open) is ignored.
bool ActivateAtCursor(ThreadViewState& view, HWND window);

// "ﾀｲﾄﾙとURL" (40056) of a thread window: its reading address, CR LF, its
// title (commas as ".", at most 100 bytes, up to a control byte) and CR LF.
void OpenViewTitleUrl(const ThreadViewState& view);

// Reads ngword.txt again from disk and rebuilds every open thread window
// from its log, so that a changed list takes effect at once.
void ReloadNgWordsAndViews();

}  // namespace kv
