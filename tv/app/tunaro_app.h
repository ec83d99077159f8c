// The TV program's application object and the values every part of the program shares:
// paths, titles, the language, the two top-level windows, the start time and the engine table.
#pragma once

#include <windows.h>

#include <ctime>
#include <memory>
#include <string>

#include "engine/CaptureEngine.h"
#include "framework/application.h"
#include "framework/language.h"
#include "framework/raii.h"
#include "tv/settings.h"
#include "tv/tv_paths.h"

namespace tunaro {

class CVideoWnd;

// Number of cards the engine table can hold; the program uses the entry of the current card.
constexpr int kMaxCards = 4;

struct TvGlobals {
    TvPaths paths;   // program and system directories and the files in them
    AppSettings app; // setting.ini: title, FM title, bitmaps, About texts
    LanguageMode language = kLanguageEnglish;
    CVideoWnd* videoWnd = nullptr; // the window that shows the picture
    HWND hPanel = nullptr;         // the control panel while it exists
    time_t startTime = 0;          // when the panel came up (calendar time and tick count)
    DWORD startTick = 0;
    int currentCard = 0;
    std::unique_ptr<CaptureEngine> engines[kMaxCards];

    bool Chinese() const { return language == kLanguageChinese; }
    // The text of the current language mode.
    const char* Text(const char* english, const char* chinese) const {
        return PickText(language, english, chinese);
    }
    // The engine of the current card, null before the panel created it and after it went.
    CaptureEngine* Engine() const { return engines[currentCard].get(); }
    // The family of the card the current engine identified; kCardNone without one.
    long CardType() const { return Engine() ? Engine()->CardType() : kCardNone; }
};

TvGlobals& Globals();

// Sent by a second copy to the running panel: come to the front as a topmost window. The
// second copy also does this itself; the running copy doing it on its own thread is what
// works on every system (some refuse z-order changes across processes).
UINT BringToFrontMessage();

class CTunaroApp : public Application {
protected:
    bool InitInstance() override;

private:
    // Closes a running FM program and makes sure the scheduler runs.
    void CloseFmProgram();
    void StartScheduler();
    // True when this is the only copy; otherwise brings the running copy's panel forward.
    bool ClaimSingleInstance();

    Handle m_instanceMutex;
};

} // namespace tunaro
