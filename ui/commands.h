// Decisions of the main window's commands, kept apart from the windows.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

// An address that names a feed by its words: a run of exactly the three
// letters "rss" or "xml", or a run of more than six letters that begins with
// "Podcast" (letter case ignored; the first 256 characters are looked at).
bool NamesFeed(const char* address);


// The default sort (NowTSort) after the menu commands 40076-40081.
int32_t SortDefaultAfter(int command, int32_t nowTSort);
// The T-shaped layout switch (40050).
int32_t ToggledTateYoko(int32_t tateYoko, int32_t screenWidth, int32_t screenHeight);

// Which edge a press in the main window's own area grabs.
enum class Splitter { None, WindowEdge, TreeEdge, ListEdge, TSplit };
struct SplitterInput {
  int32_t x, y;           // client coordinates (below 16 taken as 16)
  int32_t clientWidth;
  int32_t rebarBottom;    // the T-split edge is measured from here
  int32_t treeWide, listWide, tateYoko;
};
Splitter SplitterAt(const SplitterInput& in);
// The settings a drag ends with. Returns false when the value stays.
// The T-split edge never goes above the rebar: the list keeps 16 pixels
// (a value of 0 or below would end the T-shaped layout, and be saved).
bool DragValue(Splitter edge, int32_t x, int32_t y, int32_t rebarBottom, int32_t treeWide, int32_t* value);
// Where the T-split drag bar is drawn for a pointer at y.
inline int32_t TSplitBarY(int32_t y, int32_t rebarBottom) { return y < rebarBottom + 16 ? rebarBottom + 16 : y; }

// "http" in place of the first four characters of "h???://" addresses.
void AddressForBrowser(const char* address, char* out, size_t cap);

}  // namespace kv
