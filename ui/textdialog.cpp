#include "ui/textdialog.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

size_t PrepareDialogText(const char* text, size_t length, char* out, int32_t* lineFeeds) {
  size_t k = 0;
  int32_t feeds = 0;
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c == '\t') {
      // A header line's leading TAB goes; the others part its columns.
      if (i == 0 || text[i - 1] == '\n') continue;
      c = ' ';
    } else if (c == '\n') {
      ++feeds;
    }
    out[k++] = c;
  }
  out[k] = 0;
  if (lineFeeds) *lineFeeds = feeds;
  return k;
}

bool IsUrlText(const char* text, size_t length) {
  return (length >= 7 && memcmp(text, "http://", 7) == 0) || (length >= 8 && memcmp(text, "https://", 8) == 0);
}

int32_t TextDialogHeight(int32_t captionHeight, int32_t lineFeeds, int32_t frame, int32_t scrollBarHeight) {
  if (lineFeeds > 1000) lineFeeds = 1000;  // far beyond the largest height; keeps the sum small
  int32_t h = captionHeight + 16 * lineFeeds + 2 * frame + scrollBarHeight + 64;
  if (h < kTextDialogMinHeight) h = kTextDialogMinHeight;
  if (h > kTextDialogMaxHeight) h = kTextDialogMaxHeight;
  return h;
}

int32_t TextDialogLeft(int32_t left, int32_t width, int32_t mainRight) {
  return left + width > mainRight ? mainRight - width : left;
}

int32_t TextDialogButtons(const TextDialogLook& look, int32_t scale, int32_t bottom, DialogButton* out) {
  const int32_t s = scale < 1 ? 1 : scale;
  const int32_t row1 = bottom - 48 * s, row2 = bottom - 24 * s, h = 22 * s;
  int32_t n = 0;
  auto put = [&](int32_t id, int32_t x, int32_t y, int32_t w, const char* label) {
    out[n++] = DialogButton{id, x * s, y, w * s, h, label};
  };
  if (look.urlMode) {
    const int32_t w = 50;
    put(kTdBrowser, 4, row1, w, "ﾌﾞﾗｳｻﾞ");
    put(kTdOpen, 4, row2, w, nullptr);
    put(kTdSelm, 62, row1, w, nullptr);
    put(kTdRavo, 62, row2, w, nullptr);
    put(kTdConvert, 112, row1, w, look.download ? "DL" : "URL変換");
    put(kTdRound, 112, row2, w, nullptr);
    put(kTdCopy, 170, row1, w, look.dask ? "Dask" : "コピー");
    put(kTdClose, 170, row2, w, nullptr);
  } else {
    const int32_t w = 54;
    put(kTdRavo, 4, row1, w, "NG:ID");
    put(kTdSelm, 4, row2, w, "NG:本文");
    if (look.hasSource) {
      put(kTdBrowser, 62, row1, w, "ID抽出");
      put(kTdRound, 62, row2, w, " 抽出");
    }
    put(kTdCopy, 178, row1, w, "コピー");
    put(kTdClose, 178, row2, w, nullptr);
  }
  return n;
}

size_t DialogLine(const char* text, size_t length, int index, char* out, size_t cap) {
  size_t i = 0;
  for (int skip = 0; skip < index; ++skip) {
    while (i < length && text[i] != '\r' && text[i] != '\n') ++i;
    if (i < length && text[i] == '\r') ++i;
    if (i < length && text[i] == '\n') ++i;
  }
  size_t e = i;
  while (e < length && text[e] != '\r' && text[e] != '\n' && text[e] != 0) ++e;
  return CopyTextN(out, cap, text + i, e - i);
}

bool OffersDownload(const char* firstLine) {
  return !strstr(firstLine, "/dat/") && !strstr(firstLine, "/read.cgi");
}

void CutAtLastBlank(char* url) {
  if (char* blank = strrchr(url, ' ')) *blank = 0;
}

bool OpensInReader(const char* url) {
  static const char* const kSchemes[] = {"http://", "hhtm://", "hrss://", "h2ch://"};
  for (const char* scheme : kSchemes)
    if (HasScheme(url, scheme)) return true;
  return false;
}

int32_t OpenCommandFor(const char* url) {
  size_t len = strlen(url);
  size_t window = len < 40 ? len : 40;
  for (size_t pos = 0; pos < window; ++pos)
    for (const char* f : kServices.fragments2ch) {
      size_t n = strlen(f);
      if (pos + n <= len && CompareNoCase(url + pos, f, n) == 0) return 40017;
    }
  if (strstr(url, "/subject.txt")) return 40017;
  if (HasScheme(url, "h2ch://") && ClassifyAddress(url) >= kContentFeed) return 40017;
  return 40016;
}

bool ConvertedDialogText(const char* text, size_t length, char* out, size_t cap) {
  char url[kAddressMax];
  DialogLine(text, length, 0, url, sizeof url);
  bool converted = false;
  if (strstr(url, "/dat/"))
    converted = ToReadUrl(url);
  else if (strstr(url, "/read.cgi"))
    converted = ToDatUrl(url);
  if (!converted) return false;
  // The rest: everything after the first line's end, without its last line end.
  size_t i = 0;
  while (i < length && text[i] != '\r' && text[i] != '\n') ++i;
  if (i < length && text[i] == '\r') ++i;
  if (i < length && text[i] == '\n') ++i;
  size_t e = length;
  while (e > i && (text[e - 1] == '\r' || text[e - 1] == '\n' || text[e - 1] == 0)) --e;
  size_t k = CopyText(out, cap, url);
  k += CopyText(out + k, cap - k, "\r\n");
  k += CopyTextN(out + k, cap - k, text + i, e - i);
  CopyText(out + k, cap - k, "\r\n");
  return true;
}

size_t ThreadTitleUrlText(const char* url, const char* title, char* out, size_t cap) {
  char address[kAddressMax];
  CopyText(address, url);
  ToReadUrl(address);
  char t[104];
  size_t k = 0;
  for (size_t i = 0; title[i] && static_cast<unsigned char>(title[i]) >= 0x20;) {
    unsigned char c = static_cast<unsigned char>(title[i]);
    size_t step = IsSjisLead(c) && static_cast<unsigned char>(title[i + 1]) >= 0x40 ? 2 : 1;
    if (k + step > 100) break;
    if (step == 2) {
      t[k++] = title[i];
      t[k++] = title[i + 1];
    } else {
      t[k++] = c == ',' ? '.' : title[i];
    }
    i += step;
  }
  t[k] = 0;
  return FormatText(out, cap, "%s\r\n%s\r\n", address, t);
}

namespace {

// Cut at the first CR (or LF), within the field's room, never half a character.
size_t FieldLength(const char* s) {
  size_t n = 0;
  while (s[n] && s[n] != '\r' && s[n] != '\n') ++n;
  return n;
}

// A lead byte before a byte below 0x40 (a quote among them) is a broken
// character of one byte: the quote after it is still a quote.
bool TwoBytes(const char* s, size_t i, size_t n) {
  return IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < n && static_cast<unsigned char>(s[i + 1]) >= 0x40;
}

size_t QuotedTitle(const char* title, char* out, size_t cap) {
  size_t n = FieldLength(title);
  size_t k = 0;
  for (size_t i = 0; i < n && k < cap - 1;) {
    unsigned char c = static_cast<unsigned char>(title[i]);
    if (TwoBytes(title, i, n)) {
      if (k + 2 > cap - 1) break;
      out[k++] = title[i++];
      out[k++] = title[i++];
      continue;
    }
    // The favourites' own replacement for a quote.
    out[k++] = c == '"' ? static_cast<char>(0xDE) : static_cast<char>(c);
    ++i;
  }
  out[k] = 0;
  return k;
}

size_t QuotedUrl(const char* url, char* out, size_t cap) {
  size_t n = FieldLength(url);
  size_t k = 0;
  for (size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(url[i]);
    size_t step = TwoBytes(url, i, n) ? 2 : 1;
    size_t need = c == '"' ? 3 : step;
    if (k + need > cap - 1) break;
    if (c == '"') {
      memcpy(out + k, "%22", 3);
    } else {
      memcpy(out + k, url + i, step);
    }
    k += need;
    i += step;
  }
  out[k] = 0;
  return k;
}

}  // namespace

void CompanionArguments(int32_t kind, const char* url, const char* title, char* out, size_t cap) {
  char u[kCompanionFieldMax + 1], t[kCompanionFieldMax + 1];
  if (!QuotedUrl(url ? url : "", u, sizeof u)) CopyText(u, "http://");
  if (!QuotedTitle(title ? title : "", t, sizeof t)) CopyText(t, "NoName");
  if (kind == kCompanionDask)
    CopyText(out, cap, u);
  else
    FormatText(out, cap, "\"%s\" \"%s\"", t, u);
}

}  // namespace kv
