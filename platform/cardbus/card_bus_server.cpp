// CardBus.dll: the card bus component of the simulated card's driver. Its manager lists the
// card's one bus device; the device hands out I2C access objects, and their transfers reach the
// chips on the card's bus, of which the simulated card has the real-time clock.
#include <windows.h>

#include <cstdint>

#include "platform/include/card_bus.h"
#include "platform/simcard/clock_chip.h"
#include "platform/dshow/com_server.h"

namespace {

using tunaro::ICardBusDevice;
using tunaro::ICardBusI2c;
using tunaro::ICardBusManager;

// The part every object of the component shares: its reference count and the module's count.
template <class Interface> class Object : public Interface {
public:
    Object(REFIID iid) : m_iid(iid) { dshow::ModuleAddRef(); }
    virtual ~Object() { dshow::ModuleRelease(); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, m_iid)) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

private:
    const IID m_iid;
    LONG m_refs = 1;
};

// Methods of the driver's interfaces that the simulated card does not offer.
#define CARD_BUS_RESERVED(n)                                                                                 \
    HRESULT STDMETHODCALLTYPE Reserved##n() override {                                                       \
        return E_NOTIMPL;                                                                                    \
    }

// One I2C access: the slave address and settings of the next transfers, and the transfers.
class I2cAccess : public Object<ICardBusI2c> {
public:
    I2cAccess() : Object(tunaro::kIidCardBusI2c) {}

    CARD_BUS_RESERVED(3)
    CARD_BUS_RESERVED(4)
    CARD_BUS_RESERVED(5)
    CARD_BUS_RESERVED(6)
    CARD_BUS_RESERVED(7)
    CARD_BUS_RESERVED(9)
    CARD_BUS_RESERVED(11)
    CARD_BUS_RESERVED(13)
    CARD_BUS_RESERVED(15)
    CARD_BUS_RESERVED(16)

    HRESULT STDMETHODCALLTYPE SetSlaveAddress(LONG address) override {
        if (address < 0 || address > 0xFF)
            return E_INVALIDARG;
        m_address = address;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBusTiming(LONG timing) override {
        m_timing = timing;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTransferMode(LONG mode) override {
        m_mode = mode;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, LONG length, LONG* count) override {
        return Transfer(true, buffer, length, count);
    }
    HRESULT STDMETHODCALLTYPE Write(const BYTE* buffer, LONG length, LONG* count) override {
        return Transfer(false, const_cast<BYTE*>(buffer), length, count);
    }

private:
    HRESULT Transfer(bool read, BYTE* buffer, LONG length, LONG* count) {
        if (count == nullptr || (buffer == nullptr && length > 0) || length < 0)
            return E_POINTER;
        *count = 0;
        // Bit 0 of the address is the direction; a read at a write address (or the reverse)
        // is the caller's mistake.
        if (m_address < 0 || ((m_address & 1) != 0) != read)
            return E_INVALIDARG;
        // Only the clock answers on this card's bus: any other address is not acknowledged.
        if ((m_address & 0xFE) != simcard::kClockWriteAddress)
            return E_FAIL;
        const bool ok = read ? simcard::ClockChipRead(buffer, std::size_t(length))
                             : simcard::ClockChipWrite(buffer, std::size_t(length));
        if (!ok)
            return E_FAIL;
        *count = length;
        return S_OK;
    }

    LONG m_address = -1;
    LONG m_timing = 0;
    LONG m_mode = 0;
};

class BusDevice : public Object<ICardBusDevice> {
public:
    BusDevice() : Object(tunaro::kIidCardBusDevice) {}

    CARD_BUS_RESERVED(3)
    CARD_BUS_RESERVED(4)
    CARD_BUS_RESERVED(5)
    CARD_BUS_RESERVED(6)
    CARD_BUS_RESERVED(7)
    CARD_BUS_RESERVED(8)
    CARD_BUS_RESERVED(9)
    CARD_BUS_RESERVED(10)
    CARD_BUS_RESERVED(11)
    CARD_BUS_RESERVED(12)
    CARD_BUS_RESERVED(13)
    CARD_BUS_RESERVED(14)
    CARD_BUS_RESERVED(15)
    CARD_BUS_RESERVED(16)
    CARD_BUS_RESERVED(17)
    CARD_BUS_RESERVED(18)
    CARD_BUS_RESERVED(19)
    CARD_BUS_RESERVED(20)
    CARD_BUS_RESERVED(21)

    HRESULT STDMETHODCALLTYPE CreateI2c(IUnknown** i2c) override {
        if (i2c == nullptr)
            return E_POINTER;
        *i2c = static_cast<ICardBusI2c*>(new I2cAccess);
        return S_OK;
    }
};

class BusManager : public Object<ICardBusManager> {
public:
    BusManager() : Object(tunaro::kIidCardBusManager) {}

    CARD_BUS_RESERVED(3)
    CARD_BUS_RESERVED(4)
    CARD_BUS_RESERVED(5)
    CARD_BUS_RESERVED(6)

    // The simulated card has one bus device.
    HRESULT STDMETHODCALLTYPE CountDevices(LONG* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LONG index, IUnknown** device) override {
        if (device == nullptr)
            return E_POINTER;
        *device = nullptr;
        if (index != 0)
            return E_INVALIDARG;
        *device = static_cast<ICardBusDevice*>(new BusDevice);
        return S_OK;
    }
};

#undef CARD_BUS_RESERVED

HRESULT CreateManager(IUnknown** out) {
    *out = static_cast<ICardBusManager*>(new BusManager);
    return S_OK;
}

const dshow::ServerClass kClasses[] = {
    {{&tunaro::kClsidCardBusManager, L"Card Bus Manager", CreateManager},
     L"CardBus",
     nullptr,
     nullptr,
     nullptr},
};

} // namespace

DSHOW_SERVER_ENTRY_POINTS(kClasses)
