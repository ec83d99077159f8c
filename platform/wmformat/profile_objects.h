// The profile objects of the Windows Media Format runtime stand-in: the profile manager
// (WMCreateProfileManager), profiles and their stream configurations with media properties.
#pragma once

#include <windows.h>

#include <nserror.h>
#include <wmsdkidl.h>

#include "platform/wmformat/profile_text.h"

namespace wmformat {

// A profile manager with one reference.
HRESULT CreateProfileManager(IWMProfileManager** out);

// The profile's XML text could not be used (not XML, no stream, a broken stream description).
constexpr HRESULT kInvalidProfile = NS_E_INVALID_DATA;

} // namespace wmformat
