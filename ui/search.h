// The searches of the search dialogs, without windows: in a thread's view
// text, where a list search starts, and the web search address.
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/thread.h"

namespace kv {

inline constexpr size_t kThreadSearchTextMax = 259;  // the in-thread search's text
inline constexpr size_t kListSearchTextMax = 79;     // the title and board searches' text
inline constexpr size_t kWebSearchTextMax = 127;     // the web search's last text
inline constexpr size_t kSearchLineMax = 8192;       // a view line is read in pieces of this size
inline constexpr size_t kSearchLineStarts = 256;     // hits start among a line's first characters

// From *position (a byte offset into view.text) reads the view text line by
// line and looks for text in each, letters compared without case. At the
// first hit *position is past the line that holds it and the result is the
// first line of the post holding it (0 for post 1). Without a hit, or with
// no posts or an empty text, the result is -1 and *position is the end of
// the text.
int32_t FindInThread(const ThreadViewState& view, const char* text, size_t length, int32_t* position);

// What the in-thread dialog does with a result: scroll the view to it, or
// report the end and start again from the top. Every post can be found,
// post 1 (line 0) too.
inline bool ThreadSearchHit(int32_t result, int32_t lineCount) { return result >= 0 && result < lineCount; }

// The row a title or board search starts at. After the dialog's own hit
// (the focused row is lastHit) the search goes on after it; after it
// reached the end it starts again at the top; otherwise the focused row
// (the first one when none is: focused < 0) is searched too, so that every
// row, the first and the last included, can be found.
inline int32_t ListSearchStart(int32_t focused, int32_t lastHit, bool atEnd) {
  if (atEnd || focused < 0) return 0;
  return focused == lastHit ? focused + 1 : focused;
}

// The web search engine; every search goes to its address.
inline constexpr char kWebSearchHost[] = "www.google.co.jp";

// "http://" host "/search?...&q=" + text percent-encoded + "&lr=" into out.
// False, with out empty, when the address would not fit cap bytes (a query
// is never cut) or text is empty.
bool WebSearchAddress(const char* host, const char* text, size_t length, char* out, size_t cap);

}  // namespace kv
