// Private-profile reads and whole-file replacing writes of the programs' INI files.
#include "framework/ini_file.h"

#include <windows.h>

#include "framework/file_replace.h"

namespace tunaro {

std::string ProfileIni::ReadString(const char* section, const char* key, const char* def,
                                   std::size_t maxChars) const {
    std::string buffer(maxChars + 1, '\0');
    DWORD n = GetPrivateProfileStringA(section, key, def, &buffer[0], static_cast<DWORD>(buffer.size()),
                                       m_strPath.c_str());
    buffer.resize(n < buffer.size() ? n : buffer.size() - 1);
    return buffer;
}

int32_t ProfileIni::ReadInt(const char* section, const char* key, int32_t def) const {
    // The function hands back a negative value as its unsigned twin.
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, def, m_strPath.c_str()));
}

bool WriteProfileValues(const std::string& path, const std::vector<IniValue>& values) {
    return ReplaceFileWith(path, [&](const std::string& temp) {
        if (FileExists(path) && !CopyFileA(path.c_str(), temp.c_str(), FALSE))
            return false;
        for (const IniValue& v : values) {
            if (!WritePrivateProfileStringA(v.section.c_str(), v.key.c_str(), v.value.c_str(), temp.c_str()))
                return false;
        }
        // Make sure the profile cache has put everything on the disk before the swap.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp.c_str());
        return true;
    });
}

} // namespace tunaro
