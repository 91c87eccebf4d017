#include "editors/editor_win.h"

#include <commctrl.h>

#include <cstring>
#include <new>

#include "core/app.h"
#include "core/edition.h"
#include "core/edition_win.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/text.h"
#include "editors/board_tree/ravo.h"
#include "editors/editor_resource.h"
#include "editors/entries.h"
#include "editors/favourites/selm.h"

namespace kv {

namespace {

// Takes the next entry handed over or given on the command line, once no
// edit dialog is open.
constexpr UINT kTakePending = WM_APP + 1;
constexpr char kEditClass[] = "KVEL_EDIT";
// How long a second start looks for the first copy's window (it may still
// be starting).
constexpr DWORD kHandOverWaitMs = 10000;

const char kSaveQuestion[] = "上書きしてよろしいですか？";
const char kSaveTitle[] = "Selm.Favorite Editor";
const char kDeleteTitle[] = "削除してよろしいですか？";
const char kEmptyNotice[] = "リストが空なので保存しませんでした。ファイルはそのままです。";
const char kSaveFailed[] = "保存できませんでした。ファイルは元のままです。\r\n%s";
const char kNotAnAddress[] =
    "URLは h で始まるアドレス（http:// など）を入れてください。\r\nカテゴリにするときはURLを空にしてください。";
const char kListFull[] = "これ以上追加できません。";
const char kNotRead[] =
    "ファイルを全部は読み込めませんでした。このまま保存すると中身が失われるので、保存はしません。\r\n%s";

const EditorProgram* g_program;
EditorList g_list;  // the model; the list control shows it (owner data)
PendingEntries g_pending;
char g_folder[260];
char g_file[520];
bool g_small;
// Dialogs and message boxes open over the list. An entry handed over
// meanwhile waits: the row a question is about must not move under it.
int g_modal;
// The file could not be read whole (unreadable, or longer than the list):
// saving would lose what was not read, so it is refused.
bool g_partial;
HWND g_main;
HWND g_listView;

// A message box over the list; entries handed over meanwhile wait for it.
int Ask(HWND owner, const char* text, const char* title, UINT type) {
  ++g_modal;
  int answer = SjMessageBox(owner, text, title, type);
  --g_modal;
  if (g_modal == 0 && g_pending.count) PostMessage(g_main, kTakePending, 0, 0);
  return answer;
}

// ---- the list control ------------------------------------------------------

int32_t SelectedRow() {
  return static_cast<int32_t>(SendMessage(g_listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectRow(int32_t row) {
  LVITEM item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(g_listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (row < 0 || row >= g_list.count) return;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(g_listView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  SendMessage(g_listView, LVM_ENSUREVISIBLE, row, FALSE);
}

void Refresh(int32_t select) {
  SendMessage(g_listView, LVM_SETITEMCOUNT, g_list.count, LVSICF_NOSCROLL);
  InvalidateRect(g_listView, nullptr, TRUE);
  SelectRow(select);
}

void AddColumn(int index, const char* title, int width) {
  LVCOLUMN c = {};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  c.cx = width * DisplayScale();
  c.iSubItem = index;
  TextArg text(title);
  c.pszText = text.get();
  SendMessage(g_listView, LVM_INSERTCOLUMN, index, reinterpret_cast<LPARAM>(&c));
}

void CellText(NMLVDISPINFO* info) {
  if (!(info->item.mask & LVIF_TEXT) || info->item.cchTextMax <= 0) return;
  int32_t row = info->item.iItem;
  const char* text = "";
  if (row >= 0 && row < g_list.count) {
    const EditorEntry& e = g_list.rows[row];
    text = info->item.iSubItem == 0 ? e.name : info->item.iSubItem == 1 ? e.url : e.type;
  }
  ToPlatformText(text, info->item.pszText, info->item.cchTextMax);
}

// ---- the file --------------------------------------------------------------

void LoadList() {
  ClearEditorList(g_list, g_program->capacity);
  FileBuffer file;
  if (!ReadWholeFile(g_file, 1, &file)) {
    g_partial = SjFileExists(g_file);  // a missing file is an empty list
    return;
  }
  if (g_program->boardFile)
    ParseRavoFile(file.data, file.size, g_list);
  else
    ParseSelmFile(file.data, file.size, g_list);
  g_partial = g_list.refused > 0;
}

void TellPartial(HWND owner) {
  char message[700];
  FormatText(message, sizeof message, kNotRead, g_file);
  Ask(owner, message, g_program->title, MB_OK | MB_ICONEXCLAMATION);
}

// Writes the list; on anything but success the user is told and the
// program stays open.
bool SaveList(HWND owner) {
  if (g_partial) {
    TellPartial(owner);
    return false;
  }
  EditorSaveResult result = SaveEditorFile(g_program->boardFile, g_list, g_file);
  if (result == EditorSaveResult::EmptyList) {
    Ask(owner, kEmptyNotice, g_program->title, MB_OK | MB_ICONINFORMATION);
  } else if (result == EditorSaveResult::Failed) {
    char message[700];
    FormatText(message, sizeof message, kSaveFailed, g_file);
    Ask(owner, message, g_program->title, MB_OK | MB_ICONEXCLAMATION);
  }
  return result == EditorSaveResult::Saved;
}

// ---- the edit dialog -------------------------------------------------------

struct EditDialog {
  EditorEntry fields;  // in: what the fields start with; out: the row after OK
};

INT_PTR CALLBACK EditProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtr(w, DWLP_USER, lp);
      auto* d = reinterpret_cast<EditDialog*>(lp);
      SjSetWindowText(w, g_program->title);
      SendDlgItemMessage(w, IDC_ED_NAME, EM_LIMITTEXT, 260, 0);
      SendDlgItemMessage(w, IDC_ED_URL, EM_LIMITTEXT, 260, 0);
      SjSetWindowText(GetDlgItem(w, IDC_ED_NAME), d->fields.name);
      SjSetWindowText(GetDlgItem(w, IDC_ED_URL), d->fields.url);
      if (HWND type = GetDlgItem(w, IDC_ED_TYPE)) {
        static const char* const kTypes[] = {"", "tag", "2ch", "rss", "htm"};
        for (const char* t : kTypes) SendMessage(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(t).get()));
        SendMessage(type, CB_LIMITTEXT, 64, 0);
        SjSetWindowText(type, d->fields.type);
      }
      return TRUE;
    }
    case WM_COMMAND: {
      auto* d = reinterpret_cast<EditDialog*>(GetWindowLongPtr(w, DWLP_USER));
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(w, IDCANCEL);
        return TRUE;
      }
      if (LOWORD(wp) != IDOK) return FALSE;
      EditorEntry typed = {};
      SjGetWindowText(GetDlgItem(w, IDC_ED_NAME), typed.name, sizeof typed.name);
      SjGetWindowText(GetDlgItem(w, IDC_ED_URL), typed.url, sizeof typed.url);
      if (HWND type = GetDlgItem(w, IDC_ED_TYPE)) SjGetWindowText(type, typed.type, sizeof typed.type);
      if (g_program->boardFile) {
        if (RavoEditAccept(typed, d->fields) == RavoEditResult::NotAnAddress) {
          Ask(w, kNotAnAddress, g_program->title, MB_OK | MB_ICONEXCLAMATION);
          SetFocus(GetDlgItem(w, IDC_ED_URL));
          return TRUE;  // the dialog stays open with what was typed
        }
      } else {
        SelmEditAccept(typed, d->fields);
      }
      EndDialog(w, IDOK);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

bool RunEditDialog(HWND owner, EditDialog& d) {
  ++g_modal;
  INT_PTR r =
      DialogBoxParam(GetModuleHandle(nullptr), MAKEINTRESOURCE(g_small ? IDD_EDITOR_EDIT_SMALL : IDD_EDITOR_EDIT),
                     owner, EditProc, reinterpret_cast<LPARAM>(&d));
  --g_modal;
  // Entries handed over while the dialog was open come next.
  if (g_modal == 0 && g_pending.count) PostMessage(g_main, kTakePending, 0, 0);
  return r == IDOK;
}

// ---- the buttons -----------------------------------------------------------

void EditRow(HWND w) {
  int32_t row = SelectedRow();
  if (row < 0 || row >= g_list.count) return;
  EditDialog d;
  if (g_program->boardFile)
    RavoEditShown(g_list.rows[row], d.fields);
  else
    d.fields = g_list.rows[row];
  if (!RunEditDialog(w, d)) return;
  g_list.rows[row] = d.fields;
  Refresh(row);
}

// "追加": an empty entry, or the one given (command line or a second start).
void AddRow(HWND w, const EditorArguments* given) {
  EditDialog d;
  d.fields = MakeEntry(given ? given->name : "", given ? given->address : "", "");
  if (g_program->boardFile) RavoEditShown(EditorEntry(d.fields), d.fields);
  if (!RunEditDialog(w, d)) return;
  // Ravo32 inserts before the selected row; Selm32 always appends. The
  // selection stays on the row it was on, so the next one goes there too.
  int32_t selected = SelectedRow();
  int32_t at = g_program->boardFile ? selected : -1;
  int32_t row = InsertEntry(g_list, at, d.fields);
  if (row < 0) {
    Ask(w, kListFull, g_program->title, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  Refresh(selected >= row ? selected + 1 : selected);
  SendMessage(g_listView, LVM_ENSUREVISIBLE, row, FALSE);
  SetFocus(g_listView);
}

void DeleteRow(HWND w) {
  int32_t row = SelectedRow();
  if (row < 0 || row >= g_list.count) return;
  char text[600];
  FormatText(text, sizeof text, "%s\r\n%s\r\n", g_list.rows[row].name, g_list.rows[row].url);
  if (Ask(w, text, kDeleteTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  RemoveEntry(g_list, row);
  Refresh(row < g_list.count ? row : g_list.count - 1);
}

void MoveRow(int32_t delta) {
  int32_t to = MoveEntry(g_list, SelectedRow(), delta);
  if (to < 0) return;
  Refresh(to);
  SetFocus(g_listView);
}

void TakePending(HWND w) {
  EditorArguments next;
  while (g_modal == 0 && PopPending(g_pending, &next)) AddRow(w, &next);
}

// A second start's message: its entry joins the queue.
BOOL TakeHandOver(HWND w, const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kHandOverTag || !data->lpData) return FALSE;
  const char* arguments = HandOverArguments(static_cast<const char*>(data->lpData), data->cbData, g_folder);
  if (!arguments) return FALSE;
  EditorArguments given;
  ParseEditorArguments(arguments, g_program->boardFile, given);
  if (given.hasEntry) PushPending(g_pending, given);
  PostMessage(w, kTakePending, 0, 0);
  SetForegroundWindow(w);
  return TRUE;
}

void SetUpList(HWND w) {
  g_listView = GetDlgItem(w, IDC_ED_LIST);
  SendMessage(g_listView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  AddColumn(0, "Name", 132);
  AddColumn(1, "URL", 160);
  if (g_program->boardFile) AddColumn(2, "Type", 40);
  LoadList();
  Refresh(-1);
}

INT_PTR CALLBACK MainProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_INITDIALOG:
      g_main = w;
      SjSetWindowText(w, g_program->title);
      SetUpList(w);
      if (g_partial) {
        ShowWindow(w, SW_SHOW);  // the notice goes over the list, not before it
        PostMessage(w, WM_COMMAND, IDC_ED_PARTIAL, 0);
      }
      if (g_pending.count) PostMessage(w, kTakePending, 0, 0);
      return TRUE;
    case kTakePending:
      TakePending(w);
      return TRUE;
    case WM_COPYDATA:
      SetWindowLongPtr(w, DWLP_MSGRESULT, TakeHandOver(w, reinterpret_cast<const COPYDATASTRUCT*>(lp)));
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->idFrom != IDC_ED_LIST) return FALSE;
      if (header->code == LVN_GETDISPINFO) {
        CellText(reinterpret_cast<NMLVDISPINFO*>(lp));
      } else if (header->code == NM_DBLCLK) {
        // Ravo32 edits the row; Selm32 moves it down one place.
        if (g_program->boardFile)
          EditRow(w);
        else
          MoveRow(1);
      }
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_ED_EDIT:
          EditRow(w);
          return TRUE;
        case IDC_ED_ADD:
          AddRow(w, nullptr);
          return TRUE;
        case IDC_ED_DELETE:
          DeleteRow(w);
          return TRUE;
        case IDC_ED_UP:
          MoveRow(-1);
          return TRUE;
        case IDC_ED_DOWN:
          MoveRow(1);
          return TRUE;
        case IDC_ED_SAVE:
          if (Ask(w, kSaveQuestion, kSaveTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return TRUE;
          if (!SaveList(w)) return TRUE;
          // An entry handed over during the question is not in the file:
          // stay open for it (and another save).
          if (g_pending.count)
            PostMessage(w, kTakePending, 0, 0);
          else
            EndDialog(w, 0);
          return TRUE;
        case IDC_ED_PARTIAL:
          TellPartial(w);
          return TRUE;
        case IDC_ED_QUIT:
        case IDCANCEL:
          EndDialog(w, 0);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      EndDialog(w, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

// ---- one copy per program folder -------------------------------------------

struct HandOverSearch {
  const EditorProgram* program;
  COPYDATASTRUCT data;
  bool delivered;
};

BOOL CALLBACK OfferHandOver(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<HandOverSearch*>(p);
  char name[64];
  TCHAR cls[64];
  GetClassName(w, cls, 64);
  FromPlatformText(cls, name, sizeof name);
  if (strcmp(name, s->program->windowClass) != 0) return TRUE;
  DWORD_PTR accepted = 0;
  if (SendMessageTimeout(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&s->data), SMTO_ABORTIFHUNG, 5000, &accepted) &&
      accepted) {
    s->delivered = true;
    return FALSE;
  }
  return TRUE;
}

// Hands the arguments to the copy already running for this folder. False
// when none took them in time.
bool HandOver(const EditorProgram& program, const char* arguments) {
  static char message[4096];
  size_t n = PackHandOver(g_folder, arguments, message, sizeof message);
  if (!n) return false;
  HandOverSearch s = {&program, {kHandOverTag, static_cast<DWORD>(n), message}, false};
  DWORD start = GetTickCount();
  while (GetTickCount() - start < kHandOverWaitMs) {
    EnumWindows(OfferHandOver, reinterpret_cast<LPARAM>(&s));
    if (s.delivered) return true;
    Sleep(100);  // the first copy is still starting: its window is not there yet
  }
  return false;
}

void ReadArguments(char* out, size_t cap) {
#if defined(KVEL_HANDHELD)
  char whole[4096];
  NarrowText(GetCommandLineW(), -1, whole, sizeof whole);
#else
  const char* whole = GetCommandLineA();
#endif
  CopyText(out, cap, SkipProgramName(whole));
}

}  // namespace

EditorSaveResult SaveEditorFile(bool boardFile, const EditorList& list, const char* path) {
  if (list.count == 0) return EditorSaveResult::EmptyList;
  size_t cap = boardFile ? RavoFileCap(list.count) : SelmFileCap(list.count);
  char* text = new (std::nothrow) char[cap];
  if (!text) return EditorSaveResult::Failed;
  size_t n = boardFile ? FormatRavoFile(list, text, cap) : FormatSelmFile(list, text, cap);
  bool ok = n > 0 && ReplaceFileContents(path, text, n);
  delete[] text;
  return ok ? EditorSaveResult::Saved : EditorSaveResult::Failed;
}

int RunEditor(HINSTANCE instance, const EditorProgram& program) {
  g_program = &program;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  char module[260];
  SjGetModuleFileName(nullptr, module, sizeof module);
  ProgramFolderOf(module, kRewriteProgramDisk, g_folder, sizeof g_folder);
  CopyText(g_programFolder, g_folder);  // the event log's folder

  static char arguments[4096];
  ReadArguments(arguments, sizeof arguments);

  // Two copies on one file would each save their own list and lose the
  // other's entries: a second start hands its entry over and ends.
  char mutexName[260];
  InstanceMutexName(program.name, g_folder, mutexName, sizeof mutexName);
  HANDLE mutex = SjCreateMutex(mutexName);
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS && HandOver(program, arguments)) {
    CloseHandle(mutex);
    return 0;
  }

  EditorArguments given;
  ParseEditorArguments(arguments, program.boardFile, given);
  const char* file = program.boardFile ? (given.file[0] ? given.file : kRavoDefaultFile) : kSelmFile;
  FormatText(g_file, sizeof g_file, "%s%s", g_folder, file);
  if (given.hasEntry) PushPending(g_pending, given);

  SjRegisterClass(0, DefDlgProc, instance, nullptr, LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr,
                  program.windowClass, DLGWINDOWEXTRA);
  SjRegisterClass(0, DefDlgProc, instance, nullptr, LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr, kEditClass,
                  DLGWINDOWEXTRA);
  g_small = UseSmallEditorDialogs(GetSystemMetrics(SM_CXSCREEN));
  DialogBoxParam(instance, MAKEINTRESOURCE(g_small ? IDD_EDITOR_MAIN_SMALL : IDD_EDITOR_MAIN), nullptr, MainProc, 0);
  if (mutex) CloseHandle(mutex);
  return 0;
}

}  // namespace kv
