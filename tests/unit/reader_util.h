// Helpers for the reader tests: fixture bytes, building a view, reading its
// posts back, and the invariants every view text must keep.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "reader/thread.h"

namespace readertest {

inline std::string Fixture(const char* name) {
  std::string path = std::string(KV_SOURCE_DIR) + "/tests/unit/data/" + name;
  std::ifstream f(path, std::ios::binary);
  EXPECT_TRUE(f.good()) << path;
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

struct View {
  std::unique_ptr<kv::ThreadViewState> state{new kv::ThreadViewState{}};
  kv::ViewBuildResult result;
  ~View() { kv::FreeViewText(*state); }
  kv::ThreadViewState& operator*() { return *state; }
  kv::ThreadViewState* operator->() { return state.get(); }
  const kv::ThreadViewState* operator->() const { return state.get(); }
  std::string text() const { return std::string(state->text, static_cast<size_t>(state->textLength)); }
  // Post n's bytes, header to trailing empty line.
  std::string post(int n) const {
    kv::TextSpan s = kv::PostSpan(*state, n);
    return std::string(s.data ? s.data : "", s.length);
  }
  // Post n split into lines (without their CR LF).
  std::vector<std::string> lines(int n) const {
    std::vector<std::string> out;
    std::string p = post(n);
    size_t at = 0;
    while (at < p.size()) {
      size_t e = p.find("\r\n", at);
      if (e == std::string::npos) e = p.size();
      out.push_back(p.substr(at, e - at));
      at = e + 2;
    }
    return out;
  }
  // The four header columns of post n.
  std::vector<std::string> header(int n) const {
    std::string p = post(n);
    kv::TextSpan f[4];
    kv::SplitHeader(p.data(), p.size(), f);
    std::vector<std::string> out;
    for (auto& c : f) out.emplace_back(c.data, c.length);
    return out;
  }
};

// Every view text: lines end in CR LF, only header lines begin with TAB,
// each post starts at a header (or is empty), and the index counts lines as
// they are written.
inline void ExpectSoundIndex(const View& v) {
  const kv::ThreadViewState& s = *v.state;
  ASSERT_GE(s.postCount, 1);
  ASSERT_LE(s.postCount, kv::kMaxPosts + 1);
  std::string t = v.text();
  EXPECT_EQ(s.postStart[s.postCount], s.textLength);
  EXPECT_EQ(s.postLine[s.postCount], s.lineCount);
  int lines = 0;
  size_t at = 0;
  std::vector<int> lineAt(t.size() + 1, -1);
  while (at < t.size()) {
    lineAt[at] = lines;
    size_t e = t.find("\r\n", at);
    ASSERT_NE(e, std::string::npos) << "unterminated line at " << at;
    std::string line = t.substr(at, e - at);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    ++lines;
    at = e + 2;
  }
  lineAt[t.size()] = lines;
  EXPECT_EQ(lines, s.lineCount);
  for (int n = 1; n < s.postCount; ++n) {
    int32_t start = s.postStart[n];
    ASSERT_GE(start, 0);
    ASSERT_LE(start, s.postStart[n + 1]);
    EXPECT_EQ(lineAt[static_cast<size_t>(start)], s.postLine[n]) << "post " << n;
    if (start < s.postStart[n + 1]) {
      EXPECT_EQ(t[static_cast<size_t>(start)], '\t') << "post " << n;
      // Within a post only its first line is a header.
      std::string p = t.substr(static_cast<size_t>(start), static_cast<size_t>(s.postStart[n + 1] - start));
      EXPECT_EQ(p.find("\n\t"), std::string::npos) << "post " << n;
      EXPECT_EQ(p.substr(p.size() - 4), "\r\n\r\n");
    }
  }
}

inline void Build(View& v, const std::string& data, const kv::ViewBuildOptions& options = {}) {
  v->title[0] = '?';
  ASSERT_TRUE(kv::LoadThreadIntoView(*v, options, data.data(), data.size(), &v.result));
  ExpectSoundIndex(v);
}

}  // namespace readertest
