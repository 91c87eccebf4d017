#include "boards/acquired.h"

#include <cstring>

#include "core/address.h"
#include "core/text.h"

namespace kv {

bool BoardOfThread(const char* threadUrl, char* board, size_t cap, int32_t* key) {
  size_t len = strnlen(threadUrl, kAddressMax);
  const char* last = nullptr;
  for (size_t i = 0; i < len; ++i)
    if (threadUrl[i] == '/') last = threadUrl + i;
  if (!last) return false;
  int32_t k = ParseInt(last + 1);
  if (last[1] < '0' || last[1] > '9' || k <= 0) return false;
  // The "dat/" part before the key's name goes too.
  const char* folder = nullptr;
  for (const char* p = threadUrl; p < last; ++p)
    if (*p == '/') folder = p;
  if (!folder) return false;
  size_t keep = static_cast<size_t>(folder - threadUrl) + 1;
  if (keep + strlen("subject.txt") + 1 > cap) return false;
  memcpy(board, threadUrl, keep);
  memcpy(board + keep, "subject.txt", sizeof "subject.txt");
  *key = k;
  return true;
}

bool AcquiredFilesOf(const char* board, const char* logFolder, AcquiredFiles* out) {
  char local[kAddressMax];
  size_t folder = 0;
  if (!LocalPathFor(board, logFolder, nullptr, local, sizeof local, &folder)) return false;
  char dir[kAddressMax];
  CopyTextN(dir, sizeof dir, local, folder);
  size_t n = strlen(local);
  bool isIndex = n >= 11 && strcmp(local + n - 11, "subject.txt") == 0;
  size_t a = FormatText(out->list, sizeof out->list, "%sacquired.txt", dir);
  size_t b = isIndex ? FormatText(out->index, sizeof out->index, "%s", local)
                     : FormatText(out->index, sizeof out->index, "%ssubject.txt", dir);
  size_t c = FormatText(out->datFolder, sizeof out->datFolder, "%sdat\\", dir);
  return a + 1 < sizeof out->list && b + 1 < sizeof out->index && c + 1 < sizeof out->datFolder;
}

void BeginAcquiredLoad(ThreadLists& lists) {
  ClearTable(*lists.acquired);
  lists.acquiredChanged = 0;
}

void AddScannedLog(ThreadLists& lists, int32_t key) {
  if (key <= 0) return;
  ThreadTable& t = *lists.acquired;
  int32_t row = -1;
  for (int32_t i = 0; i < t.used && row < 0; ++i)
    if (RowIsFree(t.rows[i]) || t.rows[i].key == key) row = i;
  if (row < 0) row = t.used;
  if (row >= kThreadRows) return;
  ThreadRow& r = t.rows[row];
  CopyText(r.title, "Unknown");
  r.key = key;
  r.count = 1;
  r.newCount = 0;
  r.state = 1;
  r.flags = kRowScanned;
  FormatRowTexts(r, row);
  if (row >= t.used) t.used = row + 1;
  ++lists.acquiredChanged;
}

void FinishAcquiredLoad(ThreadLists& lists, const char* data, size_t length, const char* board) {
  ThreadTable* was = lists.current;
  lists.current = lists.acquired;
  if (data && length) ParseThreadList(lists, data, length, ParseMode::Merge, 0, nullptr);
  lists.current = was;
  CopyText(lists.acquiredBoard, board);
  lists.acquiredChanged = 0;
}

int32_t RecordOpenedThread(ThreadLists& lists, int32_t key, const char* title, int32_t count, bool offline) {
  if (key <= 0) return -1;
  ThreadTable& t = *lists.acquired;
  int32_t row = FindRowByKey(t, key);
  if (row < 0) {
    for (int32_t i = 0; i < t.used && row < 0; ++i)
      if (RowIsFree(t.rows[i])) row = i;
    if (row < 0) row = t.used;
    if (row >= kThreadRows) return -1;
    ThreadRow& fresh = t.rows[row];
    delete[] fresh.link;
    memset(static_cast<void*>(&fresh), 0, sizeof fresh);
    fresh.state = 1;
  }
  ThreadRow& r = t.rows[row];
  CopyText(r.title, title && title[0] ? title : "?");
  r.key = key;
  // A caller that does not know the count (-1) leaves the stored one.
  if (count >= 0 && r.count >= 0 && (!offline || r.count > 1)) r.count = count;
  FormatRowTexts(r, row);
  if (row >= t.used) t.used = row + 1;
  ++lists.acquiredChanged;
  return row;
}

bool UpdateOnClose(ThreadLists& lists, int32_t key, int32_t position, int32_t count) {
  int32_t row = key > 0 ? FindRowByKey(*lists.acquired, key) : -1;
  if (row < 0 || count <= 1) return false;
  ThreadRow& r = lists.acquired->rows[row];
  r.resume = position;
  if (count > r.count) r.count = count;
  FormatRowTexts(r, row);
  ++lists.acquiredChanged;
  return true;
}

int32_t ResumePositionOf(const ThreadLists& lists, int32_t key) {
  int32_t row = key > 0 ? FindRowByKey(*lists.acquired, key) : -1;
  return row < 0 ? -1 : lists.acquired->rows[row].resume;
}

bool RemoveAcquired(ThreadLists& lists, int32_t key) {
  ThreadTable& t = *lists.acquired;
  int32_t row = key > 0 ? FindRowByKey(t, key) : -1;
  if (row < 0) return false;
  delete[] t.rows[row].link;
  int32_t j = row + 1;
  // The rows below move up whole, number texts and all.
  for (; j < t.used && t.rows[j].key != 0; ++j) t.rows[j - 1] = t.rows[j];
  memset(static_cast<void*>(&t.rows[j - 1]), 0, sizeof t.rows[j - 1]);
  if (t.used > 0) --t.used;
  ++lists.acquiredChanged;
  return true;
}

size_t AcquiredFileCapacity(const ThreadTable& table) {
  // key 11 + ".dat<>" + title (63 bytes, every "<>" written in 5) 158 +
  // " (" + count 11 + ")<>" + resume 11 + LF
  return static_cast<size_t>(table.used) * 210 + 1;
}

namespace {

// A title as written: "<>" separates the fields, so the "<" of a "<>" in a
// title (decoded from "&lt;&gt;") goes out as "&lt;", which the reader's
// entity decoding turns back into "<".
void FileTitle(const char* title, char* out, size_t cap) {
  size_t n = 0;
  for (const char* s = title; *s;) {
    unsigned char c = static_cast<unsigned char>(*s);
    size_t len = IsSjisLead(c) && s[1] ? 2 : 1;
    const char* piece = s;
    size_t pieceLen = len;
    if (c == '<' && s[1] == '>') piece = "&lt;", pieceLen = 4;
    if (n + pieceLen >= cap) break;
    memcpy(out + n, piece, pieceLen);
    n += pieceLen;
    s += len;
  }
  out[n] = 0;
}

}  // namespace

size_t FormatAcquiredFile(const ThreadTable& table, char* out, size_t cap) {
  size_t n = 0;
  if (cap) out[0] = 0;
  for (int32_t i = 0; i < table.used; ++i) {
    const ThreadRow& r = table.rows[i];
    if (RowIsFree(r)) continue;
    char title[5 * kRowTitle / 2 + 8];
    FileTitle(r.title, title, sizeof title);
    char line[sizeof title + 64];
    size_t m = FormatText(line, sizeof line, "%d.dat<>%s (%d)<>%d\n", static_cast<int>(r.key), title,
                          static_cast<int>(r.count), static_cast<int>(r.resume));
    if (n + m + 1 > cap) return 0;
    memcpy(out + n, line, m + 1);
    n += m;
  }
  return n;
}

void AcquiredBaseOf(const char* relativeFolder, char* out, size_t cap) {
  size_t n = CopyText(out, cap, "http://");
  for (const char* s = relativeFolder; *s && n + 1 < cap; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (IsSjisLead(c) && s[1]) {
      if (n + 2 >= cap) break;
      out[n++] = *s++;
      out[n++] = *s;
      continue;
    }
    out[n++] = c == '\\' ? '/' : static_cast<char>(c);
  }
  out[n] = 0;
}

}  // namespace kv
