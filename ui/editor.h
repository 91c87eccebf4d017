// The text editor's rules without its window: the files it opens, the line
// ends of its text field, its layout and whether a save may go ahead.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

// The files the main window's commands open, in the program folder.
inline constexpr char kMemoFile[] = "新規テキスト.txt";
// The file of an editor command (40057, 40058, 40064, 40072, 40099, 40101,
// 40105, 40110); null for any other command.
const char* EditorFileOf(int command);

// Whether path ends with name, letters compared without case (file names).
bool PathEndsWith(const char* path, const char* name);

// The text field wants CR LF: a lone CR or LF becomes CR LF. The size the
// result needs, and the copy itself into out (cap bytes; returns the length,
// 0 when it does not fit).
size_t CrLfLength(const char* text, size_t length);
size_t ToCrLf(const char* text, size_t length, char* out, size_t cap);

// A file as the editor saw it: whether it existed, its size and its last
// write time.
struct FileStamp {
  bool exists;
  uint64_t size;
  uint64_t written;
};
inline bool SameStamp(const FileStamp& a, const FileStamp& b) {
  return a.exists == b.exists && (!a.exists || (a.size == b.size && a.written == b.written));
}

enum class SaveCheck {
  Go,           // nothing to ask
  AskChanged,   // the file loaded was changed on disk since
  AskExisting,  // another name than the file loaded, and that file exists
};
// Before a save: sameFile when the name saved to is the one loaded, loaded
// the stamp taken when it was loaded, now the stamp of the target now.
SaveCheck CheckBeforeSave(bool sameFile, const FileStamp& loaded, const FileStamp& now);

// Places of the editor's controls in its client area (width x height) with
// the display scale s.
struct EditorBox {
  int32_t x, y, w, h;
};
struct EditorLayout {
  EditorBox name, text;
  EditorBox buttons[7];  // 新規, 読込, 保存, 終了, コピー, 貼り付け, 切り取り
};
EditorLayout LayOutEditor(int32_t width, int32_t height, int32_t nameHeight, int32_t scale);

// The text's font size: the view's, but at most 9 points.
inline int32_t EditorFontSize(int32_t viewFontSize) { return viewFontSize > 9 ? 9 : viewFontSize; }

}  // namespace kv
