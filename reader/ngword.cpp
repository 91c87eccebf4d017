#include "reader/ngword.h"

#include <cstring>
#include <new>

#include "core/text.h"
#include "reader/scan.h"

namespace kv {

NgList::~NgList() { FreeNgWords(*this); }

void FreeNgWords(NgList& list) {
  for (int32_t i = 0; i < list.count && i < kMaxNgWords; ++i) {
    delete[] list.entries[i].word;
    list.entries[i] = {};
  }
  list.count = 0;
}

bool ParseNgWords(NgList& list, const char* text, size_t length) {
  FreeNgWords(list);
  size_t i = 0;
  while (i < length && list.count < kMaxNgWords) {
    size_t start = i;
    while (i < length && text[i] != '\r' && text[i] != '\n') ++i;
    size_t end = i;
    if (i < length && text[i] == '\r') {
      ++i;
      if (i < length && text[i] == '\n') ++i;
    } else if (i < length && text[i] == '\n') {
      ++i;
    }
    if (end == start) continue;
    char first = text[start];
    // Comment lines begin with ";" or "#"; a line must begin with its key.
    if (first < '0' || first > '9') continue;
    size_t wordStart = start + 2 < end ? start + 2 : end;
    size_t n = end - wordStart;
    char* word = new (std::nothrow) char[n + 1];
    if (!word) return false;
    memcpy(word, text + wordStart, n);
    word[n] = 0;
    list.entries[list.count++] = {first - '0', word, n};
  }
  return true;
}

namespace {

bool Contains(const char* hay, size_t n, const char* needle, size_t m) {
  if (m == 0 || m > n) return false;
  if (m == 1) return memchr(hay, needle[0], n) != nullptr;
  // Any byte offset counts, trail bytes included: the words are plain bytes.
  const unsigned char* h = reinterpret_cast<const unsigned char*>(hay);
  const unsigned char a = static_cast<unsigned char>(needle[0]);
  const unsigned char b = static_cast<unsigned char>(needle[1]);
  size_t last = n - m;  // the last offset a match can start at
  size_t i = 0;
  while (i <= last) {
    size_t k = FindPair(h + i, last - i + 2, a, b);
    if (k > last - i) return false;
    if (memcmp(hay + i + k, needle, m) == 0) return true;
    i += k + 1;
  }
  return false;
}

// The body without blanks, line breaks and control bytes, so that a word
// matches however the poster spaced it out. Only the first 250 bytes of that
// are looked at, which bounds the cost per post. No second byte of a pair is
// 0x20 or below, so the bytes to drop always stand alone.
size_t CompactBody(const char* s, size_t n, char* out) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(s);
  size_t k = 0;
  size_t i = 0;
  while (i < n && k < kNgCompactBody) {
    size_t j = NextStop<0x20>(u, i, n);
    size_t take = CutAtBoundary(u + i, j - i, kNgCompactBody - k, kSjisLeads);
    memcpy(out + k, s + i, take);
    k += take;
    if (take < j - i) break;
    i = j + 1;
  }
  return k;
}

}  // namespace

int MatchesNg(const NgList& list, int32_t key, const char* field, size_t length) {
  char compact[kNgCompactBody];
  bool compacted = false;
  for (int32_t i = 0; i < list.count && i < kMaxNgWords; ++i) {
    const NgEntry& e = list.entries[i];
    if (e.key != key || e.length == 0) continue;
    if (key == kNgKeyBody && !compacted) {
      length = CompactBody(field, length, compact);
      field = compact;
      compacted = true;
    }
    if (Contains(field, length, e.word, e.length)) return 1;
  }
  return 0;
}

namespace {

constexpr size_t kDialogSearch = 250;
constexpr size_t kBodySource = 120;
constexpr size_t kBodyWritten = 160;

// Offset of the first " ID:" lying within the first 250 bytes, or -1.
long FindIdMark(const char* text, size_t length) {
  size_t n = length < kDialogSearch ? length : kDialogSearch;
  for (size_t i = 0; i + 4 <= n; ++i)
    if (memcmp(text + i, " ID:", 4) == 0) return static_cast<long>(i);
  return -1;
}

}  // namespace

size_t ExtractIdWord(const char* text, size_t length, char* out, size_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  long mark = FindIdMark(text, length);
  if (mark < 0) return 0;
  size_t from = static_cast<size_t>(mark) + 4;
  size_t to = from;
  while (to < length && static_cast<unsigned char>(text[to]) >= '!') ++to;
  return CopyTextN(out, cap, text + from, to - from);
}

size_t ExtractIdSearchText(const char* text, size_t length, char* out, size_t cap) {
  if (cap < 5) return 0;
  size_t n = ExtractIdWord(text, length, out + 4, cap - 4);
  if (n == 0) {
    out[0] = 0;
    return 0;
  }
  memcpy(out, " ID:", 4);
  return n + 4;
}

size_t ExtractBodyWord(const char* text, size_t length, char* out, size_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  size_t n = length < kDialogSearch ? length : kDialogSearch;
  size_t from = 0;
  bool found = false;
  for (size_t i = 0; i + 2 <= n; ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') {
      from = i + 2;
      found = true;
      break;
    }
  }
  if (!found) return 0;
  size_t limit = cap - 1 < kBodyWritten ? cap - 1 : kBodyWritten;
  size_t k = 0;
  for (size_t i = from; i < length && i - from < kBodySource;) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsSjisLead(c) && i + 1 < length) {
      if (k + 2 > limit) break;
      out[k++] = static_cast<char>(c);
      out[k++] = text[i + 1];
      i += 2;
    } else {
      if (c >= '!') {
        if (k + 1 > limit) break;
        out[k++] = static_cast<char>(c);
      }
      ++i;
    }
  }
  out[k] = 0;
  return k;
}

size_t NgFileSizeWith(size_t oldLength, size_t wordLength) { return oldLength + 2 + 2 + wordLength + 2 + 1; }

size_t NgFileWithWord(const char* old, size_t oldLength, char keyDigit, const char* word, size_t wordLength, char* out,
                      size_t cap) {
  // One entry is one line: a word never carries a line end into the file.
  size_t n = 0;
  while (n < wordLength && word[n] != '\r' && word[n] != '\n' && word[n] != 0) ++n;
  if (n == 0 || cap < NgFileSizeWith(oldLength, n)) return 0;
  size_t k = 0;
  memcpy(out, old, oldLength);
  k = oldLength;
  // An empty file needs no separator before its first line.
  if (oldLength > 0 && (oldLength < 2 || old[oldLength - 2] != '\r' || old[oldLength - 1] != '\n')) {
    out[k++] = '\r';
    out[k++] = '\n';
  }
  out[k++] = keyDigit;
  out[k++] = ',';
  memcpy(out + k, word, n);
  k += n;
  out[k++] = '\r';
  out[k++] = '\n';
  out[k] = 0;
  return k;
}

size_t CollectPosts(const ThreadViewState& view, const char* text, size_t textLength, char* buffer, size_t cap,
                    bool copy) {
  size_t m = SjisCutLength(text, textLength, kSearchTextMax);
  if (m == 0 || !view.text) return 0;
  size_t total = 0;
  bool copying = copy && buffer;
  for (int32_t post = 1; post < view.postCount && post < kPostIndexSize - 1; ++post) {
    TextSpan span = PostSpan(view, post);
    if (span.length < m) continue;
    bool hit = false;
    for (size_t i = 0; i + m <= span.length;) {
      if (span.data[i] == text[0] && memcmp(span.data + i, text, m) == 0) {
        hit = true;
        break;
      }
      i += IsSjisLead(static_cast<unsigned char>(span.data[i])) ? 2 : 1;
    }
    if (!hit) continue;
    // A buffer too small gets the posts that fit, whole and in order.
    if (copying && total + span.length > cap) copying = false;
    if (copying) memcpy(buffer + total, span.data, span.length);
    total += span.length;
  }
  return total;
}

namespace {

// Characters that mark a line as drawn art (Shift_JIS second bytes after
// the lead byte).
bool IsArtSign(unsigned char lead, unsigned char trail) {
  switch (lead) {
    case 0x81:  // ´ ｀ ￣ ＿ ＼ ∧ ∀
      return trail == 0x4C || trail == 0x4D || trail == 0x50 || trail == 0x51 || trail == 0x5F || trail == 0xC8 ||
             trail == 0xCD;
    case 0x83:  // Λ
      return trail == 0xA9;
    case 0x84:  // Д д ─ ━
      return trail == 0x44 || trail == 0x74 || trail == 0x9F || trail == 0xAA;
    case 0x87:  // circled numbers, units and the like
      return true;
    default:
      return false;
  }
}

}  // namespace

bool LooksLikeAA(const char* line, size_t length, int32_t aaMode) {
  if (aaMode == 0) return false;
  if (aaMode == 2) return true;
  int spaces = 0;
  // A character that starts at byte 23 is still looked at.
  for (size_t i = 0; i < 24 && i < length;) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '\r' || c == '\n' || c == 0) break;
    if (IsSjisLead(c) && i + 1 < length) {
      unsigned char t = static_cast<unsigned char>(line[i + 1]);
      if (IsArtSign(c, t)) return true;
      if (c == 0x81 && t == 0x40) ++spaces;
      i += 2;
    } else {
      if (c == '|') return true;
      ++i;
    }
  }
  return spaces > 2;
}

}  // namespace kv
