#include "reader/html.h"

#include <cstring>
#include <memory>

#include "core/address.h"
#include "core/text.h"
#include "reader/charset.h"
#include "reader/scan.h"
#include "reader/view_writer.h"

namespace kv {

// Searched in this order. Numeric references (&#12354;) are not decoded:
// the thread view shows them as the server sent them.
const Entity kEntities[kEntityCount] = {
    {"quot;", 5, "\""},  {"amp;", 4, "&"},  {"lt;", 3, "<"},    {"gt;", 3, ">"},
    {"nbsp;", 5, " "},   {"ensp;", 5, " "}, {"emsp;", 5, " "},  {"thinsp;", 7, "  "},
    {"copy;", 5, "(c)"}, {"apos;", 5, "'"}, {"laquo;", 6, "≪"}, {"raquo;", 6, "≫"},
};

// Targets of anchors that carry no reading matter: spacer images, banners,
// tracking and shop redirects. An anchor to one of them gives no link line.
// The list ends at the first empty entry.
const char* const kAdvertisementPrefixes[kAdvertisementPrefixCount] = {
    "/header/img0409/spacer/clear.gif",
    "/header/img0409/blank_banner2.gif",
    "/header/spacer/clear.gif",
    "image/spacer.gif",
    "/event.ng/",
    "/img/arrow.gif",
    "../img/clear.gif",
    "../img/ico",
    "http://d.hatena.ne.jp/keyword/",          // keyword dictionary
    "http://www.asahi.com/images/spacer.gif",  // news site's spacer image
    "http://ad.jp.ap.valuecommerce.com/",      // advertisement server
    "http://ad.doubleclick.net/event.ng/",     // advertisement events
    "http://px.a8.net/svt/ejp",                // affiliate tracker
    "http://purl.org/dc/elements/1.1/",        // Dublin Core elements namespace
    "http://www.amazon.co.jp/exec/",           // online shop
};

int DecodeEntity(const char* text, size_t available) {
  for (int i = 0; i < kEntityCount; ++i) {
    size_t span = static_cast<size_t>(kEntities[i].span);
    if (span <= available && memcmp(text, kEntities[i].name, span) == 0) return i;
  }
  return -1;
}

// The field cleaner acts only at "&", "<" and CR; everything between is
// copied as it is. Its blank rule undoes what the record splitter does to
// "<br>": the splitter writes two blanks and CR LF in place of "<br>" (three
// blanks when a blank followed it), so "a <br> b" arrives here as
// "a    \r\nb" and leaves as "a\r\nb". Stated on the run of blanks before a
// CR LF (which the copy has already taken): of four or more the last four
// go, of three one stays, of two none, a single blank stays.
size_t CleanAt(char*& d, const char* src, size_t seg, size_t j, size_t n) {
  memmove(d, src + seg, j - seg);
  d += j - seg;
  size_t left = n - j;
  switch (src[j]) {
    case '&': {
      int e = DecodeEntity(src + j + 1, left - 1);
      if (e < 0) {
        *d++ = '&';
        return j + 1;
      }
      size_t t = strlen(kEntities[e].text);
      memcpy(d, kEntities[e].text, t);
      d += t;
      return j + 1 + static_cast<size_t>(kEntities[e].span);
    }
    case '<':
      if (left >= 3 && src[j + 1] == 'b' && src[j + 2] == '>') return j + 3;
      if (left >= 3 && src[j + 1] == '/' && src[j + 2] == 'b') return left >= 4 ? j + 4 : n;
      *d++ = '<';
      return j + 1;
    default: {  // CR
      if (left >= 2 && src[j + 1] == '\n') {
        size_t run = 0;
        while (run < j - seg && src[j - 1 - run] == ' ') ++run;
        size_t keep = run >= 4 ? run - 4 : (run == 1 || run == 3) ? 1 : 0;
        d -= run - keep;
      }
      *d++ = '\r';
      return j + 1;
    }
  }
}

size_t CleanInto(char* dst, const char* src, size_t n) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
  char* d = dst;
  size_t seg = 0;
  for (;;) {
    size_t j = NextOf<'&', '<', '\r'>(s, seg, n);
    if (j >= n) break;
    seg = CleanAt(d, src, seg, j, n);
  }
  memmove(d, src + seg, n - seg);
  d += n - seg;
  return static_cast<size_t>(d - dst);
}

size_t CleanCopy(char* dst, size_t cap, const char* src, size_t length) {
  if (cap == 0) return 0;
  // The cleaned text is never longer than its source, so cutting the source
  // at a character boundary keeps the result inside the destination.
  size_t take = SjisCutLength(src, length, cap - 1);
  size_t n = CleanInto(dst, src, take);
  dst[n] = 0;
  return n;
}

size_t CleanCopy(char* dst, size_t cap, const char* src) { return CleanCopy(dst, cap, src, strlen(src)); }

int IsAdvertisementLink(const char* text, size_t available) {
  size_t k = 0;
  while (k < available && k < 4 && ((text[k] >= 'a' && text[k] <= 'z') || (text[k] >= 'A' && text[k] <= 'Z'))) ++k;
  for (size_t m = 0; k < available && m < 16; ++m, ++k) {
    char c = text[k];
    if (c != '\t' && c != '\n' && c != '\r' && c != ' ' && c != '"' && c != '=') break;
  }
  const char* rest = text + k;
  size_t restLength = available - k;
  for (int i = 0; i < kAdvertisementPrefixCount; ++i) {
    const char* prefix = kAdvertisementPrefixes[i];
    if (!prefix || !prefix[0]) break;
    size_t n = strlen(prefix);
    if (n <= restLength && memcmp(rest, prefix, n) == 0) return 1;
  }
  return 0;
}

namespace {

// A scheme of its own ("https:", "mailto:", "javascript:") before any path
// character: such a target is no path on the page's server.
bool HasOwnScheme(const char* t, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    char c = t[i];
    if (c == ':') return i > 0;
    bool schemeChar =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!schemeChar) return false;
  }
  return false;
}

// Appends bytes of s (n of them, control bytes left out) to out within cap.
size_t AppendClean(char* out, size_t have, size_t cap, const char* s, size_t n) {
  for (size_t i = 0; i < n && have + 1 < cap; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20) continue;
    if (IsSjisLead(c)) {
      if (i + 1 >= n || have + 2 >= cap) break;
      out[have++] = static_cast<char>(c);
      out[have++] = s[++i];
      continue;
    }
    out[have++] = static_cast<char>(c);
  }
  out[have] = 0;
  return have;
}

}  // namespace

// The page address carries the program's own scheme ("hhtm://host/..."); its
// links are shown, and opened, as http:// addresses.
void MakeAbsoluteLink(const char* pageUrl, const char* target, size_t targetLength, char* out, size_t cap) {
  if (cap == 0) return;
  out[0] = 0;
  if ((targetLength >= 7 && memcmp(target, "http://", 7) == 0) || HasOwnScheme(target, targetLength)) {
    AppendClean(out, 0, cap, target, targetLength);
    return;
  }
  // "hhtms://" (or "https://"): the page came over https, and so do its links.
  bool secure = KnownSchemeLength(pageUrl) == 8;
  if (targetLength >= 2 && target[0] == '/' && target[1] == '/') {  // same scheme, other host
    size_t n = AppendClean(out, 0, cap, secure ? "https:" : "http:", secure ? 6 : 5);
    AppendClean(out, n, cap, target, targetLength);
    return;
  }
  char base[260];
  size_t baseLength = AppendClean(base, 0, 251, pageUrl, strnlen(pageUrl, 250));
  size_t schemeEnd = 0;
  if (baseLength >= 7 && memcmp(base + 4, "://", 3) == 0) {
    memcpy(base, "http", 4);
    schemeEnd = 7;
  } else if (secure) {
    memcpy(base, "http", 4);  // "hhtms://" -> "https://"
    schemeEnd = 8;
  }
  const char* firstSlash = static_cast<const char*>(memchr(base + schemeEnd, '/', baseLength - schemeEnd));
  if (targetLength > 0 && target[0] == '/') {
    if (firstSlash) baseLength = static_cast<size_t>(firstSlash - base);
  } else if (targetLength > 0 && target[0] != '#' && target[0] != '?') {
    // "./x", "../x" and a bare "x.html" all stand in the page's folder.
    if (firstSlash) {
      const char* last = base + baseLength;
      while (last > firstSlash && last[-1] != '/') --last;
      baseLength = static_cast<size_t>(last - base);
    } else if (baseLength + 1 < sizeof base) {
      base[baseLength++] = '/';
    }
  }
  base[baseLength] = 0;
  size_t n = AppendClean(out, 0, cap, base, baseLength);
  AppendClean(out, n, cap, target, targetLength);
}

namespace {

constexpr size_t kBlockMax = 8192;         // the block buffer holds 8193 bytes with its terminator
constexpr size_t kBlockTextLimit = 8175;   // text bytes are added while the block holds no more
constexpr size_t kBlockBreakLimit = 8176;  // line breaks are added to shorter blocks only
constexpr size_t kLinkLimit = 7936;        // link lines are added to shorter blocks only
constexpr size_t kTitleMax = 250;
constexpr size_t kTargetMax = 250;
constexpr char kBlockHeaderTail[] = "\t----\t\t}DATE ID:\r\n";

class PageConverter {
 public:
  PageConverter(ThreadViewState& view, const ViewBuildOptions& options, size_t capacity)
      : view_(view), options_(options), out_(view, capacity) {}

  ViewBuildResult Run(const char* data, size_t length);

 private:
  bool Starts(size_t i, const char* word) const {
    size_t n = strlen(word);
    return end_ - i >= n && CompareNoCase(reinterpret_cast<const char*>(s_ + i), word, n) == 0;
  }
  // Past the tag that starts at i: after its ">", or at a "<" that cuts it.
  size_t SkipTag(size_t i) const {
    size_t k = i + 1;
    while (k < end_ && s_[k] != '>' && s_[k] != '<') ++k;
    return k < end_ && s_[k] == '>' ? k + 1 : k;
  }
  // Just after the closing word, or the end when it never comes.
  size_t SkipPast(size_t i, const char* closing, bool exact) const {
    size_t n = strlen(closing);
    for (size_t k = i + 1; k + n <= end_; ++k) {
      const char* p = reinterpret_cast<const char*>(s_ + k);
      if (exact ? memcmp(p, closing, n) == 0 : CompareNoCase(p, closing, n) == 0) return k + n;
    }
    return end_;
  }

  void AddByte(unsigned char c) {
    if (blockLength_ <= kBlockTextLimit) block_[blockLength_++] = static_cast<char>(c);
  }
  void AddPair(unsigned char lead, unsigned char trail) {
    if (blockLength_ + 1 <= kBlockTextLimit) {
      block_[blockLength_++] = static_cast<char>(lead);
      block_[blockLength_++] = static_cast<char>(trail);
    }
  }
  // CR LF (or two) to a non-empty block below the break limit, one break.
  void AddBreak(bool paragraph) {
    if (blockLength_ == 0 || blockLength_ >= kBlockBreakLimit) return;
    memcpy(block_ + blockLength_, paragraph ? "\r\n\r\n" : "\r\n", paragraph ? 4 : 2);
    blockLength_ += paragraph ? 4 : 2;
    ++breaks_;
    lineEnds_ += paragraph ? 2 : 1;
  }
  size_t Link(size_t i);
  size_t Title(size_t i);
  void EmitBlock();

  ThreadViewState& view_;
  const ViewBuildOptions& options_;
  ViewWriter out_;
  const unsigned char* s_ = nullptr;
  size_t end_ = 0;
  bool stopped_ = false;
  bool truncated_ = false;
  int32_t blockNumber_ = 1;
  char block_[kBlockMax + 1];
  size_t blockLength_ = 0;
  int32_t breaks_ = 0;    // as the 30-break rule counts them ("</p>" is one)
  int32_t lineEnds_ = 0;  // CR LF pairs really in the block
  char title_[kTitleMax + 1] = {};
  size_t titleLength_ = 0;
};

// Writes the block as one post: a header that the renderer never draws (its
// date column begins with "}"), the text and the empty line.
void PageConverter::EmitBlock() {
  if (blockLength_ == 0 || stopped_) return;
  if (out_.Full()) {  // the post index holds 5000 entries
    stopped_ = true;
    return;
  }
  if (!out_.Fits(1 + 4 + sizeof kBlockHeaderTail - 1 + blockLength_ + 4)) {
    stopped_ = true;
    truncated_ = true;
    return;
  }
  out_.BeginPost();
  out_.Put('\t');
  out_.PutNumber(blockNumber_);
  out_.Put(kBlockHeaderTail, sizeof kBlockHeaderTail - 1);
  out_.Advance(CleanInto(out_.Cursor(), block_, blockLength_));
  out_.Put("\r\n\r\n", 4);
  // Header, the text's lines and the empty line: counted as written.
  out_.EndPost(lineEnds_ + 3);
  ++blockNumber_;
  blockLength_ = 0;
  breaks_ = 0;
  lineEnds_ = 0;
}

// At "<A ". Returns where scanning goes on.
size_t PageConverter::Link(size_t i) {
  if (IsAdvertisementLink(reinterpret_cast<const char*>(s_ + i + 3), end_ - i - 3)) return SkipTag(i);
  size_t k = i + 3;
  while (k < end_ && s_[k] != '>' && s_[k] != '<') {
    if (!Starts(k, "HREF=")) {
      ++k;
      continue;
    }
    k += 5;
    if (blockLength_ >= kLinkLimit) continue;
    if (k < end_ && s_[k] == '"') ++k;
    size_t t = k;
    // A target ends at a blank, a quote or ">"; control bytes end it too, so
    // that no line break of the page source gets into the view text.
    while (k < end_ && s_[k] > ' ' && s_[k] != '"' && s_[k] != '>') ++k;
    size_t targetLength = SjisCutLength(reinterpret_cast<const char*>(s_ + t), k - t, kTargetMax);
    char address[260];
    MakeAbsoluteLink(options_.pageUrl ? options_.pageUrl : "", reinterpret_cast<const char*>(s_ + t), targetLength,
                     address, sizeof address);
    size_t n = strlen(address);
    // CR LF "(" address ")" CR LF, added only whole.
    if (blockLength_ + n + 6 <= kBlockMax) {
      memcpy(block_ + blockLength_, "\r\n(", 3);
      memcpy(block_ + blockLength_ + 3, address, n);
      memcpy(block_ + blockLength_ + 3 + n, ")\r\n", 3);
      blockLength_ += n + 6;
      breaks_ += 2;
      lineEnds_ += 2;
    }
  }
  return k < end_ && s_[k] == '>' ? k + 1 : k;
}

// At "<title". The title is emitted at once as a block of its own.
size_t PageConverter::Title(size_t i) {
  size_t k = SkipTag(i);
  size_t n = 0;
  while (k < end_ && s_[k] != '<' && s_[k] != '>') {
    unsigned char c = s_[k];
    if (c == '\t' || c == '\r' || c == '\n') {
      ++k;
      continue;
    }
    size_t step = IsSjisLead(c) && k + 1 < end_ && s_[k + 1] >= 0x40 ? 2 : 1;
    if (n + step <= kTitleMax) {
      memcpy(title_ + n, s_ + k, step);
      n += step;
    }
    k += step;
  }
  if (n > 0) {
    titleLength_ = n;
    title_[n] = 0;
    memcpy(block_, title_, n);
    blockLength_ = n;
    breaks_ = lineEnds_ = 0;
    EmitBlock();
  }
  return k;
}

ViewBuildResult PageConverter::Run(const char* data, size_t length) {
  ViewBuildResult result;
  ConvertedText converted;
  if (DetectAndConvertCharset(data, length, &converted)) {
    data = converted.data;
    length = converted.length;
  }
  std::unique_ptr<char[]> owner(converted.data);
  s_ = reinterpret_cast<const unsigned char*>(data);
  end_ = length;
  // Six NUL bytes in a row also end the page (the zero room after a file).
  for (const char* z = data; (z = static_cast<const char*>(memchr(z, 0, length - (z - data)))) != nullptr;) {
    size_t at = static_cast<size_t>(z - data);
    size_t run = 0;
    while (at + run < length && run < 6 && data[at + run] == 0) ++run;
    if (run == 6) {
      end_ = at;
      break;
    }
    z += run;
    if (z >= data + length) break;
  }

  bool inBody = false;
  size_t i = 0;
  while (i < end_ && !stopped_) {
    unsigned char c = s_[i];
    if (c == ' ') {
      // A single blank joins its neighbours; a run of blanks leaves one.
      size_t j = i;
      while (j < end_ && s_[j] == ' ') ++j;
      if (j - i >= 2 && inBody) AddByte(' ');
      i = j;
      continue;
    }
    if (!inBody) {
      if (c == '<' && Starts(i, "<body")) {
        i = SkipTag(i);
        inBody = true;
      } else if (c == '<' && Starts(i, "<title")) {
        i = Title(i);
      } else {
        ++i;
      }
      continue;
    }
    if (c == '\t' || c == '\r' || c == '\n' || c == '>') {
      ++i;
      continue;
    }
    if (c != '<') {
      // Text up to the next blank, control byte, "<" or ">": taken whole
      // when it fits, else byte by byte so that the block ends exactly.
      size_t j = NextStop<0x20, '<', '>'>(s_, i + 1, end_);
      if (blockLength_ + (j - i) <= kBlockTextLimit + 1) {
        memcpy(block_ + blockLength_, s_ + i, j - i);
        blockLength_ += j - i;
        i = j;
        continue;
      }
      if (IsSjisLead(c) && i + 1 < end_ && s_[i + 1] >= 0x40) {
        AddPair(c, s_[i + 1]);
        i += 2;
      } else {
        AddByte(c);
        ++i;
      }
      continue;
    }
    if (Starts(i, "<br>")) {
      if (breaks_ > 30)
        EmitBlock();
      else
        AddBreak(false);
      i += 4;
    } else if (Starts(i, "</li>")) {
      AddBreak(false);
      i += 5;
    } else if (Starts(i, "</h") && i + 3 < end_ && s_[i + 3] >= '0' && s_[i + 3] <= '9') {
      i = SkipTag(i);
      EmitBlock();
    } else if (Starts(i, "</p>")) {
      if (breaks_ < 31)
        AddBreak(true);
      else
        EmitBlock();
      i += 4;
    } else if (Starts(i, "<STYLE")) {
      i = SkipPast(i, "</STYLE>", false);
    } else if (end_ - i >= 4 && memcmp(s_ + i, "<!--", 4) == 0) {
      i = SkipPast(i, "-->", true);
    } else if (Starts(i, "<SCRIPT")) {
      i = SkipPast(i, "</SCRIPT>", false);
    } else if (Starts(i, "<A ")) {
      i = Link(i);
    } else if (Starts(i, "</blockq") || Starts(i, "</table>") || Starts(i, "</div>") || Starts(i, "<p class=g>")) {
      i = SkipTag(i);
      EmitBlock();
    } else if (Starts(i, "</body") || Starts(i, "</html")) {
      break;
    } else {
      i = SkipTag(i);
    }
  }
  EmitBlock();
  result.textLength = out_.Finish();
  result.truncated = truncated_;
  if (view_.title[0] == '?' && titleLength_ > 0) {
    CleanCopy(view_.title, sizeof view_.title, title_, titleLength_);
    result.titleChanged = true;
  }
  return result;
}

}  // namespace

ViewBuildResult ConvertPage(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                            size_t textCapacity) {
  // The converter holds the 8 KB block buffer; keep it off small stacks.
  std::unique_ptr<PageConverter> converter(new (std::nothrow) PageConverter(view, options, textCapacity));
  if (!converter) {
    ViewWriter empty(view, textCapacity);
    ViewBuildResult r;
    r.textLength = empty.Finish();
    return r;
  }
  return converter->Run(data, length);
}

}  // namespace kv
