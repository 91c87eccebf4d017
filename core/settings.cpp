#include "core/settings.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace kv {

namespace {

enum class Kind { Text, Int, Color, Rect, ListCol };

// How a value is repaired after it is read.
enum class Rule { None, Font, FontSize, ListFontSize, Folder, MinEight, TreeOpen, Post, ZipLevel };

struct Key {
  const char* name;  // exactly eight characters
  Kind kind;
  size_t offset;
  size_t capacity;  // text fields: bytes including the terminator
  Rule rule;
};

#define TEXT(field, rule) {#field, Kind::Text, offsetof(Settings, field), sizeof(Settings::field), rule}
#define INT(field, rule) {#field, Kind::Int, offsetof(Settings, field), 0, rule}
#define COLOR(field) {#field, Kind::Color, offsetof(Settings, field), 0, Rule::None}
#define RECT(field) {#field, Kind::Rect, offsetof(Settings, field), 0, Rule::None}
#define LISTCOL(i) {"ListCol" #i, Kind::ListCol, offsetof(Settings, ListCol) + (i) * sizeof(int32_t), 0, Rule::None}

// Every key, in the order the file is written.
const Key kKeys[] = {
    TEXT(BoadAddr, Rule::None),   TEXT(FontName, Rule::Font),   INT(FontSize, Rule::FontSize),
    INT(SetFntTL, Rule::ListFontSize), TEXT(ChFolder, Rule::Folder), INT(UseCache, Rule::None),
    TEXT(Proxyadr, Rule::None),   TEXT(Proxylst, Rule::None),   INT(ProxyIEs, Rule::None),
    TEXT(UserName, Rule::None),   TEXT(PassWord, Rule::None),   INT(TreeSele, Rule::None),
    INT(ViewType, Rule::None),    INT(TreeWide, Rule::MinEight), INT(ListWide, Rule::MinEight),
    LISTCOL(0),                   LISTCOL(1),                   LISTCOL(2),
    LISTCOL(3),                   RECT(WindowPt),               INT(TabbHide, Rule::None),
    INT(AddrHide, Rule::None),    INT(StatHide, Rule::None),    INT(LRkeyPUD, Rule::None),
    INT(TreeType, Rule::None),    TEXT(TreeAdd1, Rule::None),   TEXT(TreeAdd2, Rule::None),
    INT(TateYoko, Rule::None),    TEXT(OBrowser, Rule::None),   TEXT(TreeOpen, Rule::TreeOpen),
    INT(fOffLine, Rule::None),    INT(fAACheck, Rule::None),    COLOR(ColorTxt),
    COLOR(ColorBak),              COLOR(ColorNew),              COLOR(ColorNum),
    COLOR(ColorNme),              COLOR(ColorNlk),              COLOR(ColorTim),
    RECT(FreeTWnd),               INT(TabUnder, Rule::None),    INT(NowTSort, Rule::None),
    INT(NgClearn, Rule::None),    INT(HerfMode, Rule::None),    INT(HpcAutoW, Rule::None),
    INT(ClearTyp, Rule::None),    INT(BordTopw, Rule::None),    INT(CycleTim, Rule::None),
    TEXT(STPlayer, Rule::None),   TEXT(DlFolder, Rule::None),   INT(TListMax, Rule::None),
    INT(NetAtchk, Rule::None),    INT(NTPCheck, Rule::None),    INT(NTP_Port, Rule::None),
    TEXT(NTPSrver, Rule::None),   INT(MultLine, Rule::None),    INT(ListColm, Rule::None),
    TEXT(PostHead, Rule::Post),   TEXT(PostData, Rule::Post),
    {"_ZipPack", Kind::Int, offsetof(Settings, ZipPack), 0, Rule::ZipLevel},
};

#undef TEXT
#undef INT
#undef COLOR
#undef RECT
#undef LISTCOL

template <typename T> T* Field(Settings& s, const Key& k) {
  return reinterpret_cast<T*>(reinterpret_cast<char*>(&s) + k.offset);
}
template <typename T> const T* Field(const Settings& s, const Key& k) {
  return reinterpret_cast<const T*>(reinterpret_cast<const char*>(&s) + k.offset);
}

// "%d,%d,%d,%d", read as far as it parses; missing numbers stay 0.
WindowRect ParseRect(const char* v) {
  int32_t n[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    n[i] = ParseInt(v);
    const char* comma = strchr(v, ',');
    if (!comma) break;
    v = comma + 1;
  }
  return {n[0], n[1], n[2], n[3]};
}

uint32_t ParseColor(const char* v) {
  // "0x" followed by hexadecimal digits, else a decimal number.
  if (v[0] && v[1] == 'x') return static_cast<uint32_t>(strtoul(v + 2, nullptr, 16));
  return static_cast<uint32_t>(ParseInt(v));
}

void ApplyValue(Settings& s, const Key& k, const char* v, const char* programFolder, FontCheck fontCheck,
                void* fontContext) {
  switch (k.kind) {
    case Kind::Text: {
      char* dst = Field<char>(s, k);
      size_t cap = k.capacity;
      if (k.rule == Rule::TreeOpen) cap = 129;  // at most 128 state characters
      if (k.rule == Rule::Post) cap = 200;      // at most 199 characters
      CopyText(dst, cap, v);
      if (k.rule == Rule::Font && fontCheck) fontCheck(dst, k.capacity, fontContext);
      if (k.rule == Rule::Folder) {
        // An absolute folder ("\..." or "X:...") is taken as it is; an empty
        // one means the default. Saving writes a folder inside the program
        // folder relative to it, so a relative value is resolved against the
        // program folder (the default "log\" included) rather than dropped.
        bool absolute = dst[0] == '\\' || (dst[0] && dst[1] == ':');
        if (!absolute) {
          char relative[260];
          CopyText(relative, dst[0] ? dst : "log\\");
          FormatText(dst, k.capacity, "%s%s%s", programFolder, relative, EndsWithSeparator(relative) ? "" : "\\");
        }
      }
      break;
    }
    case Kind::Int:
    case Kind::ListCol: {
      int32_t n = ParseInt(v);
      switch (k.rule) {
        case Rule::FontSize:
          if (n < 2) n = 8;
          if (n >= 33) n = 32;
          break;
        case Rule::ListFontSize:
          if (n <= 1) n = 9;
          break;
        case Rule::MinEight:
          if (n < 8) n = 8;
          break;
        case Rule::ZipLevel:
          if (n == 1) n = 6;
          if (n > 9 || n < 0) n = 9;
          break;
        default:
          break;
      }
      *Field<int32_t>(s, k) = n;
      break;
    }
    case Kind::Color:
      *Field<uint32_t>(s, k) = ParseColor(v);
      break;
    case Kind::Rect:
      *Field<WindowRect>(s, k) = ParseRect(v);
      break;
  }
}

}  // namespace

void SetSettingsDefaults(Settings& s, const SettingsEnvironment& env) {
  memset(&s, 0, sizeof s);
  CopyText(s.FontName, "ＭＳ Ｐゴシック");
  s.FontSize = 9;
  s.SetFntTL = 9;
  FormatText(s.ChFolder, sizeof s.ChFolder, "%slog\\", env.programFolder);
  s.UseCache = 1;
  s.screenWidth = env.screenWidth;
  s.screenHeight = env.screenHeight;
  CopyText(s.BoadAddr, kDefaultBoardMenu);
  s.ViewType = 0;
  s.TreeWide = 120;
  s.ListWide = 320;
  s.WindowPt = {0, 0, 800, 480};
  s.ColorTxt = 0x000000;
  s.ColorBak = 0xF0F0F0;
  s.ColorNew = 0x0000FF;
  s.ColorNum = 0x800000;
  s.ColorNme = 0x00C000;
  s.ColorNlk = 0xC00000;
  s.ColorTim = 0x000040;
  // Unset until the key file names one: the view then draws the rule in
  // the background colour as loaded (ColorBak from the settings file or the
  // key file), that is, not at all.
  s.lineColor = kColorUnset;
  CopyText(s.TreeAdd1, "TreeList.htm");
  CopyText(s.TreeAdd2, "TreeList2.htm");
  s.fAACheck = 1;
  s.TreeType = env.screenWidth <= 640 ? 1 : 0;
  s.BordTopw = 1;
  CopyText(s.STPlayer, "\\Program Files\\TCPMP\\Player.exe");
  CopyText(s.DlFolder, "\\");
  s.NetAtchk = 1;
  s.NTPCheck = 1;
  CopyText(s.NTPSrver, kDefaultNtpServer);
  s.NTP_Port = 123;
  s.ListColm = 1;
  CopyText(s.PostHead, "Cookie: hana=tobiku");
  memset(s.TreeOpen, '0', 150);
  for (uint32_t& c : s.listColors) c = kColorUnset;
}

void ClampWindowRect(WindowRect& r, const WorkArea& area) {
  if (r.left < 0) r.left = 0;
  if (r.top < 0) r.top = 0;
  if (r.width < 240) r.width = 240;
  if (r.height < 240) r.height = 240;
  if (r.left > area.right - 64) r.left = area.right - 64;
  if (r.top > area.bottom - 64) r.top = area.bottom - 64;
  if (r.width > area.right) r.width = area.right;
  if (r.height > area.bottom) r.height = area.bottom;
}

void ApplySettingsText(Settings& s, const char* text, size_t length, const char* programFolder, const WorkArea& area,
                       FontCheck fontCheck, void* fontContext) {
  size_t i = 0;
  while (i < length) {
    // A line ends at CR, LF or NUL (CR LF once); more than 256 bytes are cut
    // and the rest is read as the next line.
    size_t start = i;
    while (i < length && text[i] != '\r' && text[i] != '\n' && text[i] != 0 && i - start < 256) ++i;
    char line[257];
    size_t n = i - start;
    memcpy(line, text + start, n);
    line[n] = 0;
    if (i < length && (text[i] == '\r' || text[i] == '\n' || text[i] == 0)) {
      if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
      ++i;
    }
    if (n == 0 || line[0] == ';' || line[0] == '#' || n < 9) continue;
    for (const Key& k : kKeys) {
      if (memcmp(line, k.name, 8) == 0 && line[8] == '=') {
        ApplyValue(s, k, line + 9, programFolder, fontCheck, fontContext);
        break;
      }
    }
  }
  ClampWindowRect(s.WindowPt, area);
}

size_t FormatSettingsText(const Settings& s, const char* programFolder, char* out, size_t cap) {
  size_t n = FormatText(out, cap, "[Setup]\r\n");
  size_t folderLength = strlen(programFolder);
  for (const Key& k : kKeys) {
    if (n + 600 > cap) return 0;
    char* p = out + n;
    size_t room = cap - n;
    switch (k.kind) {
      case Kind::Text: {
        const char* v = Field<char>(s, k);
        // The log folder is written relative to the program folder when it
        // lies inside it, so a moved installation keeps its store.
        if (k.rule == Rule::Folder && folderLength && strncmp(v, programFolder, folderLength) == 0)
          v += folderLength;
        n += FormatText(p, room, "%s=%s\r\n", k.name, v);
        break;
      }
      case Kind::Int:
      case Kind::ListCol:
        n += FormatText(p, room, "%s=%d\r\n", k.name, *Field<int32_t>(s, k));
        break;
      case Kind::Color:
        n += FormatText(p, room, "%s=0x%06x\r\n", k.name, *Field<uint32_t>(s, k));
        break;
      case Kind::Rect: {
        const WindowRect& r = *Field<WindowRect>(s, k);
        n += FormatText(p, room, "%s=%d,%d,%d,%d\r\n", k.name, r.left, r.top, r.width, r.height);
        break;
      }
    }
  }
  return n;
}

void ApplyScreenRules(Settings& s, bool forceTreeTypeZero) {
  if (s.screenWidth < 480) s.TreeType = 1;
  if (s.screenWidth > 640) s.TreeType = 0;
  if (forceTreeTypeZero) s.TreeType = 0;
}

bool SaneWindowRect(const WindowRect& r, int32_t screenWidth, int32_t screenHeight, WindowRect* stored) {
  // A maximised window or one dragged partly off the screen must not become
  // the next start's position.
  if (r.left < 0 || r.top < 0) return false;
  if (r.left >= screenWidth - 64 || r.top >= screenHeight - 64) return false;
  if (r.width >= screenWidth || r.height >= screenHeight) return false;
  *stored = r;
  if (stored->width < 240) stored->width = 240;
  if (stored->height < 200) stored->height = 200;
  return true;
}

}  // namespace kv
