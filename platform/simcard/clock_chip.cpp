// The clock chip's registers: transfers through the register pointer, the time counting on in
// BCD, alarm 1 and the chip's place in simcard.ini.
#include "platform/simcard/clock_chip.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/simcard/simcard_ini.h"

namespace simcard {
namespace {

constexpr const char kSection[] = "Clock";
constexpr std::int64_t kDaySeconds = 86400;
// Beyond this gap every alarm that can match at all has matched at least once.
constexpr std::int64_t kAlarmScanLimitSeconds = 400 * kDaySeconds;
constexpr std::uint8_t kAlarmMask = 0x80;
constexpr std::uint8_t kAlarmDayIsWeekday = 0x40;

int FromBcd(std::uint8_t v) {
    return (v >> 4) * 10 + (v & 0x0F);
}

std::uint8_t ToBcd(int v) {
    return std::uint8_t(((v / 10) % 10) << 4 | (v % 10));
}

// Days since 2000-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 730425; // 730425: days from 0000-03-01 to 2000-01-01
}

void CivilFromDays(std::int64_t days, int& y, int& m, int& d) {
    days += 730425;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int doe = int(days - era * 146097);
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(yoe + era * 400) + (m <= 2);
}

int DaysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// The time the registers hold, made valid where they hold nonsense.
struct ChipTime {
    std::int64_t seconds; // since 2000-01-01 00:00:00
    int weekday;          // 1..7, counted on at every midnight
};

ChipTime Decode(const ClockRegisters& r) {
    int s = FromBcd(r[0] & 0x7F), mi = FromBcd(r[1] & 0x7F), h = FromBcd(r[2] & 0x3F);
    int wd = r[3] & 0x07, d = FromBcd(r[4] & 0x3F), mo = FromBcd(r[5] & 0x1F), y = 2000 + FromBcd(r[6]);
    if (s > 59)
        s = 0;
    if (mi > 59)
        mi = 0;
    if (h > 23)
        h = 0;
    if (wd < 1)
        wd = 1;
    if (mo < 1 || mo > 12)
        mo = 1;
    if (d < 1 || d > DaysInMonth(y, mo))
        d = 1;
    return {DaysFromCivil(y, mo, d) * kDaySeconds + h * 3600 + mi * 60 + s, wd};
}

void Encode(ClockRegisters& r, std::int64_t seconds, int weekday) {
    const std::int64_t days = seconds / kDaySeconds;
    const int daySecond = int(seconds % kDaySeconds);
    int y = 0, mo = 0, d = 0;
    CivilFromDays(days, y, mo, d);
    // Bits the fields leave free are kept.
    r[0] = std::uint8_t((r[0] & 0x80) | ToBcd(daySecond % 60));
    r[1] = std::uint8_t((r[1] & 0x80) | ToBcd(daySecond / 60 % 60));
    r[2] = std::uint8_t((r[2] & 0xC0) | ToBcd(daySecond / 3600));
    r[3] = std::uint8_t((r[3] & 0xF8) | weekday);
    r[4] = std::uint8_t((r[4] & 0xC0) | ToBcd(d));
    r[5] = std::uint8_t((r[5] & 0xE0) | ToBcd(mo));
    r[6] = ToBcd((y - 2000) % 100);
}

bool FieldMatches(std::uint8_t alarm, std::uint8_t fieldMask, int value) {
    return (alarm & kAlarmMask) != 0 || FromBcd(std::uint8_t(alarm & fieldMask)) == value;
}

// Whether alarm 1's minute, hour and day match a minute of the chip's time.
bool AlarmMinuteMatches(const ClockRegisters& r, std::int64_t minuteStart, int weekday) {
    const int daySecond = int(minuteStart % kDaySeconds);
    if (!FieldMatches(r[8], 0x7F, daySecond / 60 % 60) || !FieldMatches(r[9], 0x3F, daySecond / 3600))
        return false;
    const std::uint8_t day = r[10];
    if ((day & kAlarmMask) != 0)
        return true;
    if ((day & kAlarmDayIsWeekday) != 0)
        return (day & 0x0F) == weekday;
    int y = 0, mo = 0, d = 0;
    CivilFromDays(minuteStart / kDaySeconds, y, mo, d);
    return FromBcd(day & 0x3F) == d;
}

int WeekdayAfter(int weekday, std::int64_t fromSeconds, std::int64_t toSeconds) {
    const std::int64_t days = toSeconds / kDaySeconds - fromSeconds / kDaySeconds;
    return int((weekday - 1 + days % 7 + 7) % 7) + 1;
}

} // namespace

ClockChip::ClockChip() : registers{} {
    registers[3] = 7; // 2000-01-01 was a Saturday
    registers[4] = 0x01;
    registers[5] = 0x01;
}

void ClockChip::Write(const std::uint8_t* data, std::size_t length) {
    if (length == 0)
        return;
    pointer = std::uint8_t(data[0] % kClockRegisterCount);
    for (std::size_t i = 1; i < length; ++i) {
        registers[pointer] = data[i];
        pointer = std::uint8_t((pointer + 1) % kClockRegisterCount);
    }
}

void ClockChip::Read(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        data[i] = registers[pointer];
        pointer = std::uint8_t((pointer + 1) % kClockRegisterCount);
    }
}

bool ClockAlarm1Matches(const ClockRegisters& r) {
    const ChipTime t = Decode(r);
    const int second = int(t.seconds % 60);
    return FieldMatches(r[7], 0x7F, second) && AlarmMinuteMatches(r, t.seconds - second, t.weekday);
}

void ClockChip::Advance(std::int64_t seconds) {
    if (seconds <= 0)
        return;
    const ChipTime from = Decode(registers);
    const std::int64_t to = from.seconds + seconds;

    bool fired = false;
    if (seconds > kAlarmScanLimitSeconds) {
        fired = true;
    } else {
        // Minute by minute: in a matching minute the alarm goes off at its second (or at every
        // second when the seconds are masked); the moment counts when it lies in (from, to].
        for (std::int64_t minute = from.seconds - from.seconds % 60; minute <= to && !fired; minute += 60) {
            if (!AlarmMinuteMatches(registers, minute, WeekdayAfter(from.weekday, from.seconds, minute)))
                continue;
            std::int64_t first = minute;
            std::int64_t last = minute + 59;
            if ((registers[7] & kAlarmMask) == 0)
                first = last = minute + FromBcd(registers[7] & 0x7F);
            if (first <= from.seconds)
                first = from.seconds + 1;
            if (last > to)
                last = to;
            fired = first <= last;
        }
    }
    Encode(registers, to, WeekdayAfter(from.weekday, from.seconds, to));
    if (fired)
        registers[kClockStatusRegister] |= kClockAlarm1Flag;
}

std::string ClockRegistersToHex(const ClockRegisters& registers) {
    std::string text;
    char two[3];
    for (std::uint8_t b : registers) {
        std::snprintf(two, sizeof two, "%02X", b);
        text += two;
    }
    return text;
}

bool ClockRegistersFromHex(const std::string& text, ClockRegisters& registers) {
    if (text.size() != 2 * kClockRegisterCount)
        return false;
    ClockRegisters r{};
    for (std::size_t i = 0; i < kClockRegisterCount; ++i) {
        const std::string two = text.substr(2 * i, 2);
        char* end = nullptr;
        const unsigned long v = std::strtoul(two.c_str(), &end, 16);
        if (end != two.c_str() + 2)
            return false;
        r[i] = std::uint8_t(v);
    }
    registers = r;
    return true;
}

std::int64_t ClockNowMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const std::int64_t ticks = (std::int64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return ticks / 10000 - 11644473600000LL; // 100 ns since 1601 to ms since 1970
}

namespace {

// The chip as the file keeps it, brought to the present.
ClockChip LoadChip(const std::string& text, std::int64_t nowMs, std::int64_t& setAtMs) {
    ClockChip chip;
    setAtMs = nowMs;
    for (const auto& e : ReadIniSection(text, kSection)) {
        if (e.first == "Registers")
            ClockRegistersFromHex(e.second, chip.registers);
        else if (e.first == "Pointer")
            chip.pointer = std::uint8_t(std::strtoul(e.second.c_str(), nullptr, 10) % kClockRegisterCount);
        else if (e.first == "SetAt")
            setAtMs = std::strtoll(e.second.c_str(), nullptr, 10);
    }
    // The part of a second that has not yet counted stays with SetAt.
    if (nowMs > setAtMs) {
        const std::int64_t whole = (nowMs - setAtMs) / 1000;
        chip.Advance(whole);
        setAtMs += whole * 1000;
    }
    return chip;
}

bool Transfer(bool write, std::uint8_t* data, std::size_t length) {
    const std::string path = SimcardIniPath();
    SimcardIniLock lock;
    const std::string text = ReadSimcardIni(path);
    std::int64_t setAtMs = 0;
    const std::int64_t nowMs = ClockNowMs();
    ClockChip chip = LoadChip(text, nowMs, setAtMs);
    if (write) {
        chip.Write(data, length);
        // Time registers written now are right as of now.
        if (length > 1 && data[0] < 7)
            setAtMs = nowMs;
    } else {
        chip.Read(data, length);
    }
    const IniEntries entries = {{"Registers", ClockRegistersToHex(chip.registers)},
                                {"Pointer", std::to_string(chip.pointer)},
                                {"SetAt", std::to_string(setAtMs)}};
    return WriteSimcardIni(path, ReplaceIniSection(text, kSection, entries));
}

} // namespace

bool ClockChipWrite(const std::uint8_t* data, std::size_t length) {
    return Transfer(true, const_cast<std::uint8_t*>(data), length);
}

bool ClockChipRead(std::uint8_t* data, std::size_t length) {
    return Transfer(false, data, length);
}

} // namespace simcard
