// The card's real-time clock chip: sixteen registers (BCD time and date, two alarms, control
// and status) behind a register pointer on the card's I2C bus. The chip keeps time while the
// computer is off, so its registers are kept with the moment they were last right and are
// brought forward to the present whenever the chip is used.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace simcard {

constexpr std::size_t kClockRegisterCount = 16;
// The chip's slave addresses on the bus: writes and reads.
constexpr std::uint8_t kClockWriteAddress = 0xD0;
constexpr std::uint8_t kClockReadAddress = 0xD1;
// Status register and its alarm 1 flag.
constexpr std::size_t kClockStatusRegister = 0x0F;
constexpr std::uint8_t kClockAlarm1Flag = 0x01;

using ClockRegisters = std::array<std::uint8_t, kClockRegisterCount>;

// The chip as the bus sees it.
struct ClockChip {
    // What a chip holds when first powered: 2000-01-01 00:00:00, a Saturday; no alarm.
    ClockChip();

    ClockRegisters registers;
    std::uint8_t pointer = 0;

    // A write transfer: the first byte sets the register pointer, the bytes after it are
    // stored from there on (the pointer wraps from 0x0F to 0x00).
    void Write(const std::uint8_t* data, std::size_t length);
    // A read transfer: registers from the pointer on, the pointer moving past them.
    void Read(std::uint8_t* data, std::size_t length);
    // Lets the given number of seconds pass: the time registers count on (a day, a month or a
    // year rolls over as a calendar does) and the alarm 1 flag is raised when the alarm's time
    // came in between.
    void Advance(std::int64_t seconds);
};

// Whether alarm 1 matches the time the registers hold now (its mask bits considered).
bool ClockAlarm1Matches(const ClockRegisters& registers);

// Registers as 32 hexadecimal digits, register 0x00 first, and back (false on anything else).
std::string ClockRegistersToHex(const ClockRegisters& registers);
bool ClockRegistersFromHex(const std::string& text, ClockRegisters& registers);

// Milliseconds since 1970-01-01 UTC, now.
std::int64_t ClockNowMs();

// The chip kept in the card's file (section [Clock]: Registers, Pointer, SetAt), so every
// process that reaches the card sees one chip and tests can read what was written. Each call
// loads the chip under the file's lock, brings it to the present, applies the transfer and
// stores it again; false when the file cannot be written.
bool ClockChipWrite(const std::uint8_t* data, std::size_t length);
bool ClockChipRead(std::uint8_t* data, std::size_t length);

} // namespace simcard
