// Resource numbers of the posting windows (shared by post/post.rc and the
// code). The write dialog's number and its controls' are fixed; the posting
// window's template is ours.
#pragma once

#define IDD_WRITE 114
#define IDC_WR_PHRASE 1000   // phrase box
#define IDC_WR_LABEL 1003    // thread title or address
#define IDC_WR_NAME 1008     // name box
#define IDC_WR_MAIL 1010
#define IDC_WR_MESSAGE 1012
#define IDC_WR_SAGE 1018
#define IDC_WR_COPY 1055
#define IDC_WR_PASTE 1056
#define IDC_WR_CUT 1057

#define IDD_POSTING 2000
#define IDC_PO_TEXT 1004     // address, then the job's status
#define IDC_PO_PICTURE 1011  // the animation's picture
#define IDC_PO_CAPTION 1013  // the animation's caption
#define IDC_PO_CLOSE 1014    // preview: "閉じる"
#define IDC_PO_CHANGE 1019   // preview: "変更"
