// Resource and command ids of the TV program: templates, icons, accelerators, strings and the
// control panel's command ids, which are also what the other programs send.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_TUNARO_DIALOG 102
#define IDD_VIDEO_WINDOW 136
#define IDD_SPLASH 312
#define IDD_TV_WALL 327
#define IDD_SNAPSHOT 338

// Strings, icons, cursor, bitmaps, accelerators.
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDI_REMOTE_ACTIVE 130
#define IDB_PANEL_SKIN 151
#define IDR_ACCELERATOR 280
#define IDB_TV_WALL_PLACEHOLDER 329
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

// The messages from the other programs are the suite's protocol (framework/peer_messages.h).

// Snapshot browser.
#define IDC_SNAP_DELETE 1173
#define IDC_SNAP_SAVE 1174
#define IDC_SNAP_REMOVE_ALL 1175
#define IDC_SNAP_SAVE_ALL 1177
#define IDC_SNAP_CAPTURE 1178
#define IDC_SNAP_LIST 1171
#define IDC_SNAP_SLIDER 1176
#define IDC_SNAP_CLOSE 2040

// TV wall: the sixteen cells, row by row.
#define IDC_WALL_CELL_FIRST 1119
#define IDC_WALL_CELL_LAST 1134

// The setup sheet's pages and dialogs (templates in dialogs.rc).
#define IDD_AJUST_COLOR 130
#define IDD_CHANNEL_EDIT 132
#define IDD_SAV_PATH 271
#define IDD_ADD_CHANNEL 354
#define IDD_RECORD_TYPE 134
#define IDD_FILE_NAME 337

// The video window's menu (Chinese 333, English 334) and the channel list's audio menu
// (Chinese 365, English 366).
#define IDR_VIDEO_MENU 333
#define IDR_VIDEO_MENU_EN 334
#define IDR_AUDIO_MENU 365
#define IDR_AUDIO_MENU_EN 366

// Channel edit page.
#define IDC_CE_DEFAULT 3
#define IDC_CE_LIST 1039
#define IDC_CE_NAME_EDIT 1041
#define IDC_CE_FREQ 1046
#define IDC_CE_UP 1048
#define IDC_CE_DOWN 1049
#define IDC_CE_DELETE 1050
#define IDC_CE_UPDATE 1051
#define IDC_CE_ADD 1052
#define IDC_CE_FINE_LABEL 1145
#define IDC_CE_FINE_TUNE 1200
#define IDC_CE_COUNTRY 1201
#define IDC_CE_SCAN 1202
#define IDC_CE_COUNTRY_LABEL 1207
#define IDC_CE_AUDIO 1209
#define IDC_CE_INDEX 1211
#define TIMER_PAGE_SCAN 113

// Add-channel dialog.
#define IDC_AC_NAME_LABEL 1041
#define IDC_AC_NAME 1203
#define IDC_AC_FREQ 1204
#define IDC_AC_FREQ_LABEL 1208
#define IDC_AC_MHZ 1210

// Colour adjust page: sliders, numbers and labels in the order brightness, contrast, hue,
// saturation, sharpness.
#define IDC_CA_BRIGHTNESS 1015
#define IDC_CA_CONTRAST 1016
#define IDC_CA_HUE 1017
#define IDC_CA_DEFAULT 1018
#define IDC_CA_SATURATION 1019
#define IDC_CA_SHARPNESS 1020
#define IDC_CA_EXIT 1037
#define IDC_CA_BRIGHTNESS_LABEL 1138
#define IDC_CA_CONTRAST_LABEL 1139
#define IDC_CA_HUE_LABEL 1140
#define IDC_CA_SATURATION_LABEL 1141
#define IDC_CA_SHARPNESS_LABEL 1142
#define IDC_CA_BRIGHTNESS_VALUE 1182
#define IDC_CA_CONTRAST_VALUE 1183
#define IDC_CA_HUE_VALUE 1184
#define IDC_CA_SATURATION_VALUE 1185
#define IDC_CA_SHARPNESS_VALUE 1186

// Directory settings page.
#define IDC_SP_IMAGE_PATH 1074
#define IDC_SP_MOVIE_PATH 1075
#define IDC_SP_IMAGE_BROWSE 1117
#define IDC_SP_MOVIE_BROWSE 1118
#define IDC_SP_IMAGE_LABEL 1146
#define IDC_SP_MOVIE_LABEL 1147
#define IDC_SP_DISKS 1168
#define IDC_SP_GROUP 1169

// Record type page: the type group box, one radio button per record format code (in code
// order), the description list and a combo box nobody listens to.
#define IDC_RT_GROUP 1153
#define IDC_RT_DVD 1155
#define IDC_RT_VCD 1156
#define IDC_RT_MPEG4 1157
#define IDC_RT_AVI 1158
#define IDC_RT_MP3 1159
#define IDC_RT_WMV 1160
#define IDC_RT_SVCD 1161
#define IDC_RT_WMA 1162
#define IDC_RT_LIST 1166
#define IDC_RT_COMBO 1061

// Recording-name prompt.
#define IDC_FN_NAME 1170

// Video window menu.
#define ID_INPUT_TV 32781
#define ID_INPUT_COMPOSITE 32782
#define ID_INPUT_SVIDEO 32783
#define ID_COLOR_ADJUST 32794
#define ID_BEST_OPTIMIZE 32798
#define ID_NO_OPTIMIZE 32799
#define ID_DESKTOP_MODE 32812
#define ID_STANDARD_NTSC_M 5019
#define ID_STANDARD_NTSC_M_J 5020
#define ID_STANDARD_PAL_BDGHI 5021
#define ID_STANDARD_PAL_M 5022
#define ID_STANDARD_PAL_N 5023
#define ID_STANDARD_SECAM_BDGHK 5024
#define ID_STANDARD_SECAM_L 5025
#define IDC_DESKTOP_MODE 1178
#define TIMER_DESKTOP 116

// Channel list's audio menu.
#define ID_AUDIO_STEREO 32815
#define ID_AUDIO_MONO 32816

// Control panel timers.
#define TIMER_SCAN 10
#define TIMER_STATUS 114
#define TIMER_OSD 116
#define TIMER_ORDER 117
#define IDC_STATIC -1
