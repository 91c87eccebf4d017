// Answer pages of the posting script and the header block around them are
// whatever a server sends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/text.h"
#include "post/postform.h"

#define CHECK(c)                                        \
  do {                                                  \
    if (!(c)) {                                         \
      fprintf(stderr, "check failed: %s\n", #c);        \
      abort();                                          \
    }                                                   \
  } while (0)

namespace {

// No kept text ends inside a two-byte character.
bool WholeCharacters(const char* s) {
  size_t n = strlen(s);
  return kv::SjisCutLength(s, n, n) == n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* page = reinterpret_cast<const char*>(data);
  kv::PostAnswer a;
  kv::ClassifyPostAnswer(page, size, &a);
  CHECK(strnlen(a.title, sizeof a.title) <= kv::kPostTitleMax);
  CHECK(strnlen(a.text, sizeof a.text) <= kv::kPostTextMax);
  CHECK(WholeCharacters(a.title) && WholeCharacters(a.text));
  CHECK(a.extraCount >= 0 && a.extraCount <= kv::kHiddenFieldMax);
  if (a.hasTime) {
    for (const char* p = a.time; *p; ++p) CHECK(*p >= '0' && *p <= '9');
  }
  if (a.outcome == kv::PostOutcome::Confirm) {
    static char body[kv::kPostBodySpare + 64];
    kv::PostFields f{"kv", "sage", "12", 2, "news", "1000", 1, ""};
    size_t n = kv::BuildConfirmBody(f, a, body, sizeof body);
    CHECK(n < sizeof body && strlen(body) == n);
    // Every byte of a value is encoded: no raw separators sneak into the body.
    for (size_t i = 0; i < n; ++i) CHECK(body[i] != ' ' && body[i] != '\r' && body[i] != '\n');
  }
  kv::CookieJar jar;
  kv::TakeSetCookies(page, size, &jar);
  CHECK(jar.count >= 0 && jar.count <= kv::kCookieMax);
  char header[2400];
  size_t n = kv::ConfirmCookieHeader(jar, header, sizeof header);
  CHECK(n > 0 && strncmp(header, "Cookie: NAME=", 13) == 0);
  return 0;
}
