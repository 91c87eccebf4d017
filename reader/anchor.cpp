#include "reader/anchor.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

namespace {

using uchar = unsigned char;

// "０".."９" are 0x82 0x4F .. 0x82 0x58.
int FullWidthDigit(const char* s, size_t n) {
  if (n < 2 || static_cast<uchar>(s[0]) != 0x82) return -1;
  uchar t = static_cast<uchar>(s[1]);
  return t >= 0x4F && t <= 0x58 ? t - 0x4F : -1;
}

bool DigitAt(const char* s, size_t n) { return n && ((s[0] >= '0' && s[0] <= '9') || FullWidthDigit(s, n) >= 0); }

// Double-byte markers: ＞ （ ） ， ＝ ＆ (lead 0x81).
bool WideMarker(const char* s, size_t n) {
  if (n < 2 || static_cast<uchar>(s[0]) != 0x81) return false;
  switch (static_cast<uchar>(s[1])) {
    case 0x84:
    case 0x69:
    case 0x6A:
    case 0x43:
    case 0x81:
    case 0x95:
      return true;
    default:
      return false;
  }
}

bool NarrowMarker(char c) {
  return c == '>' || c == '(' || c == ')' || c == ',' || c == '=' || c == '&';
}

// "-" or "－" (0x81 0x7C): its length, or 0.
size_t RangeSeparator(const char* s, size_t n) {
  if (n && s[0] == '-') return 1;
  if (n >= 2 && static_cast<uchar>(s[0]) == 0x81 && static_cast<uchar>(s[1]) == 0x7C) return 2;
  return 0;
}

bool Add(Anchor* out, int32_t cap, int32_t& count, int32_t first, int32_t last) {
  if (count >= cap) return false;
  out[count++] = Anchor{first, last};
  return true;
}

}  // namespace

int32_t ParseAnchorNumber(const char* text, size_t length, size_t* consumed) {
  size_t i = 0;
  int32_t value = 0;
  while (i < length) {
    if (text[i] >= '0' && text[i] <= '9') {
      if (i + 1 > kAnchorDigitsMax) break;
      value = value * 10 + (text[i] - '0');
      i += 1;
    } else if (int d = FullWidthDigit(text + i, length - i); d >= 0) {
      if (i + 2 > kAnchorDigitsMax) break;
      value = value * 10 + d;
      i += 2;
    } else {
      break;
    }
  }
  if (consumed) *consumed = i;
  return value;
}

size_t ActivationLineLength(const char* text, size_t available, size_t max) {
  size_t n = 0;
  while (n < available && text[n] != '\r' && text[n] != '\n' && text[n] != 0) ++n;
  return SjisCutLength(text, n, max);
}

int32_t FindAnchors(const char* line, size_t length, Anchor* out, int32_t cap) {
  int32_t count = 0;
  if (!line || cap <= 0) return 0;
  length = ActivationLineLength(line, length, length);
  size_t i = 0;
  bool header = length && line[0] == '\t';
  if (header) i = 1;
  size_t used = 0;
  if (DigitAt(line + i, length - i)) {
    int32_t n = ParseAnchorNumber(line + i, length - i, &used);
    Add(out, cap, count, n, n);
    i += used;
  }
  if (header) {
    // The name column, when it is a number: "12" as a name points at post 12.
    size_t tab = i;
    while (tab < length && line[tab] != '\t') ++tab;
    if (tab < length && DigitAt(line + tab + 1, length - tab - 1)) {
      int32_t n = ParseAnchorNumber(line + tab + 1, length - tab - 1, &used);
      Add(out, cap, count, n, n);
      i = tab + 1 + used;
    }
  }
  size_t end = length < kAnchorScanMax ? length : kAnchorScanMax;
  while (i < end) {
    size_t marker = WideMarker(line + i, end - i) ? 2 : NarrowMarker(line[i]) ? 1 : 0;
    if (marker && DigitAt(line + i + marker, end - i - marker)) {
      size_t at = i + marker;
      int32_t n = ParseAnchorNumber(line + at, end - at, &used);
      at += used;
      int32_t m = n;
      if (size_t sep = RangeSeparator(line + at, end - at); sep && DigitAt(line + at + sep, end - at - sep)) {
        m = ParseAnchorNumber(line + at + sep, end - at - sep, &used);
        at += sep + used;
      }
      if (!Add(out, cap, count, n, m > n ? m : n)) break;
      i = at;
      continue;
    }
    // Every double-byte character is stepped over whole, so that no second
    // byte is read as a marker or a digit.
    i += IsSjisLead(static_cast<uchar>(line[i])) && i + 1 < end ? 2 : 1;
  }
  return count;
}

size_t CollectAnchoredPosts(const ThreadViewState& view, const char* line, size_t length, char* buffer, size_t cap,
                            bool copy) {
  if (!view.text || !line) return 0;
  Anchor anchors[kMaxAnchors];
  int32_t count = FindAnchors(line, length, anchors, kMaxAnchors);
  size_t total = 0;
  bool copying = copy && buffer;
  for (int32_t a = 0; a < count; ++a) {
    int32_t first = anchors[a].first;
    if (first <= 0 || first >= view.postCount) continue;
    // A range runs only forward and only to a post that exists.
    int32_t last = anchors[a].last > first && anchors[a].last < view.postCount ? anchors[a].last : first;
    // Post by post, so that one long post never hides the rest of a range.
    for (int32_t n = first; n <= last; ++n) {
      TextSpan span = PostSpan(view, n);
      if (span.length == 0 || span.length > kPopupPostMax) continue;
      if (total + span.length > kPopupTotalMax) return total;
      if (copying && total + span.length > cap) copying = false;
      if (copying) memcpy(buffer + total, span.data, span.length);
      total += span.length;
    }
  }
  return total;
}

namespace {

// 、 。 「 」 （ ） and the full-width space end an address.
bool EndsAddress(uchar lead, uchar trail) {
  if (lead != 0x81) return false;
  switch (trail) {
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x75:
    case 0x76:
    case 0x69:
    case 0x6A:
      return true;
    default:
      return false;
  }
}

bool AddressByte(uchar c) { return (c >= 0x21 && c <= 0x27) || (c >= 0x2A && c <= 0x7F); }

}  // namespace

bool FindLink(const char* line, size_t length, char* out, size_t cap) {
  if (!line || !out || cap < kAddressMax) return false;
  length = ActivationLineLength(line, length, length);
  for (size_t i = 0; i < length;) {
    const char* scheme = nullptr;
    size_t from = 0;
    if (line[i] == 't' && length - i >= 6 && memcmp(line + i, "ttp://", 6) == 0) {
      scheme = "http://", from = i + 6;
    } else if (line[i] == 't' && length - i >= 7 && memcmp(line + i, "ttps://", 7) == 0) {
      // A secure address keeps its scheme.
      scheme = "https://", from = i + 7;
    } else if (line[i] == 'w' && length - i >= 3 && memcmp(line + i, "www", 3) == 0) {
      scheme = "http://", from = i;
    }
    if (scheme) {
      size_t k = CopyText(out, cap, scheme);
      size_t limit = i + kLinkSpanMax < length ? i + kLinkSpanMax : length;
      size_t j = from;
      while (j < limit && k + 1 < cap) {
        uchar c = static_cast<uchar>(line[j]);
        if (IsSjisLead(c)) {
          // A lead byte before a blank or a control byte is no character.
          if (j + 2 > limit || k + 2 >= cap || static_cast<uchar>(line[j + 1]) < 0x40) break;
          if (EndsAddress(c, static_cast<uchar>(line[j + 1]))) break;
          out[k++] = line[j++];
          out[k++] = line[j++];
        } else if (AddressByte(c)) {
          out[k++] = line[j++];
        } else {
          break;
        }
      }
      out[k] = 0;
      return true;
    }
    i += IsSjisLead(static_cast<uchar>(line[i])) && i + 1 < length ? 2 : 1;
  }
  return false;
}

const char* ViewLine(const ThreadViewState& view, int32_t lineNumber, size_t* length) {
  *length = 0;
  if (!view.text || lineNumber < 1 || lineNumber > view.lineCount || view.postCount >= kPostIndexSize) return nullptr;
  // Start at the post that holds the line, then count lines.
  int32_t at = 0, counter = 0;
  for (int32_t lo = 1, hi = view.postCount - 1; lo <= hi;) {
    int32_t mid = lo + (hi - lo) / 2;
    if (view.postLine[mid] < lineNumber) {
      at = view.postStart[mid], counter = view.postLine[mid];
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  const int32_t end = view.textLength;
  if (at < 0 || at > end) return nullptr;
  while (counter + 1 < lineNumber) {
    const void* lf = memchr(view.text + at, '\n', static_cast<size_t>(end - at));
    if (!lf) return nullptr;
    at = static_cast<int32_t>(static_cast<const char*>(lf) - view.text) + 1;
    ++counter;
  }
  if (at >= end) return nullptr;
  *length = ActivationLineLength(view.text + at, static_cast<size_t>(end - at));
  return view.text + at;
}

int32_t DragScrollTop(int32_t topLine, int32_t lineCount, int32_t dragY, int32_t x, int32_t y, int32_t clientWidth) {
  if (x < clientWidth / 2) return topLine;
  int32_t steps = (dragY - y) / kDragStepPixels;
  if (steps > kDragMaxSteps) steps = kDragMaxSteps;
  if (steps < -kDragMaxSteps) steps = -kDragMaxSteps;
  int32_t top = topLine - 2 * steps;
  if (top > lineCount) top = lineCount;
  if (top < 0) top = 0;
  return top;
}

bool ReleaseIsClick(int32_t pressY, int32_t x, int32_t y, int32_t clientWidth) {
  if (x < clientWidth / 2) return true;
  int32_t dy = y > pressY ? y - pressY : pressY - y;
  return dy <= kClickSlopPixels;
}

}  // namespace kv
