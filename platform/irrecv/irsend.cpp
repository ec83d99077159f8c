// irsend.exe: presses keys of the remote handset at the receiver from a terminal or a test, and
// broadcasts the card's arrival and removal. Each key is pressed once the previous one has been
// read (or forgotten), the way a person presses one button after another.
#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/irrecv/irsend_args.h"
#include "platform/irrecv/shared_ring.h"

using namespace tunaro::irrecv;

namespace {

constexpr DWORD kLockTimeoutMs = 2000;
constexpr DWORD kCheckIntervalMs = 10;
// Video capture devices (KSCATEGORY_VIDEO), the class the card announces itself in.
constexpr GUID kVideoDeviceClass = {
    0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// How long each window may take over a card notification.
constexpr UINT kBroadcastTimeoutMs = 10000;

void PrintUsage() {
    std::printf("Usage: irsend [--hold N] [--timeout MS] KEY...\n"
                "       irsend --wait-ready [--timeout MS]\n"
                "       irsend --arrive | --remove [--device NAME]\n"
                "       irsend --list\n"
                "\n"
                "Presses keys of the remote handset at the tuner card's infrared receiver, one after\n"
                "another: each key waits until the receiver has been read (KeyRelay reads it every 150 ms).\n"
                "KEY is a button name (irsend --list) or a key code, decimal or hexadecimal with 0x.\n"
                "  --hold N       hold each key for N reads of the receiver (default 1)\n"
                "  --timeout MS   how long a key waits to be read before it is lost (default %u)\n"
                "  --wait-ready   wait until a receiver is open and being read\n"
                "  --arrive       tell every window that the card has arrived\n"
                "  --remove       tell every window that the card has been removed\n"
                "  --device NAME  the device name those notifications carry\n"
                "Exit status: 0 when every key was read, 1 when one was not, 2 for a wrong command line.\n",
                static_cast<unsigned>(kDefaultTimeoutMs));
}

void PrintButtons() {
    for (const HandsetButton& button : HandsetButtons())
        std::printf("%-8s 0x%02X  %s\n", button.name, static_cast<unsigned>(button.code), button.caption);
}

std::string KeyName(uint32_t code) {
    char text[32];
    for (const HandsetButton& button : HandsetButtons())
        if (button.code == code) {
            std::snprintf(text, sizeof text, "%s (0x%02X)", button.name, static_cast<unsigned>(code));
            return text;
        }
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

// Presses one key and waits for what becomes of it. True when it was read.
bool PressOne(SharedRing& shared, uint32_t code, const IrsendOptions& options) {
    uint32_t serial = 0;
    {
        RingLock ring(shared, kLockTimeoutMs);
        if (!ring) {
            std::fprintf(stderr, "irsend: the receiver's queue is locked; %s was not pressed\n",
                         KeyName(code).c_str());
            return false;
        }
        serial = PressKey(*ring.Get(), code, options.holdReads, options.timeoutMs, GetTickCount());
    }
    if (serial == 0) {
        std::fprintf(stderr, "irsend: the receiver's queue is full; %s was not pressed\n",
                     KeyName(code).c_str());
        return false;
    }
    for (;;) {
        Sleep(kCheckIntervalMs);
        RingLock ring(shared, kLockTimeoutMs);
        if (!ring)
            continue;
        ExpireKeys(*ring.Get(), GetTickCount());
        switch (OutcomeOf(*ring.Get(), serial)) {
        case PressOutcome::Pending:
            continue;
        case PressOutcome::Taken:
            return true;
        case PressOutcome::Lost:
            if (ring->listeners == 0)
                std::fprintf(stderr,
                             "irsend: %s was not received: no receiver is open (is KeyRelay running, with "
                             "the card?)\n",
                             KeyName(code).c_str());
            else
                std::fprintf(stderr,
                             "irsend: %s was not read within %u ms (the receiver is not being polled)\n",
                             KeyName(code).c_str(), static_cast<unsigned>(options.timeoutMs));
            return false;
        case PressOutcome::Unknown:
            std::fprintf(stderr, "irsend: %s was overtaken by other presses; its fate is unknown\n",
                         KeyName(code).c_str());
            return false;
        }
    }
}

int PressKeys(const IrsendOptions& options) {
    SharedRing shared;
    if (!shared.Open()) {
        std::fprintf(stderr, "irsend: the receiver's queue cannot be opened (error %lu)\n", GetLastError());
        return 1;
    }
    bool allRead = true;
    for (uint32_t code : options.codes)
        allRead = PressOne(shared, code, options) && allRead;
    return allRead ? 0 : 1;
}

// Waits until a receiver is open and has been read twice since: its program then polls it.
int WaitReady(const IrsendOptions& options) {
    SharedRing shared;
    if (!shared.Open()) {
        std::fprintf(stderr, "irsend: the receiver's queue cannot be opened (error %lu)\n", GetLastError());
        return 1;
    }
    const DWORD start = GetTickCount();
    bool listening = false;
    uint32_t firstReads = 0;
    while (GetTickCount() - start <= options.timeoutMs) {
        {
            RingLock ring(shared, kLockTimeoutMs);
            if (ring) {
                if (ring->listeners == 0) {
                    listening = false;
                } else if (!listening) {
                    listening = true;
                    firstReads = ring->reads;
                } else if (ring->reads - firstReads >= 2) {
                    return 0;
                }
            }
        }
        Sleep(kCheckIntervalMs);
    }
    std::fprintf(stderr, "irsend: no receiver was %s within %u ms\n", listening ? "read" : "opened",
                 static_cast<unsigned>(options.timeoutMs));
    return 1;
}

int BroadcastCard(const IrsendOptions& options) {
    const size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + options.deviceName.size() + 1;
    std::vector<char> buffer(
        size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) ? sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) : size);
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buffer.data());
    record->dbcc_size = static_cast<DWORD>(buffer.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_classguid = kVideoDeviceClass;
    std::memcpy(record->dbcc_name, options.deviceName.c_str(), options.deviceName.size() + 1);
    const WPARAM event =
        options.action == IrsendAction::Arrive ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record),
                             SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &result)) {
        std::fprintf(stderr, "irsend: the card notification could not be broadcast (error %lu)\n",
                     GetLastError());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    IrsendOptions options;
    std::string error;
    if (!ParseIrsendArgs(args, &options, &error)) {
        std::fprintf(stderr, "irsend: %s\n(irsend --help shows how to use it)\n", error.c_str());
        return 2;
    }
    switch (options.action) {
    case IrsendAction::Help:
        PrintUsage();
        return 0;
    case IrsendAction::List:
        PrintButtons();
        return 0;
    case IrsendAction::Arrive:
    case IrsendAction::Remove:
        return BroadcastCard(options);
    case IrsendAction::WaitReady:
        return WaitReady(options);
    case IrsendAction::Press:
        break;
    }
    return PressKeys(options);
}
