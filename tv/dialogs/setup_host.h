// What the setup sheet's pages need of the program around them: the card's engine, the channel
// list and country table, the user's settings and files, the control panel and the language.
// The control panel provides it over the capture engine; tests provide it in memory.
#pragma once

#include <string>

#include "framework/language.h"
#include "tv/channel_list.h"
#include "tv/country_table.h"
#include "tv/settings.h"

namespace tunaro {

class CaptureEngine;

// The picture controls, in the order of the engine's proc-amp properties.
enum class PictureProperty { Brightness, Contrast, Hue, Saturation, Sharpness };

// The engine operations the pages use (tuning, scan, country, audio mode, picture).
class SetupEngine {
public:
    virtual ~SetupEngine() = default;
    // Tunes to channel index's frequency and applies its audio mode.
    virtual int SetCurrentChannel(int index) = 0;
    // Tunes to frequency (Hz) and stores it in channel index's record.
    virtual int SetFrequency(long frequency, int index) = 0;
    // One scan step (reset 1: stop): -1 over, 1 nothing here, 3 a channel was appended.
    virtual int AutoScanTune(int reset) = 0;
    virtual int SetCountry(long code) = 0;
    virtual int SetAudioMode(int stereo) = 0;
    virtual bool IsTunerInput() = 0;
    // The tuner's TV range in Hz; 1 when the tuner told it.
    virtual int GetFrequencyRange(long* maximum, long* minimum) = 0;
    // Picture values on the 0..255 scale; 1 on success.
    virtual int GetPicture(PictureProperty control, long* value, long* maximum, long* minimum,
                           long* defaultValue) = 0;
    virtual int SetPicture(PictureProperty control, long value) = 0;
};

// SetupEngine over the program's capture engine.
class CaptureSetupEngine : public SetupEngine {
public:
    explicit CaptureSetupEngine(CaptureEngine& engine) : m_engine(engine) {}
    int SetCurrentChannel(int index) override;
    int SetFrequency(long frequency, int index) override;
    int AutoScanTune(int reset) override;
    int SetCountry(long code) override;
    int SetAudioMode(int stereo) override;
    bool IsTunerInput() override;
    int GetFrequencyRange(long* maximum, long* minimum) override;
    int GetPicture(PictureProperty control, long* value, long* maximum, long* minimum,
                   long* defaultValue) override;
    int SetPicture(PictureProperty control, long value) override;

private:
    CaptureEngine& m_engine;
};

class SetupHost {
public:
    virtual ~SetupHost() = default;

    virtual LanguageMode Language() const = 0;
    bool Chinese() const { return Language() == kLanguageChinese; }
    const char* Text(const char* english, const char* chinese) const {
        return PickText(Language(), english, chinese);
    }
    // The caption of the program's message boxes (the control panel's title).
    virtual std::string Caption() const = 0;

    // The engine of the current card; null when there is none.
    virtual SetupEngine* Engine() = 0;
    // Card family: decides the audio mode a channel actually plays in.
    virtual long CardType() const = 0;

    virtual ChannelList& Channels() = 0;
    virtual CountryTable& Countries() = 0;
    virtual TvSettings& Settings() = 0;
    // "program.txt" (system directory) and "Tunaro.ini" (program directory).
    virtual std::string ProgramTxtPath() const = 0;
    virtual std::string TunaroIniPath() const = 0;

    // The program-wide scanning flag the other windows test.
    virtual bool Scanning() const = 0;
    virtual void SetScanning(bool scanning) = 0;
    // WM_COMMAND to the control panel: 1205 (the current channel changed), 405 (a scan stopped).
    virtual void SendPanelCommand(unsigned id) = 0;
    // A short text in the on-screen text window, at the top right of the picture.
    virtual void ShowOsd(const std::string& text) = 0;
};

} // namespace tunaro
