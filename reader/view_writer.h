// Shared by the thread-log parser and the page converter: appends posts to
// a view text of fixed capacity and keeps the post index and line count.
#pragma once
#include <cstring>

#include "reader/thread.h"

namespace kv {

class ViewWriter {
 public:
  ViewWriter(ThreadViewState& view, size_t capacity) : view_(view), cap_(capacity ? capacity - 1 : 0) {
    view_.postCount = 1;
    view_.lineCount = 0;
    view_.textLength = 0;
    view_.postStart[0] = view_.postLine[0] = 0;
  }

  // Room for need more bytes (one byte always stays free for a terminator).
  bool Fits(size_t need) const { return view_.text && need <= cap_ - pos_; }
  int32_t NextPost() const { return view_.postCount; }
  bool Full() const { return view_.postCount > kMaxPosts; }

  // Records the start of the next post and takes its number.
  void BeginPost() {
    view_.postStart[view_.postCount] = static_cast<int32_t>(pos_);
    view_.postLine[view_.postCount] = lines_;
  }
  void EndPost(int32_t lines) {
    lines_ += lines;
    ++view_.postCount;
  }

  char* Cursor() { return view_.text + pos_; }
  void Advance(size_t n) { pos_ += n; }
  void Put(const char* s, size_t n) {
    memcpy(view_.text + pos_, s, n);
    pos_ += n;
  }
  void Put(char c) { view_.text[pos_++] = c; }
  // Post numbers never exceed 5000: at most four digits, no leading zeros.
  void PutNumber(int32_t n) {
    char digits[12];
    int k = 0;
    do {
      digits[k++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n > 0 && k < 11);
    while (k > 0) view_.text[pos_++] = digits[--k];
  }

  // Sets the sentinel entries and the totals.
  int32_t Finish() {
    int32_t end = view_.postCount;
    view_.postStart[end] = static_cast<int32_t>(pos_);
    view_.postLine[end] = lines_;
    view_.lineCount = lines_;
    view_.textLength = static_cast<int32_t>(pos_);
    if (view_.text) view_.text[pos_] = 0;
    return view_.textLength;
  }

 private:
  ThreadViewState& view_;
  size_t cap_;
  size_t pos_ = 0;
  int32_t lines_ = 0;
};

// The cleaner behind CleanCopy: writes the cleaned src[0..length) to dst
// (room for length bytes) and returns its length.
size_t CleanInto(char* dst, const char* src, size_t length);
// One step of it: copies src[seg..j) and handles the "&", "<" or CR at j of
// src[..n). Returns where the copy goes on.
size_t CleanAt(char*& d, const char* src, size_t seg, size_t j, size_t n);

// The thread-log half of BuildViewText. Without useMarks every record is
// scanned again by the splitter and the cleaner instead of using the marks
// the reader took; both ways give the same text (the fuzz target checks).
ViewBuildResult ParseThreadLog(ThreadViewState& view, const ViewBuildOptions& options, const char* data, size_t length,
                               size_t capacity, bool useMarks);

}  // namespace kv
