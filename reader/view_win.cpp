#include "reader/view_win.h"

#include <shellapi.h>

#include <cstring>
#include <new>

#include "boards/list_win.h"
#include "core/address.h"
#include "core/address_win.h"
#include "core/app.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "net/job_win.h"
#include "reader/anchor.h"
#include "reader/idle.h"
#include "reader/popup_win.h"
#include "reader/thread_win.h"
#include "ui/bars_win.h"
#include "ui/keys_win.h"
#include "ui/main_window_win.h"
#include "ui/panes_win.h"

namespace kv {

namespace {

int TextWidth(HDC dc, const char* text, size_t length) {
  SIZE s = {0, 0};
  if (length) SjGetTextExtent(dc, text, static_cast<int>(length), &s);
  return s.cx;
}

// ---- state of the run ------------------------------------------------------------

HWND g_slots[kThreadSlots];
LineCache g_lineCache;
IdleMessage g_idle;
uint32_t (*g_clock)() = nullptr;

uint32_t Now() { return g_clock ? g_clock() : GetTickCount(); }

const ThreadListLink kListFunctions = {ReadPositionOf,   RecordReadPosition, ThreadTitleOf,
                                       MarkThreadLoaded, TitleInIndex,       RemoveAcquiredUrl,
                                       SetThreadTitle};
const ThreadListLink* g_link = &kListFunctions;

// What a window holds beyond the view record.
struct ViewWindow {
  ThreadViewState* view;
  JobPoll poll;
  KeyRepeat repeat;
  bool recorded;          // the read position went to the thread list
  DownloadJob* titleJob;  // the title lookup, while the title is unknown
  JobPoll titlePoll;
  bool closing;
  int32_t pressY;  // where the left button went down, for the release test
};

ViewWindow* WindowOf(HWND w) { return reinterpret_cast<ViewWindow*>(GetWindowLongPtr(w, GWLP_USERDATA)); }

class Brush {
 public:
  explicit Brush(COLORREF c) : b_(CreateSolidBrush(c)) {}
  ~Brush() {
    if (b_) DeleteObject(b_);
  }
  Brush(const Brush&) = delete;
  Brush& operator=(const Brush&) = delete;
  void Fill(HDC dc, int left, int top, int right, int bottom) const {
    if (!b_ || right <= left || bottom <= top) return;
    RECT r = {left, top, right, bottom};
    FillRect(dc, &r, b_);
  }

 private:
  HBRUSH b_;
};

// The view fonts of one paint, selected into dc while the object lives.
class PaintFonts {
 public:
  explicit PaintFonts(HDC dc) : dc_(dc) {
    int height = -(g_settings.FontSize * GetDeviceCaps(dc, LOGPIXELSY) / 72);
    BYTE quality = g_settings.ClearTyp == 1 ? CLEARTYPE_QUALITY : DEFAULT_QUALITY;
    normal_ = SjCreateFont(height, FW_NORMAL, SHIFTJIS_CHARSET, g_settings.FontName, quality);
    bold_ = SjCreateFont(height, FW_BOLD, SHIFTJIS_CHARSET, g_settings.FontName, quality);
    old_ = normal_ ? SelectObject(dc, normal_) : nullptr;
  }
  ~PaintFonts() {
    if (old_) SelectObject(dc_, old_);
    if (normal_) DeleteObject(normal_);
    if (bold_) DeleteObject(bold_);
  }
  PaintFonts(const PaintFonts&) = delete;
  PaintFonts& operator=(const PaintFonts&) = delete;
  void Normal() const {
    if (normal_) SelectObject(dc_, normal_);
  }
  void Bold() const {
    if (bold_) SelectObject(dc_, bold_);
  }

 private:
  HDC dc_;
  HFONT normal_, bold_;
  HGDIOBJ old_;
};

void AddRegion(ThreadViewState& v, int& used, int left, int top, int right, int bottom, int32_t line, int32_t kind,
               const char* source) {
  if (used >= kMaxHitRegions) return;  // the lines beyond the hundredth get none
  HitRegion& r = v.hitRegions[used++];
  r.left = left, r.top = top, r.right = right, r.bottom = bottom;
  r.line = line;
  r.kind = kind;
  r.source = source;
}

bool EnsureLineBuffers(ThreadViewState& v) {
  if (!v.lineBuffer) v.lineBuffer = new (std::nothrow) char[kLineBufferSize]();
  if (!v.readBuffer) v.readBuffer = new (std::nothrow) char[kLineBufferSize]();
  return v.lineBuffer && v.readBuffer;
}

void TextAt(HDC dc, int x, int y, COLORREF color, const char* text, size_t length) {
  SetTextColor(dc, color);
  if (length) SjTextOut(dc, x, y, text, static_cast<int>(length));
}

}  // namespace

ThreadViewState* ViewStateOf(HWND window) {
  if (!window) return nullptr;
  if (ThreadWindowSlot(window) < 0) {
    // A window whose slot was already given up (closing) still has its record.
    wchar_t name[16] = L"";
    if (!GetClassNameW(window, name, 16) || wcscmp(name, L"KVEL_T") != 0) return nullptr;
  }
  ViewWindow* w = WindowOf(window);
  return w ? w->view : nullptr;
}

ViewColors CurrentViewColors() {
  const Settings& s = g_settings;
  return ViewColors{s.ColorTxt, s.ColorBak, s.ColorNew, s.ColorNum,
                    s.ColorNme, s.ColorNlk, s.ColorTim, s.lineColor == kColorUnset ? s.ColorBak : s.lineColor};
}

void ClearAllLineCaches() { g_lineCache.Clear(); }

void SetThreadListLink(const ThreadListLink* link) { g_link = link ? link : &kListFunctions; }
void SetViewClock(uint32_t (*clock)()) { g_clock = clock; }

void DrawIdleMessage(HDC dc) {
  SYSTEMTIME local;
  GetLocalTime(&local);
  RemarkClock now{local.wMonth, local.wDay, local.wHour};
  RefreshIdleMessage(g_idle, Now(), now, LibraryRandom);
  RECT box = {4, 4, 4 + 1024, 4 + 768};
  SjDrawText(dc, g_idle.text, static_cast<int>(strlen(g_idle.text)), &box, DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX);
}

int32_t RenderView(ThreadViewState& v, HWND window, HDC dc, const char* text, int32_t length, int32_t topLine,
                   const RECT* clientRect) {
  if (v.building) return 0;
  RECT client;
  if (clientRect)
    client = *clientRect;
  else
    GetClientRect(window, &client);
  const ViewColors c = CurrentViewColors();
  Brush back(c.back);
  SetBkMode(dc, TRANSPARENT);
  if (!text || length <= 15) {
    back.Fill(dc, client.left, client.top, client.right, client.bottom);
    // The view's own face, so that the Japanese of the message shows.
    PaintFonts fonts(dc);
    SetTextColor(dc, c.text);
    if (!text)
      DrawIdleMessage(dc);
    else
      SjTextOut(dc, client.left, client.top, " 0KB", 4);
    return 0;
  }
  if (!EnsureLineBuffers(v)) return 0;

  PaintFonts fonts(dc);
  SIZE ag = {0, 0};
  SjGetTextExtent(dc, "Ag", 2, &ag);
  v.lineSize.cx = ag.cx;
  v.lineSize.cy = ag.cy + 1;
  const int lh = v.lineSize.cy;
  memset(v.hitRegions, 0, sizeof v.hitRegions);
  int regions = 0;

  const int scale = DisplayScale();
  const bool narrow = NarrowLayout(client.right - client.left, scale);
  const int left = client.left + v.xOffset;
  const int right = client.right;
  const int aaMode = g_settings.fAACheck;

  int32_t post = StartPostFor(v, topLine);
  int32_t pos = post ? v.postStart[post] : 0;
  int32_t counter = post ? v.postLine[post] : 0;
  int y = client.top;
  int ruleY = -1;
  int32_t lastLine = counter;

  while (y < client.bottom && pos < length) {
    int32_t end = pos;
    while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
    int32_t next = end;
    if (next < length && text[next] == '\r') ++next;
    if (next < length && text[next] == '\n') ++next;
    const int32_t lineStart = pos;
    pos = next;
    ++counter;
    lastLine = counter;
    if (counter <= topLine) continue;

    size_t n = SjisCutLength(text + lineStart, static_cast<size_t>(end - lineStart), kRecordMax);
    const char* line;
    if (n >= kCachedLineMin) {
      line = g_lineCache.Find(v.cacheKey, lineStart, &n, text);
      if (!line) line = g_lineCache.Store(v.cacheKey, lineStart, text + lineStart, n, text);
    } else {
      memcpy(v.readBuffer, text + lineStart, n);
      v.readBuffer[n] = 0;
      line = v.readBuffer;
    }
    if (n == 0) {
      v.lineBuffer[0] = ' ';
      v.lineBuffer[1] = 0;
      line = v.lineBuffer;
      n = 1;
    }
    const char* source = text + lineStart;

    if (line[0] == '\t') {
      TextSpan f[4];
      SplitHeader(line, n, f);
      if (f[3].length && f[3].data[0] == '}') continue;  // a page block's header
      int x = left;
      int rowAdvance = lh + 1;
      back.Fill(dc, x, y, right, y + (narrow ? 2 * rowAdvance : rowAdvance));
      fonts.Normal();
      int numberWidth = TextWidth(dc, f[0].data, f[0].length);
      TextAt(dc, x + 4, y, NumberColor(c, counter, v.readMark), f[0].data, f[0].length);
      int cx = x + 4 + numberWidth;
      TextAt(dc, cx, y, c.text, " :", 2);
      cx += TextWidth(dc, " :", 2);
      fonts.Bold();
      TextAt(dc, cx, y, NameColor(c, f[2].length), f[1].data, f[1].length);
      cx += TextWidth(dc, f[1].data, f[1].length);
      fonts.Normal();
      if (f[2].length) {
        TextAt(dc, cx, y, c.text, " ", 1);
        cx += TextWidth(dc, " ", 1);
        TextAt(dc, cx, y, c.nameLink, f[2].data, f[2].length);
        cx += TextWidth(dc, f[2].data, f[2].length);
      }
      int dateY = y;
      if (narrow) {
        dateY = y + rowAdvance;
        cx = left + kNarrowIndent * scale;
      }
      TextAt(dc, cx, dateY, c.text, " :", 2);
      cx += TextWidth(dc, " :", 2);
      TextAt(dc, cx, dateY, c.time, f[3].data, f[3].length);
      AddRegion(v, regions, x + 4, y, 1024 + numberWidth + 4, y + lh, counter, 0, source);
      y = dateY + rowAdvance;
    } else {
      bool art = IsArtLine(line, n, aaMode);
      RECT box = {left + 4, y, right - 4, client.bottom};
      if (art) box.right = box.left + kArtBoxWidth;
      COLORREF color = BodyColor(c, line, n);
      if (UsesSystemLayout(n, art)) {
        RECT measured = box;
        int h = SjDrawText(dc, line, static_cast<int>(n), &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        if (h <= 0) h = lh;
        AddRegion(v, regions, box.left, y, measured.right, y + h, counter, 1, source);
        back.Fill(dc, left, y, right, y + h);
        SetTextColor(dc, color);
        if (art) {
          SjTextOut(dc, box.left, y, line, static_cast<int>(n));
        } else {
          RECT draw = box;
          int drawn = SjDrawText(dc, line, static_cast<int>(n), &draw, DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
          if (drawn > 0) h = drawn;
        }
        y += h;
      } else {
        int32_t extents[kSystemLayoutBytes];
        uint16_t rows[kSystemLayoutBytes];
        SjByteExtents(dc, line, static_cast<int>(n), extents);
        int32_t available = (box.right - box.left) - v.lineSize.cx / 2;
        size_t count = WrapRows(line, extents, n, available, rows, kSystemLayoutBytes);
        int top = y;
        for (size_t r = 0; r < count && y < client.bottom; ++r) {
          size_t from = rows[r];
          size_t to = r + 1 < count ? rows[r + 1] : n;
          back.Fill(dc, box.left - 4, y, right, y + lh);
          TextAt(dc, box.left, y, color, line + from, to - from);
          y += lh;
        }
        AddRegion(v, regions, box.left, top, box.right, y, counter, 1, source);
      }
    }
    if (counter == v.cursorLine) ruleY = y;
  }

  if (ruleY >= 0 && DrawsCursorRule(c)) {
    HPEN pen = CreatePen(PS_SOLID, 1, c.rule);
    if (pen) {
      HGDIOBJ old = SelectObject(dc, pen);
      MoveToEx(dc, client.left, ruleY, nullptr);
      LineTo(dc, client.right, ruleY);
      SelectObject(dc, old);
      DeleteObject(pen);
    }
  }
  back.Fill(dc, client.left, y, client.right, client.bottom);
  return DrawnLines(lastLine, topLine);
}

// ---- the window -------------------------------------------------------------------

namespace {

void Repaint(HWND w, ThreadViewState& v) {
  HDC dc = GetDC(w);
  if (!dc) return;
  v.visibleLines = RenderView(v, w, dc, v.text, v.textLength, v.topLine);
  ReleaseDC(w, dc);
}

// Key and wheel moves: the cursor rule follows, and the view repaints now.
void MoveBy(HWND w, ThreadViewState& v, int32_t newTop) {
  int32_t delta = newTop - v.topLine;
  if (!delta) return;
  v.topLine = newTop;
  v.cursorLine += delta;
  SetScrollPos(w, SB_VERT, v.topLine, TRUE);
  Repaint(w, v);
}

// Scroll-bar moves: the window is invalidated.
void BarTo(HWND w, ThreadViewState& v, int32_t newTop) {
  if (newTop == v.topLine) return;
  v.topLine = newTop;
  SetScrollPos(w, SB_VERT, v.topLine, TRUE);
  InvalidateRect(w, nullptr, FALSE);
}

void SetX(HWND w, ThreadViewState& v, int32_t x, bool repaintNow) {
  if (x == v.xOffset) return;
  v.xOffset = x;
  SetScrollPos(w, SB_HORZ, -x, TRUE);
  if (repaintNow)
    Repaint(w, v);
  else
    InvalidateRect(w, nullptr, FALSE);
}

void SetTitle(HWND w, ThreadViewState& v, const char* title) {
  CopyText(v.title, title && title[0] ? title : "?");
  RenameTab(w, v.title);
  SjSetWindowText(w, v.title);
}

// Every rebuild: the drawn-line cache may hold lines of the old text at the
// same offsets, so this view's entries go.
bool Reload(HWND w, ThreadViewState& v, bool fromMemory) {
  bool ok;
  ViewBuildResult result;
  if (fromMemory) {
    JobDataLock held(*v.job);
    if (!held.data() || held.size() == 0) {
      ok = LoadThreadIntoView(v, w, v.job->url, false, nullptr, 0, &result);
    } else {
      ok = LoadThreadIntoView(v, w, v.job->url, true, held.data(), held.size(), &result);
    }
  } else {
    ok = LoadThreadIntoView(v, w, v.job->url, false, nullptr, 0, &result);
  }
  g_lineCache.ClearKey(v.cacheKey);
  if (ok && result.titleChanged) RenameTab(w, v.title);
  SetScrollPos(w, SB_VERT, v.topLine, TRUE);
  InvalidateRect(w, nullptr, FALSE);
  return ok;
}

void StartDownload(HWND w, ViewWindow& vw) {
  ThreadViewState& v = *vw.view;
  // A whole re-fetch (40026) asked for applies to this start only.
  bool whole = v.job->refetchWhole.exchange(false);
  if (g_settings.fOffLine || !g_bars.status || !v.job->url[0]) return;
  if (!IsWindowVisible(g_bars.status)) {
    ShowWindow(g_bars.status, SW_SHOW);
    if (g_mainWindow) PostMessage(g_mainWindow, WM_SIZE, 0, 0);
  }
  v.job->ReadType = ThreadReadType(v.job->url);
  v.job->refetchWhole = whole;
  if (startJob(*v.job))
    vw.poll.start(w, kViewPollTimer);
  else
    v.job->refetchWhole = false;
}

// A title lookup in the board's index, for a thread whose title nobody knew.
void StartTitleLookup(HWND w, ViewWindow& vw) {
  ThreadViewState& v = *vw.view;
  char index[kAddressMax];
  if (v.title[0] != '?' || !TitleIndexUrl(v.job->url, index, sizeof index)) return;
  if (!vw.titleJob) vw.titleJob = newJob();
  if (!vw.titleJob) return;
  DownloadJob& job = *vw.titleJob;
  int32_t state = job.state.load();
  if (state == kJobStarting || state == kJobReceiving) return;
  CopyText(job.url, index);
  job.ReadType = kReadTitleLookup;
  job.noMerge = 1;
  job.ownerWindow = w;
  if (startJob(job)) vw.titlePoll.start(w, kViewTitleTimer);
}

void TitleTick(HWND w, ViewWindow& vw) {
  if (!vw.titleJob) return;
  DownloadJob& job = *vw.titleJob;
  char status[520];
  switch (vw.titlePoll.tick(job)) {
    case PollStep::Failed:
    case PollStep::Status:
      copyJobStatus(job, status, sizeof status);
      SetStatus(status);
      break;
    case PollStep::Done: {
      char title[260];
      bool found;
      {
        JobDataLock held(job);
        found = held.data() && g_link->titleInIndex(held.data(), held.size(), vw.view->cacheKey, title, sizeof title);
      }
      if (found && vw.view->title[0] == '?') {
        SetTitle(w, *vw.view, title);
        if (g_link->titleFound) g_link->titleFound(vw.view->job->url, title);
      }
      break;
    }
    default:
      break;
  }
}

void Open(HWND w, ViewWindow& vw) {
  ThreadViewState& v = *vw.view;
  const char* url = g_settings.currentThreadUrl;
  v.cacheKey = CacheKeyOf(url);
  char title[260];
  if (g_settings.currentThreadTitle[0])
    CopyText(title, g_settings.currentThreadTitle);
  else
    g_link->titleOf(url, title, sizeof title);
  CopyText(v.job->url, url);
  SetTitle(w, v, title);
  StartTitleLookup(w, vw);
  g_settings.currentThreadUrl[0] = 0;
  g_settings.currentThreadTitle[0] = 0;
  Reload(w, v, false);
  v.topLine = OpeningTopLine(v, -1);
  v.readMark = v.topLine + 1;
  int32_t saved = g_link->readPositionOf(v.job->url);
  if (saved >= 0 && saved < v.postCount) v.topLine = OpeningTopLine(v, saved);
  SetScrollPos(w, SB_VERT, v.topLine, TRUE);
  StartDownload(w, vw);
  v.cursorLine = v.topLine + 2;
}

void Update(HWND w, ViewWindow& vw) {
  ThreadViewState& v = *vw.view;
  v.readMark = v.topLine + 1;
  Reload(w, v, false);
  StartDownload(w, vw);
  v.cursorLine = v.topLine + 2;
}

bool LocalLogPath(const char* url, char* path, size_t cap) {
  if (!url[0] || cap < kAddressMax) return false;
  CopyText(path, cap, url);
  return LocalPathOf(path, g_settings.ChFolder);
}

void DeleteThread(HWND w, ThreadViewState& v) {
  char path[kAddressMax];
  if (LocalLogPath(v.job->url, path, sizeof path) && SjFileExists(path)) {
    char question[600];
    FormatText(question, sizeof question, "%s\r\n%s", v.title, v.job->url);
    int answer = SjMessageBox(w, question, "削除していい？", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES) {
      SetFocus(w);
      return;
    }
    if (!SjDeleteFile(path)) {
      // Still there: the thread stays in the lists and the view stays open.
      WriteEventLog('e', "delete %.200s: %lu", path, static_cast<unsigned long>(GetLastError()));
      SetFocus(w);  // (shows the title in the status bar, so it comes first)
      SetStatus(kTextDeleteFailed);
      return;
    }
  }
  if (v.job->url[0]) g_link->forget(v.job->url);
  if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40012, 0);
}

void PollTick(HWND w, ViewWindow& vw) {
  ThreadViewState& v = *vw.view;
  DownloadJob& job = *v.job;
  char status[520];
  switch (vw.poll.tick(job)) {
    case PollStep::Quiet:
      break;
    case PollStep::Failed:
    case PollStep::Status:
      copyJobStatus(job, status, sizeof status);
      SetStatus(status);
      break;
    case PollStep::Progress:
      FormatText(status, sizeof status, "ﾀﾞｳﾝﾛｰﾄﾞ: %u / %u", job.receivedSize.load(), job.expectedSize.load());
      SetStatus(status);
      if (g_panes.currentThread == w) PostMessage(w, WM_COMMAND, 40009, 0);
      break;
    case PollStep::Done:
      copyJobStatus(job, status, sizeof status);
      SetStatus(status);
      if (job.logChanged.load()) {
        job.logChanged = 0;
        PostMessage(w, WM_COMMAND, 40026, 0);
      } else {
        PostMessage(w, WM_COMMAND, 40009, 0);
      }
      break;
  }
}

void Command(HWND w, ViewWindow& vw, WPARAM wp, LPARAM lp) {
  ThreadViewState& v = *vw.view;
  int command = LOWORD(wp);
  switch (command) {
    case 40008:
      Open(w, vw);
      return;
    case 40027:
      Update(w, vw);
      return;
    case 40009:
      if (lp == 501) {
        Reload(w, v, false);
        return;
      }
      if (v.building && lp != 500) return;
      g_link->markLoaded(v.job->url);
      Reload(w, v, true);
      return;
    case 40026:
      // The log is fetched whole; the worker sets the local copy aside
      // rather than deleting it here, so a failed fetch gives it back.
      if (!v.job->url[0]) return;
      v.job->refetchWhole = true;
      PostMessage(w, WM_COMMAND, 40027, 0);
      return;
    case 40021:
      DeleteThread(w, v);
      return;
    case 40056:
      OpenViewTitleUrl(v);
      return;
    case 40018:  // the in-thread search comes with the search dialogs
      return;
    case 40111:
      ActivateAtCursor(v, w);
      return;
    default:
      if (g_mainWindow) SendMessage(g_mainWindow, WM_COMMAND, wp, lp);
      return;
  }
}

void Act(HWND w, ViewWindow& vw, ViewKey action, int32_t key) {
  ThreadViewState& v = *vw.view;
  switch (action) {
    case ViewKey::LineUp:
    case ViewKey::LineDown: {
      int32_t lines = vw.repeat.Press(key, Now());
      MoveBy(w, v,
             ScrollVertical(VScroll::Lines, v.topLine, v.lineCount, v.visibleLines,
                            action == ViewKey::LineUp ? -lines : lines));
      return;
    }
    case ViewKey::PageUp:
      MoveBy(w, v, ScrollVertical(VScroll::PageUp, v.topLine, v.lineCount, v.visibleLines));
      return;
    case ViewKey::PageDown:
      MoveBy(w, v, ScrollVertical(VScroll::KeyPageDown, v.topLine, v.lineCount, v.visibleLines));
      return;
    case ViewKey::Home:
      MoveBy(w, v, ScrollVertical(VScroll::HomeKey, v.topLine, v.lineCount, v.visibleLines));
      return;
    case ViewKey::End:
      MoveBy(w, v, ScrollVertical(VScroll::EndKey, v.topLine, v.lineCount, v.visibleLines));
      return;
    case ViewKey::Left:
      SetX(w, v, ScrollHorizontal(HScroll::LeftKey, v.xOffset), true);
      return;
    case ViewKey::Right:
      SetX(w, v, ScrollHorizontal(HScroll::RightKey, v.xOffset), true);
      return;
    case ViewKey::NextPane:
      if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40025, 0);
      return;
    case ViewKey::PrevPane:
      if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40055, 0);
      return;
    case ViewKey::Close:
      if (g_mainWindow) PostMessage(g_mainWindow, WM_COMMAND, 40012, 0);
      return;
    case ViewKey::Menu:
      PostMessage(w, WM_RBUTTONUP, 0, 0);  // at the view's top-left corner
      return;
    case ViewKey::Itself:
    case ViewKey::Nothing:
      return;
  }
}

void KeyDown(HWND w, ViewWindow& vw, int key) {
  bool lr = g_settings.LRkeyPUD != 0;
  int command = LookUpKey(g_keys, key, kKeysView);
  if (command) {
    if (IsMovementCommand(command)) {
      ViewKey action = MovementAction(command, lr);
      int movedKey = command == 51 ? kKeyUp : command == 52 ? kKeyDown : key;
      Act(w, vw, action, movedKey);
    } else {
      SendMessage(w, WM_COMMAND, command, 0);
    }
    return;
  }
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  Act(w, vw, MapViewKey(key, ctrl, shift, lr), key);
}

// The message carries 16 bits of the position; a longer range is read from
// the bar while it is dragged.
int32_t ThumbPosition(HWND w, int bar, WPARAM wp) {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS | SIF_RANGE;
  if (GetScrollInfo(w, bar, &si) && si.nMax > 0xFFFF) return si.nTrackPos;
  return HIWORD(wp);
}

void VScrollBar(HWND w, ThreadViewState& v, WPARAM wp) {
  int code = LOWORD(wp);
  VScroll input;
  int32_t arg = 0;
  switch (code) {
    case SB_LINEUP:
      input = VScroll::BarLineUp;
      break;
    case SB_LINEDOWN:
      input = VScroll::BarLineDown;
      break;
    case SB_PAGEUP:
      input = VScroll::PageUp;
      break;
    case SB_PAGEDOWN:
      input = VScroll::BarPageDown;
      break;
    case SB_TOP:
      input = VScroll::BarTop;
      break;
    case SB_BOTTOM:
      input = VScroll::BarBottom;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      input = VScroll::Thumb;
      arg = ThumbPosition(w, SB_VERT, wp);
      break;
    default:
      return;
  }
  BarTo(w, v, ScrollVertical(input, v.topLine, v.lineCount, v.visibleLines, arg));
}

void HScrollBar(HWND w, ThreadViewState& v, WPARAM wp) {
  int code = LOWORD(wp);
  HScroll input;
  int32_t thumb = 0;
  switch (code) {
    case SB_LINELEFT:
      input = HScroll::LineLeft;
      break;
    case SB_LINERIGHT:
      input = HScroll::LineRight;
      break;
    case SB_PAGELEFT:
      input = HScroll::PageLeft;
      break;
    case SB_PAGERIGHT:
      input = HScroll::PageRight;
      break;
    case SB_LEFT:
      input = HScroll::LeftEnd;
      break;
    case SB_RIGHT:
      input = HScroll::RightEnd;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      input = HScroll::Thumb;
      thumb = ThumbPosition(w, SB_HORZ, wp);
      break;
    default:
      return;
  }
  SetX(w, v, ScrollHorizontal(input, v.xOffset, thumb), false);
}

void Focused(HWND w, ThreadViewState& v) {
  v.focused = 1;
  g_panes.currentThread = w;
  CopyText(g_settings.viewPageUrl, v.job->url);
  if (v.job->url[0]) {
    char shown[kAddressMax];
    CopyText(shown, v.job->url);
    ToReadUrl(shown);
    ShowAddress(shown);
  }
  if (v.title[0] != '?') SetStatus(v.title);
}

void BeginClose(HWND w, ViewWindow& vw) {
  if (vw.closing) return;
  vw.closing = true;
  RemoveTab(w);
  LONG_PTR style = GetWindowLongPtr(w, GWL_STYLE);
  if (!(style & WS_CHILD) && g_settings.FreeTWnd.width && g_settings.FreeTWnd.height) {
    RECT r;
    if (GetWindowRect(w, &r)) g_settings.FreeTWnd = WindowRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  ShowWindow(w, SW_HIDE);
  vw.view->job->abortRequested = 1;
  SetTimer(w, kViewCloseTimer, 1000, nullptr);
}

void RecordPosition(ViewWindow& vw) {
  ThreadViewState& v = *vw.view;
  if (vw.recorded || !v.job->url[0]) return;
  vw.recorded = true;
  g_link->recordReadPosition(v.job->url, v.title, ReadPositionAt(v, v.topLine), v.postCount - 1);
}

void FinishClose(HWND w, ViewWindow& vw) {
  KillTimer(w, kViewCloseTimer);
  ThreadViewState& v = *vw.view;
  RecordPosition(vw);
  int32_t state = v.job->state.load();
  if (state == kJobStarting || state == kJobReceiving) {
    cancelJob(*v.job);
    Sleep(100);
  }
  DestroyWindow(w);
}

void Destroyed(HWND w, ViewWindow* vw) {
  for (HWND& s : g_slots)
    if (s == w) s = nullptr;
  if (g_panes.currentThread == w) g_panes.currentThread = nullptr;
  SetWindowLongPtr(w, GWLP_USERDATA, 0);
  if (!vw) return;
  // Destroyed with its parent before the close timer came: the position
  // still goes to the list.
  if (vw->closing) RecordPosition(*vw);
  vw->poll.stop();
  vw->titlePoll.stop();
  if (vw->titleJob) {
    cancelJob(*vw->titleJob);
    releaseJob(vw->titleJob);  // a worker still running keeps the record
  }
  ThreadViewState* v = vw->view;
  if (v) {
    if (v->job) releaseJob(v->job);
    FreeViewText(*v);
    delete[] v->lineBuffer;
    delete[] v->readBuffer;
    delete v;
  }
  delete vw;
}

// ---- the pointer: a click activates a line, a drag in the right half scrolls

POINT PointOf(LPARAM lp) { return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }

int32_t ClientWidth(HWND w) {
  RECT r;
  GetClientRect(w, &r);
  return r.right - r.left;
}

void LeftDown(HWND w, ViewWindow& vw, LPARAM lp) {
  ThreadViewState& v = *vw.view;
  POINT pt = PointOf(lp);
  vw.pressY = pt.y;
  if (const HitRegion* r = HitTest(v, pt.x, pt.y)) {
    v.cursorLine = r->line;
    Repaint(w, v);
  }
  if (GetKeyState(VK_MENU) < 0) {
    PostMessage(w, WM_RBUTTONUP, 0, lp);  // the context menu, as the right button opens it
    return;
  }
  v.dragging = 1;
  v.dragX = pt.x;
  v.dragY = pt.y;
  SetCapture(w);
}

void DragMove(HWND w, ThreadViewState& v, LPARAM lp) {
  if (!v.dragging) return;
  POINT pt = PointOf(lp);
  int32_t top = DragScrollTop(v.topLine, v.lineCount, v.dragY, pt.x, pt.y, ClientWidth(w));
  if (top == v.topLine) return;
  v.topLine = top;
  v.dragX = pt.x;
  v.dragY = pt.y;
  SetScrollPos(w, SB_VERT, v.topLine, TRUE);
  Repaint(w, v);
}

void LeftUp(HWND w, ViewWindow& vw, LPARAM lp) {
  ThreadViewState& v = *vw.view;
  if (!v.dragging) return;
  v.dragging = 0;
  ReleaseCapture();
  POINT pt = PointOf(lp);
  if (!ReleaseIsClick(vw.pressY, pt.x, pt.y, ClientWidth(w))) return;
  if (const HitRegion* r = HitTest(v, pt.x, pt.y)) ActivateRegion(v, w, static_cast<int32_t>(r - v.hitRegions));
}

LRESULT CALLBACK ViewProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  ViewWindow* vw = WindowOf(w);
  switch (m) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
      int slot = static_cast<int>(reinterpret_cast<INT_PTR>(cs->lpCreateParams));
      vw = new (std::nothrow) ViewWindow{};
      ThreadViewState* v = new (std::nothrow) ThreadViewState{};
      DownloadJob* job = newJob();
      if (!vw || !v || !job) {
        delete vw;
        delete v;
        if (job) releaseJob(job);
        return -1;
      }
      vw->view = v;
      v->job = job;
      job->ownerWindow = w;
      v->slot = slot;
      v->title[0] = '?';
      SetWindowLongPtr(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(vw));
      if (slot != 0) {
        char label[16];
        FormatText(label, sizeof label, "#%d", slot);
        AddTab(label, w);
      }
      SetScrollRange(w, SB_VERT, 0, ScrollRangeTop(v->lineCount), FALSE);
      if (g_settings.LRkeyPUD) SetScrollRange(w, SB_HORZ, 0, 1024, FALSE);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      if (vw)
        vw->view->visibleLines = RenderView(*vw->view, w, dc, vw->view->text, vw->view->textLength, vw->view->topLine);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (vw) Command(w, *vw, wp, lp);
      return 0;
    case WM_TIMER:
      if (!vw) return 0;
      if (wp == kViewPollTimer) {
        PollTick(w, *vw);
      } else if (wp == kViewTitleTimer) {
        TitleTick(w, *vw);
      } else if (wp == kViewCloseTimer) {
        FinishClose(w, *vw);
      } else if (wp == kViewUpdateTimer) {
        KillTimer(w, kViewUpdateTimer);
        SendMessage(w, WM_COMMAND, 40027, 0);
      }
      return 0;
    case WM_VSCROLL:
      if (vw) VScrollBar(w, *vw->view, wp);
      return 0;
    case WM_HSCROLL:
      if (vw) HScrollBar(w, *vw->view, wp);
      return 0;
    case WM_MOUSEWHEEL:
      if (vw) {
        int delta = GET_WHEEL_DELTA_WPARAM(wp);
        int notches = delta / WHEEL_DELTA;
        if (!notches) notches = delta > 0 ? 1 : -1;
        // Rotated toward the user (a negative delta) moves toward the end.
        ThreadViewState& v = *vw->view;
        MoveBy(w, v, ScrollVertical(VScroll::Wheel, v.topLine, v.lineCount, v.visibleLines, -notches));
      }
      return 0;
    case WM_KEYDOWN:
      if (vw) KeyDown(w, *vw, static_cast<int>(wp));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_SETFOCUS:
      if (vw) Focused(w, *vw->view);
      return 0;
    case WM_KILLFOCUS:
      if (vw) vw->view->focused = 0;
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(w);
      if (vw) LeftDown(w, *vw, lp);
      return 0;
    case WM_MOUSEMOVE:
      if (vw) DragMove(w, *vw->view, lp);
      return 0;
    case WM_LBUTTONUP:
      if (vw) LeftUp(w, *vw, lp);
      return 0;
    case WM_CAPTURECHANGED:
      if (vw) vw->view->dragging = 0;
      return 0;
    case WM_LBUTTONDBLCLK:
      if (vw) Repaint(w, *vw->view);
      return 0;
    case WM_RBUTTONDOWN:
      SetFocus(w);
      return 0;
    case WM_RBUTTONUP:
      // The main pop-up menu, at this point of the view.
      if (g_mainWindow) {
        POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        MapWindowPoints(w, g_mainWindow, &pt, 1);
        PostMessage(g_mainWindow, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
      }
      return 0;
    case WM_DROPFILES:
      DragFinish(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_CLOSE:
      if (vw) BeginClose(w, *vw);
      return 0;
    case WM_DESTROY:
      Destroyed(w, vw);
      return 0;
    default:
      return SjDefWindowProc(w, m, wp, lp);
  }
}

bool RegisterViewClass() {
  static bool registered = false;
  if (registered) return true;
  HICON icon = LoadIcon(g_instance, MAKEINTRESOURCE(101));
  registered = SjRegisterClass(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, ViewProc, g_instance, icon,
                               LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr, kViewClass) != 0;
  return registered;
}

HWND CreateView(HWND parent, int slot) {
  if (!RegisterViewClass()) return nullptr;
  const WindowRect& f = g_settings.FreeTWnd;
  DWORD scroll = WS_VSCROLL | (g_settings.LRkeyPUD ? WS_HSCROLL : 0);
  DWORD ex = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
  void* param = reinterpret_cast<void*>(static_cast<INT_PTR>(slot));
  if (slot != 0 && f.width && f.height)
    return SjCreateWindowEx(ex, kViewClass, "Kurovel", WS_OVERLAPPEDWINDOW | scroll, f.left, f.top, f.width, f.height,
                            parent, nullptr, g_instance, param);
  // A docked view takes the place of the one in slot 0 until the main
  // window's layout places it.
  RECT r = {0, 0, 100, 100};
  if (g_slots[0] && slot != 0 && GetParent(g_slots[0]) == parent) {
    GetWindowRect(g_slots[0], &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  return SjCreateWindowEx(ex, kViewClass, "Kurovel", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | scroll, r.left, r.top,
                          r.right - r.left, r.bottom - r.top, parent, nullptr, g_instance, param);
}

}  // namespace

// ---- the slot table (ui/panes_win.h) ---------------------------------------------------

HWND CreateDockedThreadView(HWND main) {
  if (g_slots[0] && IsWindow(g_slots[0])) return g_slots[0];
  g_slots[0] = CreateView(main, 0);
  return g_slots[0];
}

HWND FindOrCreateThreadWindow(HWND parent, const char* url) {
  if (!url) return nullptr;
  for (int s = 1; s < kThreadSlots; ++s) {
    ThreadViewState* v = g_slots[s] ? ViewStateOf(g_slots[s]) : nullptr;
    if (v && strcmp(v->job->url, url) == 0) return g_slots[s];
  }
  for (int s = 1; s < kThreadSlots; ++s) {
    if (g_slots[s]) continue;
    HWND w = CreateView(parent, s);
    if (!w) return nullptr;
    g_slots[s] = w;
    if (g_mainWindow && parent == g_mainWindow) PostMessage(g_mainWindow, WM_SIZE, 0, 0);
    return w;
  }
  return nullptr;  // no free slot: the thread is not opened
}

void CloseThreadWindow(HWND window) {
  if (!window) return;
  SendMessage(window, WM_CLOSE, 0, 0);
  for (int s = 1; s < kThreadSlots; ++s)
    if (g_slots[s] == window) g_slots[s] = nullptr;
}

void CloseAllThreadWindows() {
  for (int s = 1; s < kThreadSlots; ++s) {
    if (!g_slots[s]) continue;
    CloseThreadWindow(g_slots[s]);
    Sleep(0);
  }
}

void FinishClosingThreadWindows() {
  for (int s = 1; s < kThreadSlots; ++s) {
    HWND w = g_slots[s];
    ViewWindow* vw = w ? WindowOf(w) : nullptr;
    if (vw && vw->closing) FinishClose(w, *vw);
  }
}

HWND ThreadWindowInSlot(int slot) { return slot >= 0 && slot < kThreadSlots ? g_slots[slot] : nullptr; }

int ThreadWindowSlot(HWND window) {
  if (!window) return -1;
  for (int s = 0; s < kThreadSlots; ++s)
    if (g_slots[s] == window) return s;
  return -1;
}

bool ThreadWindowDownloading(HWND window) {
  ThreadViewState* v = ViewStateOf(window);
  if (!v || !v->job) return false;
  int32_t state = v->job->state.load();
  return state == kJobStarting || state == kJobReceiving;
}

}  // namespace kv
