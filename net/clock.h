// The clock check and the network check apart from the platform: when a
// check may start, the NTP packets, the decision to set the clock, and which
// local addresses count as a network.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr uint32_t kClockRecheckSeconds = 86400;
inline constexpr int32_t kClockToleranceSeconds = 5;
inline constexpr size_t kNtpPacketSize = 48;
inline constexpr uint32_t kNtpToUnix = 2208988800u;  // seconds from 1900 to 1970
inline constexpr uint32_t kNtpReceiveTimeoutMs = 5000;

// Clock-check state values.
enum ClockState : int32_t { kClockMayRun = 0, kClockRunning = 1, kClockDone = 10, kClockFailed = -1 };

struct ClockCheckState {
  int32_t state;
  uint32_t lastStart;  // seconds of uptime
};

// Whether a check starts now (nowSeconds: seconds of uptime). A state left
// by a finished or failed check is reset once more than 86400 s have passed
// since the last start. On true the state is running and the start noted.
bool ClaimClockCheck(ClockCheckState& s, bool ntpCheckOn, uint32_t nowSeconds);

// The client request: 48 bytes, all zero but 0x0B (version 1, client).
void BuildNtpRequest(uint8_t out[kNtpPacketSize]);

// The transmit time of a reply that may change the clock: exactly 48 bytes
// from the server's address and port, in server mode, with a non-zero
// transmit time. False for anything else.
bool ReadNtpReply(const uint8_t* data, size_t length, bool fromServer, uint32_t* seconds, uint32_t* fraction);

struct UtcTime {
  int32_t year, month, day, hour, minute, second, millisecond;
};
// NTP seconds and fraction as a UTC date and time. Seconds with the top bit
// clear are read as the era that begins in 2036. False before 1970.
bool NtpToUtc(uint32_t seconds, uint32_t fraction, UtcTime* out);

// Set the clock unless both show the same date and at most 5 seconds
// between their times of day (milliseconds not counted).
bool ClockNeedsSetting(const UtcTime& system, const UtcTime& server);

// An IPv4 address (in host order) other than 127.0.0.1 and 169.254.0.0/16.
bool IsUsableAddress(uint32_t address);
// The first usable one among the first 8 addresses.
bool AnyUsableAddress(const uint32_t* addresses, int count);

}  // namespace kv
