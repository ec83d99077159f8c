// The private-profile rules over an in-memory INI text: how lines split into sections, keys and
// values, how names are matched, how values and numbers are read and how a write lands.
#include "tests/fuzz/ini_file.h"

#include <cstdint>

namespace fuzzini {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

IniFile::IniFile(std::string_view text) {
    m_sections.push_back(Section()); // keys before the first header belong to no section
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        line = line.substr(0, line.find('\0')); // the strings end there
        line = Trimmed(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                Section s;
                s.name = std::string(line.substr(1, close - 1));
                m_sections.push_back(s);
                continue;
            }
        }
        Key k;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            k.name = std::string(line);
        } else {
            k.name = std::string(Trimmed(line.substr(0, eq)));
            k.value = std::string(Trimmed(line.substr(eq + 1)));
            k.hasValue = true;
        }
        m_sections.back().keys.push_back(k);
    }
}

const IniFile::Key* IniFile::Find(const char* section, const char* key) const {
    const std::string_view sectionName = Trimmed(section);
    const std::string_view keyName = Trimmed(key);
    for (std::size_t i = 1; i < m_sections.size(); ++i) {
        if (!SameName(Trimmed(m_sections[i].name), sectionName))
            continue;
        for (const Key& k : m_sections[i].keys) {
            if (SameName(k.name, keyName))
                return &k;
        }
        return nullptr; // only the first section of a name is searched
    }
    return nullptr;
}

std::string IniFile::ReadString(const char* section, const char* key, const char* def,
                                std::size_t maxChars) const {
    const Key* k = Find(section, key);
    std::string_view value;
    if (k && k->hasValue) {
        value = k->value;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
    } else {
        value = def ? def : "";
        while (!value.empty() && IsSpace(value.back()))
            value.remove_suffix(1);
    }
    return std::string(value.substr(0, maxChars));
}

int32_t IniFile::ReadInt(const char* section, const char* key, int32_t def) const {
    // The profile reads the number's text into a small buffer first.
    const std::string text = ReadString(section, key, "", 29);
    if (text.empty())
        return def;
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char p = Lower(text[i + 1]);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10)
            i += 2;
    }
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = Lower(text[i]);
        unsigned digit = c >= '0' && c <= '9'   ? unsigned(c - '0')
                         : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                                : 99;
        if (digit >= base)
            break;
        value = value * base + digit; // wraps, as the system's conversion does
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

void IniFile::Write(const tunaro::IniValue& v) {
    // A written value loses its leading blanks.
    std::string_view value = v.value;
    while (!value.empty() && IsSpace(value.front()))
        value.remove_prefix(1);
    Section* section = nullptr;
    for (std::size_t i = 1; i < m_sections.size() && !section; ++i) {
        if (SameName(Trimmed(m_sections[i].name), Trimmed(v.section)))
            section = &m_sections[i];
    }
    if (!section) {
        m_sections.push_back(Section());
        m_sections.back().name = v.section;
        section = &m_sections.back();
    }
    for (Key& k : section->keys) {
        if (SameName(k.name, Trimmed(v.key))) {
            k.value = std::string(value);
            k.hasValue = true;
            return;
        }
    }
    section->keys.push_back(Key{v.key, std::string(value), true});
}

std::string IniFile::Text() const {
    std::string out;
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        if (i > 0)
            out += "[" + m_sections[i].name + "]\r\n";
        for (const Key& k : m_sections[i].keys)
            out += k.hasValue ? k.name + "=" + k.value + "\r\n" : k.name + "\r\n";
    }
    return out;
}

} // namespace fuzzini
