#include "core/startup_win.h"

#include <commctrl.h>
#include <winsock2.h>

#include <cstdlib>
#include <ctime>

#include "boards/patrol_win.h"
#include "core/app.h"
#include "core/edition.h"
#include "core/eventlog.h"
#include "core/eventlog_win.h"
#include "core/file_win.h"
#include "core/settings_win.h"
#include "core/sjis_win.h"
#include "core/text.h"
#include "reader/ngword_win.h"
#include "reader/view_win.h"
#include "ui/dialogs_win.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"
#include "ui/resource.h"

namespace kv {

HINSTANCE g_instance;

namespace {

void FindProgramFolder() {
  char file[MAX_PATH];
  SjGetModuleFileName(nullptr, file, sizeof file);
  ProgramFolderOf(file, kRewriteProgramDisk, g_programFolder, sizeof g_programFolder);
}

void SetUpSettings() {
  SettingsEnvironment env{g_programFolder, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SetSettingsDefaults(g_settings, env);
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
#pragma GCC diagnostic pop
  g_settings.osVersion.major = version.dwMajorVersion;
  g_settings.osVersion.minor = version.dwMinorVersion;
  g_settings.osVersion.build = version.dwBuildNumber;
  g_settings.osVersion.platform = version.dwPlatformId;
  CopyText(g_settings.osVersion.servicePack, version.szCSDVersion);
  CheckFontFace(g_settings.FontName, sizeof g_settings.FontName);
}

HACCEL CreateAccelerators() {
  ACCEL keys[2] = {{FVIRTKEY, VK_ESCAPE, IDCANCEL}, {FVIRTKEY, VK_RETURN, IDOK}};
  return CreateAcceleratorTable(keys, 2);
}

}  // namespace

void DefaultBrowser(int selector, char* out, size_t cap) {
  out[0] = 0;
  char command[260];
  if (!SjReadClassesRootDefault(selector == 0 ? "htmlfile\\shell\\open\\command" : "http\\shell\\open\\command",
                                command, sizeof command))
    return;
  BrowserProgramOf(command, out, cap);
}

int KvelMain(HINSTANCE instance, int showState) {
  // One copy only: the window class answers while the window exists, the
  // mutex covers a copy that has not made its window yet.
  if (HWND running = SjFindWindow(kMainClass, nullptr)) {
    SetForegroundWindow(running);
    return 0;
  }
  HANDLE mutex = SjCreateMutex(kMainClass);
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  g_instance = instance;
  SYSTEMTIME now;
  GetLocalTime(&now);
  srand(now.wSecond);

  WSADATA wsa;
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) return 0;

  FindProgramFolder();
  SetEventLogFolder(g_programFolder);
  SetUpSettings();

  LoadNgWords();
  LoadPatrolList();
  char settingsPath[MAX_PATH];
  SettingsFilePath(g_programFolder, settingsPath, sizeof settingsPath);
  LoadSettingsFile(g_settings, settingsPath, g_programFolder);

  ApplyScreenRules(g_settings, false);
  CreateFolderPath(g_settings.ChFolder);
  if (kForceTreeTypeZero) g_settings.TreeType = 0;

  ClearAllLineCaches();
  WriteEventLogEmpty();
  WriteEventLog('@', "%s", kUserAgent);

  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);

  HWND window = CreateMainWindow(instance);
  if (!window) return 0;
  LoadKeyBindings();

  HICON small = static_cast<HICON>(LoadImage(instance, MAKEINTRESOURCE(IDI_KVEL), IMAGE_ICON, 16, 16, 0));
  SendMessage(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  ShowWindow(window, showState);
  UpdateWindow(window);
  LayOut(window);
  StartMainWindow(window);

  HACCEL accelerators = CreateAccelerators();
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    // Esc and Enter work as cancel and OK only in the modeless search dialogs.
    HWND front = GetForegroundWindow();
    if (IsAcceleratedDialog(front) && TranslateAccelerator(front, accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  DestroyAcceleratorTable(accelerators);

  // The thread windows record their read positions as they go, which can be
  // after the close sequence saved the board's acquired list: save it again.
  SaveCurrentAcquiredList();
  WriteAcquiredBoards();
  SaveSettingsFile(g_settings, settingsPath, g_programFolder);
  WriteEventLogEmpty();
  CloseHandle(mutex);
  WSACleanup();
  return static_cast<int>(msg.wParam);
}

}  // namespace kv
