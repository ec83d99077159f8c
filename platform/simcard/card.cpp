// The simulated card's shared state: configuration from simcard.ini, tuning, routing,
// decoder and proc-amp rules, the signal the filters render, and the [State] report.
#include "card.h"
#include "simcard_ini.h"

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

Card::Card() : family_(&FamilyOf(Family::Saa7134)), amp_(DefaultProcAmp()) {
    PowerOn();
}

void Card::Reset() {
    PowerOn();
}

void Card::PowerOn() {
    dshow::AutoLock lock(lock_);
    LoadConfig();
    frequency_ = 45250000; // between channels
    fm_ = false;
    country_ = 1;
    tuningSpace_ = 0;
    standard_ = 32; // PAL-D
    amp_ = DefaultProcAmp();
    stereo_ = true;
    running_ = 0;
    frames_ = 0;
    // Power-on routing: the tuner's picture and sound.
    videoIn_ = -1;
    audioIn_ = -1;
    for (size_t i = 0; i < family_->inputs.size(); ++i) {
        if (family_->inputs[i].type == kConnVideoTuner && videoIn_ < 0)
            videoIn_ = static_cast<long>(i);
        if (family_->inputs[i].type == kConnAudioTuner && audioIn_ < 0)
            audioIn_ = static_cast<long>(i);
    }
    SaveLocked();
}

void Card::LoadConfig() {
    const std::string path = IniPath();
    char buf[512];
    GetPrivateProfileStringA("Config", "Family", "SAA7134", buf, sizeof buf, path.c_str());
    const FamilyInfo* f = FindFamily(buf);
    family_ = f ? f : &FamilyOf(Family::Saa7134);
    genericFirst_ = GetPrivateProfileIntA("Config", "GenericDevice", 0, path.c_str()) != 0;
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
    plan_ = plan.tv.empty() && plan.fm.empty() ? DefaultPlan() : plan;
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
    dshow::AutoLock lock(lock_);
    frequency_ = hz;
    SaveLocked();
    return S_OK;
}

uint32_t Card::Frequency() {
    dshow::AutoLock lock(lock_);
    return frequency_;
}

HRESULT Card::SetFmMode(bool fm) {
    dshow::AutoLock lock(lock_);
    fm_ = fm;
    SaveLocked();
    return S_OK;
}

bool Card::FmMode() {
    dshow::AutoLock lock(lock_);
    return fm_;
}

void Card::SetCountry(long code) {
    dshow::AutoLock lock(lock_);
    country_ = code;
    SaveLocked();
}

long Card::Country() {
    dshow::AutoLock lock(lock_);
    return country_;
}

void Card::SetTuningSpace(long space) {
    dshow::AutoLock lock(lock_);
    tuningSpace_ = space;
}

long Card::TuningSpace() {
    dshow::AutoLock lock(lock_);
    return tuningSpace_;
}

Reception Card::ReceptionLocked() {
    return fm_ ? ReceiveFm(plan_, frequency_) : ReceiveTv(plan_, frequency_);
}

Reception Card::CurrentReception() {
    dshow::AutoLock lock(lock_);
    return ReceptionLocked();
}

HRESULT Card::SetStandard(long standard) {
    if (standard == 0 || (standard & (standard - 1)) != 0 || (standard & DefaultStandardMask()) == 0)
        return E_INVALIDARG;
    dshow::AutoLock lock(lock_);
    standard_ = standard;
    SaveLocked();
    return S_OK;
}

long Card::Standard() {
    dshow::AutoLock lock(lock_);
    return standard_;
}

bool Card::LockedLocked() {
    if (videoIn_ < 0 || videoIn_ >= static_cast<long>(family_->inputs.size()))
        return false;
    if (family_->inputs[videoIn_].type != kConnVideoTuner)
        return true; // composite and S-video sources always carry a picture
    if (fm_)
        return false;
    Reception r = ReceiveTv(plan_, frequency_);
    if (!r.carrier)
        return false;
    const TvStation& s = plan_.tv[r.station];
    bool station525 = s.system == ColorSystem::Ntsc;
    return station525 == Is525Lines(standard_);
}

bool Card::Locked() {
    dshow::AutoLock lock(lock_);
    return LockedLocked();
}

HRESULT Card::SetProcAmp(long property, long value) {
    ProcAmpRange r;
    if (!ProcAmpRangeOf(property, &r))
        return E_PROP_ID_UNSUPPORTED;
    if (value < r.min || value > r.max)
        return E_INVALIDARG;
    dshow::AutoLock lock(lock_);
    SetProcAmpValue(amp_, property, value);
    SaveLocked();
    return S_OK;
}

HRESULT Card::GetProcAmp(long property, long* value) {
    ProcAmpRange r;
    if (!ProcAmpRangeOf(property, &r))
        return E_PROP_ID_UNSUPPORTED;
    dshow::AutoLock lock(lock_);
    *value = ProcAmpValue(amp_, property);
    return S_OK;
}

bool Card::CanRoute(long output, long input) const {
    const long n = static_cast<long>(family_->inputs.size());
    if (n == 0)
        return false;
    if (output == 0)
        return input >= 0 && input < n && family_->inputs[input].type < 4096;
    if (output == 1)
        return input == -1 || (input >= 0 && input < n && family_->inputs[input].type >= 4096);
    return false;
}

HRESULT Card::Route(long output, long input) {
    if (output < 0 || output > 1 || family_->inputs.empty())
        return E_INVALIDARG;
    if (!CanRoute(output, input))
        return E_INVALIDARG;
    dshow::AutoLock lock(lock_);
    (output == 0 ? videoIn_ : audioIn_) = input;
    SaveLocked();
    return S_OK;
}

long Card::RoutedTo(long output) {
    dshow::AutoLock lock(lock_);
    return output == 0 ? videoIn_ : (output == 1 ? audioIn_ : -1);
}

void Card::SetStereo(bool stereo) {
    dshow::AutoLock lock(lock_);
    stereo_ = stereo;
    SaveLocked();
}

bool Card::Stereo() {
    dshow::AutoLock lock(lock_);
    return stereo_;
}

void Card::StreamStarted() {
    dshow::AutoLock lock(lock_);
    ++running_;
    SaveLocked();
}

void Card::StreamStopped() {
    dshow::AutoLock lock(lock_);
    if (running_ > 0)
        --running_;
    SaveLocked();
}

void Card::FramesDelivered(long count) {
    dshow::AutoLock lock(lock_);
    frames_ += count;
    // The count changes 25 or 30 times a second; it is written a few times a second (and on
    // every other change).
    DWORD now = GetTickCount();
    if (now - lastFrameSave_ >= 200)
        SaveLocked();
}

Signal Card::CurrentSignal() {
    dshow::AutoLock lock(lock_);
    Signal s{};
    s.amp = amp_;
    s.locked = LockedLocked();
    long vtype = videoIn_ >= 0 && videoIn_ < static_cast<long>(family_->inputs.size())
                     ? family_->inputs[videoIn_].type
                     : kConnVideoTuner;
    s.frame.upsideDown = family_->upsideDown;
    s.frame.frequency = frequency_;
    if (vtype == kConnVideoComposite) {
        s.frame.source = Source::Composite;
    } else if (vtype == kConnVideoSVideo) {
        s.frame.source = Source::SVideo;
    } else {
        s.frame.source = Source::Tuner;
        Reception r = ReceiveTv(plan_, frequency_);
        if (!fm_ && r.carrier) {
            const TvStation& st = plan_.tv[r.station];
            s.frame.station = &st; // the plan does not change while the process runs
            s.frame.quality = r.quality;
            s.frame.colour = ColourMatches(st.system, standard_);
            s.frame.rolling = (st.system == ColorSystem::Ntsc) != Is525Lines(standard_);
            if (s.frame.rolling)
                s.frame.quality = std::min(s.frame.quality, 60);
        } else {
            s.frame.station = nullptr;
            s.frame.quality = 0;
        }
    }
    // Sound: what the audio route carries.
    long atype = audioIn_ >= 0 && audioIn_ < static_cast<long>(family_->inputs.size())
                     ? family_->inputs[audioIn_].type
                     : -1;
    if (atype == kConnAudioLine) {
        s.sound.leftHz = s.sound.rightHz = 1000;
    } else if (atype == kConnAudioTuner) {
        Reception r = ReceptionLocked();
        int tone = 0;
        if (r.station >= 0 && (fm_ || r.carrier))
            tone = fm_ ? plan_.fm[r.station].toneHz : plan_.tv[r.station].toneHz;
        if (tone) {
            s.sound.leftHz = tone;
            s.sound.rightHz = stereo_ ? tone * 3 / 2 : tone;
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
    dshow::AutoLock lock(lock_);
    SaveLocked();
}

void Card::SaveLocked() {
    lastFrameSave_ = GetTickCount();
    const std::string path = IniPath();
    std::vector<std::pair<const char*, std::string>> kv;
    auto num = [](long long v) { return std::to_string(v); };
    const long n = static_cast<long>(family_->inputs.size());
    kv.push_back({"Family", family_->key});
    kv.push_back({"Frequency", num(frequency_)});
    kv.push_back({"TunerMode", fm_ ? "FM" : "TV"});
    kv.push_back({"CountryCode", num(country_)});
    kv.push_back({"VideoInput",
                  videoIn_ >= 0 && videoIn_ < n ? ConnectorName(family_->inputs[videoIn_].type) : "None"});
    kv.push_back({"AudioInput",
                  audioIn_ >= 0 && audioIn_ < n ? ConnectorName(family_->inputs[audioIn_].type) : "None"});
    kv.push_back({"AudioRouted", audioIn_ >= 0 ? "1" : "0"});
    kv.push_back({"VideoStandard", num(standard_)});
    kv.push_back({"Brightness", num(amp_.brightness)});
    kv.push_back({"Contrast", num(amp_.contrast)});
    kv.push_back({"Hue", num(amp_.hue)});
    kv.push_back({"Saturation", num(amp_.saturation)});
    kv.push_back({"Sharpness", num(amp_.sharpness)});
    kv.push_back({"ColorEnable", num(amp_.colorEnable)});
    kv.push_back({"AudioMode", stereo_ ? "1" : "0"});
    kv.push_back({"Locked", LockedLocked() ? "1" : "0"});
    Reception r = ReceptionLocked();
    kv.push_back({"Station", r.station >= 0 && (fm_ || r.carrier)
                                 ? (fm_ ? plan_.fm[r.station].name : plan_.tv[r.station].name)
                                 : std::string()});
    kv.push_back({"Running", running_ > 0 ? "1" : "0"});
    kv.push_back({"FramesDelivered", num(frames_)});
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
