// Drives the installed Tunaro on the simulated card the way its peers and its user do, for a
// given time: channel keys and digits, picture keys, the input key, snapshots (the remote's,
// saved to the image directory, and the browser's), the TV wall opened and closed, and
// scheduled recordings in every record format, started and stopped. Prints the program's
// process id as "pid N" once it is up (scripts/soak.sh samples it from then on) and a summary at
// the end. Everything it sends waits for the program to have handled it; a program that stops
// answering or ends by itself ends the run with an error.
//   soak_driver SECONDS
// Exit codes: 0 done, 1 could not start, 3 the program stopped answering, 4 it ended by itself.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"

namespace {

constexpr const char* kPanelTitle = "Tunaro";
constexpr const char* kBrowserTitle = "Snapshot";
constexpr WORD kExit = 403;
constexpr WORD kMute = 406;
constexpr WORD kRemoteSnapshot = 1074;
constexpr WORD kBrightnessUp = 1083;
constexpr WORD kBrightnessDown = 1084;
constexpr WORD kContrastUp = 1085;
constexpr WORD kContrastDown = 1086;
constexpr WORD kDigit0 = 1096;
constexpr WORD kPreviousChannel = 1106;
constexpr WORD kChannelDown = 1107;
constexpr WORD kChannelUp = 1108;
constexpr WORD kSnapshot = 1110;
constexpr WORD kTvWall = 1113;
constexpr WORD kAv = 1120;
constexpr WORD kSnapClose = 2040;
constexpr int kRecordFormats = 8;
constexpr int kChannels = 8;

const long kPlan[kChannels] = {49750000,  77250000,  168250000, 175250000,
                               184250000, 210250000, 471250000, 783250000};

struct Run {
    HWND panel = nullptr;
    e2e::Program* program = nullptr;
    e2e::PeerWindow* schedule = nullptr;
    long commands = 0;
    long recordings = 0;
    long walls = 0;
    long snapshots = 0;
    long ordered[kRecordFormats] = {};
    long recorded[kRecordFormats] = {};
    int failure = 0;
};

Run g_run;

// Everything sent or posted before has been handled once this returns true.
bool Sync() {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(g_run.panel, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result))
        return true;
    g_run.failure = g_run.program->Running() ? 3 : 4;
    return false;
}

bool Command(WORD id, DWORD pauseMs = 150) {
    if (g_run.failure)
        return false;
    if (!g_run.program->Running()) {
        g_run.failure = 4;
        return false;
    }
    e2e::PostCommand(g_run.panel, id);
    ++g_run.commands;
    if (!Sync())
        return false;
    Sleep(pauseMs);
    return true;
}

bool Busy() {
    g_run.schedule->Clear();
    if (!Command(tunaro::peer::kTvBusyQuery, 0))
        return false;
    return g_run.schedule->WaitForCommand(tunaro::peer::kScheduleWallOpened, 1500);
}

void RemoveFiles(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((dir + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(h, &found));
    FindClose(h);
}

int CountFiles(const std::string& dir) {
    int n = 0;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++n;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

// One scheduled recording in this format, the way the scheduler makes it: the order (which
// starts the recording once its graph is built), a few seconds of recording, then the
// scheduler's stop.
void Recording(int format, int channel, const std::string& videoDir) {
    const char text[] = "Soak\0";
    const ULONG_PTR word = (static_cast<ULONG_PTR>(format) << 16) | static_cast<ULONG_PTR>(channel);
    ++g_run.ordered[format];
    e2e::SendCopyData(g_run.panel, reinterpret_cast<HWND>(tunaro::peer::kTvCopyDataRecord), word, text,
                      sizeof text - 1, 30000);
    ++g_run.commands;
    if (!e2e::WaitUntil([] { return g_run.failure != 0 || Busy(); }, 20000) || g_run.failure)
        return; // this build records nothing in this format
    ++g_run.recorded[format];
    ++g_run.recordings;
    Sleep(4000);
    Command(tunaro::peer::kTvScheduleRecord, 500);
    if (e2e::WaitUntil([] { return g_run.failure != 0 || !Busy(); }, 20000) && !g_run.failure)
        RemoveFiles(videoDir);
}

void Round(int round, const std::string& imageDir, const std::string& videoDir) {
    // Zapping and digits.
    Command(kChannelUp);
    Command(kChannelUp);
    Command(kChannelDown);
    Command(static_cast<WORD>(kDigit0 + round % kChannels));
    Command(kPreviousChannel);
    // Picture keys, each undone, and the sound.
    Command(kBrightnessUp);
    Command(kContrastUp);
    Command(kBrightnessDown);
    Command(kContrastDown);
    Command(kMute);
    Command(kMute);
    // Snapshots: the remote's goes to the image directory, the browser's stays in memory
    // until the browser is closed.
    Command(kRemoteSnapshot, 300);
    ++g_run.snapshots;
    if (round % 3 == 0) {
        Command(kSnapshot, 300);
        if (HWND browser = e2e::FindTopWindow(kBrowserTitle)) {
            e2e::PostCommand(browser, kSnapClose);
            Sync();
        }
    }
    if (round % 5 == 1) {
        // The input key goes round the inputs; back to the tuner after a whole turn.
        Command(kAv, 400);
        Command(kAv, 400);
        Command(kAv, 400);
    }
    if (round % 4 == 2) {
        if (Command(kTvWall, 4000)) {
            ++g_run.walls;
            Command(kTvWall, 500);
        }
    }
    if (round % 2 == 1)
        Recording((round / 2) % kRecordFormats, round % kChannels, videoDir);
    RemoveFiles(imageDir);
}

std::string ProgramText() {
    std::string text;
    for (int i = 0; i < kChannels; ++i) {
        char block[200];
        std::snprintf(block, sizeof block, "Name: Soak %d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n",
                      i, kPlan[i], i + 1);
        text += block;
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    setvbuf(stdout, nullptr, _IONBF, 0);

    const std::string imageDir = e2e::MakeScratchDir("soak-image");
    const std::string videoDir = e2e::MakeScratchDir("soak-video");
    const std::string ini = e2e::InstallDir() + "\\Tunaro.ini";
    if (!e2e::WriteFile(e2e::SystemDir() + "\\program.txt", ProgramText()) ||
        !WritePrivateProfileStringA("SavImagePath", "Path", imageDir.c_str(), ini.c_str()) ||
        !WritePrivateProfileStringA("SavVideoPath", "Path", videoDir.c_str(), ini.c_str())) {
        std::fprintf(stderr, "soak_driver: could not prepare the channel list and the directories\n");
        return 1;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());

    e2e::PeerWindow schedule("Schedule");
    e2e::Program program;
    g_run.schedule = &schedule;
    g_run.program = &program;
    if (!program.Start(e2e::InstallDir() + "\\Tunaro.exe")) {
        std::fprintf(stderr, "soak_driver: Tunaro.exe did not start\n");
        return 1;
    }
    e2e::MessageBoxWatcher boxes(program.Pid());
    g_run.panel = e2e::WaitForWindow(kPanelTitle, 60000);
    if (!g_run.panel || !e2e::WaitUntil([] { return e2e::SimCardStateLong("Running") == 1; }, 30000)) {
        std::fprintf(stderr, "soak_driver: the panel did not come up with a running card\n");
        return 1;
    }
    std::printf("pid %lu\n", static_cast<unsigned long>(program.Pid()));

    const DWORD start = GetTickCount();
    int round = 0;
    while (!g_run.failure && (GetTickCount() - start) / 1000.0 < seconds) {
        Round(round++, imageDir, videoDir);
        if (round % 10 == 0)
            std::printf("round %d: %ld commands, %ld recordings, %ld walls, %ld snapshots\n", round,
                        g_run.commands, g_run.recordings, g_run.walls, g_run.snapshots);
    }

    const int imagesLeft = CountFiles(imageDir);
    std::printf("summary: %.0f s, %d rounds, %ld commands, %ld recordings, %ld walls, %ld snapshots, "
                "%zu message boxes, %d stills left in the image directory\n",
                (GetTickCount() - start) / 1000.0, round, g_run.commands, g_run.recordings, g_run.walls,
                g_run.snapshots, boxes.Seen().size(), imagesLeft);
    std::printf("recordings by format (started of ordered):");
    for (int format = 0; format < kRecordFormats; ++format)
        std::printf(" %d: %ld of %ld", format, g_run.recorded[format], g_run.ordered[format]);
    std::printf("\n");
    for (const e2e::SeenMessageBox& box : boxes.Seen())
        std::printf("message box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    if (g_run.failure == 3)
        std::printf("FAILED: the program stopped answering\n");
    if (g_run.failure == 4)
        std::printf("FAILED: the program ended by itself\n");
    if (!g_run.failure) {
        if (Busy())
            Command(tunaro::peer::kTvScheduleRecord, 500);
        e2e::PostCommand(g_run.panel, kExit);
        if (!program.WaitForExit(30000))
            program.Kill();
    }
    e2e::RemoveTree(imageDir);
    e2e::RemoveTree(videoDir);
    return g_run.failure;
}
