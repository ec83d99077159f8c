// The card bus component of the capture card's driver, as its SDK gives it: an in-process COM
// server whose manager hands out the card's bus device, which in turn gives I2C access to the
// chips on the card. Only the methods the suite calls have names; the others keep their place
// in the vtable.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace tunaro {

// {B8A9279E-C453-11D4-AD45-0060080BA634}: the manager object.
inline constexpr GUID kClsidCardBusManager = {
    0xb8a9279e, 0xc453, 0x11d4, {0xad, 0x45, 0x00, 0x60, 0x08, 0x0b, 0xa6, 0x34}};
// {B8A9279D-C453-11D4-AD45-0060080BA634}
inline constexpr GUID kIidCardBusManager = {
    0xb8a9279d, 0xc453, 0x11d4, {0xad, 0x45, 0x00, 0x60, 0x08, 0x0b, 0xa6, 0x34}};
// {B8A9279F-C453-11D4-AD45-0060080BA634}
inline constexpr GUID kIidCardBusDevice = {
    0xb8a9279f, 0xc453, 0x11d4, {0xad, 0x45, 0x00, 0x60, 0x08, 0x0b, 0xa6, 0x34}};
// {B50FC4B0-CD0E-11D4-AD5D-0060080BA634}
inline constexpr GUID kIidCardBusI2c = {
    0xb50fc4b0, 0xcd0e, 0x11d4, {0xad, 0x5d, 0x00, 0x60, 0x08, 0x0b, 0xa6, 0x34}};

// Slots count from QueryInterface (0).
struct ICardBusManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    // Slot 7: how many bus devices there are; the caller presets -1, a negative value after the
    // call means none.
    virtual HRESULT STDMETHODCALLTYPE CountDevices(LONG* count) = 0;
    // Slot 8: the device at an index, as an object to query for ICardBusDevice.
    virtual HRESULT STDMETHODCALLTYPE GetDevice(LONG index, IUnknown** device) = 0;
};

struct ICardBusDevice : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved18() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved20() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved21() = 0;
    // Slot 22: a new I2C access object, to query for ICardBusI2c.
    virtual HRESULT STDMETHODCALLTYPE CreateI2c(IUnknown** i2c) = 0;
};

struct ICardBusI2c : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    // Slot 8: the 8-bit slave address of the next transfers (bit 0 set for reads).
    virtual HRESULT STDMETHODCALLTYPE SetSlaveAddress(LONG address) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    // Slot 10: the bus timing of the next transfers (the scheduler passes 300).
    virtual HRESULT STDMETHODCALLTYPE SetBusTiming(LONG timing) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    // Slot 12: the transfer mode (the scheduler passes 0).
    virtual HRESULT STDMETHODCALLTYPE SetTransferMode(LONG mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    // Slot 14: reads up to length bytes from the slave; count receives how many were read.
    virtual HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, LONG length, LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    // Slot 17: writes length bytes to the slave; count receives how many were taken.
    virtual HRESULT STDMETHODCALLTYPE Write(const BYTE* buffer, LONG length, LONG* count) = 0;
};

} // namespace tunaro
