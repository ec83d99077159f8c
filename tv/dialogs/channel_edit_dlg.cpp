// The channel edit and auto scan page: every edit works on the program's one channel list and
// shows it row for row; the scan walks the current country's table through the engine, one step a
// second, and the list is written to "program.txt" when the sheet closes.
#include "tv/dialogs/channel_edit_dlg.h"

#include <algorithm>

#include "framework/format.h"
#include "framework/raii.h"
#include "res/tunaro/resource.h"
#include "tv/channel_files.h"
#include "tv/dialogs/add_channel_dlg.h"
#include "tv/dialogs/setup_rules.h"
#include "tv/profile_ini.h"

namespace tunaro {

namespace {

constexpr UINT kScanPeriodMs = 1000;
constexpr int kNameMax = 128;
// The name editor sits this far right of and below the cell it edits.
constexpr int kEditorOffset = 15;
constexpr int kSwitchableAudioCard = 2; // the only card family that switches stereo and mono

enum Column { kColumnIndex, kColumnName, kColumnFrequency, kColumnAudio };

} // namespace

CChannelEditDlg::CChannelEditDlg(SetupHost& host)
    : PropertyPage(IDD_CHANNEL_EDIT, host.Text("Channel Edit", "频道编辑")), m_host(host) {}

CChannelEditDlg::~CChannelEditDlg() = default;

const MessageMap* CChannelEditDlg::GetMessageMap() const {
    using C = CChannelEditDlg;
    static const MessageMap kMap{
        Notify<&C::OnListDoubleClick>(IDC_CE_LIST, NM_DBLCLK),
        Notify<&C::OnListClick>(IDC_CE_LIST, NM_CLICK),
        Notify<&C::OnListRightClick>(IDC_CE_LIST, NM_RCLICK),
        Notify<&C::OnListItemChanged>(IDC_CE_LIST, LVN_ITEMCHANGED),
        CommandCode<&C::OnNameChanged>(IDC_CE_NAME_EDIT, EN_CHANGE),
        CommandCode<&C::OnCountryChanged>(IDC_CE_COUNTRY, CBN_SELCHANGE),
        CommandCode<&C::OnAudioComboChanged>(IDC_CE_AUDIO, CBN_SELCHANGE),
        Command<&C::OnUpdate>(IDC_CE_UPDATE),
        Command<&C::OnUp>(IDC_CE_UP),
        Command<&C::OnDown>(IDC_CE_DOWN),
        Command<&C::OnDelete>(IDC_CE_DELETE),
        Command<&C::OnAdd>(IDC_CE_ADD),
        Command<&C::OnDefault>(IDC_CE_DEFAULT),
        Command<&C::OnScan>(IDC_CE_SCAN),
        CommandRange<&C::OnAudioCommand>(ID_AUDIO_STEREO, ID_AUDIO_MONO),
        Command<&C::OnExit>(IDCANCEL),
        HScroll<&C::OnScroll>(),
        Timer<&C::OnTimer>(),
        Message<&C::OnDestroy>(WM_DESTROY),
    };
    return &kMap;
}

// ---- initialisation ---------------------------------------------------------------------------

BOOL CChannelEditDlg::OnInitDialog() {
    SetTexts();
    SendItemMessage(IDC_CE_LIST, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    SendItemMessage(IDC_CE_NAME_EDIT, EM_LIMITTEXT, kNameMax, 0);
    InsertColumns();
    FillRows();
    ShowCurrentChannel();
    FillCountries();

    // The audio choice for the selected row.
    SendItemMessage(IDC_CE_AUDIO, CB_RESETCONTENT);
    SendItemMessage(IDC_CE_AUDIO, CB_ADDSTRING, 0,
                    reinterpret_cast<LPARAM>(AudioText(kAudioStereo, m_host.Chinese())));
    SendItemMessage(IDC_CE_AUDIO, CB_ADDSTRING, 0,
                    reinterpret_cast<LPARAM>(AudioText(kAudioMono, m_host.Chinese())));
    EnableItem(IDC_CE_AUDIO, CanSwitchAudio());
    ShowAudioText(SelectedRow());

    ShowItem(IDC_CE_NAME_EDIT, false);
    SendItemMessage(IDC_CE_FINE_TUNE, TBM_SETRANGE, TRUE, MAKELPARAM(kFineTuneMin, kFineTuneMax));
    SendItemMessage(IDC_CE_FINE_TUNE, TBM_SETPOS, TRUE, kFineTuneCentre);
    return TRUE;
}

void CChannelEditDlg::SetTexts() {
    if (m_host.Chinese())
        return; // the template's own texts
    SetWindowText("Channel list edit");
    SetItemText(IDC_CE_UP, "UP");
    SetItemText(IDC_CE_DOWN, "Down");
    SetItemText(IDC_CE_DELETE, "Delete");
    SetItemText(IDC_CE_UPDATE, "Update");
    SetItemText(IDCANCEL, "Exit");
    SetItemText(IDC_CE_SCAN, "Auto Scan");
    SetItemText(IDC_CE_DEFAULT, "Default");
    SetItemText(IDC_CE_ADD, "Add");
    SetItemText(IDC_CE_FINE_LABEL, "Fine Tune:");
    SetItemText(IDC_CE_COUNTRY_LABEL, "region");
}

void CChannelEditDlg::InsertColumns() {
    const char* titles[] = {m_host.Text("Index", "索引"), m_host.Text("Channel Name", "频道名称"),
                            m_host.Text("Freq", "频率值"), m_host.Text("Audio", "声音")};
    RECT rc = {};
    ::GetWindowRect(Item(IDC_CE_LIST), &rc);
    const std::vector<int> widths = ChannelColumnWidths(rc.right - rc.left);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(titles[i]);
        column.cx = widths[static_cast<size_t>(i)];
        column.iSubItem = i;
        SendItemMessage(IDC_CE_LIST, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(&column));
    }
}

void CChannelEditDlg::FillRows() {
    m_boFilling = true;
    SendItemMessage(IDC_CE_LIST, LVM_DELETEALLITEMS);
    const ChannelList& channels = m_host.Channels();
    for (long i = 0; i < channels.Count(); ++i)
        InsertRow(i);
    m_boFilling = false;
    if (channels.IsValidIndex(channels.CurrentIndex()))
        SelectRow(channels.CurrentIndex());
}

void CChannelEditDlg::InsertRow(long index) {
    const bool filling = m_boFilling;
    m_boFilling = true;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(index);
    std::string text = Format("%ld", index);
    item.pszText = const_cast<char*>(text.c_str());
    SendItemMessage(IDC_CE_LIST, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    ShowRow(index);
    m_boFilling = filling;
}

void CChannelEditDlg::ShowRow(long index) {
    const ChannelRecord* record = m_host.Channels().At(index);
    if (!record)
        return;
    const bool filling = m_boFilling;
    m_boFilling = true;
    const std::string texts[] = {Format("%ld", index), record->m_strName, MhzText(record->m_nFrequency),
                                 AudioText(EffectiveAudio(index), m_host.Chinese())};
    for (int column = 0; column < 4; ++column) {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(texts[column].c_str());
        SendItemMessage(IDC_CE_LIST, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&item));
    }
    LVITEMA state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(record->m_nEnabled ? 2 : 1);
    SendItemMessage(IDC_CE_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&state));
    m_boFilling = filling;
}

void CChannelEditDlg::SetFrequencyTexts(long index, const std::string& text) {
    SetItemText(IDC_CE_FREQ, text);
    LVITEMA item = {};
    item.iSubItem = kColumnFrequency;
    item.pszText = const_cast<char*>(text.c_str());
    SendItemMessage(IDC_CE_LIST, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&item));
}

long CChannelEditDlg::SelectedRow() const {
    return static_cast<long>(
        SendItemMessage(IDC_CE_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CChannelEditDlg::SelectRow(long index) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendItemMessage(IDC_CE_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&state));
    SendItemMessage(IDC_CE_LIST, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void CChannelEditDlg::ShowCurrentChannel() {
    const ChannelList& channels = m_host.Channels();
    const long current = channels.CurrentIndex();
    const ChannelRecord* record = channels.At(current);
    m_lEditRow = record ? current : -1;
    if (!record) {
        SetItemText(IDC_CE_FREQ, "");
        SetItemText(IDC_CE_INDEX, "");
        m_dwBaseFrequency = 0;
        return;
    }
    SetItemText(IDC_CE_NAME_EDIT, record->m_strName);
    SetItemText(IDC_CE_FREQ, MhzText(record->m_nFrequency));
    m_dwBaseFrequency = static_cast<unsigned long>(record->m_nFrequency);
    SetItemText(IDC_CE_INDEX, Format("[%ld]", current));
}

void CChannelEditDlg::FillCountries() {
    const CountryTable& countries = m_host.Countries();
    SendItemMessage(IDC_CE_COUNTRY, CB_RESETCONTENT);
    for (long i = 0; i < countries.Count(); ++i)
        SendItemMessage(IDC_CE_COUNTRY, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(countries.At(i)->m_strName.c_str()));
    if (!countries.Empty())
        SendItemMessage(IDC_CE_COUNTRY, CB_SETCURSEL, static_cast<WPARAM>(countries.CurrentIndex()));
}

bool CChannelEditDlg::CanSwitchAudio() const {
    return m_host.CardType() == kSwitchableAudioCard;
}

int32_t CChannelEditDlg::EffectiveAudio(long index) const {
    const ChannelRecord* record = m_host.Channels().At(index);
    return record ? EffectiveAudioMode(*record, m_host.CardType()) : kAudioStereo;
}

void CChannelEditDlg::ShowAudioText(long index) {
    if (!m_host.Channels().IsValidIndex(index)) {
        SendItemMessage(IDC_CE_AUDIO, CB_SETCURSEL, static_cast<WPARAM>(-1));
        return;
    }
    SendItemMessage(IDC_CE_AUDIO, CB_SETCURSEL, EffectiveAudio(index) == kAudioStereo ? 0 : 1);
}

void CChannelEditDlg::ShowMessage(const std::string& text, UINT flags) const {
    ::MessageBoxA(m_hWnd, text.c_str(), m_host.Caption().c_str(), flags);
}

// ---- the list ---------------------------------------------------------------------------------

LRESULT CChannelEditDlg::OnListDoubleClick(NMHDR*) {
    if (ScanRunning())
        return 0;
    const long row = SelectedRow();
    ChannelList& channels = m_host.Channels();
    if (!channels.IsValidIndex(row))
        return 0;
    ShowItem(IDC_CE_NAME_EDIT, false);
    if (SetupEngine* engine = m_host.Engine())
        engine->SetCurrentChannel(static_cast<int>(row));
    SendItemMessage(IDC_CE_FINE_TUNE, TBM_SETPOS, TRUE, kFineTuneCentre);
    channels.SetCurrentIndex(row);
    ShowCurrentChannel();
    m_host.SendPanelCommand(1205);
    return 0;
}

LRESULT CChannelEditDlg::OnListClick(NMHDR* hdr) {
    const NMITEMACTIVATE* click = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
    LVHITTESTINFO hit = {};
    hit.pt = click->ptAction;
    SendItemMessage(IDC_CE_LIST, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0 || hit.iSubItem != kColumnIndex || ScanRunning())
        return 0;
    // A click on the check box itself toggles it already.
    if (hit.flags & LVHT_ONITEMSTATEICON)
        return 0;
    const UINT state = static_cast<UINT>(
        SendItemMessage(IDC_CE_LIST, LVM_GETITEMSTATE, static_cast<WPARAM>(hit.iItem), LVIS_STATEIMAGEMASK));
    const bool checked = (state >> 12) == 2;
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 1 : 2);
    SendItemMessage(IDC_CE_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(hit.iItem),
                    reinterpret_cast<LPARAM>(&item));
    return 0;
}

LRESULT CChannelEditDlg::OnListItemChanged(NMHDR* hdr) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
    if (m_boFilling || !(change->uChanged & LVIF_STATE) || change->iItem < 0)
        return 0;
    if ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) {
        // The check box is the record's enabled flag.
        const bool checked = ((change->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
        m_host.Channels().SetEnabled(change->iItem, checked ? 1 : 0);
    }
    if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
        ShowAudioText(change->iItem);
    return 0;
}

LRESULT CChannelEditDlg::OnListRightClick(NMHDR* hdr) {
    if (ScanRunning())
        return 0;
    const NMITEMACTIVATE* click = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
    LVHITTESTINFO hit = {};
    hit.pt = click->ptAction;
    SendItemMessage(IDC_CE_LIST, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!m_host.Channels().IsValidIndex(hit.iItem))
        return 0;
    SelectRow(hit.iItem);
    RECT cell = {};
    cell.top = hit.iSubItem;
    cell.left = LVIR_LABEL;
    SendItemMessage(IDC_CE_LIST, LVM_GETSUBITEMRECT, static_cast<WPARAM>(hit.iItem),
                    reinterpret_cast<LPARAM>(&cell));
    HWND list = Item(IDC_CE_LIST);
    if (hit.iSubItem == kColumnName) {
        // Rename in place: the editor over the cell, with the cell's text.
        POINT at = {cell.left + kEditorOffset, cell.top + kEditorOffset};
        ::MapWindowPoints(list, m_hWnd, &at, 1);
        RECT editor = GetItemRect(IDC_CE_NAME_EDIT);
        m_lEditRow = hit.iItem;
        SetItemText(IDC_CE_NAME_EDIT, m_host.Channels().Name(hit.iItem));
        MoveItem(IDC_CE_NAME_EDIT, at.x, at.y, editor.right - editor.left, editor.bottom - editor.top);
        ::SetWindowPos(Item(IDC_CE_NAME_EDIT), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowItem(IDC_CE_NAME_EDIT, true);
        ::SetFocus(Item(IDC_CE_NAME_EDIT));
    } else if (hit.iSubItem == kColumnAudio) {
        // The audio menu at the lower left of the cell.
        POINT at = {cell.left, cell.bottom};
        ::ClientToScreen(list, &at);
        Menu menu(::LoadMenuA(m_instance ? m_instance : ::GetModuleHandleA(nullptr),
                              MAKEINTRESOURCEA(m_host.Chinese() ? IDR_AUDIO_MENU : IDR_AUDIO_MENU_EN)));
        HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
        if (popup) {
            const UINT grayed = CanSwitchAudio() ? MF_ENABLED : MF_GRAYED;
            ::EnableMenuItem(popup, ID_AUDIO_STEREO, MF_BYCOMMAND | grayed);
            ::EnableMenuItem(popup, ID_AUDIO_MONO, MF_BYCOMMAND | grayed);
            TrackPopupMenu(popup, false, &at);
        }
    }
    return 0;
}

void CChannelEditDlg::OnNameChanged() {
    if (!IsItemVisible(IDC_CE_NAME_EDIT) || !m_host.Channels().IsValidIndex(m_lEditRow))
        return;
    const std::string name = GetItemText(IDC_CE_NAME_EDIT);
    m_host.Channels().SetName(m_lEditRow, name);
    LVITEMA item = {};
    item.iSubItem = kColumnName;
    item.pszText = const_cast<char*>(name.c_str());
    SendItemMessage(IDC_CE_LIST, LVM_SETITEMTEXTA, static_cast<WPARAM>(m_lEditRow),
                    reinterpret_cast<LPARAM>(&item));
}

void CChannelEditDlg::OnUpdate() {
    ShowItem(IDC_CE_NAME_EDIT, false);
    ChannelList& channels = m_host.Channels();
    if (ScanRunning() || !channels.IsValidIndex(m_lEditRow))
        return;
    std::string name = GetItemText(IDC_CE_NAME_EDIT);
    if (name.size() > static_cast<size_t>(kNameMax))
        name.resize(kNameMax);
    if (name.empty()) {
        ShowMessage(m_host.Text("Please input channel name", "请输入频道名"), MB_OK | MB_ICONQUESTION);
        // The editor stays for the name still wanted.
        ShowItem(IDC_CE_NAME_EDIT, true);
        ::SetFocus(Item(IDC_CE_NAME_EDIT));
        return;
    }
    // A new record for the row being edited: the new name with the row's own frequency, number,
    // check and the audio mode it actually plays in.
    const ChannelRecord* old = channels.At(m_lEditRow);
    ChannelRecord record;
    record.m_strName = name;
    record.m_nFrequency = old->m_nFrequency;
    record.m_nChannel = old->m_nChannel;
    record.m_nEnabled = old->m_nEnabled;
    record.m_nAudioMode = EffectiveAudioMode(*old, m_host.CardType());
    channels.Replace(m_lEditRow, std::move(record));
    SendItemMessage(IDC_CE_LIST, LVM_DELETEITEM, static_cast<WPARAM>(m_lEditRow));
    InsertRow(m_lEditRow);
    SelectRow(m_lEditRow);
}

void CChannelEditDlg::OnUp() {
    const long row = SelectedRow();
    if (ScanRunning() || row <= 0 || !m_host.Channels().IsValidIndex(row))
        return;
    m_host.Channels().Swap(row, row - 1);
    ShowRow(row);
    ShowRow(row - 1);
    SelectRow(row - 1);
}

void CChannelEditDlg::OnDown() {
    const long row = SelectedRow();
    ChannelList& channels = m_host.Channels();
    if (ScanRunning() || row < 0 || row + 1 >= channels.Count())
        return;
    channels.Swap(row, row + 1);
    ShowRow(row);
    ShowRow(row + 1);
    SelectRow(row + 1);
}

void CChannelEditDlg::OnDelete() {
    ChannelList& channels = m_host.Channels();
    if (ScanRunning() || channels.Empty() || !channels.IsValidIndex(SelectedRow()))
        return;
    const int answer = ::MessageBoxA(m_hWnd, m_host.Text("Delete this item?", "确认删除此频道吗"),
                                     m_host.Caption().c_str(), MB_OKCANCEL | MB_ICONQUESTION);
    const long row = SelectedRow();
    if (answer != IDOK || !channels.IsValidIndex(row))
        return;
    ShowItem(IDC_CE_NAME_EDIT, false);
    m_boFilling = true;
    SendItemMessage(IDC_CE_LIST, LVM_DELETEITEM, static_cast<WPARAM>(row));
    m_boFilling = false;
    channels.DeleteAt(row);
    const long from = std::max(row - 1, 0L);
    for (long i = from; i < channels.Count(); ++i)
        ShowRow(i);
    if (!channels.Empty())
        SelectRow(from);
    // The current channel keeps naming a record.
    if (channels.CurrentIndex() >= channels.Count())
        channels.SetCurrentIndex(std::max(channels.Count() - 1, 0L));
    if (m_lEditRow >= channels.Count())
        m_lEditRow = channels.IsValidIndex(channels.CurrentIndex()) ? channels.CurrentIndex() : -1;
    const long shown = SelectedRow();
    SetItemText(IDC_CE_FREQ,
                channels.IsValidIndex(shown) ? MhzText(channels.Frequency(shown)) : std::string());
}

void CChannelEditDlg::OnAdd() {
    if (ScanRunning())
        return;
    CAddChannelDlg dialog(m_host);
    if (dialog.DoModal(m_hWnd) != IDOK)
        return;
    ChannelList& channels = m_host.Channels();
    ChannelRecord record;
    record.m_strName = dialog.Name();
    record.m_nFrequency = static_cast<int32_t>(dialog.FrequencyHz());
    record.m_nChannel = static_cast<int32_t>(channels.Count() + 1);
    record.m_nEnabled = 1;
    record.m_nAudioMode = kAudioStereo;
    channels.Append(std::move(record));
    const long index = channels.Count() - 1;
    InsertRow(index);
    SelectRow(index);
}

// ---- fine tune --------------------------------------------------------------------------------

void CChannelEditDlg::OnScroll(UINT code, UINT, HWND bar) {
    // The end of a drag follows a move that was already tuned.
    if (bar != Item(IDC_CE_FINE_TUNE) || code == TB_ENDTRACK || ScanRunning())
        return;
    ChannelList& channels = m_host.Channels();
    const long current = channels.CurrentIndex();
    if (channels.Empty() || !channels.IsValidIndex(current))
        return;
    const int position = static_cast<int>(SendItemMessage(IDC_CE_FINE_TUNE, TBM_GETPOS));
    long frequency = FineTuneFrequency(static_cast<long>(m_dwBaseFrequency), position);
    SetupEngine* engine = m_host.Engine();
    // Never beyond what the tuner takes.
    FrequencyRange range;
    long maximum = 0, minimum = 0;
    if (engine && engine->GetFrequencyRange(&maximum, &minimum) == 1 && minimum <= maximum) {
        range.lowHz = minimum;
        range.highHz = maximum;
        frequency = range.Clamp(frequency);
    }
    if (engine)
        engine->SetFrequency(frequency, static_cast<int>(current));
    channels.SetFrequency(current, static_cast<int32_t>(frequency));
    SetFrequencyTexts(current, FineMhzText(frequency));
}

void CChannelEditDlg::OnDefault() {
    ChannelList& channels = m_host.Channels();
    const long current = channels.CurrentIndex();
    if (ScanRunning() || !channels.IsValidIndex(current))
        return;
    const long base = static_cast<long>(m_dwBaseFrequency);
    if (SetupEngine* engine = m_host.Engine())
        engine->SetFrequency(base, static_cast<int>(current));
    channels.SetFrequency(current, static_cast<int32_t>(base));
    SetFrequencyTexts(current, MhzText(base));
    SendItemMessage(IDC_CE_FINE_TUNE, TBM_SETPOS, TRUE, kFineTuneCentre);
}

// ---- country and audio ------------------------------------------------------------------------

void CChannelEditDlg::OnCountryChanged() {
    const long selected = static_cast<long>(SendItemMessage(IDC_CE_COUNTRY, CB_GETCURSEL));
    CountryTable& countries = m_host.Countries();
    if (ScanRunning() || !countries.SetCurrentIndex(selected))
        return;
    SetupEngine* engine = m_host.Engine();
    if (engine) {
        engine->SetCountry(countries.Current()->m_nCountryCode);
        const ChannelList& channels = m_host.Channels();
        if (!channels.Empty() && channels.IsValidIndex(channels.CurrentIndex()))
            engine->SetCurrentChannel(static_cast<int>(channels.CurrentIndex()));
    }
    WriteProfileValues(m_host.TunaroIniPath(), {CountryIndexWrite(selected)});
}

void CChannelEditDlg::SetChannelAudio(long index, int32_t mode) {
    ChannelList& channels = m_host.Channels();
    if (!CanSwitchAudio() || !channels.IsValidIndex(index))
        return;
    channels.SetAudioMode(index, mode);
    LVITEMA item = {};
    item.iSubItem = kColumnAudio;
    std::string text = AudioText(mode, m_host.Chinese());
    item.pszText = const_cast<char*>(text.c_str());
    SendItemMessage(IDC_CE_LIST, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&item));
    ShowAudioText(index);
    if (index == channels.CurrentIndex())
        if (SetupEngine* engine = m_host.Engine())
            engine->SetAudioMode(mode == kAudioStereo ? 1 : 0);
}

void CChannelEditDlg::OnAudioCommand(UINT id) {
    SetChannelAudio(SelectedRow(), id == ID_AUDIO_STEREO ? kAudioStereo : kAudioMono);
}

void CChannelEditDlg::OnAudioComboChanged() {
    const long choice = static_cast<long>(SendItemMessage(IDC_CE_AUDIO, CB_GETCURSEL));
    if (choice < 0)
        return;
    const long row = SelectedRow();
    if (!CanSwitchAudio()) {
        ShowAudioText(row);
        return;
    }
    SetChannelAudio(row, choice == 0 ? kAudioStereo : kAudioMono);
}

// ---- scan -------------------------------------------------------------------------------------

void CChannelEditDlg::OnScan() {
    if (ScanRunning()) {
        StopScan(false);
        return;
    }
    SetupEngine* engine = m_host.Engine();
    if (engine && engine->IsTunerInput())
        StartScan();
}

void CChannelEditDlg::EnableEditing(bool enable) {
    for (int id : {IDC_CE_UP, IDC_CE_DOWN, IDC_CE_DELETE, IDC_CE_UPDATE, IDC_CE_ADD, IDC_CE_DEFAULT,
                   IDC_CE_FINE_TUNE, IDC_CE_COUNTRY})
        EnableItem(id, enable);
    EnableItem(IDC_CE_AUDIO, enable && CanSwitchAudio());
}

void CChannelEditDlg::StartScan() {
    SetupEngine* engine = m_host.Engine();
    ChannelList& channels = m_host.Channels();
    m_savedRecords.clear();
    for (long i = 0; i < channels.Count(); ++i)
        m_savedRecords.push_back(*channels.At(i));
    m_lSavedCurrent = channels.CurrentIndex();
    m_lSavedPrevious = channels.PreviousIndex();

    ShowItem(IDC_CE_NAME_EDIT, false);
    m_boFilling = true;
    SendItemMessage(IDC_CE_LIST, LVM_DELETEALLITEMS);
    m_boFilling = false;
    m_lScanSteps = 0;
    m_host.SetScanning(true);
    SetItemText(IDC_CE_SCAN, m_host.Text("Stop", "停止搜台"));
    EnableEditing(false);
    // A scan left half-way elsewhere must not make this one start in the middle of the table.
    engine->AutoScanTune(1);
    m_uScanTimer = ::SetTimer(m_hWnd, TIMER_PAGE_SCAN, kScanPeriodMs, nullptr);
    // The first step already tries the table's first frequency.
    const int result = engine->AutoScanTune(0);
    if (result == 3)
        AppendFoundRow();
    else if (result == -1)
        StopScan(true);
}

void CChannelEditDlg::AppendFoundRow() {
    const long index = m_host.Channels().Count() - 1;
    if (index < 0)
        return;
    InsertRow(index);
    SelectRow(index);
}

void CChannelEditDlg::OnTimer(UINT_PTR id) {
    if (id != TIMER_PAGE_SCAN)
        return;
    SetupEngine* engine = m_host.Engine();
    if (!ScanRunning() || !engine) {
        ::KillTimer(m_hWnd, TIMER_PAGE_SCAN);
        return;
    }
    if (!m_host.Scanning()) {
        // The panel ended the scan (its Auto Scan command, from the remote say) and reset the
        // table: this one is over, unfinished, with nothing more to tell the panel.
        EndScan(false, false);
        return;
    }
    const int result = engine->AutoScanTune(0);
    if (result == 3) {
        AppendFoundRow();
    } else if (result == -1) {
        StopScan(true);
        return;
    }
    m_host.ShowOsd(Format("%ld", m_lScanSteps));
    ++m_lScanSteps;
}

void CChannelEditDlg::StopScan(bool finished) {
    EndScan(finished, true);
}

void CChannelEditDlg::EndScan(bool finished, bool tellPanel) {
    if (!ScanRunning())
        return;
    ::KillTimer(m_hWnd, TIMER_PAGE_SCAN);
    m_uScanTimer = 0;
    if (SetupEngine* engine = m_host.Engine())
        engine->AutoScanTune(1);
    m_lScanSteps = 0;
    ChannelList& channels = m_host.Channels();
    // A scan stopped early keeps the stations it found; only one that found nothing at all
    // gives the list from before it back, so stopping at once loses nothing.
    const bool restore = !finished && channels.Empty() && !m_savedRecords.empty();
    if (restore) {
        for (ChannelRecord& record : m_savedRecords)
            channels.Append(std::move(record));
    }
    m_savedRecords.clear();
    // The control panel ends its side of a scan while the flag still says scanning (it tunes
    // the list's first channel again).
    if (tellPanel)
        m_host.SendPanelCommand(405);
    SetItemText(IDC_CE_SCAN, m_host.Text("Auto Scan", "自动搜台"));
    m_host.SetScanning(false);
    if (restore) {
        channels.SetCurrentIndex(m_lSavedCurrent);
        channels.SetPreviousIndex(m_lSavedPrevious);
        if (SetupEngine* engine = m_host.Engine())
            if (channels.IsValidIndex(m_lSavedCurrent))
                engine->SetCurrentChannel(static_cast<int>(m_lSavedCurrent));
    }
    EnableEditing(true);
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    FillRows();
    ShowCurrentChannel();
    SendItemMessage(IDC_CE_FINE_TUNE, TBM_SETPOS, TRUE, kFineTuneCentre);
}

// ---- closing ----------------------------------------------------------------------------------

void CChannelEditDlg::OnExit() {
    if (HWND sheet = SheetWindow())
        ::SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

void CChannelEditDlg::SaveList() {
    StopScan(false);
    m_boSaved = true;
    if (!SaveChannelList(m_host.Channels(), m_host.ProgramTxtPath(), m_host.CardType()))
        ShowMessage(Format(m_host.Text("The channel list could not be written to \"%s\".",
                                       "频道列表无法写入 \"%s\"。"),
                           m_host.ProgramTxtPath().c_str()),
                    MB_OK | MB_ICONWARNING);
}

bool CChannelEditDlg::OnApply() {
    SaveList();
    return true;
}

void CChannelEditDlg::OnReset() {
    SaveList();
}

LRESULT CChannelEditDlg::OnDestroy() {
    // The sheet goes without OK or Cancel (the program is ending): a scan still running stops
    // and keeps what it found.
    StopScan(false);
    return 0;
}

} // namespace tunaro
