// The debug viewer: a window of class "ZOLT DebugOut Window" that lists every WM_COPYDATA text
// it receives and appends it to a log file (first command-line argument, default beside the exe).
#include <windows.h>

#include <cstring>
#include <string>

namespace {

const char kClassName[] = "ZOLT DebugOut Window";
const char kTitle[] = "DebugOutput - Tunaro diagnostics";
const int kListId = 100;
const int kMaxListLines = 2000;

std::string g_logPath;
HWND g_list = nullptr;

std::string DefaultLogPath() {
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    size_t slash = p.find_last_of("\\/");
    p = (slash == std::string::npos) ? std::string() : p.substr(0, slash + 1);
    return p + "ZoltDebugOut.log";
}

// The first argument of the command line, quoted or not; empty when there is none.
std::string FirstArgument(const char* cmdLine) {
    std::string s = cmdLine ? cmdLine : "";
    size_t i = s.find_first_not_of(" \t");
    if (i == std::string::npos)
        return std::string();
    if (s[i] == '"') {
        size_t end = s.find('"', i + 1);
        return s.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
    }
    size_t end = s.find_first_of(" \t", i);
    return s.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

// Appends one received text; a text without a final line break gets one, so the log is
// always a sequence of whole lines.
void AppendToLog(const std::string& text) {
    HANDLE file = CreateFileA(g_logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string line = text;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

void ShowInList(const std::string& text) {
    if (!g_list)
        return;
    std::string shown = text;
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
        shown.pop_back();
    if (SendMessageA(g_list, LB_GETCOUNT, 0, 0) >= kMaxListLines)
        SendMessageA(g_list, LB_DELETESTRING, 0, 0);
    LRESULT at = SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    if (at >= 0)
        SendMessageA(g_list, LB_SETTOPINDEX, static_cast<WPARAM>(at), 0);
}

void OnCopyData(const COPYDATASTRUCT* cds) {
    if (!cds || !cds->lpData || cds->cbData == 0)
        return;
    // The text ends at its terminating zero, or at the end of the data when a sender left it out.
    const char* data = static_cast<const char*>(cds->lpData);
    size_t len = 0;
    while (len < cds->cbData && data[len] != '\0')
        ++len;
    std::string text(data, len);
    AppendToLog(text);
    ShowInList(text);
}

LRESULT CALLBACK ViewerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        g_list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, wnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
        SendMessageA(g_list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), 0);
        return 0;
    case WM_SIZE:
        if (g_list)
            MoveWindow(g_list, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_COPYDATA:
        OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lp));
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int show) {
    g_logPath = FirstArgument(cmdLine);
    if (g_logPath.empty())
        g_logPath = DefaultLogPath();

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_INFORMATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return 1;
    HWND wnd = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                               360, nullptr, nullptr, instance, nullptr);
    if (!wnd)
        return 1;
    ShowWindow(wnd, show);
    UpdateWindow(wnd);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
