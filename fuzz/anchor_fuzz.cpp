// A clicked line is any text a server sent: its anchors, its web address and
// what the title/URL dialog makes of them must stay within their buffers
// and limits.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "boards/round.h"
#include "core/address.h"
#include "core/text.h"
#include "fuzz/reader_fuzz_util.h"
#include "reader/anchor.h"
#include "reader/thread.h"
#include "ui/textdialog.h"

namespace {

void CheckLine(const kv::ThreadViewState& v, const char* line, size_t length) {
  size_t total = kv::CollectAnchoredPosts(v, line, length, nullptr, 0, false);
  FUZZ_CHECK(total <= kv::kPopupTotalMax);
  std::vector<char> buffer(total + kv::kPopupSpare);
  FUZZ_CHECK(kv::CollectAnchoredPosts(v, line, length, buffer.data(), buffer.size(), true) == total);

  char link[kv::kAddressMax];
  if (kv::FindLink(line, length, link, sizeof link)) {
    size_t n = strlen(link);
    FUZZ_CHECK(n < kv::kAddressMax);
    FUZZ_CHECK(memcmp(link, "http://", 7) == 0 || memcmp(link, "https://", 8) == 0);
    for (size_t i = 0; i < n; ++i) FUZZ_CHECK(static_cast<unsigned char>(link[i]) > 0x20 && link[i] != '(');
    FUZZ_CHECK(kv::SjisCutLength(link, n, n) == n);

    // The dialog's companion arguments hold exactly their four quotes.
    char title[300];
    kv::CopyTextN(title, sizeof title, line, length);
    char arguments[kv::kCompanionArgumentsSize];
    kv::CompanionArguments(kv::kCompanionRavo, link, title, arguments, sizeof arguments);
    int quotes = 0;
    for (const char* p = arguments; *p; ++p) quotes += *p == '"';
    FUZZ_CHECK(quotes == 4);
    char round[700];
    size_t r = kv::RoundLine(title, link, round, sizeof round);
    FUZZ_CHECK(r >= 3 && round[r - 2] == '\r' && round[r - 1] == '\n');
    FUZZ_CHECK(memchr(round, '\n', r - 1) == nullptr);
    FUZZ_CHECK(kv::CountRoundEntries(round, r) == 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Up to the first NUL: a thread log; the rest: a line to click.
  const char* p = reinterpret_cast<const char*>(data);
  const char* nul = static_cast<const char*>(memchr(p, 0, size));
  size_t logLength = nul ? static_cast<size_t>(nul - p) : size;
  std::unique_ptr<kv::ThreadViewState> view(new kv::ThreadViewState{});
  kv::ViewBuildOptions options;
  if (!kv::LoadThreadIntoView(*view, options, p, logLength)) return 0;
  const kv::ThreadViewState& v = *view;

  std::string line = nul ? std::string(nul + 1, size - logLength - 1) : std::string();
  CheckLine(v, line.data(), line.size());

  // And every line of the view text, as a click on it reads it.
  for (int32_t at = 0, lines = 0; at < v.textLength && lines < 200; ++lines) {
    size_t n = kv::ActivationLineLength(v.text + at, static_cast<size_t>(v.textLength - at));
    CheckLine(v, v.text + at, n);
    const char* e = static_cast<const char*>(memchr(v.text + at, '\n', static_cast<size_t>(v.textLength - at)));
    if (!e) break;
    at = static_cast<int32_t>(e - v.text) + 1;
  }

  // The dialog's text as it would show the whole thread.
  std::vector<char> shown(static_cast<size_t>(v.textLength) + 1);
  int32_t feeds = 0;
  size_t n = kv::PrepareDialogText(v.text, static_cast<size_t>(v.textLength), shown.data(), &feeds);
  FUZZ_CHECK(n <= static_cast<size_t>(v.textLength));
  int32_t h = kv::TextDialogHeight(19, feeds, 3, 17);
  FUZZ_CHECK(h >= kv::kTextDialogMinHeight && h <= kv::kTextDialogMaxHeight);
  kv::FreeViewText(*view);
  return 0;
}
