#include "post/postform.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

// What the 2ch-family posting scripts answer: a success page titled
// "書きこみました。", and a confirmation page whose title carries "確認"
// ("■ 書き込み確認 ■") when the browser has not yet got the NAME and
// MAIL cookies. Everything else (the "ＥＲＲＯＲ！" page first of all) is a
// refusal.
const PostMarkers kPostMarkers = {
    "書きこみました。",
    "<html><head><title>書きこみました。",
    "確認",
};

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool AllDigits(const char* s, size_t n) {
  if (n == 0) return false;
  for (size_t i = 0; i < n; ++i)
    if (!IsDigit(s[i])) return false;
  return true;
}

bool PlainBoardName(const char* s, size_t n) {
  if (n == 0) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = s[i];
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// Case-insensitive search of an ASCII word from position from; -1 when absent.
long FindNoCase(const char* s, size_t n, size_t from, const char* word) {
  size_t w = strlen(word);
  for (size_t i = from; i + w <= n; ++i)
    if (CompareNoCase(s + i, word, w) == 0) return static_cast<long>(i);
  return -1;
}

// Search of a Shift_JIS word that steps over whole characters, so a trail
// byte is never taken for the start of the word.
bool ContainsSjis(const char* s, size_t n, const char* word) {
  size_t w = strlen(word);
  for (size_t i = 0; i + w <= n;) {
    if (memcmp(s + i, word, w) == 0) return true;
    i += IsSjisLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
  }
  return false;
}

bool StartsWith(const char* s, size_t n, const char* word) {
  size_t w = strlen(word);
  return n >= w && memcmp(s, word, w) == 0;
}

// Appends text to out at *pos; false when it does not fit.
bool Put(char* out, size_t cap, size_t* pos, const char* text, size_t n) {
  if (*pos + n + 1 > cap) return false;
  memcpy(out + *pos, text, n);
  *pos += n;
  out[*pos] = 0;
  return true;
}
bool Put(char* out, size_t cap, size_t* pos, const char* text) { return Put(out, cap, pos, text, strlen(text)); }

// Percent-encodes a value at *pos. The encoder's own limits hold for every
// value; a value that would be cut is refused rather than sent short.
bool PutEncoded(char* out, size_t cap, size_t* pos, const char* text, size_t n) {
  if (n > kPostEncodeInputMax) return false;
  size_t room = cap - *pos;
  if (room > kPostEncodeOutputMax + 1) room = kPostEncodeOutputMax + 1;
  bool cut = false;
  size_t written = UrlEncode(text, n, out + *pos, room, &cut);
  if (cut) {
    out[*pos] = 0;
    return false;
  }
  *pos += written;
  return true;
}
bool PutEncoded(char* out, size_t cap, size_t* pos, const char* text) {
  return PutEncoded(out, cap, pos, text, strlen(text));
}

// One attribute value of a tag, entity-decoded: &amp; &lt; &gt; &quot;
// &apos; and numeric references to ASCII characters; anything else stays as
// written. Returns false when the value does not fit out.
bool DecodeAttribute(const char* s, size_t n, char* out, size_t cap) {
  static const struct {
    const char* name;
    char c;
  } kNamed[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  size_t o = 0;
  for (size_t i = 0; i < n;) {
    char c = s[i];
    size_t take = 1;
    if (c == '&') {
      bool done = false;
      for (const auto& e : kNamed) {
        size_t k = strlen(e.name);
        if (i + 1 + k <= n && memcmp(s + i + 1, e.name, k) == 0) {
          c = e.c, take = 1 + k, done = true;
          break;
        }
      }
      if (!done && i + 2 < n && s[i + 1] == '#') {
        size_t j = i + 2;
        bool hex = j < n && (s[j] == 'x' || s[j] == 'X');
        if (hex) ++j;
        long v = 0;
        size_t digits = 0;
        while (j < n && digits < 8) {
          char d = s[j];
          int x = IsDigit(d) ? d - '0' : (hex && d >= 'a' && d <= 'f') ? d - 'a' + 10
                                       : (hex && d >= 'A' && d <= 'F') ? d - 'A' + 10 : -1;
          if (x < 0) break;
          v = v * (hex ? 16 : 10) + x;
          ++j, ++digits;
        }
        // Only references to ASCII characters are turned back into bytes;
        // any other character has no single Shift_JIS byte.
        if (digits && j < n && s[j] == ';' && v > 0 && v < 0x80) c = static_cast<char>(v), take = j + 1 - i;
      }
    } else if (IsSjisLead(static_cast<unsigned char>(c)) && i + 1 < n) {
      if (o + 2 >= cap) return false;
      out[o++] = s[i];
      out[o++] = s[i + 1];
      i += 2;
      continue;
    }
    if (o + 1 >= cap) return false;
    out[o++] = c;
    i += take;
  }
  out[o] = 0;
  return true;
}

struct Attribute {
  const char* value;
  size_t length;
  bool found;
};

// The attributes of one tag (text between "<input" and its ">"): name,
// value and type, in any order, quoted with either quote or not at all.
void ReadInputAttributes(const char* s, size_t n, Attribute* name, Attribute* value, Attribute* type) {
  size_t i = 0;
  while (i < n) {
    while (i < n && (IsBlank(s[i]) || s[i] == '/')) ++i;
    size_t a = i;
    while (i < n && !IsBlank(s[i]) && s[i] != '=' && s[i] != '/') ++i;
    size_t alen = i - a;
    while (i < n && IsBlank(s[i])) ++i;
    const char* v = nullptr;
    size_t vlen = 0;
    if (i < n && s[i] == '=') {
      ++i;
      while (i < n && IsBlank(s[i])) ++i;
      if (i < n && (s[i] == '"' || s[i] == '\'')) {
        char q = s[i++];
        v = s + i;
        while (i < n && s[i] != q) ++i;
        vlen = static_cast<size_t>(s + i - v);
        if (i < n) ++i;
      } else {
        v = s + i;
        while (i < n && !IsBlank(s[i])) ++i;
        vlen = static_cast<size_t>(s + i - v);
      }
    } else if (alen == 0) {
      ++i;  // a stray character: step over it
      continue;
    }
    Attribute* target = nullptr;
    if (alen == 4 && CompareNoCase(s + a, "name", 4) == 0) target = name;
    if (alen == 5 && CompareNoCase(s + a, "value", 5) == 0) target = value;
    if (alen == 4 && CompareNoCase(s + a, "type", 4) == 0) target = type;
    if (target && !target->found) *target = Attribute{v ? v : "", vlen, true};
  }
}

bool IsOwnField(const char* name) {
  static const char* const kOwn[] = {"subject", "FROM", "mail", "MESSAGE", "bbs", "time", "key", "submit"};
  for (const char* own : kOwn)
    if (strcmp(name, own) == 0) return true;
  return false;
}

// Every hidden input of the page: "time" (digits only) and the others that
// the program does not fill itself.
void ReadHiddenInputs(const char* page, size_t n, PostAnswer* out) {
  size_t from = 0;
  for (;;) {
    long at = FindNoCase(page, n, from, "<input");
    if (at < 0) return;
    size_t start = static_cast<size_t>(at) + 6;
    size_t end = start;
    // A quoted ">" does not end the tag.
    char quote = 0;
    while (end < n && (quote || page[end] != '>')) {
      if (quote) {
        if (page[end] == quote) quote = 0;
      } else if (page[end] == '"' || page[end] == '\'') {
        quote = page[end];
      }
      ++end;
    }
    from = end;
    if (start < n && !IsBlank(page[start])) continue;  // "<inputx": some other tag
    Attribute name{}, value{}, type{};
    ReadInputAttributes(page + start, end - start, &name, &value, &type);
    if (!type.found || type.length != 6 || CompareNoCase(type.value, "hidden", 6) != 0 || !name.found) continue;
    char fieldName[64];
    if (!DecodeAttribute(name.value, name.length, fieldName, sizeof fieldName)) {
      out->formTooLarge = true;
      continue;
    }
    if (strcmp(fieldName, "time") == 0) {
      char digits[sizeof out->time];
      if (!out->hasTime && value.found &&
          DecodeAttribute(value.value, value.length, digits, sizeof digits) && AllDigits(digits, strlen(digits))) {
        CopyText(out->time, digits);
        out->hasTime = true;
      }
      continue;
    }
    if (IsOwnField(fieldName) || !fieldName[0]) continue;
    if (out->extraCount >= kHiddenFieldMax) {
      out->formTooLarge = true;
      continue;
    }
    HiddenField& f = out->extras[out->extraCount];
    CopyText(f.name, fieldName);
    f.value[0] = 0;
    if (value.found && !DecodeAttribute(value.value, value.length, f.value, sizeof f.value)) {
      out->formTooLarge = true;
      continue;
    }
    ++out->extraCount;
  }
}

// The page text after "</head>": tags removed, "<br>" and "</p>" as CR LF,
// tabs, line ends and blanks of the source dropped; at most max bytes, never
// half a character.
void ReadPageText(const char* page, size_t n, char* out, size_t cap, size_t max) {
  long head = FindNoCase(page, n, 0, "</head>");
  size_t i = head >= 0 ? static_cast<size_t>(head) + 7 : 0;
  size_t o = 0;
  if (max + 1 > cap) max = cap - 1;
  out[0] = 0;
  while (i < n && o < max) {
    char c = page[i];
    if (c == '<') {
      size_t end = i + 1;
      while (end < n && page[end] != '>') ++end;
      size_t len = end - i - 1;
      const char* tag = page + i + 1;
      bool br = len >= 2 && CompareNoCase(tag, "br", 2) == 0 && (len == 2 || IsBlank(tag[2]) || tag[2] == '/');
      bool p = len == 2 && CompareNoCase(tag, "/p", 2) == 0;
      if (br || p) {
        if (o + 2 > max) break;
        out[o++] = '\r';
        out[o++] = '\n';
      }
      i = end < n ? end + 1 : n;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (IsSjisLead(static_cast<unsigned char>(c)) && i + 1 < n) {
      if (o + 2 > max) break;
      out[o++] = c;
      out[o++] = page[i + 1];
      i += 2;
      continue;
    }
    if (c == 0) {
      ++i;
      continue;
    }
    out[o++] = c;
    ++i;
  }
  out[o] = 0;
}

}  // namespace

bool PostTargetOf(const char* address, uint32_t jobPort, PostTarget* out) {
  memset(out, 0, sizeof *out);
  char dat[kAddressMax];
  CopyText(dat, address ? address : "");
  // Reading-script and h2ch addresses become the log address first.
  if (!ToDatUrl(dat)) return false;
  const char* p = dat;
  static const char* const kSchemes[] = {"http://", "hhtm://", "hrss://", "h2ch://"};
  for (const char* s : kSchemes)
    if (strncmp(p, s, 7) == 0) {
      p += 7;
      break;
    }
  const char* slash = strchr(p, '/');
  if (!slash || slash == p) return false;
  size_t hostLength = static_cast<size_t>(slash - p);
  if (hostLength >= sizeof out->host) return false;
  memcpy(out->host, p, hostLength);
  out->host[hostLength] = 0;
  CopyText(out->server, out->host);
  out->port = static_cast<uint16_t>(jobPort ? jobPort : 80);
  if (char* colon = strrchr(out->server, ':')) {
    if (!AllDigits(colon + 1, strlen(colon + 1))) return false;
    long port = 0;
    for (const char* d = colon + 1; *d && port <= 65535; ++d) port = port * 10 + (*d - '0');
    if (port < 1 || port > 65535) return false;
    out->port = static_cast<uint16_t>(port);
    *colon = 0;
  }
  if (!out->server[0]) return false;
  const char* board = slash + 1;
  const char* boardEnd = strchr(board, '/');
  if (!boardEnd) return false;
  size_t boardLength = static_cast<size_t>(boardEnd - board);
  if (!PlainBoardName(board, boardLength) || boardLength >= sizeof out->board) return false;
  memcpy(out->board, board, boardLength);
  const char* last = strrchr(dat, '/') + 1;
  const char* dot = strrchr(last, '.');
  size_t keyLength = dot ? static_cast<size_t>(dot - last) : strlen(last);
  if (!AllDigits(last, keyLength) || keyLength >= sizeof out->key) return false;
  memcpy(out->key, last, keyLength);
  return true;
}

void PostRefererOf(const PostTarget& t, char* out, size_t cap) {
  FormatText(out, cap, "http://%s/test/read.cgi/%s/%s/", t.host, t.board, t.key);
}

void ConfirmRefererOf(const PostTarget& t, char* out, size_t cap) {
  FormatText(out, cap, "http://%s%s?bbs=%s&key=%s", t.host, kPostScript, t.board, t.key);
}

void PostAgentOf(const char* postHead, char* out, size_t cap) {
  if (postHead && postHead[0])
    FormatText(out, cap, "%s\r\n%s", kPostAgent, postHead);
  else
    CopyText(out, cap, kPostAgent);
}

void PostHeadLine(const char* postHead, char* out, size_t cap) {
  if (!out || cap == 0) return;
  out[0] = 0;
  if (!postHead) return;
  size_t n = strcspn(postHead, "\r\n");
  if (n == 0 || n + 3 > cap) return;
  memcpy(out, postHead, n);
  memcpy(out + n, "\r\n", 3);
}

int64_t UnixTimeOf(const CivilTime& t) {
  // Days from the civil date (proleptic Gregorian), counted from 1970-01-01.
  int64_t y = t.year - (t.month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t m = t.month;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

bool MessageFitsForm(const char* message, size_t length) {
  if (length > kPostEncodeInputMax) return false;
  size_t encoded = 0;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(message[i]);
    if (IsSjisLead(c) && i + 1 < length) {
      encoded += 6;  // both bytes of a character
      ++i;
      continue;
    }
    bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' || c == '-' || c == '.' || c == '@' ||
                c == '_' || c == ' ';
    encoded += kept ? 1 : 3;
  }
  return encoded <= kPostEncodeOutputMax;
}

size_t PostBodyCapacity(size_t messageLength) { return messageLength * 3 + kPostBodySpare; }

size_t BuildFirstBody(const PostFields& f, char* out, size_t cap) {
  if (!out || cap == 0) return 0;
  out[0] = 0;
  size_t pos = 0;
  char time[24];
  FormatText(time, sizeof time, "%lld", static_cast<long long>(f.time));
  bool ok = Put(out, cap, &pos, "submit=") && PutEncoded(out, cap, &pos, kSubmitFirst) &&
            Put(out, cap, &pos, "&FROM=") && PutEncoded(out, cap, &pos, f.name) &&
            Put(out, cap, &pos, "&mail=") && PutEncoded(out, cap, &pos, f.mail) &&
            Put(out, cap, &pos, "&MESSAGE=") && PutEncoded(out, cap, &pos, f.message, f.messageLength) &&
            Put(out, cap, &pos, "&bbs=") && Put(out, cap, &pos, f.board) && Put(out, cap, &pos, "&key=") &&
            Put(out, cap, &pos, f.key) && Put(out, cap, &pos, "&time=") && Put(out, cap, &pos, time) &&
            Put(out, cap, &pos, f.postData ? f.postData : "");
  if (!ok) {
    out[0] = 0;
    return 0;
  }
  return pos;
}

size_t BuildConfirmBody(const PostFields& f, const PostAnswer& page, char* out, size_t cap) {
  if (!out || cap == 0) return 0;
  out[0] = 0;
  if (!page.hasTime || page.formTooLarge) return 0;
  size_t pos = 0;
  bool ok = Put(out, cap, &pos, "subject=") && Put(out, cap, &pos, "&FROM=") && PutEncoded(out, cap, &pos, f.name) &&
            Put(out, cap, &pos, "&mail=") && PutEncoded(out, cap, &pos, f.mail) &&
            Put(out, cap, &pos, "&MESSAGE=") && PutEncoded(out, cap, &pos, f.message, f.messageLength) &&
            Put(out, cap, &pos, "&bbs=") && Put(out, cap, &pos, f.board) && Put(out, cap, &pos, "&time=") &&
            Put(out, cap, &pos, page.time) && Put(out, cap, &pos, "&key=") && Put(out, cap, &pos, f.key) &&
            Put(out, cap, &pos, "&submit=") && PutEncoded(out, cap, &pos, kSubmitConfirm);
  // The hidden inputs that newer scripts add go back as the page gave them.
  for (int32_t i = 0; ok && i < page.extraCount && i < kHiddenFieldMax; ++i) {
    const HiddenField& h = page.extras[i];
    ok = Put(out, cap, &pos, "&") && PutEncoded(out, cap, &pos, h.name) && Put(out, cap, &pos, "=") &&
         PutEncoded(out, cap, &pos, h.value);
  }
  if (!ok) {
    out[0] = 0;
    return 0;
  }
  return pos;
}

void ClassifyPostAnswer(const char* page, size_t length, PostAnswer* out) {
  memset(out, 0, sizeof *out);
  out->outcome = PostOutcome::Rejected;
  if (!page) length = 0;
  // The title is looked for in the whole answer: real pages put a long
  // head of scripts and styles in front of it.
  long at = FindNoCase(page, length, 0, "<title>");
  if (at >= 0) {
    size_t start = static_cast<size_t>(at) + 7;
    size_t end = start;
    while (end < length && page[end] != '<' && page[end] != 0) ++end;
    size_t keep = SjisCutLength(page + start, end - start, kPostTitleMax);
    memcpy(out->title, page + start, keep);
    out->title[keep] = 0;
    out->hasTitle = true;
  }
  ReadPageText(page, length, out->text, sizeof out->text, kPostTextMax);
  if ((out->hasTitle && StartsWith(out->title, strlen(out->title), kPostMarkers.acceptedTitle)) ||
      StartsWith(page, length, kPostMarkers.acceptedPage)) {
    out->outcome = PostOutcome::Accepted;
    return;
  }
  if (out->hasTitle && ContainsSjis(out->title, strlen(out->title), kPostMarkers.confirmWord)) {
    out->outcome = PostOutcome::Confirm;
    ReadHiddenInputs(page, length, out);
  }
}

void TakeSetCookies(const char* raw, size_t n, CookieJar* jar) {
  memset(jar, 0, sizeof *jar);
  size_t i = 0;
  while (i < n) {
    size_t end = i;
    while (end < n && raw[end] != '\r' && raw[end] != '\n') ++end;
    static const char kHeader[] = "set-cookie:";
    if (end - i > sizeof kHeader - 1 && CompareNoCase(raw + i, kHeader, sizeof kHeader - 1) == 0) {
      size_t p = i + sizeof kHeader - 1;
      while (p < end && IsBlank(raw[p])) ++p;
      size_t nameStart = p;
      while (p < end && raw[p] != '=' && raw[p] != ';') ++p;
      size_t nameEnd = p;
      while (nameEnd > nameStart && IsBlank(raw[nameEnd - 1])) --nameEnd;
      if (p < end && raw[p] == '=' && nameEnd > nameStart) {
        size_t valueStart = ++p;
        while (p < end && raw[p] != ';') ++p;
        size_t nameLength = nameEnd - nameStart, valueLength = p - valueStart;
        // A cookie set twice keeps the last value, as a browser would.
        int32_t slot = jar->count;
        for (int32_t k = 0; k < jar->count; ++k)
          if (strlen(jar->items[k].name) == nameLength && memcmp(jar->items[k].name, raw + nameStart, nameLength) == 0)
            slot = k;
        if (nameLength < sizeof jar->items[0].name && valueLength < sizeof jar->items[0].value &&
            slot < kCookieMax) {
          CopyTextN(jar->items[slot].name, sizeof jar->items[0].name, raw + nameStart, nameLength);
          CopyTextN(jar->items[slot].value, sizeof jar->items[0].value, raw + valueStart, valueLength);
          if (slot == jar->count) ++jar->count;
        }
      }
    }
    i = end;
    while (i < n && (raw[i] == '\r' || raw[i] == '\n')) ++i;
  }
}

size_t ConfirmCookieHeader(const CookieJar& jar, char* out, size_t cap) {
  if (!out || cap == 0) return 0;
  out[0] = 0;
  size_t pos = 0;
  bool ok = Put(out, cap, &pos, "Cookie: ");
  bool first = true;
  // NAME and MAIL lead, whether the server set them or not: the script
  // checks that both are there.
  static const char* const kRequired[] = {"NAME", "MAIL"};
  for (const char* want : kRequired) {
    const char* value = "";
    for (int32_t k = 0; k < jar.count && k < kCookieMax; ++k)
      if (strcmp(jar.items[k].name, want) == 0) value = jar.items[k].value;
    ok = ok && (first || Put(out, cap, &pos, "; ")) && Put(out, cap, &pos, want) && Put(out, cap, &pos, "=") &&
         Put(out, cap, &pos, value);
    first = false;
  }
  for (int32_t k = 0; k < jar.count && k < kCookieMax; ++k) {
    if (strcmp(jar.items[k].name, "NAME") == 0 || strcmp(jar.items[k].name, "MAIL") == 0) continue;
    ok = ok && Put(out, cap, &pos, "; ") && Put(out, cap, &pos, jar.items[k].name) && Put(out, cap, &pos, "=") &&
         Put(out, cap, &pos, jar.items[k].value);
  }
  ok = ok && Put(out, cap, &pos, "\r\n");
  if (!ok) {
    out[0] = 0;
    return 0;
  }
  return pos;
}

}  // namespace kv
