// The FM program's setting sheet and its record setting page.
#include "fm/app/record_setting_page.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "fm/app/channel_setting_page.h"
#include "fm/app/fm_app.h"
#include "fm/app/fm_settings.h"
#include "fm/fm_rules.h"
#include "framework/debug_print.h"
#include "framework/format.h"
#include "framework/ini_file.h"
#include "res/fm/resource.h"

namespace tunaro {

namespace {

constexpr std::int64_t kDefaultLead = 60;     // a new plan starts a minute ahead
constexpr std::int64_t kDefaultLength = 1800; // and lasts half an hour

std::int64_t NowSeconds() {
    SYSTEMTIME st = {};
    GetLocalTime(&st);
    return fm::ToSeconds(fm::CivilTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

std::string TimeText(std::int64_t seconds) {
    const fm::CivilTime t = fm::FromSeconds(seconds);
    return Format("%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

} // namespace

CRecordSettingPage::CRecordSettingPage(std::vector<fm::TimedRecording> entries,
                                       std::vector<std::string> stations, std::string recordPath,
                                       int recordType)
    : PropertyPage(IDD_RECORD_SETTING, Globals().Text("Record Setting", "录音设置")),
      m_entries(std::move(entries)), m_stations(std::move(stations)), m_strRecordPath(std::move(recordPath)),
      m_nRecordType(recordType) {}

const MessageMap* CRecordSettingPage::GetMessageMap() const {
    using P = CRecordSettingPage;
    static const MessageMap kMap{
        Command<&P::OnAdd>(IDC_RS_ADD),
        Command<&P::OnDelete>(IDC_RS_DELETE),
        Command<&P::OnRemoveAll>(IDC_RS_REMOVE_ALL),
        Command<&P::OnBrowse>(IDC_RS_BROWSE),
    };
    return &kMap;
}

BOOL CRecordSettingPage::OnInitDialog() {
    const FmGlobals& g = Globals();
    HWND list = Item(IDC_RS_LIST);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const char* english[] = {"No.", "Channel", "Start", "End", "File"};
    const char* chinese[] = {"序号", "频道", "开始", "结束", "文件"};
    const int widths[] = {36, 80, 120, 120, 120};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(g.Text(english[i], chinese[i]));
        column.cx = widths[i];
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    FillList();

    for (const std::string& name : m_stations)
        SendItemMessage(IDC_RS_STATION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (!m_stations.empty())
        SendItemMessage(IDC_RS_STATION, CB_SETCURSEL, 0, 0);

    const std::int64_t start = NowSeconds() + kDefaultLead;
    SetPicked(IDC_RS_START_DATE, IDC_RS_START_TIME, start);
    SetPicked(IDC_RS_END_DATE, IDC_RS_END_TIME, start + kDefaultLength);

    SetItemText(IDC_RS_PATH, m_strRecordPath);
    SetItemText(IDC_RS_PATH_LABEL, g.Text("Record file path:", "录音文件路径:"));
    SendItemMessage(IDC_RS_ENCODER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("MPEG Layer 3"));
    SendItemMessage(IDC_RS_ENCODER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Window Media Audio"));
    SendItemMessage(IDC_RS_ENCODER, CB_SETCURSEL, m_nRecordType == fm::kRecordWma ? 1 : 0, 0);
    SetCheck(IDC_RS_SHUTDOWN,
             GetPrivateProfileIntA("CloseComputer", "Flag", 0, g.strFmSettingIni.c_str()) != 0);
    if (g.Chinese()) {
        SetItemText(IDC_RS_ADD, "添加");
        SetItemText(IDC_RS_DELETE, "删除");
        SetItemText(IDC_RS_REMOVE_ALL, "全部删除");
        SetItemText(IDC_RS_SHUTDOWN, "定时录音结束后关闭计算机");
    }
    return TRUE;
}

std::string CRecordSettingPage::StationName(int channel) const {
    if (channel >= 0 && static_cast<std::size_t>(channel) < m_stations.size())
        return m_stations[static_cast<std::size_t>(channel)];
    return Format("%d", channel);
}

void CRecordSettingPage::FillList() {
    HWND list = Item(IDC_RS_LIST);
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const fm::TimedRecording& e = m_entries[i];
        const std::string texts[] = {Format("%d", static_cast<int>(i) + 1), StationName(e.channel),
                                     TimeText(e.start), TimeText(e.End()), e.fileName};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(texts[0].c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 5; ++column) {
            item.iSubItem = column;
            item.pszText = const_cast<char*>(texts[column].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        }
    }
}

std::int64_t CRecordSettingPage::PickedTime(int dateId, int timeId) const {
    SYSTEMTIME date = {}, time = {};
    SendItemMessage(dateId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
    SendItemMessage(timeId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return fm::ToSeconds(
        fm::CivilTime{date.wYear, date.wMonth, date.wDay, time.wHour, time.wMinute, time.wSecond});
}

void CRecordSettingPage::SetPicked(int dateId, int timeId, std::int64_t seconds) const {
    const fm::CivilTime t = fm::FromSeconds(seconds);
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    SendItemMessage(dateId, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    SendItemMessage(timeId, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

void CRecordSettingPage::OnAdd() {
    const FmGlobals& g = Globals();
    const LRESULT station = SendItemMessage(IDC_RS_STATION, CB_GETCURSEL);
    if (station == CB_ERR) {
        MessageBoxA(m_hWnd, g.Text("No selected channel", "没有选择频道"), "FM", MB_OK | MB_ICONWARNING);
        return;
    }
    const std::int64_t start = PickedTime(IDC_RS_START_DATE, IDC_RS_START_TIME);
    const std::int64_t end = PickedTime(IDC_RS_END_DATE, IDC_RS_END_TIME);
    if (!fm::PlanFits(m_entries, start, end, NowSeconds())) {
        MessageBoxA(
            m_hWnd,
            g.Text("Record list plan time conflict.\nPlease check record time.\n Whether the record time is "
                   "less than 10s ?\n or the record time is more than 24 hours?\n",
                   "录音计划时间冲突。\n请检查录音时间。\n录音时间是否少于10秒？\n或者录音时间是否超过24小时"
                   "？\n"),
            "FM", MB_OK | MB_ICONWARNING);
        return;
    }
    fm::TimedRecording entry;
    entry.start = start;
    entry.length = static_cast<std::int32_t>(end - start);
    entry.channel = static_cast<std::int32_t>(station);
    entry.fileName = fm::PlannedRecordingName(start, end);
    m_entries.push_back(entry);
    FillList();
}

void CRecordSettingPage::OnDelete() {
    const int row = static_cast<int>(
        SendItemMessage(IDC_RS_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0 || static_cast<std::size_t>(row) >= m_entries.size())
        return;
    if (MessageBoxA(m_hWnd, Globals().Text("You will delete this item, will you ?", "您要删除这一项吗？"),
                    "FM", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_entries.erase(m_entries.begin() + row);
    FillList();
}

void CRecordSettingPage::OnRemoveAll() {
    if (m_entries.empty())
        return;
    if (MessageBoxA(m_hWnd, Globals().Text("Will you remove all item?", "您要删除全部项目吗？"), "FM",
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_entries.clear();
    FillList();
}

void CRecordSettingPage::OnBrowse() {
    char path[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = m_hWnd;
    info.pszDisplayName = path;
    info.lpszTitle = Globals().Text("Record file path:", "录音文件路径:");
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen)
        return;
    if (SHGetPathFromIDListA(chosen, path))
        SetItemText(IDC_RS_PATH, path);
    CoTaskMemFree(chosen);
}

bool CRecordSettingPage::OnApply() {
    const FmGlobals& g = Globals();
    fm::SortByStart(m_entries);
    if (!fm::SaveRecordList(g.strRecordList, m_entries))
        TUNARO_TRACE("Tunaro FM: the timed-recording list could not be written");
    std::string path = GetItemText(IDC_RS_PATH);
    while (path.size() > 3 && (path.back() == '\\' || path.back() == ' '))
        path.pop_back();
    if (!path.empty())
        m_strRecordPath = path;
    m_nRecordType = SendItemMessage(IDC_RS_ENCODER, CB_GETCURSEL) == 1 ? fm::kRecordWma : fm::kRecordMp3;
    if (!WriteProfileValues(g.strFmSettingIni,
                            {{"CloseComputer", "Flag", IsChecked(IDC_RS_SHUTDOWN) ? "1" : "0"},
                             {"Record", "RecordType", Format("%d", m_nRecordType)}}))
        TUNARO_TRACE("Tunaro FM: the settings could not be written");
    return true;
}

bool RunFmSettingSheet(HWND owner, CChannelSettingPage* channels, CRecordSettingPage& records) {
    PropertySheet sheet(Globals().Text("Setting", "设置"));
    if (channels)
        sheet.AddPage(channels);
    sheet.AddPage(&records);
    return sheet.DoModal(owner) == IDOK;
}

} // namespace tunaro
