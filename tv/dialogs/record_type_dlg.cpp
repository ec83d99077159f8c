// The record type page: the radio group's index is the record format code, the list shows that
// format's lines, OK writes the code as it stands (an unknown stored code goes back unchanged).
#include "tv/dialogs/record_type_dlg.h"

#include "res/tunaro/resource.h"
#include "tv/profile_ini.h"
#include "tv/settings.h"

namespace tunaro {

namespace {

constexpr int kTypeCount = 8;

const std::vector<std::string> kEnglish[kTypeCount] = {
    {"[DVD]", "BitRate: 6.00M", "", "Video", "Image Size", "NTSC 720 X 480", "PAL  720 X 576",
     "Frame Speed:", "NTSC  30.00", "PAL   25.00", "", "Audio", "Type: MPEG-1 Layer II", "Sampling: 48KHZ"},
    {"[VCD]", "BitRate: 1.150M", "", "Video", "Image Size", "NTSC 352 X 240", "PAL  352 X 288",
     "Frame Speed:", "NTSC  30.00", "PAL   25.00", "", "Audio", "Type: MPEG-1 Layer II", "Sampling: 44.1KHZ"},
    {"[MPEG4]", "Microsoft MPEG4 Video Codec V3", "", "Video", "Image Size", "NTSC 352 X 240",
     "PAL  352 X 288", "Frame Speed:", "NTSC  30.00", "PAL   25.00", "", "Audio", "Type: MPEG-1 Layer II",
     "Sampling: 44.1KHZ"},
    {"[AVI]", "Data is not comressed", "", "Video", "Image Size", "NTSC 352 X 240", "PAL  352 X 288",
     "Frame Speed:", "NTSC  30.00", "PAL   25.00", "", "Audio", "Type: PCM Audio", "Sampling: 44.1KHZ"},
    {"[MP3]", "", "Audio", "Type :MPEG Layer3 ", "Sampling: 44KHZ"},
    {"[WMV]", "BitRate: 1.2M", "", "Video", "Image Size", "PAL  352 X 288", "", "Audio", "Sampling: 44.1KHZ"},
    {"[SVCD]", "BitRate: 2.42M", "", "Video", "Image Size", "NTSC 480 X 480", "PAL  480 X 576",
     "Frame Speed:", "NTSC  30.00", "PAL   25.00", "", "Audio", "Type: MPEG-1 Layer II", "Sampling: 44.1KHZ"},
    {"[WMA]", "Audio", "Sampling: 44.1KHZ"},
};

const std::vector<std::string> kChinese[kTypeCount] = {
    {"[DVD]", "录制码流: 6.00M/秒", "", "视频", "分辨率:", "NTSC 720 X 480", "PAL  720 X 576",
     "帧速率:", "NTSC  30.00帧/秒", "PAL   25.00帧/秒", "", "音频", "格式: MPEG-1 Layer II", "采样率: 48KHZ"},
    {"[VCD]", "录制码流: 1.150M/秒", "", "视频", "分辨率:", "NTSC 352 X 240", "PAL  352 X 288", "帧速率:",
     "NTSC  30.00帧/秒", "PAL   25.00帧/秒", "", "音频", "格式: MPEG-1 Layer II", "采样率: 44.1KHZ"},
    {"[MPEG4]", "Microsoft MPEG4 Video Codec V3", "", "视频", "分辨率:", "NTSC 352 X 240", "PAL  352 X 288",
     "帧速率:", "NTSC  30.00帧/秒", "PAL   25.00帧/秒", "", "音频", "格式: MPEG Layer3 ", "采样率: 44.1KHZ"},
    {"[AVI]", "数据未压缩", "", "视频", "分辨率:", "NTSC 352 X 240", "PAL  352 X 288",
     "帧速率:", "NTSC  30.00帧/秒", "PAL   25.00帧/秒", "", "音频", "格式: PCM Audio", "采样率: 32KHz"},
    {"[MP3]", "", "音频", "格式: MPEG Layer3 ", "采样率: 44KHZ"},
    {"[WMV]", "录制码流: 1.2M/秒", "", "视频", "分辨率:", "352 X 288", "", "音频", "采样率: 44.1KHZ"},
    {"[SVCD]", "录制码流: 2.42M/秒", "", "视频", "分辨率:", "NTSC 480 X 480", "PAL  480 X 576", "帧速率:",
     "NTSC  30.00帧/秒", "PAL   25.00帧/秒", "", "音频", "格式: MPEG-1 Layer II", "采样率: 44.1KHZ"},
    {"[WMA]", "音频", "采样率: 44.1KHZ"},
};

} // namespace

std::vector<std::string> RecordTypeDescription(long code, LanguageMode language) {
    if (code < 0 || code >= kTypeCount)
        return {};
    return language == kLanguageChinese ? kChinese[code] : kEnglish[code];
}

CRecordTypeDlg::CRecordTypeDlg(SetupHost& host)
    : PropertyPage(IDD_RECORD_TYPE, host.Text("Record", "录像")), m_host(host) {}

const MessageMap* CRecordTypeDlg::GetMessageMap() const {
    using C = CRecordTypeDlg;
    static const MessageMap kMap{
        CommandCodeRange<&C::OnTypeClicked>(IDC_RT_DVD, IDC_RT_WMA, BN_CLICKED),
        Command<&C::OnPageOk>(IDOK),
        Command<&C::OnPageCancel>(IDCANCEL),
        Command<&C::OnIgnored>(IDC_RT_COMBO),
    };
    return &kMap;
}

BOOL CRecordTypeDlg::OnInitDialog() {
    if (!m_host.Chinese()) {
        SetItemText(IDC_RT_GROUP, "Type");
        SetItemText(IDOK, "OK");
        SetItemText(IDCANCEL, "Cancel");
    }
    const long code = m_host.Settings().lRecordType;
    SetRadioIndex(IDC_RT_DVD, code >= 0 && code < kTypeCount ? static_cast<int>(code) : -1);
    FillDescription(code);
    return TRUE;
}

void CRecordTypeDlg::FillDescription(long code) {
    SendItemMessage(IDC_RT_LIST, LB_RESETCONTENT);
    for (const std::string& line : RecordTypeDescription(code, m_host.Language()))
        SendItemMessage(IDC_RT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void CRecordTypeDlg::OnTypeClicked(UINT id) {
    const long code = static_cast<long>(id) - IDC_RT_DVD;
    m_host.Settings().lRecordType = static_cast<int32_t>(code);
    SetRadioIndex(IDC_RT_DVD, static_cast<int>(code));
    FillDescription(code);
}

bool CRecordTypeDlg::Store() {
    if (m_boStored)
        return true;
    m_boStored = WriteProfileValues(m_host.TunaroIniPath(), {RecordTypeWrite(m_host.Settings().lRecordType)});
    if (!m_boStored)
        ::MessageBoxA(
            m_hWnd,
            m_host.Text(
                "The record type could not be saved in Tunaro.ini; it is used until the program ends.",
                "录像格式无法保存到 Tunaro.ini, 仅在本次运行中有效。"),
            m_host.Caption().c_str(), MB_OK | MB_ICONWARNING);
    return true;
}

bool CRecordTypeDlg::OnApply() {
    return Store();
}

// The page's own OK and Cancel end the sheet around it as the sheet's buttons do.
void CRecordTypeDlg::OnPageOk() {
    Store();
    if (HWND sheet = SheetWindow())
        ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
}

void CRecordTypeDlg::OnPageCancel() {
    if (HWND sheet = SheetWindow())
        ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

void CRecordTypeDlg::OnIgnored() {}

} // namespace tunaro
