// NG words (posts hidden by name, mail, date/ID or body), extraction of the
// posts that contain a text, and the ASCII-art test for body lines.
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/thread.h"

namespace kv {

inline constexpr int32_t kMaxNgWords = 50;
inline constexpr size_t kNgCompactBody = 250;
inline constexpr size_t kSearchTextMax = 250;

// Field keys of ngword.txt: the digit before the word.
enum NgKey : int32_t { kNgKeyName = 0, kNgKeyMail = 1, kNgKeyDate = 2, kNgKeyBody = 3 };

struct NgEntry {
  int32_t key;  // 0-9; only 0-3 are ever asked for
  char* word;   // owned, terminated
  size_t length;
};

// The loaded list; frees its words when it goes away.
struct NgList {
  NgEntry entries[kMaxNgWords] = {};
  int32_t count = 0;
  NgList() = default;
  NgList(const NgList&) = delete;
  NgList& operator=(const NgList&) = delete;
  ~NgList();
};

// Empties the list and reads ngword.txt's bytes into it: one entry per line
// (key digit, separator, word); ";" and "#" lines, empty lines and lines not
// starting with a digit are skipped; at most 50 entries. False when memory
// ran out (the entries read so far stay).
bool ParseNgWords(NgList& list, const char* text, size_t length);
void FreeNgWords(NgList& list);

// 1 when an entry of this key occurs in the field. The body is compared
// in its compact form: blanks and control bytes dropped, first 250 bytes.
int MatchesNg(const NgList& list, int32_t key, const char* field, size_t length);

// The word that "NG:ID" adds: the ID after the first " ID:" within the
// first 250 bytes of the dialog text, up to a byte below "!". Returns its
// length (0: no ID).
size_t ExtractIdWord(const char* text, size_t length, char* out, size_t cap);
// The search text of "ID抽出": " ID:" and the ID.
size_t ExtractIdSearchText(const char* text, size_t length, char* out, size_t cap);
// The word that "NG:本文" adds: the text after its first CR LF (within 250
// bytes), at most 120 source bytes without blanks and control bytes, at most
// 160 written. Returns its length (0: nothing to add).
size_t ExtractBodyWord(const char* text, size_t length, char* out, size_t cap);

// ngword.txt with one more line: old bytes (CR LF added when they do not end
// with it), the key digit, ",", the word and CR LF. The word is cut at a
// line end. Returns the length written into out; 0 when the word is empty
// or out (cap bytes) is too small. NgFileSizeWith gives the room needed.
size_t NgFileSizeWith(size_t oldLength, size_t wordLength);
size_t NgFileWithWord(const char* old, size_t oldLength, char keyDigit, const char* word, size_t wordLength, char* out,
                      size_t cap);

// Total bytes of the posts whose span contains text (at most 250 bytes of
// it, matched at character boundaries); with copy set the spans are copied
// one after another into buffer (cap bytes, never overrun).
size_t CollectPosts(const ThreadViewState& view, const char* text, size_t textLength, char* buffer, size_t cap,
                    bool copy);

// Whether a body line is ASCII art and must not be wrapped, for the view's
// mode fAACheck: 0 never, 2 always, 1 when the first 24 bytes hold an art
// sign or more than two full-width spaces.
bool LooksLikeAA(const char* line, size_t length, int32_t aaMode = 1);

}  // namespace kv
