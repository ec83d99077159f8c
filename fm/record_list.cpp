// The FM program's timed-recording list: its file, its plan check and its once-a-second rule.
#include "fm/record_list.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tunaro::fm {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

bool StartsWithNoCase(const char* line, const char* key) {
    for (; *key; ++line, ++key)
        if (std::tolower(static_cast<unsigned char>(*line)) != std::tolower(static_cast<unsigned char>(*key)))
            return false;
    return true;
}

// The longest line the reader takes; the rest of a longer line is read as lines of its own,
// the way a fixed line buffer reads it.
constexpr std::size_t kLineChars = 254;
// The file-name key as written, and without its blank for a name that fills the line.
constexpr char kFileKey[] = "File: ";
constexpr char kFileKeyTight[] = "File:";

} // namespace

std::int64_t ToSeconds(const CivilTime& t) {
    // Months beyond 1..12 carry into the year; days, hours, minutes and seconds carry as counts.
    const std::int64_t monthIndex =
        static_cast<std::int64_t>(t.year) * 12 + (static_cast<std::int64_t>(t.month) - 1);
    const std::int64_t year = FloorDiv(monthIndex, 12);
    const int month = static_cast<int>(monthIndex - year * 12) + 1;
    const std::int64_t days = DaysFromCivil(year, month, 1) + (static_cast<std::int64_t>(t.day) - 1);
    return days * 86400 + static_cast<std::int64_t>(t.hour) * 3600 +
           static_cast<std::int64_t>(t.minute) * 60 + t.second;
}

CivilTime FromSeconds(std::int64_t seconds) {
    const std::int64_t days = FloorDiv(seconds, 86400);
    const std::int64_t rest = seconds - days * 86400;
    // Civil date from a day count.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

bool IsSafeRecordingName(const std::string& name) {
    if (name.empty())
        return false;
    if (name.find_first_of("\\/:") != std::string::npos)
        return false;
    if (name.find("..") != std::string::npos)
        return false;
    for (unsigned char c : name)
        if (c < 0x20)
            return false;
    return true;
}

RecordListFile ParseRecordList(const std::string& text) {
    RecordListFile result;
    TimedRecording pending;
    bool havePending = false;
    auto finish = [&]() {
        if (!havePending)
            return;
        if (IsSafeRecordingName(pending.fileName))
            result.entries.push_back(pending);
        else
            result.refusedNames.push_back(pending.fileName);
        havePending = false;
    };

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        if (end - pos > kLineChars) {
            end = pos + kLineChars;
            next = end;
        }
        std::string line = text.substr(pos, end - pos);
        pos = next;
        const std::size_t cut = line.find(';');
        if (cut != std::string::npos)
            line.resize(cut);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();

        const char* p = line.c_str();
        if (StartsWithNoCase(p, "StartTime:")) {
            finish();
            pending = TimedRecording();
            havePending = true;
            CivilTime t;
            int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
            if (std::sscanf(p + 10, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6) {
                t = CivilTime{y, mo, d, h, mi, s};
                pending.start = ToSeconds(t);
            }
        } else if (StartsWithNoCase(p, "RecLen:")) {
            pending.length = static_cast<std::int32_t>(std::atoi(p + 7));
        } else if (StartsWithNoCase(p, "Chan:")) {
            pending.channel = static_cast<std::int32_t>(std::atoi(p + 5));
        } else if (StartsWithNoCase(p, "File:")) {
            const char* v = p + 5;
            while (*v == ' ' || *v == '\t')
                ++v;
            pending.fileName = v;
            // Trailing blanks are not part of a file name anyone means.
            while (!pending.fileName.empty() &&
                   (pending.fileName.back() == ' ' || pending.fileName.back() == '\t'))
                pending.fileName.pop_back();
        }
    }
    finish();
    return result;
}

std::string FormatRecordList(const std::vector<TimedRecording>& entries) {
    std::string out;
    char line[64];
    for (const TimedRecording& e : entries) {
        const CivilTime t = FromSeconds(e.start);
        std::snprintf(line, sizeof line, "StartTime: %04d-%02d-%02d %02d:%02d:%02d\n", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        out += line;
        std::snprintf(line, sizeof line, "RecLen: %ld\n", static_cast<long>(e.length));
        out += line;
        std::snprintf(line, sizeof line, "Chan: %ld\n", static_cast<long>(e.channel));
        out += line;
        // The longest name the reader takes fills its line without the blank after the key;
        // written with it, its last character would be cut off on the next read.
        const bool fits = sizeof kFileKey - 1 + e.fileName.size() <= kLineChars;
        out += (fits ? kFileKey : kFileKeyTight) + e.fileName + "\n";
    }
    return out;
}

void SortByStart(std::vector<TimedRecording>& entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TimedRecording& a, const TimedRecording& b) { return a.start < b.start; });
}

bool PlanFits(const std::vector<TimedRecording>& entries, std::int64_t start, std::int64_t end,
              std::int64_t now) {
    if (start <= now || end <= start)
        return false;
    const std::int64_t length = end - start;
    if (length < kShortestRecording || length > kLongestRecording)
        return false;
    for (const TimedRecording& e : entries)
        if (start < e.End() && e.start < end)
            return false;
    return true;
}

std::string PlannedRecordingName(std::int64_t start, std::int64_t end) {
    const CivilTime t = FromSeconds(start);
    char text[48];
    std::snprintf(text, sizeof text, "%02d%02d%02d-%02d%02d%02d-%ld", t.year % 100, t.month, t.day, t.hour,
                  t.minute, t.second, static_cast<long>((end - start) / 60 % 60));
    return text;
}

TimedDecision CheckTimedRecordings(std::vector<TimedRecording>& entries, std::int64_t now, bool recording) {
    TimedDecision decision;
    // Entries whose time has gone by without being recorded leave the list (a running recording
    // keeps the first entry, its own, until it stops), so none of them holds up the rest.
    auto dropEnded = [&](std::size_t keep) {
        const auto from = entries.begin() + static_cast<std::ptrdiff_t>(std::min(keep, entries.size()));
        const auto gone =
            std::remove_if(from, entries.end(), [now](const TimedRecording& e) { return e.End() <= now; });
        decision.dropped += static_cast<int>(entries.end() - gone);
        entries.erase(gone, entries.end());
    };
    if (!recording)
        dropEnded(0);
    if (entries.empty())
        return decision;
    const TimedRecording& first = entries.front();
    if (first.start - kStartLeadSeconds <= now && now <= first.start) {
        if (!recording) {
            decision.action = TimedAction::Start;
            decision.entry = first;
        }
        return decision;
    }
    if (recording && now >= first.End()) {
        decision.action = TimedAction::Stop;
        decision.entry = first;
        entries.erase(entries.begin());
        dropEnded(0);
    } else if (recording) {
        dropEnded(1);
    }
    return decision;
}

} // namespace tunaro::fm
