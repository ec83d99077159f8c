// Profile loading through WMCreateProfileManager, imported by name from the runtime.
#include "engine/wm_profile.h"

#include <vector>

namespace tunaro {

namespace {

// The last Win32 error as a COM result; 0 when there is none.
HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error ? static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu)) : S_OK;
}

} // namespace

HRESULT LoadProfile(const char* path, ComPtr<IWMProfile>& profile) {
    profile = nullptr;
    if (!path)
        return E_POINTER;
    using CreateFn = HRESULT(WINAPI*)(IWMProfileManager**);
    // The runtime stays loaded for the rest of the process: the profile handed out is an object
    // of its code, used by the ASF writer long after this returns (freeing the library here left
    // the writer calling into unmapped code).
    static const HMODULE kRuntime = LoadLibraryA("wmvcore.dll");
    const auto create = kRuntime ? reinterpret_cast<CreateFn>(reinterpret_cast<void*>(
                                       GetProcAddress(kRuntime, "WMCreateProfileManager")))
                                 : nullptr;
    if (!create)
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    ComPtr<IWMProfileManager> manager;
    HRESULT hr = create(manager.Receive());
    if (FAILED(hr))
        return hr;
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastErrorResult();
    // Only a disk file holds a profile; a device would block or never end.
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        return HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE);
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size))
        return LastErrorResult();
    if (size.QuadPart > 16 * 1024 * 1024)
        return E_OUTOFMEMORY; // far beyond any profile
    // Two zero bytes after the text: the UTF-16 terminator.
    std::vector<BYTE> text(static_cast<size_t>(size.QuadPart) + 2, 0);
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(size.QuadPart), &read, nullptr))
        return LastErrorResult();
    hr = manager->LoadProfileByData(reinterpret_cast<const WCHAR*>(text.data()), profile.Receive());
    if (FAILED(hr))
        profile = nullptr;
    return hr;
}

} // namespace tunaro
