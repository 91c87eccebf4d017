// The NG-word list of the running program, kept in ngword.txt in the
// program folder.
#pragma once
#include "reader/ngword.h"

namespace kv {

extern NgList g_ngWords;

inline constexpr char kNgWordFile[] = "ngword.txt";

// Empties the list and reads ngword.txt (a missing file: an empty list).
void LoadNgWords();
void FreeNgWords();

// Appends "key,word" CR LF to ngword.txt and reloads the list. False, with
// the file left as it was, when the word is empty or the file could not be
// read or written.
bool AddNgWord(char keyDigit, const char* word);

}  // namespace kv
