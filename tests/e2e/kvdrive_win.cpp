// kvdrive: drives a running program from outside for the end-to-end tests.
// Reads one command per line on stdin and answers one line on stdout, so the
// Python harness pays for one Wine process start per test, not per step.
//
//   wait CLASS MS          -> "ok HWND" once a top-level window of CLASS exists, or "timeout"
//   count CLASS            -> number of top-level windows of CLASS
//   gone HWND MS           -> "ok" once the window no longer exists, or "timeout"
//   rect HWND              -> "L T R B" (window rectangle, screen coordinates)
//   client HWND            -> "W H" (client size)
//   visible HWND           -> "1" or "0"
//   enabled HWND           -> "1" or "0"
//   text HWND              -> window text (Shift_JIS bytes, hex-encoded)
//   cmd HWND ID            -> posts WM_COMMAND ID
//   post HWND MSG W L      -> posts a message; "ok"
//   send HWND MSG W L      -> sends a message; the result
//   key HWND VK            -> posts key down and key up of VK to HWND
//   move HWND X Y W H      -> SetWindowPos
//   close HWND             -> posts WM_CLOSE
//   children HWND          -> "HWND:CLASS HWND:CLASS ..."
//   focus HWND             -> the window with the keyboard focus in HWND's thread, or 0
//   find HWND CLASS        -> first descendant of CLASS, or 0
//   item HWND ID           -> the child with this control id, or 0
//   scroll HWND BAR        -> "POS MIN MAX PAGE" of the vertical (0) or horizontal (1) scroll bar
//   screen                 -> "W H"
//   pixel HWND X Y         -> "0xBBGGRR" read from the window's client area
//   desktop NAME           -> works in the named desktop (a Wine virtual desktop
//                             started with "explorer /desktop=NAME,WxH") from now on
//   watch HWND             -> "ok PID": keeps a handle on the process owning HWND
//   idle MS                -> "ok" once the watched process waits for input (painted), or "timeout"
//   exited MS              -> exit code of the watched process once it ends, or "timeout"
//   kill                   -> ends the watched process if it still runs: "killed" or "ok"
//   settext HWND HEX       -> WM_SETTEXT with the hex-encoded Shift_JIS text
//   lvcount HWND           -> rows of a list view
//   lvtext HWND ROW COL    -> a list view cell (hex Shift_JIS, "-" when empty), read in the owner's memory
//   lvselected HWND        -> index of the selected row, or -1
//   lvselect HWND ROW      -> selects and focuses a row
//   lvicon HWND ROW        -> the icon index of a row
//   quit
#include <windows.h>

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct FindState {
  const char* cls;
  HWND found;
  int count;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<FindState*>(p);
  char name[256];
  GetClassNameA(w, name, sizeof name);
  if (strcmp(name, s->cls) == 0) {
    if (!s->found) s->found = w;
    ++s->count;
  }
  return TRUE;
}

HDESK g_desktop;
HANDLE g_watched;

FindState FindTop(const char* cls) {
  FindState s{cls, nullptr, 0};
  if (g_desktop)
    EnumDesktopWindows(g_desktop, Visit, reinterpret_cast<LPARAM>(&s));
  else
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
  return s;
}

BOOL CALLBACK ListChild(HWND w, LPARAM p) {
  auto* out = reinterpret_cast<char*>(p);
  char name[128];
  GetClassNameA(w, name, sizeof name);
  char item[192];
  snprintf(item, sizeof item, "%llu:%s ", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(w)), name);
  if (strlen(out) + strlen(item) < 8000) strcat(out, item);
  return TRUE;
}

BOOL CALLBACK FindChild(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<FindState*>(p);
  char name[256];
  GetClassNameA(w, name, sizeof name);
  if (strcmp(name, s->cls) == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND H(const char* s) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(s, nullptr, 0))); }

void Answer(const char* fmt, ...) {
  va_list a;
  va_start(a, fmt);
  vprintf(fmt, a);
  va_end(a);
  printf("\n");
  fflush(stdout);
}

}  // namespace

int main() {
  char line[1024];
  while (fgets(line, sizeof line, stdin)) {
    char* argv[8] = {};
    int argc = 0;
    for (char* t = strtok(line, " \r\n"); t && argc < 8; t = strtok(nullptr, " \r\n")) argv[argc++] = t;
    if (argc == 0) continue;
    const char* c = argv[0];
    auto arg = [&](int i) { return i < argc ? argv[i] : "0"; };
    if (!strcmp(c, "quit")) break;
    if (!strcmp(c, "desktop")) {
      // The desktop appears when its explorer has started: retry for a while.
      for (int i = 0; i < 200 && !g_desktop; ++i) {
        g_desktop = OpenDesktopA(arg(1), 0, FALSE, GENERIC_ALL);
        if (!g_desktop) Sleep(50);
      }
      if (g_desktop) SetThreadDesktop(g_desktop);
      Answer(g_desktop ? "ok" : "fail");
    } else if (!strcmp(c, "watch")) {
      DWORD pid = 0;
      GetWindowThreadProcessId(H(arg(1)), &pid);
      if (g_watched) CloseHandle(g_watched);
      g_watched = pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid) : nullptr;
      Answer(g_watched ? "ok %lu" : "fail", pid);
    } else if (!strcmp(c, "lvcount")) {
      Answer("%lld", static_cast<long long>(SendMessageA(H(arg(1)), LVM_GETITEMCOUNT, 0, 0)));
    } else if (!strcmp(c, "lvselected")) {
      Answer("%lld", static_cast<long long>(SendMessageA(H(arg(1)), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                         LVNI_SELECTED)));
    } else if (!strcmp(c, "lvtext") || !strcmp(c, "lvselect") || !strcmp(c, "lvicon")) {
      // The item record and its text buffer must live in the list's own
      // process: allocate them there.
      HWND list = H(arg(1));
      DWORD pid = 0;
      GetWindowThreadProcessId(list, &pid);
      HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
      char* remote = process ? static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT,
                                                                 PAGE_READWRITE)) : nullptr;
      if (!remote) {
        Answer("fail");
      } else {
        LVITEMA item = {};
        int row = atoi(arg(2));
        if (!strcmp(c, "lvtext")) {
          item.mask = LVIF_TEXT;
          item.iItem = row;
          item.iSubItem = atoi(arg(3));
          item.pszText = remote + 1024;
          item.cchTextMax = 1024;
          WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
          SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
          char text[1025] = {};
          ReadProcessMemory(process, remote + 1024, text, 1024, nullptr);
          char hex[2100] = {};
          for (size_t i = 0; text[i] && i < 1024; ++i) snprintf(hex + 2 * i, 3, "%02x", static_cast<unsigned char>(text[i]));
          Answer("%s", hex[0] ? hex : "-");
        } else if (!strcmp(c, "lvicon")) {
          item.mask = LVIF_IMAGE;
          item.iItem = row;
          WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
          SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
          ReadProcessMemory(process, remote, &item, sizeof item, nullptr);
          Answer("%d", item.iImage);
        } else {
          item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
          item.state = LVIS_SELECTED | LVIS_FOCUSED;
          WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
          SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote));
          SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
          Answer("ok");
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
      }
      if (process) CloseHandle(process);
    } else if (!strcmp(c, "settext")) {
      static char text[2048];
      const char* hex = arg(2);
      size_t n = 0;
      for (; hex[0] && hex[1] && n + 1 < sizeof text; hex += 2) {
        char pair[3] = {hex[0], hex[1], 0};
        text[n++] = static_cast<char>(strtoul(pair, nullptr, 16));
      }
      text[n] = 0;
      SendMessageA(H(arg(1)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
      Answer("ok");
    } else if (!strcmp(c, "idle")) {
      DWORD r = g_watched ? WaitForInputIdle(g_watched, strtoul(arg(1), nullptr, 10)) : WAIT_FAILED;
      Answer(r == 0 ? "ok" : "timeout");
    } else if (!strcmp(c, "kill")) {
      // A program left running by a failed test would meet the next test's
      // copy as the first instance: end it.
      bool running = g_watched && WaitForSingleObject(g_watched, 0) == WAIT_TIMEOUT;
      if (running) TerminateProcess(g_watched, 1), WaitForSingleObject(g_watched, 5000);
      Answer(running ? "killed" : "ok");
    } else if (!strcmp(c, "exited")) {
      DWORD code = 0;
      if (g_watched && WaitForSingleObject(g_watched, strtoul(arg(1), nullptr, 10)) == WAIT_OBJECT_0 &&
          GetExitCodeProcess(g_watched, &code))
        Answer("%lu", code);
      else
        Answer("timeout");
    } else if (!strcmp(c, "wait")) {
      DWORD limit = GetTickCount() + strtoul(arg(2), nullptr, 10);
      HWND w = nullptr;
      while (!(w = FindTop(arg(1)).found) && GetTickCount() < limit) Sleep(50);
      if (w)
        Answer("ok %llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(w)));
      else
        Answer("timeout");
    } else if (!strcmp(c, "count")) {
      Answer("%d", FindTop(arg(1)).count);
    } else if (!strcmp(c, "gone")) {
      DWORD limit = GetTickCount() + strtoul(arg(2), nullptr, 10);
      HWND w = H(arg(1));
      while (IsWindow(w) && GetTickCount() < limit) Sleep(50);
      Answer(IsWindow(w) ? "timeout" : "ok");
    } else if (!strcmp(c, "rect")) {
      RECT r = {};
      GetWindowRect(H(arg(1)), &r);
      Answer("%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
    } else if (!strcmp(c, "client")) {
      RECT r = {};
      GetClientRect(H(arg(1)), &r);
      Answer("%ld %ld", r.right, r.bottom);
    } else if (!strcmp(c, "visible")) {
      Answer("%d", IsWindowVisible(H(arg(1))) ? 1 : 0);
    } else if (!strcmp(c, "enabled")) {
      Answer("%d", IsWindowEnabled(H(arg(1))) ? 1 : 0);
    } else if (!strcmp(c, "text")) {
      char text[4096] = {};
      // Asked of the window itself: controls such as the status bar keep
      // their text where GetWindowText does not look from another process.
      DWORD_PTR got = 0;
      SendMessageTimeoutA(H(arg(1)), WM_GETTEXT, sizeof text - 1, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                          5000, &got);
      char hex[8200] = {};
      for (size_t i = 0; text[i] && i < 4095; ++i) snprintf(hex + 2 * i, 3, "%02x", static_cast<unsigned char>(text[i]));
      Answer("%s", hex[0] ? hex : "-");
    } else if (!strcmp(c, "cmd")) {
      PostMessageA(H(arg(1)), WM_COMMAND, strtoul(arg(2), nullptr, 0), 0);
      Answer("ok");
    } else if (!strcmp(c, "post")) {
      PostMessageA(H(arg(1)), strtoul(arg(2), nullptr, 0), strtoull(arg(3), nullptr, 0), strtoll(arg(4), nullptr, 0));
      Answer("ok");
    } else if (!strcmp(c, "send")) {
      LRESULT r = SendMessageA(H(arg(1)), strtoul(arg(2), nullptr, 0), strtoull(arg(3), nullptr, 0),
                               strtoll(arg(4), nullptr, 0));
      Answer("%lld", static_cast<long long>(r));
    } else if (!strcmp(c, "key")) {
      HWND w = H(arg(1));
      UINT vk = strtoul(arg(2), nullptr, 0);
      UINT scan = MapVirtualKeyA(vk, 0);
      PostMessageA(w, WM_KEYDOWN, vk, 1 | (scan << 16));
      PostMessageA(w, WM_KEYUP, vk, 1 | (scan << 16) | (1u << 30) | (1u << 31));
      Answer("ok");
    } else if (!strcmp(c, "move")) {
      BOOL ok = SetWindowPos(H(arg(1)), nullptr, atoi(arg(2)), atoi(arg(3)), atoi(arg(4)), atoi(arg(5)),
                             SWP_NOZORDER | SWP_NOACTIVATE);
      Answer(ok ? "ok" : "fail");
    } else if (!strcmp(c, "close")) {
      PostMessageA(H(arg(1)), WM_CLOSE, 0, 0);
      Answer("ok");
    } else if (!strcmp(c, "children")) {
      static char out[8192];
      out[0] = 0;
      EnumChildWindows(H(arg(1)), ListChild, reinterpret_cast<LPARAM>(out));
      Answer("%s", out[0] ? out : "-");
    } else if (!strcmp(c, "focus")) {
      GUITHREADINFO info = {sizeof info};
      DWORD thread = GetWindowThreadProcessId(H(arg(1)), nullptr);
      HWND focused = thread && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
      Answer("%llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(focused)));
    } else if (!strcmp(c, "find")) {
      FindState s{arg(2), nullptr, 0};
      EnumChildWindows(H(arg(1)), FindChild, reinterpret_cast<LPARAM>(&s));
      Answer("%llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(s.found)));
    } else if (!strcmp(c, "item")) {
      Answer("%llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(GetDlgItem(H(arg(1)), atoi(arg(2))))));
    } else if (!strcmp(c, "scroll")) {
      SCROLLINFO si = {sizeof si, SIF_ALL};
      if (GetScrollInfo(H(arg(1)), atoi(arg(2)) ? SB_HORZ : SB_VERT, &si))
        Answer("%d %d %d %u", si.nPos, si.nMin, si.nMax, si.nPage);
      else
        Answer("fail");
    } else if (!strcmp(c, "screen")) {
      Answer("%d %d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    } else if (!strcmp(c, "pixel")) {
      HWND w = H(arg(1));
      HDC dc = GetDC(w);
      COLORREF px = GetPixel(dc, atoi(arg(2)), atoi(arg(3)));
      ReleaseDC(w, dc);
      Answer("0x%06lx", static_cast<unsigned long>(px));
    } else {
      Answer("error unknown command");
    }
  }
  return 0;
}
