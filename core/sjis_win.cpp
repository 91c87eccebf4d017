#include "core/sjis_win.h"

#include <cstring>
#include <new>

#include "core/text.h"

namespace kv {

WideText::WideText(const char* text, int length) : p_(small_) {
  small_[0] = 0;
  if (!text) return;
  if (length < 0) length = static_cast<int>(strlen(text));
  if (length == 0) return;
  int need = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  if (need <= 0) return;
  if (need + 1 > static_cast<int>(sizeof small_ / sizeof small_[0])) {
    p_ = new (std::nothrow) wchar_t[need + 1];
    if (!p_) {
      p_ = small_;
      return;
    }
  }
  int n = MultiByteToWideChar(CP_ACP, 0, text, length, p_, need);
  p_[n > 0 ? n : 0] = 0;
}

WideText::~WideText() {
  if (p_ != small_) delete[] p_;
}

size_t NarrowText(const wchar_t* text, int length, char* out, size_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (!text) return 0;
  if (length < 0) length = static_cast<int>(wcslen(text));
  if (length == 0) return 0;
  int need = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return 0;
  if (static_cast<size_t>(need) < cap) {
    int n = WideCharToMultiByte(CP_ACP, 0, text, length, out, need, nullptr, nullptr);
    out[n > 0 ? n : 0] = 0;
    return n > 0 ? static_cast<size_t>(n) : 0;
  }
  // Too long for the caller: convert whole, then cut at a character boundary.
  char* tmp = new (std::nothrow) char[need + 1];
  if (!tmp) return 0;
  int n = WideCharToMultiByte(CP_ACP, 0, text, length, tmp, need, nullptr, nullptr);
  size_t len = CopyTextN(out, cap, tmp, n > 0 ? static_cast<size_t>(n) : 0);
  delete[] tmp;
  return len;
}

#if defined(KVEL_HANDHELD)

HANDLE SjCreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return CreateFileW(WideText(path), access, share, nullptr, disposition, flags, nullptr);
}
BOOL SjDeleteFile(const char* path) { return DeleteFileW(WideText(path)); }
BOOL SjMoveFileEx(const char* from, const char* to, DWORD flags) {
  return MoveFileExW(WideText(from), WideText(to), flags);
}
BOOL SjCreateDirectory(const char* path) { return CreateDirectoryW(WideText(path), nullptr); }
DWORD SjGetFileAttributes(const char* path) { return GetFileAttributesW(WideText(path)); }
BOOL SjSetFileAttributes(const char* path, DWORD attributes) { return SetFileAttributesW(WideText(path), attributes); }
DWORD SjGetModuleFileName(HMODULE module, char* out, size_t cap) {
  wchar_t w[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(module, w, MAX_PATH);
  w[n < MAX_PATH ? n : MAX_PATH] = 0;
  return static_cast<DWORD>(NarrowText(w, -1, out, cap));
}
HWND SjFindWindow(const char* className, const char* title) {
  WideText c(className), t(title);
  return FindWindowW(className ? c.get() : nullptr, title ? t.get() : nullptr);
}
HANDLE SjCreateMutex(const char* name) { return CreateMutexW(nullptr, FALSE, WideText(name)); }
static ATOM RegisterW(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background,
                      const wchar_t* menu, const char* className, int windowExtra) {
  WideText cls(className);
  WNDCLASSW wc = {};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = windowExtra;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszMenuName = menu;
  wc.lpszClassName = cls;
  return RegisterClassW(&wc);
}
ATOM SjRegisterClass(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background,
                     const char* menuName, const char* className, int windowExtra) {
  WideText menu(menuName);
  return RegisterW(style, proc, instance, icon, cursor, background, menuName ? menu.get() : nullptr, className,
                   windowExtra);
}
ATOM SjRegisterClassMenuId(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor,
                           HBRUSH background, int menuId, const char* className, int windowExtra) {
  return RegisterW(style, proc, instance, icon, cursor, background, menuId ? MAKEINTRESOURCEW(menuId) : nullptr,
                   className, windowExtra);
}
HWND SjCreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int w, int h,
                      HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  return CreateWindowExW(exStyle, WideText(className), WideText(title), style, x, y, w, h, parent, menu, instance,
                         param);
}
int SjMessageBox(HWND owner, const char* text, const char* title, UINT type) {
  return MessageBoxW(owner, WideText(text), WideText(title), type);
}
BOOL SjSetWindowText(HWND window, const char* text) { return SetWindowTextW(window, WideText(text)); }
int SjGetWindowText(HWND window, char* out, size_t cap) {
  int len = GetWindowTextLengthW(window);
  if (len < 0) len = 0;
  wchar_t small[1024];
  wchar_t* w = len < 1024 ? small : new (std::nothrow) wchar_t[len + 1];
  if (!w) return 0;
  int n = GetWindowTextW(window, w, len + 1);
  int r = static_cast<int>(NarrowText(w, n, out, cap));
  if (w != small) delete[] w;
  return r;
}
BOOL SjTextOut(HDC dc, int x, int y, const char* text, int length) {
  WideText w(text, length);
  return TextOutW(dc, x, y, w, static_cast<int>(wcslen(w)));
}
BOOL SjGetTextExtent(HDC dc, const char* text, int length, SIZE* size) {
  WideText w(text, length);
  return GetTextExtentPoint32W(dc, w, static_cast<int>(wcslen(w)), size);
}
HFONT SjCreateFont(int height, int weight, BYTE charset, const char* face, BYTE quality) {
  LOGFONTW lf = {};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = charset;
  lf.lfQuality = quality;
  WideText w(face);
  wcsncpy(lf.lfFaceName, w, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}
LRESULT SjDefWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) { return DefWindowProcW(window, message, w, l); }

struct EnumContext {
  FontFamilyVisitor visit;
  void* context;
};
static int CALLBACK EnumFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM p) {
  auto* c = reinterpret_cast<EnumContext*>(p);
  char face[LF_FACESIZE * 2 + 2];
  NarrowText(lf->lfFaceName, -1, face, sizeof face);
  c->visit(face, lf->lfCharSet, c->context);
  return 1;
}
void SjEnumFontFamilies(HDC dc, FontFamilyVisitor visit, void* context) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumContext c{visit, context};
  EnumFontFamiliesExW(dc, &lf, EnumFamily, reinterpret_cast<LPARAM>(&c), 0);
}
bool SjReadClassesRootDefault(const char* subkey, char* out, size_t cap) {
  out[0] = 0;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, WideText(subkey), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  wchar_t value[260] = {};
  DWORD size = sizeof value - sizeof value[0];
  DWORD type = 0;
  LONG r = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return false;
  value[259] = 0;
  NarrowText(value, -1, out, cap);
  return true;
}

HINTERNET SjInternetOpen(const char* agent, DWORD access, const char* proxy) {
  WideText a(agent), p(proxy);
  return InternetOpenW(a, access, proxy ? p.get() : nullptr, nullptr, 0);
}
HINTERNET SjInternetConnect(HINTERNET session, const char* host, INTERNET_PORT port, const char* user,
                            const char* password) {
  WideText h(host), u(user), p(password);
  return InternetConnectW(session, h, port, user && *user ? u.get() : nullptr,
                          password && *password ? p.get() : nullptr, INTERNET_SERVICE_HTTP, 0, 0);
}
HINTERNET SjHttpOpenRequest(HINTERNET connection, const char* verb, const char* path, const char* version,
                            DWORD flags) {
  WideText v(verb), p(path), r(version);
  return HttpOpenRequestW(connection, v, p, r, nullptr, nullptr, flags, 0);
}
BOOL SjHttpSendRequest(HINTERNET request, const char* headers) {
  if (!headers || !*headers) return HttpSendRequestW(request, nullptr, 0, nullptr, 0);
  WideText h(headers);
  return HttpSendRequestW(request, h, static_cast<DWORD>(wcslen(h)), nullptr, 0);
}
BOOL SjHttpQueryInfo(HINTERNET request, DWORD level, char* out, size_t cap) {
  if (cap) out[0] = 0;
  wchar_t w[1024];
  DWORD size = sizeof w - sizeof w[0];
  if (!HttpQueryInfoW(request, level, w, &size, nullptr)) return FALSE;
  NarrowText(w, static_cast<int>(size / sizeof w[0]), out, cap);
  return TRUE;
}
int SjDrawText(HDC dc, const char* text, int length, RECT* box, UINT format) {
  WideText w(text, length);
  return DrawTextW(dc, w, -1, box, format);
}
bool SjByteExtents(HDC dc, const char* text, int length, int32_t* out) {
  for (int k = 0; k < length; ++k) out[k] = 0;
  if (length > kSjExtentBytes) return false;
  wchar_t wide[kSjExtentBytes + 1];
  int dx[kSjExtentBytes + 1];
  int n = MultiByteToWideChar(CP_ACP, 0, text, length, wide, kSjExtentBytes);
  SIZE size;
  if (n <= 0 || !GetTextExtentExPointW(dc, wide, n, 0, nullptr, dx, &size)) return false;
  int j = 0;
  for (int i = 0; i < n && j < length; ++i) {
    out[j] = dx[i];
    if (IsSjisLead(static_cast<unsigned char>(text[j])) && j + 1 < length) out[++j] = dx[i];
    ++j;
  }
  return true;
}
static void TakeFound(const WIN32_FIND_DATAW& data, SjFoundFile* found) {
  NarrowText(data.cFileName, -1, found->name, sizeof found->name);
  found->folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool SjFindFirstFile(const char* pattern, SjFoundFile* found) {
  WIN32_FIND_DATAW data;
  found->handle = FindFirstFileW(WideText(pattern), &data);
  if (found->handle == INVALID_HANDLE_VALUE) return false;
  TakeFound(data, found);
  return true;
}
bool SjFindNextFile(SjFoundFile* found) {
  WIN32_FIND_DATAW data;
  if (found->handle == INVALID_HANDLE_VALUE || !FindNextFileW(found->handle, &data)) return false;
  TakeFound(data, found);
  return true;
}
static DWORD FormatMessageText(DWORD flags, HMODULE module, DWORD error, char* out, size_t cap) {
  wchar_t w[512];
  DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_IGNORE_INSERTS, module, error, 0, w, 512, nullptr);
  if (!n) return 0;
  return static_cast<DWORD>(NarrowText(w, static_cast<int>(n), out, cap));
}

#else  // desktop: ANSI interfaces take Shift_JIS as it is

HANDLE SjCreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}
BOOL SjDeleteFile(const char* path) { return DeleteFileA(path); }
BOOL SjMoveFileEx(const char* from, const char* to, DWORD flags) { return MoveFileExA(from, to, flags); }
BOOL SjCreateDirectory(const char* path) { return CreateDirectoryA(path, nullptr); }
DWORD SjGetFileAttributes(const char* path) { return GetFileAttributesA(path); }
BOOL SjSetFileAttributes(const char* path, DWORD attributes) { return SetFileAttributesA(path, attributes); }
DWORD SjGetModuleFileName(HMODULE module, char* out, size_t cap) {
  char a[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(module, a, MAX_PATH);
  a[n < MAX_PATH ? n : MAX_PATH] = 0;
  return static_cast<DWORD>(CopyText(out, cap, a));
}
HWND SjFindWindow(const char* className, const char* title) { return FindWindowA(className, title); }
HANDLE SjCreateMutex(const char* name) { return CreateMutexA(nullptr, FALSE, name); }
ATOM SjRegisterClass(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background,
                     const char* menuName, const char* className, int windowExtra) {
  WNDCLASSA wc = {};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = windowExtra;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszMenuName = menuName;
  wc.lpszClassName = className;
  return RegisterClassA(&wc);
}
ATOM SjRegisterClassMenuId(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor,
                           HBRUSH background, int menuId, const char* className, int windowExtra) {
  return SjRegisterClass(style, proc, instance, icon, cursor, background, menuId ? MAKEINTRESOURCEA(menuId) : nullptr,
                         className, windowExtra);
}
HWND SjCreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int w, int h,
                      HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  return CreateWindowExA(exStyle, className, title, style, x, y, w, h, parent, menu, instance, param);
}
int SjMessageBox(HWND owner, const char* text, const char* title, UINT type) {
  return MessageBoxA(owner, text, title, type);
}
BOOL SjSetWindowText(HWND window, const char* text) { return SetWindowTextA(window, text); }
int SjGetWindowText(HWND window, char* out, size_t cap) {
  if (cap == 0) return 0;
  return GetWindowTextA(window, out, static_cast<int>(cap));
}
BOOL SjTextOut(HDC dc, int x, int y, const char* text, int length) { return TextOutA(dc, x, y, text, length); }
BOOL SjGetTextExtent(HDC dc, const char* text, int length, SIZE* size) {
  return GetTextExtentPoint32A(dc, text, length, size);
}
HFONT SjCreateFont(int height, int weight, BYTE charset, const char* face, BYTE quality) {
  LOGFONTA lf = {};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = charset;
  lf.lfQuality = quality;
  CopyText(lf.lfFaceName, LF_FACESIZE, face);
  return CreateFontIndirectA(&lf);
}
LRESULT SjDefWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) { return DefWindowProcA(window, message, w, l); }

struct EnumContext {
  FontFamilyVisitor visit;
  void* context;
};
static int CALLBACK EnumFamily(const LOGFONTA* lf, const TEXTMETRICA*, DWORD, LPARAM p) {
  auto* c = reinterpret_cast<EnumContext*>(p);
  c->visit(lf->lfFaceName, lf->lfCharSet, c->context);
  return 1;
}
void SjEnumFontFamilies(HDC dc, FontFamilyVisitor visit, void* context) {
  LOGFONTA lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumContext c{visit, context};
  EnumFontFamiliesExA(dc, &lf, EnumFamily, reinterpret_cast<LPARAM>(&c), 0);
}
bool SjReadClassesRootDefault(const char* subkey, char* out, size_t cap) {
  out[0] = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char value[260] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  LONG r = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return false;
  value[259] = 0;
  CopyText(out, cap, value);
  return true;
}

HINTERNET SjInternetOpen(const char* agent, DWORD access, const char* proxy) {
  return InternetOpenA(agent, access, proxy, nullptr, 0);
}
HINTERNET SjInternetConnect(HINTERNET session, const char* host, INTERNET_PORT port, const char* user,
                            const char* password) {
  return InternetConnectA(session, host, port, user && *user ? user : nullptr,
                          password && *password ? password : nullptr, INTERNET_SERVICE_HTTP, 0, 0);
}
HINTERNET SjHttpOpenRequest(HINTERNET connection, const char* verb, const char* path, const char* version,
                            DWORD flags) {
  return HttpOpenRequestA(connection, verb, path, version, nullptr, nullptr, flags, 0);
}
BOOL SjHttpSendRequest(HINTERNET request, const char* headers) {
  if (!headers || !*headers) return HttpSendRequestA(request, nullptr, 0, nullptr, 0);
  return HttpSendRequestA(request, headers, static_cast<DWORD>(strlen(headers)), nullptr, 0);
}
BOOL SjHttpQueryInfo(HINTERNET request, DWORD level, char* out, size_t cap) {
  if (cap) out[0] = 0;
  char a[1024];
  DWORD size = sizeof a - 1;
  if (!HttpQueryInfoA(request, level, a, &size, nullptr)) return FALSE;
  CopyTextN(out, cap, a, size < sizeof a ? size : sizeof a - 1);
  return TRUE;
}
int SjDrawText(HDC dc, const char* text, int length, RECT* box, UINT format) {
  return DrawTextA(dc, text, length, box, format);
}
bool SjByteExtents(HDC dc, const char* text, int length, int32_t* out) {
  for (int k = 0; k < length; ++k) out[k] = 0;
  int dx[kSjExtentBytes + 1];
  SIZE size;
  if (length > kSjExtentBytes || !GetTextExtentExPointA(dc, text, length, 0, nullptr, dx, &size)) return false;
  for (int k = 0; k < length; ++k) out[k] = dx[k];
  // The A call reports a character's extent on both of its bytes on some
  // systems and only on the trail byte on others: make both the same.
  for (int k = 0; k + 1 < length; ++k)
    if (IsSjisLead(static_cast<unsigned char>(text[k]))) {
      out[k] = out[k + 1];
      ++k;
    }
  return true;
}
static void TakeFound(const WIN32_FIND_DATAA& data, SjFoundFile* found) {
  CopyText(found->name, data.cFileName);
  found->folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool SjFindFirstFile(const char* pattern, SjFoundFile* found) {
  WIN32_FIND_DATAA data;
  found->handle = FindFirstFileA(pattern, &data);
  if (found->handle == INVALID_HANDLE_VALUE) return false;
  TakeFound(data, found);
  return true;
}
bool SjFindNextFile(SjFoundFile* found) {
  WIN32_FIND_DATAA data;
  if (found->handle == INVALID_HANDLE_VALUE || !FindNextFileA(found->handle, &data)) return false;
  TakeFound(data, found);
  return true;
}
static DWORD FormatMessageText(DWORD flags, HMODULE module, DWORD error, char* out, size_t cap) {
  char a[1024];
  DWORD n = FormatMessageA(flags | FORMAT_MESSAGE_IGNORE_INSERTS, module, error, 0, a, sizeof a, nullptr);
  if (!n) return 0;
  return static_cast<DWORD>(CopyTextN(out, cap, a, n));
}

#endif

size_t FromPlatformText(const TCHAR* text, char* out, size_t cap) {
#if defined(KVEL_HANDHELD)
  return NarrowText(text, -1, out, cap);
#else
  return CopyText(out, cap, text);
#endif
}

void ToPlatformText(const char* text, TCHAR* out, int cap) {
  if (!out || cap <= 0) return;
#if defined(KVEL_HANDHELD)
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, out, cap) <= 0) out[0] = 0;
  out[cap - 1] = 0;
#else
  CopyText(out, static_cast<size_t>(cap), text);
#endif
}

void SjFindClose(SjFoundFile* found) {
  if (found->handle != INVALID_HANDLE_VALUE) FindClose(found->handle);
  found->handle = INVALID_HANDLE_VALUE;
}

bool SjFileExists(const char* path) { return SjGetFileAttributes(path) != INVALID_FILE_ATTRIBUTES; }

size_t SjFormatSystemMessage(DWORD error, char* out, size_t cap) {
  if (cap) out[0] = 0;
  if (!cap || !error) return 0;
  // WinINet's numbers (12000-12175) have their texts in wininet.dll.
  DWORD n = 0;
  if (error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST)
    n = FormatMessageText(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleW(L"wininet.dll"), error, out, cap);
  if (!n) n = FormatMessageText(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, out, cap);
  while (n && (out[n - 1] == '\r' || out[n - 1] == '\n' || out[n - 1] == ' ')) out[--n] = 0;
  return n;
}

// Posting (post/post_win.cpp): a request with its referrer, a send with a
// body, and the whole raw header block of an answer.
#if defined(KVEL_HANDHELD)
HINTERNET SjHttpOpenRequestReferer(HINTERNET connection, const char* verb, const char* path, const char* version,
                                   const char* referer, DWORD flags) {
  WideText v(verb), p(path), r(version), ref(referer);
  return HttpOpenRequestW(connection, v, p, r, ref, nullptr, flags, 1);
}
BOOL SjHttpSendRequestBody(HINTERNET request, const char* headers, const void* body, DWORD length) {
  if (!headers || !*headers) return HttpSendRequestW(request, nullptr, 0, const_cast<void*>(body), length);
  WideText h(headers);
  return HttpSendRequestW(request, h, static_cast<DWORD>(wcslen(h)), const_cast<void*>(body), length);
}
BOOL SjHttpAddRequestHeaders(HINTERNET request, const char* headers, DWORD flags) {
  WideText h(headers);
  return HttpAddRequestHeadersW(request, h, static_cast<DWORD>(wcslen(h)), flags);
}
BOOL SjHttpQueryRawHeaders(HINTERNET request, char* out, size_t cap) {
  if (cap) out[0] = 0;
  static const DWORD kChars = 8192;
  wchar_t* w = new (std::nothrow) wchar_t[kChars];
  if (!w) return FALSE;
  DWORD size = (kChars - 1) * sizeof w[0];
  BOOL ok = HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, w, &size, nullptr);
  if (ok) NarrowText(w, static_cast<int>(size / sizeof w[0]), out, cap);
  delete[] w;
  return ok;
}
#else
HINTERNET SjHttpOpenRequestReferer(HINTERNET connection, const char* verb, const char* path, const char* version,
                                   const char* referer, DWORD flags) {
  return HttpOpenRequestA(connection, verb, path, version, referer, nullptr, flags, 1);
}
BOOL SjHttpSendRequestBody(HINTERNET request, const char* headers, const void* body, DWORD length) {
  if (!headers || !*headers) return HttpSendRequestA(request, nullptr, 0, const_cast<void*>(body), length);
  return HttpSendRequestA(request, headers, static_cast<DWORD>(strlen(headers)), const_cast<void*>(body), length);
}
BOOL SjHttpAddRequestHeaders(HINTERNET request, const char* headers, DWORD flags) {
  return HttpAddRequestHeadersA(request, headers, static_cast<DWORD>(strlen(headers)), flags);
}
BOOL SjHttpQueryRawHeaders(HINTERNET request, char* out, size_t cap) {
  if (cap) out[0] = 0;
  if (cap < 2) return FALSE;
  DWORD size = static_cast<DWORD>(cap - 1);
  if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, out, &size, nullptr)) return FALSE;
  out[size < cap ? size : cap - 1] = 0;
  return TRUE;
}
#endif

}  // namespace kv
