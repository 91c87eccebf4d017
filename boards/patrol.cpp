#include "boards/patrol.h"

#include <cstring>

#include "core/text.h"
#include "net/job.h"

namespace kv {

const char* const kCycleChoiceTexts[kCycleChoices] = {"なし", "15分毎", "30分毎", "60分毎"};

int32_t PatrolIconOf(int32_t result) {
  switch (result) {
    case kPatrolUpdated:
      return 3;
    case kPatrolFailed:
      return 5;
    case kPatrolRunning:
      return 1;
    default:
      return 0;
  }
}

int32_t PatrolResultOf(bool updated, bool noNewData, bool aborted) {
  if (aborted) return kPatrolFailed;
  return updated || noNewData ? kPatrolUpdated : kPatrolFailed;
}

int32_t CycleChoiceFor(int32_t cycleMinutes) {
  if (cycleMinutes == 0) return 0;
  char prefix[24];
  size_t n = FormatText(prefix, sizeof prefix, "%d分毎", static_cast<int>(cycleMinutes));
  for (int32_t i = 0; i < kCycleChoices; ++i)
    if (strncmp(kCycleChoiceTexts[i], prefix, n) == 0) return i;
  return -1;
}

int32_t CycleFromChoiceText(const char* text) {
  int32_t minutes = 0;
  for (const char* p = text; p && *p >= '0' && *p <= '9' && minutes < 100000; ++p) minutes = minutes * 10 + (*p - '0');
  return minutes;
}

PatrolTimerStep DecidePatrolTimer(int32_t cycleMinutes, bool running) {
  if (cycleMinutes <= 0) return PatrolTimerStep::Stop;
  return running ? PatrolTimerStep::Rearm : PatrolTimerStep::StartAndRearm;
}

}  // namespace kv
