// The setup pages' and the video menu's arithmetic and texts, kept free of windows so they can be
// read and tested alone.
#include "tv/dialogs/setup_rules.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "framework/format.h"

namespace tunaro {

std::string MhzText(long hz) {
    return Format("%.2f MHz", static_cast<double>(hz) * 1e-6);
}

std::string FineMhzText(long hz) {
    return Format("%.3f MHz", static_cast<double>(hz) * 1e-6);
}

std::string MhzNumber(long hz) {
    return Format("%.2f", static_cast<double>(hz) * 1e-6);
}

long FineTuneFrequency(long baseHz, int position) {
    // Worked out in 64 bits and held within the 32 bits a channel's frequency has.
    return static_cast<long>(
        std::clamp<long long>(baseHz + (static_cast<long long>(position) - kFineTuneCentre) * kFineTuneStepHz,
                              INT32_MIN, INT32_MAX));
}

long FrequencyRange::Clamp(long hz) const {
    if (hz < lowHz)
        return lowHz;
    if (hz > highHz)
        return highHz;
    return hz;
}

MhzParse ParseMhz(const std::string& text, const FrequencyRange& range) {
    MhzParse out;
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    // Digits and one decimal point only: no signs, exponents, hexadecimal or words.
    bool digits = false, point = false;
    const char* p = begin;
    for (; *p; ++p) {
        if (*p >= '0' && *p <= '9')
            digits = true;
        else if (*p == '.' && !point)
            point = true;
        else
            break;
    }
    const char* end = p;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!digits || *p != '\0' || end - begin > 32)
        return out;
    errno = 0;
    const double mhz = std::strtod(std::string(begin, end).c_str(), nullptr);
    if (errno != 0 || !std::isfinite(mhz))
        return out;
    // Anything beyond what a long holds in hertz is out of range anyway.
    if (mhz * 1e6 > 2147483647.0) {
        out.result = MhzEntry::OutOfRange;
        return out;
    }
    out.hz = std::lround(mhz * 1e6);
    out.result = range.Contains(out.hz) ? MhzEntry::Ok : MhzEntry::OutOfRange;
    return out;
}

const char* AudioText(int32_t effectiveMode, bool chinese) {
    if (effectiveMode == 0)
        return chinese ? "立体声" : "Stereo";
    return chinese ? "双声道" : "Mono";
}

std::vector<int> ChannelColumnWidths(int listWidth) {
    const int quarter = listWidth / 4;
    return {quarter - 40, quarter + 40, quarter, quarter - 20};
}

std::vector<int> DiskColumnWidths(int listWidth) {
    const int first = (listWidth - 5) / 6;
    const int other = (listWidth - 2) / 3 - 25;
    return {first, other, other, other};
}

DiskTexts DiskSizeTexts(uint64_t totalBytes, uint64_t freeBytes) {
    const long total = static_cast<long>(totalBytes >> 20);
    const long free = static_cast<long>(freeBytes >> 20);
    DiskTexts out;
    out.total = Format("%ld  MBytes", total);
    out.used = Format("%ld   MBytes", total - free);
    out.free = Format("%ld   MBytes", free);
    return out;
}

std::vector<DiskRow> ListDisks(
    const std::function<DriveKind(const std::string& root)>& kindOf,
    const std::function<bool(const std::string& root, uint64_t* totalBytes, uint64_t* freeBytes)>& sizeOf) {
    std::vector<DiskRow> rows;
    for (char letter = kFirstListedDrive; letter <= kLastListedDrive; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        const DriveKind kind = kindOf(root);
        if (kind != DriveKind::Fixed && kind != DriveKind::Removable)
            continue;
        uint64_t total = 0, free = 0;
        if (!sizeOf(root, &total, &free))
            continue; // a removable drive without a medium
        rows.push_back({root, DiskSizeTexts(total, free)});
    }
    return rows;
}

std::string TidyDirectory(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    std::string path = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    if (path.size() == 3 && path[1] == ':' && path[2] == '/')
        path[2] = '\\';
    return path;
}

bool IsFullDirectory(const std::string& path) {
    const auto isSlash = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        isSlash(path[2]))
        return true;
    // \\server\share
    if (path.size() >= 5 && isSlash(path[0]) && isSlash(path[1])) {
        const size_t slash = path.find_first_of("\\/", 2);
        return slash != std::string::npos && slash > 2 && slash + 1 < path.size();
    }
    return false;
}

namespace {

constexpr long kMenuStandards[] = {1, 2, 32, 512, 1024, 8192, 0x40000};

} // namespace

long StandardOfMenuItem(unsigned id) {
    if (id < kMenuStandardFirst || id > kMenuStandardLast)
        return 0;
    return kMenuStandards[id - kMenuStandardFirst];
}

unsigned MenuItemOfStandard(long standard) {
    switch (standard) {
    case 1:
        return kMenuStandardFirst; // NTSC_M
    case 2:
        return kMenuStandardFirst + 1; // NTSC_M_J
    case 16:
    case 32:
    case 128:
    case 256:
        return kMenuStandardFirst + 2; // PAL-BDGHI
    case 512:
        return kMenuStandardFirst + 3; // PAL-M
    case 1024:
        return kMenuStandardFirst + 4; // PAL-N
    case 4096:
    case 8192:
    case 0x4000:
    case 0x8000:
    case 0x10000:
    case 0x20000:
        return kMenuStandardFirst + 5; // SECAM-BDGHK
    case 0x40000:
    case 0x80000:
        return kMenuStandardFirst + 6; // SECAM-L
    default:
        return 0;
    }
}

int InputOfMenuItem(unsigned id) {
    if (id < kMenuInputTv || id > kMenuInputSVideo)
        return -1;
    return static_cast<int>(id - kMenuInputTv);
}

std::vector<MenuItemState> VideoMenuStates(const VideoMenuFlags& f) {
    const bool live = f.previewOn && !f.recording;
    std::vector<MenuItemState> items;
    items.push_back({kMenuMostTop, true, f.topmost, false});
    items.push_back({kMenuDisplayPanel, true, f.panelShown, false});
    items.push_back({kMenuFullScreen, true, f.fullScreen, false});
    items.push_back({kMenuDesktopMode, live, false, false});
    items.push_back({kMenuBestOptimize, live, f.displayMode == 1, false});
    items.push_back({kMenuNoOptimize, live, f.displayMode == 2, false});
    for (unsigned id = kMenuInputTv; id <= kMenuInputSVideo; ++id)
        items.push_back({id, live, InputOfMenuItem(id) == f.videoInput, true});
    const unsigned standardItem = MenuItemOfStandard(f.standard);
    for (unsigned id = kMenuStandardFirst; id <= kMenuStandardLast; ++id)
        items.push_back({id, live, id == standardItem, true});
    items.push_back({kMenuColorAdjust, f.previewOn, false, false});
    items.push_back({kMenuCapture, live, false, false});
    items.push_back({kMenuChannelEdit, live, false, false});
    return items;
}

} // namespace tunaro
