#include "net/clock_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/startup_win.h"
#include "net/clock.h"
#include "ui/main_window_win.h"
#include "ui/resource.h"

namespace kv {

namespace {

// The state and the last start are tested and set together under this lock,
// so two downloads starting at the same instant cannot both start a check.
std::mutex g_clockLock;
ClockCheckState g_clock{kClockMayRun, 0};
std::atomic<uint32_t (*)()> g_uptime{nullptr};
std::atomic<int (*)()> g_probe{nullptr};
std::atomic<bool> g_questionShown{false};

uint32_t UptimeSeconds() {
  if (auto f = g_uptime.load()) return f();
  return static_cast<uint32_t>(GetTickCount64() / 1000);
}

void FinishClockCheck(int32_t state) {
  std::lock_guard<std::mutex> hold(g_clockLock);
  g_clock.state = state;
}

// Winsock for the length of one use; start-up calls nest.
struct Winsock {
  bool ok;
  Winsock() {
    WSADATA d;
    ok = WSAStartup(MAKEWORD(2, 2), &d) == 0;
  }
  ~Winsock() {
    if (ok) WSACleanup();
  }
};

struct Socket {
  SOCKET s = INVALID_SOCKET;
  ~Socket() {
    if (s != INVALID_SOCKET) closesocket(s);
  }
};

bool Resolve(const char* host, sockaddr_in* out) {
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return false;
  memcpy(out, list->ai_addr, sizeof *out);
  freeaddrinfo(list);
  return true;
}

// One NTP exchange and the decision; returns the final state.
int32_t RunClockCheck() {
  WriteEventLog('i', "NTPチェック開始");
  Winsock winsock;
  sockaddr_in server = {};
  if (!winsock.ok || !Resolve(g_settings.NTPSrver, &server)) {
    WriteEventLog('i', "NTPサーバーが見つかりません。");
    return kClockFailed;
  }
  uint16_t port = static_cast<uint16_t>(g_settings.NTP_Port);
  server.sin_port = htons(port);
  Socket sock;
  sock.s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (sock.s == INVALID_SOCKET) {
    WriteEventLog('i', "NTPソケットがオープンできません。");
    return kClockFailed;
  }
  // The client port is the server port; where that port is taken (a time
  // service of the machine's own, or a server on this machine) any free
  // port does as well, since the server answers to where the request came
  // from.
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (bind(sock.s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    WriteEventLog('i', "NTP bind %d (%d), any port", static_cast<int>(port), WSAGetLastError());
    local.sin_port = 0;
    if (bind(sock.s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      WriteEventLog('i', "NTPソケットがbindできません。");
      return kClockFailed;
    }
  }
  uint8_t packet[kNtpPacketSize];
  BuildNtpRequest(packet);
  if (sendto(sock.s, reinterpret_cast<const char*>(packet), sizeof packet, 0, reinterpret_cast<sockaddr*>(&server),
             sizeof server) != static_cast<int>(sizeof packet)) {
    WriteEventLog('i', "NTPパケットを送信できません。");
    return kClockFailed;
  }
  // Wait a few seconds for a reply from the server; anything else that
  // arrives meanwhile is ignored.
  uint32_t seconds = 0, fraction = 0;
  bool answered = false;
  ULONGLONG deadline = GetTickCount64() + kNtpReceiveTimeoutMs;
  while (!answered) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(sock.s, &readable);
    timeval wait{static_cast<long>((deadline - now) / 1000), static_cast<long>((deadline - now) % 1000 * 1000)};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) break;
    uint8_t reply[512];
    sockaddr_in from = {};
    int fromLen = sizeof from;
    int n = recvfrom(sock.s, reinterpret_cast<char*>(reply), sizeof reply, 0, reinterpret_cast<sockaddr*>(&from),
                     &fromLen);
    if (n == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEMSGSIZE) continue;
      break;
    }
    bool fromServer = from.sin_addr.s_addr == server.sin_addr.s_addr && from.sin_port == server.sin_port;
    answered = ReadNtpReply(reply, static_cast<size_t>(n), fromServer, &seconds, &fraction);
    if (!answered) WriteEventLog('i', "NTP reply ignored (%d bytes)", n);
  }
  if (!answered) {
    WriteEventLog('i', "NTPパケットを受信できません。");
    return kClockFailed;
  }
  closesocket(sock.s);
  sock.s = INVALID_SOCKET;

  UtcTime serverTime;
  if (!NtpToUtc(seconds, fraction, &serverTime)) return kClockFailed;
  SYSTEMTIME now;
  GetSystemTime(&now);
  UtcTime systemTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
  if (!ClockNeedsSetting(systemTime, serverTime)) {
    WriteEventLog('i', "NTPだいたい時間は合っているので変更しませんでした。");
    WriteEventLog('i', "NTP時刻合わせ完了");
    return kClockDone;
  }
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(serverTime.year);
  st.wMonth = static_cast<WORD>(serverTime.month);
  st.wDay = static_cast<WORD>(serverTime.day);
  st.wHour = static_cast<WORD>(serverTime.hour);
  st.wMinute = static_cast<WORD>(serverTime.minute);
  st.wSecond = static_cast<WORD>(serverTime.second);
  st.wMilliseconds = static_cast<WORD>(serverTime.millisecond);
  if (!SetSystemTime(&st)) {
    WriteEventLog('i', "NTPシステム時間を変更できません。");
    return kClockFailed;
  }
  WriteEventLog('i', "NTP時刻合わせ完了");
  return kClockDone;
}

DWORD WINAPI ClockThread(void*) {
  int32_t state = RunClockCheck();
  FinishClockCheck(state == kClockDone ? kClockDone : kClockFailed);
  return 0;
}

int RealNetAvailable() {
  Winsock winsock;
  if (!winsock.ok) return 0;
  char name[81] = "";
  if (gethostname(name, 80) != 0 || !name[0]) return 0;
  name[80] = 0;
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &list) != 0) return 0;
  uint32_t addresses[8];
  int count = 0;
  for (addrinfo* a = list; a && count < 8; a = a->ai_next)
    addresses[count++] = ntohl(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(list);
  return AnyUsableAddress(addresses, count) ? 1 : 0;
}

INT_PTR CALLBACK NetworkQuestionProc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessage(dialog, IDC_NETWORK_ICON, STM_SETICON,
                         reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_INFORMATION)), 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
        EndDialog(dialog, LOWORD(w));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void startClockCheck() {
  {
    std::lock_guard<std::mutex> hold(g_clockLock);
    if (!ClaimClockCheck(g_clock, g_settings.NTPCheck != 0, UptimeSeconds())) return;
  }
  // The handle is kept only to be closed: nobody waits for the check.
  HANDLE thread = CreateThread(nullptr, 0, ClockThread, nullptr, 0, nullptr);
  if (thread)
    CloseHandle(thread);
  else
    FinishClockCheck(kClockFailed);
}

int netAvailable() {
  if (!g_settings.NetAtchk) return 1;
  if (auto probe = g_probe.load()) return probe();
  return RealNetAvailable();
}

int askNetwork() {
  if (g_questionShown.exchange(true)) return 6;
  HINSTANCE instance = g_instance ? g_instance : GetModuleHandle(nullptr);
  INT_PTR answer =
      DialogBoxParam(instance, MAKEINTRESOURCE(IDD_NETWORK_QUESTION), g_mainWindow, NetworkQuestionProc, 0);
  g_questionShown = false;
  if (answer <= 0) WriteEventLog('i', "DialogBox 126 (%lu)", GetLastError());
  return answer == IDOK ? 1 : 2;
}

int32_t CurrentClockState() {
  std::lock_guard<std::mutex> hold(g_clockLock);
  return g_clock.state;
}

void SetUptimeSourceForTest(uint32_t (*uptime)()) { g_uptime = uptime; }

void ResetClockCheckForTest() {
  std::lock_guard<std::mutex> hold(g_clockLock);
  g_clock = ClockCheckState{kClockMayRun, 0};
}

void SetNetworkProbeForTest(int (*probe)()) { g_probe = probe; }

}  // namespace kv
