// Resource numbers. Shared by the resource script and the code.
#pragma once

#define IDI_KVEL 101       // program icon (also the thread view's class icon)
#define IDI_KVEL_ALT1 102  // alternate small icons that opening a thread switches to
#define IDI_KVEL_ALT2 103
#define IDM_MAIN 104       // main menu
#define IDD_NETWORK_QUESTION 126  // network-not-found question
#define IDC_NETWORK_ICON 1201     // its information icon

#define CMD_EXIT 40001

#define IDB_TOOLBAR 112
#define IDB_TOOLBAR2 113
#define IDD_VERSION 100
#define IDR_SOUND 130

// Board-menu update dialog "板一覧更新" (boards/tree_win.cpp).
#define IDD_BOARD_MENU 140
#define IDC_BM_SOURCE 1401    // source combo box
#define IDC_BM_ADDRESS 1402   // the shown address, then the job's status text
#define IDC_BM_PROGRESS 1403  // "%d / %d"
#define IDC_BM_MOVED 1404     // moved boards
#define IDC_BM_GET 1405       // "取得"
#define IDC_BM_OPEN 1406      // "開く"
#define IDC_BM_STARTUP 1407   // "起動時にこのウインドウを最初に出す"
