// Thread logs come from servers and from the local store: anything may
// stand in them. Both ways of parsing a record must agree.
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/reader_fuzz_util.h"
#include "reader/ngword.h"
#include "reader/thread.h"
#include "reader/view_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kv::NgList ng;
  if (ng.count == 0) {
    const char words[] = "0,NG\r\n1,ngmail\r\n2,ID:bad\r\n3,あいう\r\n3,x\r\n";
    kv::ParseNgWords(ng, words, sizeof words - 1);
  }
  kv::ViewBuildOptions options;
  if (size > 0 && data[0] & 1) options.ngWords = &ng;
  if (size > 0 && data[0] & 2) options.transparentAbone = true;
  const char* log = reinterpret_cast<const char*>(data);
  size_t capacity = size + kv::kViewTextSpare;
  std::unique_ptr<char[]> a(new char[capacity]);
  std::unique_ptr<char[]> b(new char[capacity]);
  std::unique_ptr<kv::ThreadViewState> va(new kv::ThreadViewState{});
  std::unique_ptr<kv::ThreadViewState> vb(new kv::ThreadViewState{});
  va->text = a.get();
  vb->text = b.get();
  kv::ViewBuildResult ra = kv::ParseThreadLog(*va, options, log, size, capacity, true);
  kv::ViewBuildResult rb = kv::ParseThreadLog(*vb, options, log, size, capacity, false);
  fuzzutil::CheckView(*va, capacity);
  FUZZ_CHECK(ra.textLength == rb.textLength && ra.truncated == rb.truncated);
  FUZZ_CHECK(memcmp(a.get(), b.get(), static_cast<size_t>(ra.textLength)) == 0);
  FUZZ_CHECK(va->postCount == vb->postCount && va->lineCount == vb->lineCount);
  FUZZ_CHECK(memcmp(va->postStart, vb->postStart, sizeof va->postStart) == 0);
  // The public entry point takes the same road for a log.
  std::unique_ptr<kv::ThreadViewState> vc(new kv::ThreadViewState{});
  vc->title[0] = '?';
  kv::LoadThreadIntoView(*vc, options, log, size);
  fuzzutil::CheckView(*vc, capacity);
  kv::FreeViewText(*vc);
  va->text = vb->text = nullptr;
  return 0;
}
