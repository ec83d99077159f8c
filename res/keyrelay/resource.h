// Resource and command ids of the remote-control agent: templates, icons, menus, strings and the
// controls of its window, among them the hidden targets of the TV program's scan messages.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_KEYRELAY_DIALOG 102

// Strings, icons, menus.
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDI_RECEIVING 130
#define IDR_TRAY_MENU_CHINESE 131
#define IDR_TRAY_MENU 132

// System menu: the About item.
#define IDM_ABOUTBOX 16

// Controls without an id of their own.
#define IDC_STATIC -1

// About dialog.
#define IDC_ABOUT_NAME 1000
#define IDC_ABOUT_TEXT 1002

// The agent's window.
#define IDC_KEY_CODE 1001
#define IDC_STATUS 1003
#define IDC_HIDE 1005
#define IDC_EXIT 1007
#define IDC_STATE_ICON 1009
#define IDC_SCAN_STARTED 5557
#define IDC_SCAN_ENDED 5558

// Tray menu.
#define ID_TRAY_DISPLAY 32771
#define ID_TRAY_EXIT 32772
