// Resource numbers of the companion editors (both .rc files and the code).
#pragma once

#define IDD_EDITOR_MAIN 3001        // the list with its buttons, screens 320 pixels wide and more
#define IDD_EDITOR_MAIN_SMALL 3002  // the same below 320 pixels
#define IDD_EDITOR_EDIT 3003        // one entry: name, URL (and type in Ravo32)
#define IDD_EDITOR_EDIT_SMALL 3004

#define IDC_ED_LIST 3010
#define IDC_ED_EDIT 3011     // "編集"
#define IDC_ED_ADD 3012      // "追加"
#define IDC_ED_DELETE 3013   // "削除"
#define IDC_ED_UP 3014       // "▲"
#define IDC_ED_DOWN 3015     // "▼"
#define IDC_ED_SAVE 3016     // "保存終了"
#define IDC_ED_QUIT 3017     // "終了"
#define IDC_ED_PARTIAL 3018  // (no control) tells that the file was not read whole

#define IDC_ED_NAME 3020
#define IDC_ED_URL 3021
#define IDC_ED_TYPE 3022  // Ravo32 only
