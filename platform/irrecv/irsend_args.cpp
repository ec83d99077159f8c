// The handset's buttons and irsend's command line.
#include "platform/irrecv/irsend_args.h"

#include <cctype>
#include <cstdlib>

namespace tunaro::irrecv {

const char kCardDeviceName[] =
    "\\\\?\\ROOT#TUNARO_SIMCARD_282#0000#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global";

namespace {

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A whole unsigned number in the base; false for anything else or a value above limit.
bool ParseNumber(const std::string& text, int base, uint32_t limit, uint32_t* value) {
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c))
                         : std::isdigit(static_cast<unsigned char>(c))))
            return false;
    const unsigned long parsed = std::strtoul(text.c_str(), nullptr, base);
    if (parsed > limit)
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

} // namespace

const std::vector<HandsetButton>& HandsetButtons() {
    static const std::vector<HandsetButton> kButtons = {
        {"power", 0x25, "Close computer"},
        {"start", 0x0C, "Start/Exit"},
        {"mute", 0x0D, "Mute"},
        {"vol-", 0x11, "Volume -"},
        {"vol+", 0x10, "Volume +"},
        {"ch+", 0x21, "Channel +"},
        {"ch-", 0x20, "Channel -"},
        {"bright-", 0x13, "Brightness -"},
        {"bright+", 0x12, "Brightness +"},
        {"freq-", 0x2C, "Fine tune -"},
        {"freq+", 0x2B, "Fine tune +"},
        {"panel", 0x2D, "Display panel"},
        {"source", 0x38, "Video source"},
        {"scan", 0x1E, "Auto scan"},
        {"last", 0x29, "Last channel"},
        {"0", 0x00, "0"},
        {"1", 0x01, "1"},
        {"2", 0x02, "2"},
        {"3", 0x03, "3"},
        {"4", 0x04, "4"},
        {"5", 0x05, "5"},
        {"6", 0x06, "6"},
        {"7", 0x07, "7"},
        {"8", 0x08, "8"},
        {"9", 0x09, "9"},
        {"double", 0x0A, "-/--"},
        {"full", 0x0F, "Full screen"},
        {"record", 0x1F, "Record"},
        {"pause", 0x16, "Pause"},
        {"stop", 0x0B, "Stop"},
        {"play", 0x17, "Play"},
        {"capture", 0x0E, "Capture"},
        {"forward", 0x27, "Forward"},
        {"back", 0x26, "Back"},
        {"fm", 0x14, "FM"},
    };
    return kButtons;
}

const HandsetButton* FindButton(const std::string& name) {
    const std::string key = Lower(name);
    for (const HandsetButton& button : HandsetButtons())
        if (key == button.name)
            return &button;
    return nullptr;
}

bool ParseKey(const std::string& text, uint32_t* code) {
    if (const HandsetButton* button = FindButton(text)) {
        *code = button->code;
        return true;
    }
    const std::string lower = Lower(text);
    uint32_t value = 0;
    const bool parsed = lower.compare(0, 2, "0x") == 0 ? ParseNumber(lower.substr(2), 16, 254, &value)
                                                       : ParseNumber(lower, 10, 254, &value);
    if (!parsed)
        return false;
    *code = value;
    return true;
}

bool ParseIrsendArgs(const std::vector<std::string>& args, IrsendOptions* options, std::string* error) {
    IrsendOptions parsed;
    bool actionGiven = false;
    auto setAction = [&](IrsendAction action, const std::string& arg) {
        if (actionGiven && parsed.action != action) {
            *error = "'" + arg + "' does not go with the other options";
            return false;
        }
        parsed.action = action;
        actionGiven = true;
        return true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--hold" || arg == "--timeout") {
            uint32_t value = 0;
            if (!hasValue || !ParseNumber(args[i + 1], 10, arg == "--hold" ? 1000 : 600000, &value) ||
                value == 0) {
                *error = arg == "--hold" ? "--hold needs a number of reads from 1 to 1000"
                                         : "--timeout needs milliseconds from 1 to 600000";
                return false;
            }
            (arg == "--hold" ? parsed.holdReads : parsed.timeoutMs) = value;
            ++i;
        } else if (arg == "--device") {
            if (!hasValue || args[i + 1].empty()) {
                *error = "--device needs a device name";
                return false;
            }
            parsed.deviceName = args[++i];
        } else if (arg == "--arrive") {
            if (!setAction(IrsendAction::Arrive, arg))
                return false;
        } else if (arg == "--remove") {
            if (!setAction(IrsendAction::Remove, arg))
                return false;
        } else if (arg == "--wait-ready") {
            if (!setAction(IrsendAction::WaitReady, arg))
                return false;
        } else if (arg == "--list") {
            if (!setAction(IrsendAction::List, arg))
                return false;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            parsed.action = IrsendAction::Help;
            *options = parsed;
            return true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            uint32_t code = 0;
            if (!ParseKey(arg, &code)) {
                *error = "'" + arg + "' is neither a button (see --list) nor a key code from 0 to 254";
                return false;
            }
            parsed.codes.push_back(code);
        }
    }
    if (parsed.action == IrsendAction::Press && parsed.codes.empty()) {
        *error = "no key given";
        return false;
    }
    if (parsed.action != IrsendAction::Press && !parsed.codes.empty()) {
        *error = "keys cannot be pressed together with --arrive, --remove, --wait-ready or --list";
        return false;
    }
    if (parsed.deviceName.empty())
        parsed.deviceName = kCardDeviceName;
    *options = parsed;
    return true;
}

} // namespace tunaro::irrecv
