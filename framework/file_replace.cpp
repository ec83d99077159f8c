// Whole-file reads and the replace-when-complete write every program uses for the files it keeps
// for the user: a crash, a full disk or a refused write never leaves a truncated file behind.
#include "framework/file_replace.h"

#include "framework/raii.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tunaro {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    // The channel files are small; anything near this size is not one of them.
    constexpr LONGLONG kMaxBytes = 64LL * 1024 * 1024;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxBytes)
        return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(bytes.size() - done);
        if (!ReadFile(file.get(), &bytes[done], want, &got, nullptr))
            return false;
        if (got == 0)
            break; // the file shrank while being read
        done += got;
    }
    bytes.resize(done);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return WriteFileBytes(path, bytes.data(), bytes.size());
}

bool WriteFileBytes(const std::string& path, const void* data, std::size_t size) {
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const char* bytes = static_cast<const char*>(data);
    // Written in pieces of at most 1 MiB: some systems refuse one very large write.
    constexpr std::size_t kMaxPiece = 0x100000;
    std::size_t done = 0;
    while (done < size) {
        DWORD put = 0;
        DWORD want = static_cast<DWORD>(std::min(size - done, kMaxPiece));
        if (!WriteFile(file.get(), bytes + done, want, &put, nullptr) || put == 0)
            return false;
        done += put;
    }
    if (!FlushFileBuffers(file.get()))
        return false;
    return CloseHandle(file.Detach()) != FALSE;
}

std::string ParentOfPath(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

namespace {

// A program that reads the target just then (another of ours, an editor, a virus scanner) keeps
// it from being replaced for a moment; the move is tried again for this long before it counts
// as refused.
constexpr DWORD kHeldTargetWaitMs = 1500;
constexpr DWORD kHeldTargetRetryMs = 25;

bool HeldByAnother(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Moves the finished temporary file over the target. Systems without MoveFileEx get the plain
// move; the old file goes only once the new one is complete.
bool MoveOver(const std::string& from, const std::string& to) {
    const DWORD started = GetTickCount();
    for (;;) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (error == ERROR_CALL_NOT_IMPLEMENTED)
            break;
        // A directory in the file's place refuses the move for good.
        if (!HeldByAnother(error) || DirectoryExists(to) || GetTickCount() - started >= kHeldTargetWaitMs)
            return false;
        Sleep(kHeldTargetRetryMs);
    }
    DeleteFileA(to.c_str());
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

constexpr char kTempPrefix[] = "~tu";
// A temporary file this old belongs to a write that never finished.
constexpr ULONGLONG kStaleTemporaryAge = 60ULL * 60 * 10000000; // an hour, in 100 ns units

// What GetTempFileName makes of our prefix: "~tu", one to four hex digits, ".tmp".
bool IsOurTemporaryName(const char* name) {
    const std::size_t length = std::strlen(name);
    const std::size_t prefix = sizeof kTempPrefix - 1;
    if (length < prefix + 1 + 4 || length > prefix + 4 + 4 || _strnicmp(name, kTempPrefix, prefix) != 0 ||
        _stricmp(name + length - 4, ".tmp") != 0)
        return false;
    for (std::size_t i = prefix; i < length - 4; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

ULONGLONG AsNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Removes the temporary files that writes into dir left when they never finished (the program
// was killed, or the system went down, between the temporary's creation and the swap). One that
// is being written now is young and held open, so only old ones go, and one still open
// refuses the delete anyway.
void RemoveStaleTemporaries(const std::string& dir) {
    std::string folder = dir;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + kTempPrefix + "*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsOurTemporaryName(found.cFileName))
            continue;
        const ULONGLONG written = AsNumber(found.ftLastWriteTime);
        if (written < AsNumber(now) && AsNumber(now) - written >= kStaleTemporaryAge)
            DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

bool ReplaceFileWith(const std::string& path, const std::function<bool(const std::string& tempPath)>& fill) {
    std::string dir = ParentOfPath(path);
    if (dir.empty())
        dir = ".";
    else if (dir.size() == 2 && dir[1] == ':')
        dir += '\\'; // "C:" alone would mean the drive's current directory
    if (dir.size() > MAX_PATH - 14)
        return false;
    RemoveStaleTemporaries(dir);
    char temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(dir.c_str(), kTempPrefix, 0, temp))
        return false;
    bool ok = fill(temp) && MoveOver(temp, path);
    if (!ok)
        DeleteFileA(temp);
    return ok;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
    return WriteFileReplacing(path, bytes.data(), bytes.size());
}

bool WriteFileReplacing(const std::string& path, const void* data, std::size_t size) {
    if (path.empty())
        return false;
    return ReplaceFileWith(path, [&](const std::string& temp) { return WriteFileBytes(temp, data, size); });
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace tunaro
