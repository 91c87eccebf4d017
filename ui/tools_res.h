// Resource numbers of the tools' dialogs: the search dialog, the text
// editor and the proxy dialog. Dialog and control numbers are fixed.
#pragma once

#define IDD_SEARCH 116  // "検索": in-thread, title, board and web search
#define IDC_SEARCH_TEXT 1017
#define IDC_TOOL_COPY 1055  // "コピー", "貼り付け", "切り取り" (search and editor)
#define IDC_TOOL_PASTE 1056
#define IDC_TOOL_CUT 1057

#define IDD_EDITOR 120  // "メモ"
#define IDC_EDITOR_NAME 1008
#define IDC_EDITOR_TEXT 1012
#define IDC_EDITOR_NEW 1023
#define IDC_EDITOR_LOAD 1024
#define IDC_EDITOR_SAVE 1025

#define IDD_PROXY 111  // "proxy"
#define IDC_PROXY_USE 1005
#define IDC_PROXY_LIST 1006
#define IDC_PROXY_ADDRESS 1007
#define IDC_PROXY_PORT 1009
#define IDC_PROXY_ADD 1027
#define IDC_PROXY_DELETE 1028
#define IDC_PROXY_IES 1029
