// The feed branch of the thread-list parser: RSS 0.9x/2.0, RSS 1.0
// (rdf:RDF) and, minimally, Atom documents into rows of the thread table.
// An item gives a row with its link and, for each podcast enclosure, a row
// "[label]title" whose link is the enclosure's address.
#pragma once
#include <cstddef>
#include <cstdint>

#include "boards/threadlist.h"

namespace kv {

inline constexpr size_t kFeedField = 250;  // title, link and enclosure buffers

// Parses a feed into lists.current in the modes of ParseThreadList; returns
// the used row count. Rows past 10,000 are dropped.
int32_t ParseFeed(ThreadLists& lists, const char* data, size_t length, ParseMode mode, size_t holdBack);

// The enclosure label of an address: the extension of its last path segment
// (query and fragment cut); "htm" without one; "???" when the extension is
// longer than 4 characters or not letters and digits.
void EnclosureLabel(const char* address, char* out, size_t cap);

// Decodes &amp; &lt; &gt; &quot; &apos; and &#N; / &#xN; in place: ASCII
// always, any other character as UTF-8 when utf8 (a text still to be
// converted); other entities stay as they are. Returns the new length.
size_t DecodeFeedEntities(char* text, size_t length, bool utf8 = false);

}  // namespace kv
