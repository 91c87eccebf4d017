// The write dialog (dialog 114) of a thread window and the posting window
// that runs while a post is sent.
#pragma once
#include <windows.h>

#include "net/job.h"

namespace kv {

// Opens a modeless write dialog for the thread at address (titled title)
// with a post job of its own; view is the thread window to update after a
// successful post. Returns the dialog, or null.
HWND openWriteDialog(HWND owner, HWND view, const char* address, const char* title);

// The write dialog of a thread window (its address and title); null when
// the window shows no thread.
HWND openWriteDialogFor(HWND owner, HWND view);

// The job of a write dialog (null for any other window); for tests.
DownloadJob* WriteDialogJob(HWND dialog);

// Runs the posting window modally for a started job: 1 when the job ended
// accepted, else the id of the button that closed it.
INT_PTR RunPostingWindow(HWND owner, DownloadJob& job);

// 40089: the posting window without a post, its animations switchable.
void PreviewPostingAnimation(HWND owner);

// Caption of the posting window.
inline constexpr char kPostingCaption[] = "書き込み中...";

}  // namespace kv
