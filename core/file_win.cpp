#include "core/file_win.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

#include "core/app.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/text.h"

namespace kv {

FileBuffer& FileBuffer::operator=(FileBuffer&& o) noexcept {
  if (this != &o) {
    delete[] data;
    data = o.data;
    size = o.size;
    o.data = nullptr;
    o.size = 0;
  }
  return *this;
}
FileBuffer::~FileBuffer() { delete[] data; }
char* FileBuffer::release() {
  char* p = data;
  data = nullptr;
  size = 0;
  return p;
}

namespace {

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (ok()) CloseHandle(h);
  }
  bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  void close() {
    if (ok()) CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
  }
};

std::atomic<FileFault> g_fault{FileFault::None};
std::atomic<long long> g_faultAfter{0};
std::atomic<unsigned> g_tempCounter{0};

// Writes in pieces of 64 KB; false unless every byte went out.
bool WriteAll(HANDLE h, const char* data, size_t length) {
  long long fault = g_fault.load() == FileFault::Write ? g_faultAfter.load() : -1;
  size_t done = 0;
  while (done < length) {
    DWORD piece = static_cast<DWORD>(length - done < 65536 ? length - done : 65536);
    if (fault >= 0 && static_cast<long long>(done + piece) > fault) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    DWORD written = 0;
    if (!WriteFile(h, data + done, piece, &written, nullptr) || written != piece) return false;
    done += written;
  }
  return true;
}

}  // namespace

void SetFileFaultForTest(FileFault fault, long long afterBytes) {
  g_faultAfter = afterBytes;
  g_fault = fault;
}

FileRead ReadWholeFileAs(const char* path, size_t spare, FileBuffer* out) {
  Handle f(SjCreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  if (!f.ok()) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileRead::Missing;
    WriteEventLog('i', "cannot open %.200s (%lu)", path, error);
    return FileRead::Unreadable;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(f.h, &size) || size.QuadPart < 0 || size.QuadPart > 0x40000000) return FileRead::Unreadable;
  size_t n = static_cast<size_t>(size.QuadPart);
  char* buffer = new (std::nothrow) char[n + spare];
  if (!buffer) return FileRead::Unreadable;
  memset(buffer, 0, n + spare);
  long long fault = g_fault.load() == FileFault::Read ? g_faultAfter.load() : -1;
  size_t done = 0;
  while (done < n) {
    DWORD piece = static_cast<DWORD>(n - done < 65536 ? n - done : 65536);
    if (fault > static_cast<long long>(done) && static_cast<long long>(done + piece) > fault)
      piece = static_cast<DWORD>(fault - static_cast<long long>(done));
    DWORD got = 0;
    BOOL ok = fault >= 0 && static_cast<long long>(done) >= fault
                  ? FALSE
                  : ReadFile(f.h, buffer + done, piece, &got, nullptr);
    if (!ok || got == 0) {
      // Half a file is not the file: taken for the whole, it would be
      // written back over the rest.
      WriteEventLog('i', "cannot read %.200s (%lu at %lu)", path, ok ? 0ul : GetLastError(),
                    static_cast<unsigned long>(done));
      delete[] buffer;
      return FileRead::Unreadable;
    }
    done += got;
  }
  delete[] out->data;
  out->data = buffer;
  out->size = done;
  return FileRead::Read;
}

bool ReadWholeFile(const char* path, size_t spare, FileBuffer* out) {
  return ReadWholeFileAs(path, spare, out) == FileRead::Read;
}

bool ReplaceFileContents(const char* path, const void* data, size_t length) {
  // The temporary file sits next to the target so the final move is a rename
  // inside one folder; its name is unique per call so two threads writing
  // the same target never share one.
  char temp[MAX_PATH + 32];
  unsigned serial = g_tempCounter.fetch_add(1);
  FormatText(temp, sizeof temp, "%s.~%04x%04x", path, static_cast<unsigned>(GetCurrentThreadId() & 0xFFFF),
             serial & 0xFFFF);
  if (strlen(temp) >= MAX_PATH) {
    WriteEventLog('i', "rewrite: path too long %.200s", path);
    return false;
  }
  Handle f(g_fault.load() == FileFault::Create ? INVALID_HANDLE_VALUE
                                                : SjCreateFile(temp, GENERIC_WRITE, 0, CREATE_ALWAYS));
  if (!f.ok()) {
    WriteEventLog('i', "rewrite: cannot create %.200s (%lu)", temp, GetLastError());
    return false;
  }
  bool ok = WriteAll(f.h, static_cast<const char*>(data), length) && FlushFileBuffers(f.h);
  DWORD error = ok ? 0 : GetLastError();
  f.close();
  if (ok && (g_fault.load() == FileFault::Replace ||
             !SjMoveFileEx(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    SjDeleteFile(temp);
    WriteEventLog('i', "rewrite failed %.200s (%lu)", path, error);
  }
  return ok;
}

static void CreateOneFolder(const char* folder, void*) { SjCreateDirectory(folder); }

void CreateFolderPath(const char* path) { ForEachFolderOfPath(path, CreateOneFolder, nullptr); }

}  // namespace kv
