// The simulated card's shared state: configuration from simcard.ini, tuning, routing,
// decoder and proc-amp rules, the signal the filters render, and the [State] report.
#include "platform/simcard/card.h"
#include "platform/simcard/simcard_ini.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace simcard {

namespace {

constexpr uint32_t kTvMin = 44000000, kTvMax = 958000000;
constexpr uint32_t kFmMin = 87500000, kFmMax = 108000000;

const char* ConnectorName(long type) {
    switch (type) {
    case kConnVideoTuner:
        return "Video Tuner";
    case kConnVideoComposite:
        return "Video Composite";
    case kConnVideoSVideo:
        return "Video SVideo";
    case kConnAudioTuner:
        return "Audio Tuner";
    case kConnAudioLine:
        return "Audio Line";
    default:
        return "Unknown";
    }
}

bool ColourMatches(ColorSystem s, long standard) {
    switch (s) {
    case ColorSystem::Ntsc:
        return standard == 1 || standard == 2 || standard == 4;
    case ColorSystem::Pal:
        return (standard & (0x10 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 | 0x400 | 0x800)) != 0;
    case ColorSystem::Secam:
        return standard >= 4096 && standard <= 524288;
    }
    return false;
}

} // namespace

bool Is525Lines(long standard) {
    return standard == 1 || standard == 2 || standard == 4 || standard == 512 ||
           standard == 0x00100000 /*PAL-60*/;
}

long DefaultStandardMask() {
    // NTSC M/J/4.43, PAL B/D/G/H/I/M/N, SECAM B/D/G/H/K/K1/L/L1.
    return 0x1 | 0x2 | 0x4 | 0x10 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 | 0x400 | 0x1000 | 0x2000 | 0x4000 |
           0x8000 | 0x10000 | 0x20000 | 0x40000 | 0x80000;
}

REFERENCE_TIME FramePeriodFor(long standard) {
    return Is525Lines(standard) ? 333667 : 400000;
}

Card& Card::Get() {
    static Card* card = new Card(); // lives as long as the process: filters may outlive statics
    return *card;
}

std::string Card::IniPath() {
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TUNARO_SIMCARD_INI", buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return buf;
    UINT len = GetSystemDirectoryA(buf, MAX_PATH);
    std::string path =
        len > 0 && len < MAX_PATH ? std::string(buf, len) : std::string("C:\\windows\\system32");
    return path + "\\simcard.ini";
}

Card::Card() : m_family(&FamilyOf(Family::Saa7134)), m_amp(DefaultProcAmp()) {
    PowerOn();
}

void Card::Reset() {
    PowerOn();
}

void Card::PowerOn() {
    dshow::AutoLock lock(m_lock);
    LoadConfig();
    m_frequency = 45250000; // between channels
    m_fm = false;
    m_country = 1;
    m_tuningSpace = 0;
    m_standard = 32; // PAL-D
    m_amp = DefaultProcAmp();
    m_stereo = true;
    m_running = 0;
    m_frames = 0;
    // Power-on routing: the tuner's picture and sound.
    m_videoIn = -1;
    m_audioIn = -1;
    for (size_t i = 0; i < m_family->inputs.size(); ++i) {
        if (m_family->inputs[i].type == kConnVideoTuner && m_videoIn < 0)
            m_videoIn = static_cast<long>(i);
        if (m_family->inputs[i].type == kConnAudioTuner && m_audioIn < 0)
            m_audioIn = static_cast<long>(i);
    }
    SaveLocked();
}

void Card::LoadConfig() {
    const std::string path = IniPath();
    char buf[512];
    GetPrivateProfileStringA("Config", "Family", "SAA7134", buf, sizeof buf, path.c_str());
    const FamilyInfo* f = FindFamily(buf);
    m_family = f ? f : &FamilyOf(Family::Saa7134);
    m_genericFirst = GetPrivateProfileIntA("Config", "GenericDevice", 0, path.c_str()) != 0;
    m_soundClockPpm = std::max(
        -10000,
        std::min(10000, static_cast<int>(GetPrivateProfileIntA("Config", "SoundClockPpm", 0, path.c_str()))));
    m_syncMarks = GetPrivateProfileIntA("Config", "SyncMarks", 0, path.c_str()) != 0;
    Plan plan;
    for (int i = 1;; ++i) {
        char key[16];
        snprintf(key, sizeof key, "TV%d", i);
        if (!GetPrivateProfileStringA("Config", key, "", buf, sizeof buf, path.c_str()))
            break;
        TvStation s;
        if (ParseTvStation(buf, &s)) {
            s.toneHz = DefaultToneHz(false, plan.tv.size());
            plan.tv.push_back(s);
        }
    }
    for (int i = 1;; ++i) {
        char key[16];
        snprintf(key, sizeof key, "FM%d", i);
        if (!GetPrivateProfileStringA("Config", key, "", buf, sizeof buf, path.c_str()))
            break;
        FmStation s;
        if (ParseFmStation(buf, &s)) {
            s.toneHz = DefaultToneHz(true, plan.fm.size());
            plan.fm.push_back(s);
        }
    }
    m_plan = plan.tv.empty() && plan.fm.empty() ? DefaultPlan() : plan;
}

void Card::Range(bool fm, uint32_t* minHz, uint32_t* maxHz) {
    *minHz = fm ? kFmMin : kTvMin;
    *maxHz = fm ? kFmMax : kTvMax;
}

HRESULT Card::SetFrequency(uint32_t hz, bool fmMode) {
    uint32_t lo, hi;
    Range(fmMode, &lo, &hi);
    if (hz < lo || hz > hi)
        return E_INVALIDARG;
    dshow::AutoLock lock(m_lock);
    m_frequency = hz;
    SaveLocked();
    return S_OK;
}

uint32_t Card::Frequency() {
    dshow::AutoLock lock(m_lock);
    return m_frequency;
}

HRESULT Card::SetFmMode(bool fm) {
    dshow::AutoLock lock(m_lock);
    m_fm = fm;
    SaveLocked();
    return S_OK;
}

bool Card::FmMode() {
    dshow::AutoLock lock(m_lock);
    return m_fm;
}

void Card::SetCountry(long code) {
    dshow::AutoLock lock(m_lock);
    m_country = code;
    SaveLocked();
}

long Card::Country() {
    dshow::AutoLock lock(m_lock);
    return m_country;
}

void Card::SetTuningSpace(long space) {
    dshow::AutoLock lock(m_lock);
    m_tuningSpace = space;
}

long Card::TuningSpace() {
    dshow::AutoLock lock(m_lock);
    return m_tuningSpace;
}

Reception Card::ReceptionLocked() {
    return m_fm ? ReceiveFm(m_plan, m_frequency) : ReceiveTv(m_plan, m_frequency);
}

Reception Card::CurrentReception() {
    dshow::AutoLock lock(m_lock);
    return ReceptionLocked();
}

HRESULT Card::SetStandard(long standard) {
    if (standard == 0 || (standard & (standard - 1)) != 0 || (standard & DefaultStandardMask()) == 0)
        return E_INVALIDARG;
    dshow::AutoLock lock(m_lock);
    m_standard = standard;
    SaveLocked();
    return S_OK;
}

long Card::Standard() {
    dshow::AutoLock lock(m_lock);
    return m_standard;
}

bool Card::LockedLocked() {
    if (m_videoIn < 0 || m_videoIn >= static_cast<long>(m_family->inputs.size()))
        return false;
    if (m_family->inputs[m_videoIn].type != kConnVideoTuner)
        return true; // composite and S-video sources always carry a picture
    if (m_fm)
        return false;
    Reception r = ReceiveTv(m_plan, m_frequency);
    if (!r.carrier)
        return false;
    const TvStation& s = m_plan.tv[r.station];
    bool station525 = s.system == ColorSystem::Ntsc;
    return station525 == Is525Lines(m_standard);
}

bool Card::Locked() {
    dshow::AutoLock lock(m_lock);
    return LockedLocked();
}

HRESULT Card::SetProcAmp(long property, long value) {
    ProcAmpRange r;
    if (!ProcAmpRangeOf(property, &r))
        return E_PROP_ID_UNSUPPORTED;
    if (value < r.min || value > r.max)
        return E_INVALIDARG;
    dshow::AutoLock lock(m_lock);
    SetProcAmpValue(m_amp, property, value);
    SaveLocked();
    return S_OK;
}

HRESULT Card::GetProcAmp(long property, long* value) {
    ProcAmpRange r;
    if (!ProcAmpRangeOf(property, &r))
        return E_PROP_ID_UNSUPPORTED;
    dshow::AutoLock lock(m_lock);
    *value = ProcAmpValue(m_amp, property);
    return S_OK;
}

bool Card::CanRoute(long output, long input) const {
    const long n = static_cast<long>(m_family->inputs.size());
    if (n == 0)
        return false;
    if (output == 0)
        return input >= 0 && input < n && m_family->inputs[input].type < 4096;
    if (output == 1)
        return input == -1 || (input >= 0 && input < n && m_family->inputs[input].type >= 4096);
    return false;
}

HRESULT Card::Route(long output, long input) {
    if (output < 0 || output > 1 || m_family->inputs.empty())
        return E_INVALIDARG;
    if (!CanRoute(output, input))
        return E_INVALIDARG;
    dshow::AutoLock lock(m_lock);
    (output == 0 ? m_videoIn : m_audioIn) = input;
    SaveLocked();
    return S_OK;
}

long Card::RoutedTo(long output) {
    dshow::AutoLock lock(m_lock);
    return output == 0 ? m_videoIn : (output == 1 ? m_audioIn : -1);
}

void Card::SetStereo(bool stereo) {
    dshow::AutoLock lock(m_lock);
    m_stereo = stereo;
    SaveLocked();
}

bool Card::Stereo() {
    dshow::AutoLock lock(m_lock);
    return m_stereo;
}

void Card::StreamStarted() {
    dshow::AutoLock lock(m_lock);
    ++m_running;
    SaveLocked();
}

void Card::StreamStopped() {
    dshow::AutoLock lock(m_lock);
    if (m_running > 0)
        --m_running;
    SaveLocked();
}

void Card::FramesDelivered(long count) {
    dshow::AutoLock lock(m_lock);
    m_frames += count;
    // The count changes 25 or 30 times a second; it is written a few times a second (and on
    // every other change).
    DWORD now = GetTickCount();
    if (now - m_lastFrameSave >= 200)
        SaveLocked();
}

Signal Card::CurrentSignal() {
    dshow::AutoLock lock(m_lock);
    Signal s{};
    s.amp = m_amp;
    s.locked = LockedLocked();
    long vtype = m_videoIn >= 0 && m_videoIn < static_cast<long>(m_family->inputs.size())
                     ? m_family->inputs[m_videoIn].type
                     : kConnVideoTuner;
    s.frame.upsideDown = m_family->upsideDown;
    s.frame.frequency = m_frequency;
    if (vtype == kConnVideoComposite) {
        s.frame.source = Source::Composite;
    } else if (vtype == kConnVideoSVideo) {
        s.frame.source = Source::SVideo;
    } else {
        s.frame.source = Source::Tuner;
        Reception r = ReceiveTv(m_plan, m_frequency);
        if (!m_fm && r.carrier) {
            const TvStation& st = m_plan.tv[r.station];
            s.frame.station = &st; // the plan does not change while the process runs
            s.frame.quality = r.quality;
            s.frame.colour = ColourMatches(st.system, m_standard);
            s.frame.rolling = (st.system == ColorSystem::Ntsc) != Is525Lines(m_standard);
            if (s.frame.rolling)
                s.frame.quality = std::min(s.frame.quality, 60);
        } else {
            s.frame.station = nullptr;
            s.frame.quality = 0;
        }
    }
    // Sound: what the audio route carries.
    long atype = m_audioIn >= 0 && m_audioIn < static_cast<long>(m_family->inputs.size())
                     ? m_family->inputs[m_audioIn].type
                     : -1;
    if (atype == kConnAudioLine) {
        s.sound.leftHz = s.sound.rightHz = 1000;
    } else if (atype == kConnAudioTuner) {
        Reception r = ReceptionLocked();
        int tone = 0;
        if (r.station >= 0 && (m_fm || r.carrier))
            tone = m_fm ? m_plan.fm[r.station].toneHz : m_plan.tv[r.station].toneHz;
        if (tone) {
            s.sound.leftHz = tone;
            s.sound.rightHz = m_stereo ? tone * 3 / 2 : tone;
            s.sound.noise = (100 - r.quality) * 40;
        } else {
            s.sound.noise = 2500; // hiss between stations
        }
    } else {
        s.sound.silent = true;
    }
    return s;
}

void Card::Save() {
    dshow::AutoLock lock(m_lock);
    SaveLocked();
}

void Card::SaveLocked() {
    m_lastFrameSave = GetTickCount();
    const std::string path = IniPath();
    std::vector<std::pair<const char*, std::string>> kv;
    auto num = [](long long v) { return std::to_string(v); };
    const long n = static_cast<long>(m_family->inputs.size());
    kv.push_back({"Family", m_family->key});
    kv.push_back({"Frequency", num(m_frequency)});
    kv.push_back({"TunerMode", m_fm ? "FM" : "TV"});
    kv.push_back({"CountryCode", num(m_country)});
    kv.push_back({"VideoInput", m_videoIn >= 0 && m_videoIn < n
                                    ? ConnectorName(m_family->inputs[m_videoIn].type)
                                    : "None"});
    kv.push_back({"AudioInput", m_audioIn >= 0 && m_audioIn < n
                                    ? ConnectorName(m_family->inputs[m_audioIn].type)
                                    : "None"});
    kv.push_back({"AudioRouted", m_audioIn >= 0 ? "1" : "0"});
    kv.push_back({"VideoStandard", num(m_standard)});
    kv.push_back({"Brightness", num(m_amp.brightness)});
    kv.push_back({"Contrast", num(m_amp.contrast)});
    kv.push_back({"Hue", num(m_amp.hue)});
    kv.push_back({"Saturation", num(m_amp.saturation)});
    kv.push_back({"Sharpness", num(m_amp.sharpness)});
    kv.push_back({"ColorEnable", num(m_amp.colorEnable)});
    kv.push_back({"AudioMode", m_stereo ? "1" : "0"});
    kv.push_back({"Locked", LockedLocked() ? "1" : "0"});
    Reception r = ReceptionLocked();
    kv.push_back({"Station", r.station >= 0 && (m_fm || r.carrier)
                                 ? (m_fm ? m_plan.fm[r.station].name : m_plan.tv[r.station].name)
                                 : std::string()});
    kv.push_back({"Running", m_running > 0 ? "1" : "0"});
    kv.push_back({"FramesDelivered", num(m_frames)});
    std::string section;
    for (auto& p : kv) {
        section += p.first;
        section += '=';
        section += p.second;
        section += '\0';
    }
    section += '\0';
    // Under the writers' lock, so that the clock chip's section, which other processes replace
    // whole, is never written back stale.
    SimcardIniLock writers;
    WritePrivateProfileSectionA("State", section.c_str(), path.c_str());
}

} // namespace simcard
