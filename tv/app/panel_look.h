// The control panel's looks: skin buttons and tooltips, the volume bar's scale, the status line
// and the busy lock's id lists. The window shape, the background, the volume bar and the
// on-screen text are the UI kit's (uikit/skin_region.h, uikit/skin_background.h,
// uikit/skin_panel.h, uikit/osd_window.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "uikit/cyup4_btn.h"
#include "uikit/skin_panel.h"
#include "uikit/status_text.h"
#include "framework/language.h"
#include "framework/raii.h"

namespace tunaro {

// ---- rules without windows ------------------------------------------------------------------

// The volume bar: 18 segments with the ids 1181 to 1198; a volume lights the segments up to
// volume x 18 / (maximum - minimum) + 1181.
constexpr int kFirstVolumeSegment = 1181;
constexpr int kLastVolumeSegment = 1198;
constexpr int kVolumeSegmentCount = kLastVolumeSegment - kFirstVolumeSegment + 1;
constexpr VolumeScale kPanelVolumeScale{kFirstVolumeSegment, kLastVolumeSegment, kFirstVolumeSegment};

// The busy lock: what a recording or a scan disables, and what unlocking enables again.
std::vector<int> BusyLockIds(bool scanning);
std::vector<int> BusyUnlockIds();
// The buttons the other programs' enable and disable commands reach (peer::kTvEnableButtons and
// peer::kTvDisableButtons).
std::vector<int> RemoteEnableIds();
std::vector<int> RemoteDisableIds();

// What the status line shows and in which colour.
struct StatusLine {
    std::string text;
    COLORREF colour;
};
constexpr COLORREF kStatusGreen = RGB(45, 255, 56);
constexpr COLORREF kStatusYellow = RGB(255, 255, 0);
// What the status line is made from; the first that applies wins: recording, scanning, live TV
// time shifted (its delay), an open playback file (its own line), else the current input's name.
struct PanelStatus {
    bool recording = false;
    long elapsedSeconds = 0; // of the recording
    bool scanning = false;
    bool timeShifted = false;
    long shiftDelayMs = 0; // how far the picture is behind live
    bool playbackOpen = false;
    std::string playbackText; // the player's line while a file is open
    std::string inputName;
};
StatusLine ComposeStatusLine(const PanelStatus& status, LanguageMode mode);
// Hours, minutes and seconds of a duration as "HH:MM:SS" (hours go on past 23).
std::string FormatElapsed(long seconds);

// A button's tooltip text: in Chinese mode the string-table entry `tooltipId` of `module`, in
// English mode the built-in table (101 names the window title); "" when there is none.
std::string TooltipText(int tooltipId, LanguageMode mode, const std::string& windowTitle,
                        HINSTANCE module = nullptr);

// ---- window pieces --------------------------------------------------------------------------

// The panel's skin controls: every skin button of the layout (created where the template has no
// such control) and the two second looks; the volume segments are the panel's VolumeBar.
class PanelSkin {
public:
    PanelSkin() = default;
    PanelSkin(const PanelSkin&) = delete;
    PanelSkin& operator=(const PanelSkin&) = delete;

    // Lays the buttons out on the panel with their looks, the hand cursor and their tooltips.
    // Returns false when a button's normal look is missing from the program's resources.
    bool Create(HWND panel, HCURSOR hand, LanguageMode mode, const std::string& windowTitle);
    Cyup4Btn* Button(int id);
    void SetRecordLook(bool recording);
    void SetMuteLook(bool muted);
    bool RecordLook() const { return m_recordLook; }
    bool MuteLook() const { return m_muteLook; }
    // An invisible control first in the tab order that holds the keyboard focus, so that no
    // skin button shows its focused (hover) look while the mouse is elsewhere.
    HWND FocusSink() const { return m_focusSink; }

private:
    struct Entry {
        int id;
        std::unique_ptr<Cyup4Btn> button;
    };
    Cyup4Btn* Add(HWND panel, int id, int left, int top, int width, int height);
    void SetLooks(Cyup4Btn* button, int normal, int hover, int pressed, int fourth);
    void SetTooltip(Cyup4Btn* button, int tooltipId);

    HWND m_panel = nullptr;
    LanguageMode m_mode = kLanguageEnglish;
    std::string m_title;
    std::vector<Entry> m_buttons;
    bool m_recordLook = false;
    bool m_muteLook = false;
    HWND m_focusSink = nullptr;
};

// The status line (control 1069): 12-point text over the skin in the line's colour.
class PanelStatusLine {
public:
    // Chinese mode draws with a font that has the Chinese glyphs.
    bool Create(HWND panel, LanguageMode mode = kLanguageEnglish);
    void Show(const StatusLine& line);
    const std::string& Text() const { return m_label.Text(); }
    HWND hwnd() const { return m_label.GetHwnd(); }

private:
    StatusText m_label;
    Font m_font;
};

// Enables or disables a list of the panel's controls.
void EnableControls(HWND panel, const std::vector<int>& ids, bool enable);

} // namespace tunaro
