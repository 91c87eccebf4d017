// Markup to plain Shift_JIS text: character entities, the field cleaner, and
// the converter that turns a web page into page blocks of the view text.
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/thread.h"

namespace kv {

struct Entity {
  const char* name;  // including the ";"
  int32_t span;      // bytes after the "&"
  const char* text;  // replacement
};
inline constexpr int kEntityCount = 12;
extern const Entity kEntities[kEntityCount];

// Index of the entity whose name starts text (the bytes after "&", at most
// available of them), or -1.
int DecodeEntity(const char* text, size_t available);

// The field cleaner: copies src (length bytes, or up to its terminator)
// into dst (cap bytes), decoding entities, dropping bold tags and the blanks
// before a line break. Writes a terminator; returns the bytes written
// (without it). The result is never longer than the source.
size_t CleanCopy(char* dst, size_t cap, const char* src, size_t length);
size_t CleanCopy(char* dst, size_t cap, const char* src);

// 1 when the text after "<A " (at most available bytes) names an
// advertisement target.
int IsAdvertisementLink(const char* attributeText, size_t available);
inline constexpr int kAdvertisementPrefixCount = 15;
extern const char* const kAdvertisementPrefixes[kAdvertisementPrefixCount];

// Makes a link target absolute against the page address (an hhtm:// or
// http:// address) into out (260 bytes, cut at a character boundary).
void MakeAbsoluteLink(const char* pageUrl, const char* target, size_t targetLength, char* out, size_t cap);

// Converts an HTML page into page blocks in view.text (textCapacity bytes)
// and fills the post index, as BuildViewText does for a thread log. The
// page's <title> becomes view.title when that is "?".
ViewBuildResult ConvertPage(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                            size_t textCapacity);

}  // namespace kv
