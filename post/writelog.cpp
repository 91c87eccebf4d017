#include "post/writelog.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

size_t FormatWriteLogHead(const WriteLogTime& t, const char* address, const char* name, const char* mail, char* out,
                          size_t cap) {
  return FormatText(out, cap, "[%04d-%02d-%02d %02d:%02d:%02d]\r\nURL : %s\r\nName: %s\r\nMail: %s\r\n", t.year,
                    t.month, t.day, t.hour, t.minute, t.second, address ? address : "", name ? name : "",
                    mail ? mail : "");
}

void WriteLogAddressOf(const char* address, char* out) {
  CopyText(out, kAddressMax, address ? address : "");
  if (ClassifyBoard(out) == BoardPlain) return;
  const char* dat = strstr(out, "/dat/");
  const char* script = strstr(out, "/read.cgi");
  // Whichever comes first in the address decides.
  char copy[kAddressMax];
  CopyText(copy, out);
  if (dat && (!script || dat < script)) {
    if (ToReadUrl(copy)) CopyText(out, kAddressMax, copy);
  } else if (script) {
    if (ToDatUrl(copy)) CopyText(out, kAddressMax, copy);
  }
}

}  // namespace kv
