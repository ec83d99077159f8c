// Helpers of the TV core tests: a scratch directory per test and an in-memory INI source.
#pragma once

#include "tv/settings.h"

#include "tests/support/e2e.h"

#include <map>
#include <string>
#include <utility>

namespace tvtest {

// A fresh directory under the temporary directory, removed with everything in it at the end.
class ScratchDir : public e2e::ScratchDir {
public:
    ScratchDir();
};

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// Keys are found whatever their case, as the profile functions do.
class MapIni : public tunaro::IniSource {
public:
    void Set(const std::string& section, const std::string& key, const std::string& value);
    std::string ReadString(const char* section, const char* key, const char* def,
                           std::size_t maxChars) const override;
    int32_t ReadInt(const char* section, const char* key, int32_t def) const override;
    mutable int reads = 0;

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

} // namespace tvtest
