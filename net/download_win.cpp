#include "net/download_win.h"

#include <shellapi.h>

#include <cstring>

#include "core/address.h"
#include "core/app.h"
#include "core/eventlog.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "net/download.h"
#include "net/job.h"
#include "net/job_win.h"

namespace kv {
namespace {

constexpr int kAddressEdit = 1046;
constexpr int kFolderBox = 1047;
constexpr int kProgressText = 1002;
constexpr int kStatusText = 1003;
constexpr int kStop = 1039;
constexpr int kPlayer = 1052;
constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 2000;

struct DownloadDialog {
  char address[kAddressMax];
  DownloadJob* job;
  bool running;  // a worker was started and its end not yet shown
};
DownloadDialog* g_dialog = nullptr;

void SetText(HWND dialog, int id, const char* text) { SjSetWindowText(GetDlgItem(dialog, id), text); }

void EnableControls(HWND dialog, bool on) {
  for (int id : {kAddressEdit, kFolderBox, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)})
    EnableWindow(GetDlgItem(dialog, id), on);
}

bool FolderExists(const char* path) {
  DWORD a = SjGetFileAttributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void AddFolder(HWND box, const char* text) {
  SendMessage(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(text).get()));
}

// "\" and "\My Documents\", then each folder at the top of the drive that is
// marked temporary (a storage card) and its direct subfolders.
void FillFolders(HWND box) {
  AddFolder(box, "\\");
  AddFolder(box, "\\My Documents\\");
  SjFoundFile top;
  int cards = 0;
  for (bool more = SjFindFirstFile("\\*", &top); more && cards < 8; more = SjFindNextFile(&top)) {
    if (!top.folder || top.name[0] == '.') continue;
    char card[kAddressMax];
    FormatText(card, sizeof card, "\\%s", top.name);
    DWORD a = SjGetFileAttributes(card);
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) || !(a & FILE_ATTRIBUTE_TEMPORARY)) continue;
    ++cards;
    char shown[kAddressMax];
    FormatText(shown, sizeof shown, "%s\\", card);
    AddFolder(box, shown);
    char pattern[kAddressMax];
    FormatText(pattern, sizeof pattern, "%s*", shown);
    SjFoundFile sub;
    int subs = 0;
    for (bool m = SjFindFirstFile(pattern, &sub); m && subs < 32; m = SjFindNextFile(&sub)) {
      if (!sub.folder || sub.name[0] == '.') continue;
      char line[kAddressMax];
      if (FormatText(line, sizeof line, "%s%s\\", shown, sub.name) + 1 < sizeof line) AddFolder(box, line);
      ++subs;
    }
    SjFindClose(&sub);
  }
  SjFindClose(&top);
}

void Init(HWND dialog) {
  DownloadDialog& d = *g_dialog;
  SetText(dialog, kAddressEdit, d.address);
  HWND box = GetDlgItem(dialog, kFolderBox);
  FillFolders(box);
  SjSetWindowText(box, g_settings.DlFolder[0] && FolderExists(g_settings.DlFolder) ? g_settings.DlFolder : "\\");
  SetText(dialog, kProgressText, "");
  SetText(dialog, kStatusText, "");
  bool player = ShowsPlayer(ClassifyAddress(d.address), g_settings.STPlayer[0] && SjFileExists(g_settings.STPlayer));
  ShowWindow(GetDlgItem(dialog, kPlayer), player ? SW_SHOW : SW_HIDE);
  EnableControls(dialog, true);
}

bool Ask(HWND dialog, const char* format, const char* path) {
  char text[600];
  FormatText(text, sizeof text, format, path);
  return SjMessageBox(dialog, text, "Kurovel", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Before a start: a file of the target's name, or a partial left for
// another address, is replaced only when the user says so.
bool MayReplace(HWND dialog, const char* address, const DownloadPaths& paths) {
  if (SjFileExists(paths.target) && !Ask(dialog, kTextAskReplace, paths.target)) return false;
  if (SjFileExists(paths.part)) {
    FileBuffer text;
    PartRecord record;
    bool ours = ReadWholeFile(paths.record, 1, &text) && ParsePartRecord(text.data, text.size, &record) &&
                strcmp(record.address, address) == 0;
    if (!ours) {
      if (!Ask(dialog, kTextAskReplacePart, paths.part)) return false;
      SjDeleteFile(paths.part);
      SjDeleteFile(paths.record);
    }
  }
  return true;
}

void Start(HWND dialog) {
  DownloadDialog& d = *g_dialog;
  if (d.running) return;
  char address[kAddressMax], folder[kAddressMax];
  SjGetWindowText(GetDlgItem(dialog, kAddressEdit), address, sizeof address);
  SjGetWindowText(GetDlgItem(dialog, kFolderBox), folder, sizeof folder);
  CopyText(g_settings.DlFolder, folder);
  if (!address[0] || !folder[0]) return;
  DownloadPaths paths;
  if (!MakeDownloadPaths(folder, address, &paths)) {
    SetText(dialog, kStatusText, kTextNameUnusable);
    return;
  }
  if (!MayReplace(dialog, address, paths)) return;
  if (d.job) releaseJob(d.job);
  d.job = newJob();
  DownloadJob& job = *d.job;
  CopyText(job.url, address);
  CopyText(job.saveFolder, folder);
  job.ReadType = kReadFile;
  job.ownerWindow = dialog;
  EnableControls(dialog, false);
  SetText(dialog, kProgressText, "");
  SetText(dialog, kStatusText, "");
  if (!startJob(job)) {
    char status[520];
    copyJobStatus(job, status, sizeof status);
    SetText(dialog, kStatusText, status);
    EnableControls(dialog, true);
    return;
  }
  d.running = true;
  SetTimer(dialog, kTimer, kTickMs, nullptr);
}

// The timer: progress and status; the controls come back once the worker
// has ended (not merely been asked to stop).
void Tick(HWND dialog) {
  DownloadDialog& d = *g_dialog;
  KillTimer(dialog, kTimer);
  if (!d.job) return;
  DownloadJob& job = *d.job;
  char progress[64];
  FormatText(progress, sizeof progress, "%u / %u", job.receivedSize.load(), job.expectedSize.load());
  SetText(dialog, kProgressText, progress);
  char status[520];
  copyJobStatus(job, status, sizeof status);
  SetText(dialog, kStatusText, status);
  if (DownloadControlsEnabled(job.workerRunning.load(), job.state.load())) {
    d.running = false;
    EnableControls(dialog, true);
    return;
  }
  SetTimer(dialog, kTimer, kTickMs, nullptr);
}

void Stop(HWND dialog) {
  DownloadDialog& d = *g_dialog;
  if (!d.job) return;
  stopJob(*d.job);  // the partial file stays
  // A worker still inside a write keeps Start disabled until it has ended.
  KillTimer(dialog, kTimer);
  SetTimer(dialog, kTimer, 100, nullptr);
}

void Player(HWND dialog) {
  char address[kAddressMax], arguments[kAddressMax * 3 + 3];
  SjGetWindowText(GetDlgItem(dialog, kAddressEdit), address, sizeof address);
  if (!PlayerArguments(address, arguments, sizeof arguments)) return;
  ShellExecute(dialog, nullptr, TextArg(g_settings.STPlayer).get(), TextArg(arguments).get(), nullptr, SW_SHOWNORMAL);
  EndDialog(dialog, kPlayer);
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK:
          Start(dialog);
          return TRUE;
        case kStop:
          Stop(dialog);
          return TRUE;
        case IDCANCEL:
          KillTimer(dialog, kTimer);
          EndDialog(dialog, 2);
          return TRUE;
        case kPlayer:
          Player(dialog);
          return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (w == kTimer) Tick(dialog);
      return TRUE;
    case WM_CLOSE:
      KillTimer(dialog, kTimer);
      EndDialog(dialog, 2);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR OpenDownloadDialog(HWND owner, const char* url) {
  if (g_dialog) return 2;  // one at a time
  DownloadDialog d{};
  if (url) CopyText(d.address, url);
  g_dialog = &d;
  WriteEventLog('i', "download dialog %.200s", d.address);
  INT_PTR result = DialogBoxParam(g_instance, MAKEINTRESOURCE(123), owner, Proc, 0);
  if (result == -1) WriteEventLog('e', "download dialog not shown (%lu)", GetLastError());
  if (d.job) {
    stopJob(*d.job);
    releaseJob(d.job);
  }
  g_dialog = nullptr;
  return result;
}

}  // namespace kv
