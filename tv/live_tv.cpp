// The live-TV commands of the control panel and the automatic scan, over the host interface:
// state checks first, then the engine calls, the channel list changes and the on-screen text.
#include "tv/live_tv.h"

#include <cstring>

#include "framework/format.h"

namespace tunaro {

namespace {

const char* Pick(bool chinese, const char* english, const char* chineseText) {
    return chinese ? chineseText : english;
}

} // namespace

bool LiveTv::Command(unsigned id) {
    if (id >= kCmdDigit0 && id <= kCmdDigit9) {
        Digit(static_cast<int>(id - kCmdDigit0));
        return true;
    }
    switch (id) {
    case kCmdAutoScan:
        AutoScan();
        return true;
    case kCmdMute:
        ToggleMute();
        return true;
    case kCmdBrightnessUp:
    case kCmdBrightnessDown:
        Brightness(id == kCmdBrightnessUp);
        return true;
    case kCmdContrastUp:
    case kCmdContrastDown:
        Contrast(id == kCmdContrastUp);
        return true;
    case kCmdFreqUp:
    case kCmdFreqDown:
        FineTune(id == kCmdFreqUp);
        return true;
    case kCmdPreviousChannel:
        PreviousChannel();
        return true;
    case kCmdChannelDown:
        ChannelDown();
        return true;
    case kCmdChannelUp:
        ChannelUp();
        return true;
    case kCmdTwoDigit:
        TwoDigitEntry();
        return true;
    case kCmdVideoSource:
        NextVideoSource();
        return true;
    case kCmdAv:
        ReapplyVideoSource();
        return true;
    case kCmdCurrentTune:
        CurrentTune();
        return true;
    default:
        return false;
    }
}

// ---- texts --------------------------------------------------------------------------------------

std::string LiveTv::NoChannelText() const {
    return Pick(m_host.ChineseMode(), "No current channel", "没有当前频道");
}

std::string LiveTv::IndexNameText() const {
    const ChannelList& list = m_host.Channels();
    const long current = list.CurrentIndex();
    const ChannelRecord* record = list.At(current);
    if (!record)
        return NoChannelText();
    return Format("[%ld]%s", current, record->m_strName.c_str());
}

std::string LiveTv::CurrentTuneText() const {
    const ChannelList& list = m_host.Channels();
    const long current = list.CurrentIndex();
    const ChannelRecord* record = list.At(current);
    if (!record)
        return NoChannelText();
    const bool mono = EffectiveAudioMode(*record, m_host.CardType()) != 0;
    const bool chinese = m_host.ChineseMode();
    return Format("[%ld]%s %s", current, record->m_strName.c_str(),
                  mono ? Pick(chinese, "Mono", "双声道") : Pick(chinese, "Stereo", "立体声"));
}

// ---- conditions ---------------------------------------------------------------------------------

bool LiveTv::DigitsAllowed() {
    return !m_host.PlaybackOpen() && !m_host.Recording() && !m_host.Scanning() && m_host.IsTunerInput() &&
           !m_host.Channels().Empty();
}

bool LiveTv::ZappingAllowed() {
    return m_host.PreviewOn() && !m_host.Recording() && !m_host.Scanning() && !m_host.TvWallShown() &&
           m_host.IsTunerInput() && !m_host.Channels().Empty();
}

bool LiveTv::FineTuneAllowed() {
    return !m_host.TvWallShown() && !m_host.Scanning() && !m_host.Recording() && m_host.IsTunerInput() &&
           !m_host.Channels().Empty();
}

bool LiveTv::SourceKeysAllowed() const {
    return !m_host.PlaybackOpen() && !m_host.Recording() && !m_host.Scanning() && !m_host.TvWallShown();
}

// ---- channel selection --------------------------------------------------------------------------

void LiveTv::SelectIndex(long index) {
    m_host.Channels().SelectChannel(index, [this](long i) { m_host.SetCurrentChannel(i); });
}

void LiveTv::TuneTo(long index) {
    m_host.SetCurrentChannel(index);
    m_host.Channels().SetCurrentIndex(index);
}

void LiveTv::ExpireTwoDigit() {
    // Unsigned difference: right across the tick counter's wrap after 49.7 days.
    if (m_boTwoDigit && m_host.TickCount() - m_dwTwoDigitStart > kTwoDigitTimeoutMs) {
        m_boTwoDigit = false;
        m_nPendingTens = -1;
    }
}

void LiveTv::Digit(int digit) {
    if (digit < 0 || digit > 9 || !DigitsAllowed())
        return;
    ExpireTwoDigit();
    ChannelList& list = m_host.Channels();
    if (!m_boTwoDigit) {
        if (digit < list.Count())
            SelectIndex(digit);
        CurrentTune();
        return;
    }
    if (m_nPendingTens < 0) {
        m_nPendingTens = digit;
        m_host.ShowOsd(Format("%d__", digit), kOsdDelayMs);
        return;
    }
    const long index = m_nPendingTens * 10L + digit;
    m_boTwoDigit = false;
    m_nPendingTens = -1;
    if (index < list.Count()) {
        SelectIndex(index);
        m_host.ShowOsd(IndexNameText(), kOsdDelayMs);
    } else {
        m_host.ShowOsd(NoChannelText(), kOsdDelayMs);
    }
}

void LiveTv::TwoDigitEntry() {
    if (m_host.Recording() || m_host.Scanning() || m_host.VideoSourceIndex() != 1)
        return;
    m_boTwoDigit = !m_boTwoDigit;
    if (m_boTwoDigit)
        m_dwTwoDigitStart = m_host.TickCount();
    m_nPendingTens = -1;
    m_host.ShowOsd("__ __", kOsdDelayMs);
}

void LiveTv::PreviousChannel() {
    // A scan rebuilds the list under the tuner: no switching meanwhile.
    if (!m_host.PreviewOn() || m_host.Recording() || m_host.Scanning() || m_host.VideoSourceIndex() != 1)
        return;
    ChannelList& list = m_host.Channels();
    if (list.Empty()) {
        m_host.ShowOsd(NoChannelText(), kOsdDelayMs);
        return;
    }
    SelectIndex(list.PreviousIndex());
    m_host.ShowOsd(IndexNameText(), kOsdDelayMs);
}

void LiveTv::ChannelUp() {
    if (!ZappingAllowed())
        return;
    ChannelList& list = m_host.Channels();
    const long count = list.Count();
    const long current = list.CurrentIndex();
    long start = current + 1;
    if (current >= count - 1 || start < 0)
        start = 0;
    long found = -1;
    for (long i = start; i < count && found < 0; ++i)
        if (list.Enabled(i) == 1)
            found = i;
    for (long i = 0; i < count && found < 0; ++i)
        if (list.Enabled(i) == 1)
            found = i;
    if (found >= 0)
        TuneTo(found);
    CurrentTune();
}

void LiveTv::ChannelDown() {
    if (!ZappingAllowed())
        return;
    ChannelList& list = m_host.Channels();
    const long count = list.Count();
    const long current = list.CurrentIndex();
    long start = current - 1;
    if (current <= 0 || start >= count)
        start = count - 1;
    long found = -1;
    for (long i = start; i >= 0 && found < 0; --i)
        if (list.Enabled(i) == 1)
            found = i;
    for (long i = count - 1; i >= 0 && found < 0; --i)
        if (list.Enabled(i) == 1)
            found = i;
    if (found >= 0)
        TuneTo(found);
    CurrentTune();
}

void LiveTv::CurrentTune() {
    m_host.ShowOsd(CurrentTuneText(), kOsdDelayMs);
}

void LiveTv::FineTune(bool up) {
    if (!FineTuneAllowed())
        return;
    const bool chinese = m_host.ChineseMode();
    m_host.ShowOsd(up ? Pick(chinese, "Freq+", "微调+") : Pick(chinese, "Freq-", "微调-"), kOsdDelayMs);
    ChannelList& list = m_host.Channels();
    const long current = list.CurrentIndex();
    const ChannelRecord* record = list.At(current);
    if (!record)
        return;
    const long step = m_host.FreqSpace();
    const long long delta = up ? static_cast<long long>(step) : -static_cast<long long>(step);
    const long long wanted = static_cast<long long>(record->m_nFrequency) + delta;
    // The record keeps only what the tuner can be set to.
    if (wanted <= 0 || wanted > INT32_MAX)
        return;
    long maximum = 0, minimum = 0;
    if (m_host.GetFrequencyRange(&maximum, &minimum) && maximum > minimum &&
        (wanted < minimum || wanted > maximum))
        return;
    m_host.SetFrequency(static_cast<long>(wanted), current);
}

// ---- inputs -------------------------------------------------------------------------------------

void LiveTv::NextVideoSource() {
    if (!SourceKeysAllowed())
        return;
    long current = m_host.VideoSourceIndex();
    if (current < 0 || current >= kVideoSourceSlots)
        current = -1;
    // Inputs the card does not have are passed over.
    for (int k = 1; k <= kVideoSourceSlots; ++k) {
        const int next = static_cast<int>((current + k) % kVideoSourceSlots);
        std::string name;
        if (!m_host.GetSourceName(next, &name))
            continue;
        if (next == current)
            return; // the only input there is
        m_host.ShowOsd(name, kOsdDelayMs);
        m_host.SetVideoSourceIndex(next);
        m_host.SetVideoSource(next);
        return;
    }
}

void LiveTv::ReapplyVideoSource() {
    if (!SourceKeysAllowed())
        return;
    const int current = static_cast<int>(m_host.VideoSourceIndex());
    std::string name;
    m_host.GetSourceName(current, &name);
    m_host.ShowOsd(name, kOsdDelayMs);
    m_host.SetVideoSource(current);
}

int LiveTv::SourceIndexByName(const char* pattern) {
    if (!pattern || !*pattern)
        return 0;
    for (int i = 0; i < kVideoSourceSlots; ++i) {
        std::string name;
        if (m_host.GetSourceName(i, &name) && name.find(pattern) != std::string::npos)
            return i;
    }
    return 0;
}

// ---- sound and picture --------------------------------------------------------------------------

void LiveTv::ToggleMute() {
    if (m_host.PlaybackOpen())
        return;
    m_boMuted = !m_boMuted;
    m_host.MuteOutput(m_boMuted);
    const bool chinese = m_host.ChineseMode();
    m_host.ShowOsd(m_boMuted ? Pick(chinese, "Mute", "静音") : Pick(chinese, "Unmute", "取消静音"),
                   kOsdDelayMs);
    m_host.SetMuteLook(m_boMuted);
}

void LiveTv::Brightness(bool up) {
    if (m_host.PlaybackOpen())
        return;
    long value = 0, maximum = 0, minimum = 0;
    if (!m_host.GetBrightness(&value, &maximum, &minimum) || maximum <= minimum)
        return;
    value += up ? kBrightnessStep : -kBrightnessStep;
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
    m_host.SetBrightness(value);
    m_host.ShowOsd(
        Format(Pick(m_host.ChineseMode(), "Brightness:%ld", "亮度:%ld"), value * 100 / (maximum - minimum)),
        kOsdDelayMs);
}

void LiveTv::Contrast(bool up) {
    long value = 0, maximum = 0, minimum = 0;
    if (!m_host.GetContrast(&value, &maximum, &minimum))
        return;
    m_host.SetContrast(value + (up ? kContrastStep : -kContrastStep));
}

// ---- automatic scan -----------------------------------------------------------------------------

void LiveTv::AutoScan() {
    if (m_host.Scanning()) {
        EndScan(false);
        return;
    }
    if (m_host.PlaybackOpen() || m_host.Recording() || m_host.TvWallShown() || !m_host.IsTunerInput())
        return;
    StartScan();
}

void LiveTv::StartScan() {
    m_host.SendToPeer(LiveTvPeer::Remote, peer::kRemoteScanStarted);
    m_host.MuteOutput(true);
    // A scan left half-way elsewhere must not make this one start in the middle of the table.
    m_host.AutoScanTune(1);
    m_host.AutoScanTune(0);
    m_lScanCounter = 1;
    m_host.StartScanTimer();
    m_host.SetScanButtonLook(true);
    m_host.SetScanning(true);
    m_host.LockPanel(true);
    m_host.SendToPeer(LiveTvPeer::Scheduler, peer::kScheduleScanStarted);
}

void LiveTv::ScanTick() {
    if (!m_host.Scanning()) {
        m_host.StopScanTimer(); // a late tick after the end
        return;
    }
    ++m_lScanCounter;
    m_host.ShowOsd(Format("%ld", m_lScanCounter), kOsdDelayMs);
    if (m_host.AutoScanTune(0) == -1)
        EndScan(true);
}

void LiveTv::EndScan(bool finished) {
    m_host.SetScanning(false);
    m_host.StopScanTimer();
    if (!finished)
        m_host.AutoScanTune(1);
    m_host.UnlockPanel();
    m_host.SetScanButtonLook(false);
    // The scan muted the sound for itself; a mute the user chose stays.
    if (!m_boMuted)
        m_host.MuteOutput(false);
    m_lScanCounter = 0;
    // Back to a real channel: the tuner was left on the last scan frequency.
    if (!m_host.Channels().Empty())
        SelectIndex(0);
    const std::string text =
        Format(Pick(m_host.ChineseMode(), "scanned %ld", "已搜到 %ld"), m_host.Channels().Count());
    m_host.ShowOsd(text, finished ? 0 : kScanStoppedOsdDelayMs);
    m_host.SendToPeer(LiveTvPeer::Remote, peer::kRemoteScanEnded);
    m_host.SendToPeer(LiveTvPeer::Scheduler, peer::kScheduleScanEnded);
}

} // namespace tunaro
