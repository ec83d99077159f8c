// COM server of the card software's encoding filters (encoders.ax): the MPEG encoder and the
// dump filter, always registered, also in the DirectShow filter category.
#include "platform/encoders/encoders.h"

#include "platform/dshow/com_server.h"
#include "platform/include/mpeg_encoder.h"

#include <uuids.h>

namespace {

const dshow::ServerClass kClasses[] = {
    {{&tunaro::kClsidMpegEncoder, tunaro::kNameMpegEncoder, encoders::CreateMpegEncoder},
     L"MpegEncoder",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
    {{&tunaro::kClsidDumpFilter, tunaro::kNameDumpFilter, encoders::CreateDumpFilter},
     L"Dump",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     nullptr},
};

} // namespace

DSHOW_SERVER_ENTRY_POINTS(kClasses)
