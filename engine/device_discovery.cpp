// Device lists, card identification by friendly name, the card's capture filter, and finding
// filters and compressors by name.
#include "engine/device_discovery.h"

#include <vector>

#include "engine/dshow_util.h"
#include "engine/engine_build.h"
#include "engine/engine_report.h"
#include "framework/debug_print.h"
#include "framework/language.h"
#include "platform/include/ks_tuner.h"

namespace tunaro {

DeviceCategories DeviceCategories::System() {
    DeviceCategories c;
    c.videoInput = CLSID_VideoInputDeviceCategory;
    c.audioInput = CLSID_AudioInputDeviceCategory;
    c.tvTuner = AM_KSCATEGORY_TVTUNER;
    c.crossbar = AM_KSCATEGORY_CROSSBAR;
    c.audioRenderer = CLSID_AudioRendererCategory;
    c.encoder = {
        0x19689bf6, 0xc384, 0x48fd, {0xad, 0x51, 0x90, 0xe5, 0x8c, 0x79, 0xf7, 0x0b}}; // KSCATEGORY_ENCODER
    c.videoCompressor = CLSID_VideoCompressorCategory;
    c.audioCompressor = CLSID_AudioCompressorCategory;
    return c;
}

bool DeviceDiscovery::HasVideoDevice(int slot) const {
    return slot >= 0 && slot < kDeviceSlots && m_videoMonikers[slot];
}
bool DeviceDiscovery::HasAudioDevice(int slot) const {
    return slot >= 0 && slot < kDeviceSlots && m_audioMonikers[slot];
}

std::string DeviceDiscovery::CurrentVideoDisplayName() const {
    return Narrow(DisplayName(m_currentVideo.get()));
}
std::string DeviceDiscovery::CurrentAudioDisplayName() const {
    return Narrow(DisplayName(m_currentAudio.get()));
}

void DeviceDiscovery::ReleaseLists() {
    for (auto& m : m_videoMonikers)
        m = nullptr;
    for (auto& m : m_audioMonikers)
        m = nullptr;
}

void DeviceDiscovery::Release() {
    ReleaseLists();
    m_currentVideo = nullptr;
    m_currentAudio = nullptr;
    m_videoCompressor = nullptr;
    m_audioCompressor = nullptr;
}

// ---- device lists -----------------------------------------------------------------------------

int DeviceDiscovery::EnumVideoDevice(int* count) {
    ReleaseLists();
    int n = 0;
    ForEachDevice(m_categories.videoInput, [&](IMoniker* moniker, bool hasName, const std::string&) {
        if (hasName)
            m_videoMonikers[n] = ComPtr<IMoniker>(moniker);
        return ++n < kDeviceSlots;
    });
    if (count)
        *count = n;
    if (n == 0) {
        ErrorReport("%s",
                    PickText(ReadLanguageMode(), "Sorry,Cannot find hardware!", "对不起，找不到硬件！"));
    }
    return n;
}

namespace {

// Copies names into the caller's buffers (library build).
int EnumIntoBuffers(const GUID& category, ComPtr<IMoniker>* slots, int* count, char** names) {
    for (int i = 0; i < kDeviceSlots; ++i)
        slots[i] = nullptr;
    int n = 0;
    const HRESULT hr = ForEachDevice(category, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName) {
            slots[n] = ComPtr<IMoniker>(moniker);
            if (names && names[n])
                lstrcpynA(names[n], name.c_str(), 260);
        }
        return ++n < kDeviceSlots;
    });
    if (count)
        *count = n;
    return hr == S_OK ? 1 : 0;
}

} // namespace

int DeviceDiscovery::EnumVideoDevice(int* count, char** names) {
    return EnumIntoBuffers(m_categories.videoInput, m_videoMonikers, count, names);
}

int DeviceDiscovery::EnumAudioDevice(int* count, char** names) {
    return EnumIntoBuffers(m_categories.audioInput, m_audioMonikers, count, names);
}

int DeviceDiscovery::SelectVideoDevice(const char* name) {
    DeviceSelection& s = m_selection;
    s.videoName.assign(name ? name : "", 0, 259);
    s.cardType = LibraryCardTypeOfSelection(s.videoName, s.cardType);
    return 1;
}

int DeviceDiscovery::SelectAudioDevice(const char* name) {
    m_selection.audioName.assign(name ? name : "", 0, 259);
    return 1;
}

// ---- identification -----------------------------------------------------------------------------

bool DeviceDiscovery::IdentifyCard() {
    if (kEngineBuild == EngineBuild::Tv)
        IdentifyTvCard();
    else
        IdentifyLibraryCard();
    return m_selection.video >= 0;
}

bool DeviceDiscovery::FindCard(EngineBuild build) {
    ReleaseLists();
    DeviceSelection& s = m_selection;
    s.video = -1;
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(devices.CreateInstance(CLSID_SystemDeviceEnum))) {
        ErrorReport("Error Creating Device Enumerator");
        m_deviceCount = 0;
        return false;
    }
    std::vector<EnumeratedDevice> seen;
    const HRESULT hr =
        ForEachDevice(m_categories.videoInput, [&](IMoniker* moniker, bool hasName, const std::string& name) {
            const size_t slot = seen.size();
            seen.push_back({hasName, name});
            if (hasName)
                m_videoMonikers[slot] = ComPtr<IMoniker>(moniker);
            if (hasName && CardTypeOfName(name, build) >= 0)
                return false; // the card: its moniker is stored, the walk ends here
            return seen.size() < static_cast<size_t>(kDeviceSlots);
        });
    if (hr != S_OK)
        ErrorReport("Sorry, you have no video capture hardware");
    const CardMatch match = tunaro::IdentifyCard(seen, build);
    if (match.index >= 0) {
        s.cardType = match.cardType;
        s.video = match.index;
    }
    m_deviceCount = match.visited;
    return true;
}

void DeviceDiscovery::IdentifyTvCard() {
    if (!FindCard(EngineBuild::Tv))
        return;
    const DeviceSelection& s = m_selection;
    std::vector<EnumeratedDevice> audio;
    ForEachDevice(m_categories.audioInput, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName)
            m_audioMonikers[audio.size()] = ComPtr<IMoniker>(moniker);
        audio.push_back({hasName, name});
        return audio.size() < static_cast<size_t>(kDeviceSlots);
    });
    // Sound is captured from the card's own audio device when its driver lists one; otherwise from
    // the system's first audio input (where a card without one has its audio cable plugged in).
    const AudioChoice sound = ChooseCaptureAudio(audio, s.cardType, EngineBuild::Tv);
    m_audioSlot = sound.index;
    m_audioIsCards = sound.cardOwn;
    TUNARO_TRACE("engine: %d video devices before the card, card type %d at %d, audio %d (%s)", m_deviceCount,
                 s.cardType, s.video, m_audioSlot,
                 sound.index < 0 ? "none" : audio[sound.index].name.c_str());
}

void DeviceDiscovery::IdentifyLibraryCard() {
    DeviceSelection& s = m_selection;
    s.audio = -1;
    if (!FindCard(EngineBuild::Library))
        return;
    int n = 0;
    ForEachDevice(m_categories.audioInput, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName) {
            m_audioMonikers[n] = ComPtr<IMoniker>(moniker);
            if (!s.audioName.empty() && name.find(s.audioName) != std::string::npos)
                s.audio = n;
        }
        return ++n < kDeviceSlots;
    });
    // The library captures sound from the device the caller selected, which is the card's.
    m_audioSlot = s.audio;
    m_audioIsCards = true;
}

HRESULT DeviceDiscovery::BindCaptureFilter(ComPtr<IBaseFilter>& filter) {
    const int videoSlot = m_selection.video;
    m_currentVideo = nullptr;
    m_currentAudio = nullptr;
    if (videoSlot >= 0 && videoSlot < kDeviceSlots)
        m_currentVideo = m_videoMonikers[videoSlot];
    if (m_audioSlot >= 0 && m_audioSlot < kDeviceSlots)
        m_currentAudio = m_audioMonikers[m_audioSlot];
    filter = nullptr;
    m_deviceName.clear();
    if (!m_currentVideo) {
        ErrorReport("Error %x: Cannot create video capture filter", static_cast<unsigned>(E_POINTER));
        return E_POINTER;
    }
    ReadFriendlyName(m_currentVideo.get(), &m_deviceName);
    const HRESULT hr = m_currentVideo->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid());
    if (FAILED(hr))
        ErrorReport("Error %x: Cannot create video capture filter", static_cast<unsigned>(hr));
    return hr;
}

// ---- filters and compressors by name -----------------------------------------------------------------

HRESULT DeviceDiscovery::FindFilterByName(const GUID& category, const char* namePart,
                                          ComPtr<IBaseFilter>& filter, std::wstring* displayName) {
    filter = nullptr;
    if (displayName)
        displayName->clear();
    if (!namePart || !*namePart)
        return E_INVALIDARG;
    ForEachDevice(category, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName && name.find(namePart) != std::string::npos) {
            ComPtr<IBaseFilter> bound;
            if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, bound.ReceiveVoid()))) {
                filter = bound;
                if (displayName)
                    *displayName = DisplayName(moniker);
            }
        }
        return true;
    });
    return filter ? S_OK : VFW_E_NOT_FOUND;
}

ComPtr<IMoniker> DeviceDiscovery::FindCompressor(const char* namePart, const GUID& category,
                                                 std::string* friendlyName) {
    ComPtr<IMoniker> found;
    if (!namePart || !*namePart)
        return found;
    ForEachDevice(category, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName && name.find(namePart) != std::string::npos) {
            if (friendlyName)
                *friendlyName = name;
            found = ComPtr<IMoniker>(moniker);
        }
        return true;
    });
    return found;
}

int DeviceDiscovery::FindCompressorByName(const char* namePart, const GUID& category,
                                          std::string* friendlyName, std::wstring* displayName) {
    const ComPtr<IMoniker> moniker = FindCompressor(namePart, category, friendlyName);
    if (!moniker)
        return -1;
    if (displayName)
        *displayName = DisplayName(moniker.get());
    return 0;
}

ComPtr<IBaseFilter> DeviceDiscovery::Bind(IMoniker* moniker) {
    ComPtr<IBaseFilter> filter;
    if (!moniker || FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid())))
        return nullptr;
    return filter;
}

void DeviceDiscovery::FindCompressors() {
    // Both builds record compressed AVI, so both need the MPEG-4 video compressor.
    m_videoCompressor =
        FindCompressor("Microsoft MPEG-4 Video Codec V3", m_categories.videoCompressor, nullptr);
    if (!m_videoCompressor)
        m_videoCompressor =
            FindCompressor("Microcrap MPEG-4 Video Codec V3", m_categories.videoCompressor, nullptr);
    m_audioCompressor = FindCompressor("MPEG Layer-3", m_categories.audioCompressor, nullptr);
}

} // namespace tunaro
