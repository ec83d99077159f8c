// Card bus transfers through the driver's COM component, and the wake-up clock's
// synchronisation and register writes over them.
#include "schedule/app/card_bus_client.h"

#include "schedule/task_time.h"
#include "framework/debug_print.h"

namespace tunaro {
namespace {

// What the scheduler sets on the I2C object before each transfer.
constexpr LONG kBusTiming = 300;
constexpr LONG kTransferMode = 0;
// The chip settles between the read and the write of a synchronisation.
constexpr DWORD kClockSettleMs = 200;

} // namespace

bool CardBusClient::Open() {
    Close();
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    m_comStarted = SUCCEEDED(init);
    HRESULT hr = CoCreateInstance(kClsidCardBusManager, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                  kIidCardBusManager, reinterpret_cast<void**>(m_manager.Receive()));
    if (FAILED(hr)) {
        TUNARO_TRACE("Schedule: no card bus component (%lx)", static_cast<unsigned long>(hr));
        return false;
    }
    LONG count = -1;
    m_manager->CountDevices(&count);
    if (count < 0) {
        TUNARO_TRACE("Schedule: the card bus has no device");
        return false;
    }
    ComPtr<IUnknown> object;
    hr = m_manager->GetDevice(0, object.Receive());
    if (FAILED(hr) || !object) {
        return false;
    }
    object->QueryInterface(kIidCardBusDevice, reinterpret_cast<void**>(m_device.Receive()));
    return HasDevice();
}

void CardBusClient::Close() {
    m_device = nullptr;
    m_manager = nullptr;
    if (m_comStarted) {
        CoUninitialize();
        m_comStarted = false;
    }
}

ComPtr<ICardBusI2c> CardBusClient::I2c(std::uint8_t address) {
    ComPtr<ICardBusI2c> i2c;
    if (!m_device) {
        return i2c;
    }
    ComPtr<IUnknown> object;
    if (FAILED(m_device->CreateI2c(object.Receive())) || !object) {
        return i2c;
    }
    object->QueryInterface(kIidCardBusI2c, reinterpret_cast<void**>(i2c.Receive()));
    if (i2c) {
        i2c->SetSlaveAddress(address);
        i2c->SetBusTiming(kBusTiming);
        i2c->SetTransferMode(kTransferMode);
    }
    return i2c;
}

bool CardBusClient::Write(std::uint8_t address, const std::uint8_t* data, LONG length) {
    ComPtr<ICardBusI2c> i2c = I2c(address);
    if (!i2c) {
        return false;
    }
    LONG count = 0;
    return SUCCEEDED(i2c->Write(data, length, &count)) && count == length;
}

bool CardBusClient::Read(std::uint8_t address, std::uint8_t* data, LONG length) {
    ComPtr<ICardBusI2c> i2c = I2c(address);
    if (!i2c) {
        return false;
    }
    LONG count = 0;
    return SUCCEEDED(i2c->Read(data, length, &count)) && count == length;
}

bool SynchroniseWakeClock(CardBusClient& bus) {
    if (!bus.HasDevice()) {
        return false;
    }
    const std::uint8_t pointer = 0x00;
    WakeClockRegisters read{};
    if (!bus.Write(kWakeClockWriteAddress, &pointer, 1) ||
        !bus.Read(kWakeClockReadAddress, read.data(), LONG(read.size()))) {
        TUNARO_TRACE("Schedule: the wake-up clock cannot be read");
        return false;
    }
    Sleep(kClockSettleMs);
    // The time is taken after the pause, so the clock is set to the moment it is written.
    return WriteWakeClock(bus, SynchronisedWakeClock(read, SystemTaskClock().LocalNow()));
}

bool WriteWakeClock(CardBusClient& bus, const WakeClockRegisters& registers) {
    std::uint8_t transfer[1 + kWakeClockRegisterCount];
    transfer[0] = 0x00; // register pointer
    for (std::size_t i = 0; i < kWakeClockRegisterCount; ++i) {
        transfer[1 + i] = registers[i];
    }
    return bus.Write(kWakeClockWriteAddress, transfer, LONG(sizeof(transfer)));
}

} // namespace tunaro
