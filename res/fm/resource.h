// Resource and command ids of the FM program: templates, icon, cursor, skin, accelerators,
// strings and the main window's command ids, which are also what the other programs send.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_FM_DIALOG 102

// Strings, icon, cursor, skin bitmap, accelerators.
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDB_FM_SKIN 137
#define IDC_HAND_CURSOR 141
#define IDR_ACCELERATOR 143

// System menu: the About item and the range that opens the About dialog.
#define IDM_ABOUTBOX 16
#define IDM_ABOUTBOX_LAST 31

// About dialog.
#define IDC_ABOUT_APPNAME 1136
#define IDC_ABOUT_COMPANY 1137

// Main window commands.
#define IDC_EXIT 403
#define IDC_SCAN 405
#define IDC_MUTE 406
#define IDC_VOLUME_DOWN 501
#define IDC_VOLUME_UP 502
#define IDC_PAUSE 506
#define IDC_STOP_RECORD 507
#define IDC_SETTING 1015
#define IDC_PLAY 1049
#define IDC_STOP_PLAY 1050
#define IDC_MINIMIZE 1051
#define IDC_ABOUT 1052
#define IDC_OPEN_FILE 1053
#define IDC_VOLUME_FIRST 1062
#define IDC_VOLUME_LAST 1071
#define IDC_FREQ_UP 1089
#define IDC_FREQ_DOWN 1090
#define IDC_RECORD 1094
#define IDC_DIGIT_0 1096
#define IDC_DIGIT_9 1105
#define IDC_LAST_CHANNEL 1106
#define IDC_CHANNEL_DOWN 1107
#define IDC_CHANNEL_UP 1108
#define IDC_TV 1112
#define IDC_QUICK_PLAY 1119
// Sent by the TV program at its start: stop a recording and close.

// The texts over the skin.
#define IDC_FREQUENCY_TEXT 1150
#define IDC_MODE_TEXT 1151
#define IDC_CLOCK_TEXT 1152

// Timers of the main window.
#define TIMER_SCAN 115
#define TIMER_ELAPSED 118
#define TIMER_CLOCK 119
#define TIMER_TIMED_RECORDING 120
#define TIMER_PLAYBACK 123

// The setting sheet's record setting page (template 132).
#define IDD_RECORD_SETTING 132
#define IDC_RS_LIST 1230
#define IDC_RS_START_DATE 1231
#define IDC_RS_START_TIME 1232
#define IDC_RS_END_DATE 1233
#define IDC_RS_END_TIME 1235
#define IDC_RS_STATION 1236
#define IDC_RS_ADD 1237
#define IDC_RS_DELETE 1238
#define IDC_RS_REMOVE_ALL 1239
#define IDC_RS_PATH 1240
#define IDC_RS_BROWSE 1241
#define IDC_RS_ENCODER 1242
#define IDC_RS_SHUTDOWN 1243
#define IDC_RS_PATH_LABEL 1244

// The setting sheet's channel setting page (template 129) and the insert dialog (template 130).
#define IDD_CHANNEL_SETTING 129
#define IDD_INSERT_CHANNEL 130
#define IDC_CS_LIST 1250
#define IDC_CS_FREQUENCY 1251
#define IDC_CS_INDEX 1252
#define IDC_CS_SENSE 1253
#define IDC_CS_SENSE_VALUE 1254
#define IDC_CS_FINE_TUNE 1255
#define IDC_CS_SCAN 1256
#define IDC_CS_STOP 1257
#define IDC_CS_UP 1258
#define IDC_CS_DOWN 1259
#define IDC_CS_DELETE 1260
#define IDC_CS_INSERT 1261
#define IDC_CS_UPDATE 1262
#define IDC_CS_NAME 1263
#define IDC_CS_STATUS 1264
#define IDC_INSERT_NAME 1270
#define IDC_INSERT_FREQUENCY 1271
