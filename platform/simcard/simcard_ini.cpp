// simcard.ini: its path, the writers' lock, section replacement and the write through a
// temporary file.
#include "platform/simcard/simcard_ini.h"

#include <windows.h>

#include <cctype>

namespace simcard {
namespace {

// One name for every process on the desktop that writes the card's file.
constexpr const char kLockName[] = "Tunaro simulated card ini";
// A reader may hold the file open for a moment; the replacement is tried again meanwhile.
constexpr int kReplaceTries = 50;
constexpr DWORD kReplaceRetryMs = 10;

std::string Trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

// The section name of a "[Name]" line, or false.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const std::size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

} // namespace

std::string SimcardIniPath() {
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TUNARO_SIMCARD_INI", buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return buf;
    UINT len = GetSystemDirectoryA(buf, MAX_PATH);
    std::string path =
        len > 0 && len < MAX_PATH ? std::string(buf, len) : std::string("C:\\windows\\system32");
    return path + "\\simcard.ini";
}

SimcardIniLock::SimcardIniLock() : m_mutex(CreateMutexA(nullptr, FALSE, kLockName)) {
    if (m_mutex != nullptr) {
        // A writer that died while holding the lock leaves it abandoned: it is ours then.
        WaitForSingleObject(m_mutex, INFINITE);
    }
}

SimcardIniLock::~SimcardIniLock() {
    if (m_mutex != nullptr) {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
}

std::string ReplaceIniSection(const std::string& text, const std::string& section,
                              const IniEntries& entries) {
    std::string body = "[" + section + "]\r\n";
    for (const auto& e : entries)
        body += e.first + "=" + e.second + "\r\n";

    std::string out;
    bool inTarget = false;
    bool written = false;
    for (const std::string& line : Lines(text)) {
        std::string name;
        if (SectionName(line, name)) {
            inTarget = SameName(name, section);
            if (inTarget) {
                if (!written)
                    out += body;
                written = true;
                continue;
            }
        }
        if (inTarget)
            continue;
        out += line + "\r\n";
    }
    if (!written)
        out += body;
    return out;
}

IniEntries ReadIniSection(const std::string& text, const std::string& section) {
    IniEntries entries;
    bool inTarget = false;
    for (const std::string& line : Lines(text)) {
        std::string name;
        if (SectionName(line, name)) {
            inTarget = SameName(name, section);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inTarget || eq == std::string::npos)
            continue;
        entries.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return entries;
}

std::string ReadSimcardIni(const std::string& path) {
    std::string text;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    CloseHandle(file);
    return text;
}

bool WriteSimcardIni(const std::string& path, const std::string& text) {
    const std::string temp = path + ".new";
    HANDLE file =
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok = text.empty() ||
              (WriteFile(file, text.data(), DWORD(text.size()), &put, nullptr) && put == text.size());
    // No flush to the disk: the file reports the card's state to other programs now, and the
    // card rewrites it from its streaming thread, which must not wait for the disk.
    ok = CloseHandle(file) && ok;
    for (int i = 0; ok && i < kReplaceTries; ++i) {
        if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        Sleep(kReplaceRetryMs);
    }
    DeleteFileA(temp.c_str());
    return false;
}

bool WriteSimcardIniSection(const std::string& path, const std::string& section, const IniEntries& entries) {
    SimcardIniLock lock;
    return WriteSimcardIni(path, ReplaceIniSection(ReadSimcardIni(path), section, entries));
}

} // namespace simcard
