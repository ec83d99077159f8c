// Resource and command ids of the TV program: templates, icons, accelerators, strings and the
// control panel's command ids, which are also what the other programs send.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_TUNARO_DIALOG 102
#define IDD_VIDEO_WINDOW 136
#define IDD_SPLASH 312
#define IDD_SNAPSHOT 338

// Strings, icons, cursor, bitmaps, accelerators.
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDI_REMOTE_ACTIVE 130
#define IDB_PANEL_SKIN 151
#define IDR_ACCELERATOR 280
#define IDB_SNAPSHOT_BACKGROUND 339
#define IDC_HAND_CURSOR 352

// System menu: the About item and the range that opens the About dialog.
#define IDM_ABOUTBOX 16
#define IDM_ABOUTBOX_LAST 31

// About dialog.
#define IDC_ABOUT_APPNAME 1136
#define IDC_ABOUT_COMPANY 1137

// Control panel buttons and commands.
#define IDC_MINIMIZE 401
#define IDC_FULLSCREEN 402
#define IDC_EXIT 403
#define IDC_DISPLAY_PANEL 404
#define IDC_AUTOSCAN 405
#define IDC_MUTE 406
#define IDC_OPEN_FILE 407
#define IDC_RECORD_SETTING 408
#define IDC_SETTING 409
#define IDC_RECORD_TYPE 410
#define IDC_RECORD 411
#define IDC_COLOR 412
#define IDC_CHANNEL_EDIT 413
#define IDC_VOLUME_DOWN 501
#define IDC_VOLUME_UP 502
#define IDC_PLAY 503
#define IDC_BACK 504
#define IDC_FORWARD 505
#define IDC_PAUSE 506
#define IDC_TV 507
#define IDC_STATUS 1069
#define IDC_REMOTE_SNAPSHOT 1074
#define IDC_BRIGHTNESS_UP 1083
#define IDC_BRIGHTNESS_DOWN 1084
#define IDC_CONTRAST_UP 1085
#define IDC_CONTRAST_DOWN 1086
#define IDC_ALT_Q 1087
#define IDC_ALT_W 1088
#define IDC_FREQ_UP 1089
#define IDC_FREQ_DOWN 1090
#define IDC_QUICK_RECORD 1094
#define IDC_KEY_V 1095
#define IDC_DIGIT_0 1096
#define IDC_DIGIT_9 1105
#define IDC_PREVIOUS_CHANNEL 1106
#define IDC_CHANNEL_DOWN 1107
#define IDC_CHANNEL_UP 1108
#define IDC_TWO_DIGIT 1109
#define IDC_SNAPSHOT 1110
#define IDC_HELP_ABOUT 1111
#define IDC_VIDEO_SOURCE 1112
#define IDC_TV_WALL 1113
#define IDC_QUICK_PLAY 1119
#define IDC_AV 1120
#define IDC_FM 1177
#define IDC_ENABLE_BUTTONS 1179
#define IDC_DISABLE_BUTTONS 1180
#define IDC_VOLUME_FIRST 1181
#define IDC_VOLUME_LAST 1198
#define IDC_ADD_TASK 1199
#define IDC_CURRENT_TUNE 1205
#define IDC_TIME_SHIFT 1206

// Menu commands that reach the panel.
#define ID_MOST_TOP 32771
#define ID_DISPLAY_PANEL 32772
#define ID_CAPTURE 32775
#define ID_FULLSCREEN_MODE 32776
#define ID_MENU_EXIT 32777
#define ID_DIRECTORY_SETTING 32787
#define ID_CHANNEL_EDIT 32795
#define ID_MENU_ABOUT 32803

// Messages from the other programs (WM_COMMAND ids).
#define IDC_FM_CLOSE 1234
#define IDC_STOP_AND_CLOSE 1032
#define IDC_SCHEDULE_TUNE 2142
#define IDC_SCHEDULE_RECORD 2143
#define IDC_SCHEDULE_RESTART_PREVIEW 2146
#define IDC_SCHEDULE_BUSY_QUERY 2155
#define IDC_COPYDATA_RECORD 5022

// Snapshot browser.
#define IDC_SNAP_DELETE 1173
#define IDC_SNAP_SAVE 1174
#define IDC_SNAP_REMOVE_ALL 1175
#define IDC_SNAP_SAVE_ALL 1177
#define IDC_SNAP_CAPTURE 1178
#define IDC_SNAP_LIST 1171
#define IDC_SNAP_SLIDER 1176
#define IDC_SNAP_CLOSE 2040

// Control panel timers.
#define TIMER_SCAN 10
#define TIMER_STATUS 114
#define TIMER_OSD 116
#define IDC_STATIC -1
