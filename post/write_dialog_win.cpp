#include "post/write_dialog_win.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "core/address.h"
#include "core/app.h"
#include "core/edition_win.h"
#include "core/eventlog.h"
#include "core/file_win.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/store_win.h"
#include "core/text.h"
#include "net/fetch.h"
#include "post/animate.h"
#include "post/post_resource.h"
#include "post/post_win.h"
#include "post/postform.h"
#include "post/writelog.h"
#include "post/writelog_win.h"
#include "reader/view_win.h"
#include "ui/main_window_win.h"

namespace kv {

namespace {

constexpr UINT_PTR kPostingTimer = 1;
constexpr UINT kPostingTickMs = 1500;
constexpr UINT_PTR kOkTimer = 2;  // the write dialog waits for a routine to end
constexpr char kDiscardQuestion[] = "内容を破棄してよろしいですか？";
constexpr char kAbortQuestion[] = "中断しますか？";

// myword.txt when the user has none.
constexpr const char* kDefaultPhrases[] = {
    "http://",  "PocketPC",   "H/PC",      "(=ﾟωﾟ)ノ",   "(・ω・)ノ",   "ヘ(　`Д)ﾉ",
    "（　´∀｀）", "(´・ω・｀)", "(｀・ω・´)", "（ *・∀・）", "(,,ﾟДﾟ)⊃", "（;´Д｀）ﾉ",
};

struct WriteDialog {
  DownloadJob* job;
  HWND view;
  HFONT font;
  bool posting;  // OK is in the posting window's loop
  bool gone;     // the window went meanwhile (its owner closed)
};

// The dialog's record and its share of the job. A routine still running
// keeps the job through its own reference; the buffers go with the last one.
void Dispose(WriteDialog* d) {
  freeJobBuffers(*d->job);
  releaseJob(d->job);
  if (d->font) DeleteObject(d->font);
  delete d;
}

WriteDialog* StateOf(HWND w) { return reinterpret_cast<WriteDialog*>(GetWindowLongPtr(w, DWLP_USER)); }

void SetItemText(HWND dialog, int id, const char* text) { SjSetWindowText(GetDlgItem(dialog, id), text); }

void AddComboLine(HWND combo, const char* line) {
  SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(line).get()));
}

// Each line of a program-folder file into a combo box.
void FillFromFile(HWND combo, const char* path) {
  FileBuffer file;
  if (!ReadWholeFile(path, 1, &file)) return;
  const char* p = file.data;
  const char* end = file.data + file.size;
  while (p < end) {
    const char* e = p;
    while (e < end && *e != '\r' && *e != '\n') ++e;
    if (e > p) {
      char line[261];
      CopyTextN(line, sizeof line, p, static_cast<size_t>(e - p));
      AddComboLine(combo, line);
    }
    p = e;
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n') ++p;
  }
}

void EnsurePhraseFile(const char* path) {
  if (SjFileExists(path)) return;
  char text[512] = "";
  for (const char* line : kDefaultPhrases) {
    AppendText(text, line);
    AppendText(text, "\r\n");
  }
  StoreFile(path, text, strlen(text), false);
}

void Init(HWND w, DownloadJob& job) {
  char path[MAX_PATH];
  HWND names = GetDlgItem(w, IDC_WR_NAME);
  AddComboLine(names, "");
  FormatText(path, sizeof path, "%sname.txt", g_programFolder);
  FillFromFile(names, path);
  FormatText(path, sizeof path, "%smyword.txt", g_programFolder);
  EnsurePhraseFile(path);
  FillFromFile(GetDlgItem(w, IDC_WR_PHRASE), path);
  SendMessage(GetDlgItem(w, IDC_WR_MAIL), EM_LIMITTEXT, kPostNameMax - 1, 0);
  SetItemText(w, IDC_WR_NAME, job.postName);
  SetItemText(w, IDC_WR_MAIL, job.postMail);
  if (job.title[0] && strcmp(job.title, "?") != 0) {
    SetItemText(w, IDC_WR_LABEL, job.title);
    char caption[160];
    FormatText(caption, sizeof caption, "書込(%.128s)", job.title);
    SjSetWindowText(w, caption);
  } else {
    SetItemText(w, IDC_WR_LABEL, job.url);
  }
}

HFONT MessageFont(HWND w) {
  HDC dc = GetDC(w);
  int points = g_settings.FontSize < 9 ? g_settings.FontSize : 9;
  if (points < 1) points = 9;
  int height = -(points * GetDeviceCaps(dc, LOGPIXELSY) / 72);
  ReleaseDC(w, dc);
  return SjCreateFont(height, FW_NORMAL, SHIFTJIS_CHARSET, g_settings.FontName);
}

// The message box's text, whole, in a new buffer (length in *length).
char* ReadMessage(HWND w, uint32_t* length) {
  HWND edit = GetDlgItem(w, IDC_WR_MESSAGE);
  int chars = GetWindowTextLength(edit);
  if (chars < 0) chars = 0;
  size_t cap = static_cast<size_t>(chars) * 2 + 2;
  char* text = new (std::nothrow) char[cap]();
  if (!text) return nullptr;
  int n = SjGetWindowText(edit, text, cap);
  *length = n > 0 ? static_cast<uint32_t>(n) : 0;
  return text;
}

void InsertPhrase(HWND w) {
  HWND combo = GetDlgItem(w, IDC_WR_PHRASE);
  LRESULT index = SendMessage(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  LRESULT chars = SendMessage(combo, CB_GETLBTEXTLEN, index, 0);
  if (chars == CB_ERR || chars > 260) return;
  TCHAR item[262];
  SendMessage(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item));
  char phrase[261];
  FromPlatformText(item, phrase, sizeof phrase);
  HWND edit = GetDlgItem(w, IDC_WR_MESSAGE);
  DWORD start = 0, end = 0;
  SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SendMessage(edit, EM_SETSEL, start, start);
  SendMessage(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(TextArg(phrase).get()));
  SendMessage(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
  SendMessage(edit, EM_SETSEL, start, end);
  SetFocus(edit);
}

bool RoutineRuns(const DownloadJob& job) { return job.workerRunning.load(); }

// OK stays disabled while a post routine runs: the routine sends the
// message buffer that OK would replace.
void FollowRoutine(HWND w, DownloadJob& job) {
  bool runs = RoutineRuns(job);
  EnableWindow(GetDlgItem(w, IDOK), !runs);
  if (runs)
    SetTimer(w, kOkTimer, 200, nullptr);
  else
    KillTimer(w, kOkTimer);
}

// After a success: the thread window updates itself a second later.
void AskViewToUpdate(const WriteDialog& d) {
  HWND view = d.view;
  if (!view || !IsWindow(view)) return;
  ThreadViewState* v = ViewStateOf(view);
  if (!v) return;
  FocusPane(view);
  if (!v->job) return;
  int32_t state = v->job->state.load();
  if (strcmp(v->job->url, d.job->url) == 0 && state != kJobStarting && state != kJobReceiving)
    SetTimer(view, kViewUpdateTimer, 1000, nullptr);
}

void Ok(HWND w, WriteDialog& d) {
  DownloadJob& job = *d.job;
  if (RoutineRuns(job)) return;
  char name[kPostNameMax], mail[kPostNameMax];
  SjGetWindowText(GetDlgItem(w, IDC_WR_NAME), name, sizeof name);
  SjGetWindowText(GetDlgItem(w, IDC_WR_MAIL), mail, sizeof mail);
  CopyText(job.postName, name);
  CopyText(job.postMail, mail);
  uint32_t length = 0;
  char* message = ReadMessage(w, &length);
  if (!message) {
    SjMessageBox(w, kTextNoMemory, "Kurovel", MB_OK);
    return;
  }
  if (length == 0) {
    delete[] message;
    return;
  }
  // A message the form cannot carry whole is not sent cut short.
  if (!MessageFitsForm(message, length)) {
    delete[] message;
    SjMessageBox(w, kTextPostTooLong, "Kurovel", MB_OK);
    return;
  }
  delete[] job.postBody;
  job.postBody = message;
  job.postBodyLength = length;

  char logAddress[kAddressMax];
  WriteLogAddressOf(job.url, logAddress);
  appendWriteLog(logAddress, job.postName, job.postMail, job.postBody, job.postBodyLength);

  startPostJob(job);
  EnableWindow(GetDlgItem(w, IDOK), FALSE);
  d.posting = true;
  INT_PTR result = RunPostingWindow(w, job);
  d.posting = false;
  if (d.gone) {
    Dispose(&d);
    return;
  }
  if (result == 1 && job.state.load() == kJobDone) {
    AskViewToUpdate(d);
    PostMessage(w, WM_COMMAND, 7, 0);
    return;
  }
  // Anything else leaves the dialog, and the message, for another try.
  FollowRoutine(w, job);
}

void Cancel(HWND w) {
  HWND edit = GetDlgItem(w, IDC_WR_MESSAGE);
  if (GetWindowTextLength(edit) > 0 && SjMessageBox(w, kDiscardQuestion, "write", MB_YESNOCANCEL) != IDYES) return;
  DestroyWindow(w);
}

INT_PTR CALLBACK WriteProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  WriteDialog* d = StateOf(w);
  switch (m) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<WriteDialog*>(lp);
      SetWindowLongPtr(w, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
      Init(w, *d->job);
      d->font = MessageFont(w);
      HWND edit = GetDlgItem(w, IDC_WR_MESSAGE);
      if (d->font) SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(d->font), FALSE);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND:
      if (!d) return FALSE;
      switch (LOWORD(wp)) {
        case IDOK:
          Ok(w, *d);
          return TRUE;
        case IDCANCEL:
          Cancel(w);
          return TRUE;
        case 7:
          DestroyWindow(w);
          return TRUE;
        case IDC_WR_SAGE:
          SetItemText(w, IDC_WR_MAIL, "sage");
          SetFocus(GetDlgItem(w, IDC_WR_MESSAGE));
          return TRUE;
        case IDC_WR_PHRASE:
          if (HIWORD(wp) == CBN_SELENDOK) InsertPhrase(w);
          return TRUE;
        case IDC_WR_COPY:
        case IDC_WR_PASTE:
        case IDC_WR_CUT: {
          HWND edit = GetDlgItem(w, IDC_WR_MESSAGE);
          UINT edit_command = LOWORD(wp) == IDC_WR_COPY ? WM_COPY : LOWORD(wp) == IDC_WR_PASTE ? WM_PASTE : WM_CUT;
          SendMessage(edit, edit_command, 0, 0);
          SetFocus(edit);
          return TRUE;
        }
      }
      return FALSE;
    case WM_TIMER:
      if (d && wp == kOkTimer) FollowRoutine(w, *d->job);
      return TRUE;
    case WM_CLOSE:
      Cancel(w);
      return TRUE;
    case WM_DESTROY:
      if (d) {
        KillTimer(w, kOkTimer);
        SetWindowLongPtr(w, DWLP_USER, 0);
        if (d->posting)
          d->gone = true;  // OK's loop is still using the record
        else
          Dispose(d);
      }
      return FALSE;
  }
  return FALSE;
}

// ---- The posting window ------------------------------------------------------

struct PostingWindow {
  DownloadJob* job;
  HFONT font;
  bool preview;           // 40089: no post, a sentence grows in the text
  int32_t tick;           // the preview sentence's tick
  uint32_t random;
  AnimationState animation;  // each window its own
};

void Animate(HWND w, PostingWindow& p, bool start) {
  if (start) AnimateStart(p.animation, -1, GetTickCount(), GetTickCount() ^ reinterpret_cast<UINT_PTR>(w));
  AnimateStep(p.animation);
  SetItemText(w, IDC_PO_PICTURE, p.animation.picture);
  SetItemText(w, IDC_PO_CAPTION, p.animation.caption);
}

void PreviewTick(HWND w, PostingWindow& p) {
  char text[257];
  SjGetWindowText(GetDlgItem(w, IDC_PO_TEXT), text, sizeof text);
  PreviewSentenceStep(p.tick, &p.random, text, sizeof text);
  p.tick = (p.tick + 1) % 5;
  SetItemText(w, IDC_PO_TEXT, text);
  Animate(w, p, false);
}

// The preview: taller by 32 pixels (times the display scale), its own
// caption, and the buttons "変更" and "閉じる" below the picture.
void ArrangePreview(HWND w) {
  int scale = DisplayScale();
  RECT r;
  GetWindowRect(w, &r);
  SetWindowPos(w, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + 32 * scale, SWP_NOMOVE | SWP_NOZORDER);
  SjSetWindowText(w, "書込ｱﾆﾒ確認");
  HWND change = GetDlgItem(w, IDC_PO_CHANGE), close = GetDlgItem(w, IDC_PO_CLOSE);
  SetWindowPos(change, nullptr, 16, 128 * scale, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(close, nullptr, 160, 128 * scale, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SjSetWindowText(change, "変更");
  SjSetWindowText(close, "閉じる");
  ShowWindow(change, SW_SHOW);
  ShowWindow(close, SW_SHOW);
}

bool Finished(const DownloadJob& job) {
  int32_t s = job.state.load();
  return s == kJobDone || s == kJobFailed || s == kJobIdle;
}

void PostingTick(HWND w, PostingWindow& p) {
  if (p.preview) return PreviewTick(w, p);
  DownloadJob& job = *p.job;
  char status[520];
  copyJobStatus(job, status, sizeof status);
  SetItemText(w, IDC_PO_TEXT, status);
  Animate(w, p, false);
  int32_t state = job.state.load();
  if (state == kJobFailed) {
    KillTimer(w, kPostingTimer);
    char text[800];
    FormatText(text, sizeof text, "%s\r\n%s\r\n%s", status, job.replyTitle, job.replyText);
    SetItemText(w, IDC_PO_TEXT, text);
    ShowWindow(GetDlgItem(w, IDC_PO_PICTURE), SW_HIDE);
    ShowWindow(GetDlgItem(w, IDC_PO_CAPTION), SW_HIDE);
    ShowWindow(GetDlgItem(w, IDCANCEL), SW_SHOW);
  } else if (state == kJobDone) {
    KillTimer(w, kPostingTimer);
    EndDialog(w, 1);
  }
}

INT_PTR CALLBACK PostingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  PostingWindow* p = reinterpret_cast<PostingWindow*>(GetWindowLongPtr(w, DWLP_USER));
  switch (m) {
    case WM_INITDIALOG: {
      p = reinterpret_cast<PostingWindow*>(lp);
      SetWindowLongPtr(w, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
      SetItemText(w, IDC_PO_TEXT, p->job->url);
      ShowWindow(GetDlgItem(w, IDCANCEL), SW_HIDE);
      ShowWindow(GetDlgItem(w, IDC_PO_PICTURE), SW_SHOW);
      ShowWindow(GetDlgItem(w, IDC_PO_CAPTION), SW_SHOW);
      p->font = MessageFont(w);
      if (p->font) SendMessage(GetDlgItem(w, IDC_PO_TEXT), WM_SETFONT, reinterpret_cast<WPARAM>(p->font), FALSE);
      if (p->preview) ArrangePreview(w);
      Animate(w, *p, true);
      SetTimer(w, kPostingTimer, kPostingTickMs, nullptr);
      return TRUE;
    }
    case WM_TIMER:
      if (p && wp == kPostingTimer) PostingTick(w, *p);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wp);
      if (p && p->preview && id == IDC_PO_CHANGE) {
        Animate(w, *p, true);
        return TRUE;
      }
      if (p && p->preview && id == IDC_PO_CLOSE) id = IDCANCEL;
      if (!p || (id != IDOK && id != IDCANCEL)) return FALSE;
      if (Finished(*p->job)) {
        EndDialog(w, p->job->state.load() == kJobDone ? 1 : id);
      } else if (SjMessageBox(w, kAbortQuestion, "Kurovel", MB_YESNO) == IDYES) {
        // Only the window closes: the request already sent is not withdrawn.
        EndDialog(w, id == 1 ? IDCANCEL : id);
      }
      return TRUE;
    }
    case WM_CLOSE:
      SendMessage(w, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    case WM_DESTROY:
      if (p) {
        KillTimer(w, kPostingTimer);
        if (p->font) DeleteObject(p->font);
        p->font = nullptr;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND openWriteDialog(HWND owner, HWND view, const char* address, const char* title) {
  DownloadJob* job = newJob();
  if (!job) return nullptr;
  initJob(*job);
  CopyText(job->url, address ? address : "");
  CopyText(job->title, title ? title : "");
  job->ownerWindow = view;
  WriteDialog* d = new (std::nothrow) WriteDialog{job, view, nullptr, false, false};
  if (!d) {
    releaseJob(job);
    return nullptr;
  }
  HWND w = CreateDialogParam(g_instance, MAKEINTRESOURCE(IDD_WRITE), owner, WriteProc, reinterpret_cast<LPARAM>(d));
  if (!w) {
    WriteEventLog('i', "CreateDialog 114 (%lu)", GetLastError());
    releaseJob(job);
    delete d;
    return nullptr;
  }
  ShowWindow(w, SW_SHOW);
  return w;
}

HWND openWriteDialogFor(HWND owner, HWND view) {
  ThreadViewState* v = view && IsWindow(view) ? ViewStateOf(view) : nullptr;
  if (!v || !v->job || !v->job->url[0]) return nullptr;
  return openWriteDialog(owner, view, v->job->url, v->title);
}

DownloadJob* WriteDialogJob(HWND dialog) {
  WriteDialog* d = dialog ? StateOf(dialog) : nullptr;
  return d ? d->job : nullptr;
}

INT_PTR RunPostingWindow(HWND owner, DownloadJob& job) {
  std::unique_ptr<PostingWindow> p(new (std::nothrow) PostingWindow{});
  if (!p) return IDCANCEL;
  p->job = &job;
  return DialogBoxParam(g_instance, MAKEINTRESOURCE(IDD_POSTING), owner, PostingProc,
                        reinterpret_cast<LPARAM>(p.get()));
}

void PreviewPostingAnimation(HWND owner) {
  // A fresh job that never starts: the address line stays empty.
  DownloadJob* job = newJob();
  if (!job) return;
  initJob(*job);
  std::unique_ptr<PostingWindow> p(new (std::nothrow) PostingWindow{});
  if (p) {
    p->job = job;
    p->preview = true;
    p->random = GetTickCount();
    DialogBoxParam(g_instance, MAKEINTRESOURCE(IDD_POSTING), owner, PostingProc, reinterpret_cast<LPARAM>(p.get()));
  }
  releaseJob(job);
}

}  // namespace kv
