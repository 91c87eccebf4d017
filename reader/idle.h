// The idle message of an empty thread view: a small picture with a remark
// (greeting, calendar line, mock fortune or forecast, or a fixed joke).
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

struct RemarkClock {
  int month, day, hour;  // local time
};

// Uniform draw in 0..n-1. The program uses the C library generator seeded at
// start; tests pass their own.
using RandomDraw = int (*)(int n);
int LibraryRandom(int n);

inline constexpr int kIdlePictures = 22;
inline constexpr int kRemarkValues = 58;  // r is drawn from 0..57

// Builds a remark: the first line into first, the (often empty) second line
// into second.
void MakeRemark(const RemarkClock& now, RandomDraw draw, char* first, size_t firstCap, char* second,
                size_t secondCap);
// The same for one chosen r (0..57), for tests and for MakeRemark itself.
void MakeRemarkFor(int r, const RemarkClock& now, RandomDraw draw, char* first, size_t firstCap, char* second,
                   size_t secondCap);

// The picture with index i, its two slots filled with first and second. A
// picture of 250 bytes or more is used as it stands.
size_t FillPicture(int i, const char* first, const char* second, char* out, size_t cap);
size_t PictureLength(int i);

struct IdleMessage {
  char text[1024];
  uint32_t refreshedAt;  // milliseconds of the last refresh
  bool made;
};

// Builds a new message when more than 800 ms have passed since the last one
// (or there is none yet). Returns whether the text changed.
bool RefreshIdleMessage(IdleMessage& m, uint32_t nowMs, const RemarkClock& now, RandomDraw draw);

}  // namespace kv
