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
