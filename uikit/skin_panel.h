// What the skinned main windows of the TV and FM programs share: the volume bar over the master
// volume (its looks and commands, on the rule of uikit/volume_scale.h) and dragging the window
// by its body.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "res/skin_row.h"
#include "uikit/cyup4_btn.h"
#include "uikit/master_volume.h"
#include "uikit/volume_scale.h"

namespace tunaro {

// A skinned volume bar: one skin button a segment, lit up to the current volume, over the master
// volume of the sound card. Pressing a segment sets the volume, volume -/+ step a segment, and a
// change by another program relights the bar.
class VolumeBar {
public:
    // lit and unlit hold the looks of each segment, scale.Count() rows each, lowest first.
    VolumeBar(const VolumeScale& scale, const skin::Row* lit, const skin::Row* unlit);
    VolumeBar(const VolumeBar&) = delete;
    VolumeBar& operator=(const VolumeBar&) = delete;
    ~VolumeBar();

    const VolumeScale& Scale() const { return m_scale; }
    // Makes the segment buttons on the window (taking over the window's own control of a
    // segment's id where it has one) with their unlit looks and the hand cursor. False when a
    // segment could not be made or its normal look is missing.
    bool Create(HWND window, HCURSOR hand);
    Cyup4Btn* Button(int id);

    // Opens the master volume and lights the bar from it; later changes by other programs are
    // followed. Without a volume control the bar stays as it is.
    void OpenMixer();
    void CloseMixer();
    // The master volume (null before OpenMixer and after CloseMixer).
    MasterVolume* Mixer() const { return m_mixer.get(); }

    // Lights the segments up to topId (kept within the bar) and darkens the rest; only the
    // segments whose state changes are redrawn.
    void LightSegments(int topId);
    // The highest lit segment, 0 before the bar was first lit.
    int Top() const { return m_top; }

    // A segment pressed: sets its volume and lights the bar up to it. Nothing without a volume
    // control (the bar would show a level nobody hears) or for an id off the bar.
    void OnSegment(int id);
    // Volume - and volume +: the segment below or above the highest lit one, never off the bar.
    void OnVolumeDown();
    void OnVolumeUp();

private:
    static void OnMixerChanged(DWORD volume, DWORD_PTR self);

    struct Segment {
        int id;
        std::unique_ptr<Cyup4Btn> button;
    };
    VolumeScale m_scale;
    const skin::Row* m_lit;
    const skin::Row* m_unlit;
    std::vector<Segment> m_segments;
    std::unique_ptr<MasterVolume> m_mixer;
    int m_top = 0;
};

// Starts moving a captionless window as if its caption were held at point (client coordinates):
// the whole body of a skinned window is its handle.
void DragWindowFrom(HWND window, POINT clientPoint);

} // namespace tunaro
