// The language-mode rule and its registry reading, shared by all programs.
// A value of any length or type is read safely; only the number in it matters.
#include "framework/language.h"
#include "framework/raii.h"

#include <cstdlib>

namespace tunaro {

LanguageMode LanguageFromNumber(long number) {
    switch (static_cast<unsigned long>(number) & 0xFFFFu) {
    case 4:
    case 1028:
    case 2052:
    case 3076:
    case 4100:
        return kLanguageChinese;
    default:
        return kLanguageEnglish;
    }
}

LanguageMode LanguageFromText(const char* text) {
    if (!text)
        return kLanguageEnglish;
    return LanguageFromNumber(std::atol(text));
}

LanguageMode ReadLanguageMode(HKEY root, const char* subkey) {
    RegKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return kLanguageEnglish;
    // The installer stores text of at most 200 bytes; a longer value is not ours and counts
    // as missing. The buffer keeps one byte spare so the text is always terminated.
    char text[201] = {};
    DWORD type = 0;
    DWORD size = sizeof text - 1;
    LONG rc =
        RegQueryValueExA(key.get(), kLanguageValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    if (rc != ERROR_SUCCESS)
        return kLanguageEnglish;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, text, sizeof number);
        return LanguageFromNumber(static_cast<long>(number));
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return kLanguageEnglish;
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    return LanguageFromText(text);
}

LanguageMode ReadLanguageMode() {
    return ReadLanguageMode(HKEY_LOCAL_MACHINE, kLanguageKey);
}

} // namespace tunaro
