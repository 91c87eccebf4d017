// Checks shared by the reader's fuzz targets: what every view text must be.
#pragma once
#include <cstdint>
#include <cstring>

#include "reader/thread.h"

namespace fuzzutil {

#define FUZZ_CHECK(c)           \
  do {                          \
    if (!(c)) __builtin_trap(); \
  } while (0)

// Lines end in CR LF, header lines alone begin with TAB, the index is
// ascending, counts lines as written and ends in its sentinel.
inline void CheckView(const kv::ThreadViewState& v, size_t capacity) {
  FUZZ_CHECK(v.postCount >= 1 && v.postCount <= kv::kMaxPosts + 1);
  FUZZ_CHECK(v.textLength >= 0 && static_cast<size_t>(v.textLength) < capacity);
  FUZZ_CHECK(v.postStart[v.postCount] == v.textLength);
  FUZZ_CHECK(v.postLine[v.postCount] == v.lineCount);
  const char* t = v.text;
  int32_t line = 0;
  int32_t post = 1;
  bool lineStart = true;
  for (int32_t i = 0; i <= v.textLength; ++i) {
    while (post < v.postCount && v.postStart[post] == i) {
      FUZZ_CHECK(v.postLine[post] == line);
      FUZZ_CHECK(lineStart);
      FUZZ_CHECK(i == v.textLength || i == v.postStart[post + 1] || t[i] == '\t');
      ++post;
    }
    if (i == v.textLength) break;
    if (lineStart && t[i] == '\t') FUZZ_CHECK(post >= 2 && v.postStart[post - 1] == i);
    lineStart = false;
    if (t[i] == '\r') {
      FUZZ_CHECK(i + 1 < v.textLength && t[i + 1] == '\n');
      ++line;
      ++i;
      lineStart = true;
    } else {
      FUZZ_CHECK(t[i] != '\n');
    }
  }
  FUZZ_CHECK(post == v.postCount);
  FUZZ_CHECK(lineStart);
  FUZZ_CHECK(line == v.lineCount);
}

}  // namespace fuzzutil
