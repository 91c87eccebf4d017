#include "net/fetch.h"

#include <cstring>

#include "core/text.h"

namespace kv {

int32_t parseDecimal(const char* text) {
  if (!text) return 0;
  // Header values come as text ("206", "1234\r\n", " 42"); a blank or a line
  // end in front is skipped, a trailing one ends the number. Sixteen digits
  // overflow 32 bits, so the value saturates instead of wrapping.
  int64_t value = 0;
  for (int i = 0; i < 16 && text[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (value > INT32_MAX) value = INT32_MAX;
    } else if (c < '0') {
      if (!text[i + 1]) break;
    } else {
      break;
    }
  }
  return static_cast<int32_t>(value);
}

static bool HasFetchScheme(const char* url) {
  static const char* const kSchemes[] = {"http://", "hhtm://", "hrss://", "h2ch://"};
  for (const char* s : kSchemes)
    if (strncmp(url, s, 7) == 0) return true;
  return false;
}

bool SplitFetchUrl(const char* url, char* host, size_t hostCap, uint16_t* port, char* path, size_t pathCap) {
  if (hostCap) host[0] = 0;
  if (pathCap) path[0] = 0;
  *port = 0;
  if (!url || !hostCap || !pathCap) return false;
  const char* p = HasFetchScheme(url) ? url + 7 : url;
  const char* slash = strchr(p, '/');
  size_t hostLen = slash ? static_cast<size_t>(slash - p) : strlen(p);
  // Every board address names its server as host[:port]; the port after the
  // last colon is used when it is all digits (a host of the demo or a test
  // server on loopback, or a service on another port).
  const char* colon = nullptr;
  for (size_t i = 0; i < hostLen; ++i)
    if (p[i] == ':') colon = p + i;
  size_t nameLen = hostLen;
  if (colon && colon + 1 < p + hostLen) {
    bool digits = true;
    uint32_t value = 0;
    for (const char* q = colon + 1; q < p + hostLen; ++q) {
      if (*q < '0' || *q > '9' || value > 65535) {
        digits = false;
        break;
      }
      value = value * 10 + static_cast<uint32_t>(*q - '0');
    }
    if (digits) {
      if (value == 0 || value > 65535) return false;
      *port = static_cast<uint16_t>(value);
      nameLen = static_cast<size_t>(colon - p);
    }
  }
  if (nameLen == 0 || nameLen >= hostCap) return false;
  memcpy(host, p, nameLen);
  host[nameLen] = 0;
  if (!slash) return true;
  size_t pathLen = strlen(slash);
  const char* hash = strrchr(slash, '#');
  if (hash) pathLen = static_cast<size_t>(hash - slash);
  if (pathLen >= pathCap) return false;
  memcpy(path, slash, pathLen);
  path[pathLen] = 0;
  return true;
}

ProxyAccess ChooseProxyAccess(int32_t proxyIEs, const char* proxyAddress) {
  if (proxyAddress && proxyAddress[0] && proxyAddress[0] != ' ') return ProxyAccess::Named;
  return proxyIEs ? ProxyAccess::Preconfigured : ProxyAccess::Direct;
}

int64_t FullLength(bool lengthKnown, int64_t contentLength, uint32_t resumeOffset, ResumeKind kind, int status) {
  if (!lengthKnown) return 0;
  switch (kind) {
    case ResumeKind::ThreadLog:
      // The request asked from the local copy's last byte again; a server
      // that ignored the range sent the whole log, which is its own length.
      return resumeOffset && status == 206 ? contentLength + resumeOffset - 1 : contentLength;
    case ResumeKind::File:
      // A server that ignored the range sends the whole file, which then
      // replaces the partial one.
      return status == 206 ? contentLength + resumeOffset : contentLength;
    case ResumeKind::None:
      break;
  }
  return contentLength;
}

bool RepeatsRequest(int status, bool firstAttempt) { return status == 501 && firstAttempt; }

Answer DecideAnswer(const AnswerFacts& f) {
  // A server that ignores the range answers 200 with the whole current log.
  // It is read as a fresh body and replaces the local copy: never appended
  // to it, and never taken for a changed log (that would fetch it again).
  bool wholeLog = f.resume == ResumeKind::ThreadLog && f.rangeSent && f.status >= 200 && f.status < 300 &&
                  f.status != 206;
  // The full length of a resume counts the local copy, so a one-byte answer
  // shows as the old length there; its own length tells that it holds only
  // the byte asked for again.
  // A one-byte file is a file, not an empty thread-log answer.
  if (f.fullLength == 1 && !f.fileMode) return Answer::NoNewData;
  if (f.resume == ResumeKind::ThreadLog && f.rangeSent && f.status == 206 && f.contentLength == 1)
    return Answer::NoNewData;
  if (!f.fileMode && f.fullLength > static_cast<int64_t>(kMaxBodySize)) return Answer::TooLarge;
  if (f.status == 416) {
    if (f.rangeSent) return Answer::LogChanged;
    return f.localLogExists ? Answer::LoadLocal : Answer::StatusError;
  }
  if (f.status >= 400 && f.status <= 505) return Answer::StatusError;
  return wholeLog ? Answer::ReadWholeLog : Answer::ReadBody;
}

bool ResumeByteShowsChange(bool readOk, uint32_t got, unsigned char byte) { return readOk && got >= 1 && byte != '\n'; }

bool IsHtmlInsteadOfData(bool convertedBoard, int32_t readType, uint32_t writePosition, const char* data,
                         size_t length) {
  if (convertedBoard || writePosition != 0 || length < 2) return false;
  if (readType < 1 || readType > 3) return false;
  return data[0] == '<' && (data[1] == 'h' || data[1] == 'H');
}

EmptyRead OnEmptyRead(uint32_t expectedSize, int32_t* emptyReads, uint32_t retryLimit) {
  if (expectedSize == kEmptyReadEndsAt) return EmptyRead::EndNow;
  ++*emptyReads;
  if (*emptyReads >= static_cast<int32_t>(retryLimit)) return EmptyRead::EndRetries;
  return EmptyRead::Pause;
}

int32_t RateOf(uint32_t bytes, uint32_t elapsedMs) {
  if (elapsedMs < 10) elapsedMs = 1000;
  int64_t rate = static_cast<int64_t>(bytes) * 1000 / elapsedMs;
  return rate > INT32_MAX ? INT32_MAX : static_cast<int32_t>(rate);
}

uint32_t MemoryExpectedSize(int64_t fullLength, uint32_t writeStart, bool converted) {
  // Without a length the answer is read until the server stops sending; a
  // resumed log or a converted page may already hold more than 655360
  // bytes, so the allowance counts from where writing starts.
  int64_t size;
  if (converted)
    size = static_cast<int64_t>(writeStart) + (fullLength > 0 ? fullLength : kUnknownBodySize);
  else if (fullLength > 0)
    size = fullLength;
  else
    size = static_cast<int64_t>(writeStart) + kUnknownBodySize;
  return size > UINT32_MAX - kBufferSpare ? UINT32_MAX - kBufferSpare : static_cast<uint32_t>(size);
}

uint32_t MemoryBufferSize(uint32_t expectedSize, uint32_t keptBytes) {
  uint64_t base = expectedSize > keptBytes ? expectedSize : keptBytes;
  uint64_t size = base + kBufferSpare;
  return size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

}  // namespace kv
