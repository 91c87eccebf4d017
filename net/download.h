// File downloads apart from the platform: the file name an address is saved
// under, the partial file and its record, what a server answer means for the
// partial file, when a download is complete, the Player's arguments.
// download_win.cpp holds the dialog; the file-mode fetch is in fetch_win.cpp.
//
// A download is written to "NAME.part" beside the target, with a small
// record "NAME.part.inf" naming its address and full size; only a partial
// whose record names the same address is resumed, and the partial takes the
// target's name once it is complete.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr char kPartSuffix[] = ".part";
inline constexpr char kPartRecordSuffix[] = ".part.inf";
inline constexpr int64_t kDownloadSizeLimit = 0x7FFFFFFF;  // 2 GB - 1: larger files are refused

inline constexpr char kTextFileTooLarge[] = "2GBを超えるﾌｧｲﾙはﾀﾞｳﾝﾛｰﾄﾞできません";
inline constexpr char kTextRangeMismatch[] = "ｻｰﾊﾞｰの返した範囲が続きの位置と合いません";
inline constexpr char kTextCutShort[] = "ﾀﾞｳﾝﾛｰﾄﾞが途中で切れました (%u / %u)";
inline constexpr char kTextNameUnusable[] = "保存するﾌｧｲﾙ名が作れません";
inline constexpr char kTextAskReplace[] = "%s\r\nは既にあります。置き換えますか?";
inline constexpr char kTextAskReplacePart[] = "%s\r\nは別のｱﾄﾞﾚｽのﾀﾞｳﾝﾛｰﾄﾞ途中のﾌｧｲﾙです。置き換えますか?";

// The name a file address is saved under: its last path segment, the query
// and fragment cut; a segment without "." is "index.htm". Characters a file
// name cannot hold (control characters, \ / : * ? " < > |, a trailing dot or
// blank) become "_", Shift_JIS characters are kept whole (their trail bytes
// may be 0x5C or 0x7C), and a reserved device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, with or without an extension) gets a "_" in front. False
// (out empty) when the name does not fit cap.
bool DownloadFileName(const char* address, char* out, size_t cap);

// The target, partial and record paths of a download of address into
// folder. False when a path does not fit 259 bytes.
struct DownloadPaths {
  char folder[260];  // ends in "\"
  char target[260];
  char part[260];
  char record[260];
};
bool MakeDownloadPaths(const char* folder, const char* address, DownloadPaths* out);

// The record beside a partial file: "KVPART1", the address, the full size
// (0 while unknown), one a line.
struct PartRecord {
  char address[520];
  int64_t fullSize;
};
size_t FormatPartRecord(const char* address, int64_t fullSize, char* out, size_t cap);
bool ParsePartRecord(const char* text, size_t length, PartRecord* out);

// Date code of a day: year x 10000 + month x 100 + day.
inline int32_t DateCode(int year, int month, int day) { return year * 10000 + month * 100 + day; }

// Where a download starts. A partial is resumed only when its record names
// this address, it was last written today (the whole date) and it holds more
// than 80 bytes; otherwise it is started afresh (offset 0, partial emptied).
struct ResumeFacts {
  bool partExists;
  int64_t partSize;
  int32_t partDateCode;
  int32_t todayDateCode;
  bool recordMatches;  // a record that parses and names the same address
};
struct ResumeDecision {
  bool resume;
  uint32_t offset;  // the range asks from here
};
ResumeDecision DecideResume(const ResumeFacts& facts);

// What the answer to a file request means for the partial file.
enum class FileAnswer {
  Append,         // a 206 that starts at the offset: the tail follows the partial
  Restart,        // the whole file (200): the partial is emptied first
  RangeMismatch,  // a 206 that starts elsewhere: nothing is written
  TooLarge,       // past kDownloadSizeLimit: nothing is written
  Refused,        // anything else (416 included): nothing is written
};
struct FileAnswerFacts {
  int status;
  uint32_t offset;           // the range asked from (0: no range sent)
  int64_t contentLength;     // -1 when the server sent none
  const char* contentRange;  // the Content-Range value, or null
};
struct FileAnswerResult {
  FileAnswer answer;
  int64_t fullSize;  // of the whole file; 0 when unknown
};
FileAnswerResult DecideFileAnswer(const FileAnswerFacts& facts);

// Start and total of "bytes START-END/TOTAL" (total -1 when "*"). False for
// any other form.
bool ParseContentRange(const char* value, int64_t* start, int64_t* total);

// Whether a download that stopped reading is complete: a failed read, or
// fewer bytes than the known full size, is a download cut short.
bool DownloadComplete(bool readFailed, int64_t fullSize, int64_t position);

// The Player's parameter: the address in double quotes; a double quote in
// it becomes %22. False when it does not fit.
bool PlayerArguments(const char* address, char* out, size_t cap);

// The Player button is shown for sound and video addresses (kinds 20-29)
// when the configured player exists.
bool ShowsPlayer(int contentKind, bool playerExists);

// Start (and the address and folder boxes) are enabled again only once the
// worker has ended: a stopped worker may still be writing the partial.
bool DownloadControlsEnabled(bool workerRunning, int32_t jobState);

}  // namespace kv
