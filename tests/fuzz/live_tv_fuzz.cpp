// Fuzz target of the live-TV keys and the setup sheet's fine tuning: a channel list, the step of
// Freq+/Freq- as "Tunaro.ini" may hold it, the tuner's range, the panel's state and a run of key
// presses all come from the input. Whatever they are, the arithmetic stays defined, the tuner
// is only ever set to a frequency it takes, and the list keeps only what its file gives back.
#include "tests/fuzz/fuzz_check.h"

#include "tv/dialogs/setup_rules.h"
#include "tv/live_tv.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace tunaro;

namespace {

// Reads the input front to back; zeros once it runs out.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    int32_t Int32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | Byte();
        int32_t out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

class FuzzHost : public LiveTvHost {
public:
    bool preview = true, recording = false, playback = false, wall = false, scanning = false;
    bool chinese = false, tuner = true, rangeKnown = true, picture = true;
    long cardType = 2, sourceIndex = 0, freqSpace = 50000, rangeMin = 0, rangeMax = 0;
    long brightness = 128, contrast = 128;
    uint32_t tick = 0;
    std::vector<int32_t> table; // the scan's frequencies; odd ones carry a station
    int scanPosition = 0;
    ChannelList list;

    bool PreviewOn() const override { return preview; }
    bool Recording() const override { return recording; }
    bool PlaybackOpen() const override { return playback; }
    bool TvWallShown() const override { return wall; }
    bool Scanning() const override { return scanning; }
    void SetScanning(bool on) override { scanning = on; }
    bool ChineseMode() const override { return chinese; }
    long CardType() const override { return cardType; }
    ChannelList& Channels() override { return list; }
    long VideoSourceIndex() const override { return sourceIndex; }
    void SetVideoSourceIndex(long index) override { sourceIndex = index; }
    long FreqSpace() const override { return freqSpace; }
    bool IsTunerInput() override { return tuner; }
    int SetVideoSource(int index) override { return index; }
    bool GetSourceName(int index, std::string* name) override {
        static const char* const kNames[] = {"Video Composite", "Video Tuner", "Video SVideo"};
        if (index < 0 || index >= 3)
            return false;
        *name = kNames[index];
        return true;
    }
    int SetCurrentChannel(long index) override {
        FUZZ_CHECK(list.IsValidIndex(index));
        return 1;
    }
    int SetFrequency(long frequency, long index) override {
        // Only what the tuner takes, and what a channel record can hold.
        FUZZ_CHECK(frequency > 0 && frequency <= INT32_MAX);
        if (rangeKnown && rangeMax > rangeMin)
            FUZZ_CHECK(frequency >= rangeMin && frequency <= rangeMax);
        FUZZ_CHECK(list.SetFrequency(index, static_cast<int32_t>(frequency)));
        return 1;
    }
    bool GetFrequencyRange(long* maximum, long* minimum) override {
        *maximum = rangeMax;
        *minimum = rangeMin;
        return rangeKnown;
    }
    int AutoScanTune(int reset) override {
        if (reset || scanPosition >= static_cast<int>(table.size())) {
            scanPosition = 0;
            return -1;
        }
        if (scanPosition == 0)
            list.Clear();
        const int32_t frequency = table[static_cast<size_t>(scanPosition)];
        const int position = scanPosition++;
        if ((frequency & 1) == 0)
            return 1;
        ChannelRecord r;
        r.m_strName = "New Channel";
        r.m_nFrequency = frequency;
        r.m_nChannel = position;
        FUZZ_CHECK(list.Append(r) == (frequency != kNoChannelFrequency));
        return 3;
    }
    bool GetBrightness(long* value, long* maximum, long* minimum) override {
        *value = brightness;
        *maximum = 255;
        *minimum = 0;
        return picture;
    }
    bool SetBrightness(long value) override {
        FUZZ_CHECK(value >= 0 && value <= 255);
        brightness = value;
        return true;
    }
    bool GetContrast(long* value, long* maximum, long* minimum) override {
        *value = contrast;
        *maximum = 255;
        *minimum = 0;
        return picture;
    }
    bool SetContrast(long value) override {
        contrast = value;
        return true;
    }
    void MuteOutput(bool) override {}
    void ShowOsd(const std::string&, unsigned) override {}
    void LockPanel(bool) override {}
    void UnlockPanel() override {}
    void SetMuteLook(bool) override {}
    void SetScanButtonLook(bool) override {}
    void SendToPeer(LiveTvPeer, unsigned) override {}
    uint32_t TickCount() const override { return tick; }
    void StartScanTimer() override {}
    void StopScanTimer() override {}
};

const unsigned kKeys[] = {kCmdFreqUp,       kCmdFreqDown,     kCmdDigit0,      kCmdDigit0 + 5,
                          kCmdDigit9,       kCmdChannelUp,    kCmdChannelDown, kCmdPreviousChannel,
                          kCmdTwoDigit,     kCmdCurrentTune,  kCmdVideoSource, kCmdAv,
                          kCmdBrightnessUp, kCmdContrastDown, kCmdMute,        kCmdAutoScan};

// The setup sheet's slider over any base frequency: the exact sum, held within 32 bits.
void CheckFineTuneSlider(Input& in) {
    const long base = in.Int32();
    const int position = in.Byte() % (kFineTuneMax + 1);
    const long long exact = static_cast<long long>(base) + (position - kFineTuneCentre) * kFineTuneStepHz;
    const long long held = exact > INT32_MAX ? INT32_MAX : (exact < INT32_MIN ? INT32_MIN : exact);
    FUZZ_CHECK(FineTuneFrequency(base, position) == held);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    CheckFineTuneSlider(in);

    FuzzHost host;
    const uint8_t flags = in.Byte();
    host.recording = flags & 1;
    host.wall = flags & 2;
    host.tuner = !(flags & 4);
    host.rangeKnown = !(flags & 8);
    host.chinese = flags & 16;
    host.cardType = (flags >> 5) & 7;
    host.freqSpace = in.Int32();
    host.rangeMin = in.Int32();
    host.rangeMax = in.Int32();
    const int channels = in.Byte() % 12;
    for (int i = 0; i < channels; ++i) {
        ChannelRecord r;
        r.m_strName = "C";
        r.m_nFrequency = in.Int32();
        r.m_nChannel = i;
        r.m_nEnabled = in.Byte() & 1;
        FUZZ_CHECK(host.list.Append(r) == (r.m_nFrequency != kNoChannelFrequency));
    }
    const int scanned = in.Byte() % 8;
    for (int i = 0; i < scanned; ++i)
        host.table.push_back(in.Int32());

    LiveTv tv(host);
    for (int presses = 0; presses < 64 && !in.Empty(); ++presses) {
        const uint8_t key = in.Byte();
        host.tick += static_cast<uint32_t>(in.Byte()) * 64;
        if (key >= 0xF0)
            tv.ScanTick();
        else
            FUZZ_CHECK(tv.Command(kKeys[key % (sizeof kKeys / sizeof kKeys[0])]));
        for (long i = 0; i < host.list.Count(); ++i)
            FUZZ_CHECK(host.list.Frequency(i) != kNoChannelFrequency);
    }
    return 0;
}
