#include "boards/round.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next line from *at: its text without the line end and without blanks
// at either end; *at moves past the line end. False at the end of the data.
bool NextLine(const char* data, size_t length, size_t* at, const char** text, size_t* n) {
  size_t i = *at;
  if (i >= length) return false;
  size_t e = i;
  while (e < length && data[e] != '\r' && data[e] != '\n') ++e;
  *at = e;
  if (*at < length && data[*at] == '\r') ++*at;
  if (*at < length && data[*at] == '\n') ++*at;
  while (i < e && IsBlank(data[i])) ++i;
  while (e > i && IsBlank(data[e - 1])) --e;
  *text = data + i;
  *n = e - i;
  return true;
}

bool IsEntryLine(const char* text, size_t n) { return n > 0 && text[0] != '#' && text[0] != ';'; }

// The field [from, to) without blanks at its ends, into out; false when it
// does not fit (out then holds it cut on a character boundary).
bool TrimmedField(const char* from, const char* to, char* out, size_t cap) {
  while (from < to && IsBlank(*from)) ++from;
  while (to > from && IsBlank(to[-1])) --to;
  size_t n = static_cast<size_t>(to - from);
  CopyTextN(out, cap, from, n);
  return n < cap;
}

}  // namespace

int32_t CountRoundEntries(const char* data, size_t length) {
  int32_t count = 0;
  size_t at = 0;
  const char* text;
  size_t n;
  while (count < kMaxRoundEntries && NextLine(data, length, &at, &text, &n))
    if (IsEntryLine(text, n)) ++count;
  return count;
}

int32_t ParseRoundList(const char* data, size_t length, PatrolList* out) {
  out->count = 0;
  size_t at = 0;
  const char* text;
  size_t n;
  while (out->count < kMaxRoundEntries && data && NextLine(data, length, &at, &text, &n)) {
    if (!IsEntryLine(text, n)) continue;
    PatrolEntry& e = out->entries[out->count++];
    e = PatrolEntry{};
    const char* comma = static_cast<const char*>(memchr(text, ',', n));
    TrimmedField(text, comma ? comma : text + n, e.name, sizeof e.name);
    if (comma) {
      e.hasAddress = true;
      // An address cut short would fetch another thread, or nothing.
      if (!TrimmedField(comma + 1, text + n, e.address, sizeof e.address)) e.addressTooLong = true;
    }
  }
  return out->count;
}

bool PatrolFetchAddress(const PatrolEntry& entry, char* out, size_t cap) {
  if (cap) out[0] = 0;
  if (!entry.hasAddress || entry.addressTooLong || !entry.address[0] || cap < kAddressMax) return false;
  CopyText(out, cap, entry.address);
  // The patrol brings logs up to date: a thread's reading page is fetched
  // as its log, as the title/URL dialog writes new entries.
  if (strstr(out, "/read.cgi")) ToDatUrl(out);
  return true;
}

namespace {

// The field up to its first line end, without blanks at either end.
size_t Field(const char* s, size_t max, char* out, size_t cap) {
  size_t n = 0;
  while (s[n] && s[n] != '\r' && s[n] != '\n') ++n;
  size_t from = 0;
  while (from < n && (s[from] == ' ' || s[from] == '\t')) ++from;
  while (n > from && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
  return CopyTextN(out, cap < max + 1 ? cap : max + 1, s + from, n - from);
}

}  // namespace

size_t RoundLine(const char* title, const char* url, char* out, size_t cap) {
  char address[kAddressMax];
  if (!Field(url ? url : "", kAddressMax - 1, address, sizeof address)) return 0;
  if (strstr(address, "/read.cgi")) ToDatUrl(address);
  char name[kAddressMax];
  Field(title ? title : "", kAddressMax - 1, name, sizeof name);
  for (size_t i = 0; name[i];) {
    if (IsSjisLead(static_cast<unsigned char>(name[i])) && name[i + 1]) {
      i += 2;
      continue;
    }
    if (name[i] == ',') name[i] = '.';
    ++i;
  }
  // A name that starts like a comment line would hide the entry: its first
  // character becomes the full-width one.
  const char* lead = name[0] == '#' ? "＃" : name[0] == ';' ? "；" : "";
  return FormatText(out, cap, "%s%s,%s\r\n", lead, name + (lead[0] ? 1 : 0), address);
}

RoundAppend AppendRoundEntry(const char* old, size_t oldLength, const char* title, const char* url, char* out,
                             size_t cap, size_t* written) {
  *written = 0;
  char line[600];
  size_t n = RoundLine(title, url, line, sizeof line);
  if (!n) return RoundAppend::Empty;
  if (CountRoundEntries(old, oldLength) >= kMaxRoundEntries) return RoundAppend::Full;
  bool needsBreak = oldLength > 0 && (oldLength < 2 || old[oldLength - 2] != '\r' || old[oldLength - 1] != '\n');
  size_t need = oldLength + (needsBreak ? 2 : 0) + n + 1;
  if (need > cap) return RoundAppend::NoRoom;
  size_t k = 0;
  if (oldLength) memcpy(out, old, oldLength);
  k = oldLength;
  if (needsBreak) {
    out[k++] = '\r';
    out[k++] = '\n';
  }
  memcpy(out + k, line, n);
  k += n;
  out[k] = 0;
  *written = k;
  return RoundAppend::Added;
}

}  // namespace kv
