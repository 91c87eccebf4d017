// The thread-log update apart from the platform: the plan of a job (local
// copy, full fetch, resume, reading script), the reading-script addresses,
// the conversion of script pages and EUC-JP, and the post-fetch rules.
// update_win.cpp runs the plan against the local store and the network.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/address.h"
#include "net/fetch.h"

namespace kv {

inline constexpr char kTextNoUrl[] = "URLが不明です";
inline constexpr char kTextLocalAcquired[] = "ﾛｰｶﾙ既得読み込み";
inline constexpr char kTextNoLocalLog[] = "ﾛｸﾞﾌｧｲﾙがありません";
inline constexpr size_t kLocalLogSpare = 1502;    // zero bytes after a loaded local log
inline constexpr size_t kEndSentinelLength = 6;   // zero bytes that end the data for scans
inline constexpr size_t kHtmlToDatTrailer = 8;    // zero bytes after converted lines
inline constexpr char kPlaceholderLine[] = "_<><>_<>_\r\n";

// The lead-byte rule of the log scans: a byte 0x80-0x9F or 0xE0-0xFF begins
// a two-byte character.
inline bool IsLogLead(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

// Reading-script addresses, rewritten in place (buffer of cap bytes, at
// least 260) for the posts after postsHeld. False (address unchanged) when
// it has too few parts.
bool readPlUrl(char* address, size_t cap, int32_t postsHeld);
bool readCgiUrl(char* address, size_t cap, int32_t postsHeld);

// Converts a reading script's HTML post page (buffer[0..length)) in place
// into log lines, with a placeholder line for every post missing between
// those shown. Writes at most capacity bytes including the eight closing
// zero bytes; posts that do not fit are left out. Returns the new length.
size_t htmlToDat(char* buffer, size_t length, size_t capacity, int32_t postsHeld);

// CR LF pairs from the start, stopping at the end sentinel or the end.
int32_t CountCrLf(const char* data, size_t length);

// Every NUL byte (not a trail byte) becomes 0x01.
void ReplaceNulBytes(char* data, size_t length);

// The local acquired list of a board ("...acquired.txt").
bool IsLocalAcquiredAddress(const char* address);
// Whether a job's url names a local file ("\..." or "X:...").
bool IsLocalFileAddress(const char* url);

// The board families that change the plan.
inline bool IsRentalBoard(BoardType boardType) {
  return boardType == BoardRental || boardType == BoardRentalCategory;
}
// Boards read through a reading script whose answers are HTML pages.
inline bool IsScriptBoard(BoardType boardType) { return boardType == BoardRegional || IsRentalBoard(boardType); }
// Whether the plan needs the count of posts held (a converted thread).
bool NeedsPostCount(const char* url, BoardType boardType);

struct UpdateFacts {
  const char* url;  // as the job was given
  int32_t readType;
  BoardType boardType;  // of url
  bool offline;       // fOffLine and UseCache both on
  bool noMerge;
  bool localExists;    // a local copy of url
  uint32_t localSize;  // its stored size
  int32_t postsHeld;   // its lines, for converted boards
};

enum class PlanAction { FailEmpty, FailAcquired, OfflineLoad, OfflineMissing, Fetch };

struct UpdatePlan {
  PlanAction action;
  char requestUrl[520];  // the address fetched
  BoardType boardType;   // for the rest of the job
  bool converted;        // the answer is a script page held after the local copy
  bool eucList;          // a rental thread list: EUC-JP as a whole
  ResumeKind resume;
  uint32_t resumeOffset;  // D; the range asks from D - 1 (thread log) or D (file)
  uint32_t keepLength;    // local bytes to keep in front of the answer (0: none)
  int32_t postsHeld;
};

void PlanUpdate(const UpdateFacts& facts, UpdatePlan* plan);

// After a successful fetch of length bytes (kept bytes in front): the EUC-JP
// list conversion, NUL bytes of thread logs, and the script-page conversion
// of the part after the kept bytes. Zero-fills what the conversion freed up
// to length. Returns the new length.
size_t ConvertFetched(char* buffer, size_t length, size_t capacity, uint32_t kept, int32_t readType,
                      const UpdatePlan& plan);

// A compressed local log (core/store.h) expanded into a new buffer of 5 x
// stored + 1040 bytes (at most 5 x + 1024 used); a broken one gives the
// 80-byte DATA ERROR log. The result has zero bytes after it.
struct ExpandedLog {
  char* data;        // new[]; the caller's
  size_t length;
  size_t capacity;
  bool compressed;   // it was a container
  bool broken;       // the container could not be expanded
  int zlibError;
  size_t destLength;  // what zlib reported
};
// False only when memory runs out.
bool ExpandStoredLog(const char* stored, size_t length, ExpandedLog* out);

// Results this long or longer are not stored.
inline bool ShouldStoreResult(size_t length) { return length < kMaxBodySize; }

}  // namespace kv
