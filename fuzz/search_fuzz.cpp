// The searches read view text built from servers' logs, and the proxy list
// and the editor read settings and files written by hand. Up to the first
// NUL: the text searched for; the rest: a thread log.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/text.h"
#include "fuzz/reader_fuzz_util.h"
#include "reader/thread.h"
#include "ui/editor.h"
#include "ui/proxy.h"
#include "ui/search.h"

// A plain reading of the rule: a hit starts on a character boundary and
// matches character by character, single-byte letters without case.
static ptrdiff_t Reference(const std::string& s, const std::string& t) {
  auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  if (t.empty()) return -1;
  for (size_t p = 0; p + t.size() <= s.size();) {
    size_t i = 0;
    while (i < t.size()) {
      unsigned char a = s[p + i], b = t[i];
      if (kv::IsSjisLead(b)) {
        if (i + 1 >= t.size() || a != b || s[p + i + 1] != t[i + 1]) break;
        i += 2;
      } else {
        if (fold(a) != fold(b)) break;
        ++i;
      }
    }
    if (i >= t.size()) return static_cast<ptrdiff_t>(p);
    p += kv::IsSjisLead(static_cast<unsigned char>(s[p])) && p + 1 < s.size() ? 2 : 1;
  }
  return -1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* p = reinterpret_cast<const char*>(data);
  const char* nul = static_cast<const char*>(memchr(p, 0, size));
  size_t n = nul ? static_cast<size_t>(nul - p) : (size < 8 ? size : 8);
  std::string needle(p, n);
  const char* log = nul ? nul + 1 : p;
  size_t length = size - static_cast<size_t>(log - p);

  FUZZ_CHECK(kv::FindText(log, length, needle.data(), needle.size()) == Reference(std::string(log, length), needle));

  std::unique_ptr<kv::ThreadViewState> v(new kv::ThreadViewState{});
  v->title[0] = '?';
  kv::ViewBuildOptions options;
  if (kv::LoadThreadIntoView(*v, options, log, length)) {
    // Every hit moves forwards to the first line of a post; the end comes.
    int32_t position = 0, hits = 0;
    for (;;) {
      int32_t before = position;
      int32_t r = kv::FindInThread(*v, needle.data(), needle.size(), &position);
      FUZZ_CHECK(position >= before && position <= v->textLength);
      if (r < 0) break;
      FUZZ_CHECK(position > before);
      bool first = false;
      for (int32_t k = 1; k < v->postCount; ++k) first = first || v->postLine[k] == r;
      FUZZ_CHECK(first && kv::ThreadSearchHit(r, v->lineCount));
      FUZZ_CHECK(++hits <= v->lineCount + 1);
    }
    kv::FreeViewText(*v);
  }

  char entries[kv::kProxyListMax][kv::kProxyEntrySize];
  std::string list(log, strnlen(log, length < 300 ? length : 300));
  int32_t count = kv::SplitProxyList(list.c_str(), entries, kv::kProxyListMax);
  FUZZ_CHECK(count >= 0 && count <= kv::kProxyListMax);
  const char* pointers[kv::kProxyListMax];
  for (int32_t i = 0; i < count; ++i) pointers[i] = entries[i];
  char joined[260];
  FUZZ_CHECK(kv::JoinProxyList(pointers, count, joined, sizeof joined) < sizeof joined);
  char proxy[64], address[80], port[80];
  kv::SplitProxy(list.c_str(), address, sizeof address, port, sizeof port);
  if (kv::ProxyAddressOf(false, address, port, proxy, sizeof proxy) == kv::ProxyOk::Done)
    FUZZ_CHECK(strlen(proxy) < sizeof proxy && proxy[0] == ' ');

  size_t need = kv::CrLfLength(log, length);
  std::unique_ptr<char[]> text(new char[need + 1]);
  FUZZ_CHECK(kv::ToCrLf(log, length, text.get(), need + 1) == need);
  return 0;
}
