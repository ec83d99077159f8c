// Tunaro-setup.exe end to end, in a prefix of its own that starts without the suite: the wizard
// installs what the build staged with the chosen directory and language, the silent setup takes
// the simulated card and language from its command line, and the silent uninstaller removes what
// was installed while the user's recordings, snapshots and channel list stay.
#include "tests/support/e2e.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kSetupTitle[] = "Tunaro 3.0 Setup";
const char kSoftwareKey[] = "Software\\Tunaro";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tunaro";
const char kDrivers32Key[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const int kNextButton = 1;
const int kDirectoryEdit = 1019;

// A path of the build machine as Wine sees it ("/work/x" -> "Z:\work\x").
std::string WindowsPath(std::string p) {
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

const std::string& SetupExe() {
    static const std::string kPath = WindowsPath(TUNARO_SETUP_EXE);
    return kPath;
}
const std::string& SetupDir() {
    static const std::string kPath = WindowsPath(TUNARO_SETUP_DIR);
    return kPath;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

// ---- what the build staged ---------------------------------------------------------------

// Files below dir, relative, with backslashes.
void ListFiles(const std::string& root, const std::string& rel, std::vector<std::string>* out) {
    WIN32_FIND_DATAA fd;
    std::string dir = rel.empty() ? root : root + "\\" + rel;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string sub = rel.empty() ? name : rel + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(root, sub, out);
        else
            out->push_back(sub);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

struct StagedFile {
    std::string source; // in the stage
    std::string rel;    // "Program Files\Tunaro\Tunaro.exe"
};

std::vector<StagedFile> Staged(const char* component) {
    std::string root = SetupDir() + "\\stage\\" + component;
    std::vector<std::string> rels;
    ListFiles(root, "", &rels);
    std::vector<StagedFile> files;
    for (const std::string& r : rels)
        files.push_back({root + "\\" + r, r});
    return files;
}

bool InComponent(const std::string& fileName, const char* component) {
    for (const StagedFile& f : Staged(component)) {
        size_t cut = f.rel.find_last_of('\\');
        if (lstrcmpiA(f.rel.substr(cut == std::string::npos ? 0 : cut + 1).c_str(), fileName.c_str()) == 0)
            return true;
    }
    return false;
}

// Where a staged file lands: the installation directory or the system directory.
std::string InstalledPath(const std::string& rel, const std::string& instDir) {
    const std::string programs = "Program Files\\Tunaro\\", system = "windows\\system32\\";
    if (Lower(rel).compare(0, programs.size(), Lower(programs)) == 0)
        return instDir + "\\" + rel.substr(programs.size());
    if (Lower(rel).compare(0, system.size(), Lower(system)) == 0)
        return e2e::SystemDir() + "\\" + rel.substr(system.size());
    ADD_FAILURE() << "staged outside the known destinations: " << rel;
    return "";
}

// Where the setup puts a file of this name.
std::string WhereInstalled(const std::string& fileName, const std::string& instDir) {
    for (const char* component : {"Unspecified", "simcard", "userdata"})
        for (const StagedFile& f : Staged(component)) {
            size_t cut = f.rel.find_last_of('\\');
            if (lstrcmpiA(f.rel.substr(cut + 1).c_str(), fileName.c_str()) == 0)
                return InstalledPath(f.rel, instDir);
        }
    ADD_FAILURE() << fileName << " is not staged";
    return "";
}

struct Entry {
    std::string kind, file, arg1, arg2;
};

std::vector<Entry> RegisterEntries() {
    std::vector<Entry> entries;
    std::ifstream in(SetupDir() + "\\register.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t'))
            f.push_back(field);
        f.resize(4);
        entries.push_back({f[0], f[1], f[2], f[3]});
    }
    return entries;
}

// ---- registry ------------------------------------------------------------------------------

bool ReadString(HKEY root, const std::string& key, const char* name, std::string* value) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    char buf[1024] = {0};
    DWORD size = sizeof(buf) - 1, type = 0;
    LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    *value = buf;
    return true;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// Classes whose in-process server is this file.
std::vector<std::string> ClassesServedBy(const std::string& path) {
    std::vector<std::string> found;
    HKEY clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &clsid) != ERROR_SUCCESS)
        return found;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(clsid, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string server;
        if (ReadString(clsid, std::string(name) + "\\InprocServer32", nullptr, &server) &&
            lstrcmpiA(server.c_str(), path.c_str()) == 0)
            found.push_back(name);
    }
    RegCloseKey(clsid);
    return found;
}

// What the system has before the setup runs, for the stand-ins it registers only where missing.
struct SystemState {
    std::map<std::string, std::string> servers; // CLSID -> InprocServer32 ("" = none)
    std::map<std::string, std::string> drivers; // Drivers32 name -> file ("" = none)
};

SystemState CaptureSystemState() {
    SystemState s;
    for (const Entry& e : RegisterEntries()) {
        std::string v;
        if (e.kind == "com-missing")
            s.servers[e.arg1] =
                ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + e.arg1 + "\\InprocServer32", nullptr, &v) ? v : "";
        else if (e.kind == "driver")
            s.drivers[e.arg1] = ReadString(HKEY_LOCAL_MACHINE, kDrivers32Key, e.arg1.c_str(), &v) ? v : "";
    }
    return s;
}

// ---- shortcuts ------------------------------------------------------------------------------

std::string CommonProgramsDir() {
    char buf[MAX_PATH] = {0};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

// The target of a .lnk file ("" when it cannot be read).
std::string ShortcutTarget(const std::string& lnk) {
    std::string target;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
        char buf[MAX_PATH] = {0};
        if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(buf, MAX_PATH, nullptr, 0)))
            target = buf;
        file->Release();
    }
    link->Release();
    return target;
}

// ---- the setup -------------------------------------------------------------------------------

// Runs the setup (or another program) with a command line written as given and waits for it.
bool RunAndWait(const std::string& exe, const std::string& args, DWORD* exitCode, DWORD timeoutMs = 120000) {
    e2e::Program p;
    if (!p.Start(exe, args))
        return false;
    if (!p.WaitForExit(timeoutMs, exitCode)) {
        p.Kill();
        return false;
    }
    return true;
}

std::string ScreenshotPath(const char* name) {
    CreateDirectoryA((SetupDir() + "\\screenshots").c_str(), nullptr);
    return SetupDir() + "\\screenshots\\" + name;
}

// The page inside the wizard's frame (the inner dialog).
HWND Page(HWND wizard) {
    return FindWindowExA(wizard, nullptr, "#32770", nullptr);
}

std::vector<HWND> RadioButtons(HWND page) {
    std::vector<HWND> radios;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {0};
        GetClassNameA(c, cls, sizeof cls);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        if (lstrcmpiA(cls, "Button") == 0 && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            radios.push_back(c);
    }
    return radios;
}

std::wstring WideText(HWND hwnd) {
    wchar_t buf[256] = {0};
    GetWindowTextW(hwnd, buf, 256);
    return buf;
}

void Click(HWND button) {
    DWORD_PTR r;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &r);
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_TRUE(e2e::FileExists(SetupExe())) << SetupExe() << " is not built";
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSoftwareKey)) << "the prefix is not fresh";
        m_before = CaptureSystemState();
    }
    void TearDown() override { CoUninitialize(); }

    // Everything the setup copies, where it lands, for the components asked for.
    static std::vector<std::pair<StagedFile, std::string>> Expected(const std::string& instDir,
                                                                    std::vector<const char*> components) {
        std::vector<std::pair<StagedFile, std::string>> out;
        for (const char* c : components)
            for (const StagedFile& f : Staged(c))
                out.push_back({f, InstalledPath(f.rel, instDir)});
        return out;
    }

    void ExpectInstalled(const std::string& instDir, bool simcard, const std::string& language) {
        std::vector<const char*> components = {"Unspecified"};
        if (simcard)
            components.push_back("simcard");
        auto files = Expected(instDir, components);
        ASSERT_FALSE(files.empty());
        for (const auto& f : files) {
            ASSERT_TRUE(e2e::FileExists(f.second)) << f.second;
            EXPECT_EQ(e2e::ReadFile(f.second), e2e::ReadFile(f.first.source))
                << f.second << " differs from the stage";
        }
        EXPECT_TRUE(e2e::FileExists(instDir + "\\Uninstall.exe"));
        if (!simcard) {
            for (const StagedFile& f : Staged("simcard"))
                EXPECT_FALSE(e2e::FileExists(InstalledPath(f.rel, instDir)))
                    << f.rel << " came without being chosen";
        }

        std::string v;
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kSoftwareKey, "Path", &v));
        EXPECT_EQ(Lower(v), Lower(instDir));
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kSoftwareKey, "path", &v));
        EXPECT_EQ(Lower(v), Lower(instDir));
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kSoftwareKey, "Language", &v));
        EXPECT_EQ(v, language);

        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", &v));
        EXPECT_EQ(Lower(v), Lower("\"" + instDir + "\\Uninstall.exe\""));
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", &v));
        EXPECT_EQ(v, "Tunaro 3.0");
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", &v));
        EXPECT_NE(v.find("/S"), std::string::npos);

        const std::string menu = CommonProgramsDir() + "\\Tunaro";
        int shortcuts = 0;
        for (const Entry& e : RegisterEntries()) {
            if (e.kind == "shortcut") {
                ++shortcuts;
                std::string lnk = menu + "\\" + e.arg1 + ".lnk";
                ASSERT_TRUE(e2e::FileExists(lnk)) << lnk;
                EXPECT_EQ(Lower(ShortcutTarget(lnk)), Lower(instDir + "\\" + e.file)) << lnk;
            } else if (e.kind == "com" && e.arg1.empty()) { // with a DllInstall name it decides itself
                if (!InComponent(e.file, "simcard") || simcard)
                    EXPECT_FALSE(ClassesServedBy(WhereInstalled(e.file, instDir)).empty())
                        << e.file << " not registered";
                else
                    EXPECT_TRUE(ClassesServedBy(WhereInstalled(e.file, instDir)).empty()) << e.file;
            } else if (e.kind == "com-missing") {
                ASSERT_TRUE(
                    ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + e.arg1 + "\\InprocServer32", nullptr, &v))
                    << e.arg1;
                // The system's own server stays; where there was none, ours serves the class.
                const std::string& had = m_before.servers[e.arg1];
                EXPECT_EQ(Lower(v), Lower(had.empty() ? WhereInstalled(e.file, instDir) : had)) << e.arg1;
            } else if (e.kind == "driver") {
                ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kDrivers32Key, e.arg1.c_str(), &v)) << e.arg1;
                const std::string& had = m_before.drivers[e.arg1];
                EXPECT_EQ(Lower(v), Lower(had.empty() ? e.file : had)) << e.arg1;
            }
        }
        EXPECT_GT(shortcuts, 0);
        EXPECT_TRUE(e2e::FileExists(menu + "\\Uninstall Tunaro.lnk"));
    }

    void Uninstall(const std::string& instDir) {
        DWORD code = 1;
        ASSERT_TRUE(RunAndWait(instDir + "\\Uninstall.exe", "/S", &code));
        EXPECT_EQ(code, 0u);
        // The uninstaller works from a copy of itself in the temporary folder: wait for its end.
        EXPECT_TRUE(e2e::WaitUntil(
            [&] {
                return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) &&
                       !e2e::FileExists(instDir + "\\Uninstall.exe");
            },
            60000))
            << "the uninstaller did not finish";
        Sleep(500);
    }

    void ExpectUninstalled(const std::string& instDir) {
        for (const auto& f : Expected(instDir, {"Unspecified", "simcard"}))
            EXPECT_FALSE(e2e::FileExists(f.second)) << f.second << " is left";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSoftwareKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(e2e::FileExists(CommonProgramsDir() + "\\Tunaro")) << "the Start-menu folder is left";
        EXPECT_FALSE(e2e::FileExists(e2e::SystemDir() + "\\simcard.ini"));
        for (const Entry& e : RegisterEntries()) {
            std::string v;
            if (e.kind == "com") {
                EXPECT_TRUE(ClassesServedBy(WhereInstalled(e.file, instDir)).empty())
                    << e.file << " still registered";
            } else if (e.kind == "com-missing") {
                bool has =
                    ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + e.arg1 + "\\InprocServer32", nullptr, &v);
                EXPECT_EQ(has ? Lower(v) : "", Lower(m_before.servers[e.arg1])) << e.arg1;
            } else if (e.kind == "driver") {
                bool has = ReadString(HKEY_LOCAL_MACHINE, kDrivers32Key, e.arg1.c_str(), &v);
                EXPECT_EQ(has ? Lower(v) : "", Lower(m_before.drivers[e.arg1])) << e.arg1;
            }
        }
    }

    SystemState m_before;
};

TEST_F(SetupTest, WizardInstallsTheChosenDirectoryAndLanguageAndUninstallKeepsTheUsersFiles) {
    const std::string instDir = "C:\\Suite Test\\Tunaro";
    e2e::MessageBoxWatcher boxes;
    e2e::Program setup;
    ASSERT_TRUE(setup.Start(SetupExe()));
    HWND wizard = e2e::WaitForWindow(kSetupTitle, 30000);
    ASSERT_TRUE(wizard) << "no window \"" << kSetupTitle << "\"";
    HWND next = GetDlgItem(wizard, kNextButton);
    ASSERT_TRUE(next);

    // Welcome, then the components (the simulated card is not chosen by default).
    ASSERT_TRUE(e2e::WaitUntil([&] { return Page(wizard) != nullptr; }, 10000));
    Sleep(300);
    e2e::Screenshot(wizard, ScreenshotPath("setup_welcome.bmp"));
    Click(next);
    ASSERT_TRUE(e2e::WaitUntil([&] { return FindWindowExA(Page(wizard), nullptr, "SysTreeView32", nullptr); },
                               10000));
    Sleep(300);
    e2e::Screenshot(wizard, ScreenshotPath("setup_components.bmp"));
    Click(next);

    // The directory.
    HWND edit = nullptr;
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return (edit = GetDlgItem(Page(wizard), kDirectoryEdit)) != nullptr; }, 10000));
    EXPECT_EQ(e2e::WindowText(edit), "C:\\Program Files\\Tunaro");
    DWORD_PTR r;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(instDir.c_str()), SMTO_NORMAL, 5000,
                        &r);
    Click(next);

    // The language page: English preselected for an English setup; choose Chinese.
    std::vector<HWND> radios;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (radios = RadioButtons(Page(wizard))).size() == 2; }, 10000));
    EXPECT_EQ(WideText(radios[0]), L"English");
    EXPECT_EQ(WideText(radios[1]), L"\x4e2d\x6587 (Chinese)");
    EXPECT_EQ(SendMessageA(radios[0], BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(radios[1]);
    EXPECT_EQ(SendMessageA(radios[1], BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(radios[0], BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Sleep(200);
    e2e::Screenshot(wizard, ScreenshotPath("setup_language.bmp"));
    Click(next);

    // Installing, then the finish page.
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return e2e::WindowText(GetDlgItem(wizard, kNextButton)) == "&Finish"; }, 120000))
        << "no finish page";
    Sleep(300);
    e2e::Screenshot(wizard, ScreenshotPath("setup_finish.bmp"));
    Click(GetDlgItem(wizard, kNextButton));
    DWORD code = 1;
    ASSERT_TRUE(setup.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);
    for (const auto& box : boxes.Seen())
        ADD_FAILURE() << "message box: " << box.caption << ": " << box.text;

    ExpectInstalled(instDir, false, "2052");
    // The channel list seed was absent, so it came.
    for (const StagedFile& f : Staged("userdata"))
        EXPECT_TRUE(e2e::FileExists(InstalledPath(f.rel, instDir))) << f.rel;

    // The user records, takes a snapshot and edits the channel list.
    const std::string recording = instDir + "\\Video\\News 2024-05-01.mpg";
    const std::string snapshot = instDir + "\\Image\\cap1.BMP";
    const std::string programTxt = e2e::SystemDir() + "\\program.txt";
    const std::string channels = "Name: One\r\nFreq: 175250000\r\nChan: 1\r\nAudioChannels:0\r\nCheck:1\r\n";
    CreateDirectoryA((instDir + "\\Video").c_str(), nullptr);
    CreateDirectoryA((instDir + "\\Image").c_str(), nullptr);
    ASSERT_TRUE(e2e::WriteFile(recording, std::string(4096, '\x47')));
    ASSERT_TRUE(e2e::WriteFile(snapshot, "BM snapshot"));
    ASSERT_TRUE(e2e::WriteFile(programTxt, channels));

    Uninstall(instDir);
    ExpectUninstalled(instDir);
    EXPECT_TRUE(e2e::FileExists(recording));
    EXPECT_TRUE(e2e::FileExists(snapshot));
    EXPECT_EQ(e2e::ReadFile(programTxt), channels);

    e2e::RemoveTree("C:\\Suite Test");
    DeleteFileA(programTxt.c_str());
}

TEST_F(SetupTest, SilentSetupTakesCardAndLanguageAndKeepsAnExistingChannelList) {
    const std::string instDir = "C:\\Silent Setup\\Tunaro";
    const std::string programTxt = e2e::SystemDir() + "\\program.txt";
    const std::string channels = "; the user's own list\r\nName: Two\r\nFreq: 183250000\r\nChan: 2\r\n";
    ASSERT_TRUE(e2e::WriteFile(programTxt, channels));
    const std::string log = e2e::MakeScratchDir("setup_silent") + "\\setup.log";

    DWORD code = 1;
    // /D= comes last and unquoted, as NSIS wants it.
    ASSERT_TRUE(RunAndWait(SetupExe(), "/S /LANGUAGE=1028 /CARD=LUMEN /CAMERA /LOG=" + log + " /D=" + instDir,
                           &code));
    EXPECT_EQ(code, 0u) << e2e::ReadFile(log);
    ExpectInstalled(instDir, true, "1028");
    EXPECT_EQ(e2e::ReadFile(programTxt), channels) << "the setup replaced the user's channel list";

    const std::string ini = e2e::SystemDir() + "\\simcard.ini";
    EXPECT_EQ(e2e::IniString(ini, "Config", "Family"), "LUMEN");
    EXPECT_EQ(e2e::IniLong(ini, "Config", "GenericDevice"), 1);
    EXPECT_FALSE(e2e::IniString(ini, "Config", "TV1").empty()) << "the card's registration did not complete";
    const std::string logged = e2e::ReadFile(log);
    EXPECT_NE(logged.find("simulated card: LUMEN"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("FAILED"), std::string::npos) << logged;

    Uninstall(instDir);
    ExpectUninstalled(instDir);
    EXPECT_EQ(e2e::ReadFile(programTxt), channels);
    EXPECT_FALSE(e2e::FileExists(instDir)) << "an installation directory without user files is removed";
    e2e::RemoveTree("C:\\Silent Setup");
    DeleteFileA(programTxt.c_str());
}

} // namespace
