// Thread windows (class KVEL_T): the slot table, the paint, scrolling, keys,
// and the view's commands (open, update, reload, re-fetch, delete).
#pragma once
#include <windows.h>

#include <cstdint>

#include "reader/thread.h"
#include "reader/view.h"

namespace kv {

inline constexpr char kViewClass[] = "KVEL_T";
inline constexpr UINT_PTR kViewPollTimer = 1;     // the download's progress
inline constexpr UINT_PTR kViewTitleTimer = 2;    // the title lookup's progress
inline constexpr UINT_PTR kViewCloseTimer = 5;    // the second between hiding and destroying
inline constexpr UINT_PTR kViewUpdateTimer = 10;  // asks for an update (40027)

// The record of a thread window; null for any other window.
ThreadViewState* ViewStateOf(HWND window);

// The colours of this run (settings, with the key file's overrides).
ViewColors CurrentViewColors();

// One paint of text from topLine into dc. client is the client rectangle
// (the window's own when null). Returns the number of lines drawn, 0 for a
// view without posts or while the text is being rebuilt.
int32_t RenderView(ThreadViewState& view, HWND window, HDC dc, const char* text, int32_t length, int32_t topLine,
                   const RECT* client = nullptr);

// The idle message of an empty view at (4, 4), refreshed at most every 800 ms.
void DrawIdleMessage(HDC dc);

// Empties the drawn-line cache of every view (start-up; a change of the
// text's shape such as the NG words).
void ClearAllLineCaches();

// What the view needs from the thread list; by default the thread list's
// functions (ui/panes_win.h). Tests put their own in.
struct ThreadListLink {
  int32_t (*readPositionOf)(const char* url);
  void (*recordReadPosition)(const char* url, const char* title, int32_t position, int32_t postCount);
  void (*titleOf)(const char* url, char* title, size_t cap);
  void (*markLoaded)(const char* url);
  bool (*titleInIndex)(const char* data, size_t length, int32_t key, char* title, size_t cap);
  bool (*forget)(const char* url);  // "スレ削除": the thread leaves the acquired list
  void (*titleFound)(const char* url, const char* title);  // a looked-up title, for the list rows
};
void SetThreadListLink(const ThreadListLink* link);  // null: the thread list's own
// The millisecond clock of the key repeat (GetTickCount when null).
void SetViewClock(uint32_t (*clock)());

}  // namespace kv
