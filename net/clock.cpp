#include "net/clock.h"

#include <cstring>

namespace kv {

bool ClaimClockCheck(ClockCheckState& s, bool ntpCheckOn, uint32_t nowSeconds) {
  if (!ntpCheckOn || s.state == kClockRunning) return false;
  if (nowSeconds - s.lastStart > kClockRecheckSeconds) s.state = kClockMayRun;
  if (s.state != kClockMayRun) return false;
  s.lastStart = nowSeconds;
  s.state = kClockRunning;
  return true;
}

void BuildNtpRequest(uint8_t out[kNtpPacketSize]) {
  memset(out, 0, kNtpPacketSize);
  out[0] = 0x0B;  // leap indicator 0, version 1, mode 3 (client)
}

static uint32_t BigEndian32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

bool ReadNtpReply(const uint8_t* data, size_t length, bool fromServer, uint32_t* seconds, uint32_t* fraction) {
  // Anything else that reaches the socket (another program's packet, a
  // forged or truncated answer, a client request echoed back) must not move
  // the clock.
  if (!fromServer || length != kNtpPacketSize) return false;
  if ((data[0] & 7) != 4) return false;
  uint32_t s = BigEndian32(data + 40);
  uint32_t f = BigEndian32(data + 44);
  if (s == 0 && f == 0) return false;
  *seconds = s;
  *fraction = f;
  return true;
}

bool NtpToUtc(uint32_t seconds, uint32_t fraction, UtcTime* out) {
  int64_t unix;
  if (seconds & 0x80000000u) {
    if (seconds < kNtpToUnix) return false;
    unix = static_cast<int64_t>(seconds) - kNtpToUnix;
  } else {
    unix = static_cast<int64_t>(seconds) + 0x100000000LL - kNtpToUnix;
  }
  int64_t days = unix / 86400;
  int64_t rest = unix % 86400;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t z = days + 719468;
  int64_t era = z / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  out->year = static_cast<int32_t>(m <= 2 ? y + 1 : y);
  out->month = static_cast<int32_t>(m);
  out->day = static_cast<int32_t>(d);
  out->hour = static_cast<int32_t>(rest / 3600);
  out->minute = static_cast<int32_t>(rest / 60 % 60);
  out->second = static_cast<int32_t>(rest % 60);
  out->millisecond = static_cast<int32_t>((static_cast<uint64_t>(fraction) * 1000) >> 32);
  return true;
}

bool ClockNeedsSetting(const UtcTime& system, const UtcTime& server) {
  if (system.year != server.year || system.month != server.month || system.day != server.day) return true;
  int32_t a = (system.hour * 60 + system.minute) * 60 + system.second;
  int32_t b = (server.hour * 60 + server.minute) * 60 + server.second;
  int32_t diff = a - b;
  return diff > kClockToleranceSeconds || diff < -kClockToleranceSeconds;
}

bool IsUsableAddress(uint32_t address) {
  if (address == 0x7F000001u) return false;
  return (address & 0xFFFF0000u) != 0xA9FE0000u;
}

bool AnyUsableAddress(const uint32_t* addresses, int count) {
  for (int i = 0; i < count && i < 8; ++i)
    if (IsUsableAddress(addresses[i])) return true;
  return false;
}

}  // namespace kv
