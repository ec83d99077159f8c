// How numbers and texts are stored in the programs' INI files.
#include "framework/ini.h"

#include "framework/format.h"

namespace tunaro {

IniValue IniNumber(const char* section, const char* key, long value) {
    return IniValue{section, key, Format("%ld", value)};
}

std::string IniTextValue(std::string_view text) {
    text = text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
    if (text.empty())
        return std::string();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    const bool quoted =
        text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    if (blank(text.front()) || blank(text.back()) || quoted)
        return "\"" + std::string(text) + "\"";
    return std::string(text);
}

} // namespace tunaro
