#include "boards/round.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

int32_t CountRoundEntries(const char* data, size_t length) {
  int32_t count = 0;
  size_t i = 0;
  while (i < length && count < kMaxRoundEntries) {
    size_t e = i;
    while (e < length && data[e] != '\r' && data[e] != '\n') ++e;
    if (e > i && data[i] != '#' && data[i] != ';') ++count;
    i = e;
    if (i < length && data[i] == '\r') ++i;
    if (i < length && data[i] == '\n') ++i;
  }
  return count;
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
