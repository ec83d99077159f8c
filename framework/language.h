// The language mode every program of the suite shares: Chinese or English, chosen by the
// "Language" value under HKEY_LOCAL_MACHINE\Software\Tunaro.
#pragma once

#include <windows.h>

namespace tunaro {

enum LanguageMode { kLanguageChinese = 0, kLanguageEnglish = 1 };

// The registry key and value the installer writes.
constexpr const char* kLanguageKey = "Software\\Tunaro";
constexpr const char* kLanguageValue = "Language";

// The rule itself: low 16 bits 4, 1028, 2052, 3076 or 4100 give Chinese, anything else English.
LanguageMode LanguageFromNumber(long number);
// The value's text as the installer stores it, read like atoi (null or empty: 0, English).
LanguageMode LanguageFromText(const char* text);
// Reads the value under root\subkey; a missing key or value gives English.
LanguageMode ReadLanguageMode(HKEY root, const char* subkey);
// ReadLanguageMode(HKEY_LOCAL_MACHINE, "Software\\Tunaro").
LanguageMode ReadLanguageMode();

// Picks the text of the current mode: Pick(mode, "Exit", "退出").
inline const char* PickText(LanguageMode mode, const char* english, const char* chinese) {
    return mode == kLanguageChinese ? chinese : english;
}

} // namespace tunaro
