// The FM program's application object and the values its parts share: paths, titles, the
// language and the look named in setting.ini.
#pragma once

#include <windows.h>

#include <string>

#include "framework/application.h"
#include "framework/language.h"
#include "framework/raii.h"

namespace tunaro {

struct FmGlobals {
    std::string strProgramDir;
    std::string strSettingIni;   // setting.ini (read only, shared with the TV program)
    std::string strFmSettingIni; // FMSETTING.ini
    std::string strRecordList;   // Recordlst.txt
    std::string strTvTitle = "Tunaro";
    std::string strFmTitle = "Tunaro FM";
    std::string strBackground = "BG.BMP";
    std::string strAppName = "Tunaro FM";
    std::string strCompany;
    LanguageMode language = kLanguageEnglish;

    bool Chinese() const { return language == kLanguageChinese; }
    const char* Text(const char* english, const char* chinese) const {
        return PickText(language, english, chinese);
    }
};

FmGlobals& Globals();

// Reads the names and the look the FM program takes from setting.ini.
void LoadSharedSettings(FmGlobals& g);

class CFmApp : public Application {
protected:
    bool InitInstance() override;

private:
    // Asks a running TV program to stop and close.
    void CloseTvProgram();
    // True when this is the only copy; otherwise brings the running copy's window forward.
    bool ClaimSingleInstance();

    Handle m_instanceMutex;
};

} // namespace tunaro
