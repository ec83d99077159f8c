// COM server of the card software's outside filters (cardfilters.ax): class objects and their
// registration, also in the DirectShow filter category so the filters can be found by name.
#include "platform/filters/filters.h"

#include "platform/dshow/com_server.h"
#include "platform/include/outside_filters.h"

#include <uuids.h>

namespace {

// Outside components: always registered (no system check).
const dshow::ServerClass kClasses[] = {
    {{&tunaro::kClsidFrameGrabber, L"Frame Grabber", filters::CreateFrameGrabber},
     L"FrameGrabber",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidDispOptimQrt, tunaro::kNameDispOptim, filters::CreateDispOptimQrt},
     L"DispOptimQrt",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidDispOptim, tunaro::kNameDispOptim, filters::CreateDispOptim},
     L"DispOptim",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer, filters::CreateDeinterlacer},
     L"Deinterlacer",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidVideoInvert, tunaro::kNameVideoInvert, filters::CreateVideoInvert},
     L"VideoInvert",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidDownSize, tunaro::kNameDownSize, filters::CreateDownSize},
     L"DownSize",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidWaveDest, L"WaveDest", filters::CreateWaveDest},
     L"WaveDest",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidFollowSource, tunaro::kNameFollowSource, filters::CreateFollowSource},
     L"FollowSource",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
};

} // namespace

DSHOW_SERVER_ENTRY_POINTS(kClasses)
