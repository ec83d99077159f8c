// The time-shift ring's bookkeeping: segments, the position shown and the delay behind live.
#include "engine/timeshift_ring.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tunaro {

namespace {
constexpr const char* kFolderName = "Tunaro TimeShift";
constexpr int64_t kMostMinutes = 24 * 60;
} // namespace

TimeShiftRing::TimeShiftRing(int64_t capacityMs, int64_t segmentMs)
    : m_capacity(std::max<int64_t>(capacityMs, 1)), m_segmentLength(std::max<int64_t>(segmentMs, 1)) {}

void TimeShiftRing::Begin(int64_t now) {
    m_segments.clear();
    m_dropped.clear();
    m_begin = now;
    m_segments.push_back(TimeShiftSegment{m_nextNumber++, 0, 0});
    m_state = ShiftState::Paused;
    Anchor(now, 0);
}

bool TimeShiftRing::NeedsRoll(int64_t now) const {
    return Shifted() && !m_segments.empty() && LiveEdge(now) - m_segments.back().start >= m_segmentLength;
}

int TimeShiftRing::Roll(int64_t now) {
    if (!Shifted() || m_segments.empty())
        return 0;
    const int64_t edge = LiveEdge(now);
    m_segments.back().end = edge;
    m_segments.push_back(TimeShiftSegment{m_nextNumber++, edge, edge});
    DropUnneeded(now);
    return m_segments.back().number;
}

void TimeShiftRing::DropUnneeded(int64_t now) {
    // The oldest segment goes once the ones after it cover the capacity on their own.
    const int64_t edge = LiveEdge(now);
    while (m_segments.size() > 1 && edge - m_segments[1].start >= m_capacity) {
        m_dropped.push_back(m_segments.front().number);
        m_segments.pop_front();
    }
    // A picture that fell out of the ring is shown from the oldest one kept: a paused one stays
    // there, a running one runs on from there.
    int64_t shown = m_anchorPosition;
    if (m_state == ShiftState::Playing)
        shown += now - m_anchorNow;
    if (shown < m_segments.front().start)
        Anchor(now, m_segments.front().start);
}

std::vector<int> TimeShiftRing::TakeDropped() {
    std::vector<int> out;
    out.swap(m_dropped);
    return out;
}

std::vector<int> TimeShiftRing::End() {
    std::vector<int> out = TakeDropped();
    for (const TimeShiftSegment& s : m_segments)
        out.push_back(s.number);
    m_segments.clear();
    m_state = ShiftState::Live;
    return out;
}

void TimeShiftRing::Anchor(int64_t now, int64_t position) {
    m_anchorNow = now;
    m_anchorPosition = position;
}

void TimeShiftRing::Pause(int64_t now) {
    if (m_state != ShiftState::Playing)
        return;
    Anchor(now, Position(now));
    m_state = ShiftState::Paused;
}

void TimeShiftRing::Resume(int64_t now) {
    if (m_state != ShiftState::Paused)
        return;
    Anchor(now, Position(now));
    m_state = ShiftState::Playing;
}

ShiftStep TimeShiftRing::Step(int64_t now, int64_t deltaMs) {
    if (!Shifted())
        return ShiftStep::Ignored;
    const int64_t target = Position(now) + deltaMs;
    if (deltaMs > 0 && target >= LiveEdge(now)) {
        End();
        return ShiftStep::ToLive;
    }
    Anchor(now, std::max(target, Oldest()));
    return ShiftStep::Moved;
}

int64_t TimeShiftRing::LiveEdge(int64_t now) const {
    return Shifted() ? std::max<int64_t>(now - m_begin, 0) : 0;
}

int64_t TimeShiftRing::Oldest() const {
    return m_segments.empty() ? 0 : m_segments.front().start;
}

int64_t TimeShiftRing::Position(int64_t now) const {
    if (!Shifted())
        return 0;
    int64_t p = m_anchorPosition;
    if (m_state == ShiftState::Playing)
        p += now - m_anchorNow;
    // Playing never overtakes what is written, nor shows what the ring dropped.
    return std::clamp(p, Oldest(), LiveEdge(now));
}

int64_t TimeShiftRing::Delay(int64_t now) const {
    return Shifted() ? LiveEdge(now) - Position(now) : 0;
}

ShiftLocation TimeShiftRing::Locate(int64_t streamTime) const {
    if (m_segments.empty())
        return {};
    const TimeShiftSegment* found = &m_segments.front();
    for (const TimeShiftSegment& s : m_segments)
        if (s.start <= streamTime)
            found = &s;
    return ShiftLocation{found->number, std::max<int64_t>(streamTime - found->start, 0)};
}

std::string FormatShiftDelay(int64_t delayMs, bool chinese) {
    const int64_t seconds = std::max<int64_t>((delayMs + 500) / 1000, 0);
    char text[48];
    std::snprintf(text, sizeof text, "%s -%02lld:%02lld", chinese ? "时移" : "Shift",
                  static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string TimeShiftFolder(const std::string& videoDirectory) {
    const std::string& d = videoDirectory;
    if (d.size() >= 2 && std::isalpha(static_cast<unsigned char>(d[0])) && d[1] == ':')
        return d.substr(0, 2) + "\\" + kFolderName;
    if (d.size() > 2 && d[0] == '\\' && d[1] == '\\') {
        // \\server\share: the share is the drive.
        const size_t server = d.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return "";
        const size_t share = d.find('\\', server + 1);
        const std::string root = d.substr(0, share);
        if (root.size() <= server + 1)
            return "";
        return root + "\\" + kFolderName;
    }
    return "";
}

std::string TimeShiftSegmentFile(const std::string& folder, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "shift%05d.mpg", number);
    return folder + "\\" + name;
}

bool IsTimeShiftSegmentName(const std::string& name) {
    if (name.size() != 14 || name.compare(0, 5, "shift") != 0)
        return false;
    for (size_t i = 5; i < 10; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    return name.compare(10, 4, ".mpg") == 0;
}

bool RecordKeepsBuffer(int recordFormat) {
    return recordFormat == 0;
}

int64_t TimeShiftCapacityMs(long minutes) {
    if (minutes <= 0)
        return 0;
    return std::min<int64_t>(minutes, kMostMinutes) * 60 * 1000;
}

} // namespace tunaro
