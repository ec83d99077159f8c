// The key table of the remote control and the look-ups the agent makes on every received code.
#include "remote/key_table.h"

#include <cstdio>

namespace tunaro::remote {

namespace {

constexpr KeyAction kCmd = KeyAction::Command;
constexpr KeyAction kDigit = KeyAction::Digit;

// Channel+ steps up (1108) and Channel- down (1107), the meaning these ids have on the control
// panel and its Page Up / Page Down keys.
const KeyRow kRows[kKeyRowCount] = {
    {0, 0x0D, "Mute/Unmute", "静音/取消静音", kCmd, 406},
    {1, 0x25, "Close computer", "关闭计算机", KeyAction::CloseComputer, kExitCommand},
    {2, 0x11, "Volume-", "音量-", kCmd, 501},
    {3, 0x10, "Volume+", "音量+", kCmd, 502},
    {4, 0x21, "Channel+", "频道+", kCmd, 1108},
    {5, 0x20, "Channel-", "频道-", kCmd, 1107},
    {6, 0x13, "Brightness-", "亮度-", kCmd, 1084},
    {7, 0x12, "Brightness+", "亮度+", kCmd, 1083},
    {8, 0x2C, "Freq-", "微调-", kCmd, 1090},
    {9, 0x2B, "Freq+", "微调+", kCmd, 1089},
    {10, 0x2D, "Display panel", "显示面板", kCmd, 404},
    {11, 0x38, "Video source", "视频源", kCmd, 1112},
    {12, 0x0C, "Start/Exit", "启动/退出", KeyAction::StartExit, kExitCommand},
    {13, 0x1E, "Auto scan", "自动搜台", kCmd, 405},
    {14, 0x29, "Last channel", "上一频道", kCmd, 1106},
    {15, 0x00, "0", "0", kDigit, kDigitCommandBase + 0},
    {16, 0x01, "1", "1", kDigit, kDigitCommandBase + 1},
    {17, 0x02, "2", "2", kDigit, kDigitCommandBase + 2},
    {18, 0x03, "3", "3", kDigit, kDigitCommandBase + 3},
    {19, 0x04, "4", "4", kDigit, kDigitCommandBase + 4},
    {20, 0x05, "5", "5", kDigit, kDigitCommandBase + 5},
    {21, 0x06, "6", "6", kDigit, kDigitCommandBase + 6},
    {22, 0x07, "7", "7", kDigit, kDigitCommandBase + 7},
    {23, 0x08, "8", "8", kDigit, kDigitCommandBase + 8},
    {24, 0x09, "9", "9", kDigit, kDigitCommandBase + 9},
    {25, 0x0A, "Double channel", "双位频道", kCmd, 1109},
    {26, 0x0F, "Full screen", "全屏", kCmd, 402},
    {27, 0x1F, "Record", "录像", kCmd, 1094},
    {28, 0x16, "Pause", "暂停", kCmd, 506},
    {29, 0x0B, "Stop", "停止", kCmd, 507},
    {30, 0x17, "Play", "播放", kCmd, 1119},
    {31, 0x0E, "Capture", "抓图", kCmd, 1074},
    {32, 0x27, "Foreward", "快进", kCmd, 505},
    {33, 0x26, "Back", "快退", kCmd, 504},
    {34, 0x14, "FM", "收音机", kCmd, 1177},
};

} // namespace

const KeyRow* KeyRows() {
    return kRows;
}

const KeyRow* FindKey(uint32_t code) {
    for (const KeyRow& row : kRows)
        if (row.code == code)
            return &row;
    return nullptr;
}

std::string ReceivedKeyText(uint32_t code, bool chinese) {
    if (const KeyRow* row = FindKey(code))
        return KeyLabel(*row, chinese);
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(code));
    return text;
}

uint32_t CommandForKey(uint32_t code) {
    const KeyRow* row = FindKey(code);
    if (!row)
        return kUnknownKeyCommand;
    switch (row->action) {
    case KeyAction::Command:
    case KeyAction::Digit:
        return row->command;
    case KeyAction::CloseComputer:
    case KeyAction::StartExit:
        break;
    }
    return 0;
}

} // namespace tunaro::remote
