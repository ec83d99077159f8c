// MasterVolume: the master output volume and mute of the sound card's mixer, with a callback when
// another program changes the volume; RecordingInput: picks the wave-in source line once.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace tunaro {

class MasterVolume {
public:
    // Called on the creating thread with the new volume (channel 0) and the caller's data.
    typedef void (*ChangeCallback)(DWORD volume, DWORD_PTR user);

    // componentType: mixer line component type of the destination line; 0 means speakers.
    explicit MasterVolume(DWORD componentType = 0);
    virtual ~MasterVolume();
    MasterVolume(const MasterVolume&) = delete;
    MasterVolume& operator=(const MasterVolume&) = delete;

    virtual BOOL VolumeAvailable() const { return m_volumeAvailable; }
    virtual void Unmute() { SetMuted(false); }
    virtual void Mute() { SetMuted(true); }
    virtual long Steps() const { return m_volumeAvailable ? static_cast<long>(m_steps) : -1; }
    virtual long Minimum() const { return m_volumeAvailable ? static_cast<long>(m_minimum) : -1; }
    virtual long Maximum() const { return m_volumeAvailable ? static_cast<long>(m_maximum) : -1; }
    // The first channel's value, or -1 when there is no volume control or the call fails.
    virtual long GetVolume() const;
    // Sets every channel; ignored outside [minimum, maximum] or without a volume control.
    virtual void SetVolume(DWORD value);
    virtual void SetChangeCallback(ChangeCallback callback, DWORD_PTR user) {
        m_callback = callback;
        m_user = user;
    }

    // The mute control's state: 1 muted, 0 not, -1 when the line has none.
    long MuteState() const;
    bool Opened() const { return m_opened; }
    UINT MixerId() const { return m_mixerId; }
    HWND MessageWindow() const { return m_msgWnd; }
    // The instance that receives the mixer's notifications (the last one constructed successfully).
    static MasterVolume* Active();

    // The mixer id used for the default wave output device: by the wave-out handle first, then by
    // the device id behind it (some systems answer only by device).
    static bool MixerIdOfDefaultWaveOut(UINT* id);

private:
    bool Open();
    bool FindVolumeControl();
    void Close();
    void SetMuted(bool mute);
    void ReportChange();
    static LRESULT CALLBACK MsgProc(HWND, UINT, WPARAM, LPARAM);

    DWORD m_componentType;
    bool m_opened = false;
    bool m_lineFound = false;
    BOOL m_volumeAvailable = FALSE;
    HMIXER m_mixer = nullptr;
    UINT m_mixerId = 0;
    DWORD m_lineId = 0;
    DWORD m_volumeControlId = 0;
    DWORD m_channels = 0;
    DWORD m_minimum = static_cast<DWORD>(-1);
    DWORD m_maximum = static_cast<DWORD>(-1);
    DWORD m_steps = 0;
    HWND m_msgWnd = nullptr;
    long m_lastSeen = -1; // the volume last reported (or read at opening)
    ChangeCallback m_callback = nullptr;
    DWORD_PTR m_user = 0;
};

// Chooses which source the sound card records from: the item of the wave-in line's mixer or
// multiplexer control whose source line has the wanted component type (else "Microphone").
class RecordingInput {
public:
    // notifyWindow receives the mixer's notifications while the object lives.
    RecordingInput(HWND notifyWindow, DWORD componentType = MIXERLINE_COMPONENTTYPE_SRC_LINE);
    ~RecordingInput();
    RecordingInput(const RecordingInput&) = delete;
    RecordingInput& operator=(const RecordingInput&) = delete;

    bool Opened() const { return m_mixer != nullptr; }
    // Looks up the control and the item; false when the mixer has none that fits.
    bool Find();
    // Selects the item found (for a multiplexer every other item is cleared); true when written.
    bool Select();

    const std::string& LineName() const { return m_lineName; }
    const std::string& ControlName() const { return m_controlName; }
    const std::string& ChosenName() const { return m_chosenName; }
    int ChosenIndex() const { return m_chosen; }

private:
    DWORD m_componentType;
    HMIXER m_mixer = nullptr;
    MIXERCAPSA m_caps = {};
    std::string m_lineName, m_controlName, m_chosenName;
    DWORD m_controlId = 0;
    DWORD m_controlType = 0;
    DWORD m_items = 0;
    int m_chosen = -1;
};

} // namespace tunaro
