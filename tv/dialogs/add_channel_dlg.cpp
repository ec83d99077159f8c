// The add-channel dialog: proposes "New Channel" at the tuner's lowest frequency and closes with
// OK only for a name and a frequency inside the tuner's range.
#include "tv/dialogs/add_channel_dlg.h"

#include "framework/format.h"
#include "res/tunaro/resource.h"

namespace tunaro {

namespace {

constexpr int kNameMax = 128;
constexpr int kFrequencyTextMax = 32;

} // namespace

CAddChannelDlg::CAddChannelDlg(SetupHost& host) : Dialog(IDD_ADD_CHANNEL), m_host(host) {}

BOOL CAddChannelDlg::OnInitDialog() {
    if (SetupEngine* engine = m_host.Engine()) {
        long maximum = 0, minimum = 0;
        if (engine->GetFrequencyRange(&maximum, &minimum) == 1 && minimum <= maximum) {
            m_range.lowHz = minimum;
            m_range.highHz = maximum;
        }
    }
    if (!m_host.Chinese()) {
        SetWindowText("Add Channel");
        SetItemText(IDC_AC_NAME_LABEL, "Name");
        SetItemText(IDC_AC_FREQ_LABEL, "Freq");
        SetItemText(IDOK, "OK");
        SetItemText(IDCANCEL, "Cancel");
    }
    SendItemMessage(IDC_AC_NAME, EM_LIMITTEXT, kNameMax, 0);
    SendItemMessage(IDC_AC_FREQ, EM_LIMITTEXT, kFrequencyTextMax, 0);
    SetItemText(IDC_AC_NAME, m_strName);
    SetItemText(IDC_AC_FREQ, MhzNumber(m_range.lowHz));
    CenterWindow(::GetParent(m_hWnd));
    return TRUE;
}

void CAddChannelDlg::OnOK() {
    const std::string name = GetItemText(IDC_AC_NAME);
    const std::string text = GetItemText(IDC_AC_FREQ);
    const std::string caption = m_host.Caption();
    if (name.find_first_not_of(" \t") == std::string::npos) {
        ::MessageBoxA(m_hWnd, m_host.Text("Please input channel name", "请输入频道名"), caption.c_str(),
                      MB_OK | MB_ICONQUESTION);
        ::SetFocus(Item(IDC_AC_NAME));
        return;
    }
    const MhzParse parsed = ParseMhz(text, m_range);
    if (parsed.result != MhzEntry::Ok) {
        const double low = static_cast<double>(m_range.lowHz) * 1e-6;
        const double high = static_cast<double>(m_range.highHz) * 1e-6;
        std::string message = Format(
            m_host.Text("Range of frequency: %.2f MHz ~ %.2f MHz", "输入频率值的范围: %.2f MHz ~ %.2f MHz"),
            low, high);
        if (parsed.result == MhzEntry::NotANumber)
            message = Format(m_host.Text("\"%s\" is not a frequency in MHz.\n",
                                         "\"%s\" 不是以 MHz 为单位的频率。\n"),
                             text.c_str()) +
                      message;
        ::MessageBoxA(m_hWnd, message.c_str(), caption.c_str(), MB_OK);
        ::SetFocus(Item(IDC_AC_FREQ));
        SendItemMessage(IDC_AC_FREQ, EM_SETSEL, 0, -1);
        return;
    }
    m_strName = name;
    m_lFrequency = parsed.hz;
    EndDialog(IDOK);
}

} // namespace tunaro
