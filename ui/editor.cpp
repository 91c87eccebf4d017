#include "ui/editor.h"

#include <cstring>

#include "core/text.h"

namespace kv {

const char* EditorFileOf(int command) {
  switch (command) {
    case 40057:
      return kMemoFile;
    case 40058:
      return "name.txt";
    case 40064:
      return "write.log";
    case 40072:
      return "ngword.txt";
    case 40099:
      return "round.txt";
    case 40101:
      return "bbsmenu.txt";
    case 40105:
      return "myword.txt";
    case 40110:
      return "Kvel.key";
    default:
      return nullptr;
  }
}

bool PathEndsWith(const char* path, const char* name) {
  size_t n = strlen(path), m = strlen(name);
  return n >= m && CompareNoCase(path + n - m, name, m) == 0;
}

size_t CrLfLength(const char* text, size_t length) {
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '\r') {
      if (i + 1 < length && text[i + 1] == '\n') ++i;
      n += 2;
    } else {
      n += text[i] == '\n' ? 2 : 1;
    }
  }
  return n;
}

size_t ToCrLf(const char* text, size_t length, char* out, size_t cap) {
  if (!out || CrLfLength(text, length) >= cap) return 0;
  size_t o = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
      out[o++] = '\r';
      out[o++] = '\n';
    } else {
      out[o++] = text[i];
    }
  }
  out[o] = 0;
  return o;
}

SaveCheck CheckBeforeSave(bool sameFile, const FileStamp& loaded, const FileStamp& now) {
  if (sameFile) return SameStamp(loaded, now) ? SaveCheck::Go : SaveCheck::AskChanged;
  return now.exists ? SaveCheck::AskExisting : SaveCheck::Go;
}

EditorLayout LayOutEditor(int32_t width, int32_t height, int32_t nameHeight, int32_t s) {
  EditorLayout l = {};
  l.name = {0, 0, width, nameHeight};
  int32_t textHeight = height - 32 - nameHeight;
  l.text = {0, nameHeight, width, textHeight > 0 ? textHeight : 0};
  // 新規, 読込, 保存, 終了 move with the scale; the clipboard buttons sit at
  // fixed pixels.
  static const int32_t kScaledLeft[4] = {2, 56, 116, 170};
  static const int32_t kFixedLeft[3] = {274, 326, 378};
  const int32_t top = height - 28;
  for (int i = 0; i < 4; ++i) l.buttons[i] = {kScaledLeft[i] * s, top, 50 * s, 24 * s};
  for (int i = 0; i < 3; ++i) l.buttons[4 + i] = {kFixedLeft[i], top, 50 * s, 24 * s};
  return l;
}

}  // namespace kv
