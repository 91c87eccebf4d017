// What the fetch engine decides, apart from the HTTP client: address split,
// proxy choice, the full-length arithmetic, what a server answer means for
// the local log, and the read loop's small decisions. fetch_win.cpp drives
// WinINet with them.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr uint16_t kDefaultHttpPort = 80;
inline constexpr uint32_t kResumeMinimum = 80;        // a local copy must be longer to be resumed
inline constexpr uint32_t kMaxBodySize = 3072000;     // largest body accepted (not for file downloads)
inline constexpr uint32_t kUnknownBodySize = 655360;  // expected size without Content-Length
inline constexpr uint32_t kBufferSpare = 2048;
inline constexpr uint32_t kReadChunk = 256;
inline constexpr uint32_t kEmptyReadEndsAt = 262144;  // expected size at which one empty read ends
inline constexpr uint32_t kEmptyReadPauseMs = 1000;
inline constexpr size_t kRawHeaderBuffer = 1024;
inline constexpr size_t kRawHeaderLogLimit = 456;
inline constexpr uint32_t kDefaultRetryLimit = 3;

// Status texts of the engine.
inline constexpr char kTextOpening[] = "ｲﾝﾀｰﾈｯﾄを開いています...";
inline constexpr char kTextOpenFailed[] = "ｲﾝﾀｰﾈｯﾄが開けません";
inline constexpr char kTextConnecting[] = "ｲﾝﾀｰﾈｯﾄに接続しています...";
inline constexpr char kTextConnectFailed[] = "ｲﾝﾀｰﾈｯﾄに接続できません";
inline constexpr char kTextRequestOpening[] = "HTTP接続を開いています...";
inline constexpr char kTextRequestOpenFailed[] = "HTTP接続が開けません";
inline constexpr char kTextSending[] = "HTTPｻｰﾊﾞｰへﾘｸｴｽﾄしています...";
inline constexpr char kTextSendFailed[] = "HTTPｻｰﾊﾞｰへのﾘｸｴｽﾄがﾀｲﾑｱｳﾄしました (%d)";
inline constexpr char kTextStatus[] = "ｺﾝﾃﾝﾂのｽﾃｰﾀｽを取得しています...";
inline constexpr char kTextStatusFailed[] = "ｺﾝﾃﾝﾂへ要求の要求が失敗しました";
inline constexpr char kTextSize[] = "ｺﾝﾃﾝﾂのｻｲｽﾞを要求しています...";
inline constexpr char kTextNoNewData[] = "新規ﾃﾞｰﾀはありません";
inline constexpr char kTextTooLarge[] = "ﾀﾞｳﾝﾛｰﾄﾞ可能なｻｲｽﾞを超えています。";
inline constexpr char kTextStatusError[] = "ｺﾝﾃﾝﾂのｽﾃｰﾀｽがｴﾗｰです (%d)";
inline constexpr char kTextLogChanged[] = "「あぼ～ん」があったようです。";
inline constexpr char kTextLoadingLog[] = "ﾛｸﾞﾌｧｲﾙ読み込み中...";
inline constexpr char kTextLogLoaded[] = "ﾛｸﾞﾌｧｲﾙ読み込みました";
inline constexpr char kTextReading[] = "ｲﾝﾀｰﾈｯﾄからﾌｧｲﾙを読込んでいます...";
inline constexpr char kTextReadError[] = "ｲﾝﾀｰﾈｯﾄ読み込みｴﾗｰ(%d)";
inline constexpr char kTextNoMemory[] = "ﾒﾓﾘがｱﾛｹｰﾄできません";
inline constexpr char kTextListCut[] = "ｽﾚ一覧ｻｲｽﾞ指定により中断";
inline constexpr char kTextFileOpenFailed[] = "Can not open file.";
inline constexpr char kTextFileReadFailed[] = "Can not Internet read.";
inline constexpr char kTextDone[] = "ok\r\n";

// Decimal number from at most 16 characters: digits accumulate; a character
// below '0' is skipped, except that it ends the number as the last character
// of the text; a character above '9' ends the number.
int32_t parseDecimal(const char* text);

// Host, port and request path of an address. The four schemes are dropped;
// the host runs to the first "/", the path is the rest cut at its last "#"
// (empty without "/"). A host ending in ":digits" names its port (the port
// is 0 when none is named). False when host or path do not fit.
bool SplitFetchUrl(const char* url, char* host, size_t hostCap, uint16_t* port, char* path, size_t pathCap);

enum class ProxyAccess { Direct, Preconfigured, Named };
// Named whenever proxyAddress is non-empty and does not begin with a blank.
ProxyAccess ChooseProxyAccess(int32_t proxyIEs, const char* proxyAddress);

// How a request continues what is held locally.
enum class ResumeKind {
  None,
  ThreadLog,  // asks from one byte before the end of the local copy
  File,       // asks from the end of the partial file
};

// Full length of the answer's body as the engine counts it (0 = unknown).
// A thread-log resume answered with the range (206) adds the offset minus
// the byte asked for again; a file resume adds the offset likewise. Any other
// answer is the whole resource.
int64_t FullLength(bool lengthKnown, int64_t contentLength, uint32_t resumeOffset, ResumeKind kind, int status);

// A first 501 is answered by opening the request again and sending it once
// more; a second one is taken like any other code.
bool RepeatsRequest(int status, bool firstAttempt);

// What a server answer means for the job. A thread-log resume answered with
// one byte (the local copy's last line feed again) has nothing new.
enum class Answer {
  NoNewData,    // full length exactly 1
  TooLarge,     // above kMaxBodySize outside file mode
  StatusError,  // 400..505 (416 without a local copy)
  LogChanged,   // the local log no longer matches the server's
  LoadLocal,    // 416 to a request without a range while a local log exists
  ReadBody,
  ReadWholeLog,  // a thread-log resume answered 2xx but not 206: the whole
                 // current log, read as a fresh body that replaces the local one
};
struct AnswerFacts {
  int status;
  bool rangeSent;
  ResumeKind resume;
  int64_t contentLength;  // -1 when the server sent none
  int64_t fullLength;     // FullLength()
  bool fileMode;
  bool localLogExists;
};
Answer DecideAnswer(const AnswerFacts& facts);

// The HTTP version of every request. Widely used servers honour Range only
// on HTTP/1.1 requests and answer an HTTP/1.0 one with the whole file.
inline constexpr char kRequestVersion[] = "HTTP/1.1";

// The first byte of a thread-log resume is the old last byte of the local
// copy: anything but a line feed means the server's log has changed.
bool ResumeByteShowsChange(bool readOk, uint32_t got, unsigned char byte);

// An HTML page where a data file was expected (first data of a fresh body
// beginning "<h" or "<H") of a list, log or title-lookup job. Boards read
// through a reading script (convertedBoard) answer with pages by design.
bool IsHtmlInsteadOfData(bool convertedBoard, int32_t readType, uint32_t writePosition, const char* data,
                         size_t length);

// After an empty read: end now, end because the retries are used up, or
// pause and read again. emptyReads is counted up.
enum class EmptyRead { EndNow, EndRetries, Pause };
EmptyRead OnEmptyRead(uint32_t expectedSize, int32_t* emptyReads, uint32_t retryLimit);

// Bytes per second of one read; a read of under 10 ms counts as 1000 ms.
int32_t RateOf(uint32_t bytes, uint32_t elapsedMs);

// Expected size of a memory-mode body, writing from writeStart (the end of
// the kept local bytes): the full length when known, else 655360 more. For
// a converted board the script answer's own length follows the kept log.
uint32_t MemoryExpectedSize(int64_t fullLength, uint32_t writeStart, bool converted);

// Memory-mode buffer size: the expected size (never less than the kept
// bytes) plus the spare room; 0 when that does not fit in 32 bits.
uint32_t MemoryBufferSize(uint32_t expectedSize, uint32_t keptBytes);

}  // namespace kv
