#include "net/update.h"

#include "reader/charset.h"

#include <cstring>
#include <new>


#include "core/store.h"
#include "core/text.h"
#include "net/job.h"
#include "reader/charset.h"

namespace kv {

namespace {

// The parts of an address after its scheme, split at every "&", "/" and "?".
struct Segments {
  char text[260];
  const char* part[15];
  int count;
};

void SplitSegments(const char* address, Segments* s) {
  CopyText(s->text, address);
  size_t len = strlen(s->text);
  s->count = 0;
  if (len < 7) return;
  s->part[s->count++] = s->text + 7;
  // Separators are looked for up to position 250, where every address of a
  // board ends; what follows stays with the last part.
  for (size_t i = 7; i < len && i < 250; ++i) {
    unsigned char c = static_cast<unsigned char>(s->text[i]);
    if (IsLogLead(c)) {
      ++i;
      continue;
    }
    if (c == '&' || c == '/' || c == '?') {
      s->text[i] = 0;
      if (s->count < 15) s->part[s->count++] = s->text + i + 1;
    }
  }
}

bool MatchAt(const char* p, const char* end, const char* word) {
  size_t n = strlen(word);
  return static_cast<size_t>(end - p) >= n && CompareNoCase(p, word, n) == 0;
}

bool IsEndSentinel(const char* p, const char* end) {
  // Closer to the end than the sentinel's length, the end itself stops.
  if (end - p < static_cast<ptrdiff_t>(kEndSentinelLength)) return false;
  for (size_t i = 0; i < kEndSentinelLength; ++i)
    if (p[i]) return false;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes above 31 up to the next "<" (or the end), kept whole characters up
// to cap - 1 bytes; returns where the scan stopped.
const char* CollectText(const char* p, const char* end, char* out, size_t cap) {
  size_t n = 0;
  while (p < end && *p != '<' && *p) {
    unsigned char c = static_cast<unsigned char>(*p);
    size_t width = IsLogLead(c) && p + 1 < end ? 2 : 1;
    if (c > 31 && n + width < cap) {
      memcpy(out + n, p, width);
      n += width;
    }
    p += width;
  }
  out[n] = 0;
  return p;
}

const char* SkipTag(const char* p, const char* end) {
  while (p < end && *p != '>') ++p;
  return p < end ? p + 1 : end;
}

// The output of htmlToDat, bounded by its capacity.
struct LineWriter {
  char* out;
  size_t length;
  size_t limit;  // capacity less the closing zero bytes
  bool Fits(size_t n) const { return length + n <= limit; }
  void Put(const char* s, size_t n) {
    memcpy(out + length, s, n);
    length += n;
  }
  void Put(const char* s) { Put(s, strlen(s)); }
};

}  // namespace

bool readPlUrl(char* address, size_t cap, int32_t postsHeld) {
  Segments s;
  SplitSegments(address, &s);
  if (s.count < 4) return false;
  char* key = const_cast<char*>(s.part[3]);
  if (char* dot = strchr(key, '.')) *dot = 0;
  FormatText(address, cap, "http://%s/bbs/read.pl?BBS=%s&KEY=%s&START=%d", s.part[0], s.part[1], key,
             postsHeld + 1);
  return true;
}

bool readCgiUrl(char* address, size_t cap, int32_t postsHeld) {
  char copy[260];
  CopyText(copy, address);
  size_t len = strlen(copy);
  if (len >= 4 && strcmp(copy + len - 4, ".dat") == 0) copy[len - 4] = 0;
  Segments s;
  SplitSegments(copy, &s);
  if (s.count < 5) return false;
  if (s.count < 6 || strcmp(s.part[2], "read.cgi") != 0) {
    // http://host/category/number/dat/key(.dat)
    FormatText(address, cap, "http://%s/bbs/read.cgi/%s/%s/%s/%d-", s.part[0], s.part[1], s.part[2], s.part[4],
               postsHeld + 1);
  } else {
    // already a reading address: http://host/bbs/read.cgi/category/number/key/...
    FormatText(address, cap, "http://%s/%s/%s/%s/%s/%s/%d-", s.part[0], s.part[1], s.part[2], s.part[3], s.part[4],
               s.part[5], postsHeld + 1);
  }
  return true;
}

size_t htmlToDat(char* buffer, size_t length, size_t capacity, int32_t postsHeld) {
  if (capacity < kHtmlToDatTrailer) return 0;
  if (length > capacity) length = capacity;
  // The page is read from a copy: placeholder lines for a long run of
  // missing posts can make the output longer than the input read so far.
  char* copy = new (std::nothrow) char[length + kEndSentinelLength];
  if (!copy) return 0;
  memcpy(copy, buffer, length);
  memset(copy + length, 0, kEndSentinelLength);
  const char* p = copy;
  const char* end = copy + length;

  LineWriter w{buffer, 0, capacity - kHtmlToDatTrailer};
  char number[17] = "";
  size_t numberLen = 0;
  char name[100] = "", mail[100] = "", date[100] = "";
  int64_t last = postsHeld;
  bool full = false;

  while (p < end && !full) {
    if (IsEndSentinel(p, end)) break;
    if (*p == '<') {
      if (MatchAt(p, end, "<dt>")) {
        // A new post: its number follows, perhaps after an anchor tag.
        p += 4;
        numberLen = 0;
        if (p < end && *p == '<') p = SkipTag(p, end);
        while (p < end && numberLen < 16) {
          if (IsBlank(*p)) {
            ++p;
          } else if (*p >= '0' && *p <= '9') {
            number[numberLen++] = *p++;
          } else {
            break;
          }
        }
        number[numberLen] = 0;
        mail[0] = 0;
        continue;
      }
      if (MatchAt(p, end, "<dd>")) {
        p += 4;
        const char* body = p;
        while (p < end && *p != '\n' && *p && !MatchAt(p, end, "<dt>"))
          p += IsLogLead(static_cast<unsigned char>(*p)) && p + 1 < end ? 2 : 1;
        size_t bodyLen = static_cast<size_t>(p - body);
        if (bodyLen > 8 && CompareNoCase(body + bodyLen - 8, "<br><br>", 8) == 0) bodyLen -= 8;
        if (numberLen) {
          int64_t m = 0;
          for (size_t i = 0; i < numberLen; ++i) m = m * 10 + (number[i] - '0');
          int64_t o = last;
          bool write = false;
          // Every post goes to the line of its own number: missing ones
          // (deleted, or left out of the page) get placeholder lines, and
          // one at or below the last written (post 1 shown above the
          // requested range) is not written again and moves nothing on.
          if (m - o > 1) {
            for (int64_t missing = o + 1; missing < m; ++missing) {
              if (!w.Fits(sizeof kPlaceholderLine - 1)) {
                full = true;
                break;
              }
              w.Put(kPlaceholderLine);
            }
            write = !full;
          } else if (m == o + 1) {
            write = true;
          }
          if (write) {
            size_t need = strlen(name) + 2 + strlen(mail) + 1 + numberLen + 1 + 2 + strlen(date) + 2 + bodyLen + 2;
            if (!w.Fits(need)) {
              full = true;
            } else {
              w.Put(name);
              w.Put("<>");
              w.Put(mail);
              w.Put("[");
              w.Put(number, numberLen);
              w.Put("]<>");
              w.Put(date);
              w.Put("<>");
              w.Put(body, bodyLen);
              w.Put("\r\n");
            }
          }
          if (m > o) last = m;
          numberLen = 0;
          number[0] = name[0] = mail[0] = date[0] = 0;
        }
        continue;
      }
      if (MatchAt(p, end, "<!--")) {
        p += 4;
        while (p < end && !MatchAt(p, end, "-->")) ++p;
        p = p < end ? p + 3 : end;
        continue;
      }
      p = SkipTag(p, end);
      continue;
    }
    if (numberLen) {
      if (MatchAt(p, end, "名前：")) {
        p += strlen("名前：");
        while (p < end && IsBlank(*p)) ++p;
        // The name may be wrapped in a mailto link and bold or font tags.
        while (p < end && *p == '<') {
          const char* tagEnd = SkipTag(p, end);
          for (const char* q = p; q + 7 <= tagEnd; ++q) {
            if (CompareNoCase(q, "mailto:", 7) != 0) continue;
            const char* m = q + 7;
            size_t n = 0;
            while (m < tagEnd && *m && *m != ' ' && *m != '"' && *m != '>') {
              unsigned char c = static_cast<unsigned char>(*m);
              size_t width = IsLogLead(c) && m + 1 < tagEnd ? 2 : 1;
              if (n + width < sizeof mail) {
                memcpy(mail + n, m, width);
                n += width;
              }
              m += width;
            }
            mail[n] = 0;
            break;
          }
          p = tagEnd;
        }
        p = CollectText(p, end, name, sizeof name);
        continue;
      }
      if (MatchAt(p, end, "投稿日：")) {
        p += strlen("投稿日：");
        for (;;) {
          while (p < end && IsBlank(*p)) ++p;
          if (p < end && *p == '<') {
            p = SkipTag(p, end);
            continue;
          }
          break;
        }
        p = CollectText(p, end, date, sizeof date);
        continue;
      }
    }
    p += IsLogLead(static_cast<unsigned char>(*p)) && p + 1 < end ? 2 : 1;
  }
  delete[] copy;
  memset(buffer + w.length, 0, kHtmlToDatTrailer);
  return w.length;
}

int32_t CountCrLf(const char* data, size_t length) {
  int32_t lines = 0;
  const char* end = data + length;
  for (const char* p = data; p < end;) {
    if (IsEndSentinel(p, end)) break;
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsLogLead(c)) {
      p += 2;
      continue;
    }
    if (c == '\r' && p + 1 < end && p[1] == '\n') {
      ++lines;
      p += 2;
      continue;
    }
    ++p;
  }
  return lines;
}

void ReplaceNulBytes(char* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (IsLogLead(c))
      ++i;
    else if (c == 0)
      data[i] = 0x01;
  }
}

bool IsLocalAcquiredAddress(const char* address) {
  size_t len = strlen(address);
  return len >= 13 && memcmp(address + len - 12, "acquired.", 9) == 0;
}

bool IsLocalFileAddress(const char* url) { return url[0] == '\\' || (url[0] && url[1] == ':'); }

static bool EndsWithSubject(const char* url) {
  size_t len = strlen(url);
  return len >= 13 && strcmp(url + len - 11, "subject.txt") == 0;
}

bool NeedsPostCount(const char* url, BoardType boardType) {
  if (boardType == BoardRegional) return true;
  return IsRentalBoard(boardType) && !EndsWithSubject(url);
}

void PlanUpdate(const UpdateFacts& f, UpdatePlan* plan) {
  *plan = UpdatePlan{};
  plan->action = PlanAction::Fetch;
  plan->boardType = f.boardType;
  plan->resume = ResumeKind::None;
  CopyText(plan->requestUrl, f.url);
  if (!f.url[0]) {
    plan->action = PlanAction::FailEmpty;
    return;
  }
  if (IsLocalAcquiredAddress(f.url)) {
    plan->action = PlanAction::FailAcquired;
    return;
  }
  if (f.offline) {
    plan->action = f.localExists ? PlanAction::OfflineLoad : PlanAction::OfflineMissing;
    return;
  }
  // A rental board's index is EUC-JP whether it is fetched for the list or
  // only to look a title up: both are stored, and read back, as Shift_JIS.
  plan->eucList = IsRentalBoard(f.boardType) &&
                  (f.readType == kReadList || (f.readType == kReadTitleLookup && EndsWithSubject(f.url)));
  if (f.boardType == BoardRegional) {
    plan->postsHeld = f.postsHeld;
    readPlUrl(plan->requestUrl, sizeof plan->requestUrl, f.postsHeld);
    plan->converted = true;
  } else if (IsRentalBoard(f.boardType)) {
    if (EndsWithSubject(f.url)) {
      plan->boardType = BoardPlain;
    } else {
      plan->postsHeld = f.postsHeld;
      if (f.readType != kReadList) {
        readCgiUrl(plan->requestUrl, sizeof plan->requestUrl, f.postsHeld);
        plan->converted = true;
      }
    }
  }
  if (f.readType == kReadLog && f.localExists) {
    if (plan->converted || f.localSize <= kResumeMinimum) {
      // No range, but a script answer still follows the posts held.
      if (plan->converted && f.postsHeld > 0 && !f.noMerge) plan->keepLength = f.localSize;
    } else {
      plan->resume = ResumeKind::ThreadLog;
      plan->resumeOffset = f.localSize;
      plan->keepLength = f.localSize;
    }
  }
}

bool ExpandStoredLog(const char* stored, size_t length, ExpandedLog* out) {
  *out = ExpandedLog{};
  out->compressed = true;
  // The writer refuses to store containers that compress below 21%, so
  // five times the stored size always holds what it wrote.
  size_t capacity = 5 * length + 1040;
  out->data = new (std::nothrow) char[capacity]();
  if (!out->data) return false;
  out->capacity = capacity;
  size_t expanded = 0;
  int err = ExpandContainer(stored, length, out->data, 5 * length + 1024, &expanded);
  out->destLength = expanded;
  if (err == 0) {
    out->length = expanded;
    return true;
  }
  // The reader shows one error post rather than garbage or nothing.
  out->zlibError = err;
  out->broken = true;
  memset(out->data, 0, capacity);
  memcpy(out->data, kDataErrorLog, kDataErrorLength);
  out->length = kDataErrorLength;
  return true;
}

size_t ConvertFetched(char* buffer, size_t length, size_t capacity, uint32_t kept, int32_t readType,
                      const UpdatePlan& plan) {
  if (length > capacity) length = capacity;
  size_t result = length;
  if (plan.eucList) result = eucToSjis(buffer, buffer, length);
  if (readType == kReadLog) ReplaceNulBytes(buffer, result);
  if (plan.converted && kept <= result) {
    char* part = buffer + kept;
    size_t partLen = result - kept;
    if (IsRentalBoard(plan.boardType)) partLen = eucToSjis(part, part, partLen);
    if (readType == kReadLog) partLen = htmlToDat(part, partLen, capacity - kept, plan.postsHeld);
    result = kept + partLen;
  }
  if (result < length) memset(buffer + result, 0, length - result);
  return result;
}

}  // namespace kv
