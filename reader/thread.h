// Thread logs (dat files) and the view text built from them: one header
// line, the body lines and an empty line per post, with an index of where
// each post starts.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

struct DownloadJob;
struct NgList;

inline constexpr int32_t kMaxPosts = 5000;
inline constexpr int32_t kPostIndexSize = 5003;
inline constexpr int32_t kMaxHitRegions = 100;
inline constexpr size_t kRecordMax = 8192;  // a longer record continues as the next one
inline constexpr size_t kLineBufferSize = 8193;
inline constexpr size_t kViewTextSpare = 65536;  // view text room beyond the data's length
// The status text when a thread needs more view text than it has room for.
inline constexpr char kTextViewTextFull[] = "表示しきれないため途中までを表示しています";
// The status text when a thread's log could not be deleted ("スレ削除").
inline constexpr char kTextDeleteFailed[] = "ﾛｸﾞを削除できませんでした";
inline constexpr int32_t kMaxRecordFields = 16;

// Clickable rectangle of the last paint.
struct HitRegion {
  int32_t left, top, right, bottom;
  int32_t line;  // line number (0-based index + 1); 0 marks a free entry
  int32_t kind;  // 0 header line, 1 body line
  const char* source;
};

// One per thread window, zero-filled at creation.
struct ThreadViewState {
  int32_t topLine;
  int32_t focused;
  char* text;  // owned, new[]
  int32_t textLength;
  int32_t xOffset;
  int32_t lineCount;
  int32_t visibleLines;
  int32_t readMark;
  char title[260];  // "?" in the first byte: no title known yet
  int32_t slot;
  DownloadJob* job;
  HitRegion hitRegions[kMaxHitRegions];
  int32_t postStart[kPostIndexSize];
  int32_t postLine[kPostIndexSize];
  int32_t postCount;  // posts + 1; the entry at postCount is the sentinel
  int32_t dragging;
  int32_t dragX, dragY;
  int32_t building;
  char* lineBuffer;
  char* readBuffer;
  int32_t cacheKey;
  int32_t cursorLine;
  struct {
    int32_t cx, cy;
  } lineSize;
};

// A piece of text that need not be terminated.
struct TextSpan {
  const char* data;
  size_t length;
};

// What the parsers need from the rest of the program.
struct ViewBuildOptions {
  const NgList* ngWords = nullptr;  // null or empty: nothing is filtered
  bool transparentAbone = false;    // NgClearn: NG posts leave no text at all
  const char* pageUrl = "";         // address of the page, for links of HTML pages
};

struct ViewBuildResult {
  int32_t textLength = 0;
  bool titleChanged = false;  // an HTML page's <title> became view.title
  bool truncated = false;     // the view text ran out of room; it ends at the last whole post
};

// Parses a whole thread log or HTML page into view.text, whose buffer holds
// textCapacity bytes (the data's length + kViewTextSpare), and fills the post
// index and lineCount. Never writes past textCapacity.
ViewBuildResult BuildViewText(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                              size_t textCapacity);

// Builds into a new buffer and swaps it in, freeing the old one. False when
// the buffer cannot be had (the view is then unchanged). Clears the hit
// regions, which point into the old text.
bool LoadThreadIntoView(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                        ViewBuildResult* result = nullptr);
void FreeViewText(ThreadViewState& view);

// Splits a record (length bytes, NUL after them) in place on "<>" into at
// most 16 fields and rewrites each "<br>" of the body. Missing fields of the
// first four point to an empty string; fieldCount gets the real number.
// lengths (optional) receives each field's length. Returns the body's lines.
int32_t SplitRecord(char* line, size_t length, char* fields[kMaxRecordFields], int32_t* fieldCount,
                    size_t lengths[kMaxRecordFields] = nullptr);

// Splits a header line (leading TAB, then columns separated by TAB, up to the
// line end) into number, name, mail and date. Missing columns are empty.
void SplitHeader(const char* line, size_t length, TextSpan fields[4]);

// The bytes of post n (header line to its trailing empty line); empty when n
// is no post.
TextSpan PostSpan(const ThreadViewState& view, int32_t n);

}  // namespace kv
