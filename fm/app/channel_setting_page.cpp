// The FM program's channel setting page and its insert dialog.
#include "fm/app/channel_setting_page.h"

#include <commctrl.h>

#include <cstdlib>

#include "fm/app/fm_app.h"
#include "fm/app/fm_settings.h"
#include "fm/fm_rules.h"
#include "framework/debug_print.h"
#include "framework/format.h"
#include "framework/ini_file.h"
#include "res/fm/resource.h"

namespace tunaro {

namespace {

constexpr UINT_PTR kScanTimer = 1;
constexpr UINT kScanPeriodMs = 1000;
constexpr DWORD kScanFinishPauseMs = 400;
constexpr int kFineTuneMiddle = 10;
constexpr long kFineTuneStep = 25000;

// The insert dialog: a name and a frequency within the FM band.
class CInsertChannelDlg : public Dialog {
public:
    CInsertChannelDlg() : Dialog(IDD_INSERT_CHANNEL) {}
    std::string m_strName = "New Channel";
    long m_lHertz = 87500000;

protected:
    BOOL OnInitDialog() override {
        const FmGlobals& g = Globals();
        SetWindowText(g.Text("Insert", "插入"));
        SetItemText(IDC_INSERT_NAME, m_strName);
        SetItemText(IDC_INSERT_FREQUENCY, "87.50");
        return TRUE;
    }
    void OnOK() override {
        const FmGlobals& g = Globals();
        const std::string text = GetItemText(IDC_INSERT_FREQUENCY);
        char* end = nullptr;
        const double mhz = std::strtod(text.c_str(), &end);
        if (text.empty() || (end && *end != '\0' && *end != ' ') || !(mhz >= 87.0 && mhz <= 108.0)) {
            MessageBoxA(
                m_hWnd,
                g.Text("Range of frequency : 87.00 MHZ ~ 108.00 MHZ", "频率范围：87.00 MHZ ~ 108.00 MHZ"),
                "FM", MB_OK | MB_ICONWARNING);
            return;
        }
        m_strName = GetItemText(IDC_INSERT_NAME);
        m_lHertz = static_cast<long>(mhz * 1e6 + 0.5);
        EndDialog(IDOK);
    }
};

} // namespace

CChannelSettingPage::CChannelSettingPage(fm::CaptureLibrary& library, int current, long sense)
    : PropertyPage(IDD_CHANNEL_SETTING, Globals().Text("Channel Setting", "频道设置")), m_library(library),
      m_nCurrent(current), m_lSense(sense) {}

const MessageMap* CChannelSettingPage::GetMessageMap() const {
    using P = CChannelSettingPage;
    static const MessageMap kMap{
        Command<&P::OnScan>(IDC_CS_SCAN),
        Command<&P::OnStop>(IDC_CS_STOP),
        Command<&P::OnUp>(IDC_CS_UP),
        Command<&P::OnDown>(IDC_CS_DOWN),
        Command<&P::OnDelete>(IDC_CS_DELETE),
        Command<&P::OnInsert>(IDC_CS_INSERT),
        Command<&P::OnUpdate>(IDC_CS_UPDATE),
        Notify<&P::OnListChanged>(IDC_CS_LIST, LVN_ITEMCHANGED),
        HScroll<&P::OnScroll>(),
        Timer<&P::OnTimer>(),
    };
    return &kMap;
}

BOOL CChannelSettingPage::OnInitDialog() {
    const FmGlobals& g = Globals();
    HWND list = Item(IDC_CS_LIST);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    RECT rc = {};
    GetClientRect(list, &rc);
    const int width = rc.right - rc.left;
    const char* titles[] = {g.Text("No.", "序号"), g.Text("Name", "名称"), g.Text("Frequency", "频率")};
    const int widths[] = {width / 6, width - width / 6 - (width / 3 + 40), width / 3 + 40};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(titles[i]);
        column.cx = widths[i];
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    SendItemMessage(IDC_CS_SENSE, TBM_SETRANGE, TRUE, MAKELPARAM(0, 2));
    SendItemMessage(IDC_CS_SENSE, TBM_SETPOS, TRUE, m_lSense);
    SetItemInt(IDC_CS_SENSE_VALUE, static_cast<int>(m_lSense));
    SendItemMessage(IDC_CS_FINE_TUNE, TBM_SETRANGE, TRUE, MAKELPARAM(1, 20));
    SendItemMessage(IDC_CS_FINE_TUNE, TBM_SETPOS, TRUE, kFineTuneMiddle);
    if (g.Chinese()) {
        SetItemText(IDC_CS_SCAN, "搜台");
        SetItemText(IDC_CS_STOP, "停止");
        SetItemText(IDC_CS_UP, "上移");
        SetItemText(IDC_CS_DOWN, "下移");
        SetItemText(IDC_CS_DELETE, "删除");
        SetItemText(IDC_CS_INSERT, "插入");
        SetItemText(IDC_CS_UPDATE, "更新");
    }
    FillList();
    return TRUE;
}

void CChannelSettingPage::AddRow(int index) {
    HWND list = Item(IDC_CS_LIST);
    const std::string texts[] = {Format("%d", index), m_library.GetChannelName(index),
                                 fm::FrequencyText(m_library.GetFrequency(index))};
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(texts[0].c_str());
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = 1; column < 3; ++column) {
        item.iSubItem = column;
        item.pszText = const_cast<char*>(texts[column].c_str());
        ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

void CChannelSettingPage::FillList() {
    HWND list = Item(IDC_CS_LIST);
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const int count = m_library.GetChannelListSize();
    for (int i = 0; i < count; ++i)
        AddRow(i);
    if (fm::ValidStation(m_nCurrent, count)) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(m_nCurrent),
                       reinterpret_cast<LPARAM>(&item));
        ::SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_nCurrent), FALSE);
    }
    ShowStation(m_nCurrent);
}

int CChannelSettingPage::Selected() const {
    return static_cast<int>(
        SendItemMessage(IDC_CS_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CChannelSettingPage::ShowStation(int index) {
    if (!fm::ValidStation(index, m_library.GetChannelListSize())) {
        SetItemText(IDC_CS_FREQUENCY, "");
        SetItemText(IDC_CS_INDEX, "");
        return;
    }
    SetItemText(IDC_CS_FREQUENCY, fm::FrequencyText(m_library.GetFrequency(index)));
    SetItemText(IDC_CS_INDEX, Format("[%ld]", static_cast<long>(index)));
    SetItemText(IDC_CS_NAME, m_library.GetChannelName(index));
}

LRESULT CChannelSettingPage::OnListChanged(NMHDR* hdr) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
    if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        m_nCurrent = change->iItem;
        ShowStation(m_nCurrent);
        SendItemMessage(IDC_CS_FINE_TUNE, TBM_SETPOS, TRUE, kFineTuneMiddle);
    }
    return 0;
}

void CChannelSettingPage::OnScroll(UINT, UINT, HWND bar) {
    if (bar == Item(IDC_CS_SENSE)) {
        const long sense = static_cast<long>(SendItemMessage(IDC_CS_SENSE, TBM_GETPOS));
        if (sense == m_lSense)
            return;
        m_lSense = sense;
        SetItemInt(IDC_CS_SENSE_VALUE, static_cast<int>(sense));
        if (!WriteProfileValues(Globals().strFmSettingIni, {{"AutoScan", "Sense", Format("%ld", sense)}}))
            TUNARO_TRACE("Tunaro FM: the scan sensitivity could not be written");
        return;
    }
    if (bar == Item(IDC_CS_FINE_TUNE) && !m_boScanning) {
        const int index = Selected();
        if (!fm::ValidStation(index, m_library.GetChannelListSize()))
            return;
        const long position = static_cast<long>(SendItemMessage(IDC_CS_FINE_TUNE, TBM_GETPOS));
        const long hertz =
            m_library.GetFrequency(index) + position * kFineTuneStep - kFineTuneMiddle * kFineTuneStep;
        m_library.SetFrequency(-1, hertz);
        SetItemText(IDC_CS_FREQUENCY, fm::FrequencyText(hertz));
    }
}

void CChannelSettingPage::OnScan() {
    if (m_boScanning)
        return;
    ::SendMessageA(Item(IDC_CS_LIST), LVM_DELETEALLITEMS, 0, 0);
    SetItemText(IDC_CS_STATUS, "");
    m_boScanning = true;
    SetTimer(m_hWnd, kScanTimer, kScanPeriodMs, nullptr);
}

void CChannelSettingPage::OnStop() {
    if (!m_boScanning)
        return;
    KillTimer(m_hWnd, kScanTimer);
    m_library.FMScanTuner(static_cast<int>(m_lSense), 1);
    m_boScanning = false;
    m_nCurrent = 0;
    FillList();
}

void CChannelSettingPage::OnTimer(UINT_PTR id) {
    if (id != kScanTimer || !m_boScanning)
        return;
    const fm::CaptureLibrary::ScanStep step = m_library.FMScanTuner(static_cast<int>(m_lSense), 0);
    if (step.done) {
        KillTimer(m_hWnd, kScanTimer);
        m_boScanning = false;
        Sleep(kScanFinishPauseMs);
        m_nCurrent = 0;
        FillList();
        SetItemText(IDC_CS_STATUS, Globals().Text("Scan Finish", "搜台完成"));
        return;
    }
    SetItemText(IDC_CS_FREQUENCY, fm::FrequencyText(step.frequency));
    if (step.found)
        AddRow(m_library.GetChannelListSize() - 1);
}

void CChannelSettingPage::Swap(int a, int b) {
    const int count = m_library.GetChannelListSize();
    if (m_boScanning || !fm::ValidStation(a, count) || !fm::ValidStation(b, count))
        return;
    const std::string nameA = m_library.GetChannelName(a), nameB = m_library.GetChannelName(b);
    const long hertzA = m_library.GetFrequency(a), hertzB = m_library.GetFrequency(b);
    m_library.SetChannelName(a, nameB.c_str());
    m_library.SetChannelName(b, nameA.c_str());
    m_library.SetFrequency(a, hertzB);
    m_library.SetFrequency(b, hertzA);
    m_nCurrent = b;
    FillList();
}

void CChannelSettingPage::OnUp() {
    const int index = Selected();
    Swap(index, index - 1);
}

void CChannelSettingPage::OnDown() {
    const int index = Selected();
    Swap(index, index + 1);
}

void CChannelSettingPage::OnDelete() {
    const int index = Selected();
    if (m_boScanning || !fm::ValidStation(index, m_library.GetChannelListSize()))
        return;
    if (MessageBoxA(m_hWnd,
                    Globals().Text(" You will delete this channel. will you?", "您要删除这个频道吗？"), "FM",
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_library.DeleteChannel(index);
    m_nCurrent = index > 0 ? index - 1 : 0;
    FillList();
}

void CChannelSettingPage::OnInsert() {
    if (m_boScanning)
        return;
    CInsertChannelDlg insert;
    if (insert.DoModal(m_hWnd) != IDOK)
        return;
    m_library.AddChannel(insert.m_strName.c_str(), insert.m_lHertz);
    m_nCurrent = m_library.GetChannelListSize() - 1;
    FillList();
}

void CChannelSettingPage::OnUpdate() {
    const int index = Selected();
    if (m_boScanning || !fm::ValidStation(index, m_library.GetChannelListSize()))
        return;
    m_library.SetChannelName(index, GetItemText(IDC_CS_NAME).c_str());
    m_nCurrent = index;
    FillList();
}

bool CChannelSettingPage::OnApply() {
    if (!m_boScanning) {
        const long step = static_cast<long>(SendItemMessage(IDC_CS_FINE_TUNE, TBM_GETPOS));
        if (!WriteProfileValues(Globals().strFmSettingIni,
                                {{"FreqSetting", "freqspace", Format("%ld", step)}}))
            TUNARO_TRACE("Tunaro FM: the step could not be written");
    }
    OnReset();
    return true;
}

void CChannelSettingPage::OnReset() {
    // A scan still running when the sheet closes ends where it is.
    if (m_boScanning)
        OnStop();
}

} // namespace tunaro
