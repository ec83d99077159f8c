// Resource and command ids of the scheduler: dialog templates, controls, menus, icon, strings.
#pragma once

// Icon of the program and of its tray entry.
#define IDR_MAINFRAME 128

// About box and its system menu item (the item's text is string 101).
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010
#define IDC_ABOUT_NAME 1000
#define IDC_ABOUT_VERSION 1001

// The scheduler window.
#define IDD_SCHEDULE_DIALOG 102
#define IDC_TASK_LIST 1000
#define IDC_NEW 1001
#define IDC_MODIFY 1002
#define IDC_DELETE 1003
#define IDC_HIDE 1004
// Hidden button: the TV application reports through it that the current task is over.
#define IDC_TASK_OVER 2145
// Opens the history view.
#define IDC_HISTORY 1005

// Tray menu: English 135, Chinese 139.
#define IDR_TRAY_MENU 135
#define IDR_TRAY_MENU_CN 139
#define ID_TRAY_SCHEDULE 32771
#define ID_TRAY_EXIT 32772
#define ID_TRAY_HISTORY 32773

// The history view.
#define IDD_HISTORY 134
#define IDC_HISTORY_LIST 1000
#define IDC_HISTORY_EMPTY 1001

// Wizard page 1: the task.
#define IDD_TASK_PAGE 129
#define IDC_TASK_NAME 1029
#define IDC_TASK_MODE 1008
#define IDC_TASK_INPUT 1011
#define IDC_TASK_CHANNEL 1012
#define IDC_TASK_DURATION 1004
#define IDC_LABEL_NAME 1040
#define IDC_LABEL_MODE 1041
#define IDC_LABEL_INPUT 1042
#define IDC_LABEL_CHANNEL 1043
#define IDC_LABEL_DURATION 1044
#define IDC_LABEL_MINUTES 1045

// Wizard page 2: the record format, radio buttons in the order of the format codes 0..7.
#define IDD_RECORD_PAGE 130
#define IDC_FORMAT_DVD 1020
#define IDC_FORMAT_VCD 1022
#define IDC_FORMAT_MPEG4 1011
#define IDC_FORMAT_AVI 1012
#define IDC_FORMAT_MP3 1013
#define IDC_FORMAT_WMV 1014
#define IDC_FORMAT_SVCD 1021
#define IDC_FORMAT_WMA 1015
#define IDC_RECORD_FILE 1003
#define IDC_LABEL_FORMAT 1040
#define IDC_LABEL_RECORD_FILE 1041

// Wizard page 3: the time.
#define IDD_TIME_PAGE 131
#define IDC_ONLY_ONCE 1023
#define IDC_EVERY_WEEK 1024
#define IDC_ONLY_DAY 1019
#define IDC_SUNDAY 1025
#define IDC_MONDAY 1026
#define IDC_TUESDAY 1012
#define IDC_WEDNESDAY 1013
#define IDC_THURSDAY 1014
#define IDC_FRIDAY 1015
#define IDC_SATURDAY 1016
#define IDC_ONCE_DATE 1017
#define IDC_ONCE_TIME 1018
#define IDC_REPEAT_TIME 1020
#define IDC_LABEL_DATE 1040
#define IDC_LABEL_TIME 1041
#define IDC_LABEL_REPEAT_TIME 1042

// Wizard page 4: after the task.
#define IDD_AFTER_PAGE 132
#define IDC_AUTO_SHUTDOWN 1008
#define IDC_EXIT_APP 1009
#define IDC_CONTINUE 1010
#define IDC_LABEL_AFTER 1040

// Wizard page 5: the end.
#define IDD_FINISH_PAGE 133
#define IDC_FINISH_TEXT 1040
