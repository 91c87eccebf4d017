// The clock check (NTP, on its own thread), the network check and the
// network-not-found question.
#pragma once
#include <cstdint>

namespace kv {

// Starts a clock check on its own thread unless NTPCheck is off, one runs,
// or the last one started less than 86400 s of uptime ago.
void startClockCheck();
// 1 when the network may be used (always when NetAtchk is off), else 0.
int netAvailable();
// Shows the network-not-found question (dialog 126) and returns the
// button: 1 dialer, 2 close; 6 at once while it is already on screen.
int askNetwork();

// The clock-check state (ClockState values), shared by every thread.
int32_t CurrentClockState();

// Test hooks: the uptime in seconds the checks count with (null: the
// system's), a state of 0 and no last start, and a network check answer
// (null: the real one).
void SetUptimeSourceForTest(uint32_t (*uptime)());
void ResetClockCheckForTest();
void SetNetworkProbeForTest(int (*probe)());

}  // namespace kv
