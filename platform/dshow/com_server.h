// In-process COM server support for our filter DLLs: the class factory, DllGetClassObject /
// DllCanUnloadNow helpers and registration of classes and device-category entries.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <cstddef>
#include <string>

namespace dshow {

// One creatable class of a server DLL.
struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* name;
    // Creates an object with one reference, as IUnknown.
    HRESULT (*create)(IUnknown** out);
};

// Counts live objects and server locks of this module (for DllCanUnloadNow).
void ModuleAddRef();
void ModuleRelease();
HRESULT ModuleCanUnloadNow();

HRESULT GetClassObjectFromTable(const ClassEntry* table, size_t count, REFCLSID clsid, REFIID iid,
                                void** out);

// HKCR\CLSID\{clsid} with its name and InprocServer32 (this module, ThreadingModel Both).
HRESULT RegisterInprocServer(HMODULE module, REFCLSID clsid, const wchar_t* name);
HRESULT UnregisterInprocServer(REFCLSID clsid);

// A filter entry in a device category (what the system device enumerator lists), made with
// IFilterMapper2::RegisterFilter. instance names the entry's key; the enumerator lists the
// entries of a category in the order of these names.
HRESULT RegisterInCategory(REFCLSID category, REFCLSID clsid, const wchar_t* friendlyName,
                           const wchar_t* instance, DWORD merit = MERIT_DO_NOT_USE,
                           const REGFILTERPINS* pins = nullptr, ULONG pinCount = 0);
HRESULT UnregisterFromCategory(REFCLSID category, REFCLSID clsid, const wchar_t* instance);
// Removes every entry of a category whose CLSID value is clsid (whatever its instance name).
void RemoveCategoryEntriesFor(REFCLSID category, REFCLSID clsid);

// ---- servers of stand-ins ---------------------------------------------------------------------

// One class of a stand-in server and how it is registered.
struct ServerClass {
    ClassEntry entry;
    const wchar_t* key;        // its name on the DllInstall command line
    const GUID* category;      // the device category that lists it, or null (not listed)
    const wchar_t* listedName; // its friendly name there (null: entry.name)
    // Stand-ins for system components: true when the system's own is missing or incomplete,
    // with the reason. Null for outside components, which are always registered.
    bool (*needed)(std::string* reason);
    // For filters the graph builder finds by their pins' media types (splitters, decoders):
    // their merit and pins in the category entry. Others are listed without pins, never chosen.
    DWORD merit = MERIT_DO_NOT_USE;
    const REGFILTERPINS* pins = nullptr;
    ULONG pinCount = 0;
};

// DllGetClassObject over a server's table.
HRESULT ServerGetClassObject(const ServerClass* table, size_t count, REFCLSID clsid, REFIID iid, void** out);
// DllInstall: install with "auto" registers what is needed (outside components always, stand-ins
// where the check says so) and writes the reasons to the file %TUNARO_STANDIN_LOG% names;
// a list of keys ("InfTee,AviMux") registers those, an empty line all. A class the system
// already served is taken over with the system's server kept on record. Uninstall ("auto" or an
// empty line: all; or the named ones) removes the classes this module still serves and gives
// taken-over classes back to the system's server. E_INVALIDARG when a list names none of them.
HRESULT ServerInstall(HMODULE module, const ServerClass* table, size_t count, BOOL install, LPCWSTR cmdLine);

// Checks for ServerClass::needed: no class registered under clsid, or one that cannot be created.
bool SystemLacksClass(REFCLSID clsid, std::string* reason);
// The reason text for a method of the system's component that failed.
std::string SystemMethodFailed(const char* what, HRESULT hr);

} // namespace dshow

// The entry points of a stand-in server DLL over its table (kClasses, an array of ServerClass).
#define DSHOW_SERVER_ENTRY_POINTS(table)                                                                     \
    static HMODULE g_serverModule = nullptr;                                                                 \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {                               \
        if (reason == DLL_PROCESS_ATTACH) {                                                                  \
            g_serverModule = instance;                                                                       \
            DisableThreadLibraryCalls(instance);                                                             \
        }                                                                                                    \
        return TRUE;                                                                                         \
    }                                                                                                        \
    extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid,    \
                                                                              void** out) {                  \
        return dshow::ServerGetClassObject(table, sizeof table / sizeof table[0], clsid, iid, out);          \
    }                                                                                                        \
    extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {                              \
        return dshow::ModuleCanUnloadNow();                                                                  \
    }                                                                                                        \
    extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {                            \
        return dshow::ServerInstall(g_serverModule, table, sizeof table / sizeof table[0], TRUE, L"");       \
    }                                                                                                        \
    extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {                          \
        return dshow::ServerInstall(g_serverModule, table, sizeof table / sizeof table[0], FALSE, L"");      \
    }                                                                                                        \
    extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR cmdLine) {      \
        return dshow::ServerInstall(g_serverModule, table, sizeof table / sizeof table[0], install,          \
                                    cmdLine);                                                                \
    }
