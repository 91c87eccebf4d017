#include "reader/view.h"

#include <cstring>

#include "core/text.h"
#include "reader/ngword.h"

namespace kv {

bool NarrowLayout(int32_t clientWidth, int32_t scale) { return clientWidth < kNarrowWidth * (scale < 1 ? 1 : scale); }

bool UsesSystemLayout(size_t length, bool asciiArt) { return asciiArt || length >= kSystemLayoutBytes; }

bool IsLinkLine(const char* line, size_t length) { return length >= 8 && memcmp(line, "(http://", 8) == 0; }

bool IsArtLine(const char* line, size_t length, int32_t aaMode) {
  if (aaMode == 0) return false;
  if (aaMode == 2) return true;
  return LooksLikeAA(line, length, aaMode);
}

uint32_t NumberColor(const ViewColors& c, int32_t lineNumber, int32_t readMark) {
  return lineNumber > readMark ? c.fresh : c.number;
}

uint32_t NameColor(const ViewColors& c, size_t mailLength) { return mailLength ? c.nameLink : c.name; }

uint32_t BodyColor(const ViewColors& c, const char* line, size_t length) {
  return IsLinkLine(line, length) ? kLinkLineColor : c.text;
}

size_t WrapRows(const char* line, const int32_t* extents, size_t length, int32_t available, uint16_t* rowStarts,
                size_t maxRows) {
  if (!maxRows) return 0;
  size_t rows = 0;
  rowStarts[rows++] = 0;
  if (!length) return rows;
  size_t rowStart = 0;
  int32_t startExtent = 0;
  for (size_t k = 0; k < length; ++k) {
    bool lead = IsSjisLead(static_cast<unsigned char>(line[k])) && k + 1 < length;
    // A row takes at least its first character, so a character wider than
    // the box cannot keep the wrap from moving on.
    if (k > rowStart && extents[k] - startExtent >= available) {
      if (rows == maxRows) break;
      rowStarts[rows++] = static_cast<uint16_t>(k);
      rowStart = k;
      startExtent = extents[k - 1];
    }
    if (lead) ++k;  // the trail byte carries the lead's extent
  }
  return rows;
}

int32_t StartPostFor(const ThreadViewState& view, int32_t topLine) {
  for (int32_t i = 1; i < view.postCount; ++i)
    if (view.postLine[i + 1] >= topLine) return i;
  return 0;
}

const HitRegion* HitTest(const ThreadViewState& view, int32_t x, int32_t y) {
  for (const HitRegion& r : view.hitRegions)
    if (r.line && x >= r.left && x < r.right && y >= r.top && y < r.bottom) return &r;
  return nullptr;
}

const HitRegion* FirstRegionFrom(const ThreadViewState& view, int32_t line) {
  for (const HitRegion& r : view.hitRegions)
    if (r.line && r.line >= line) return &r;
  return nullptr;
}

namespace {
int32_t Clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : v > high ? high : v; }
int32_t Last(int32_t lineCount) { return lineCount > 0 ? lineCount - 1 : 0; }
}  // namespace

int32_t ScrollVertical(VScroll input, int32_t topLine, int32_t lineCount, int32_t visibleLines, int32_t arg) {
  switch (input) {
    case VScroll::BarLineUp:
      return Clamp(topLine - 2, 0, Last(lineCount));
    case VScroll::BarLineDown:
      return topLine + 2 > Last(lineCount) ? (topLine > Last(lineCount) ? topLine : Last(lineCount)) : topLine + 2;
    case VScroll::PageUp: {
      int32_t step = visibleLines >= 8 ? visibleLines - 2 : 6;
      return topLine - step < 0 ? 0 : topLine - step;
    }
    case VScroll::BarPageDown:
      return topLine + visibleLines > Last(lineCount) ? Last(lineCount) : topLine + visibleLines;
    case VScroll::KeyPageDown:
      if (visibleLines < 2) return topLine;
      return topLine + visibleLines - 1 > Last(lineCount) ? Last(lineCount) : topLine + visibleLines - 1;
    case VScroll::BarTop:
    case VScroll::HomeKey:
      return 0;
    case VScroll::BarBottom:
      return Last(lineCount);
    case VScroll::Thumb:
      return Clamp(arg, 0, Last(lineCount));
    case VScroll::EndKey:
      return lineCount - 4 < 0 ? 0 : lineCount - 4;
    case VScroll::Lines:
      return Clamp(topLine + arg, 0, Last(lineCount));
    case VScroll::Wheel:
      if (arg > 0)
        return topLine + 3 * arg > lineCount ? (topLine > lineCount ? topLine : lineCount) : topLine + 3 * arg;
      return topLine + 3 * arg < 0 ? 0 : topLine + 3 * arg;
  }
  return topLine;
}

int32_t KeyRepeat::Press(int32_t key, uint32_t nowMs) {
  if (key == lastKey && nowMs - lastTime < kRepeatWindowMs)
    ++count;
  else
    count = 0;
  lastKey = key;
  lastTime = nowMs;
  return count <= 10 ? 1 : count <= 20 ? 2 : 4;
}

int32_t ScrollHorizontal(HScroll input, int32_t xOffset, int32_t thumb) {
  switch (input) {
    case HScroll::LineLeft:
      return Clamp(xOffset + 64, -kMaxXOffset, 0);
    case HScroll::LineRight:
      return Clamp(xOffset - 64, -kMaxXOffset, 0);
    case HScroll::PageLeft:
      return Clamp(xOffset + 224, -kMaxXOffset, 0);
    case HScroll::PageRight:
      return Clamp(xOffset - 224, -kMaxXOffset, 0);
    case HScroll::LeftEnd:
      return 0;
    case HScroll::RightEnd:
      return -kMaxXOffset;
    case HScroll::Thumb:
      return Clamp(-thumb, -kMaxXOffset, 0);
    case HScroll::LeftKey:
      // Never to the right of the left edge: from an offset that is no
      // multiple of 64 (after a scroll-bar move) the last step stops at 0.
      return xOffset < 0 ? (xOffset + 64 > 0 ? 0 : xOffset + 64) : xOffset;
    case HScroll::RightKey:
      return xOffset >= -(kMaxXOffset - 1) ? xOffset - 64 : xOffset;
  }
  return xOffset;
}

ViewKey MapViewKey(int32_t key, bool ctrl, bool shift, bool lrKeyPud) {
  switch (key) {
    case kKeySpace:
      return (ctrl || shift) ? ViewKey::PageUp : ViewKey::PageDown;
    case kKeyUp:
      return (ctrl || shift) ? ViewKey::PageUp : ViewKey::LineUp;
    case kKeyDown:
      return (ctrl || shift) ? ViewKey::PageDown : ViewKey::LineDown;
    case kKeyPgUp:
      return ViewKey::PageUp;
    case kKeyPgDn:
      return ViewKey::PageDown;
    case kKeyHome:
      return ViewKey::Home;
    case kKeyEnd:
      return ViewKey::End;
    case kKeyLeft:
      return lrKeyPud ? ViewKey::PageUp : ViewKey::Left;
    case kKeyRight:
      return lrKeyPud ? ViewKey::PageDown : ViewKey::Right;
    case kKeyTab:
      return shift ? ViewKey::PrevPane : ViewKey::NextPane;
    case kKeyEnter:
    case kKeyEsc:
      return ViewKey::Close;
    default:
      return ViewKey::Itself;
  }
}

ViewKey MovementAction(int32_t command, bool lrKeyPud) {
  switch (command) {
    case 51:
      return ViewKey::LineUp;
    case 52:
      return ViewKey::LineDown;
    case 53:
      return ViewKey::PageUp;
    case 54:
      return ViewKey::PageDown;
    case 56:
      return ViewKey::NextPane;
    case 57:
      return ViewKey::PrevPane;
    case 59:
      return ViewKey::Menu;
    case 61:
      return ViewKey::Home;
    case 62:
      return ViewKey::End;
    case 63:
      return MapViewKey(kKeyLeft, false, false, lrKeyPud);
    case 64:
      return MapViewKey(kKeyRight, false, false, lrKeyPud);
    default:  // 55, the click results and 65..69
      return ViewKey::Nothing;
  }
}

int32_t ReadPositionAt(const ThreadViewState& view, int32_t topLine) {
  int32_t n = 0;
  for (int32_t i = 1; i < view.postCount && i < kPostIndexSize; ++i) {
    if (view.postLine[i] >= topLine) break;
    n = i;
  }
  return n;
}

int32_t OpeningTopLine(const ThreadViewState& view, int32_t savedPosition) {
  int32_t last = view.postCount > 1 ? view.postCount - 1 : 0;
  int32_t top = view.postLine[last];
  if (savedPosition >= 0 && savedPosition < view.postCount) top = view.postLine[savedPosition + 1];
  return top;
}

int32_t CacheKeyOf(const char* url) {
  const char* slash = strrchr(url, '/');
  const char* p = slash ? slash + 1 : url;
  int32_t key = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (key > (INT32_MAX - 9) / 10) break;  // keys fit; anything longer keeps its front digits
    key = key * 10 + (*p - '0');
  }
  return key;
}

int32_t ThreadReadType(const char* url) {
  size_t n = strlen(url);
  return n >= 4 && CompareNoCase(url + n - 4, ".dat", 4) == 0 ? 2 : 0;
}

bool TitleIndexUrl(const char* threadUrl, char* out, size_t cap) {
  if (cap) out[0] = 0;
  const char* slash = strrchr(threadUrl, '/');
  if (!slash || ThreadReadType(threadUrl) != 2) return false;
  size_t folder = static_cast<size_t>(slash - threadUrl);  // ".../dat"
  if (folder < 4 || memcmp(threadUrl + folder - 4, "/dat", 4) != 0) return false;
  size_t board = folder - 3;  // keeps the "/" before "dat"
  if (board + sizeof "subject.txt" > cap) return false;
  CopyTextN(out, cap, threadUrl, board);
  AppendText(out, cap, "subject.txt");
  return true;
}

const char* LineCache::Find(int32_t key, int32_t offset, size_t* length, const void* owner) const {
  for (const Entry& e : entries_)
    if (e.offset == offset && e.key == key && e.owner == owner && e.offset >= 0) {
      *length = e.length;
      return e.text;
    }
  return nullptr;
}

const char* LineCache::Store(int32_t key, int32_t offset, const char* line, size_t length, const void* owner) {
  Entry& e = entries_[next_];
  next_ = (next_ + 1) % kLineCacheEntries;
  if (length > kRecordMax) length = kRecordMax;
  memcpy(e.text, line, length);
  e.text[length] = 0;
  e.length = static_cast<uint32_t>(length);
  e.key = key;
  e.offset = offset;
  e.owner = owner;
  return e.text;
}

void LineCache::Clear() {
  for (Entry& e : entries_) {
    e.key = 0;
    e.offset = -1;
    e.length = 0;
    e.owner = nullptr;
    e.text[0] = 0;
  }
  next_ = 0;
}

void LineCache::ClearKey(int32_t key) {
  for (Entry& e : entries_)
    if (e.key == key) e.offset = -1;
}

}  // namespace kv
