// The skinned main windows' volume bar and window drag.
#include "uikit/skin_panel.h"

#include <algorithm>

namespace tunaro {

// ---- the bar ----------------------------------------------------------------------------------

VolumeBar::VolumeBar(const VolumeScale& scale, const skin::Row* lit, const skin::Row* unlit)
    : m_scale(scale), m_lit(lit), m_unlit(unlit) {}

VolumeBar::~VolumeBar() {
    CloseMixer();
}

bool VolumeBar::Create(HWND window, HCURSOR hand) {
    m_segments.clear();
    m_top = 0;
    bool complete = true;
    for (int i = 0; i < m_scale.Count(); ++i) {
        const skin::Row& r = m_unlit[i];
        HWND wnd = GetDlgItem(window, r.id);
        if (!wnd)
            wnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.left, r.top,
                                  r.width, r.height, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(r.id)),
                                  GetModuleHandleA(nullptr), nullptr);
        else
            MoveWindow(wnd, r.left, r.top, r.width, r.height, FALSE);
        auto button = std::make_unique<Cyup4Btn>();
        if (!wnd || !button->Attach(wnd)) {
            complete = false;
            continue;
        }
        // Only the mouse and the accelerators drive the skin: no focus rectangle on a segment.
        SetWindowLongPtrA(wnd, GWL_STYLE,
                          GetWindowLongPtrA(wnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP));
        if (!button->SetBitmaps(static_cast<UINT>(r.normal), static_cast<UINT>(r.hover),
                                static_cast<UINT>(r.pressed), static_cast<UINT>(r.fourth)) &&
            !button->HasBitmap(Cyup4Btn::kNormal))
            complete = false;
        button->SetCursor(hand);
        m_segments.push_back(Segment{r.id, std::move(button)});
    }
    return complete;
}

Cyup4Btn* VolumeBar::Button(int id) {
    for (Segment& s : m_segments)
        if (s.id == id)
            return s.button.get();
    return nullptr;
}

void VolumeBar::OpenMixer() {
    m_mixer = std::make_unique<MasterVolume>();
    if (!m_mixer->VolumeAvailable())
        return;
    LightSegments(m_scale.SegmentForVolume(m_mixer->GetVolume(), m_mixer->Minimum(), m_mixer->Maximum()));
    m_mixer->SetChangeCallback(&VolumeBar::OnMixerChanged, reinterpret_cast<DWORD_PTR>(this));
}

void VolumeBar::CloseMixer() {
    m_mixer.reset();
}

void VolumeBar::OnMixerChanged(DWORD volume, DWORD_PTR self) {
    VolumeBar* bar = reinterpret_cast<VolumeBar*>(self);
    if (!bar || !bar->m_mixer)
        return;
    bar->LightSegments(bar->m_scale.SegmentForVolume(static_cast<long>(volume), bar->m_mixer->Minimum(),
                                                     bar->m_mixer->Maximum()));
}

void VolumeBar::LightSegments(int topId) {
    topId = std::clamp(topId, m_scale.first, m_scale.last);
    for (int i = 0; i < m_scale.Count(); ++i) {
        const bool lit = m_unlit[i].id <= topId;
        const bool wasLit = m_top >= m_unlit[i].id;
        if (m_top != 0 && wasLit == lit)
            continue; // unchanged: no reload, no flicker
        const skin::Row& r = lit ? m_lit[i] : m_unlit[i];
        if (Cyup4Btn* b = Button(r.id)) {
            b->SetBitmaps(static_cast<UINT>(r.normal), static_cast<UINT>(r.hover),
                          static_cast<UINT>(r.pressed), static_cast<UINT>(r.fourth));
            InvalidateRect(b->GetHwnd(), nullptr, FALSE);
        }
    }
    m_top = topId;
}

void VolumeBar::OnSegment(int id) {
    if (!m_scale.Contains(id) || !m_mixer || !m_mixer->VolumeAvailable())
        return;
    m_mixer->SetVolume(
        static_cast<DWORD>(m_scale.VolumeForSegment(id, m_mixer->Minimum(), m_mixer->Maximum())));
    LightSegments(id);
}

void VolumeBar::OnVolumeDown() {
    if (const int below = m_scale.Stepped(m_top, -1))
        OnSegment(below);
}

void VolumeBar::OnVolumeUp() {
    if (const int above = m_scale.Stepped(m_top, 1))
        OnSegment(above);
}

// ---- dragging ---------------------------------------------------------------------------------

void DragWindowFrom(HWND window, POINT clientPoint) {
    ClientToScreen(window, &clientPoint);
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION,
                 MAKELPARAM(static_cast<WORD>(clientPoint.x), static_cast<WORD>(clientPoint.y)));
}

} // namespace tunaro
