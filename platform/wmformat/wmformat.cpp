// wmformat.dll: the profile part of the Windows Media Format runtime (WMCreateProfileManager
// with profiles loaded from their XML text), for systems whose runtime is missing or cannot load
// profiles. Programs reach the runtime by its name, wmvcore.dll: "regsvr32 /i:auto" checks the
// system's runtime and, only where it cannot load a profile, puts this module in its place (over
// an absent file or the emulator's placeholder, never over a real runtime) and, under Wine, has
// the loader prefer it to the built-in one. Uninstalling undoes exactly that.
#include <windows.h>

#include <wmsdkidl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/wmformat/profile_objects.h"

namespace {

HMODULE g_module = nullptr;

constexpr wchar_t kRuntimeName[] = L"wmvcore";
constexpr wchar_t kOverridesKey[] = L"Software\\Wine\\DllOverrides";
constexpr wchar_t kNativeFirst[] = L"native,builtin";

// The smallest profile a working runtime loads: one audio stream.
constexpr wchar_t kProbeProfile[] =
    L"<profile version=\"589824\" storageformat=\"1\" name=\"probe\" description=\"\">"
    L"<streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" "
    L"streamname=\"Audio Stream\" inputname=\"Audio409\" bitrate=\"64000\" bufferwindow=\"-1\">"
    L"<wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\" bfixedsizesamples=\"1\" "
    L"btemporalcompression=\"0\" lsamplesize=\"371\">"
    L"<waveformatex wFormatTag=\"353\" nChannels=\"2\" nSamplesPerSec=\"44100\" nAvgBytesPerSec=\"8000\" "
    L"nBlockAlign=\"371\" wBitsPerSample=\"16\" codecdata=\"008800000F0000000000\"/>"
    L"</wmmediatype></streamconfig></profile>";

std::wstring RuntimePath() {
    wchar_t dir[MAX_PATH];
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(dir) + L"\\" + kRuntimeName + L".dll" : L"";
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    return n && n < MAX_PATH ? path : L"";
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::vector<char> ReadAll(const std::wstring& path) {
    std::vector<char> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart < 64 * 1024 * 1024) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
            read != bytes.size())
            bytes.clear();
    }
    CloseHandle(f);
    return bytes;
}

bool Contains(const std::vector<char>& bytes, const char* text, size_t within) {
    const std::string needle(text);
    const size_t end = bytes.size() < within ? bytes.size() : within;
    return end >= needle.size() &&
           std::search(bytes.begin(), bytes.begin() + static_cast<long>(end), needle.begin(), needle.end()) !=
               bytes.begin() + static_cast<long>(end);
}

// Whether the file in the runtime's place is this module.
bool IsOurs(const std::wstring& path) {
    const std::vector<char> there = ReadAll(path);
    return !there.empty() && there == ReadAll(OwnPath());
}

// What the system's runtime does with a profile; true when it loads one.
bool SystemLoadsProfiles(std::string* reason) {
    HMODULE runtime = LoadLibraryW(L"wmvcore.dll");
    if (!runtime) {
        *reason = "no Windows Media Format runtime";
        return false;
    }
    using Create = HRESULT(WINAPI*)(IWMProfileManager**);
    const auto create =
        reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(runtime, "WMCreateProfileManager")));
    bool loads = false;
    IWMProfileManager* manager = nullptr;
    HRESULT hr = create ? create(&manager) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    if (SUCCEEDED(hr)) {
        IWMProfile* profile = nullptr;
        hr = manager->LoadProfileByData(kProbeProfile, &profile);
        DWORD streams = 0;
        loads = SUCCEEDED(hr) && profile && SUCCEEDED(profile->GetStreamCount(&streams)) && streams == 1;
        if (profile)
            profile->Release();
        manager->Release();
    }
    char text[128];
    wsprintfA(text,
              loads ? "the system's runtime loads profiles"
                    : "the system's runtime cannot load a profile (0x%08lX)",
              static_cast<unsigned long>(hr));
    *reason = text;
    FreeLibrary(runtime);
    return loads;
}

void Log(const std::string& text) {
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("TUNARO_STANDIN_LOG", path, MAX_PATH);
    if (!n || n >= MAX_PATH)
        return;
    HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    const std::string line = "WmFormat: " + text + "\r\n";
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

HRESULT Install() {
    std::string reason;
    if (SystemLoadsProfiles(&reason)) {
        Log(reason + "; stand-in not installed");
        return S_OK;
    }
    const std::wstring target = RuntimePath();
    if (target.empty())
        return E_FAIL;
    const std::vector<char> there = ReadAll(target);
    // Only an absent runtime or the emulator's placeholder for it is replaced.
    const bool placeholder =
        Contains(there, "Wine placeholder DLL", 512) || Contains(there, "Wine builtin DLL", 512);
    if (!there.empty() && !placeholder && !IsOurs(target)) {
        Log(reason + "; a runtime file is in place and stays: stand-in not installed");
        return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    }
    if (!CopyFileW(OwnPath().c_str(), target.c_str(), FALSE)) {
        Log(reason + "; cannot put the stand-in in place");
        return HRESULT_FROM_WIN32(GetLastError());
    }
    if (UnderWine()) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kOverridesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return E_FAIL;
        const LONG err = RegSetValueExW(key, kRuntimeName, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
        RegCloseKey(key);
        if (err != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(err);
    }
    Log(reason + "; stand-in installed as wmvcore.dll");
    return S_OK;
}

HRESULT Uninstall() {
    const std::wstring target = RuntimePath();
    if (target.empty() || !IsOurs(target))
        return S_OK; // not ours: nothing to undo
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOverridesKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS) {
        wchar_t value[64] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(key, kRuntimeName, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) ==
                ERROR_SUCCESS &&
            type == REG_SZ && lstrcmpiW(value, kNativeFirst) == 0)
            RegDeleteValueW(key, kRuntimeName);
        RegCloseKey(key);
    }
    // A copy in use stays until restart.
    if (!DeleteFileW(target.c_str()))
        MoveFileExW(target.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return S_OK;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI WMCreateProfileManager(IWMProfileManager** manager) {
    return wmformat::CreateProfileManager(manager);
}

// "auto" (or an empty line): install where needed; uninstall removes what installing put there.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR cmdLine) {
    if (cmdLine && *cmdLine && lstrcmpiW(cmdLine, L"auto") != 0)
        return E_INVALIDARG;
    return install ? Install() : Uninstall();
}
