// The search dialogs (dialog 116): in the thread, among the thread titles,
// among the boards, and on the web.
#pragma once
#include <windows.h>

#include <cstddef>

namespace kv {

// "検索" (40018) of a thread view: the one in-thread dialog, for this view
// (created anew, from the top, when it searched another one). With no view
// the dialog goes.
void ShowThreadSearch(HWND view);
// A thread view closes: the dialog searching it goes with it.
void ThreadSearchViewClosed(HWND view);
// 40018 from the thread list and from the board tree.
void ShowTitleSearch();
void ShowBoardSearch();
// The modeless search dialogs as they are now (null when not created).
HWND ThreadSearchDialog();
HWND TitleSearchDialog();
HWND BoardSearchDialog();

// "Web検索": asks for the text, the last one offered again. 1 for OK.
int AskWebSearch(char* text, size_t cap);
// 40096: asks, then opens the search engine's answer as a page.
void RunWebSearch(HWND main);

}  // namespace kv
