// The agent's window: initialisation, the tray, the poll timer, the scan messages, card arrival
// and removal, and the peers and programs the keys reach.
#include "remote/key_relay_dlg.h"

#include <dbt.h>

#include <cstddef>
#include <cstring>

#include "framework/debug_print.h"
#include "framework/format.h"
#include "framework/peer_messages.h"
#include "remote/about_dlg.h"
#include "res/keyrelay/resource.h"

namespace tunaro::remote {

namespace {

constexpr const char* kTitle = "Remote";
constexpr const char* kTitleChinese = "遥控";
constexpr const char* kWaiting = "wait for receive";
constexpr const char* kWaitingChinese = "等待接收";
constexpr COLORREF kWaitingColour = 0;    // black
constexpr COLORREF kReceivedColour = 255; // red

// The window's place and size: off screen, until the user brings it up from the tray.
constexpr int kHiddenX = -200;
constexpr int kHiddenY = -200;
constexpr int kWindowWidth = 170;
constexpr int kWindowHeight = 100;

// Where the installer records the TV program's directory.
constexpr const char* kTvKey = "SOFTWARE\\Tunaro";
constexpr const char* kTvPathValue = "path";

// Video capture devices (KSCATEGORY_VIDEO): the card announces itself in this class.
constexpr GUID kVideoDeviceClass = {
    0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// Only the card's own device carries this in its name.
constexpr const char* kCardNameMark = "282";

// A peer that does not answer within this time is given up, so a hung program cannot stop the remote.
constexpr UINT kPeerSendTimeoutMs = 15000;

std::string ReadTvDirectory() {
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTvKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return std::string();
    char value[MAX_PATH] = {0};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), kTvPathValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return value;
}

// The device name of an interface notification, read no further than the record goes.
std::string InterfaceName(const DEV_BROADCAST_HDR* header) {
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return std::string();
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (header->dbch_size <= nameOffset)
        return std::string();
    const size_t room = header->dbch_size - nameOffset;
    return std::string(record->dbcc_name, strnlen(record->dbcc_name, room));
}

HICON LoadIconSized(UINT id, int metricX, int metricY) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
}

// Starts a program of the TV directory by its full path (never a search along an unquoted command line).
bool StartProgram(const std::string& path, const std::string& directory, WORD show,
                  PROCESS_INFORMATION* info) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    std::string commandLine = "\"" + path + "\"";
    return CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, info) != FALSE;
}

} // namespace

CKeyRelayDlg::CKeyRelayDlg(LanguageMode language)
    : Dialog(IDD_KEYRELAY_DIALOG), m_language(language), m_relay(*this) {}

CKeyRelayDlg::~CKeyRelayDlg() {
    UnregisterCardNotification();
}

// The hidden buttons of the template the TV application presses around a scan.
static_assert(IDC_SCAN_STARTED == tunaro::peer::kRemoteScanStarted &&
                  IDC_SCAN_ENDED == tunaro::peer::kRemoteScanEnded,
              "the template's buttons are the protocol's ids");

const MessageMap* CKeyRelayDlg::GetMessageMap() const {
    static const MessageMap kMessageMap{
        Timer<&CKeyRelayDlg::OnTimer>(),
        Command<&CKeyRelayDlg::OnHide>(IDC_HIDE),
        Command<&CKeyRelayDlg::OnExitButton>(IDC_EXIT),
        Command<&CKeyRelayDlg::OnMenuExit>(ID_TRAY_EXIT),
        Command<&CKeyRelayDlg::OnDisplay>(ID_TRAY_DISPLAY),
        Command<&CKeyRelayDlg::OnScanStarted>(tunaro::peer::kRemoteScanStarted),
        Command<&CKeyRelayDlg::OnScanEnded>(tunaro::peer::kRemoteScanEnded),
        SysCommand<&CKeyRelayDlg::OnAbout>(IDM_ABOUTBOX, IDM_ABOUTBOX),
        SysCommand<&CKeyRelayDlg::OnMinimize>(SC_MINIMIZE, SC_MINIMIZE),
        SysCommand<&CKeyRelayDlg::OnRestore>(SC_RESTORE, SC_RESTORE),
        Message<&CKeyRelayDlg::OnTrayNotify>(kTrayMessage),
        Message<&CKeyRelayDlg::OnClose>(WM_CLOSE),
        DeviceChange<&CKeyRelayDlg::OnDeviceChange>(),
        CtlColor<&CKeyRelayDlg::OnCtlColor>(),
        Message<&CKeyRelayDlg::OnWindowPosChanging>(WM_WINDOWPOSCHANGING),
    };
    return &kMessageMap;
}

BOOL CKeyRelayDlg::OnInitDialog() {
    AppendSystemMenuItem(IDM_ABOUTBOX,
                         ChineseMode() ? LoadResourceString(IDS_ABOUTBOX) : std::string("&About Remote..."));
    SetLanguageTexts();
    m_trayMenu.Reset(LoadMenuA(GetModuleHandleA(nullptr),
                               MAKEINTRESOURCEA(ChineseMode() ? IDR_TRAY_MENU_CHINESE : IDR_TRAY_MENU)));
    SetIcons(IDR_MAINFRAME);
    RegisterCardNotification();

    // Out of sight at once, and into the tray as soon as the dialog is up.
    ::MoveWindow(m_hWnd, kHiddenX, kHiddenY, kWindowWidth, kWindowHeight, TRUE);
    LayOutControls();
    PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);

    m_strTvDir = ReadTvDirectory();
    m_relay.Open();
    if (!m_receiver.Loaded())
        TUNARO_TRACE("KeyRelay: %s is missing, the remote control is not read", kReceiverLibrary);
    else if (!m_relay.Polling())
        TUNARO_TRACE("KeyRelay: the receiver is not ready, waiting for the card");
    return TRUE;
}

void CKeyRelayDlg::SetLanguageTexts() {
    SetWindowText(Text(kTitle, kTitleChinese));
    SetItemText(IDC_STATUS, Text(kWaiting, kWaitingChinese));
    SetItemText(IDC_HIDE, Text("Hide", "隐藏"));
    SetItemText(IDC_EXIT, Text("Exit", "退出"));
}

// The controls in the window's fixed size, whatever font the dialog got: the icon on the left,
// the status label beside it, Hide centred below.
void CKeyRelayDlg::LayOutControls() {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right;
    const int height = client.bottom;
    constexpr int kMargin = 6;
    constexpr int kIconSize = 32;
    constexpr int kButtonWidth = 72;
    constexpr int kButtonHeight = 22;
    const int textTop = kMargin;
    const int textHeight = height - kButtonHeight - 3 * kMargin;
    const int iconTop = textTop + (textHeight - kIconSize) / 2;
    MoveItem(IDC_STATE_ICON, 2 * kMargin, iconTop, kIconSize, kIconSize, false);
    const int textLeft = 2 * kMargin + kIconSize + kMargin;
    MoveItem(IDC_STATUS, textLeft, textTop, width - textLeft - kMargin, textHeight, false);
    MoveItem(IDC_KEY_CODE, textLeft, textTop, width - textLeft - kMargin, textHeight, false);
    MoveItem(IDC_HIDE, (width - kButtonWidth) / 2, height - kButtonHeight - kMargin, kButtonWidth,
             kButtonHeight, false);
}

void CKeyRelayDlg::SetIcons(UINT iconId) {
    if (m_windowIconId == iconId)
        return;
    m_windowIconId = iconId;
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconSized(iconId, SM_CXICON, SM_CYICON)));
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(LoadIconSized(iconId, SM_CXSMICON, SM_CYSMICON)));
    SendItemMessage(IDC_STATE_ICON, STM_SETICON,
                    reinterpret_cast<WPARAM>(LoadIconSized(iconId, SM_CXICON, SM_CYICON)));
}

void CKeyRelayDlg::SetTray(UINT iconId, const char* tip) {
    if (!m_tray.IsShown() || (m_trayIconId == iconId && m_strTrayTip == tip))
        return;
    if (m_tray.Modify(LoadIconSized(iconId, SM_CXSMICON, SM_CYSMICON), tip)) {
        m_trayIconId = iconId;
        m_strTrayTip = tip;
    }
}

// ---- device notifications -------------------------------------------------------------------

void CKeyRelayDlg::RegisterCardNotification() {
    // Looked up at run time: systems without device notifications still run the agent.
    HMODULE user = GetModuleHandleA("user32.dll");
    using RegisterFn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
    const auto registerFn = user ? reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(
                                       GetProcAddress(user, "RegisterDeviceNotificationA")))
                                 : nullptr;
    if (!registerFn)
        return;
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kVideoDeviceClass;
    m_deviceNotify = registerFn(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CKeyRelayDlg::UnregisterCardNotification() {
    if (!m_deviceNotify)
        return;
    HMODULE user = GetModuleHandleA("user32.dll");
    using UnregisterFn = BOOL(WINAPI*)(HDEVNOTIFY);
    const auto unregisterFn = user ? reinterpret_cast<UnregisterFn>(reinterpret_cast<void*>(
                                         GetProcAddress(user, "UnregisterDeviceNotification")))
                                   : nullptr;
    if (unregisterFn)
        unregisterFn(m_deviceNotify);
    m_deviceNotify = nullptr;
}

BOOL CKeyRelayDlg::OnDeviceChange(UINT event, DWORD_PTR data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return TRUE;
    const std::string name = InterfaceName(reinterpret_cast<const DEV_BROADCAST_HDR*>(data));
    if (name.find(kCardNameMark) == std::string::npos)
        return TRUE;
    if (event == DBT_DEVICEARRIVAL) {
        TUNARO_TRACE("KeyRelay: card arrived (%s)", name.c_str());
        m_relay.CardArrived();
    } else {
        TUNARO_TRACE("KeyRelay: card removed (%s)", name.c_str());
        m_relay.CardRemoved();
    }
    return TRUE;
}

// ---- timer, display ---------------------------------------------------------------------------

void CKeyRelayDlg::OnTimer(UINT_PTR id) {
    if (id == kPollTimerId)
        m_relay.Poll();
}

void CKeyRelayDlg::StartPollTimer() {
    ::SetTimer(m_hWnd, kPollTimerId, kPollPeriodMs, nullptr);
}

void CKeyRelayDlg::StopPollTimer() {
    ::KillTimer(m_hWnd, kPollTimerId);
}

void CKeyRelayDlg::ShowCode(uint32_t code) {
    const std::string text = Format("%lu", static_cast<unsigned long>(code));
    if (GetItemText(IDC_KEY_CODE) != text)
        SetItemText(IDC_KEY_CODE, text);
}

void CKeyRelayDlg::ShowWaiting() {
    if (m_textColour != kWaitingColour) {
        m_textColour = kWaitingColour;
        ::InvalidateRect(Item(IDC_KEY_CODE), nullptr, TRUE);
    }
    SetIcons(IDR_MAINFRAME);
    SetTray(IDR_MAINFRAME, Text("Remote control", "遥控器"));
    const char* waiting = Text(kWaiting, kWaitingChinese);
    if (GetItemText(IDC_STATUS) != waiting)
        SetItemText(IDC_STATUS, waiting);
    else
        ::InvalidateRect(Item(IDC_STATUS), nullptr, TRUE);
}

void CKeyRelayDlg::ShowReceived(const std::string& label) {
    const bool recolour = m_textColour != kReceivedColour;
    m_textColour = kReceivedColour;
    SetIcons(IDI_RECEIVING);
    SetTray(IDI_RECEIVING, m_strTrayTip.c_str());
    if (GetItemText(IDC_STATUS) != label)
        SetItemText(IDC_STATUS, label);
    else if (recolour)
        ::InvalidateRect(Item(IDC_STATUS), nullptr, TRUE);
    if (recolour)
        ::InvalidateRect(Item(IDC_KEY_CODE), nullptr, TRUE);
}

HBRUSH CKeyRelayDlg::OnCtlColor(HDC dc, HWND control, UINT message) {
    if (message != WM_CTLCOLORSTATIC)
        return nullptr;
    const int id = GetDlgCtrlID(control);
    if (id != IDC_STATUS && id != IDC_KEY_CODE)
        return nullptr;
    ::SetTextColor(dc, m_textColour);
    ::SetBkMode(dc, TRANSPARENT);
    return GetSysColorBrush(COLOR_BTNFACE);
}

// ---- scan messages, exits --------------------------------------------------------------------

void CKeyRelayDlg::OnScanStarted() {
    m_relay.ScanStarted();
}

void CKeyRelayDlg::OnScanEnded() {
    m_relay.ScanEnded();
}

void CKeyRelayDlg::OnExitButton() {
    m_tray.Remove();
    m_relay.ExitButton();
    Close();
}

void CKeyRelayDlg::OnMenuExit() {
    m_tray.Remove();
    m_relay.MenuExit();
    Close();
}

LRESULT CKeyRelayDlg::OnClose() {
    // Closing the window ends the agent the orderly way, as the tray menu's Exit does.
    OnMenuExit();
    return 0;
}

void CKeyRelayDlg::Close() {
    if (m_boClosing)
        return;
    m_boClosing = true;
    UnregisterCardNotification();
    EndDialog(IDOK);
}

// ---- tray and window ------------------------------------------------------------------------

void CKeyRelayDlg::OnHide() {
    PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void CKeyRelayDlg::OnCancel() {
    PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void CKeyRelayDlg::OnMinimize(UINT, LPARAM) {
    MinimizeToTray();
}

void CKeyRelayDlg::OnRestore(UINT, LPARAM) {
    Restore(false);
}

LRESULT CKeyRelayDlg::OnWindowPosChanging(UINT, WPARAM, LPARAM pos, bool& handled) {
    // The dialog manager shows a modal dialog when its queue first runs empty; the agent stays
    // in the tray all the same.
    auto* change = reinterpret_cast<WINDOWPOS*>(pos);
    if (m_boInTray && change)
        change->flags &= ~SWP_SHOWWINDOW;
    handled = false; // the rest of the change takes its usual way
    return 0;
}

void CKeyRelayDlg::MinimizeToTray() {
    if (m_boClosing)
        return;
    m_boInTray = true;
    const char* tip = Text("remote", "遥控");
    if (m_tray.Add(m_hWnd, kTrayIconId, kTrayMessage, LoadIconSized(IDR_MAINFRAME, SM_CXSMICON, SM_CYSMICON),
                   tip)) {
        m_trayIconId = IDR_MAINFRAME;
        m_strTrayTip = tip;
    }
    ShowWindow(SW_HIDE);
}

void CKeyRelayDlg::Restore(bool centre) {
    m_boInTray = false;
    if (centre)
        CenterWindow();
    ShowWindow(SW_SHOWNORMAL);
    m_tray.Remove();
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(m_hWnd);
}

void CKeyRelayDlg::OnDisplay() {
    Restore(true);
}

LRESULT CKeyRelayDlg::OnTrayNotify(WPARAM, LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        Restore(true);
    } else if (mouseMessage == WM_RBUTTONUP) {
        if (HMENU popup = GetSubMenu(m_trayMenu.get(), 0))
            TrackPopupMenu(popup);
    }
    return 0;
}

void CKeyRelayDlg::OnAbout(UINT, LPARAM) {
    CAboutDlg about(m_language);
    about.DoModal(m_hWnd);
}

// ---- peers and programs -----------------------------------------------------------------------

std::string CKeyRelayDlg::SettingsFile() const {
    return m_strTvDir + "\\setting.ini";
}

HWND CKeyRelayDlg::FindWindowByTitle(const char* section, const char* key, const char* fallback) const {
    char title[256] = {0};
    GetPrivateProfileStringA(section, key, fallback, title, sizeof title, SettingsFile().c_str());
    return FindWindowA(nullptr, title);
}

PeerId CKeyRelayDlg::FindTarget() {
    HWND target = FindWindowByTitle("Title", "Text", "Tunaro");
    if (!target)
        target = FindWindowByTitle("FM", "Title", "Tunaro FM");
    return reinterpret_cast<PeerId>(target);
}

PeerId CKeyRelayDlg::FindTvWindow() {
    return reinterpret_cast<PeerId>(FindWindowByTitle("Title", "Text", "Tunaro"));
}

void CKeyRelayDlg::SendCommand(PeerId peer, uint32_t command) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(reinterpret_cast<HWND>(peer), WM_COMMAND, static_cast<WPARAM>(command), 0,
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, kPeerSendTimeoutMs, &result))
        TUNARO_TRACE("KeyRelay: command %lu was not taken (error %lu)", static_cast<unsigned long>(command),
                     GetLastError());
}

void CKeyRelayDlg::PostCommand(PeerId peer, uint32_t command) {
    ::PostMessageA(reinterpret_cast<HWND>(peer), WM_COMMAND, static_cast<WPARAM>(command), 0);
}

bool CKeyRelayDlg::StartTvProgram() {
    const std::string path = m_strTvDir + "\\Tunaro.EXE";
    PROCESS_INFORMATION info = {};
    if (!StartProgram(path, m_strTvDir, SW_SHOWNORMAL, &info)) {
        TUNARO_TRACE("KeyRelay: %s could not be started (error %lu)", path.c_str(), GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    m_tvProcess.Reset(info.hProcess);
    return true;
}

void CKeyRelayDlg::WaitForTvProgram(unsigned ms) {
    if (m_tvProcess)
        WaitForSingleObject(m_tvProcess.get(), ms);
}

void CKeyRelayDlg::StartPowerOff() {
    const std::string path = m_strTvDir + "\\Haltbox.exe";
    PROCESS_INFORMATION info = {};
    if (!StartProgram(path, m_strTvDir, SW_HIDE, &info)) {
        TUNARO_TRACE("KeyRelay: %s could not be started (error %lu)", path.c_str(), GetLastError());
        return;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

} // namespace tunaro::remote
