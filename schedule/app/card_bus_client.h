// The scheduler's use of the card bus component: the card's bus device, byte transfers to a
// chip on its I2C bus, and the wake-up clock on that bus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/raii.h"
#include "platform/include/card_bus.h"
#include "schedule/wake_clock.h"

namespace tunaro {

class CardBusClient {
public:
    CardBusClient() = default;
    CardBusClient(const CardBusClient&) = delete;
    CardBusClient& operator=(const CardBusClient&) = delete;
    ~CardBusClient() { Close(); }

    // Creates the component and takes its first bus device; false when the component or the
    // device is missing (every transfer is then a no-op that fails).
    bool Open();
    void Close();
    bool HasDevice() const { return static_cast<bool>(m_device); }

    // One transfer to or from the chip at an 8-bit slave address; true when every byte went.
    bool Write(std::uint8_t address, const std::uint8_t* data, LONG length);
    bool Read(std::uint8_t address, std::uint8_t* data, LONG length);

private:
    ComPtr<ICardBusI2c> I2c(std::uint8_t address);

    bool m_comStarted = false;
    ComPtr<ICardBusManager> m_manager;
    ComPtr<ICardBusDevice> m_device;
};

// Brings the wake-up clock to the PC's local time and clears its alarm flags.
bool SynchroniseWakeClock(CardBusClient& bus);
// Writes a whole register image (time, alarms, control, status) from register 0 on.
bool WriteWakeClock(CardBusClient& bus, const WakeClockRegisters& registers);

} // namespace tunaro
