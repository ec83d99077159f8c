// The simulated card's hardware state, shared by all of its filters in a process: tuner,
// crossbar routes, decoder standard, proc amp, audio mode; read from and reported to
// simcard.ini ([Config] when first used, [State] after every change).
#pragma once

#include <windows.h>

#include <dshow.h>

#include <string>

#include "platform/simcard/broadcast.h"
#include "platform/dshow/com_ptr.h"
#include "platform/simcard/family.h"

namespace simcard {

// AnalogVideoStandard helpers.
bool Is525Lines(long standard);
long DefaultStandardMask();
REFERENCE_TIME FramePeriodFor(long standard);

// What a streaming thread needs to make one frame or one buffer of sound.
struct Signal {
    FrameSpec frame; // without size and frame number
    ProcAmp amp;
    SoundSpec sound; // without rate, channels and first sample
    bool locked;
};

class Card {
public:
    // The card of this process; created on first use from simcard.ini [Config].
    static Card& Get();
    // Path of simcard.ini: %TUNARO_SIMCARD_INI% when set, else the system directory's.
    static std::string IniPath();

    const FamilyInfo& Info() const { return *m_family; }
    bool GenericFirst() const { return m_genericFirst; }
    // [Config] SoundClockPpm: the error of the sound clock against the picture's, in parts
    // per million (real cards show a few hundred); SyncMarks=1: the broadcast carries sync marks.
    int SoundClockPpm() const { return m_soundClockPpm; }
    bool SyncMarks() const { return m_syncMarks; }
    const Plan& GetPlan() const { return m_plan; }

    // Tuner. Frequencies outside the mode's range are refused (E_INVALIDARG).
    HRESULT SetFrequency(uint32_t hz, bool fmMode);
    uint32_t Frequency();
    HRESULT SetFmMode(bool fm);
    bool FmMode();
    void SetCountry(long code);
    long Country();
    void SetTuningSpace(long space);
    long TuningSpace();
    static void Range(bool fm, uint32_t* minHz, uint32_t* maxHz);
    Reception CurrentReception();

    // Decoder.
    HRESULT SetStandard(long standard);
    long Standard();
    bool Locked();

    // Proc amp (device units); E_INVALIDARG outside the range, E_PROP_ID_UNSUPPORTED for
    // properties the card does not have.
    HRESULT SetProcAmp(long property, long value);
    HRESULT GetProcAmp(long property, long* value);

    // Crossbar: output 0 video (input index), output 1 audio (input index or -1).
    HRESULT Route(long output, long input);
    long RoutedTo(long output);
    bool CanRoute(long output, long input) const;

    void SetStereo(bool stereo);
    bool Stereo();

    // Streaming.
    void StreamStarted();
    void StreamStopped();
    void FramesDelivered(long count);
    Signal CurrentSignal();

    // Rewrites [State] now.
    void Save();
    // Back to power-on: [Config] read again, state reset.
    void Reset();

private:
    Card();
    void PowerOn();
    void LoadConfig();
    void SaveLocked();
    bool LockedLocked();
    Reception ReceptionLocked();

    dshow::CritSec m_lock;
    const FamilyInfo* m_family;
    bool m_genericFirst = false;
    int m_soundClockPpm = 0;
    bool m_syncMarks = false;
    Plan m_plan;
    uint32_t m_frequency = 45250000;
    bool m_fm = false;
    long m_country = 1;
    long m_tuningSpace = 0;
    long m_standard = 32; // PAL-D
    ProcAmp m_amp;
    long m_videoIn = 1;
    long m_audioIn = -1;
    bool m_stereo = true;
    long m_running = 0;
    LONGLONG m_frames = 0;
    DWORD m_lastFrameSave = 0;
};

} // namespace simcard
