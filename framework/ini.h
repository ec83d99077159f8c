// The INI files the programs keep their settings in, without the file functions: reading through
// IniSource, the keys to write, and how numbers and texts are stored so that they read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunaro {

// Read access to one INI file with the semantics of the private-profile functions: a missing
// file, section or key gives the default; a key present but empty gives "".
class IniSource {
public:
    virtual ~IniSource() = default;
    // At most maxChars characters of the value.
    virtual std::string ReadString(const char* section, const char* key, const char* def,
                                   std::size_t maxChars) const = 0;
    // A 32-bit value, as the private-profile functions give it on every build.
    virtual int32_t ReadInt(const char* section, const char* key, int32_t def) const = 0;
};

// One key to write.
struct IniValue {
    std::string section;
    std::string key;
    std::string value;
};
inline bool operator==(const IniValue& a, const IniValue& b) {
    return a.section == b.section && a.key == b.key && a.value == b.value;
}

// Numbers are stored as decimal text ("%ld").
IniValue IniNumber(const char* section, const char* key, long value);
// A text stored so that it reads back the same: a line break ends it (a line of the file cannot
// hold one, and the rest would become keys of their own), and blanks at either end or a pair of
// enclosing quotes, which reading strips, are kept by one pair of quotes around it.
std::string IniTextValue(std::string_view text);

} // namespace tunaro
