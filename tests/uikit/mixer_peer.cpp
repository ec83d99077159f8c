// Another program for the master-volume tests: sets the master volume, or reports it, through
// the mixer of the default wave output, the way a system volume control would.
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>

#include "uikit/master_volume.h"

using namespace tunaro;

// mixer_peer VALUE: set every channel of the speakers' volume to VALUE; exit code 0 on success.
// mixer_peer: exit code = the current volume of channel 0 (or 255 when it cannot be read).
int main(int argc, char** argv) {
    UINT id = 0;
    if (!MasterVolume::MixerIdOfDefaultWaveOut(&id))
        return 250;
    HMIXER mixer = nullptr;
    if (mixerOpen(&mixer, id, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR)
        return 251;
    MIXERLINEA line = {};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    MIXERCONTROLA control = {};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSA lc = {};
    lc.cbStruct = sizeof(lc);
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof(control);
    lc.pamxctrl = &control;
    int rc = 252;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(mixer), &line,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR) {
        lc.dwLineID = line.dwLineID;
        if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer), &lc,
                                  MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
            MMSYSERR_NOERROR) {
            MIXERCONTROLDETAILS_UNSIGNED values[8] = {};
            MIXERCONTROLDETAILS d = {};
            d.cbStruct = sizeof(d);
            d.dwControlID = control.dwControlID;
            d.cChannels = line.cChannels > 8 ? 8 : line.cChannels;
            d.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
            d.paDetails = values;
            if (argc > 1) {
                for (auto& v : values)
                    v.dwValue = static_cast<DWORD>(strtoul(argv[1], nullptr, 10));
                rc = mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer), &d,
                                            MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                             MMSYSERR_NOERROR
                         ? 0
                         : 253;
            } else {
                rc = mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(mixer), &d,
                                             MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
                             MMSYSERR_NOERROR
                         ? static_cast<int>(values[0].dwValue >> 8)
                         : 255;
            }
        }
    }
    mixerClose(mixer);
    return rc;
}
