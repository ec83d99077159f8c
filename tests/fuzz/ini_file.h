// An INI file held in memory and read and written the way the system's private-profile
// functions do it, so the settings code can be fuzzed on this host through IniSource.
#pragma once

#include "tv/settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace fuzzini {

// A line ends at a carriage return or a line feed. Sections and keys are found whatever their case, the first
// of equal names wins; values are trimmed and lose one pair of enclosing quotes when read; numbers are read
// like the profile's integer function (sign, "0x" hexadecimal, wrapping at 32 bits; empty gives the default).
class IniFile : public tunaro::IniSource {
public:
    explicit IniFile(std::string_view text = {});

    std::string ReadString(const char* section, const char* key, const char* def,
                           std::size_t maxChars) const override;
    int32_t ReadInt(const char* section, const char* key, int32_t def) const override;

    // Sets the key's value, adding the section at the end and the key at the end of its
    // section when they are new, as a write of one key does.
    void Write(const tunaro::IniValue& value);
    // The file's text ("\r\n" line ends), one "key=value" line per key.
    std::string Text() const;

private:
    struct Key {
        std::string name;
        std::string value;
        bool hasValue = false;
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    const Key* Find(const char* section, const char* key) const;

    std::vector<Section> m_sections;
};

} // namespace fuzzini
