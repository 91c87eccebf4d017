// Web pages are whatever a server sends, in any charset they declare.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/reader_fuzz_util.h"
#include "reader/html.h"
#include "reader/thread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Make sure the page converter gets it: "<html" within the first bytes.
  std::string page = "<html>";
  page.append(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<kv::ThreadViewState> v(new kv::ThreadViewState{});
  v->title[0] = '?';
  kv::ViewBuildOptions options;
  options.pageUrl = size > 0 && (data[0] & 1) ? "hhtm://h.example/dir/page.html" : "";
  kv::ViewBuildResult r;
  if (!kv::LoadThreadIntoView(*v, options, page.data(), page.size(), &r)) return 0;
  fuzzutil::CheckView(*v, page.size() + kv::kViewTextSpare);
  FUZZ_CHECK(strnlen(v->title, sizeof v->title) < sizeof v->title);
  // Every block's header is the page-block header.
  for (int32_t n = 1; n < v->postCount; ++n) {
    kv::TextSpan s = kv::PostSpan(*v, n);
    if (s.length == 0) continue;
    kv::TextSpan f[4];
    kv::SplitHeader(s.data, s.length, f);
    FUZZ_CHECK(f[3].length == 9 && memcmp(f[3].data, "}DATE ID:", 9) == 0);
  }
  kv::FreeViewText(*v);
  return 0;
}
