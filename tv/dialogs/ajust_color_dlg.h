// The colour adjust page (template 130, the setup sheet's "ProcAmp" page, also opened alone by
// the panel's colour command): five sliders for the card's picture controls, applied at once.
#pragma once

#include <array>

#include "framework/property_sheet.h"
#include "tv/dialogs/setup_host.h"

namespace tunaro {

class CAjustColorDlg : public PropertyPage {
public:
    explicit CAjustColorDlg(SetupHost& host);

    // The values on the engine's 0..255 scale, and the defaults the engine reported.
    long Value(PictureProperty control) const { return m_values[static_cast<size_t>(control)]; }
    long Default(PictureProperty control) const { return m_defaults[static_cast<size_t>(control)]; }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;

private:
    void OnScroll(UINT code, UINT pos, HWND bar);
    void OnDefault();
    void OnExit();
    // Sends all five values to the card (hue, saturation, contrast, brightness, sharpness).
    void ApplyAll();
    void ShowNumbers();

    SetupHost& m_host;
    std::array<long, 5> m_values = {};
    std::array<long, 5> m_defaults = {};
};

} // namespace tunaro
