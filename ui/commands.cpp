#include "ui/commands.h"

#include <cstring>

#include "core/text.h"

namespace kv {

namespace {
bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
}  // namespace

bool NamesFeed(const char* address) {
  char run[19];
  size_t n = 0, total = 0;  // letters of the run (at most 18 kept), letters seen
  for (size_t i = 0;; ++i) {
    unsigned char c = i < 256 ? static_cast<unsigned char>(address[i]) : 0;
    if (c && IsLetter(c)) {
      if (n < 18) run[n++] = static_cast<char>(c);
      ++total;
      continue;
    }
    run[n] = 0;
    if (total == 3 && (CompareNoCase(run, "rss", 3) == 0 || CompareNoCase(run, "xml", 3) == 0)) return true;
    if (total > 6 && CompareNoCase(run, "Podcast", 7) == 0) return true;
    n = total = 0;
    if (!c) return false;
    // A two-byte character ends the run as a whole: its trail byte may look
    // like a letter ("ビ" ends in 'r') but is none.
    if (IsSjisLead(c) && i + 1 < 256 && address[i + 1]) ++i;
  }
}

int32_t SortDefaultAfter(int command, int32_t nowTSort) {
  if (command == 40076) return nowTSort & ~0x0F;
  if (command >= 40077 && command <= 40080) return (nowTSort & ~0x0F) | (command - 40076);
  if (command == 40081) return nowTSort < 16 ? nowTSort + 240 : nowTSort & 0x0F;
  return nowTSort;
}

int32_t ToggledTateYoko(int32_t tateYoko, int32_t screenWidth, int32_t screenHeight) {
  if (tateYoko != 0 || screenWidth < 481 || screenHeight < 241) return 0;
  return 100;
}

Splitter SplitterAt(const SplitterInput& in) {
  int32_t x = in.x < 16 ? 16 : in.x;
  int32_t y = in.y < 16 ? 16 : in.y;
  if (x >= in.clientWidth - 8) return Splitter::WindowEdge;
  if (x >= in.treeWide - 4 && x <= in.treeWide) return Splitter::TreeEdge;
  if (in.tateYoko != 0) {
    int32_t edge = in.rebarBottom + in.tateYoko;
    if (y >= edge - 4 && y <= edge + 4) return Splitter::TSplit;
  }
  int32_t listEdge = in.treeWide + in.listWide;
  if (x >= listEdge - 4 && x <= listEdge) return Splitter::ListEdge;
  return Splitter::None;
}

bool DragValue(Splitter edge, int32_t x, int32_t y, int32_t rebarBottom, int32_t treeWide, int32_t* value) {
  if (x < 16) x = 16;
  if (y < 16) y = 16;
  switch (edge) {
    case Splitter::TreeEdge:
      *value = x;
      return true;
    case Splitter::ListEdge:
      // Within 4 pixels of the tree edge the list would vanish: keep it.
      if (x <= treeWide + 4) return false;
      *value = x - treeWide;
      return true;
    case Splitter::TSplit:
      *value = y - rebarBottom < 16 ? 16 : y - rebarBottom;
      return true;
    default:
      return false;
  }
}

void AddressForBrowser(const char* address, char* out, size_t cap) {
  CopyText(out, cap, address);
  if (strlen(out) >= 7 && out[0] == 'h' && memcmp(out + 4, "://", 3) == 0) memcpy(out, "http", 4);
}

}  // namespace kv
