// Resource numbers of the patrol dialog, shared by boards/patrol.rc and the
// code.
#pragma once

#define IDD_PATROL 2500
#define IDC_PATROL_STATUS 2501  // read-only status line
#define IDC_PATROL_LIST 2502    // "Name", "URL"
#define IDC_PATROL_START 2503   // "開始"
#define IDC_PATROL_STOP 2504    // "中止"
#define IDC_PATROL_CLOSE 2505   // "閉じる" / "待機"
#define IDC_PATROL_CYCLE 2506   // the automatic-check drop-down
