// The settings block: every persisted setting and the run-time state the
// Parts share through it. One instance lives for the whole run (core/app.h);
// the main thread alone writes it, workers only read it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

struct WindowRect {
  int32_t left, top, width, height;
};

struct Settings {
  // Persisted, in the order the settings file is written.
  char BoadAddr[260];
  char FontName[64];
  int32_t FontSize;
  int32_t SetFntTL;
  char ChFolder[260];
  int32_t UseCache;
  char Proxyadr[64];
  char Proxylst[260];
  int32_t ProxyIEs;
  char UserName[64];
  char PassWord[64];
  int32_t TreeSele;
  int32_t ViewType;
  int32_t TreeWide;
  int32_t ListWide;
  int32_t ListCol[4];
  WindowRect WindowPt;
  int32_t TabbHide;
  int32_t AddrHide;
  int32_t StatHide;
  int32_t LRkeyPUD;
  int32_t TreeType;
  char TreeAdd1[260];
  char TreeAdd2[260];
  int32_t TateYoko;
  char OBrowser[260];
  char TreeOpen[151];  // 150 state characters and the terminator
  int32_t fOffLine;
  int32_t fAACheck;
  uint32_t ColorTxt;
  uint32_t ColorBak;
  uint32_t ColorNew;
  uint32_t ColorNum;
  uint32_t ColorNme;
  uint32_t ColorNlk;
  uint32_t ColorTim;
  WindowRect FreeTWnd;
  int32_t TabUnder;
  int32_t NowTSort;
  int32_t NgClearn;
  int32_t HerfMode;
  int32_t HpcAutoW;
  int32_t ClearTyp;
  int32_t BordTopw;
  int32_t CycleTim;
  char STPlayer[260];
  char DlFolder[260];
  int32_t TListMax;
  int32_t NetAtchk;
  int32_t NTPCheck;
  int32_t NTP_Port;
  char NTPSrver[260];
  int32_t MultLine;
  int32_t ListColm;
  char PostHead[200];
  char PostData[200];
  int32_t ZipPack;  // key "_ZipPack": zlib level of stored logs, 0 = plain

  // Run-time state, never written to the file.
  char currentBoardUrl[260];   // thread-index address of the board in the list
  char currentThreadUrl[260];  // address the next open command opens
  char currentThreadTitle[64]; // its title when the opener knows it (the thread list does)
  char viewPageUrl[260];       // address of the page in the front view
  struct {
    uint32_t major, minor, build, platform;
    char servicePack[128];
  } osVersion;
  int32_t screenWidth;
  int32_t screenHeight;
  int32_t treeCategoryCount;  // categories counted against TreeOpen
  uint32_t lineColor;         // view separator line; drawn only when it differs from ColorBak
  uint32_t listColors[6];     // thread-list colour pairs from the key file; 0xFFFFFFFF = unset
  int32_t layoutState[2];
};

// Facts of the running machine that the defaults depend on.
struct SettingsEnvironment {
  const char* programFolder;  // ends in "\"
  int32_t screenWidth;
  int32_t screenHeight;
};

inline constexpr char kUserAgent[] = "Monazilla/1.00 (Kurovel/0.48)";
inline constexpr char kDefaultBoardMenu[] = "http://menu.5ch.net/bbsmenu.html";
inline constexpr char kDefaultNtpServer[] = "ntp.nict.jp";
inline constexpr uint32_t kColorUnset = 0xFFFFFFFFu;

// Zero-fills s and sets every default, in the order of the defaults table.
// The font face is left as the wanted default; the caller runs the font check.
void SetSettingsDefaults(Settings& s, const SettingsEnvironment& env);

// Rectangle of the desktop work area the window position is clamped to.
struct WorkArea {
  int32_t right, bottom;
};

// Reads a settings file's bytes (CR, LF, CR LF or NUL line ends) into s,
// applying every load rule. fontCheck, when given, is run on FontName after
// it is read. The window rectangle is clamped to the work area afterwards.
using FontCheck = void (*)(char* face, size_t cap, void* context);
void ApplySettingsText(Settings& s, const char* text, size_t length, const char* programFolder, const WorkArea& area,
                       FontCheck fontCheck = nullptr, void* fontContext = nullptr);
void ClampWindowRect(WindowRect& r, const WorkArea& area);

// Writes the whole file into out (cap bytes). Returns its length, or 0 when
// cap is too small.
size_t FormatSettingsText(const Settings& s, const char* programFolder, char* out, size_t cap);
inline constexpr size_t kSettingsTextMax = 8192;

// Start-up rules that depend on the screen and the edition.
void ApplyScreenRules(Settings& s, bool forceTreeTypeZero);

// Whether a closing window's rectangle may be stored, and the stored value.
bool SaneWindowRect(const WindowRect& r, int32_t screenWidth, int32_t screenHeight, WindowRect* stored);

}  // namespace kv
