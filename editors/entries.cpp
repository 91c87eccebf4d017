#include "editors/entries.h"

#include <cstring>

#include "boards/favourites.h"
#include "core/text.h"

namespace kv {

void ClearEditorList(EditorList& list, int32_t capacity) {
  list.count = 0;
  list.refused = 0;
  list.capacity = capacity < 0 ? 0 : capacity > kFavouritesEditorRows ? kFavouritesEditorRows : capacity;
}

int32_t InsertEntry(EditorList& list, int32_t at, const EditorEntry& entry) {
  if (list.count >= list.capacity) {
    ++list.refused;
    return -1;
  }
  if (at < 0 || at > list.count) at = list.count;
  memmove(&list.rows[at + 1], &list.rows[at], sizeof(EditorEntry) * static_cast<size_t>(list.count - at));
  list.rows[at] = entry;
  ++list.count;
  return at;
}

bool RemoveEntry(EditorList& list, int32_t row) {
  if (row < 0 || row >= list.count) return false;
  memmove(&list.rows[row], &list.rows[row + 1], sizeof(EditorEntry) * static_cast<size_t>(list.count - row - 1));
  --list.count;
  return true;
}

int32_t MoveEntry(EditorList& list, int32_t row, int32_t delta) {
  int32_t to = row + delta;
  if (row < 0 || row >= list.count || to < 0 || to >= list.count || (delta != 1 && delta != -1)) return -1;
  EditorEntry held = list.rows[row];
  list.rows[row] = list.rows[to];
  list.rows[to] = held;
  return to;
}

EditorEntry MakeEntry(const char* name, const char* url, const char* type) {
  EditorEntry e;
  CopyText(e.name, name ? name : "");
  CopyText(e.url, url ? url : "");
  CopyText(e.type, type ? type : "");
  return e;
}

const char* SkipProgramName(const char* line) {
  const char* p = line ? line : "";
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') p += IsSjisLead(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') p += IsSjisLead(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

bool IsPlainFileName(const char* name) {
  if (!name || !name[0]) return false;
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p;) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsSjisLead(c) && p[1]) {
      p += 2;  // a trail byte 0x5C is part of a character, not a separator
      continue;
    }
    if (c < 0x20 || strchr("\\/:*?\"<>|", c)) return false;
    ++p;
  }
  return true;
}

namespace {

// The text of a quoted string starting after its opening quote: up to the
// closing quote or the end. Copies at most cap - 1 bytes on a character
// boundary; returns the position after the closing quote.
const char* TakeQuoted(const char* p, char* out, size_t cap) {
  size_t n = 0;
  bool full = false;
  while (*p && *p != '"') {
    size_t step = IsSjisLead(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1;
    if (!full && n + step < cap) {
      memcpy(out + n, p, step);
      n += step;
    } else {
      full = true;  // nothing after a character that did not fit
    }
    p += step;
  }
  out[n] = 0;
  return *p ? p + 1 : p;
}

}  // namespace

void ParseEditorArguments(const char* arguments, bool fileOption, EditorArguments& out) {
  out.hasEntry = false;
  out.name[0] = out.address[0] = out.file[0] = 0;
  char name[261] = "";
  char address[260] = "";  // the fields joined; stops at 259 bytes
  bool addressFull = false;
  int32_t fields = 0;
  const char* p = arguments ? arguments : "";
  while (*p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ' || c == '\t') {
      ++p;
      continue;
    }
    if (fileOption && (c == '-' || c == '/') && (p[1] == 'f' || p[1] == 'F') && p[2] == '"') {
      char file[260];
      p = TakeQuoted(p + 3, file, sizeof file);
      // Only a file of the program folder: a path could point the editor at
      // any file on the machine and overwrite it on saving.
      if (IsPlainFileName(file)) CopyText(out.file, file);
      continue;
    }
    if (c == '"') {
      char field[600];
      p = TakeQuoted(p + 1, field, sizeof field);
      if (fields++ == 0) {
        CopyText(name, field);
      } else if (!addressFull) {
        // Once a field did not fit whole, nothing after it is taken.
        size_t have = strlen(address);
        addressFull = AppendText(address, field) - have < strlen(field);
      }
      continue;
    }
    p += IsSjisLead(c) && p[1] ? 2 : 1;
  }
  if (fields == 0) return;
  out.hasEntry = true;
  PrepareFavouriteName(name, out.name, sizeof out.name, sizeof out.name - 1);
  PrepareFavouriteAddress(address, out.address, sizeof out.address);
}

size_t PackHandOver(const char* folder, const char* arguments, char* out, size_t cap) {
  size_t f = strlen(folder), a = strlen(arguments);
  if (!out || f + a + 2 > cap) return 0;
  memcpy(out, folder, f + 1);
  memcpy(out + f + 1, arguments, a + 1);
  return f + a + 2;
}

const char* HandOverArguments(const char* data, size_t length, const char* folder) {
  if (!data || !length || data[length - 1] != 0) return nullptr;
  size_t f = strnlen(data, length);
  if (f + 1 >= length) return nullptr;  // no second text
  if (f != strlen(folder) || CompareNoCase(data, folder, f) != 0) return nullptr;
  return data + f + 1;
}

void InstanceMutexName(const char* program, const char* folder, char* out, size_t cap) {
  FormatText(out, cap, "Kurovel.%s.%s", program, folder);
  for (char* p = out; *p;) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsSjisLead(c) && p[1]) {
      p += 2;
      continue;
    }
    if (c == '\\') *p = '/';
    ++p;
  }
}

bool PushPending(PendingEntries& queue, const EditorArguments& entry) {
  if (queue.count >= kPendingEntries) return false;
  queue.items[queue.count++] = entry;
  return true;
}

bool PopPending(PendingEntries& queue, EditorArguments* entry) {
  if (queue.count <= 0) return false;
  *entry = queue.items[0];
  memmove(&queue.items[0], &queue.items[1], sizeof(EditorArguments) * static_cast<size_t>(queue.count - 1));
  --queue.count;
  return true;
}

}  // namespace kv
