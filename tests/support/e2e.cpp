// End-to-end test support: window look-up, messages, peers, message boxes, files, programs.
// Everything here uses plain Win32 so it behaves the same under Wine and on Windows.
#include "tests/support/e2e.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace e2e {

// ---- directories and paths -------------------------------------------------------------

std::string ExeDir() {
    char buf[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string s(buf);
    size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : s.substr(0, cut);
}

std::string SystemDir() {
    char buf[MAX_PATH + 1] = {0};
    GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

std::string InstallDir() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char buf[MAX_PATH] = {0};
        DWORD size = sizeof(buf) - 1, type = 0;
        LONG rc = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
        RegCloseKey(key);
        if (rc == ERROR_SUCCESS && type == REG_SZ && buf[0])
            return buf;
    }
    return "C:\\Program Files\\Tunaro";
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string p = dir + "\\" + name;
            SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(p);
            else
                DeleteFileA(p.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string MakeScratchDir(const std::string& name) {
    char tmp[MAX_PATH] = {0};
    GetTempPathA(MAX_PATH, tmp);
    std::string dir = std::string(tmp) + "e2e-" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

ScratchDir::ScratchDir(const std::string& prefix) {
    static int counter = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    std::string base = temp;
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    m_path =
        base + "\\" + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    RemoveTree(m_path);
    m_made = CreateDirectoryA(m_path.c_str(), nullptr) != FALSE;
}

ScratchDir::~ScratchDir() {
    RemoveTree(m_path);
}

int ScratchDir::EntryCount() const {
    int n = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((m_path + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..")
            ++n;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path) {
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

bool WriteFile(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

// ---- windows ---------------------------------------------------------------------------

HWND FindTopWindow(const char* title, const char* className) {
    return FindWindowA(className, title);
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start >= ms)
            return;
        Sleep(10);
    }
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return pred();
        // Keep any windows of the calling thread responsive while it waits.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

HWND WaitForWindow(const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowA(nullptr, title)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForWindowGone(const char* title, DWORD timeoutMs) {
    return WaitUntil([&] { return FindWindowA(nullptr, title) == nullptr; }, timeoutMs);
}

LRESULT SendCommand(HWND target, WORD id, WORD code, LPARAM lParam, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(target, WM_COMMAND, MAKEWPARAM(id, code), lParam, SMTO_NORMAL, timeoutMs, &result);
    return static_cast<LRESULT>(result);
}

bool PostCommand(HWND target, WORD id, WORD code, LPARAM lParam) {
    return PostMessageA(target, WM_COMMAND, MAKEWPARAM(id, code), lParam) != FALSE;
}

LRESULT SendCopyData(HWND target, HWND from, ULONG_PTR dwData, const void* data, DWORD size,
                     DWORD timeoutMs) {
    COPYDATASTRUCT cds;
    cds.dwData = dwData;
    cds.cbData = size;
    cds.lpData = const_cast<void*>(data);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&cds),
                        SMTO_NORMAL, timeoutMs, &result);
    return static_cast<LRESULT>(result);
}

std::string WindowText(HWND hwnd) {
    if (!hwnd)
        return "";
    char buf[4096] = {0};
    DWORD_PTR len = 0;
    // WM_GETTEXT works across processes (the system marshals the buffer).
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 5000,
                             &len))
        return "";
    return std::string(buf, len < sizeof(buf) ? len : sizeof(buf) - 1);
}

std::string ControlText(HWND dlg, int id) {
    HWND ctl = GetDlgItem(dlg, id);
    return ctl ? WindowText(ctl) : std::string();
}

bool ClickControl(HWND dlg, int id) {
    HWND ctl = GetDlgItem(dlg, id);
    if (!ctl)
        return false;
    char cls[64] = {0};
    GetClassNameA(ctl, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0) {
        DWORD_PTR r;
        SendMessageTimeoutA(ctl, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &r);
    } else {
        SendCommand(dlg, static_cast<WORD>(id), BN_CLICKED, reinterpret_cast<LPARAM>(ctl));
    }
    return true;
}

namespace {
struct EnumByPid {
    DWORD pid;
    std::vector<HWND> out;
};
BOOL CALLBACK CollectProcessWindows(HWND hwnd, LPARAM lp) {
    auto* e = reinterpret_cast<EnumByPid*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == e->pid && IsWindowVisible(hwnd))
        e->out.push_back(hwnd);
    return TRUE;
}
} // namespace

std::vector<HWND> ProcessWindows(DWORD pid) {
    EnumByPid e{pid, {}};
    EnumWindows(CollectProcessWindows, reinterpret_cast<LPARAM>(&e));
    return e.out;
}

std::vector<uint32_t> BitmapPixels(HBITMAP bitmap, int* width, int* height) {
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof(bm), &bm);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, bm.bmHeight, px.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (auto& p : px)
        p &= 0xFFFFFF;
    if (width)
        *width = bm.bmWidth;
    if (height)
        *height = bm.bmHeight;
    return px;
}

HBITMAP MakeBitmap(const std::vector<uint32_t>& pixels, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp)
        std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
    return bmp;
}

std::vector<uint32_t> ResourceBitmapPixels(int id) {
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!bmp)
        return {};
    auto px = BitmapPixels(bmp);
    DeleteObject(bmp);
    return px;
}

ScreenPixels CaptureScreen(HWND hwnd) {
    ScreenPixels shot;
    RECT r;
    if (hwnd) {
        if (!GetWindowRect(hwnd, &r))
            return shot;
    } else {
        r.left = r.top = 0;
        r.right = GetSystemMetrics(SM_CXSCREEN);
        r.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return shot;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        shot.width = w;
        shot.height = h;
        shot.pixels.assign(p, p + static_cast<size_t>(w) * h);
        SelectObject(mem, old);
        DeleteObject(dib);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return shot;
}

bool Screenshot(HWND hwnd, const std::string& bmpPath) {
    const ScreenPixels shot = CaptureScreen(hwnd);
    if (shot.pixels.empty())
        return false;
    const int w = shot.width, h = shot.height;
    const DWORD stride = ((w * 3) + 3) & ~3u;
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h; // rows bottom-up in the file
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = stride * h;
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
    std::string data(reinterpret_cast<char*>(&bfh), sizeof bfh);
    data.append(reinterpret_cast<char*>(&bih), sizeof bih);
    std::string row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t px = shot.At(x, y);
            row[x * 3] = static_cast<char>(px & 0xFF);
            row[x * 3 + 1] = static_cast<char>((px >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((px >> 16) & 0xFF);
        }
        data += row;
    }
    return WriteFile(bmpPath, data);
}

// ---- PeerWindow ------------------------------------------------------------------------

static LRESULT CALLBACK PeerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<PeerWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    } else if (self && (msg == WM_COMMAND || msg == WM_COPYDATA || (msg >= WM_USER && msg < 0xC000))) {
        ReceivedMessage m{msg, wp, lp, GetTickCount(), std::string(), 0};
        if (msg == WM_COPYDATA) {
            auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
            m.dwData = cds->dwData;
            if (cds->lpData && cds->cbData)
                m.data.assign(static_cast<const char*>(cds->lpData), cds->cbData);
        }
        self->Record(m);
        return msg == WM_COPYDATA ? TRUE : 0;
    } else if (msg == WM_CLOSE) {
        // Only the owner of the stand-in ends it.
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

PeerWindow::PeerWindow(const std::string& title, const std::string& className)
    : m_title(title), m_className(className.empty() ? "E2EPeerWindow" : className) {
    InitializeCriticalSection(&m_lock);
    m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, &m_threadId);
    WaitForSingleObject(m_ready, 10000);
}

PeerWindow::~PeerWindow() {
    if (m_thread) {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        if (m_hwnd)
            PostMessageA(m_hwnd, WM_NULL, 0, 0);
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
    }
    if (m_ready)
        CloseHandle(m_ready);
    DeleteCriticalSection(&m_lock);
}

DWORD WINAPI PeerWindow::ThreadMain(void* p) {
    auto* self = static_cast<PeerWindow*>(p);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PeerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = self->m_className.c_str();
    RegisterClassA(&wc); // fails harmlessly when already registered by another peer
    self->m_hwnd = CreateWindowExA(0, self->m_className.c_str(), self->m_title.c_str(), WS_OVERLAPPED, 0, 0,
                                   100, 100, nullptr, nullptr, wc.hInstance, self);
    SetEvent(self->m_ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (self->m_hwnd)
        DestroyWindow(self->m_hwnd);
    self->m_hwnd = nullptr;
    return 0;
}

void PeerWindow::Record(const ReceivedMessage& m) {
    EnterCriticalSection(&m_lock);
    m_messages.push_back(m);
    const std::function<void(HWND, const ReceivedMessage&)> reply = m_reply;
    LeaveCriticalSection(&m_lock);
    if (reply)
        reply(m_hwnd, m);
}

void PeerWindow::SetReply(std::function<void(HWND self, const ReceivedMessage&)> reply) {
    EnterCriticalSection(&m_lock);
    m_reply = std::move(reply);
    LeaveCriticalSection(&m_lock);
}

std::vector<ReceivedMessage> PeerWindow::Messages() const {
    EnterCriticalSection(&m_lock);
    std::vector<ReceivedMessage> copy = m_messages;
    LeaveCriticalSection(&m_lock);
    return copy;
}

std::vector<ReceivedMessage> PeerWindow::Commands(int id) const {
    std::vector<ReceivedMessage> out;
    for (const auto& m : Messages())
        if (m.msg == WM_COMMAND && (id < 0 || LOWORD(m.wParam) == id))
            out.push_back(m);
    return out;
}

bool PeerWindow::WaitForCommand(int id, DWORD timeoutMs) {
    return WaitUntil([&] { return !Commands(id).empty(); }, timeoutMs);
}

bool PeerWindow::WaitForMessage(UINT msg, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            for (const auto& m : Messages())
                if (m.msg == msg)
                    return true;
            return false;
        },
        timeoutMs);
}

void PeerWindow::Clear() {
    EnterCriticalSection(&m_lock);
    m_messages.clear();
    LeaveCriticalSection(&m_lock);
}

// ---- MessageBoxWatcher -----------------------------------------------------------------

MessageBoxWatcher::MessageBoxWatcher(DWORD pid) : m_pid(pid) {
    InitializeCriticalSection(&m_lock);
    m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher() {
    SetEvent(m_stop);
    WaitForSingleObject(m_thread, 10000);
    CloseHandle(m_thread);
    CloseHandle(m_stop);
    DeleteCriticalSection(&m_lock);
}

void MessageBoxWatcher::SetPid(DWORD pid) {
    EnterCriticalSection(&m_lock);
    m_pid = pid;
    LeaveCriticalSection(&m_lock);
}

DWORD WINAPI MessageBoxWatcher::ThreadMain(void* p) {
    auto* self = static_cast<MessageBoxWatcher*>(p);
    while (WaitForSingleObject(self->m_stop, 50) == WAIT_TIMEOUT)
        self->Scan();
    return 0;
}

namespace {
struct BoxScan {
    DWORD pid;
    std::vector<HWND> boxes;
};
BOOL CALLBACK FindBoxes(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<BoxScan*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if ((s->pid && pid != s->pid) || pid == GetCurrentProcessId() || !IsWindowVisible(hwnd))
        return TRUE;
    char cls[32] = {0};
    GetClassNameA(hwnd, cls, sizeof cls);
    // A message box is a system dialog with its text in static 0xFFFF.
    if (lstrcmpA(cls, "#32770") == 0 && GetDlgItem(hwnd, 0xFFFF))
        s->boxes.push_back(hwnd);
    return TRUE;
}
} // namespace

void MessageBoxWatcher::Scan() {
    EnterCriticalSection(&m_lock);
    BoxScan scan{m_pid, {}};
    LeaveCriticalSection(&m_lock);
    EnumWindows(FindBoxes, reinterpret_cast<LPARAM>(&scan));
    for (HWND box : scan.boxes) {
        EnterCriticalSection(&m_lock);
        bool known = false;
        for (HWND d : m_dismissed)
            known = known || d == box;
        LeaveCriticalSection(&m_lock);
        if (known)
            continue;
        SeenMessageBox seen{WindowText(box), ControlText(box, 0xFFFF)};
        int answer = 0;
        for (int id : {IDOK, IDCANCEL, IDNO, IDYES, IDABORT, IDIGNORE, IDRETRY}) {
            if (GetDlgItem(box, id)) {
                answer = id;
                break;
            }
        }
        HWND button = answer ? GetDlgItem(box, answer) : nullptr;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer ? answer : IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        EnterCriticalSection(&m_lock);
        m_seen.push_back(seen);
        m_dismissed.push_back(box);
        LeaveCriticalSection(&m_lock);
    }
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const {
    EnterCriticalSection(&m_lock);
    std::vector<SeenMessageBox> copy = m_seen;
    LeaveCriticalSection(&m_lock);
    return copy;
}

bool MessageBoxWatcher::WaitForAny(DWORD timeoutMs) {
    return WaitUntil([&] { return !Seen().empty(); }, timeoutMs);
}

// ---- INI files and the simulated card --------------------------------------------------

std::string IniString(const std::string& path, const char* section, const char* key, const char* def) {
    char buf[2048] = {0};
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, path.c_str());
    return buf;
}

long IniLong(const std::string& path, const char* section, const char* key, long def) {
    std::string s = IniString(path, section, key, "");
    if (s.empty())
        return def;
    return strtol(s.c_str(), nullptr, 10);
}

std::string SimCardPath() {
    return SystemDir() + "\\simcard.ini";
}

HiddenCard::HiddenCard(const std::string& ini) : m_ini(ini) {
    m_family = IniString(m_ini, "Config", "Family", "SAA7134");
    m_dll = LoadLibraryA((SystemDir() + "\\simcard.dll").c_str());
    if (m_dll)
        m_register =
            reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(m_dll, "DllRegisterServer")));
    if (!m_register)
        return;
    WritePrivateProfileStringA("Config", "Family", "NONE", m_ini.c_str());
    m_hidden = SUCCEEDED(m_register());
}

HiddenCard::~HiddenCard() {
    if (m_register) {
        WritePrivateProfileStringA("Config", "Family", m_family.c_str(), m_ini.c_str());
        m_register();
    }
    if (m_dll)
        FreeLibrary(m_dll);
}

ULONGLONG FileIdOf(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION info = {};
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok ? (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

std::string SimCardState(const char* key) {
    // The card rewrites the file in place after every change; a read that meets it half
    // written finds no [State] section at all (every state names the family). Read again then.
    std::string value;
    for (int attempt = 0; attempt < 50; ++attempt) {
        value = IniString(SimCardPath(), "State", key, "");
        if (!value.empty() || !IniString(SimCardPath(), "State", "Family", "").empty())
            break;
        Sleep(10);
    }
    return value;
}

long SimCardStateLong(const char* key, long def) {
    std::string s = SimCardState(key);
    if (s.empty())
        return def;
    return strtol(s.c_str(), nullptr, 10);
}

// ---- Program ---------------------------------------------------------------------------

Program::~Program() {
    if (m_process) {
        Stop();
        CloseHandle(m_process);
    }
}

bool Program::Start(const std::string& exePath, const std::string& args, const std::string& workDir) {
    if (m_process)
        return false;
    std::string cmd = "\"" + exePath + "\"";
    if (!args.empty())
        cmd += " " + args;
    std::string dir = workDir;
    if (dir.empty()) {
        size_t cut = exePath.find_last_of("\\/");
        if (cut != std::string::npos)
            dir = exePath.substr(0, cut);
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!CreateProcessA(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    WaitForInputIdle(m_process, 5000);
    return true;
}

bool Program::Running() const {
    return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_process)
        return true;
    // Pump while waiting: peers on this thread must keep answering sent messages.
    bool ended = WaitUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (ended && exitCode)
        GetExitCodeProcess(m_process, exitCode);
    return ended;
}

bool Program::Stop(DWORD timeoutMs) {
    if (!Running())
        return true;
    for (HWND w : ProcessWindows(m_pid))
        PostMessageA(w, WM_CLOSE, 0, 0);
    if (WaitForExit(timeoutMs))
        return true;
    Kill();
    return false;
}

void Program::Kill() {
    if (Running()) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
    }
}

int EndStrayPrograms(const char* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    int ended = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) != 0 || entry.th32ParentProcessID == GetCurrentProcessId())
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        std::fprintf(stderr, "ending a %s left running (process %lu)\n", exeName,
                     static_cast<unsigned long>(entry.th32ProcessID));
        if (TerminateProcess(process, 1) && WaitForSingleObject(process, 5000) == WAIT_OBJECT_0)
            ++ended;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
}

SavedFile::SavedFile(std::string path) : m_path(std::move(path)) {
    m_existed = FileExists(m_path);
    if (m_existed)
        m_content = ReadFile(m_path);
}

SavedFile::~SavedFile() {
    if (m_existed)
        WriteFile(m_path, m_content);
    else
        DeleteFileA(m_path.c_str());
}

HWND ProcessWindow(DWORD pid, const std::string& title, HWND except) {
    for (HWND w : ProcessWindows(pid))
        if (w != except && WindowText(w) == title)
            return w;
    return nullptr;
}

namespace {

// One entry of the system's handle table (SystemHandleInformation).
struct HandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
constexpr SYSTEM_INFORMATION_CLASS kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

long HandlesInSystemTable(DWORD pid) {
    std::vector<unsigned char> buffer(1 << 20);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                                         static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0)
            return -1;
        ULONG count = 0;
        std::memcpy(&count, buffer.data(), sizeof count);
        const size_t first = sizeof(ULONG_PTR); // the count, padded to the entries' alignment
        long mine = 0;
        for (ULONG i = 0; i < count && first + (i + 1) * sizeof(HandleEntry) <= buffer.size(); ++i) {
            HandleEntry e;
            std::memcpy(&e, buffer.data() + first + i * sizeof(HandleEntry), sizeof e);
            if (e.processId == pid)
                ++mine;
        }
        return mine;
    }
    return -1;
}

} // namespace

long HandleCount(DWORD pid) {
    if (!pid)
        pid = GetCurrentProcessId();
    DWORD count = 0;
    if (pid == GetCurrentProcessId()) {
        GetProcessHandleCount(GetCurrentProcess(), &count);
    } else if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        GetProcessHandleCount(process, &count);
        CloseHandle(process);
    }
    // A live process always holds some handles: 0 means the system keeps no count.
    return count > 0 ? static_cast<long>(count) : HandlesInSystemTable(pid);
}

} // namespace e2e
