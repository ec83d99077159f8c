// Windows Media profile files: the text of a profile (.prx, UTF-16) loaded into a profile object
// the ASF writer is configured with, through the Windows Media Format runtime found at run time.
#pragma once

#include <windows.h>

#include <wmsdkidl.h>

#include "framework/raii.h"

namespace tunaro {

// Loads the profile file at path. The COM result of the runtime or of the file access (Win32
// errors as 0x8007xxxx); on success profile holds the loaded profile. E_POINTER for a null path;
// a path that names no disk file (a directory, a device) is not read and fails.
HRESULT LoadProfile(const char* path, ComPtr<IWMProfile>& profile);

} // namespace tunaro
