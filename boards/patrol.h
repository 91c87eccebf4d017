// The patrol list: the entries of round.txt as the patrol dialog shows and
// walks them, and the dialog's decisions that need no window.
#pragma once
#include <cstddef>
#include <cstdint>

#include "boards/round.h"

namespace kv {

// The icon of a row for its result: 2 -> 3, 3 -> 5, 4 -> 1, else 0.
int32_t PatrolIconOf(int32_t result);

// The result of one fetched entry. An answer with nothing new is the log up
// to date, not a failure.
int32_t PatrolResultOf(bool updated, bool noNewData, bool aborted);

// The automatic-check drop-down: "なし", "15分毎", "30分毎", "60分毎".
inline constexpr int32_t kCycleChoices = 4;
extern const char* const kCycleChoiceTexts[kCycleChoices];
// The item selected on opening for CycleTim: the one whose text starts with
// "%d分毎" ("なし" for 0); -1 when none does.
int32_t CycleChoiceFor(int32_t cycleMinutes);
// CycleTim from a choice's text: its leading number, 0 for "なし".
int32_t CycleFromChoiceText(const char* text);

// What the automatic-check timer does when it fires.
enum class PatrolTimerStep {
  Stop,           // CycleTim is 0: the timer stays off
  StartAndRearm,  // start a run and arm the timer again
  Rearm,          // a run is still going: leave it alone, arm again
};
PatrolTimerStep DecidePatrolTimer(int32_t cycleMinutes, bool running);

}  // namespace kv
