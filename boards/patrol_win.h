// The patrol list in memory and the patrol dialog "巡回ﾀﾞｳﾝﾛｰﾄﾞ": a modeless
// dialog, one at most, that fetches the entries of round.txt one after
// another with a download job in patrol mode, on "開始" or every 15, 30 or
// 60 minutes while it exists (hidden or shown).
#pragma once
#include <windows.h>

#include "boards/round.h"

namespace kv {

// Reads round.txt from the program folder into the list in memory (a
// missing file: an empty list). Start-up calls it.
void LoadPatrolList();
// The same after round.txt changed (the list editor, the title/URL
// dialog): an open dialog shows the new list, at once when idle, else when
// its run ends.
void ReloadPatrolList();
const PatrolList& PatrolEntries();

// Command 40098: restores a minimised main window, then shows the dialog,
// creating it when there is none.
void OpenPatrolDialog();

// Tests: the dialog (null when there is none); the length of the automatic
// check's minute and the polling interval in milliseconds (0: a real
// minute, 2 seconds).
HWND PatrolDialog();
void SetPatrolClockForTest(UINT minute, UINT poll);
inline constexpr UINT_PTR kPatrolPollTimer = 1;
inline constexpr UINT_PTR kPatrolCycleTimer = 2;

}  // namespace kv
