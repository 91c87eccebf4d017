#include "reader/popup_win.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/address.h"
#include "core/text.h"
#include "net/job.h"
#include "reader/anchor.h"
#include "reader/ngword_win.h"
#include "reader/view.h"
#include "reader/view_win.h"
#include "ui/panes_win.h"
#include "ui/textdialog.h"
#include "ui/textdialog_win.h"

namespace kv {

namespace {
bool g_activating = false;
}  // namespace

bool ActivateRegion(ThreadViewState& view, HWND window, int32_t index) {
  if (index < 0 || index >= kMaxHitRegions || !view.hitRegions[index].line || view.building) return false;
  // The region's line is read from the text as it is now: the region's own
  // pointer may belong to a text that was rebuilt since the paint.
  size_t length = 0;
  const char* line = ViewLine(view, view.hitRegions[index].line, &length);
  if (!line) return false;
  char link[kAddressMax];
  if (FindLink(line, length, link, sizeof link)) return OpenTextDialog(link, strlen(link), nullptr) != nullptr;
  size_t total = CollectAnchoredPosts(view, line, length, nullptr, 0, false);
  if (total == 0) return false;
  size_t cap = total + kPopupSpare;
  std::unique_ptr<char[]> posts(new (std::nothrow) char[cap]);
  if (!posts) return false;
  total = CollectAnchoredPosts(view, line, length, posts.get(), cap, true);
  return OpenTextDialog(posts.get(), total, window) != nullptr;
}

bool ActivateAtCursor(ThreadViewState& view, HWND window) {
  if (g_activating) return false;
  const HitRegion* r = FirstRegionFrom(view, view.cursorLine);
  if (!r) return false;
  g_activating = true;
  bool opened = ActivateRegion(view, window, static_cast<int32_t>(r - view.hitRegions));
  g_activating = false;
  return opened;
}

void OpenViewTitleUrl(const ThreadViewState& view) {
  if (!view.job || !view.job->url[0]) return;
  char text[2 * kAddressMax];
  size_t n = ThreadTitleUrlText(view.job->url, view.title[0] == '?' && !view.title[1] ? "" : view.title, text,
                                sizeof text);
  OpenTextDialog(text, n, nullptr);
}

void ReloadNgWordsAndViews() {
  LoadNgWords();
  // Lines drawn with the old list must not come back from the cache.
  ClearAllLineCaches();
  for (int s = 0; s < kThreadSlots; ++s)
    if (HWND w = ThreadWindowInSlot(s)) PostMessage(w, WM_COMMAND, 40009, 501);
}

}  // namespace kv
