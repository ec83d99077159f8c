// The remote control's key table: each receiver key code with its English and Chinese label and
// what pressing it does (a command id for the TV or FM window, a digit, or one of the two special keys).
#pragma once

#include <cstdint>
#include <string>

namespace tunaro::remote {

// The receiver reports this code when no key is pending.
constexpr uint32_t kNoKey = 255;
// WM_COMMAND wParam sent for a code that no row knows.
constexpr uint32_t kUnknownKeyCommand = 0xFFFFFFFF;
// Command ids of the digit keys: 1096 + the key code (codes 0..9).
constexpr uint32_t kDigitCommandBase = 1096;
// Exit of the TV program (and of the FM program); posted by the two special keys and on card removal.
constexpr uint32_t kExitCommand = 403;
// Longest label a row holds, in characters of its language.
constexpr int kLabelCapacity = 28;
constexpr int kKeyRowCount = 35;

enum class KeyAction {
    Command,       // send the row's command id
    Digit,         // send 1096 + the key code
    CloseComputer, // close the TV program, then power the computer off
    StartExit,     // close the TV or FM program, or start the TV program when neither runs
};

struct KeyRow {
    int row;
    uint8_t code;
    const char* english;
    const char* chinese;
    KeyAction action;
    uint32_t command; // WM_COMMAND wParam; for StartExit the command posted to a running program
};

// The 35 rows in table order.
const KeyRow* KeyRows();
// First row with this code, null when no row has it.
const KeyRow* FindKey(uint32_t code);
// The label in the chosen language.
inline const char* KeyLabel(const KeyRow& row, bool chinese) {
    return chinese ? row.chinese : row.english;
}
// What the status label shows for a received code: the row's label, or the code in lower-case
// hexadecimal when no row has it.
std::string ReceivedKeyText(uint32_t code, bool chinese);
// The WM_COMMAND wParam a plain key sends: the row's command, 1096 + code for a digit, 0xFFFFFFFF
// for a code that no row has. The special keys send nothing this way (0).
uint32_t CommandForKey(uint32_t code);

} // namespace tunaro::remote
