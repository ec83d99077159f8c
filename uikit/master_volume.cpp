// MasterVolume and RecordingInput over the Windows multimedia mixer: opening through the default
// wave output, control look-up, mute by mute and selector controls, change notifications.
#include "uikit/master_volume.h"

#include "framework/debug_print.h"

#include <vector>

namespace tunaro {

namespace {

MasterVolume* g_active = nullptr;
const char kMsgClass[] = "Master Output Volume Msg Wnd Class";
const char kMsgTitle[] = "Master Output Volume Msg Wnd";
// Some mixers (Wine's among them) send no change notifications: the message window then also
// looks at the volume on a timer, and reports a change it did not hear about.
const UINT_PTR kPollTimer = 1;
const UINT kPollMs = 250;

bool IsSelectorType(DWORD type) {
    return type == MIXERCONTROL_CONTROLTYPE_SINGLESELECT || type == MIXERCONTROL_CONTROLTYPE_MUX ||
           type == MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT || type == MIXERCONTROL_CONTROLTYPE_MIXER;
}

// Values a control takes in one call: one per channel (one when uniform), times the items of a
// multiple-item control.
DWORD ValueCount(const MIXERCONTROLA& c, DWORD channels, DWORD* channelsOut, DWORD* itemsOut) {
    DWORD ch = (c.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : (channels ? channels : 1);
    DWORD items = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.cMultipleItems : 0;
    *channelsOut = ch;
    *itemsOut = items;
    return items ? ch * items : ch;
}

} // namespace

MasterVolume* MasterVolume::Active() {
    return g_active;
}

MasterVolume::MasterVolume(DWORD componentType)
    : m_componentType(componentType ? componentType : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) {
    if (!Open()) {
        if (g_active == this)
            g_active = nullptr;
        return;
    }
    g_active = this;
    if (!FindVolumeControl()) {
        Close();
        g_active = nullptr;
    }
}

MasterVolume::~MasterVolume() {
    Close();
    if (g_active == this)
        g_active = nullptr;
}

bool MasterVolume::MixerIdOfDefaultWaveOut(UINT* id) {
    WAVEFORMATEX wf = {};
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = 1;
    wf.nSamplesPerSec = 22050;
    wf.wBitsPerSample = 16;
    wf.nBlockAlign = 2;
    wf.nAvgBytesPerSec = 44100;
    HWAVEOUT wave = nullptr;
    if (waveOutOpen(&wave, WAVE_MAPPER, &wf, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return false;
    UINT mixer = 0;
    MMRESULT r = mixerGetID(reinterpret_cast<HMIXEROBJ>(wave), &mixer, MIXER_OBJECTF_HWAVEOUT);
    if (r != MMSYSERR_NOERROR) {
        // Some systems cannot map a wave-mapper handle to a mixer; ask by the device behind it,
        // and when that is the mapper itself, by the first wave output device.
        UINT device = 0;
        if (waveOutGetID(wave, &device) != MMSYSERR_NOERROR || device >= waveOutGetNumDevs())
            device = 0;
        r = mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)), &mixer,
                       MIXER_OBJECTF_WAVEOUT);
        TUNARO_TRACE("MasterVolume: mixer id by wave-out device %u, result %u", device, r);
    }
    waveOutClose(wave);
    if (r != MMSYSERR_NOERROR)
        return false;
    *id = mixer;
    return true;
}

bool MasterVolume::Open() {
    if (mixerGetNumDevs() == 0)
        return false;
    if (!MixerIdOfDefaultWaveOut(&m_mixerId))
        return false;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, kMsgClass, &wc)) {
        wc.lpfnWndProc = MsgProc;
        wc.hInstance = instance;
        wc.lpszClassName = kMsgClass;
        if (!RegisterClassA(&wc))
            return false;
    }
    m_msgWnd = CreateWindowExA(0, kMsgClass, kMsgTitle, WS_POPUP | WS_DISABLED, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr);
    if (!m_msgWnd)
        return false;
    if (mixerOpen(&m_mixer, m_mixerId, reinterpret_cast<DWORD_PTR>(m_msgWnd), 0,
                  CALLBACK_WINDOW | MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) {
        m_mixer = nullptr;
        DestroyWindow(m_msgWnd);
        m_msgWnd = nullptr;
        return false;
    }
    m_opened = true;
    SetTimer(m_msgWnd, kPollTimer, kPollMs, nullptr);
    return true;
}

bool MasterVolume::FindVolumeControl() {
    MIXERLINEA line = {};
    line.cbStruct = sizeof(line);
    line.dwComponentType = m_componentType;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(m_mixer), &line,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return false;
    m_lineFound = true;
    m_lineId = line.dwLineID;
    m_channels = line.cChannels;

    MIXERCONTROLA control = {};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSA controls = {};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(m_mixer), &controls,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return false;
    m_volumeAvailable = TRUE;
    m_volumeControlId = control.dwControlID;
    m_minimum = control.Bounds.dwMinimum;
    m_maximum = control.Bounds.dwMaximum;
    m_steps = control.Metrics.cSteps;
    m_lastSeen = GetVolume();
    return true;
}

void MasterVolume::Close() {
    if (m_opened) {
        mixerClose(m_mixer);
        m_mixer = nullptr;
        if (m_msgWnd) {
            KillTimer(m_msgWnd, kPollTimer);
            DestroyWindow(m_msgWnd);
        }
        m_msgWnd = nullptr;
    }
    m_opened = false;
    m_lineFound = false;
    m_volumeAvailable = FALSE;
}

long MasterVolume::GetVolume() const {
    if (!m_volumeAvailable || !m_mixer)
        return -1;
    std::vector<MIXERCONTROLDETAILS_UNSIGNED> values(m_channels ? m_channels : 1);
    MIXERCONTROLDETAILS d = {};
    d.cbStruct = sizeof(d);
    d.dwControlID = m_volumeControlId;
    d.cChannels = static_cast<DWORD>(values.size());
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
    d.paDetails = values.data();
    if (mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                                MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return -1;
    return static_cast<long>(values[0].dwValue);
}

void MasterVolume::SetVolume(DWORD value) {
    if (!m_volumeAvailable || !m_mixer || value < m_minimum || value > m_maximum)
        return;
    std::vector<MIXERCONTROLDETAILS_UNSIGNED> values(m_channels ? m_channels : 1);
    for (auto& v : values)
        v.dwValue = value;
    MIXERCONTROLDETAILS d = {};
    d.cbStruct = sizeof(d);
    d.dwControlID = m_volumeControlId;
    d.cChannels = static_cast<DWORD>(values.size());
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
    d.paDetails = values.data();
    mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                           MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
}

// Reads the destination line's controls; empty when the line or its controls cannot be read.
static std::vector<MIXERCONTROLA> LineControls(HMIXER mixer, DWORD lineId, DWORD* channels) {
    MIXERLINEA line = {};
    line.cbStruct = sizeof(line);
    line.dwLineID = lineId;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(mixer), &line,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR ||
        line.cControls == 0)
        return {};
    *channels = line.cChannels;
    std::vector<MIXERCONTROLA> controls(line.cControls);
    for (auto& c : controls)
        c.cbStruct = sizeof(c);
    MIXERLINECONTROLSA lc = {};
    lc.cbStruct = sizeof(lc);
    lc.dwLineID = lineId;
    lc.cControls = line.cControls;
    lc.cbmxctrl = sizeof(MIXERCONTROLA);
    lc.pamxctrl = controls.data();
    if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer), &lc,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
        return {};
    return controls;
}

void MasterVolume::SetMuted(bool mute) {
    if (!m_opened || !m_lineFound)
        return;
    DWORD lineChannels = 0;
    for (const MIXERCONTROLA& c : LineControls(m_mixer, m_lineId, &lineChannels)) {
        DWORD value;
        if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE)
            value = mute ? 1 : 0;
        else if (IsSelectorType(c.dwControlType))
            value = mute ? 0 : 1;
        else
            continue;
        DWORD ch = 0, items = 0;
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> values(ValueCount(c, lineChannels, &ch, &items));
        for (auto& v : values)
            v.fValue = static_cast<LONG>(value);
        MIXERCONTROLDETAILS d = {};
        d.cbStruct = sizeof(d);
        d.dwControlID = c.dwControlID;
        d.cChannels = ch;
        d.cMultipleItems = items;
        d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
        d.paDetails = values.data();
        // A control that refuses is left as it is; the others still change.
        mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                               MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
    }
}

long MasterVolume::MuteState() const {
    if (!m_opened || !m_lineFound)
        return -1;
    DWORD lineChannels = 0;
    for (const MIXERCONTROLA& c : LineControls(m_mixer, m_lineId, &lineChannels)) {
        if (c.dwControlType != MIXERCONTROL_CONTROLTYPE_MUTE)
            continue;
        DWORD ch = 0, items = 0;
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> values(ValueCount(c, lineChannels, &ch, &items));
        MIXERCONTROLDETAILS d = {};
        d.cbStruct = sizeof(d);
        d.dwControlID = c.dwControlID;
        d.cChannels = ch;
        d.cMultipleItems = items;
        d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
        d.paDetails = values.data();
        if (mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                                    MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
            MMSYSERR_NOERROR)
            return -1;
        return values[0].fValue ? 1 : 0;
    }
    return -1;
}

void MasterVolume::ReportChange() {
    long volume = GetVolume();
    if (volume < 0)
        return;
    m_lastSeen = volume;
    if (m_callback)
        m_callback(static_cast<DWORD>(volume), m_user);
}

LRESULT CALLBACK MasterVolume::MsgProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    MasterVolume* active = g_active;
    if (msg == MM_MIXM_CONTROL_CHANGE) {
        if (active && active->m_volumeAvailable && static_cast<DWORD>(lp) == active->m_volumeControlId)
            active->ReportChange();
    } else if (msg == WM_TIMER && wp == kPollTimer) {
        if (active && active->m_msgWnd == wnd && active->m_volumeAvailable) {
            long volume = active->GetVolume();
            if (volume >= 0 && volume != active->m_lastSeen)
                active->ReportChange();
        }
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// ---- RecordingInput ----------------------------------------------------------------------

RecordingInput::RecordingInput(HWND notifyWindow, DWORD componentType) : m_componentType(componentType) {
    if (mixerGetNumDevs() < 1)
        return;
    HMIXER mixer = nullptr;
    DWORD flags = notifyWindow ? CALLBACK_WINDOW : 0;
    if (mixerOpen(&mixer, 0, reinterpret_cast<DWORD_PTR>(notifyWindow), 0, flags | MIXER_OBJECTF_MIXER) !=
        MMSYSERR_NOERROR)
        return;
    if (mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(mixer), &m_caps, sizeof(m_caps)) != MMSYSERR_NOERROR) {
        mixerClose(mixer);
        return;
    }
    m_mixer = mixer;
}

RecordingInput::~RecordingInput() {
    if (m_mixer)
        mixerClose(m_mixer);
}

bool RecordingInput::Find() {
    m_chosen = -1;
    if (!m_mixer)
        return false;
    MIXERLINEA line = {};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(m_mixer), &line,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return false;
    m_lineName = line.szName;

    MIXERCONTROLA control = {};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSA lc = {};
    lc.cbStruct = sizeof(lc);
    lc.dwLineID = line.dwLineID;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof(control);
    lc.pamxctrl = &control;
    bool found = false;
    for (DWORD type : {MIXERCONTROL_CONTROLTYPE_MIXER, MIXERCONTROL_CONTROLTYPE_MUX}) {
        lc.dwControlType = type;
        if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(m_mixer), &lc,
                                  MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
            MMSYSERR_NOERROR) {
            found = true;
            break;
        }
    }
    if (!found || control.cMultipleItems == 0)
        return false;
    m_controlId = control.dwControlID;
    m_controlType = control.dwControlType;
    m_controlName = control.szName;
    m_items = control.cMultipleItems;

    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(m_items);
    MIXERCONTROLDETAILS d = {};
    d.cbStruct = sizeof(d);
    d.dwControlID = m_controlId;
    d.cChannels = 1;
    d.cMultipleItems = m_items;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
    d.paDetails = texts.data();
    if (mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                                MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) != MMSYSERR_NOERROR)
        return false;

    // First the item whose source line has the wanted type, else the one named "Microphone".
    int byName = -1;
    for (DWORD i = 0; i < m_items && m_chosen < 0; ++i) {
        MIXERLINEA src = {};
        src.cbStruct = sizeof(src);
        src.dwLineID = texts[i].dwParam1;
        if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(m_mixer), &src,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID) == MMSYSERR_NOERROR &&
            src.dwComponentType == m_componentType)
            m_chosen = static_cast<int>(i);
        if (byName < 0 && lstrcmpA(texts[i].szName, "Microphone") == 0)
            byName = static_cast<int>(i);
    }
    if (m_chosen < 0)
        m_chosen = byName;
    if (m_chosen < 0)
        return false;
    m_chosenName = texts[m_chosen].szName;
    return true;
}

bool RecordingInput::Select() {
    if (!m_mixer || m_chosen < 0 || static_cast<DWORD>(m_chosen) >= m_items)
        return false;
    std::vector<MIXERCONTROLDETAILS_BOOLEAN> values(m_items);
    MIXERCONTROLDETAILS d = {};
    d.cbStruct = sizeof(d);
    d.dwControlID = m_controlId;
    d.cChannels = 1;
    d.cMultipleItems = m_items;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    d.paDetails = values.data();
    if (mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                                MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return false;
    if (m_controlType == MIXERCONTROL_CONTROLTYPE_MUX)
        for (auto& v : values)
            v.fValue = 0;
    values[m_chosen].fValue = 1;
    return mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(m_mixer), &d,
                                  MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

} // namespace tunaro
