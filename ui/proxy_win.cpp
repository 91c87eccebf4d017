// The proxy dialog: the fields and the list around the rules of ui/proxy.h.
#include "ui/proxy_win.h"

#include <windowsx.h>

#include <initializer_list>

#include "core/app.h"
#include "core/settings.h"
#include "core/sjis_win.h"
#include "core/startup_win.h"
#include "core/text.h"
#include "ui/proxy.h"
#include "ui/tools_res.h"

namespace kv {

namespace {

void FieldText(HWND dialog, int id, char* out, size_t cap) {
  out[0] = 0;
  SjGetWindowText(GetDlgItem(dialog, id), out, cap);
}

// A list box entry as Shift_JIS (empty when it is longer than the entry
// buffer, which no entry this dialog adds is).
void EntryText(HWND list, int index, char* out, size_t cap) {
  out[0] = 0;
  LRESULT n = SendMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR || n < 0 || static_cast<size_t>(n) >= kProxyEntrySize) return;
  TCHAR text[kProxyEntrySize];
  if (SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)) == LB_ERR) return;
  FromPlatformText(text, out, cap);
}

void Init(HWND dialog) {
  const char* proxy = g_settings.Proxyadr;
  char address[kProxyFieldMax + 1], port[kProxyFieldMax + 1];
  SplitProxy(proxy[0] == ' ' ? proxy + 1 : proxy, address, sizeof address, port, sizeof port);
  for (int id : {IDC_PROXY_ADDRESS, IDC_PROXY_PORT}) SendDlgItemMessage(dialog, id, EM_LIMITTEXT, kProxyFieldMax, 0);
  SjSetWindowText(GetDlgItem(dialog, IDC_PROXY_ADDRESS), address);
  SjSetWindowText(GetDlgItem(dialog, IDC_PROXY_PORT), port);
  CheckDlgButton(dialog, IDC_PROXY_USE, ProxyInUse(proxy) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_PROXY_IES, g_settings.ProxyIEs ? BST_CHECKED : BST_UNCHECKED);
  char entries[kProxyListMax][kProxyEntrySize];
  int32_t n = SplitProxyList(g_settings.Proxylst, entries, kProxyListMax);
  HWND list = GetDlgItem(dialog, IDC_PROXY_LIST);
  for (int32_t i = 0; i < n; ++i)
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(entries[i]).get()));
}

void AddEntry(HWND dialog) {
  char address[kProxyFieldMax + 1], port[kProxyFieldMax + 1], entry[kProxyEntrySize];
  FieldText(dialog, IDC_PROXY_ADDRESS, address, sizeof address);
  FieldText(dialog, IDC_PROXY_PORT, port, sizeof port);
  // An entry must fit Proxyadr when it is chosen again, and hold no ",",
  // which would split it in Proxylst.
  if (!ProxyEntry(address, port, entry, sizeof g_settings.Proxyadr)) {
    SjMessageBox(dialog, "このﾌﾟﾛｷｼはﾘｽﾄに登録できません。", "Kurovel", MB_OK);
    return;
  }
  SendDlgItemMessage(dialog, IDC_PROXY_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TextArg(entry).get()));
}

void DeleteEntry(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_PROXY_LIST);
  LRESULT selected = SendMessage(list, LB_GETCURSEL, 0, 0);
  if (selected != LB_ERR) SendMessage(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
}

void TakeEntry(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_PROXY_LIST);
  LRESULT selected = SendMessage(list, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return;
  char entry[kProxyEntrySize], address[kProxyFieldMax + 1], port[kProxyFieldMax + 1];
  EntryText(list, static_cast<int>(selected), entry, sizeof entry);
  SplitProxy(entry, address, sizeof address, port, sizeof port);
  SjSetWindowText(GetDlgItem(dialog, IDC_PROXY_ADDRESS), address);
  SjSetWindowText(GetDlgItem(dialog, IDC_PROXY_PORT), port);
}

// "OK": false keeps the dialog open with nothing changed.
bool Accept(HWND dialog) {
  char address[kProxyFieldMax + 1], port[kProxyFieldMax + 1], proxy[sizeof g_settings.Proxyadr];
  FieldText(dialog, IDC_PROXY_ADDRESS, address, sizeof address);
  FieldText(dialog, IDC_PROXY_PORT, port, sizeof port);
  bool use = IsDlgButtonChecked(dialog, IDC_PROXY_USE) == BST_CHECKED;
  ProxyOk ok = ProxyAddressOf(use, address, port, proxy, sizeof proxy);
  if (ok == ProxyOk::Stay) return false;
  if (ok == ProxyOk::TooLong) {
    SjMessageBox(dialog, "ﾌﾟﾛｷｼのｱﾄﾞﾚｽとﾎﾟｰﾄが長すぎます。", "Kurovel", MB_OK);
    return false;
  }
  HWND list = GetDlgItem(dialog, IDC_PROXY_LIST);
  LRESULT count = SendMessage(list, LB_GETCOUNT, 0, 0);
  char entries[kProxyListMax][kProxyEntrySize];
  const char* pointers[kProxyListMax];
  int32_t n = 0;
  for (int i = 0; i < count && n < kProxyListMax; ++i) {
    EntryText(list, i, entries[n], sizeof entries[n]);
    pointers[n] = entries[n];
    ++n;
  }
  char joined[sizeof g_settings.Proxylst];
  JoinProxyList(pointers, n, joined, sizeof joined);
  g_settings.ProxyIEs = IsDlgButtonChecked(dialog, IDC_PROXY_IES) == BST_CHECKED ? 1 : 0;
  CopyText(g_settings.Proxyadr, proxy);
  CopyText(g_settings.Proxylst, joined);
  return true;
}

INT_PTR CALLBACK ProxyProc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK:
          if (Accept(dialog)) EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 2);
          return TRUE;
        case IDC_PROXY_ADD:
          AddEntry(dialog);
          return TRUE;
        case IDC_PROXY_DELETE:
          DeleteEntry(dialog);
          return TRUE;
        case IDC_PROXY_LIST:
          if (HIWORD(w) == LBN_DBLCLK) TakeEntry(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

int ShowProxyDialog(HWND owner) {
  INT_PTR r = DialogBoxParam(g_instance, MAKEINTRESOURCE(IDD_PROXY), owner, ProxyProc, 0);
  return r == 1 ? 1 : 2;
}

}  // namespace kv
