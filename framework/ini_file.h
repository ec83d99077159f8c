// The programs' INI files on the disk through the system's private-profile functions: reads
// straight from the file (so edits made while a program runs are seen) and writes that replace
// the file as a whole.
#pragma once

#include <string>
#include <vector>

#include "framework/ini.h"

namespace tunaro {

class ProfileIni : public IniSource {
public:
    explicit ProfileIni(std::string path) : m_strPath(std::move(path)) {}
    const std::string& Path() const { return m_strPath; }

    std::string ReadString(const char* section, const char* key, const char* def,
                           std::size_t maxChars) const override;
    int32_t ReadInt(const char* section, const char* key, int32_t def) const override;

private:
    std::string m_strPath;
};

// Writes the values, in order, into a temporary copy of the file at path (an empty one when
// there is none yet) and then puts the copy in the file's place. Keys not among the values
// stay as they were. False when anything failed; the file is then left exactly as it was.
bool WriteProfileValues(const std::string& path, const std::vector<IniValue>& values);

} // namespace tunaro
