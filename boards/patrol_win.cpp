#include "boards/patrol_win.h"

#include <windows.h>

#include <commctrl.h>

#include <new>

#include "boards/list_win.h"
#include "boards/patrol.h"
#include "boards/patrol_resource.h"
#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "net/job.h"
#include "net/job_win.h"
#include "ui/main_window_win.h"

namespace kv {

namespace {

PatrolList g_entries;

// The one dialog and what it owns.
struct PatrolDialogState {
  HWND dialog;
  DownloadJob* job;  // patrol mode; the items are the job's
  bool polling;      // a run was started and has not been seen to end
  bool refill;       // round.txt changed during a run
  HFONT font;
  HIMAGELIST images;
};
PatrolDialogState g_dialog;
HHOOK g_keys = nullptr;
UINT g_minute = 0;
UINT g_poll = 0;

UINT MinuteMs() { return g_minute ? g_minute : 60000; }
UINT PollMs() { return g_poll ? g_poll : 2000; }

// A run is going while the dialog polls it or its worker has not ended:
// starting the job then would cancel it.
bool Running() { return g_dialog.polling || (g_dialog.job && g_dialog.job->workerRunning.load()); }

HWND Item(int id) { return GetDlgItem(g_dialog.dialog, id); }

void SetText(int id, const char* text) { SjSetWindowText(Item(id), text); }

void EnableButtons(bool on) {
  EnableWindow(Item(IDC_PATROL_START), on);
  EnableWindow(Item(IDC_PATROL_CLOSE), on);
}

// CycleTim from the drop-down's text ("なし" or nothing chosen: 0).
int32_t CycleFromDropDown() {
  char text[32] = "";
  SjGetWindowText(Item(IDC_PATROL_CYCLE), text, sizeof text);
  return CycleFromChoiceText(text);
}

void ShowThirdButton() { SetText(IDC_PATROL_CLOSE, g_settings.CycleTim ? "待機" : "閉じる"); }

void SetIcon(int32_t row, int32_t icon) {
  LVITEM item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  item.iImage = icon;
  SendMessage(Item(IDC_PATROL_LIST), LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

void FillRows() {
  HWND list = Item(IDC_PATROL_LIST);
  SendMessage(list, LVM_DELETEALLITEMS, 0, 0);
  for (int32_t i = 0; i < g_entries.count; ++i) {
    const PatrolEntry& e = g_entries.entries[i];
    TextArg name(e.name);
    LVITEM item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = name.get();
    item.iImage = PatrolIconOf(e.result);
    int row = static_cast<int>(SendMessage(list, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) break;
    TextArg address(e.address);
    LVITEM sub = {};
    sub.iSubItem = 1;
    sub.pszText = address.get();
    SendMessage(list, LVM_SETITEMTEXT, row, reinterpret_cast<LPARAM>(&sub));
  }
}

// The job's results onto the rows and into the list in memory.
void ShowResults() {
  PatrolTable* table = g_dialog.job ? g_dialog.job->patrol : nullptr;
  if (!table) return;
  for (int32_t i = 0; i < table->count && i < g_entries.count; ++i) {
    int32_t result = table->items[i].status.load();
    g_entries.entries[i].result = result;
    SetIcon(i, PatrolIconOf(result));
  }
}

void RunEnded() {
  g_dialog.polling = false;
  EnableButtons(true);
  if (g_dialog.refill) {
    g_dialog.refill = false;
    FillRows();
  }
}

void Start() {
  // The button is disabled during a run, but the automatic check and a
  // posted command still arrive here.
  if (Running() || !g_dialog.job || !g_dialog.job->patrol) return;
  SetText(IDC_PATROL_STATUS, "");
  PatrolTable& table = *g_dialog.job->patrol;
  table.count = 0;
  for (int32_t i = 0; i < g_entries.count && i < kPatrolCapacity; ++i) {
    PatrolEntry& e = g_entries.entries[i];
    PatrolItem& item = table.items[table.count++];
    e.result = kPatrolWaiting;
    if (!PatrolFetchAddress(e, item.url, sizeof item.url)) item.url[0] = 0;
    item.status = kPatrolWaiting;
    SetIcon(i, 0);
  }
  EnableButtons(false);
  g_dialog.job->batchMode = 1;
  if (!startJob(*g_dialog.job)) {
    g_dialog.job->batchMode = 0;
    EnableButtons(true);
    return;
  }
  g_dialog.polling = true;
  SetTimer(g_dialog.dialog, kPatrolPollTimer, PollMs(), nullptr);
}

void Poll() {
  KillTimer(g_dialog.dialog, kPatrolPollTimer);
  if (!g_dialog.polling || !g_dialog.job) return;
  char status[520];
  copyJobStatus(*g_dialog.job, status, sizeof status);
  SetText(IDC_PATROL_STATUS, status);
  ShowResults();
  if (g_dialog.job->batchMode.load() == 2) {
    SetText(IDC_PATROL_STATUS, "");
    RunEnded();
    return;
  }
  SetTimer(g_dialog.dialog, kPatrolPollTimer, PollMs(), nullptr);
}

void Stop() {
  KillTimer(g_dialog.dialog, kPatrolPollTimer);
  bool wasRunning = g_dialog.polling;
  if (g_dialog.job) stopJob(*g_dialog.job);
  Sleep(100);
  // The stopped entry and the ones after it show as failed.
  if (wasRunning) ShowResults();
  RunEnded();
}

void CycleTimerFired() {
  KillTimer(g_dialog.dialog, kPatrolCycleTimer);
  switch (DecidePatrolTimer(g_settings.CycleTim, Running())) {
    case PatrolTimerStep::Stop:
      return;
    case PatrolTimerStep::StartAndRearm:
      PostMessage(g_dialog.dialog, WM_COMMAND, IDC_PATROL_START, 0);
      break;
    case PatrolTimerStep::Rearm:
      WriteEventLog('i', "patrol: the last run is still going");
      break;
  }
  SetTimer(g_dialog.dialog, kPatrolCycleTimer, g_settings.CycleTim * MinuteMs(), nullptr);
}

void ThirdButton() {
  g_settings.CycleTim = CycleFromDropDown();
  if (g_settings.CycleTim) {
    ShowWindow(g_dialog.dialog, SW_HIDE);
    SetTimer(g_dialog.dialog, kPatrolCycleTimer, g_settings.CycleTim * MinuteMs(), nullptr);
    return;
  }
  Stop();
  DestroyWindow(g_dialog.dialog);
}

// The program's message loop knows nothing of this dialog, so while it
// exists a hook gives its keys to the dialog manager: Tab moves between the
// controls, Esc closes.
LRESULT CALLBACK KeyHook(int code, WPARAM w, LPARAM l) {
  MSG* m = reinterpret_cast<MSG*>(l);
  if (code == HC_ACTION && w == PM_REMOVE && m->message >= WM_KEYFIRST && m->message <= WM_KEYLAST) {
    HWND top = m->hwnd ? GetAncestor(m->hwnd, GA_ROOT) : nullptr;
    if (top && top == g_dialog.dialog && IsDialogMessage(top, m)) {
      m->message = WM_NULL;
      return 0;
    }
  }
  return CallNextHookEx(g_keys, code, w, l);
}

void SetUp(HWND dialog) {
  g_dialog.dialog = dialog;
  if (!g_keys) g_keys = SetWindowsHookEx(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId());
  HWND cycle = Item(IDC_PATROL_CYCLE);
  for (const char* text : kCycleChoiceTexts)
    SendMessage(cycle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(text).get()));
  SendMessage(cycle, CB_SETCURSEL, static_cast<WPARAM>(CycleChoiceFor(g_settings.CycleTim)), 0);
  ShowThirdButton();

  HWND list = Item(IDC_PATROL_LIST);
  SendMessage(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  const char* names[2] = {"Name", "URL"};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMN c = {};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.cx = 200;
    TextArg name(names[i]);
    c.pszText = name.get();
    c.iSubItem = i;
    SendMessage(list, LVM_INSERTCOLUMN, i, reinterpret_cast<LPARAM>(&c));
  }
  g_dialog.images = MakeListIcons();
  if (g_dialog.images) SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(g_dialog.images));
  // The main font at the list's size, at most 9 points.
  int points = g_settings.SetFntTL > 0 && g_settings.SetFntTL < 9 ? g_settings.SetFntTL : 9;
  HDC dc = GetDC(nullptr);
  int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(nullptr, dc);
  g_dialog.font = SjCreateFont(height, FW_NORMAL, SHIFTJIS_CHARSET, g_settings.FontName);
  if (g_dialog.font) SendMessage(list, WM_SETFONT, reinterpret_cast<WPARAM>(g_dialog.font), FALSE);

  LoadPatrolList();
  FillRows();
}

void TearDown() {
  if (g_keys) UnhookWindowsHookEx(g_keys);
  g_keys = nullptr;
  KillTimer(g_dialog.dialog, kPatrolPollTimer);
  KillTimer(g_dialog.dialog, kPatrolCycleTimer);
  if (g_dialog.job) {
    // A worker still running keeps the record through its own reference.
    cancelJob(*g_dialog.job);
    releaseJob(g_dialog.job);
  }
  if (g_dialog.images) ImageList_Destroy(g_dialog.images);
  if (g_dialog.font) DeleteObject(g_dialog.font);
  g_dialog = PatrolDialogState{};
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetUp(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDC_PATROL_START:
          Start();
          return TRUE;
        case IDC_PATROL_STOP:
          Stop();
          return TRUE;
        case IDC_PATROL_CLOSE:
          ThirdButton();
          return TRUE;
        case IDC_PATROL_CYCLE:
          if (HIWORD(w) == CBN_SELCHANGE) {
            g_settings.CycleTim = CycleFromDropDown();
            ShowThirdButton();
          }
          return TRUE;
        case IDCANCEL:
          // Esc hides nothing away: it is the system close.
          SendMessage(dialog, WM_CLOSE, 0, 0);
          return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (w == kPatrolPollTimer) Poll();
      if (w == kPatrolCycleTimer) CycleTimerFired();
      return TRUE;
    case WM_CLOSE:
      Stop();
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      if (dialog == g_dialog.dialog) TearDown();
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void LoadPatrolList() {
  char path[kAddressMax];
  FormatText(path, sizeof path, "%s%s", g_programFolder, kRoundFile);
  FileBuffer file;
  if (LoadFile(path, &file))
    ParseRoundList(file.data, file.size, &g_entries);
  else
    g_entries.count = 0;
}

void ReloadPatrolList() {
  if (g_dialog.dialog && Running()) {
    // The rows stand for the running job's items until the run ends.
    g_dialog.refill = true;
    LoadPatrolList();
    return;
  }
  LoadPatrolList();
  if (g_dialog.dialog) FillRows();
}

const PatrolList& PatrolEntries() { return g_entries; }

void OpenPatrolDialog() {
  if (g_mainWindow && IsIconic(g_mainWindow)) ShowWindow(g_mainWindow, SW_RESTORE);
  if (g_dialog.dialog) {
    ShowWindow(g_dialog.dialog, SW_SHOW);
    SetForegroundWindow(g_dialog.dialog);
    return;
  }
  DownloadJob* job = newJob();
  if (!job) return;
  job->patrol = new (std::nothrow) PatrolTable();
  if (!job->patrol) {
    releaseJob(job);
    return;
  }
  g_dialog.job = job;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE module = g_instance ? g_instance : GetModuleHandle(nullptr);
  HWND dialog = CreateDialogParam(module, MAKEINTRESOURCE(IDD_PATROL), g_mainWindow, DialogProc, 0);
  if (!dialog) {
    WriteEventLog('i', "patrol dialog: cannot create (%lu)", static_cast<unsigned long>(GetLastError()));
    releaseJob(job);
    g_dialog = PatrolDialogState{};
    return;
  }
  ShowWindow(dialog, SW_SHOW);
}

HWND PatrolDialog() { return g_dialog.dialog; }

void SetPatrolClockForTest(UINT minute, UINT poll) {
  g_minute = minute;
  g_poll = poll;
}

}  // namespace kv
