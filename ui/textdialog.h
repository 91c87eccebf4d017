// The title/URL dialog ("log") without its window: the text it shows, its
// size, where its buttons go, what its buttons decide, and the arguments the
// companion programs get.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

// Controls of dialog 109.
enum : int32_t {
  kTdEdit = 1004,
  kTdOpen = 1014,     // "開く"
  kTdBrowser = 1037,  // "ﾌﾞﾗｳｻﾞ" / "ID抽出"
  kTdRavo = 1042,     // "Ravo登録" / "NG:ID"
  kTdSelm = 1043,     // "Selm登録" / "NG:本文"
  kTdRound = 1044,    // "巡回ﾘｽﾄ" / " 抽出"
  kTdConvert = 1045,  // "URL変換" / "DL"
  kTdCopy = 1019,     // "コピー" / "Dask"
  kTdClose = 2,       // "閉じる"
};

inline constexpr int32_t kTextDialogWidth = 480;
inline constexpr int32_t kTextDialogMinHeight = 160;
inline constexpr int32_t kTextDialogMaxHeight = 320;
inline constexpr size_t kTextDialogSpare = 32;
inline constexpr size_t kCompanionFieldMax = 259;
inline constexpr size_t kCompanionArgumentsSize = 2 * kCompanionFieldMax + 8;

// The text as the dialog shows it: a leading TAB and every TAB right after
// a LF dropped, every other TAB a blank. out has room for length + 1 bytes
// (the result is never longer). Returns the length; *lineFeeds gets the
// number of LFs.
size_t PrepareDialogText(const char* text, size_t length, char* out, int32_t* lineFeeds);

// URL mode: the text begins with "http://" (and "https://", which the
// reader also shows as an address).
bool IsUrlText(const char* text, size_t length);

// caption + 16 x lineFeeds + 2 x frame + scroll bar + 64, within 160 .. 320.
int32_t TextDialogHeight(int32_t captionHeight, int32_t lineFeeds, int32_t frame, int32_t scrollBarHeight);

// The dialog's left edge: moved left so that its right edge is no further
// right than the main window's.
int32_t TextDialogLeft(int32_t left, int32_t width, int32_t mainRight);

struct DialogButton {
  int32_t id;
  int32_t x, y, width, height;
  const char* label;  // null: the resource's text
};
struct TextDialogLook {
  bool urlMode;
  bool hasSource;   // a thread view to extract from
  bool download;    // "DL" in place of "URL変換"
  bool dask;        // Dask.lnk is in the program folder
};
// The buttons shown, in two rows above bottom (client pixels, scale S).
// Returns their number (at most 8); every other control of the dialog but
// the edit is hidden.
int32_t TextDialogButtons(const TextDialogLook& look, int32_t scale, int32_t bottom, DialogButton* out);

// The first line (up to CR or LF) and the second one, copied into out (cap
// bytes). Returns the length.
size_t DialogLine(const char* text, size_t length, int index, char* out, size_t cap);
// "DL" rather than "URL変換": the first line holds neither "/dat/" nor "/read.cgi".
bool OffersDownload(const char* firstLine);
// The URL of "開く" and "ﾌﾞﾗｳｻﾞ": the first line cut at its last blank.
void CutAtLastBlank(char* url);
// "開く" takes only these schemes: http, hhtm, hrss, h2ch.
bool OpensInReader(const char* url);
// "開く" hands a 2ch-family address (a host of the family within the first
// 40 bytes, or "/subject.txt") and an "h2ch://" address of a feed, index or
// menu to "ﾌﾞﾗｳｻﾞで開く" (40017) instead of "url jump" (40016).
int32_t OpenCommandFor(const char* url);
// "URL変換": the other form of a thread address; the edit then holds the new
// URL, CR LF, the rest of the text and CR LF. False when there is nothing to
// convert. out has room for cap bytes.
bool ConvertedDialogText(const char* text, size_t length, char* out, size_t cap);

// The text of a thread window's "ﾀｲﾄﾙとURL": the address in its reading
// form, CR LF, the title (commas as ".", at most 100 bytes, up to a control
// byte) and CR LF.
size_t ThreadTitleUrlText(const char* url, const char* title, char* out, size_t cap);

enum CompanionKind : int32_t { kCompanionSelm = 1, kCompanionRavo = 2, kCompanionDask = 4 };
// The parameters a companion gets: "\"title\" \"url\"" (kind 4: the URL
// alone). Each is cut at its first CR; an empty URL is "http://", an empty
// title "NoName". A quote in the title becomes the byte 0xDE, in the URL
// "%22", so no server-given title can close the quotes and add an option;
// each is at most 259 bytes, never half a character.
void CompanionArguments(int32_t kind, const char* url, const char* title, char* out, size_t cap);

}  // namespace kv
