// Stand-in for the scheduler program in the TV program's start-up tests: it leaves a note that
// it was started (with its command line) beside itself and ends at once, without a window.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string note = path;
    note.erase(note.find_last_of('\\') + 1);
    note += "schedule-started.txt";
    HANDLE file = CreateFileA(note.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::string line = std::string("started [") + (commandLine ? commandLine : "") + "]\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
