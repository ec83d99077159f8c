// In-process COM server support for our filter DLLs: the class factory, DllGetClassObject /
// DllCanUnloadNow helpers and registration of classes and device-category entries.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <cstddef>

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
                           const wchar_t* instance, DWORD merit = MERIT_DO_NOT_USE);
HRESULT UnregisterFromCategory(REFCLSID category, REFCLSID clsid, const wchar_t* instance);
// Removes every entry of a category whose CLSID value is clsid (whatever its instance name).
void RemoveCategoryEntriesFor(REFCLSID category, REFCLSID clsid);

} // namespace dshow
