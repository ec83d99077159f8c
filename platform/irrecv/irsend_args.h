// irsend's command line: the keys to press (by the handset's button names or by code), how long
// each is held and waited for, and the card notifications it can broadcast instead. Free of Win32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunaro::irrecv {

struct HandsetButton {
    const char* name;
    uint32_t code;
    const char* caption; // what is printed on the button
};

// The buttons of the card's remote handset with the codes its receiver reports.
const std::vector<HandsetButton>& HandsetButtons();
// A button by name (case does not matter), null when there is none.
const HandsetButton* FindButton(const std::string& name);

// A key given by name, or a code in decimal or in hexadecimal with 0x; false when it is neither
// or the code is out of 0..254 (255 is the receiver's "no key").
bool ParseKey(const std::string& text, uint32_t* code);

enum class IrsendAction {
    Press,     // press the keys
    WaitReady, // wait until a receiver is open and being read
    Arrive,    // broadcast the card's arrival
    Remove,    // broadcast the card's removal
    List,      // print the handset's buttons
    Help,
};

constexpr uint32_t kDefaultTimeoutMs = 2000;

struct IrsendOptions {
    IrsendAction action = IrsendAction::Press;
    std::vector<uint32_t> codes;
    uint32_t holdReads = 1;                 // reads that report each key (holding a button repeats it)
    uint32_t timeoutMs = kDefaultTimeoutMs; // how long a key waits to be read
    std::string deviceName;                 // the device named in a card notification
};

// Parses the arguments after the program name. On failure returns false with a message in error.
bool ParseIrsendArgs(const std::vector<std::string>& args, IrsendOptions* options, std::string* error);

// The device name the card notifications carry unless --device gives another.
extern const char kCardDeviceName[];

} // namespace tunaro::irrecv
