#include "net/download.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace kv {
namespace {

constexpr size_t kPathMax = 260;

bool IsReservedName(const char* name) {
  // The part before the first "." decides, in any letter case.
  size_t base = strcspn(name, ".");
  static const char* const kThree[] = {"CON", "PRN", "AUX", "NUL"};
  if (base == 3) {
    for (const char* r : kThree)
      if (CompareNoCase(name, r, 3) == 0) return true;
  }
  if (base == 4 && (CompareNoCase(name, "COM", 3) == 0 || CompareNoCase(name, "LPT", 3) == 0) && name[3] >= '1' &&
      name[3] <= '9')
    return true;
  return false;
}

bool IsForbidden(unsigned char c) { return c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr; }

}  // namespace

bool DownloadFileName(const char* address, char* out, size_t cap) {
  if (cap) out[0] = 0;
  if (cap < 2) return false;
  // The path starts after "scheme://host"; the name is its last segment.
  const char* p = strstr(address, "://");
  p = p ? p + 3 : address;
  size_t end = strcspn(p, "?#");
  const char* host = p;
  const char* slash = static_cast<const char*>(memchr(host, '/', end));
  const char* seg = slash ? slash + 1 : p + end;
  // A "\\" or "/" that is a trail byte ("表", "ソ") does not separate.
  for (const char* q = seg; q < p + end; ++q) {
    if (IsSjisLead(static_cast<unsigned char>(*q)) && q + 1 < p + end)
      ++q;
    else if (*q == '/' || *q == '\\')
      seg = q + 1;
  }
  size_t segLength = static_cast<size_t>(p + end - seg);
  char name[kPathMax];
  size_t n = 0;
  for (size_t i = 0; i < segLength;) {
    unsigned char c = static_cast<unsigned char>(seg[i]);
    if (IsSjisLead(c) && i + 1 < segLength) {
      if (n + 2 >= sizeof name) return false;
      name[n++] = seg[i++];
      name[n++] = seg[i++];
      continue;
    }
    if (n + 1 >= sizeof name) return false;
    name[n++] = IsForbidden(c) ? '_' : static_cast<char>(c);
    ++i;
  }
  name[n] = 0;
  if (!memchr(name, '.', n)) {
    return CopyText(out, cap, "index.htm") == 9;
  }
  // A trailing dot or blank is dropped by the file system: the name would be
  // another file's.
  for (size_t i = n; i > 0 && (name[i - 1] == '.' || name[i - 1] == ' ');) {
    // A trail byte is never "." or " ", so the byte is a character of its own.
    name[--i] = '_';
  }
  bool reserved = IsReservedName(name);
  if (n + (reserved ? 1 : 0) + 1 > cap) return false;
  FormatText(out, cap, "%s%s", reserved ? "_" : "", name);
  return true;
}

bool MakeDownloadPaths(const char* folder, const char* address, DownloadPaths* out) {
  *out = DownloadPaths{};
  char name[kPathMax];
  if (!folder[0] || !DownloadFileName(address, name, sizeof name)) return false;
  size_t f = strlen(folder);
  bool separator = EndsWithSeparator(folder);
  size_t folderLength = f + (separator ? 0 : 1);
  if (folderLength + strlen(name) + sizeof kPartRecordSuffix > kPathMax) return false;
  FormatText(out->folder, sizeof out->folder, "%s%s", folder, separator ? "" : "\\");
  FormatText(out->target, sizeof out->target, "%s%s", out->folder, name);
  FormatText(out->part, sizeof out->part, "%s%s", out->target, kPartSuffix);
  FormatText(out->record, sizeof out->record, "%s%s", out->target, kPartRecordSuffix);
  return true;
}

size_t FormatPartRecord(const char* address, int64_t fullSize, char* out, size_t cap) {
  size_t n = FormatText(out, cap, "KVPART1\r\n%s\r\n%lld\r\n", address, static_cast<long long>(fullSize));
  if (n + 1 >= cap) {  // a record that does not hold the whole address is no record
    if (cap) out[0] = 0;
    return 0;
  }
  return n;
}

bool ParsePartRecord(const char* text, size_t length, PartRecord* out) {
  *out = PartRecord{};
  const char* end = text + length;
  const char* lines[3];
  size_t lengths[3];
  const char* p = text;
  for (int i = 0; i < 3; ++i) {
    const char* lf = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
    if (!lf) return false;
    size_t n = static_cast<size_t>(lf - p);
    if (n && p[n - 1] == '\r') --n;
    lines[i] = p;
    lengths[i] = n;
    p = lf + 1;
  }
  if (lengths[0] != 7 || memcmp(lines[0], "KVPART1", 7) != 0) return false;
  if (lengths[1] == 0 || lengths[1] >= sizeof out->address || memchr(lines[1], 0, lengths[1])) return false;
  int64_t size = 0;
  if (lengths[2] == 0 || lengths[2] > 12) return false;
  for (size_t i = 0; i < lengths[2]; ++i) {
    char c = lines[2][i];
    if (c < '0' || c > '9') return false;
    size = size * 10 + (c - '0');
  }
  memcpy(out->address, lines[1], lengths[1]);
  out->address[lengths[1]] = 0;
  out->fullSize = size;
  return true;
}

ResumeDecision DecideResume(const ResumeFacts& facts) {
  ResumeDecision d{false, 0};
  if (!facts.partExists || !facts.recordMatches) return d;
  if (facts.partDateCode != facts.todayDateCode) return d;
  if (facts.partSize <= 80 || facts.partSize > kDownloadSizeLimit) return d;
  d.resume = true;
  d.offset = static_cast<uint32_t>(facts.partSize);
  return d;
}

bool ParseContentRange(const char* value, int64_t* start, int64_t* total) {
  const char* p = value;
  while (*p == ' ') ++p;
  if (CompareNoCase(p, "bytes", 5) != 0) return false;
  p += 5;
  while (*p == ' ' || *p == '=') ++p;
  if (*p < '0' || *p > '9') return false;
  int64_t first = 0, last = 0;
  int digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (++digits > 15)
      return false;
    else
      first = first * 10 + (*p - '0');
  if (*p++ != '-') return false;
  digits = 0;
  if (*p < '0' || *p > '9') return false;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (++digits > 15)
      return false;
    else
      last = last * 10 + (*p - '0');
  if (*p++ != '/' || last < first) return false;
  if (*p == '*') {
    *total = -1;
  } else {
    if (*p < '0' || *p > '9') return false;
    int64_t t = 0;
    digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
      if (++digits > 15)
        return false;
      else
        t = t * 10 + (*p - '0');
    if (t <= last) return false;
    *total = t;
  }
  *start = first;
  return true;
}

FileAnswerResult DecideFileAnswer(const FileAnswerFacts& facts) {
  FileAnswerResult r{FileAnswer::Refused, 0};
  if (facts.status == 206) {
    int64_t start = 0, total = -1;
    if (!facts.contentRange || !ParseContentRange(facts.contentRange, &start, &total) || facts.offset == 0 ||
        start != facts.offset) {
      r.answer = FileAnswer::RangeMismatch;
      return r;
    }
    int64_t full = total >= 0 ? total : (facts.contentLength >= 0 ? facts.offset + facts.contentLength : 0);
    if (full > kDownloadSizeLimit) {
      r.answer = FileAnswer::TooLarge;
      return r;
    }
    r.answer = FileAnswer::Append;
    r.fullSize = full;
    return r;
  }
  if (facts.status >= 200 && facts.status < 300) {
    if (facts.contentLength > kDownloadSizeLimit) {
      r.answer = FileAnswer::TooLarge;
      return r;
    }
    r.answer = FileAnswer::Restart;
    r.fullSize = facts.contentLength > 0 ? facts.contentLength : 0;
    return r;
  }
  return r;
}

bool DownloadComplete(bool readFailed, int64_t fullSize, int64_t position) {
  if (readFailed) return false;
  return fullSize <= 0 || position >= fullSize;
}

bool PlayerArguments(const char* address, char* out, size_t cap) {
  if (cap) out[0] = 0;
  size_t n = 0;
  auto put = [&](const char* s, size_t k) {
    if (n + k + 1 > cap) return false;
    memcpy(out + n, s, k);
    n += k;
    return true;
  };
  if (!put("\"", 1)) return false;
  for (const char* p = address; *p; ++p) {
    bool ok = *p == '"' ? put("%22", 3) : put(p, 1);
    if (!ok) {
      if (cap) out[0] = 0;
      return false;
    }
  }
  if (!put("\"", 1)) {
    if (cap) out[0] = 0;
    return false;
  }
  out[n] = 0;
  return true;
}

bool ShowsPlayer(int contentKind, bool playerExists) { return contentKind >= 20 && contentKind <= 29 && playerExists; }

bool DownloadControlsEnabled(bool workerRunning, int32_t jobState) {
  return !workerRunning && jobState != 1 && jobState != 2;
}

}  // namespace kv
