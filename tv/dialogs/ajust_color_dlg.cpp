// The colour adjust page: each slider movement sends all five picture values to the card; Default
// goes back to the engine's defaults; Exit keeps the contrast in "Tunaro.ini" and closes.
#include "tv/dialogs/ajust_color_dlg.h"

#include "framework/format.h"
#include "res/tunaro/resource.h"
#include "tv/profile_ini.h"

namespace tunaro {

namespace {

struct ControlIds {
    PictureProperty control;
    int slider, number, label;
    const char* english;
};

// Indexed by PictureProperty.
constexpr ControlIds kControls[] = {
    {PictureProperty::Brightness, IDC_CA_BRIGHTNESS, IDC_CA_BRIGHTNESS_VALUE, IDC_CA_BRIGHTNESS_LABEL,
     "BrightNess:"},
    {PictureProperty::Contrast, IDC_CA_CONTRAST, IDC_CA_CONTRAST_VALUE, IDC_CA_CONTRAST_LABEL, "Contrast:"},
    {PictureProperty::Hue, IDC_CA_HUE, IDC_CA_HUE_VALUE, IDC_CA_HUE_LABEL, "Hue:"},
    {PictureProperty::Saturation, IDC_CA_SATURATION, IDC_CA_SATURATION_VALUE, IDC_CA_SATURATION_LABEL,
     "Saturation:"},
    {PictureProperty::Sharpness, IDC_CA_SHARPNESS, IDC_CA_SHARPNESS_VALUE, IDC_CA_SHARPNESS_LABEL,
     "Sharpness:"},
};

// The order the values are read in, and the order they go to the card.
constexpr PictureProperty kReadOrder[] = {PictureProperty::Brightness, PictureProperty::Sharpness,
                                          PictureProperty::Contrast, PictureProperty::Hue,
                                          PictureProperty::Saturation};
constexpr PictureProperty kApplyOrder[] = {PictureProperty::Hue, PictureProperty::Saturation,
                                           PictureProperty::Contrast, PictureProperty::Brightness,
                                           PictureProperty::Sharpness};

constexpr size_t At(PictureProperty c) {
    return static_cast<size_t>(c);
}

} // namespace

CAjustColorDlg::CAjustColorDlg(SetupHost& host)
    : PropertyPage(IDD_AJUST_COLOR, host.Text("ProcAmp", "色彩调节")), m_host(host) {}

const MessageMap* CAjustColorDlg::GetMessageMap() const {
    using C = CAjustColorDlg;
    static const MessageMap kMap{
        HScroll<&C::OnScroll>(),
        Command<&C::OnDefault>(IDC_CA_DEFAULT),
        Command<&C::OnExit>(IDC_CA_EXIT),
    };
    return &kMap;
}

BOOL CAjustColorDlg::OnInitDialog() {
    if (!m_host.Chinese()) {
        SetWindowText("Color Adjust");
        for (const ControlIds& c : kControls)
            SetItemText(c.label, c.english);
        SetItemText(IDC_CA_DEFAULT, "Default");
        SetItemText(IDC_CA_EXIT, "Exit");
    }
    SetupEngine* engine = m_host.Engine();
    for (PictureProperty control : kReadOrder) {
        long value = 0, maximum = 255, minimum = 0, def = 0;
        if (engine)
            engine->GetPicture(control, &value, &maximum, &minimum, &def);
        const ControlIds& c = kControls[At(control)];
        SendItemMessage(c.slider, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
        SendItemMessage(c.slider, TBM_SETPOS, TRUE, value);
        m_values[At(control)] = value;
        m_defaults[At(control)] = def;
        // A control the card lacks cannot be moved.
        EnableItem(c.slider, engine != nullptr);
    }
    ShowNumbers();
    return TRUE;
}

void CAjustColorDlg::OnScroll(UINT code, UINT, HWND bar) {
    // The end of a drag follows a move that was already applied.
    if (code == TB_ENDTRACK)
        return;
    for (const ControlIds& c : kControls) {
        if (Item(c.slider) != bar)
            continue;
        m_values[At(c.control)] = static_cast<long>(SendItemMessage(c.slider, TBM_GETPOS));
        ApplyAll();
        ShowNumbers();
        return;
    }
}

void CAjustColorDlg::OnDefault() {
    for (const ControlIds& c : kControls) {
        m_values[At(c.control)] = m_defaults[At(c.control)];
        SendItemMessage(c.slider, TBM_SETPOS, TRUE, m_values[At(c.control)]);
    }
    ApplyAll();
    ShowNumbers();
}

void CAjustColorDlg::OnExit() {
    WriteProfileValues(m_host.TunaroIniPath(), {ContrastWrite(m_values[At(PictureProperty::Contrast)])});
    if (HWND sheet = SheetWindow())
        ::SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
}

void CAjustColorDlg::ApplyAll() {
    SetupEngine* engine = m_host.Engine();
    if (!engine)
        return;
    for (PictureProperty control : kApplyOrder)
        engine->SetPicture(control, m_values[At(control)]);
}

void CAjustColorDlg::ShowNumbers() {
    for (const ControlIds& c : kControls)
        SetItemText(c.number, Format("%ld", m_values[At(c.control)]));
}

} // namespace tunaro
