#include "reader/thread.h"

#include <climits>
#include <cstring>
#include <new>

#include "core/text.h"
#include "reader/html.h"
#include "reader/ngword.h"
#include "reader/scan.h"
#include "reader/view_writer.h"

namespace kv {

namespace {

constexpr size_t kSplitLimit = 8184;  // "<>" further into a record does not split
constexpr unsigned char kBrokenMark = 0x01;  // the download side stores NUL bytes as 0x01

constexpr char kBrokenText[] = "[ここ壊れてます]";
constexpr char kBrokenDate[] = "00/00/00 00:00 ID:";
constexpr char kNgStubName[] = "NG";

constexpr ByteSet kRecordStops("\r\n\0<&", 5);
constexpr ByteSet kSplitStops("<", 1);

char g_emptyField[1] = {0};

// An HTML error page that a server answered in place of the log's tail, and
// that the download appended to the log: everything from here on is no post.
bool IsErrorPageMarker(const char* p, size_t n) {
  auto noCase = [&](const char* m) {
    size_t k = strlen(m);
    return n >= k && CompareNoCase(p, m, k) == 0;
  };
  auto exact = [&](const char* m) {
    size_t k = strlen(m);
    return n >= k && memcmp(p, m, k) == 0;
  };
  return noCase("<html") || noCase("<body") || noCase("</p>") || exact("<head") || exact("<meta") ||
         exact("</hea") || exact("<!--");
}

// Reads one record at p into line (kLineBufferSize bytes): anchor tags and
// every closing tag are dropped, "&gt;" becomes ">", pairs are copied whole.
// Returns the bytes consumed with the line end; *lineLength gets the
// record's length, and the line is terminated.
size_t ReadRecord(const unsigned char* p, size_t n, char* line, size_t* lineLength) {
  size_t out = 0;
  size_t i = 0;
  bool cut = false;
  while (i < n) {
    size_t j = NextOf(p, i, n, kRecordStops);
    // Copy the plain run, but never more than the record holds.
    size_t run = j - i;
    if (out + run > kRecordMax) {
      size_t take = CutAtBoundary(p + i, run, kRecordMax - out, kRecordLeads);
      memcpy(line + out, p + i, take);
      out += take;
      i += take;
      cut = true;
      break;
    }
    memcpy(line + out, p + i, run);
    out += run;
    if (j >= n) {
      i = j;
      break;
    }
    unsigned char c = p[j];
    if (c == '\r' || c == '\n') {
      // A line end ends the record even where a broken pair would take it
      // as its second byte: a record never swallows the next one.
      i = j;
      break;
    }
    bool trail = IsTrailAt(p, j, i, kRecordLeads);
    i = j;
    if (out >= kRecordMax) {
      cut = true;
      break;
    }
    if (c == 0) {  // stray NUL, e.g. from an interrupted write: shown as a broken record
      line[out++] = static_cast<char>(kBrokenMark);
      ++i;
    } else if (trail) {
      line[out++] = static_cast<char>(c);
      ++i;
    } else if (c == '<' && i + 1 < n && (p[i + 1] == 'a' || p[i + 1] == '/')) {
      // The tag goes up to its ">", but never past the record's end.
      size_t k = i + 2;
      while (k < n && p[k] != '>' && p[k] != '\r' && p[k] != '\n') ++k;
      i = k < n && p[k] == '>' ? k + 1 : k;
    } else if (c == '&' && n - i >= 4 && memcmp(p + i + 1, "gt;", 3) == 0) {
      line[out++] = '>';
      i += 4;
    } else {
      line[out++] = static_cast<char>(c);
      ++i;
    }
  }
  line[out] = 0;
  *lineLength = out;
  if (!cut && i < n) {
    if (p[i] == '\r') {
      ++i;
      if (i < n && p[i] == '\n') ++i;
    } else if (p[i] == '\n') {
      ++i;
    }
  }
  return i;
}

struct Record {
  char* fields[kMaxRecordFields];
  size_t lengths[kMaxRecordFields];
  int32_t fieldCount;
  int32_t bodyLines;
};

bool MatchesAnyField(const NgList& ng, const Record& r) {
  for (int k = 0; k < 4; ++k)
    if (MatchesNg(ng, k, r.fields[k], r.lengths[k])) return true;
  return false;
}

void PutCleanField(ViewWriter& out, const char* s, size_t n) { out.Advance(CleanInto(out.Cursor(), s, n, true)); }

}  // namespace

int32_t SplitRecord(char* line, size_t length, char* fields[kMaxRecordFields], int32_t* fieldCount,
                    size_t lengths[kMaxRecordFields]) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(line);
  size_t starts[kMaxRecordFields];
  size_t ends[kMaxRecordFields];
  int32_t count = 1;
  starts[0] = 0;
  size_t limit = length < kSplitLimit ? length : kSplitLimit;
  size_t i = 0;
  while (count < kMaxRecordFields && i < limit) {
    size_t j = NextOf(s, i, limit, kSplitStops);
    if (j >= limit) break;
    if (IsTrailAt(s, j, i, kRecordLeads) || j + 1 >= length || s[j + 1] != '>') {
      i = j + 1;
      continue;
    }
    line[j] = 0;
    ends[count - 1] = j;
    size_t next = j + 2;
    if (next < length && s[next] == ' ') ++next;  // the blank servers write after "<>"
    starts[count++] = next;
    i = next;
  }
  ends[count - 1] = length;
  for (int32_t k = 0; k < kMaxRecordFields; ++k) {
    if (k < count) {
      fields[k] = line + starts[k];
      if (lengths) lengths[k] = ends[k] > starts[k] ? ends[k] - starts[k] : 0;
      if (ends[k] < starts[k]) fields[k] = g_emptyField;  // "<> " ending the record
    } else {
      fields[k] = g_emptyField;
      if (lengths) lengths[k] = 0;
    }
  }
  *fieldCount = count;
  if (count < 4) return 1;

  // "<br>" in the body becomes two blanks and CR LF in place (three blanks
  // when a blank follows it), which the field cleaner then reduces to a bare
  // line break.
  char* body = fields[3];
  size_t n = lengths ? lengths[3] : ends[3] - starts[3];
  const unsigned char* b = reinterpret_cast<const unsigned char*>(body);
  int32_t breaks = 0;
  i = 0;
  while (i + 4 <= n) {
    size_t j = NextOf(b, i, n, kSplitStops);
    if (j + 4 > n) break;
    if (IsTrailAt(b, j, i, kRecordLeads) || CompareNoCase(body + j, "<br>", 4) != 0) {
      i = j + 1;
      continue;
    }
    if (j + 4 < n && b[j + 4] == ' ') {
      memcpy(body + j, "   \r\n", 5);
      i = j + 5;
    } else {
      memcpy(body + j, "  \r\n", 4);
      i = j + 4;
    }
    ++breaks;
  }
  return breaks + 1;
}

void SplitHeader(const char* line, size_t length, TextSpan fields[4]) {
  size_t end = 0;
  while (end < length && line[end] != '\r' && line[end] != '\n') ++end;
  size_t i = end > 0 && line[0] == '\t' ? 1 : 0;
  for (int k = 0; k < 4; ++k) fields[k] = {line + end, 0};
  // Columns past the fourth (at most 16 in all) are not shown.
  for (int k = 0; k < 16 && i <= end; ++k) {
    const char* tab = static_cast<const char*>(memchr(line + i, '\t', end - i));
    size_t stop = tab ? static_cast<size_t>(tab - line) : end;
    if (k < 4) fields[k] = {line + i, stop - i};
    if (!tab) break;
    i = stop + 1;
  }
}

TextSpan PostSpan(const ThreadViewState& view, int32_t n) {
  if (!view.text || n < 1 || n >= view.postCount || view.postCount >= kPostIndexSize) return {view.text, 0};
  int32_t from = view.postStart[n];
  int32_t to = view.postStart[n + 1];
  if (from < 0 || to > view.textLength || to < from) return {view.text, 0};
  return {view.text + from, static_cast<size_t>(to - from)};
}

namespace {

// The thread-log parser: one forward pass, one record buffer, no allocation
// per post.
ViewBuildResult ParseLog(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                         size_t capacity) {
  ViewBuildResult result;
  ViewWriter out(view, capacity);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  bool filter = options.ngWords && options.ngWords->count > 0;
  char line[kLineBufferSize];
  Record r;
  size_t pos = 0;
  while (pos < length && !out.Full()) {
    if (p[pos] == '<' && IsErrorPageMarker(data + pos, length - pos)) break;
    size_t lineLength = 0;
    size_t consumed = ReadRecord(p + pos, length - pos, line, &lineLength);
    const unsigned char* u = reinterpret_cast<const unsigned char*>(line);

    if (lineLength >= 2 && u[0] == kBrokenMark && u[1] == kBrokenMark) {
      constexpr size_t kBrokenSize = 1 + 4 + 1 + sizeof kBrokenText + 1 + sizeof kBrokenDate + 1 +
                                     sizeof kBrokenText + 3;
      if (!out.Fits(kBrokenSize)) {
        result.truncated = true;
        break;
      }
      out.BeginPost();
      out.Put('\t');
      out.PutNumber(out.NextPost());
      out.Put('\t');
      out.Put(kBrokenText, sizeof kBrokenText - 1);
      out.Put("\t\t", 2);
      out.Put(kBrokenDate, sizeof kBrokenDate - 1);
      out.Put("\r\n", 2);
      out.Put(kBrokenText, sizeof kBrokenText - 1);
      out.Put("\r\n\r\n", 4);
      out.EndPost(3);
      pos += consumed;
      continue;
    }

    r.bodyLines = SplitRecord(line, lineLength, r.fields, &r.fieldCount, r.lengths);
    if (r.fieldCount < 4) break;  // the thread ends at the last good post

    if (filter && MatchesAnyField(*options.ngWords, r)) {
      if (options.transparentAbone) {
        out.BeginPost();  // keeps its number, but no text: its start is the next post's
        out.EndPost(0);
      } else {
        if (!out.Fits(1 + 4 + 1 + 2 + 2 + r.lengths[2] + 6)) {
          result.truncated = true;
          break;
        }
        out.BeginPost();
        out.Put('\t');
        out.PutNumber(out.NextPost());
        out.Put('\t');
        out.Put(kNgStubName, 2);
        out.Put("\t\t", 2);
        PutCleanField(out, r.fields[2], r.lengths[2]);
        out.Put("\r\n\r\n\r\n", 6);
        // The stub has three lines, whatever the hidden post had: counting
        // what is written keeps every later line number true.
        out.EndPost(3);
      }
      pos += consumed;
      continue;
    }

    if (r.fields[2][0] == '_') {  // a hidden post: its number stays taken
      out.BeginPost();
      out.EndPost(0);
      pos += consumed;
      continue;
    }

    // The cleaner never lengthens a field.
    if (!out.Fits(1 + 4 + 1 + r.lengths[0] + 1 + r.lengths[1] + 1 + r.lengths[2] + 2 + r.lengths[3] + 4)) {
      result.truncated = true;
      break;
    }
    out.BeginPost();
    out.Put('\t');
    out.PutNumber(out.NextPost());
    out.Put('\t');
    PutCleanField(out, r.fields[0], r.lengths[0]);
    out.Put('\t');
    PutCleanField(out, r.fields[1], r.lengths[1]);
    out.Put('\t');
    PutCleanField(out, r.fields[2], r.lengths[2]);
    out.Put("\r\n", 2);
    PutCleanField(out, r.fields[3], r.lengths[3]);
    out.Put("\r\n\r\n", 4);
    out.EndPost(r.bodyLines + 2);
    pos += consumed;
  }
  result.textLength = out.Finish();
  return result;
}

// Whether the data is a web page rather than a log: "<html" among the first
// 256 bytes before any "<>" (or a feed's marker).
bool IsPageData(const char* data, size_t length) {
  size_t n = length < 256 ? length : 256;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (data[i] != '<') continue;
    if (n - i >= 5 && CompareNoCase(data + i, "<html", 5) == 0) return true;
    if ((n - i >= 8 && CompareNoCase(data + i, "<rdf:RDF", 8) == 0) ||
        (n - i >= 5 && CompareNoCase(data + i, "<?xml", 5) == 0) || data[i + 1] == '>')
      return false;
  }
  return false;
}

}  // namespace

ViewBuildResult BuildViewText(ThreadViewState& view, const ViewBuildOptions& options, const char* data,
                              size_t length, size_t textCapacity) {
  if (!data) length = 0;
  if (length > 0 && IsPageData(data, length)) return ConvertPage(view, options, data, length, textCapacity);
  return ParseLog(view, options, data, length, textCapacity);
}

bool LoadThreadIntoView(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                        ViewBuildResult* result) {
  // Offsets in the post index are 32-bit.
  if (length > static_cast<size_t>(INT32_MAX) - kViewTextSpare - 1) return false;
  view.building = 1;
  size_t capacity = length + kViewTextSpare;
  char* text = new (std::nothrow) char[capacity];
  if (!text) {
    view.building = 0;
    return false;
  }
  memset(text, 0, capacity);
  char* old = view.text;
  view.text = text;
  // The regions of the last paint point into the old text.
  memset(view.hitRegions, 0, sizeof view.hitRegions);
  ViewBuildResult r = BuildViewText(view, options, data, length, capacity);
  delete[] old;
  view.building = 0;
  if (result) *result = r;
  return true;
}

void FreeViewText(ThreadViewState& view) {
  delete[] view.text;
  view.text = nullptr;
  view.textLength = 0;
}

}  // namespace kv
