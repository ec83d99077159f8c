// Creation functions of the simulated card's filters (the class factory's table).
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace simcard {

HRESULT CreateCaptureFilter(IUnknown** out);
HRESULT CreateTunerFilter(IUnknown** out);
HRESULT CreateCrossbarFilter(IUnknown** out);
HRESULT CreateAudioFilter(IUnknown** out);
HRESULT CreateEncoderFilter(IUnknown** out);
HRESULT CreateGenericFilter(IUnknown** out);

} // namespace simcard
