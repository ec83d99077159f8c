// Factories of the filters in this folder, for the two COM servers (the card software's
// outside filters, and the stand-ins for stock filters the system lacks) and for tests.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace filters {

// Outside filters of the card software.
HRESULT CreateFrameGrabber(IUnknown** out);
HRESULT CreateDispOptimQrt(IUnknown** out); // QRT77 cards: IDispOptimQrt
HRESULT CreateDispOptim(IUnknown** out);    // every other card: IDispOptim
HRESULT CreateDeinterlacer(IUnknown** out);
HRESULT CreateVideoInvert(IUnknown** out);
HRESULT CreateDownSize(IUnknown** out);
HRESULT CreateWaveDest(IUnknown** out);     // the WAV writer
HRESULT CreateFollowSource(IUnknown** out); // the time-shift file, read while it grows

// Stand-ins for stock filters and objects.
HRESULT CreateInfTee(IUnknown** out);
HRESULT CreateOverlayMixer(IUnknown** out);
HRESULT CreateAviMux(IUnknown** out);
HRESULT CreateCaptureBuilder(IUnknown** out); // wraps the system's builder

} // namespace filters
