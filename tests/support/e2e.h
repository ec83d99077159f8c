// End-to-end test support: drive the suite's real programs the way its other programs do.
// Windows by title, WM_COMMAND/WM_COPYDATA, control texts, peer stand-ins, message boxes, files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// ---- directories and paths -------------------------------------------------------------

// Folder of the running test program (build/bin when run from the build tree).
std::string ExeDir();
// The Windows system directory of the prefix (C:\windows\system32 in a 32-bit prefix).
std::string SystemDir();
// Installation directory of the suite in the prefix: the registry value
// HKLM\Software\Tunaro "Path", falling back to C:\Program Files\Tunaro.
std::string InstallDir();
// Deletes a folder and everything below it (read-only files included).
void RemoveTree(const std::string& dir);
// Folder for scratch files of one test, created empty (under the prefix's temp folder).
std::string MakeScratchDir(const std::string& name);
// A fresh directory of its own under the temporary directory (prefix, process id and a counter
// in its name), removed with everything in it at the end.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // False when the directory could not be made.
    bool Made() const { return m_made; }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }
    // Entries in the directory (without "." and "..").
    int EntryCount() const;

private:
    std::string m_path;
    bool m_made = false;
};
// A file a test replaces: its content (or its absence) is put back when this goes.
class SavedFile {
public:
    explicit SavedFile(std::string path);
    ~SavedFile();
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    bool m_existed = false;
    std::string m_content;
};
bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& data);

// ---- windows ---------------------------------------------------------------------------

// Top-level window with exactly this title, or nullptr after timeoutMs.
HWND WaitForWindow(const char* title, DWORD timeoutMs = 10000);
// Top-level window with this title (and class, when given), now.
HWND FindTopWindow(const char* title, const char* className = nullptr);
// True once no top-level window has this title.
bool WaitForWindowGone(const char* title, DWORD timeoutMs = 10000);
// Polls pred every 20 ms until it is true or timeoutMs passes; returns its last value.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs);
// Dispatches the calling thread's window messages for ms milliseconds (0: those queued now).
void Pump(DWORD ms = 0);

LRESULT SendCommand(HWND target, WORD id, WORD code = 0, LPARAM lParam = 0, DWORD timeoutMs = 10000);
bool PostCommand(HWND target, WORD id, WORD code = 0, LPARAM lParam = 0);
// WM_COPYDATA with dwData, the bytes given (send the terminating zero of a text yourself).
LRESULT SendCopyData(HWND target, HWND from, ULONG_PTR dwData, const void* data, DWORD size,
                     DWORD timeoutMs = 10000);

// Text of a window, and of a dialog's control by id ("" when the control is missing).
std::string WindowText(HWND hwnd);
std::string ControlText(HWND dlg, int id);
// Clicks a dialog control: buttons get BM_CLICK, anything else a WM_COMMAND from it to
// its parent. False when there is no such control.
bool ClickControl(HWND dlg, int id);
// Visible top-level windows of a process.
std::vector<HWND> ProcessWindows(DWORD pid);
// The visible top-level window of a process with exactly this title (other than except), or null.
HWND ProcessWindow(DWORD pid, const std::string& title, HWND except = nullptr);

// The pixels of a window (nullptr: the whole screen) as it is on the display, 0x00RRGGBB, top
// row first; empty when the window is gone or has no area.
struct ScreenPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenPixels CaptureScreen(HWND hwnd);

// The pixels of a bitmap as 0x00RRGGBB, top row first (width and height where asked).
std::vector<uint32_t> BitmapPixels(HBITMAP bitmap, int* width = nullptr, int* height = nullptr);
// A 32-bit top-down bitmap holding these pixels (width x height of them); the caller deletes it.
HBITMAP MakeBitmap(const std::vector<uint32_t>& pixels, int width, int height);
// The pixels of a bitmap resource of the running program.
std::vector<uint32_t> ResourceBitmapPixels(int id);

// Saves a 24-bit BMP of a window (nullptr: the whole screen) as it is on the display.
bool Screenshot(HWND hwnd, const std::string& bmpPath);

// ---- a stand-in for a peer program -----------------------------------------------------

struct ReceivedMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD tick;       // GetTickCount() on arrival
    std::string data; // WM_COPYDATA: the bytes sent
    ULONG_PTR dwData; // WM_COPYDATA: the dwData field
};

// A top-level window with a given title, run on its own thread, that records every
// WM_COMMAND, WM_COPYDATA and WM_USER-and-above message it receives (with arrival times).
class PeerWindow {
public:
    explicit PeerWindow(const std::string& title, const std::string& className = "");
    ~PeerWindow();
    PeerWindow(const PeerWindow&) = delete;
    PeerWindow& operator=(const PeerWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }
    std::vector<ReceivedMessage> Messages() const;
    // Messages of one kind; for WM_COMMAND, only those with this id in the low word (id >= 0).
    std::vector<ReceivedMessage> Commands(int id = -1) const;
    bool WaitForCommand(int id, DWORD timeoutMs);
    bool WaitForMessage(UINT msg, DWORD timeoutMs);
    void Clear();
    // Called on the peer's own thread for every message it records, before the sender's call
    // returns: a peer that answers at once (for example with an order of its own) while the
    // sender still waits on its message.
    void SetReply(std::function<void(HWND self, const ReceivedMessage&)> reply);

    // Internal: called from the window procedure.
    void Record(const ReceivedMessage& m);

private:
    static DWORD WINAPI ThreadMain(void* self);
    std::string m_title, m_className;
    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    DWORD m_threadId = 0;
    HWND m_hwnd = nullptr;
    mutable CRITICAL_SECTION m_lock;
    std::vector<ReceivedMessage> m_messages;
    std::function<void(HWND, const ReceivedMessage&)> m_reply;
};

// ---- message boxes ---------------------------------------------------------------------

struct SeenMessageBox {
    std::string caption;
    std::string text;
};

// Watches for message boxes (dialog class #32770 with a static message text) of one process
// (or of any process when pid is 0), records caption and text, and dismisses each with its
// default answer (OK, else Cancel, else No, else its first button). Runs until destroyed.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(DWORD pid = 0);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Seen() const;
    bool WaitForAny(DWORD timeoutMs);
    void SetPid(DWORD pid);

    // Internal: one pass over the top-level windows.
    void Scan();

private:
    static DWORD WINAPI ThreadMain(void* self);
    DWORD m_pid;
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
    mutable CRITICAL_SECTION m_lock;
    std::vector<SeenMessageBox> m_seen;
    std::vector<HWND> m_dismissed;
};

// ---- INI files and the simulated card --------------------------------------------------

std::string IniString(const std::string& path, const char* section, const char* key, const char* def = "");
long IniLong(const std::string& path, const char* section, const char* key, long def = 0);
// simcard.ini in the system directory, section [State].
std::string SimCardPath();
std::string SimCardState(const char* key);
long SimCardStateLong(const char* key, long def = -1);

// Takes the simulated card out of the device categories (as if no card were fitted) for the
// life of the object, the way its driver registers: [Config] Family of the card's ini (by
// default the prefix's simcard.ini), then the registration.
class HiddenCard {
public:
    explicit HiddenCard(const std::string& ini = SimCardPath());
    ~HiddenCard();
    HiddenCard(const HiddenCard&) = delete;
    HiddenCard& operator=(const HiddenCard&) = delete;
    bool Hidden() const { return m_hidden; }

private:
    using Register = HRESULT(WINAPI*)();
    std::string m_ini, m_family;
    HMODULE m_dll = nullptr;
    Register m_register = nullptr;
    bool m_hidden = false;
};

// The file's identity on its volume (0 when it cannot be opened): a file replaced through a new
// one changes it, one truncated and rewritten in place keeps it.
ULONGLONG FileIdOf(const std::string& path);

// ---- programs --------------------------------------------------------------------------

// A program started under the prefix; stopped cleanly (WM_CLOSE to its windows) on Stop or
// destruction, killed when it does not end in time.
class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts exePath with args (may be empty) in workDir (empty: the exe's folder).
    bool Start(const std::string& exePath, const std::string& args = "", const std::string& workDir = "");
    bool Running() const;
    DWORD Pid() const { return m_pid; }
    HANDLE Handle() const { return m_process; }
    // Waits for the process to end by itself; true when it did. exitCode may be null.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Asks every top-level window of the process to close, waits, then kills what is left.
    // Returns true when it ended without being killed.
    bool Stop(DWORD timeoutMs = 5000);
    void Kill();

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// Ends every running process of this program file name (for example "Tunaro.exe") that this
// test program did not start: one left behind by a test that was stopped at its time-out
// would otherwise hold the files and the card of every test after it. Returns how many ended.
int EndStrayPrograms(const char* exeName);

// The handles the process holds (0: this process): its own count where the system keeps one,
// else those counted in the system's handle table (the compatibility layer reports 0 for every
// process); -1 when neither is known.
long HandleCount(DWORD pid = 0);

// EnumWindows and EnumChildWindows for a plain function or a captureless lambda: the system calls
// its callback WINAPI (__stdcall in the 32-bit build), which a lambda's function never is.
using WindowVisitor = BOOL (*)(HWND, LPARAM);
struct WindowVisit {
    WindowVisitor visit;
    LPARAM param;
};
inline BOOL CALLBACK CallWindowVisitor(HWND wnd, LPARAM visit) {
    const WindowVisit* v = reinterpret_cast<const WindowVisit*>(visit);
    return v->visit(wnd, v->param);
}
inline BOOL ForEachWindow(WindowVisitor visit, LPARAM param) {
    WindowVisit v = {visit, param};
    return ::EnumWindows(CallWindowVisitor, reinterpret_cast<LPARAM>(&v));
}
inline BOOL ForEachChildWindow(HWND parent, WindowVisitor visit, LPARAM param) {
    WindowVisit v = {visit, param};
    return ::EnumChildWindows(parent, CallWindowVisitor, reinterpret_cast<LPARAM>(&v));
}

} // namespace e2e
