// Factories of the encoding filters of the card software (encoders.ax) and for tests.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace encoders {

HRESULT CreateMpegEncoder(IUnknown** out); // "Vazuvoduz MPEG Encoder"
HRESULT CreateDumpFilter(IUnknown** out);  // "Dump Filter"

} // namespace encoders
