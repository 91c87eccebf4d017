// A stand-in for a companion program (Selm32.exe, Ravo32.exe) in the
// end-to-end tests: writes the command line it was started with to
// args.txt beside itself and ends.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH + 16] = "";
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  char* slash = strrchr(path, '\\');
  if (!slash) return 1;
  strcpy(slash + 1, "args.txt");
  // Written under another name first, so the test never reads half a file.
  char temp[MAX_PATH + 16];
  strcpy(temp, path);
  strcat(temp, ".tmp");
  HANDLE f = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  const char* line = GetCommandLineA();
  DWORD written = 0;
  WriteFile(f, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
  CloseHandle(f);
  return MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
