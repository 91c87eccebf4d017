// Loading a thread into its window's view: the file store and the window's
// caption and scroll bar around the portable parser.
#pragma once
#include <windows.h>

#include <cstddef>

#include "reader/thread.h"

namespace kv {

// Every (re)display of a thread: from the download's bytes when fromMemory,
// else from the local copy of url when there is one (with UseCache on).
// With no copy the view becomes empty. False, with the view as it was, when
// the copy cannot be read or memory runs out.
bool LoadThreadIntoView(ThreadViewState& view, HWND window, const char* url, bool fromMemory,
                        const char* data = nullptr, size_t length = 0, ViewBuildResult* result = nullptr);

// Rebuilds the view from the thread's local copy at localPath (null or ""
// when there is none: the view becomes empty). False, with the view as it
// was, when the copy cannot be read or memory runs out. pageUrl is the
// thread's address (links of a page are made absolute against it).
bool LoadThreadFromFile(ThreadViewState& view, HWND window, const char* localPath, const char* pageUrl,
                        ViewBuildResult* result = nullptr);
// Rebuilds the view from a download's bytes.
bool LoadThreadFromMemory(ThreadViewState& view, HWND window, const char* data, size_t length, const char* pageUrl,
                          ViewBuildResult* result = nullptr);

}  // namespace kv
