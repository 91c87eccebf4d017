#include "reader/ngword_win.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/store_win.h"
#include "core/text.h"

namespace kv {

NgList g_ngWords;

namespace {

void NgPath(char* out, size_t cap) { FormatText(out, cap, "%s%s", g_programFolder, kNgWordFile); }

// LoadFile cannot tell a missing or empty file from one it failed to read;
// only the first two may be treated as empty.
bool ExistsWithData(const char* path) {
  HANDLE f = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (f == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  LARGE_INTEGER size;
  bool data = !GetFileSizeEx(f, &size) || size.QuadPart > 0;
  CloseHandle(f);
  return data;
}

}  // namespace

void LoadNgWords() {
  FreeNgWords(g_ngWords);
  char path[260];
  NgPath(path, sizeof path);
  FileBuffer file;
  if (!LoadFile(path, &file)) return;
  if (!ParseNgWords(g_ngWords, file.data, file.size)) WriteEventLog('i', "ngword: out of memory");
}

void FreeNgWords() { FreeNgWords(g_ngWords); }

bool AddNgWord(char keyDigit, const char* word) {
  if (!word || !word[0]) return false;
  char path[260];
  NgPath(path, sizeof path);
  FileBuffer file;
  if (!LoadFile(path, &file)) {
    if (ExistsWithData(path)) {
      WriteEventLog('i', "ngword: cannot read %.200s", path);
      return false;
    }
    file.size = 0;
  }
  size_t wordLength = strlen(word);
  size_t cap = NgFileSizeWith(file.size, wordLength);
  std::unique_ptr<char[]> text(new (std::nothrow) char[cap]);
  if (!text) return false;
  size_t n = NgFileWithWord(file.data ? file.data : "", file.size, keyDigit, word, wordLength, text.get(), cap);
  if (n == 0) return false;
  // A list of words, edited by hand: never stored compressed.
  bool stored = StoreFile(path, text.get(), n, false) == 1;
  FreeNgWords();
  LoadNgWords();
  return stored;
}

}  // namespace kv
