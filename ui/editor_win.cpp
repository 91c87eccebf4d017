// The text editor window: one record per window, its file read and written
// only through the store.
#include "ui/editor_win.h"

#include <cstring>
#include <memory>
#include <new>

#include "boards/patrol_win.h"
#include "core/app.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "core/settings.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "reader/popup_win.h"
#include "ui/editor.h"
#include "ui/main_window_win.h"
#include "ui/tools_res.h"

namespace kv {

namespace {

const char kCaption[] = "Memo";

struct Editor {
  char fileName[260];
  // The file the text came from and how it stood then: a save over a file
  // that changed since (a post added to write.log, a line to round.txt or
  // ngword.txt) asks first.
  char loadedName[260];
  FileStamp loadedStamp;
  char* text;  // the text until the window shows it
  size_t length;
  bool textChanged, nameChanged;
  bool settingText;  // our own changes of the fields are no typing
  int32_t nameHeight;
  HFONT font;
  bool owned;  // the window frees the record (set once it exists)
};

EditorAsk g_ask = nullptr;

int Ask(HWND owner, const char* text, UINT type) {
  if (g_ask) return g_ask(text, type);
  return SjMessageBox(owner, text, kCaption, type);
}

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

FileStamp StampOf(const char* path) {
  FileStamp s = {false, 0, 0};
  // Attributes only: a file that another program holds open still answers.
  HANDLE f =
      SjCreateFile(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (f == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) s = {true, UINT64_MAX, 0};
    return s;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(f, &info))
    s = {true, Join(info.nFileSizeHigh, info.nFileSizeLow),
         Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
  else
    s = {true, UINT64_MAX, 0};
  CloseHandle(f);
  return s;
}

enum class ReadResult { Loaded, Missing, Unreadable, NotText };

// LoadFile cannot tell a missing file from one it failed to read; the
// editor must, since saving the empty text of an unread file would wipe it.
ReadResult ReadForEditor(const char* path, FileBuffer* file, FileStamp* stamp) {
  *stamp = StampOf(path);
  if (!stamp->exists) return ReadResult::Missing;
  HANDLE probe = SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (probe == INVALID_HANDLE_VALUE) {
    WriteEventLog('i', "editor: cannot open %.200s (%lu)", path, GetLastError());
    return ReadResult::Unreadable;
  }
  CloseHandle(probe);
  if (!LoadFile(path, file)) {
    if (stamp->size == 0) return ReadResult::Loaded;
    WriteEventLog('i', "editor: cannot read %.200s", path);
    return ReadResult::Unreadable;
  }
  // The text field ends at the first zero byte: saving would cut the file.
  if (memchr(file->data, 0, file->size)) return ReadResult::NotText;
  return ReadResult::Loaded;
}

// Says why a file opens no editor (or is not loaded); true when it can.
bool ReadableOrSay(HWND owner, ReadResult r, const char* path) {
  char text[400];
  if (r == ReadResult::Unreadable)
    FormatText(text, sizeof text, "ファイルを読み込めません。\r\n%s", path);
  else if (r == ReadResult::NotText)
    FormatText(text, sizeof text, "テキストファイルではありません。\r\n%s", path);
  else
    return true;
  Ask(owner, text, MB_OK | MB_ICONWARNING);
  return false;
}

// The text with CR LF line ends, as the text field wants it (new[]).
char* EditableText(const FileBuffer& file, size_t* length) {
  const char* data = file.data ? file.data : "";
  size_t need = CrLfLength(data, file.size) + 1;
  char* text = new (std::nothrow) char[need];
  if (!text) return nullptr;
  *length = ToCrLf(data, file.size, text, need);
  return text;
}

Editor* EditorOf(HWND dialog) { return reinterpret_cast<Editor*>(GetWindowLongPtr(dialog, DWLP_USER)); }

void SetField(Editor& e, HWND field, const char* text) {
  e.settingText = true;
  SjSetWindowText(field, text);
  e.settingText = false;
}

void ShowText(HWND dialog, Editor& e, const char* text) {
  SetField(e, GetDlgItem(dialog, IDC_EDITOR_NAME), e.fileName);
  SetField(e, GetDlgItem(dialog, IDC_EDITOR_TEXT), text);
  e.textChanged = e.nameChanged = false;
}

// The whole text of the field (new[]), or null when memory runs out.
char* FieldText(HWND field, size_t* length) {
  int n = GetWindowTextLength(field);
  if (n < 0) n = 0;
  // A UTF-16 unit (handheld) or a byte (desktop) is at most two bytes.
  size_t cap = 2 * static_cast<size_t>(n) + 2;
  char* text = new (std::nothrow) char[cap];
  if (!text) return nullptr;
  text[0] = 0;
  *length = static_cast<size_t>(SjGetWindowText(field, text, cap));
  return text;
}

void NameOf(HWND dialog, Editor& e) {
  SjGetWindowText(GetDlgItem(dialog, IDC_EDITOR_NAME), e.fileName, sizeof e.fileName);
}

void AfterSave(const char* name) {
  if (PathEndsWith(name, "ngword.txt")) ReloadNgWordsAndViews();
  if (PathEndsWith(name, "round.txt")) ReloadPatrolList();
}

bool Save(HWND dialog, Editor& e) {
  NameOf(dialog, e);
  if (!e.fileName[0]) {
    Ask(dialog, "ファイル名が指定されていません。", MB_OK);
    return false;
  }
  bool same =
      strlen(e.fileName) == strlen(e.loadedName) && CompareNoCase(e.fileName, e.loadedName, strlen(e.fileName)) == 0;
  SaveCheck check = CheckBeforeSave(same, e.loadedStamp, StampOf(e.fileName));
  if (check == SaveCheck::AskChanged &&
      Ask(dialog, "このファイルは読み込んだ後に変更されています。\r\n上書きしてよろしいですか？",
          MB_YESNO | MB_ICONQUESTION) != IDYES)
    return false;
  if (check == SaveCheck::AskExisting &&
      Ask(dialog, "同じ名前のファイルがあります。\r\n上書きしてよろしいですか？", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return false;
  size_t length = 0;
  std::unique_ptr<char[]> text(FieldText(GetDlgItem(dialog, IDC_EDITOR_TEXT), &length));
  // Without the text nothing is written, and the editor stays open.
  if (!text || StoreFile(e.fileName, text.get(), length, false) != 1) {
    Ask(dialog, "保存できません。", MB_OK);
    return false;
  }
  e.textChanged = e.nameChanged = false;
  CopyText(e.loadedName, e.fileName);
  e.loadedStamp = StampOf(e.fileName);
  AfterSave(e.fileName);
  return true;
}

bool DiscardChanges(HWND dialog, const Editor& e) {
  return !e.textChanged || Ask(dialog, "変更を破棄して よろしいですか？", MB_YESNOCANCEL | MB_ICONQUESTION) == IDYES;
}

void NewText(HWND dialog, Editor& e) {
  FormatText(e.fileName, sizeof e.fileName, "%s%s", g_programFolder, kMemoFile);
  // No file stands behind the text now: saving over one asks first.
  e.loadedName[0] = 0;
  e.loadedStamp = FileStamp{false, 0, 0};
  ShowText(dialog, e, "");
}

void Load(HWND dialog, Editor& e) {
  NameOf(dialog, e);
  if (!e.fileName[0]) {
    NewText(dialog, e);
    return;
  }
  FileBuffer file;
  FileStamp stamp;
  ReadResult r = ReadForEditor(e.fileName, &file, &stamp);
  if (!ReadableOrSay(dialog, r, e.fileName)) return;
  size_t length = 0;
  std::unique_ptr<char[]> text(EditableText(file, &length));
  if (!text) return;
  CopyText(e.loadedName, e.fileName);
  e.loadedStamp = stamp;
  ShowText(dialog, e, text.get());
}

void Quit(HWND dialog, Editor& e) {
  if (e.textChanged) {
    int answer = Ask(dialog, "保存してよろしいですか？", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    if (answer == IDYES && !Save(dialog, e)) return;
  }
  DestroyWindow(dialog);
}

void LayOut(HWND dialog, const Editor& e) {
  RECT c;
  GetClientRect(dialog, &c);
  EditorLayout l = LayOutEditor(c.right, c.bottom, e.nameHeight, DisplayScale());
  auto place = [dialog](int id, const EditorBox& b) { MoveWindow(GetDlgItem(dialog, id), b.x, b.y, b.w, b.h, TRUE); };
  place(IDC_EDITOR_NAME, l.name);
  place(IDC_EDITOR_TEXT, l.text);
  static const int kButtons[7] = {IDC_EDITOR_NEW, IDC_EDITOR_LOAD, IDC_EDITOR_SAVE, IDOK,
                                  IDC_TOOL_COPY,  IDC_TOOL_PASTE,  IDC_TOOL_CUT};
  for (int i = 0; i < 7; ++i) place(kButtons[i], l.buttons[i]);
}

void Init(HWND dialog, Editor& e) {
  SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&e));
  RECT r;
  GetWindowRect(GetDlgItem(dialog, IDC_EDITOR_NAME), &r);
  e.nameHeight = r.bottom - r.top;
  HDC dc = GetDC(dialog);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(dialog, dc);
  e.font =
      SjCreateFont(-(EditorFontSize(g_settings.FontSize) * dpi / 72), FW_NORMAL, SHIFTJIS_CHARSET, g_settings.FontName);
  HWND text = GetDlgItem(dialog, IDC_EDITOR_TEXT);
  if (e.font) SendMessage(text, WM_SETFONT, reinterpret_cast<WPARAM>(e.font), FALSE);
  SendMessage(text, EM_SETLIMITTEXT, 0, 0);
  ShowText(dialog, e, e.text ? e.text : "");
  delete[] e.text;  // the field holds it now
  e.text = nullptr;
  LayOut(dialog, e);
}

INT_PTR CALLBACK EditorProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  Editor* e = EditorOf(dialog);
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog, *reinterpret_cast<Editor*>(l));
      return TRUE;
    case WM_SIZE:
      if (e) LayOut(dialog, *e);
      return TRUE;
    case WM_COMMAND: {
      if (!e) return FALSE;
      int id = LOWORD(w);
      if (HIWORD(w) == EN_CHANGE) {
        if (e->settingText) return TRUE;
        if (id == IDC_EDITOR_TEXT) e->textChanged = true;
        if (id == IDC_EDITOR_NAME) e->nameChanged = true;
        return TRUE;
      }
      switch (id) {
        case IDC_EDITOR_NEW:
          if (DiscardChanges(dialog, *e)) NewText(dialog, *e);
          return TRUE;
        case IDC_EDITOR_LOAD:
          if (DiscardChanges(dialog, *e)) Load(dialog, *e);
          return TRUE;
        case IDC_EDITOR_SAVE:
          Save(dialog, *e);
          return TRUE;
        case IDOK:
        case IDCANCEL:
          Quit(dialog, *e);
          return TRUE;
        case IDC_TOOL_COPY:
        case IDC_TOOL_PASTE:
        case IDC_TOOL_CUT: {
          HWND text = GetDlgItem(dialog, IDC_EDITOR_TEXT);
          SendMessage(text, id == IDC_TOOL_COPY ? WM_COPY : id == IDC_TOOL_PASTE ? WM_PASTE : WM_CUT, 0, 0);
          SetFocus(text);
          return TRUE;
        }
        default:
          return FALSE;
      }
    }
    case WM_CLOSE:
      if (e) Quit(dialog, *e);
      return TRUE;
    case WM_NCDESTROY:
      if (e && e->owned) {
        SetWindowLongPtr(dialog, DWLP_USER, 0);
        if (e->font) DeleteObject(e->font);
        delete[] e->text;
        delete e;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND OpenTextEditor(const char* fileName) {
  if (g_mainWindow && IsIconic(g_mainWindow)) ShowWindow(g_mainWindow, SW_RESTORE);
  std::unique_ptr<Editor> e(new (std::nothrow) Editor{});
  if (!e) return nullptr;
  CopyText(e->fileName, fileName);
  FileBuffer file;
  ReadResult r = ReadForEditor(e->fileName, &file, &e->loadedStamp);
  if (!ReadableOrSay(g_mainWindow, r, e->fileName)) return nullptr;
  e->text = EditableText(file, &e->length);
  if (!e->text) return nullptr;
  CopyText(e->loadedName, e->fileName);
  HWND dialog = CreateDialogParam(g_instance, MAKEINTRESOURCE(IDD_EDITOR), g_mainWindow, EditorProc,
                                  reinterpret_cast<LPARAM>(e.get()));
  if (!dialog) {
    WriteEventLog('i', "editor: no window (%lu)", GetLastError());
    delete[] e->text;
    return nullptr;
  }
  e->owned = true;
  e.release();  // the window frees it
  ShowWindow(dialog, SW_SHOW);
  return dialog;
}

void SetEditorAskForTest(EditorAsk ask) { g_ask = ask; }

}  // namespace kv
