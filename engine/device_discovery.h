// Device discovery and card identification: the lists of video and audio input devices, which
// card family is installed, the identified card's capture filter and sound device, finding
// filters and compressors by name.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>

#include "engine/card_rules.h"
#include "framework/raii.h"

namespace tunaro {

// Where the engine looks for devices. Programs use the system's categories; tests point the engine
// at categories of their own.
struct DeviceCategories {
    GUID videoInput, audioInput, tvTuner, crossbar, audioRenderer, encoder, videoCompressor, audioCompressor;
    static DeviceCategories System();
};

// What identification and the library's selections decided, kept by the engine object. The
// capture library carries it from one device start to the next.
struct DeviceSelection {
    int cardType = 0; // family code of the build: TvCardType or LibraryCardType (card_rules.h)
    int video = -1;   // enumeration index of the identified card; -1 until identified
    int audio = -1;   // library build: the audio input whose name holds audioName
    std::string videoName, audioName; // library build: the caller's selections, at most 259 characters
};

class DeviceDiscovery {
public:
    explicit DeviceDiscovery(const DeviceCategories& categories) : m_categories(categories) {}

    // TV build: fills the video list and returns the number of devices (also in *count); reports
    // the missing hardware when there is none.
    int EnumVideoDevice(int* count);
    // Library build: the names go to the caller's buffers (each at least 260 bytes). 1 when the
    // category could be enumerated.
    int EnumVideoDevice(int* count, char** names);
    int EnumAudioDevice(int* count, char** names);
    // Library build: the devices the caller names; a video name of a known card sets its family.
    int SelectVideoDevice(const char* name);
    int SelectAudioDevice(const char* name);

    // Walks the video inputs until a known card and lists the audio inputs; sets the card type
    // and the selected devices. False when no card was found.
    bool IdentifyCard();
    // Takes the identified card's monikers as the current ones and binds its capture filter.
    // Reports and returns the failure when it cannot be bound.
    HRESULT BindCaptureFilter(ComPtr<IBaseFilter>& filter);
    // Looks up the recording compressors of the build; their monikers are kept.
    void FindCompressors();
    // A new instance of the video or audio compressor FindCompressors found; null when there is
    // none or it cannot be made (the caller reports it). Each recording binds the kept moniker
    // again rather than parsing the display name anew: a parse costs the process registry
    // handles that are never given back on some systems, two for every recording.
    ComPtr<IBaseFilter> NewVideoCompressor() const { return Bind(m_videoCompressor.get()); }
    ComPtr<IBaseFilter> NewAudioCompressor() const { return Bind(m_audioCompressor.get()); }
    // Lets go of the lists and the current devices.
    void Release();

    // Binds every device of the category whose friendly name holds namePart; the last one wins.
    // displayName (optional) receives the winning moniker's display name.
    static HRESULT FindFilterByName(const GUID& category, const char* namePart, ComPtr<IBaseFilter>& filter,
                                    std::wstring* displayName = nullptr);
    // 0 and the names when a device of the category holds namePart; -1 otherwise.
    static int FindCompressorByName(const char* namePart, const GUID& category, std::string* friendlyName,
                                    std::wstring* displayName);

    const DeviceSelection& Selection() const { return m_selection; }
    void RestoreSelection(const DeviceSelection& selection) { m_selection = selection; }
    // The identified family (0 before identification), in the build's scheme.
    int CardType() const { return m_selection.cardType; }

    const DeviceCategories& Categories() const { return m_categories; }
    int DeviceCount() const { return m_deviceCount; }
    const std::string& DeviceName() const { return m_deviceName; }
    bool HasVideoDevice(int slot) const;
    bool HasAudioDevice(int slot) const;
    // The sound device capture uses (null when none) and whether it is the card's own device
    // rather than the system's first audio input.
    bool HasCurrentVideo() const { return static_cast<bool>(m_currentVideo); }
    IMoniker* CurrentAudioMoniker() const { return m_currentAudio.get(); }
    bool AudioIsCards() const { return m_audioIsCards; }
    std::string CurrentVideoDisplayName() const;
    std::string CurrentAudioDisplayName() const;

private:
    void ReleaseLists();
    // The last device of the category whose friendly name holds namePart (its name to
    // friendlyName, optional); null when none does.
    static ComPtr<IMoniker> FindCompressor(const char* namePart, const GUID& category,
                                           std::string* friendlyName);
    static ComPtr<IBaseFilter> Bind(IMoniker* moniker);
    // Walks the video devices up to the first card of this build and records it (card type,
    // selected slot, devices before it); false when there is no device enumerator.
    bool FindCard(EngineBuild build);
    void IdentifyTvCard();
    void IdentifyLibraryCard();

    const DeviceCategories& m_categories;
    DeviceSelection m_selection;
    ComPtr<IMoniker> m_videoMonikers[kDeviceSlots];
    ComPtr<IMoniker> m_audioMonikers[kDeviceSlots];
    ComPtr<IMoniker> m_currentVideo, m_currentAudio;
    int m_audioSlot = 0;         // the audio device identification chose (TV build)
    bool m_audioIsCards = false; // ... and whether it belongs to the card
    std::string m_deviceName;    // friendly name of the current video device
    int m_deviceCount = 0;       // devices visited before the card by the last identification
    ComPtr<IMoniker> m_videoCompressor, m_audioCompressor;
};

} // namespace tunaro
