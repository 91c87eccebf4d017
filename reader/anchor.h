// What a click on a line of the thread view means: a web address in the
// line, or the posts its anchors (">>12", "＞＞１２", "(3)", ">>3-5") refer to,
// and the pointer rules that tell a drag from a click.
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/thread.h"

namespace kv {

inline constexpr size_t kActivationLineMax = 256;  // bytes of a clicked line looked at
inline constexpr size_t kAnchorScanMax = 128;      // anchors are looked for in the first 128 bytes
inline constexpr size_t kAnchorDigitsMax = 8;      // a number is read from at most 8 bytes
inline constexpr size_t kPopupPostMax = 10239;     // a longer post is left out of a pop-up
inline constexpr size_t kPopupTotalMax = 65536;    // a pop-up's text; later posts are left out
inline constexpr size_t kLinkSpanMax = 250;        // an address reaches 250 bytes from its "t" or "w"
inline constexpr size_t kPopupSpare = 32;          // the pop-up buffer's room beyond the total
inline constexpr int32_t kMaxAnchors = 72;         // more than a 128-byte line can hold

// The number at text (ASCII or full-width digits, at most 8 bytes), with
// the bytes it took in *consumed (0 and a result of 0: no digit there).
int32_t ParseAnchorNumber(const char* text, size_t length, size_t* consumed);

// One anchor of a line: post first, or the posts first..last of a range
// (last == first for a single post or a range that does not go forward).
struct Anchor {
  int32_t first, last;
};

// The anchors of one line of the view text (up to its line end), in the
// order found. A header line (leading TAB) gives its own number and a name
// written as a number. Returns the count (at most cap).
int32_t FindAnchors(const char* line, size_t length, Anchor* out, int32_t cap);

// Total bytes of the posts the line's anchors refer to, each post at most
// kPopupPostMax bytes (longer ones and empty ones are left out), posts of a
// range one by one, and no more than kPopupTotalMax in all (the first posts
// are kept). With copy the posts go one after another into buffer (cap
// bytes; nothing past it is written).
size_t CollectAnchoredPosts(const ThreadViewState& view, const char* line, size_t length, char* buffer, size_t cap,
                            bool copy);

// The first web address in a line: "ttp://", "ttps://" or "www" (exact
// case). out (cap >= 260) gets "http://" or "https://" and the address's
// bytes. An address ends at a blank, a control byte, "(", ")", a byte it
// cannot hold, a full-width space or full-width punctuation (、。「」（）),
// and at 250 bytes from its "t" or "w". False when the line holds none.
bool FindLink(const char* line, size_t length, char* out, size_t cap);

// The length of the line at text (up to CR, LF or NUL, at most max bytes,
// never half a character).
size_t ActivationLineLength(const char* text, size_t available, size_t max = kActivationLineMax);

// The line with this number (1-based, as hit regions count) in the view's
// current text, up to its line end and at most 256 bytes; null when the
// text has no such line. Hit regions are looked up through it rather than
// through their pointers, which a rebuilt text leaves behind.
const char* ViewLine(const ThreadViewState& view, int32_t lineNumber, size_t* length);

// ---- the pointer ------------------------------------------------------------

inline constexpr int32_t kDragStepPixels = 16;
inline constexpr int32_t kDragMaxSteps = 10;
inline constexpr int32_t kClickSlopPixels = 20;

// A move while dragging: the new topLine (within 0 .. lineCount), or
// topLine itself when the pointer is in the left half or has not moved a
// whole step from (dragY).
int32_t DragScrollTop(int32_t topLine, int32_t lineCount, int32_t dragY, int32_t x, int32_t y, int32_t clientWidth);
// The release of a drag: false when it was a scroll (released in the right
// half more than 20 pixels above or below the press), true for a click.
bool ReleaseIsClick(int32_t pressY, int32_t x, int32_t y, int32_t clientWidth);

}  // namespace kv
