#include "ui/search.h"

#include <cstring>

#include "core/text.h"

namespace kv {

int32_t FindInThread(const ThreadViewState& view, const char* text, size_t length, int32_t* position) {
  const int32_t end = view.text && view.textLength > 0 ? view.textLength : 0;
  int32_t pos = *position < 0 ? 0 : *position > end ? end : *position;
  if (!view.text || view.postCount <= 1 || view.postCount >= kPostIndexSize || !text || length == 0) {
    *position = end;
    return -1;
  }
  const char* s = view.text;
  while (pos < end) {
    int32_t stop = pos;
    while (stop < end && s[stop] != '\r' && s[stop] != '\n') ++stop;
    // A line longer than the read buffer is read as several lines, each cut
    // at a character boundary.
    size_t lineLength = SjisCutLength(s + pos, static_cast<size_t>(stop - pos), kSearchLineMax);
    int32_t next = pos + static_cast<int32_t>(lineLength);
    if (next == stop) {
      if (next < end && s[next] == '\r') ++next;
      if (next < end && s[next] == '\n') ++next;
    }
    if (next == pos) next = pos + 1;  // never stand still
    bool hit = FindText(s + pos, lineLength, text, length, kSearchLineStarts) >= 0;
    pos = next;
    if (!hit) continue;
    *position = pos;
    // The post holding the line: the first whose successor starts at or
    // after the position past the line.
    for (int32_t p = 1; p < view.postCount; ++p)
      if (view.postStart[p + 1] >= pos) return view.postLine[p];
    return -1;
  }
  *position = end;
  return -1;
}

bool WebSearchAddress(const char* host, const char* text, size_t length, char* out, size_t cap) {
  static const char kQueryHead[] = "/search?hl=ja&inlang=ja&ie=Shift_JIS&oe=shift_jis&q=";
  static const char kQueryTail[] = "&lr=";
  if (!out || cap == 0) return false;
  out[0] = 0;
  if (!host || !text || length == 0) return false;
  size_t head = FormatText(out, cap, "http://%s%s", host, kQueryHead);
  if (head != 7 + strlen(host) + strlen(kQueryHead) || head + sizeof kQueryTail > cap) {
    out[0] = 0;
    return false;
  }
  bool cut = false;
  size_t room = cap - head - (sizeof kQueryTail - 1);
  size_t n = UrlEncode(text, length, out + head, room, &cut);
  if (cut) {
    out[0] = 0;
    return false;
  }
  memcpy(out + head + n, kQueryTail, sizeof kQueryTail);
  return true;
}

}  // namespace kv
