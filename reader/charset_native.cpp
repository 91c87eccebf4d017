// The native build's stand-in for the Windows code-page functions, over
// glibc iconv. It follows what MultiByteToWideChar and WideCharToMultiByte do
// with flags 0: a byte sequence that cannot be decoded becomes U+FFFD, a
// character that code page 932 lacks becomes "?".
#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "reader/charset.h"

namespace kv {

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Runs the whole input through cd. At a sequence it cannot take, skip bytes
// of input are dropped and the replacement bytes are written instead.
bool ConvertAll(iconv_t cd, const char* src, size_t length, size_t skip, const char* replacement,
                size_t replacementLength, std::string* out) {
  char chunk[4096];
  char* in = const_cast<char*>(src);
  size_t inLeft = length;
  for (;;) {
    char* o = chunk;
    size_t oLeft = sizeof chunk;
    size_t r = inLeft ? iconv(cd, &in, &inLeft, &o, &oLeft) : iconv(cd, nullptr, nullptr, &o, &oLeft);
    int error = r == static_cast<size_t>(-1) ? errno : 0;
    out->append(chunk, static_cast<size_t>(o - chunk));
    if (error == E2BIG) continue;
    if (error == EILSEQ || error == EINVAL) {
      size_t drop = inLeft < skip ? inLeft : skip;
      in += drop;
      inLeft -= drop;
      out->append(replacement, replacementLength);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    if (error) return false;
    if (inLeft == 0) {
      // Flush any shift state (UTF-7 may hold bits).
      o = chunk;
      oLeft = sizeof chunk;
      iconv(cd, nullptr, nullptr, &o, &oLeft);
      out->append(chunk, static_cast<size_t>(o - chunk));
      return true;
    }
  }
}

int Deliver(const std::string& bytes, size_t unit, void* dst, int cap) {
  size_t units = bytes.size() / unit;
  if (units > 0x7FFFFFFF) return 0;
  if (!dst) return static_cast<int>(units);
  if (units > static_cast<size_t>(cap)) return 0;  // as the Windows functions: too small a buffer fails
  memcpy(dst, bytes.data(), units * unit);
  return static_cast<int>(units);
}

}  // namespace

int PlatformToUtf16(int codePage, const char* src, int length, char16_t* dst, int cap) {
  if (length <= 0) return 0;
  const char* from = codePage == kCodePageUtf8 ? "UTF-8" : codePage == kCodePageUtf7 ? "UTF-7" : nullptr;
  if (!from) return 0;
  Converter c("UTF-16LE", from);
  if (!c.ok()) return 0;
  static const char kReplacement[2] = {static_cast<char>(0xFD), static_cast<char>(0xFF)};
  std::string wide;
  if (!ConvertAll(c.get(), src, static_cast<size_t>(length), 1, kReplacement, 2, &wide)) return 0;
  return Deliver(wide, 2, dst, cap);
}

int PlatformUtf16ToSjis(const char16_t* src, int length, char* dst, int cap) {
  if (length <= 0) return 0;
  Converter c("CP932", "UTF-16LE");
  if (!c.ok()) return 0;
  std::string sjis;
  if (!ConvertAll(c.get(), reinterpret_cast<const char*>(src), static_cast<size_t>(length) * 2, 2, "?", 1, &sjis))
    return 0;
  return Deliver(sjis, 1, dst, cap);
}

}  // namespace kv
