// What the setup pages and the video window's menu compute without a window: frequency texts and
// checks, fine tuning, row and column texts, disk sizes, and the menu's standards and states.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tunaro {

// ---- frequencies ---------------------------------------------------------------------------------

// "49.75 MHz" (two decimals, the lists' and the frequency box's form) and "49.800 MHz" (three,
// while fine tuning).
std::string MhzText(long hz);
std::string FineMhzText(long hz);
// "44.00": a frequency in MHz with two decimals, as the add-channel dialog proposes it.
std::string MhzNumber(long hz);

// The fine-tune slider spans 0..128 around its centre 64, 50 kHz a step: base - 3.2 MHz at 0,
// base + 3.2 MHz at 128.
constexpr int kFineTuneMin = 0;
constexpr int kFineTuneMax = 128;
constexpr int kFineTuneCentre = 64;
constexpr long kFineTuneStepHz = 50000;
long FineTuneFrequency(long baseHz, int position);

// The frequencies the tuner takes, in Hz. A tuner that does not tell keeps the add-channel
// dialog's defaults.
struct FrequencyRange {
    long lowHz = 4750000;
    long highHz = 90000000;
    bool Contains(long hz) const { return hz >= lowHz && hz <= highHz; }
    // The nearest frequency inside the range.
    long Clamp(long hz) const;
};

// A frequency typed in MHz ("49.75", " 855.25 "): the whole text must be one decimal number.
enum class MhzEntry { Ok, NotANumber, OutOfRange };
struct MhzParse {
    MhzEntry result = MhzEntry::NotANumber;
    long hz = 0; // rounded to the nearest hertz when the text is a number
};
MhzParse ParseMhz(const std::string& text, const FrequencyRange& range);

// ---- channel rows --------------------------------------------------------------------------------

// Audio column text of an effective audio mode (0 stereo, other mono).
const char* AudioText(int32_t effectiveMode, bool chinese);
// Widths of the channel list's four columns (index, name, frequency, audio) for a list W wide.
std::vector<int> ChannelColumnWidths(int listWidth);
// Widths of the disk list's four columns (disk, total, used, free) for a list W wide.
std::vector<int> DiskColumnWidths(int listWidth);

// ---- disks ---------------------------------------------------------------------------------------

// The sizes of one disk as the directory page lists them, in MiB: "%ld  MBytes" for the total,
// "%ld   MBytes" for the used and the free space (used = total - free).
struct DiskTexts {
    std::string total, used, free;
};
DiskTexts DiskSizeTexts(uint64_t totalBytes, uint64_t freeBytes);
// Drive letters the directory page looks at, in order.
constexpr char kFirstListedDrive = 'C';
constexpr char kLastListedDrive = 'K';

// The disks the directory page lists: of the drives C to K, the fixed and removable ones whose
// size can be read, with their root ("C:\" and so on) and sizes.
enum class DriveKind { Fixed, Removable, Other };
struct DiskRow {
    std::string root;
    DiskTexts sizes;
};
std::vector<DiskRow> ListDisks(
    const std::function<DriveKind(const std::string& root)>& kindOf,
    const std::function<bool(const std::string& root, uint64_t* totalBytes, uint64_t* freeBytes)>& sizeOf);

// ---- directories -----------------------------------------------------------------------------

// A directory as typed: blanks around it and trailing backslashes go (a drive root keeps its own).
std::string TidyDirectory(const std::string& text);
// A full path the program can use from any working directory: a drive letter, a colon and a
// backslash, or a network share (two backslashes, server, share).
bool IsFullDirectory(const std::string& path);

// ---- the video window's menu ---------------------------------------------------------------------

// Menu command ids of the video window (the Chinese menu is 333, the English one 334).
constexpr unsigned kMenuMostTop = 32771;
constexpr unsigned kMenuDisplayPanel = 32772;
constexpr unsigned kMenuCapture = 32775;
constexpr unsigned kMenuFullScreen = 32776;
constexpr unsigned kMenuExit = 32777;
constexpr unsigned kMenuInputTv = 32781;
constexpr unsigned kMenuInputComposite = 32782;
constexpr unsigned kMenuInputSVideo = 32783;
constexpr unsigned kMenuDirectory = 32787;
constexpr unsigned kMenuColorAdjust = 32794;
constexpr unsigned kMenuChannelEdit = 32795;
constexpr unsigned kMenuBestOptimize = 32798;
constexpr unsigned kMenuNoOptimize = 32799;
constexpr unsigned kMenuAbout = 32803;
constexpr unsigned kMenuDesktopMode = 32812;
constexpr unsigned kMenuStandardFirst = 5019; // NTSC_M .. SECAM-L
constexpr unsigned kMenuStandardLast = 5025;

// The standard a menu item sets (1, 2, 32, 512, 1024, 8192, 0x40000), 0 for other ids.
long StandardOfMenuItem(unsigned id);
// The item that shows a standard the decoder reports (PAL-B, -D, -H and -I all show as
// "PAL-BDGHI", ...); 0 when the menu has none for it (NTSC 4.43).
unsigned MenuItemOfStandard(long standard);
// The input item of an input number (0 TV, 1 composite, 2 S-video) and back; -1 / 0 otherwise.
int InputOfMenuItem(unsigned id);

// What the menu's state depends on.
struct VideoMenuFlags {
    bool previewOn = false;
    bool recording = false;
    bool scanning = false;
    bool topmost = false;
    bool panelShown = true;
    bool fullScreen = false;
    long displayMode = 1; // 1 best optimise (overlay chain), 2 no optimise
    long videoInput = 0;
    long standard = 0; // as the decoder reports it
};

struct MenuItemState {
    unsigned id = 0;
    bool enabled = true;
    bool checked = false;
    bool radio = false; // a radio mark instead of a check mark
};
// The state of every item whose state depends on the flags, in menu order.
std::vector<MenuItemState> VideoMenuStates(const VideoMenuFlags& flags);

} // namespace tunaro
