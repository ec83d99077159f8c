// Tests of MasterVolume against the system mixer (PulseAudio's null sink under Wine): get and
// set, bounds, change callbacks, mute, and quiet failure without a sound device.
#include <gtest/gtest.h>

#include "uikit/master_volume.h"
#include "uikit/skin_panel.h"
#include "tests/support/e2e.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace tunaro;

namespace {

std::vector<DWORD> g_calls;
void OnChange(DWORD volume, DWORD_PTR user) {
    g_calls.push_back(volume);
    *reinterpret_cast<int*>(user) += 1;
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        Sleep(10);
    }
}

bool NoSoundExpected() {
    const char* v = getenv("TUNARO_EXPECT_NO_SOUND");
    return v && *v == '1';
}

// Sets the speakers' volume through a mixer handle of its own, as another program would.
bool SetThroughOtherHandle(DWORD value) {
    UINT id = 0;
    HMIXER mixer = nullptr;
    if (!MasterVolume::MixerIdOfDefaultWaveOut(&id) || mixerOpen(&mixer, id, 0, 0, MIXER_OBJECTF_MIXER))
        return false;
    MIXERLINEA line = {};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    MIXERCONTROLA control = {};
    MIXERLINECONTROLSA lc = {};
    lc.cbStruct = sizeof(lc);
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof(control);
    lc.pamxctrl = &control;
    bool ok = mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(mixer), &line,
                                MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR;
    lc.dwLineID = line.dwLineID;
    ok = ok &&
         mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer), &lc,
                               MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR;
    if (ok) {
        MIXERCONTROLDETAILS_UNSIGNED values[8];
        for (auto& v : values)
            v.dwValue = value;
        MIXERCONTROLDETAILS d = {};
        d.cbStruct = sizeof(d);
        d.dwControlID = control.dwControlID;
        d.cChannels = line.cChannels > 8 ? 8 : line.cChannels;
        d.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
        d.paDetails = values;
        ok =
            mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer), &d,
                                   MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
    }
    mixerClose(mixer);
    return ok;
}

// A bar of ten segments whose lowest stands for silence alone; the looks are not drawn here.
constexpr VolumeScale kBarScale{1062, 1071, 1063};
struct BarRows {
    skin::Row lit[10], unlit[10];
    BarRows() {
        for (int i = 0; i < 10; ++i)
            lit[i] = unlit[i] = skin::Row{1062 + i, 0, 0, 9, 9, 0, 0, 0, 0, 0, 0, 1};
    }
};

// A volume read back may differ from the one set by less than one step of the control: 32-bit
// Wine's mixer gives 999 for 1000, as a real mixer rounds to its steps.
long StepOf(const MasterVolume& volume) {
    return std::max(1L, (volume.Maximum() - volume.Minimum()) / std::max(1L, volume.Steps()));
}

struct MasterVolumeTest : ::testing::Test {
    void SetUp() override {
        if (NoSoundExpected())
            GTEST_SKIP() << "this run has no sound device";
        g_calls.clear();
    }
};

TEST_F(MasterVolumeTest, SetsAndGetsWithinItsBounds) {
    MasterVolume volume;
    ASSERT_TRUE(volume.Opened());
    ASSERT_TRUE(volume.VolumeAvailable());
    EXPECT_EQ(&volume, MasterVolume::Active());
    EXPECT_EQ(volume.MessageWindow(),
              FindWindowA("Master Output Volume Msg Wnd Class", "Master Output Volume Msg Wnd"));
    long min = volume.Minimum(), max = volume.Maximum();
    ASSERT_GE(min, 0);
    ASSERT_GT(max, min);
    EXPECT_GT(volume.Steps(), 0);

    volume.SetVolume(static_cast<DWORD>(min + (max - min) / 3));
    const long step = StepOf(volume);
    EXPECT_NEAR(min + (max - min) / 3, volume.GetVolume(), step);
    volume.SetVolume(static_cast<DWORD>(max));
    EXPECT_NEAR(max, volume.GetVolume(), step);
    volume.SetVolume(static_cast<DWORD>(min + 1000));
    // One above the maximum changes nothing.
    volume.SetVolume(static_cast<DWORD>(max + 1));
    EXPECT_NEAR(min + 1000, volume.GetVolume(), step);
}

TEST_F(MasterVolumeTest, AChangeFromAnotherMixerHandleCallsTheCallbackOnce) {
    MasterVolume volume;
    ASSERT_TRUE(volume.VolumeAvailable());
    volume.SetVolume(20000);
    PumpFor(400); // our own change may be reported; start counting after it
    int count = 0;
    volume.SetChangeCallback(OnChange, reinterpret_cast<DWORD_PTR>(&count));
    g_calls.clear();
    ASSERT_TRUE(SetThroughOtherHandle(41000));
    PumpFor(800);
    ASSERT_EQ(1, count);
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_NEAR(41000, static_cast<long>(g_calls[0]), StepOf(volume));
    PumpFor(400);
    EXPECT_EQ(1, count); // no repeats while nothing changes
}

TEST_F(MasterVolumeTest, AChangeFromAnotherProcessCallsTheCallbackOnce) {
    MasterVolume volume;
    ASSERT_TRUE(volume.VolumeAvailable());
    volume.SetVolume(10000);
    PumpFor(400);
    int count = 0;
    volume.SetChangeCallback(OnChange, reinterpret_cast<DWORD_PTR>(&count));
    g_calls.clear();
    e2e::Program peer;
    ASSERT_TRUE(peer.Start(e2e::ExeDir() + "\\mixer_peer.exe", "33000"));
    DWORD exitCode = 99;
    ASSERT_TRUE(peer.WaitForExit(10000, &exitCode));
    ASSERT_EQ(0u, exitCode);
    PumpFor(800);
    if (count == 0 && std::labs(static_cast<long>(volume.GetVolume()) - 10000) <= StepOf(volume)) {
        // The platform keeps a volume per process (Wine's mixer drives the process's own
        // audio session), so another process's change is not visible here at all.
        GTEST_SKIP() << "the mixer volume is per process on this platform";
    }
    ASSERT_EQ(1, count);
    EXPECT_NEAR(33000, static_cast<long>(g_calls[0]), StepOf(volume));
}

TEST_F(MasterVolumeTest, MuteAndUnmuteActOnTheMuteControl) {
    MasterVolume volume;
    ASSERT_TRUE(volume.Opened());
    ASSERT_NE(-1, volume.MuteState()) << "the speakers line has a mute control";
    volume.Mute();
    EXPECT_EQ(1, volume.MuteState());
    volume.Unmute();
    EXPECT_EQ(0, volume.MuteState());
}

TEST_F(MasterVolumeTest, OnlyTheLastInstanceIsActiveAndDestructionClearsIt) {
    auto first = new MasterVolume();
    ASSERT_EQ(first, MasterVolume::Active());
    {
        MasterVolume second;
        EXPECT_EQ(&second, MasterVolume::Active());
    }
    EXPECT_EQ(nullptr, MasterVolume::Active());
    delete first;
    EXPECT_EQ(nullptr, MasterVolume::Active());
}

TEST_F(MasterVolumeTest, AVolumeBarSetsItsSegmentsVolumeAndFollowsOtherPrograms) {
    BarRows rows;
    VolumeBar bar(kBarScale, rows.lit, rows.unlit);
    bar.OpenMixer();
    MasterVolume* mixer = bar.Mixer();
    ASSERT_TRUE(mixer && mixer->VolumeAvailable());
    const long min = mixer->Minimum(), max = mixer->Maximum();
    EXPECT_EQ(kBarScale.SegmentForVolume(mixer->GetVolume(), min, max), bar.Top());

    bar.OnSegment(1066);
    EXPECT_EQ(1066, bar.Top());
    EXPECT_EQ(kBarScale.VolumeForSegment(1066, min, max), mixer->GetVolume());
    bar.OnVolumeUp();
    EXPECT_EQ(1067, bar.Top());
    EXPECT_EQ(1067, kBarScale.SegmentForVolume(mixer->GetVolume(), min, max));
    bar.OnVolumeDown();
    bar.OnVolumeDown();
    EXPECT_EQ(1065, bar.Top());
    const long at1065 = mixer->GetVolume();
    bar.OnSegment(2000); // off the bar
    EXPECT_EQ(1065, bar.Top());
    EXPECT_EQ(at1065, mixer->GetVolume());

    // Another program turns the volume full up: the bar follows, and volume + stays at the top.
    PumpFor(400);
    ASSERT_TRUE(SetThroughOtherHandle(static_cast<DWORD>(max)));
    PumpFor(400);
    EXPECT_EQ(1071, bar.Top());
    bar.OnVolumeUp();
    EXPECT_EQ(1071, bar.Top());
    EXPECT_EQ(max, mixer->GetVolume());
    bar.CloseMixer();
    EXPECT_EQ(nullptr, bar.Mixer());
}

TEST(MasterVolumeNoDevice, ConstructionFailsQuietly) {
    if (!NoSoundExpected())
        GTEST_SKIP() << "runs only with the sound server out of reach (TUNARO_EXPECT_NO_SOUND=1)";
    MasterVolume volume;
    EXPECT_FALSE(volume.Opened());
    EXPECT_FALSE(volume.VolumeAvailable());
    EXPECT_EQ(nullptr, MasterVolume::Active());
    EXPECT_EQ(-1, volume.GetVolume());
    EXPECT_EQ(-1, volume.Minimum());
    EXPECT_EQ(-1, volume.Maximum());
    EXPECT_EQ(-1, volume.Steps());
    volume.SetVolume(100); // does nothing, and does not crash
    volume.Mute();
    EXPECT_EQ(-1, volume.GetVolume());
    // A volume bar over no mixer stays dark: its keys show no level nobody hears.
    BarRows rows;
    VolumeBar bar(kBarScale, rows.lit, rows.unlit);
    bar.OpenMixer();
    bar.OnSegment(1066);
    bar.OnVolumeUp();
    EXPECT_EQ(0, bar.Top());
    // No notification window of this process (other test programs may run beside this one).
    for (HWND parent : {static_cast<HWND>(nullptr), HWND_MESSAGE}) {
        for (HWND w = FindWindowExA(parent, nullptr, "Master Output Volume Msg Wnd Class", nullptr); w;
             w = FindWindowExA(parent, w, "Master Output Volume Msg Wnd Class", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            EXPECT_NE(pid, GetCurrentProcessId());
        }
    }
}

TEST(RecordingInputTest, OpensMixerZeroAndFailsCleanlyWhenNoSourceFits) {
    if (NoSoundExpected())
        GTEST_SKIP() << "this run has no sound device";
    RecordingInput input(nullptr);
    ASSERT_TRUE(input.Opened());
    // Whatever the mixer offers, a found item is a real one and selection only follows a find.
    if (input.Find()) {
        EXPECT_GE(input.ChosenIndex(), 0);
        EXPECT_FALSE(input.ChosenName().empty());
        EXPECT_TRUE(input.Select());
    } else {
        EXPECT_EQ(-1, input.ChosenIndex());
        EXPECT_FALSE(input.Select());
    }
}

} // namespace
