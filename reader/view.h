// The thread view's decisions that need no window: the layout rules of a
// paint, the wrap of short lines, the colours of the header columns, the
// scroll tables, the key mapping, the read position and the drawn-line cache.
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/thread.h"

namespace kv {

// ---- layout -----------------------------------------------------------------

inline constexpr int32_t kNarrowWidth = 320;       // below 320 x S pixels the date goes to a second row
inline constexpr int32_t kNarrowIndent = 80;       // ... indented 80 x S pixels
inline constexpr size_t kSystemLayoutBytes = 240;  // from here on the system's word break lays a line out
inline constexpr size_t kCachedLineMin = 17;       // shorter lines are read straight from the text
inline constexpr int32_t kArtBoxWidth = 1024;
inline constexpr uint32_t kLinkLineColor = 0xFF0000;

bool NarrowLayout(int32_t clientWidth, int32_t scale);
// Whether the system word-break layout measures and draws this body line.
bool UsesSystemLayout(size_t length, bool asciiArt);
// A link line of a converted page: "(http://...".
bool IsLinkLine(const char* line, size_t length);
// fAACheck 0: never art; 2: always; 1: the AA test.
bool IsArtLine(const char* line, size_t length, int32_t aaMode);

// The colours a paint uses (0x00BBGGRR).
struct ViewColors {
  uint32_t text, back, fresh, number, name, nameLink, time, rule;
};
uint32_t NumberColor(const ViewColors& c, int32_t lineNumber, int32_t readMark);
uint32_t NameColor(const ViewColors& c, size_t mailLength);
uint32_t BodyColor(const ViewColors& c, const char* line, size_t length);
// The cursor rule is drawn only in a colour other than the background.
inline bool DrawsCursorRule(const ViewColors& c) { return c.rule != c.back; }

// The view's own wrap of a short line: extents[k] is the cumulative width of
// bytes 0..k (both bytes of a double-byte character carry the same value).
// A new row starts at the first byte whose extent minus the extent at the
// row's start reaches available; every row holds at least one character.
// rowStarts gets the first byte of each row; returns the number of rows
// (never more than maxRows: the last row then takes the rest).
size_t WrapRows(const char* line, const int32_t* extents, size_t length, int32_t available, uint16_t* rowStarts,
                size_t maxRows);

// The post a paint starts reading at: the first post i whose successor
// starts at or after topLine; 0 when none does (read from the text's start).
int32_t StartPostFor(const ThreadViewState& view, int32_t topLine);

// Number of lines drawn as a paint reports it.
inline int32_t DrawnLines(int32_t lastLineRead, int32_t topLine) {
  return lastLineRead > topLine ? lastLineRead - topLine - 1 : 1;
}

// The first region in insertion order with a line that holds the point
// (left and top inclusive, right and bottom exclusive); null for none.
const HitRegion* HitTest(const ThreadViewState& view, int32_t x, int32_t y);
// The first region whose line is at or after line (40111).
const HitRegion* FirstRegionFrom(const ThreadViewState& view, int32_t line);

// ---- scrolling ----------------------------------------------------------------

// The vertical scroll bar's top (its range is 0 .. this).
inline int32_t ScrollRangeTop(int32_t lineCount) { return lineCount < 5 ? lineCount : lineCount - 4; }

enum class VScroll {
  BarLineUp,
  BarLineDown,
  PageUp,  // bar page up and the PgUp key
  BarPageDown,
  KeyPageDown,  // PgDn and Space
  BarTop,
  BarBottom,
  Thumb,
  HomeKey,
  EndKey,
  Lines,  // by arg lines (keys and wheel); negative toward the start
  Wheel,  // arg notches; positive toward the end
};
// The new topLine.
int32_t ScrollVertical(VScroll input, int32_t topLine, int32_t lineCount, int32_t visibleLines, int32_t arg = 0);

// Up/Down repeat: presses of the same key less than 200 ms apart speed up.
struct KeyRepeat {
  int32_t lastKey = 0;
  uint32_t lastTime = 0;
  int32_t count = 0;
  // Lines this press moves.
  int32_t Press(int32_t key, uint32_t nowMs);
};
inline constexpr uint32_t kRepeatWindowMs = 200;

enum class HScroll { LineLeft, LineRight, PageLeft, PageRight, LeftEnd, RightEnd, Thumb, LeftKey, RightKey };
inline constexpr int32_t kMaxXOffset = 1023;
int32_t ScrollHorizontal(HScroll input, int32_t xOffset, int32_t thumb = 0);

// ---- keys -------------------------------------------------------------------

enum class ViewKey {
  Itself,  // nothing special: the key does nothing
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  Home,
  End,
  Left,
  Right,
  NextPane,  // 40025 to the main window
  PrevPane,  // 40055
  Close,     // 40012
  Menu,      // the view's context menu at its top-left corner
  Nothing,   // a binding that does nothing here
};
// Virtual-key codes the view knows.
enum : int32_t {
  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyEsc = 27,
  kKeySpace = 32,
  kKeyPgUp = 33,
  kKeyPgDn = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
};
// A key as itself, with its modifiers.
ViewKey MapViewKey(int32_t key, bool ctrl, bool shift, bool lrKeyPud);
// A movement result of the key table (51..69): what it does in the view.
ViewKey MovementAction(int32_t command, bool lrKeyPud);

// ---- positions ----------------------------------------------------------------

// The read position saved on closing: the last post whose header line lies
// above topLine (0 for none or an empty thread).
int32_t ReadPositionAt(const ThreadViewState& view, int32_t topLine);
// topLine on opening: the first line of the last post, or the first line of
// post r + 1 when the saved position r (-1: none) is below postCount.
int32_t OpeningTopLine(const ThreadViewState& view, int32_t savedPosition);
// The thread key after the last "/" of a URL (0 when there are no digits).
int32_t CacheKeyOf(const char* url);
// ReadType of a thread's job: 2 when the URL ends in ".dat", else 0.
int32_t ThreadReadType(const char* url);
// The board index (subject.txt) beside a thread log's "dat/" folder, for
// looking a title up; false when the URL names no log in such a folder or
// the result does not fit cap bytes.
bool TitleIndexUrl(const char* threadUrl, char* out, size_t cap);

// ---- drawn-line cache -----------------------------------------------------------

inline constexpr int kLineCacheEntries = 30;

// Copies of drawn lines by (view key, offset in the view text), filled
// round-robin: the 31st insertion replaces the first.
class LineCache {
 public:
  // The cached copy, or null. owner is the view text the line came from:
  // views whose URLs give the same key (pages: 0) never share lines.
  const char* Find(int32_t key, int32_t offset, size_t* length, const void* owner = nullptr) const;
  // Stores a copy (cut at kRecordMax bytes) and returns it.
  const char* Store(int32_t key, int32_t offset, const char* line, size_t length, const void* owner = nullptr);
  void Clear();
  // Forgets one view's lines (its text was rebuilt).
  void ClearKey(int32_t key);

 private:
  struct Entry {
    int32_t key;
    int32_t offset;  // -1: free
    const void* owner;
    uint32_t length;
    char text[kLineBufferSize];
  };
  Entry entries_[kLineCacheEntries];
  int next_ = 0;

 public:
  LineCache() { Clear(); }
};

}  // namespace kv
