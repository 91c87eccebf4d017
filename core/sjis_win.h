// The edge between the program's Shift_JIS text and the platform's text
// interfaces. The desktop build passes the bytes to the A functions as they
// are; the handheld build converts with the system code page and calls the W
// functions. Win32 code calls these for every text-taking interface.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <cstdint>

namespace kv {

// Shift_JIS -> UTF-16 for one call; long texts go to the heap.
class WideText {
 public:
  explicit WideText(const char* text, int length = -1);
  ~WideText();
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  const wchar_t* get() const { return p_; }
  operator const wchar_t*() const { return p_; }

 private:
  wchar_t small_[520];
  wchar_t* p_;
};
// A Shift_JIS text handed to an interface that takes the platform's own
// text type (TCHAR: the controls' structures and messages): as it is on the
// desktop, widened in the handheld build.
class TextArg {
 public:
  explicit TextArg(const char* text) : text_(text ? text : "")
#if defined(KVEL_HANDHELD)
                                         , wide_(text_)
#endif
  {
  }
#if defined(KVEL_HANDHELD)
  LPWSTR get() const { return const_cast<LPWSTR>(wide_.get()); }
#else
  LPSTR get() const { return const_cast<LPSTR>(text_); }
#endif

 private:
  const char* text_;
#if defined(KVEL_HANDHELD)
  WideText wide_;
#endif
};

// Text of the platform's own type back to Shift_JIS (cap bytes, cut at a
// character).
size_t FromPlatformText(const TCHAR* text, char* out, size_t cap);
// Shift_JIS into a buffer of the platform's text type (cap characters,
// terminated), for structures that a control hands over to be filled.
void ToPlatformText(const char* text, TCHAR* out, int cap);

// One entry of a folder listing, its name in Shift_JIS.
struct SjFoundFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  char name[260];
  bool folder;
};
// The first entry matching pattern ("C:\x\*"); false when there is none.
// SjFindNextFile moves on; SjFindClose ends the listing.
bool SjFindFirstFile(const char* pattern, SjFoundFile* found);
bool SjFindNextFile(SjFoundFile* found);
void SjFindClose(SjFoundFile* found);

// UTF-16 -> Shift_JIS into out (cap bytes, terminated, cut at a character).
size_t NarrowText(const wchar_t* text, int length, char* out, size_t cap);

HANDLE SjCreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL);
BOOL SjDeleteFile(const char* path);
BOOL SjMoveFileEx(const char* from, const char* to, DWORD flags);
BOOL SjCreateDirectory(const char* path);
DWORD SjGetFileAttributes(const char* path);
bool SjFileExists(const char* path);
BOOL SjSetFileAttributes(const char* path, DWORD attributes);
// Full path of the running program, in out (260 bytes).
DWORD SjGetModuleFileName(HMODULE module, char* out, size_t cap);

HWND SjFindWindow(const char* className, const char* title);
HANDLE SjCreateMutex(const char* name);
ATOM SjRegisterClass(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background,
                     const char* menuName, const char* className, int windowExtra = 0);
ATOM SjRegisterClassMenuId(UINT style, WNDPROC proc, HINSTANCE instance, HICON icon, HCURSOR cursor,
                           HBRUSH background, int menuId, const char* className, int windowExtra = 0);
HWND SjCreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int w, int h,
                      HWND parent, HMENU menu, HINSTANCE instance, void* param);
int SjMessageBox(HWND owner, const char* text, const char* title, UINT type);
BOOL SjSetWindowText(HWND window, const char* text);
int SjGetWindowText(HWND window, char* out, size_t cap);
BOOL SjTextOut(HDC dc, int x, int y, const char* text, int length);
int SjDrawText(HDC dc, const char* text, int length, RECT* box, UINT format);
// Cumulative extents of the first length bytes of text (at most
// kSjExtentBytes): both bytes of a double-byte character get the
// character's value. False, with out all 0, when they cannot be measured.
inline constexpr int kSjExtentBytes = 256;
bool SjByteExtents(HDC dc, const char* text, int length, int32_t* out);
BOOL SjGetTextExtent(HDC dc, const char* text, int length, SIZE* size);
HFONT SjCreateFont(int height, int weight, BYTE charset, const char* face, BYTE quality = DEFAULT_QUALITY);
LRESULT SjDefWindowProc(HWND window, UINT message, WPARAM w, LPARAM l);

// One installed font family as the enumeration reports it.
using FontFamilyVisitor = void (*)(const char* face, int charset, void* context);
void SjEnumFontFamilies(HDC dc, FontFamilyVisitor visit, void* context);

// Default value of a registry key under HKEY_CLASSES_ROOT; false when absent.
bool SjReadClassesRootDefault(const char* subkey, char* out, size_t cap);

// WinINet. Empty user or password texts are passed as none.
HINTERNET SjInternetOpen(const char* agent, DWORD access, const char* proxy);
HINTERNET SjInternetConnect(HINTERNET session, const char* host, INTERNET_PORT port, const char* user,
                            const char* password);
HINTERNET SjHttpOpenRequest(HINTERNET connection, const char* verb, const char* path, const char* version,
                            DWORD flags);
// headers may be null.
BOOL SjHttpSendRequest(HINTERNET request, const char* headers);
// A header as text into out (cap bytes, terminated); false when absent.
BOOL SjHttpQueryInfo(HINTERNET request, DWORD level, char* out, size_t cap);
// The system's text for an error number (WinINet's own numbers included),
// without its line end; empty when there is none.
size_t SjFormatSystemMessage(DWORD error, char* out, size_t cap);

// Posting: a request opened with a referrer (context 1), a send with extra
// headers and a body of bytes, the answer's raw header block (CR LF lines;
// false when it does not fit cap).
HINTERNET SjHttpOpenRequestReferer(HINTERNET connection, const char* verb, const char* path, const char* version,
                                   const char* referer, DWORD flags);
BOOL SjHttpSendRequestBody(HINTERNET request, const char* headers, const void* body, DWORD length);
BOOL SjHttpAddRequestHeaders(HINTERNET request, const char* headers, DWORD flags);
BOOL SjHttpQueryRawHeaders(HINTERNET request, char* out, size_t cap);

}  // namespace kv
