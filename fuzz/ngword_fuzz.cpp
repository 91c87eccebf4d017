// ngword.txt is edited by hand and fields come from servers. The matcher
// must agree with a plain reading of the rule.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/text.h"
#include "fuzz/reader_fuzz_util.h"
#include "reader/ngword.h"

static bool Reference(const kv::NgList& ng, int key, const std::string& field) {
  std::string f = field;
  if (key == 3) {
    std::string c;
    for (size_t i = 0; i < field.size();) {
      unsigned char ch = static_cast<unsigned char>(field[i]);
      size_t step =
          kv::IsSjisLead(ch) && i + 1 < field.size() && static_cast<unsigned char>(field[i + 1]) >= 0x40 ? 2 : 1;
      if (step == 1 && ch <= 0x20) {
        ++i;
        continue;
      }
      if (c.size() + step > kv::kNgCompactBody) break;
      c.append(field, i, step);
      i += step;
    }
    f = c;
  }
  for (int i = 0; i < ng.count; ++i) {
    const kv::NgEntry& e = ng.entries[i];
    if (e.key == key && e.length > 0 && f.find(std::string(e.word, e.length)) != std::string::npos) return true;
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Up to the first NUL: the list; the rest: a field.
  const char* p = reinterpret_cast<const char*>(data);
  const char* nul = static_cast<const char*>(memchr(p, 0, size));
  size_t listLength = nul ? static_cast<size_t>(nul - p) : size / 2;
  kv::NgList ng;
  kv::ParseNgWords(ng, p, listLength);
  FUZZ_CHECK(ng.count <= kv::kMaxNgWords);
  std::string field(p + listLength, size - listLength);
  for (int key = 0; key < 4; ++key)
    FUZZ_CHECK((kv::MatchesNg(ng, key, field.data(), field.size()) == 1) == Reference(ng, key, field));

  char word[256];
  size_t n = kv::ExtractIdWord(field.data(), field.size(), word, sizeof word);
  FUZZ_CHECK(n < sizeof word && word[n] == 0);
  n = kv::ExtractBodyWord(field.data(), field.size(), word, sizeof word);
  FUZZ_CHECK(n <= 160 && word[n] == 0);
  std::string file(kv::NgFileSizeWith(listLength, n), '\0');
  size_t m = kv::NgFileWithWord(p, listLength, '3', word, n, &file[0], file.size());
  if (n > 0) {
    FUZZ_CHECK(m > 0 && m < file.size() && file[m - 2] == '\r' && file[m - 1] == '\n');
    // The word added is found again on reading the file.
    kv::NgList again;
    kv::ParseNgWords(again, file.data(), m);
    FUZZ_CHECK(again.count > 0);
  }
  return 0;
}
