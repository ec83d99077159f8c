// The setup pages' and the video menu's rules alone: frequency texts and entry, fine tuning,
// column widths, disk sizes and which disks are listed, directories, standards and menu states.
#include <gtest/gtest.h>

#include <map>

#include "tv/dialogs/setup_rules.h"

using namespace tunaro;

namespace {

TEST(SetupRules, FrequencyTexts) {
    EXPECT_EQ(MhzText(49750000), "49.75 MHz");
    EXPECT_EQ(MhzText(855250000), "855.25 MHz");
    EXPECT_EQ(FineMhzText(49800000), "49.800 MHz");
    EXPECT_EQ(MhzNumber(44000000), "44.00");
    EXPECT_EQ(MhzNumber(4750000), "4.75");
}

TEST(SetupRules, FineTuneSpansThreePointTwoMegahertzInFiftyKilohertzSteps) {
    EXPECT_EQ(FineTuneFrequency(100000000, 0), 96800000);
    EXPECT_EQ(FineTuneFrequency(100000000, 64), 100000000);
    EXPECT_EQ(FineTuneFrequency(100000000, 65), 100050000);
    EXPECT_EQ(FineTuneFrequency(100000000, 128), 103200000);
    FrequencyRange range{44000000, 958000000};
    EXPECT_EQ(range.Clamp(FineTuneFrequency(45000000, 0)), 44000000);
    EXPECT_EQ(range.Clamp(FineTuneFrequency(957000000, 128)), 958000000);
    EXPECT_EQ(range.Clamp(500000000), 500000000);
    // A base at the top of what the channel file holds stays there instead of wrapping below 0.
    EXPECT_EQ(FineTuneFrequency(2147483647 - 50000, 66), 2147483647);
    EXPECT_EQ(FineTuneFrequency(-2147483647 - 1 + 50000, 62), -2147483647 - 1);
}

TEST(SetupRules, TypedFrequenciesMustBeWholeNumbersInsideTheTunersRange) {
    const FrequencyRange range{48250000, 855250000};
    auto parse = [&](const char* text) { return ParseMhz(text, range); };
    // Both bounds are taken, exactly.
    EXPECT_EQ(parse("48.25").result, MhzEntry::Ok);
    EXPECT_EQ(parse("48.25").hz, 48250000);
    EXPECT_EQ(parse("855.25").result, MhzEntry::Ok);
    EXPECT_EQ(parse(" 855.25 ").hz, 855250000);
    EXPECT_EQ(parse("48.2499").result, MhzEntry::OutOfRange);
    EXPECT_EQ(parse("855.2501").result, MhzEntry::OutOfRange);
    // Rounded to the hertz rather than cut short by the binary fraction.
    EXPECT_EQ(parse("77.23").hz, 77230000);
    EXPECT_EQ(parse("100").hz, 100000000);
    EXPECT_EQ(parse("100.").hz, 100000000);
    EXPECT_EQ(parse(".5").result, MhzEntry::OutOfRange);
    for (const char* word :
         {"", "   ", "abc", "12abc", "1e2", "-50", "+50", "5..5", "0x40", "49,75", "49.75 MHz"})
        EXPECT_EQ(parse(word).result, MhzEntry::NotANumber) << word;
    // Far too large for hertz in a long: out of range, not an overflow.
    EXPECT_EQ(parse("99999999999").result, MhzEntry::OutOfRange);
    EXPECT_EQ(parse("123456789012345678901234567890123").result, MhzEntry::NotANumber);
}

TEST(SetupRules, AudioTextsAndColumnWidths) {
    EXPECT_STREQ(AudioText(0, false), "Stereo");
    EXPECT_STREQ(AudioText(1, false), "Mono");
    EXPECT_STREQ(AudioText(0, true), "立体声");
    EXPECT_STREQ(AudioText(1, true), "双声道");
    EXPECT_EQ(ChannelColumnWidths(400), (std::vector<int>{60, 140, 100, 80}));
    EXPECT_EQ(DiskColumnWidths(431), (std::vector<int>{71, 118, 118, 118}));
}

TEST(SetupRules, DiskSizesInMebibytes) {
    const DiskTexts t = DiskSizeTexts(10ull << 30, (3ull << 30) + 12345);
    EXPECT_EQ(t.total, "10240  MBytes");
    EXPECT_EQ(t.used, "7168   MBytes");
    EXPECT_EQ(t.free, "3072   MBytes");
}

TEST(SetupRules, OnlyHardAndRemovableDisksFromCToKAreListed) {
    // C: hard disk, D: CD drive, E: hard disk, F: removable without a medium, G: network,
    // K: removable with a medium, L: and Z: hard disks beyond the range.
    const std::map<char, DriveKind> kinds = {
        {'A', DriveKind::Removable}, {'C', DriveKind::Fixed},     {'D', DriveKind::Other},
        {'E', DriveKind::Fixed},     {'F', DriveKind::Removable}, {'G', DriveKind::Other},
        {'K', DriveKind::Removable}, {'L', DriveKind::Fixed},     {'Z', DriveKind::Fixed}};
    std::vector<std::string> asked;
    const auto rows = ListDisks(
        [&](const std::string& root) {
            asked.push_back(root);
            auto it = kinds.find(root[0]);
            return it == kinds.end() ? DriveKind::Other : it->second;
        },
        [](const std::string& root, uint64_t* total, uint64_t* free) {
            if (root[0] == 'F')
                return false;
            *total = 2048ull << 20;
            *free = 512ull << 20;
            return true;
        });
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].root, "C:\\");
    EXPECT_EQ(rows[1].root, "E:\\");
    EXPECT_EQ(rows[2].root, "K:\\");
    EXPECT_EQ(rows[1].sizes.used, "1536   MBytes");
    ASSERT_EQ(asked.size(), 9u);
    EXPECT_EQ(asked.front(), "C:\\");
    EXPECT_EQ(asked.back(), "K:\\");
}

TEST(SetupRules, DirectoriesAreTidiedAndMustBeFullPaths) {
    EXPECT_EQ(TidyDirectory("  C:\\Tunaro\\Image\\\\ "), "C:\\Tunaro\\Image");
    EXPECT_EQ(TidyDirectory("C:\\"), "C:\\");
    EXPECT_EQ(TidyDirectory("C:/"), "C:\\");
    EXPECT_EQ(TidyDirectory(" \t "), "");
    EXPECT_TRUE(IsFullDirectory("C:\\"));
    EXPECT_TRUE(IsFullDirectory("d:\\films"));
    EXPECT_TRUE(IsFullDirectory("\\\\server\\share"));
    EXPECT_FALSE(IsFullDirectory("\\\\server"));
    EXPECT_FALSE(IsFullDirectory("films\\Video"));
    EXPECT_FALSE(IsFullDirectory("C:films"));
    EXPECT_FALSE(IsFullDirectory("\\films"));
    EXPECT_FALSE(IsFullDirectory(""));
}

TEST(SetupRules, StandardsOfTheMenuAndTheItemsThatShowThem) {
    const long set[] = {1, 2, 32, 512, 1024, 8192, 0x40000};
    for (unsigned id = kMenuStandardFirst; id <= kMenuStandardLast; ++id) {
        EXPECT_EQ(StandardOfMenuItem(id), set[id - kMenuStandardFirst]);
        EXPECT_EQ(MenuItemOfStandard(StandardOfMenuItem(id)), id);
    }
    for (long palGroup : {16L, 32L, 128L, 256L})
        EXPECT_EQ(MenuItemOfStandard(palGroup), 5021u) << palGroup;
    for (long secamGroup : {4096L, 8192L, 0x4000L, 0x8000L, 0x10000L, 0x20000L})
        EXPECT_EQ(MenuItemOfStandard(secamGroup), 5024u) << secamGroup;
    EXPECT_EQ(MenuItemOfStandard(0x80000), 5025u);
    EXPECT_EQ(MenuItemOfStandard(4), 0u); // NTSC 4.43 has no item
    EXPECT_EQ(MenuItemOfStandard(0), 0u);
    EXPECT_EQ(StandardOfMenuItem(5018), 0);
    EXPECT_EQ(StandardOfMenuItem(5026), 0);
    EXPECT_EQ(InputOfMenuItem(32781), 0);
    EXPECT_EQ(InputOfMenuItem(32783), 2);
    EXPECT_EQ(InputOfMenuItem(32784), -1);
}

std::map<unsigned, MenuItemState> States(const VideoMenuFlags& f) {
    std::map<unsigned, MenuItemState> m;
    for (const MenuItemState& s : VideoMenuStates(f))
        m[s.id] = s;
    return m;
}

TEST(SetupRules, MenuStateFollowsPreviewRecordingAndTheCurrentChoices) {
    VideoMenuFlags live;
    live.previewOn = true;
    live.topmost = true;
    live.panelShown = false;
    live.displayMode = 2;
    live.videoInput = 1;
    live.standard = 128; // PAL-H shows as PAL-BDGHI
    auto s = States(live);
    EXPECT_TRUE(s[kMenuMostTop].checked);
    EXPECT_FALSE(s[kMenuDisplayPanel].checked);
    EXPECT_FALSE(s[kMenuFullScreen].checked);
    EXPECT_TRUE(s[kMenuDesktopMode].enabled);
    EXPECT_FALSE(s[kMenuBestOptimize].checked);
    EXPECT_TRUE(s[kMenuNoOptimize].checked);
    EXPECT_TRUE(s[kMenuInputComposite].checked && s[kMenuInputComposite].radio);
    EXPECT_FALSE(s[kMenuInputTv].checked);
    for (unsigned id = kMenuStandardFirst; id <= kMenuStandardLast; ++id) {
        EXPECT_TRUE(s[id].enabled);
        EXPECT_EQ(s[id].checked, id == 5021u) << id;
    }
    EXPECT_TRUE(s[kMenuCapture].enabled && s[kMenuChannelEdit].enabled && s[kMenuColorAdjust].enabled);

    // A standard the menu does not list: all unchecked but usable.
    live.standard = 4;
    s = States(live);
    for (unsigned id = kMenuStandardFirst; id <= kMenuStandardLast; ++id)
        EXPECT_TRUE(s[id].enabled && !s[id].checked) << id;

    // Recording: inputs, standards, optimising, desktop, capture and channel edit are grayed; the
    // colour item stays.
    live.recording = true;
    s = States(live);
    for (unsigned id : {kMenuDesktopMode, kMenuBestOptimize, kMenuNoOptimize, kMenuInputTv, kMenuInputSVideo,
                        kMenuStandardFirst, kMenuStandardLast, kMenuCapture, kMenuChannelEdit})
        EXPECT_FALSE(s[id].enabled) << id;
    EXPECT_TRUE(s[kMenuColorAdjust].enabled);

    // No preview: the colour item goes too.
    VideoMenuFlags idle;
    idle.previewOn = false;
    idle.fullScreen = true;
    s = States(idle);
    EXPECT_FALSE(s[kMenuColorAdjust].enabled);
    EXPECT_TRUE(s[kMenuFullScreen].checked);
    EXPECT_TRUE(s[kMenuMostTop].enabled);
}

} // namespace
