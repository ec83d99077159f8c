// MasterVolume: the master output volume and mute of the sound card's mixer, with a callback when
// another program changes the volume; RecordingInput: picks the wave-in source line once.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

class MasterVolume {
public:
    // Called on the creating thread with the new volume (channel 0) and the caller's data.
    typedef void (*ChangeCallback)(DWORD volume, DWORD_PTR user);

    // componentType: mixer line component type of the destination line; 0 means speakers.
    explicit MasterVolume(DWORD componentType = 0);
    virtual ~MasterVolume();
    MasterVolume(const MasterVolume&) = delete;
    MasterVolume& operator=(const MasterVolume&) = delete;

    virtual BOOL VolumeAvailable() const { return volumeAvailable_; }
    virtual void Unmute() { SetMuted(false); }
    virtual void Mute() { SetMuted(true); }
    virtual long Steps() const { return volumeAvailable_ ? static_cast<long>(steps_) : -1; }
    virtual long Minimum() const { return volumeAvailable_ ? static_cast<long>(minimum_) : -1; }
    virtual long Maximum() const { return volumeAvailable_ ? static_cast<long>(maximum_) : -1; }
    // The first channel's value, or -1 when there is no volume control or the call fails.
    virtual long GetVolume() const;
    // Sets every channel; ignored outside [minimum, maximum] or without a volume control.
    virtual void SetVolume(DWORD value);
    virtual void SetChangeCallback(ChangeCallback callback, DWORD_PTR user) {
        callback_ = callback;
        user_ = user;
    }

    // The mute control's state: 1 muted, 0 not, -1 when the line has none.
    long MuteState() const;
    bool Opened() const { return opened_; }
    UINT MixerId() const { return mixerId_; }
    HWND MessageWindow() const { return msgWnd_; }
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

    DWORD componentType_;
    bool opened_ = false;
    bool lineFound_ = false;
    BOOL volumeAvailable_ = FALSE;
    HMIXER mixer_ = nullptr;
    UINT mixerId_ = 0;
    DWORD lineId_ = 0;
    DWORD volumeControlId_ = 0;
    DWORD channels_ = 0;
    DWORD minimum_ = static_cast<DWORD>(-1);
    DWORD maximum_ = static_cast<DWORD>(-1);
    DWORD steps_ = 0;
    HWND msgWnd_ = nullptr;
    long lastSeen_ = -1; // the volume last reported (or read at opening)
    ChangeCallback callback_ = nullptr;
    DWORD_PTR user_ = 0;
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

    bool Opened() const { return mixer_ != nullptr; }
    // Looks up the control and the item; false when the mixer has none that fits.
    bool Find();
    // Selects the item found (for a multiplexer every other item is cleared); true when written.
    bool Select();

    const std::string& LineName() const { return lineName_; }
    const std::string& ControlName() const { return controlName_; }
    const std::string& ChosenName() const { return chosenName_; }
    int ChosenIndex() const { return chosen_; }

private:
    DWORD componentType_;
    HMIXER mixer_ = nullptr;
    MIXERCAPSA caps_ = {};
    std::string lineName_, controlName_, chosenName_;
    DWORD controlId_ = 0;
    DWORD controlType_ = 0;
    DWORD items_ = 0;
    int chosen_ = -1;
};
