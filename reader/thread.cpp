#include "reader/thread.h"

#include <climits>
#include <cstring>
#include <new>

#include "core/address.h"
#include "core/text.h"
#include "reader/html.h"
#include "reader/ngword.h"
#include "reader/scan.h"
#include "reader/view_writer.h"

namespace kv {

namespace {

constexpr size_t kSplitLimit = 8184;         // "<>" further into a record does not split
constexpr unsigned char kBrokenMark = 0x01;  // the download side stores NUL bytes as 0x01

constexpr char kBrokenText[] = "[ここ壊れてます]";
constexpr char kBrokenDate[] = "00/00/00 00:00 ID:";
constexpr char kNgStubName[] = "NG";

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
  return noCase("<html") || noCase("<body") || noCase("</p>") || exact("<head") || exact("<meta") || exact("</hea") ||
         exact("<!--");
}

// Positions in the record of every "<" and "&" it holds, in order: the
// only places where the splitter and the cleaner have anything to do. The
// reader notes them as it copies, so neither has to scan the record again.
// A record with more of them than the list holds is scanned instead.
struct Marks {
  static constexpr int kCapacity = 1024;
  uint16_t at[kCapacity];
  int count = 0;
  bool overflow = false;
  void Add(size_t pos) {
    if (count < kCapacity)
      at[count++] = static_cast<uint16_t>(pos);
    else
      overflow = true;
  }
};

// Reads one record at p into line (kLineBufferSize bytes): anchor tags and
// every closing tag are dropped, "&gt;" becomes ">", a TAB becomes a blank
// (a TAB would start a line that reads as a header, or shift the header's
// columns), a NUL becomes 0x01. Returns the bytes consumed with the line
// end; *lineLength gets the record's length, and the line is terminated.
size_t ReadRecord(const unsigned char* p, size_t n, char* line, size_t* lineLength, Marks* marks) {
  size_t out = 0;
  size_t i = 0;
  bool cut = false;
  while (i < n) {
    size_t j = NextStop<0x0D, '<', '&'>(p, i, n);
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
    i = j;
    if (j >= n) break;
    unsigned char c = p[j];
    if (c == '\r' || c == '\n') break;
    if (c == '<' && i + 1 < n && (p[i + 1] == 'a' || p[i + 1] == '/')) {
      // The tag goes up to its ">", but never past the record's end.
      size_t k = NextOf<'>', '\r', '\n'>(p, i + 2, n);
      i = k < n && p[k] == '>' ? k + 1 : k;
      continue;
    }
    if (out >= kRecordMax) {
      cut = true;
      break;
    }
    if (c < 0x0D && c != 0 && c != '\t') {  // another control byte: kept as it is
      line[out++] = static_cast<char>(c);
      ++i;
      continue;
    }
    if (c == '&' && n - i >= 4 && memcmp(p + i + 1, "gt;", 3) == 0) {
      line[out++] = '>';
      i += 4;
      continue;
    }
    if (c == '<' || c == '&') marks->Add(out);
    // A stray NUL (an interrupted write) makes the record read as broken.
    line[out++] = c == 0 ? static_cast<char>(kBrokenMark) : c == '\t' ? ' ' : static_cast<char>(c);
    ++i;
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
  size_t starts[kMaxRecordFields];
  size_t lengths[kMaxRecordFields];
  int32_t fieldCount;
  int32_t bodyLines;
};

// Splits on "<>" and rewrites "<br>" in the body, visiting the record's "<"
// in order: next(from) gives the position of the next one at or after from,
// or length; onBreak(cr) is told where the CR of each rewritten "<br>" is.
template <class NextLt, class OnBreak>
void SplitCore(char* line, size_t length, Record* r, NextLt next, OnBreak onBreak) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(line);
  size_t ends[kMaxRecordFields];
  int32_t count = 1;
  r->starts[0] = 0;
  int32_t breaks = 0;
  size_t limit = length < kSplitLimit ? length : kSplitLimit;
  for (size_t j = next(0); j < length; j = next(j + 1)) {
    if (j + 1 < length && s[j + 1] == '>') {
      // "<>" splits within the first 8184 bytes and up to the 16th field.
      if (count >= kMaxRecordFields || j >= limit) continue;
      line[j] = 0;
      ends[count - 1] = j;
      size_t start = j + 2;
      if (start < length && s[start] == ' ') ++start;  // the blank servers write after "<>"
      r->starts[count++] = start;
      j = start - 1;
      continue;
    }
    // In the body, each "<br>" becomes two blanks and CR LF in place, or
    // three blanks and CR LF when a blank follows it; the field cleaner
    // then reduces the blanks around it to a bare line break.
    // ("B" | 0x20 is "b" and no other byte but "b" gives it; so for "r".)
    if (count != 4 || j + 4 > length || (s[j + 1] | 0x20) != 'b' || (s[j + 2] | 0x20) != 'r' || s[j + 3] != '>')
      continue;
    size_t cr;
    if (j + 4 < length && s[j + 4] == ' ') {
      memcpy(line + j, "   \r\n", 5);
      cr = j + 3;
    } else {
      memcpy(line + j, "  \r\n", 4);
      cr = j + 2;
    }
    onBreak(cr);
    ++breaks;
    j = cr;
  }
  ends[count - 1] = length;
  for (int32_t k = 0; k < kMaxRecordFields; ++k) {
    if (k < count) {
      r->fields[k] = line + r->starts[k];
      r->lengths[k] = ends[k] - r->starts[k];
    } else {
      r->fields[k] = g_emptyField;
      r->starts[k] = length;
      r->lengths[k] = 0;
    }
  }
  r->fieldCount = count;
  r->bodyLines = count < 4 ? 1 : breaks + 1;
}

bool MatchesAnyField(const NgList& ng, const Record& r) {
  for (int k = 0; k < 4; ++k)
    if (MatchesNg(ng, k, r.fields[k], r.lengths[k])) return true;
  return false;
}

}  // namespace

int32_t SplitRecord(char* line, size_t length, char* fields[kMaxRecordFields], int32_t* fieldCount,
                    size_t lengths[kMaxRecordFields]) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(line);
  Record r;
  SplitCore(
      line, length, &r, [&](size_t from) { return NextOf<'<'>(s, from, length); }, [](size_t) {});
  for (int k = 0; k < kMaxRecordFields; ++k) {
    fields[k] = r.fields[k];
    if (lengths) lengths[k] = r.lengths[k];
  }
  *fieldCount = r.fieldCount;
  return r.bodyLines;
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

// Writes a field through the cleaner, acting only at the marks that fall
// inside it (or scanning it when the record had too many).
void PutCleanField(ViewWriter& out, const char* line, const Record& r, int k, const Marks& marks, int* next) {
  const char* src = line + r.starts[k];
  size_t n = r.lengths[k];
  if (marks.overflow) {
    out.Advance(CleanInto(out.Cursor(), src, n));
    return;
  }
  size_t from = r.starts[k];
  size_t to = from + n;
  int m = *next;
  while (m < marks.count && marks.at[m] < from) ++m;
  char* d = out.Cursor();
  char* begin = d;
  size_t seg = 0;
  for (; m < marks.count && marks.at[m] < to; ++m) {
    size_t j = marks.at[m] - from;
    if (j < seg) continue;  // taken by the step before (a "</b" drops four bytes)
    seg = CleanAt(d, src, seg, j, n);
  }
  memmove(d, src + seg, n - seg);
  d += n - seg;
  out.Advance(static_cast<size_t>(d - begin));
  *next = m;
}

}  // namespace

// The thread-log parser: one forward pass, one record buffer, no allocation
// per post.
ViewBuildResult ParseThreadLog(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                               size_t capacity, bool useMarks) {
  ViewBuildResult result;
  ViewWriter out(view, capacity);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  bool filter = options.ngWords && options.ngWords->count > 0;
  char line[kLineBufferSize];
  Marks marks;
  Record r;
  size_t pos = 0;
  while (pos < length && !out.Full()) {
    if (p[pos] == '<' && IsErrorPageMarker(data + pos, length - pos)) break;
    size_t lineLength = 0;
    marks.count = 0;
    marks.overflow = false;
    size_t consumed = ReadRecord(p + pos, length - pos, line, &lineLength, &marks);
    if (!useMarks) marks.overflow = true;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(line);

    if (lineLength >= 2 && u[0] == kBrokenMark && u[1] == kBrokenMark) {
      constexpr size_t kBrokenSize =
          1 + 4 + 1 + sizeof kBrokenText + 1 + sizeof kBrokenDate + 1 + sizeof kBrokenText + 3;
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

    if (marks.overflow) {
      SplitCore(
          line, lineLength, &r, [&](size_t from) { return NextOf<'<'>(u, from, lineLength); }, [](size_t) {});
    } else {
      // A rewritten "<br>" leaves the position of its CR in its mark: that
      // is where the cleaner has to act.
      int m = 0;
      int last = -1;
      SplitCore(
          line, lineLength, &r,
          [&](size_t from) -> size_t {
            while (m < marks.count && (marks.at[m] < from || line[marks.at[m]] != '<')) ++m;
            if (m >= marks.count) return lineLength;
            last = m;
            return marks.at[m++];
          },
          [&](size_t cr) { marks.at[last] = static_cast<uint16_t>(cr); });
    }
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
        int next = 0;
        PutCleanField(out, line, r, 2, marks, &next);
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
    int next = 0;
    PutCleanField(out, line, r, 0, marks, &next);
    out.Put('\t');
    PutCleanField(out, line, r, 1, marks, &next);
    out.Put('\t');
    PutCleanField(out, line, r, 2, marks, &next);
    out.Put("\r\n", 2);
    PutCleanField(out, line, r, 3, marks, &next);
    out.Put("\r\n\r\n", 4);
    out.EndPost(r.bodyLines + 2);
    pos += consumed;
  }
  result.textLength = out.Finish();
  return result;
}

ViewBuildResult BuildViewText(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                              size_t textCapacity) {
  if (!data) length = 0;
  // The data itself decides: a web page (an "<html" before any "<>" near
  // its start) is made into page blocks, anything else is read as a log.
  if (length > 0 && ClassifyContent(data, length) == kContentPage)
    return ConvertPage(view, options, data, length, textCapacity);
  return ParseThreadLog(view, options, data, length, textCapacity, true);
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
