// Program entry and exit of the reader.
#pragma once
#include <windows.h>

#include <cstddef>

namespace kv {

extern HINSTANCE g_instance;

// Runs the program; 0 when it stops early, else the quit message's code.
int KvelMain(HINSTANCE instance, int showState);

// The program of the shell's open command for HTML files (selector 0) or
// http addresses (selector 1); out is always set, empty on failure.
void DefaultBrowser(int selector, char* out, size_t cap);

}  // namespace kv
