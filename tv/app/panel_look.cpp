// The control panel's looks: the skin buttons with their tooltips, the status line and the busy
// lock's id lists.
#include "tv/app/panel_look.h"

#include <cstdio>

#include "engine/timeshift_ring.h"
#include "framework/window.h"
#include "res/tunaro/resource.h"
#include "res/tunaro/skin_layout.h"

namespace tunaro {

// ---- busy lock --------------------------------------------------------------------------------

namespace {
const int kLockedAlways[] = {IDC_OPEN_FILE,    IDC_RECORD_TYPE, IDC_MUTE,           IDC_EXIT,
                             IDC_CHANNEL_EDIT, IDC_COLOR,       IDC_RECORD_SETTING, IDC_SETTING,
                             IDC_VOLUME_DOWN,  IDC_VOLUME_UP,   IDC_VIDEO_SOURCE,   IDC_SNAPSHOT,
                             IDC_TV_WALL,      IDC_FM};
}

std::vector<int> BusyLockIds(bool scanning) {
    std::vector<int> ids(std::begin(kLockedAlways), std::end(kLockedAlways));
    ids.push_back(scanning ? IDC_RECORD : IDC_AUTOSCAN); // the button that ends the job stays usable
    return ids;
}

std::vector<int> BusyUnlockIds() {
    std::vector<int> ids(std::begin(kLockedAlways), std::end(kLockedAlways));
    ids.insert(ids.end(), {IDC_FULLSCREEN, IDC_AUTOSCAN, IDC_RECORD});
    return ids;
}

std::vector<int> RemoteEnableIds() {
    return {IDC_OPEN_FILE, IDC_AUTOSCAN, IDC_TV_WALL,        IDC_FM,
            IDC_RECORD,    IDC_SNAPSHOT, IDC_RECORD_SETTING, IDC_SETTING};
}
std::vector<int> RemoteDisableIds() {
    return {IDC_OPEN_FILE, IDC_AUTOSCAN, IDC_TV_WALL, IDC_FM, IDC_RECORD, IDC_SNAPSHOT, IDC_SETTING};
}

void EnableControls(HWND panel, const std::vector<int>& ids, bool enable) {
    for (int id : ids)
        if (HWND item = GetDlgItem(panel, id))
            EnableWindow(item, enable ? TRUE : FALSE);
}

// ---- status line ------------------------------------------------------------------------------

std::string FormatElapsed(long seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof(text), "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

StatusLine ComposeStatusLine(const PanelStatus& status, LanguageMode mode) {
    if (status.recording)
        return {PickText(mode, "Recording: ", "正在录像: ") + FormatElapsed(status.elapsedSeconds),
                kStatusGreen};
    if (status.scanning)
        return {PickText(mode, "Scanning.....", "正在搜台....."), kStatusGreen};
    if (status.timeShifted)
        return {FormatShiftDelay(status.shiftDelayMs, mode == kLanguageChinese), kStatusYellow};
    if (status.playbackOpen)
        return {status.playbackText, kStatusYellow};
    return {status.inputName, kStatusYellow};
}

// ---- tooltips ---------------------------------------------------------------------------------

std::string TooltipText(int tooltipId, LanguageMode mode, const std::string& windowTitle, HINSTANCE module) {
    if (tooltipId <= 0)
        return "";
    if (mode == kLanguageChinese)
        return LoadResourceString(static_cast<UINT>(tooltipId), module);
    struct Entry {
        int id;
        const char* text;
    };
    static const Entry kEnglish[] = {
        {99, "Minimize"},      {102, "Color Adjust"},  {103, "Auto Scan"}, {104, "Channel edit"},
        {105, "Mute/Unmute"},  {106, "Record"},        {107, "Open File"}, {108, "Exit"},
        {110, "Window mode "}, {111, "Display Panel"}, {112, "Setting"},   {113, "Time Record"},
        {114, "Record Type"},  {115, "Volume-"},       {116, "Volume+"},   {117, "Play"},
        {118, "Back"},         {119, "Forward"},       {120, "Stop"},      {121, "TV"},
        {122, "Stop Record"},  {123, "Cancel Record"}, {124, "Capture"},   {125, "Video Source"},
        {126, "browse"},       {132, "16 Channels"},
    };
    if (tooltipId == 101)
        return "About " + windowTitle + "...";
    for (const Entry& e : kEnglish)
        if (e.id == tooltipId)
            return e.text;
    return "";
}

// ---- skin buttons -----------------------------------------------------------------------------

namespace {
// Places the layout gives to two controls at once: 408 shares 409's place (409 is shown) and
// 410's place lies under the window-mode and close keys. Both stay as hidden command targets;
// record type and record setting are reached through the setup sheet.
bool HiddenOnSkin(int id) {
    return id == 408 || id == 410;
}
} // namespace

Cyup4Btn* PanelSkin::Button(int id) {
    for (Entry& e : m_buttons)
        if (e.id == id)
            return e.button.get();
    return nullptr;
}

Cyup4Btn* PanelSkin::Add(HWND panel, int id, int left, int top, int width, int height) {
    HWND wnd = GetDlgItem(panel, id);
    if (!wnd) {
        wnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, left, top, width,
                              height, panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
        if (!wnd)
            return nullptr;
    } else {
        MoveWindow(wnd, left, top, width, height, FALSE);
    }
    // No keyboard focus rectangle or default-button looks on the skin: only the mouse and the
    // accelerators drive it.
    SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP));
    auto button = std::make_unique<Cyup4Btn>();
    if (!button->Attach(wnd))
        return nullptr;
    Cyup4Btn* raw = button.get();
    m_buttons.push_back(Entry{id, std::move(button)});
    return raw;
}

void PanelSkin::SetLooks(Cyup4Btn* button, int normal, int hover, int pressed, int fourth) {
    button->SetBitmaps(static_cast<UINT>(normal), static_cast<UINT>(hover), static_cast<UINT>(pressed),
                       static_cast<UINT>(fourth));
    InvalidateRect(button->GetHwnd(), nullptr, FALSE);
}

void PanelSkin::SetTooltip(Cyup4Btn* button, int tooltipId) {
    std::string text = TooltipText(tooltipId, m_mode, m_title);
    if (!text.empty() || button->Tooltip())
        button->SetTooltipText(text.c_str());
}

bool PanelSkin::Create(HWND panel, HCURSOR hand, LanguageMode mode, const std::string& windowTitle) {
    m_panel = panel;
    m_mode = mode;
    m_title = windowTitle;
    bool complete = true;
    for (const skin::Row& r : skin::tv::kPanelButtons) {
        Cyup4Btn* b = Add(panel, r.id, r.left, r.top, r.width, r.height);
        if (!b) {
            complete = false;
            continue;
        }
        if (!b->SetBitmaps(static_cast<UINT>(r.normal), static_cast<UINT>(r.hover),
                           static_cast<UINT>(r.pressed), static_cast<UINT>(r.fourth)) &&
            !b->HasBitmap(Cyup4Btn::kNormal))
            complete = false;
        b->SetCursor(hand);
        SetTooltip(b, r.tooltip);
        if (HiddenOnSkin(r.id))
            ShowWindow(b->GetHwnd(), SW_HIDE);
    }
    // The focus sink: zero-sized, first in the tab order, with an id no command uses (and not
    // 0xFFFF, the id of a message box's text, which tools look for).
    const int kFocusSinkId = 0x7FF0;
    m_focusSink = GetDlgItem(panel, kFocusSinkId);
    if (!m_focusSink)
        m_focusSink = CreateWindowExA(
            0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, panel,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFocusSinkId)), GetModuleHandleA(nullptr), nullptr);
    if (m_focusSink)
        SetWindowPos(m_focusSink, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    m_recordLook = false;
    m_muteLook = false;
    return complete;
}

namespace {

// The panel-button row of a skin button (the second looks, recording and muted, stand apart);
// otherwise the given row.
const skin::Row& PanelButtonRow(int id, const skin::Row& otherwise) {
    for (const skin::Row& r : skin::tv::kPanelButtons)
        if (r.id == id)
            return r;
    return otherwise;
}

} // namespace

void PanelSkin::SetRecordLook(bool recording) {
    Cyup4Btn* b = Button(411);
    m_recordLook = recording;
    if (!b)
        return;
    const skin::Row& row = recording ? skin::tv::kRecordingRow : PanelButtonRow(411, skin::tv::kRecordingRow);
    SetLooks(b, row.normal, row.hover, row.pressed, row.fourth);
    SetTooltip(b, row.tooltip);
}

void PanelSkin::SetMuteLook(bool muted) {
    Cyup4Btn* b = Button(406);
    m_muteLook = muted;
    if (!b)
        return;
    const skin::Row& row = muted ? skin::tv::kMutedRow : PanelButtonRow(406, skin::tv::kMutedRow);
    SetLooks(b, row.normal, row.hover, row.pressed, row.fourth);
}

// ---- status line ------------------------------------------------------------------------------

bool PanelStatusLine::Create(HWND panel, LanguageMode mode) {
    const int kId = 1069;
    HWND wnd = GetDlgItem(panel, kId);
    if (!wnd)
        wnd = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 170, 70, 180,
                              16, panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)),
                              GetModuleHandleA(nullptr), nullptr);
    else
        MoveWindow(wnd, 170, 70, 180, 16, FALSE);
    if (!wnd || !m_label.Attach(wnd))
        return false;
    if (mode == kLanguageChinese) {
        // The dialog's own font has no Chinese glyphs at this size: a Chinese face of the
        // line's size instead.
        m_font.Reset(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, "宋体"));
    }
    if (m_font)
        SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    else
        m_label.SetFontHeight(12);
    m_label.SetCenterVertical(true);
    m_label.SetTransparent(true);
    m_label.SetTextColor(kStatusYellow);
    m_label.SetText("");
    ShowWindow(wnd, SW_SHOW);
    return true;
}

void PanelStatusLine::Show(const StatusLine& line) {
    if (!m_label.GetHwnd())
        return;
    if (m_label.TextColor() != line.colour)
        m_label.SetTextColor(line.colour);
    m_label.SetText(line.text.c_str());
}

} // namespace tunaro
