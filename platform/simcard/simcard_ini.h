// simcard.ini, the simulated card's configuration and report file: where it lies, the lock
// every writer holds, and the replacement of one section at a time through a temporary file,
// so that readers never see half a file and no writer loses another's section.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace simcard {

// %TUNARO_SIMCARD_INI% when set, else simcard.ini in the system directory.
std::string SimcardIniPath();

// Holds the lock that orders every write of simcard.ini across processes.
class SimcardIniLock {
public:
    SimcardIniLock();
    ~SimcardIniLock();
    SimcardIniLock(const SimcardIniLock&) = delete;
    SimcardIniLock& operator=(const SimcardIniLock&) = delete;

private:
    void* m_mutex;
};

using IniEntries = std::vector<std::pair<std::string, std::string>>;

// The text of an INI file with one section's entries replaced (the section appended when the
// file has none); every other line is kept as it was.
std::string ReplaceIniSection(const std::string& text, const std::string& section, const IniEntries& entries);
// The entries of one section of an INI text, in file order.
IniEntries ReadIniSection(const std::string& text, const std::string& section);

// Reads the whole file ("" when it is missing).
std::string ReadSimcardIni(const std::string& path);
// Writes the file through a temporary file beside it that replaces it when complete. The
// caller holds SimcardIniLock.
bool WriteSimcardIni(const std::string& path, const std::string& text);
// Replaces one section of the file under the lock.
bool WriteSimcardIniSection(const std::string& path, const std::string& section, const IniEntries& entries);

} // namespace simcard
