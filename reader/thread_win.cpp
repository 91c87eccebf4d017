#include "reader/thread_win.h"

#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/sjis_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "core/eventlog.h"
#include "reader/ngword_win.h"
#include "ui/bars_win.h"

namespace kv {

namespace {

bool Rebuild(ThreadViewState& view, HWND window, const char* data, size_t length, const char* pageUrl,
             ViewBuildResult* result) {
  ViewBuildOptions options;
  options.ngWords = &g_ngWords;
  options.transparentAbone = g_settings.NgClearn != 0;
  options.pageUrl = pageUrl ? pageUrl : "";
  ViewBuildResult r;
  if (!LoadThreadIntoView(view, options, data, length, &r)) return false;
  if (r.truncated) {
    // The view text has a fixed room; a thread that needs more shows up to
    // its last whole post, and the user is told so rather than left to
    // wonder where the rest went.
    WriteEventLog('i', "view text full: %d posts of %.200s", static_cast<int>(view.postCount),
                  pageUrl ? pageUrl : "");
    SetStatus(kTextViewTextFull);
  }
  if (window) {
    // The last screenful stays reachable: the range stops four lines short.
    int top = view.lineCount < 5 ? view.lineCount : view.lineCount - 4;
    SetScrollRange(window, SB_VERT, 0, top, TRUE);
    // A page's own title, when the thread list knew none; the tab follows
    // it through the caller (the result says so).
    if (r.titleChanged) SjSetWindowText(window, view.title);
  }
  if (result) *result = r;
  return true;
}

}  // namespace

bool LoadThreadFromFile(ThreadViewState& view, HWND window, const char* localPath, const char* pageUrl,
                        ViewBuildResult* result) {
  if (!localPath || !localPath[0]) return Rebuild(view, window, nullptr, 0, pageUrl, result);
  FileBuffer file;
  if (!LoadFile(localPath, &file)) return false;
  return Rebuild(view, window, file.data, file.size, pageUrl, result);
}

bool LoadThreadIntoView(ThreadViewState& view, HWND window, const char* url, bool fromMemory, const char* data,
                        size_t length, ViewBuildResult* result) {
  if (fromMemory) return Rebuild(view, window, data, length, url, result);
  if (!url || !IsCached(url)) return Rebuild(view, window, nullptr, 0, url, result);
  char path[kAddressMax];
  CopyText(path, url);
  if (!LocalPathOf(path, g_settings.ChFolder)) return false;
  return LoadThreadFromFile(view, window, path, url, result);
}

bool LoadThreadFromMemory(ThreadViewState& view, HWND window, const char* data, size_t length, const char* pageUrl,
                          ViewBuildResult* result) {
  return Rebuild(view, window, data, length, pageUrl, result);
}

}  // namespace kv
