// The WM ASF Writer's configuration interface, which the platform headers lack: the writer is
// configured from a Windows Media profile, whose streams become its input pins.
#pragma once

#include <windows.h>

#include <strmif.h>
#include <wmsdkidl.h>

#undef INTERFACE
#define INTERFACE IConfigAsfWriter
DECLARE_INTERFACE_(IConfigAsfWriter, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    // Profiles by system index or GUID: the writer configured from files only refuses these.
    STDMETHOD(ConfigureFilterUsingProfileId)(THIS_ DWORD profileId) PURE;
    STDMETHOD(GetCurrentProfileId)(THIS_ DWORD * profileId) PURE;
    STDMETHOD(ConfigureFilterUsingProfileGuid)(THIS_ REFGUID profile) PURE;
    STDMETHOD(GetCurrentProfileGuid)(THIS_ GUID * profile) PURE;
    // Takes the profile's streams as the inputs, in the profile's order (while stopped).
    STDMETHOD(ConfigureFilterUsingProfile)(THIS_ IWMProfile * profile) PURE;
    STDMETHOD(GetCurrentProfile)(THIS_ IWMProfile * *profile) PURE;
    // Whether a seek index is written at the end of the file (on by default).
    STDMETHOD(SetIndexMode)(THIS_ BOOL indexFile) PURE;
    STDMETHOD(GetIndexMode)(THIS_ BOOL * indexFile) PURE;
};
#undef INTERFACE
__CRT_UUID_DECL(IConfigAsfWriter, 0x45086030, 0xf7e4, 0x486a, 0xb5, 0x04, 0x82, 0x6b, 0xb5, 0x79, 0x2a, 0x3b)
