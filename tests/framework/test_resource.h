// Resource ids of the framework tests' dialog templates and accelerator table.
// Shared by test_dialogs.rc and the test sources.
#pragma once

#define IDD_MAP 100
#define IDD_MODAL 101
#define IDD_PAGE1 110
#define IDD_PAGE2 111
#define IDD_PAGE3 112
#define IDD_WIZ1 120
#define IDD_WIZ2 121
#define IDD_WIZ3 122
#define IDR_ACCEL 280
#define IDS_ABOUT 101

#define IDC_EDIT 1001
#define IDC_NUMBER 1002
#define IDC_CHECK 1003
#define IDC_RADIO_A 1020
#define IDC_RADIO_B 1022
#define IDC_RADIO_C 1011
#define IDC_AFTER_GROUP 1030
#define IDC_SLIDER 1040
