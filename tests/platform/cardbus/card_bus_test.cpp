// CardBus.dll as the scheduler uses it: the manager's device count and device, an I2C object
// per transfer, the clock's registers written and read back through the register pointer and
// kept in simcard.ini beside the card's own sections, time that passes between uses, and the
// addresses nothing answers on.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/include/card_bus.h"
#include "platform/simcard/clock_chip.h"
#include "platform/simcard/simcard_ini.h"

namespace {

using tunaro::ICardBusDevice;
using tunaro::ICardBusI2c;
using tunaro::ICardBusManager;

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/"));
}

class CardBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, tmp);
        m_ini = std::string(tmp) + "card_bus_test_" + std::to_string(GetCurrentProcessId()) + ".ini";
        ASSERT_TRUE(simcard::WriteSimcardIni(
            m_ini, "[Config]\r\nFamily=CX2388X\r\n[State]\r\nFrequency=55250000\r\n"));
        SetEnvironmentVariableA("TUNARO_SIMCARD_INI", m_ini.c_str());
        m_module = LoadLibraryA((ExeDir() + "\\CardBus.dll").c_str());
        ASSERT_NE(m_module, nullptr);
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
        ASSERT_NE(get, nullptr);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(get(tunaro::kClsidCardBusManager, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, tunaro::kIidCardBusManager,
                                          reinterpret_cast<void**>(&m_manager)),
                  S_OK);
        factory->Release();

        LONG count = -1;
        ASSERT_EQ(m_manager->CountDevices(&count), S_OK);
        ASSERT_EQ(count, 1);
        IUnknown* object = nullptr;
        EXPECT_EQ(m_manager->GetDevice(1, &object), E_INVALIDARG);
        EXPECT_EQ(object, nullptr);
        ASSERT_EQ(m_manager->GetDevice(0, &object), S_OK);
        ASSERT_EQ(object->QueryInterface(tunaro::kIidCardBusDevice, reinterpret_cast<void**>(&m_device)),
                  S_OK);
        object->Release();
    }

    void TearDown() override {
        if (m_device)
            m_device->Release();
        if (m_manager)
            m_manager->Release();
        if (m_module) {
            auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
            EXPECT_EQ(canUnload(), S_OK) << "an object of the component is still alive";
            FreeLibrary(m_module);
        }
        SetEnvironmentVariableA("TUNARO_SIMCARD_INI", nullptr);
        DeleteFileA(m_ini.c_str());
    }

    // One transfer as the scheduler makes it: a fresh I2C object, address, timing and mode set.
    HRESULT Transfer(LONG address, bool read, BYTE* data, LONG length, LONG* moved) {
        IUnknown* object = nullptr;
        HRESULT hr = m_device->CreateI2c(&object);
        if (FAILED(hr))
            return hr;
        ICardBusI2c* i2c = nullptr;
        hr = object->QueryInterface(tunaro::kIidCardBusI2c, reinterpret_cast<void**>(&i2c));
        object->Release();
        if (FAILED(hr))
            return hr;
        i2c->SetSlaveAddress(address);
        i2c->SetBusTiming(300);
        i2c->SetTransferMode(0);
        hr = read ? i2c->Read(data, length, moved) : i2c->Write(data, length, moved);
        i2c->Release();
        return hr;
    }

    std::string Section(const char* name, const char* key) {
        for (const auto& e : simcard::ReadIniSection(simcard::ReadSimcardIni(m_ini), name))
            if (e.first == key)
                return e.second;
        return "";
    }

    std::string m_ini;
    HMODULE m_module = nullptr;
    ICardBusManager* m_manager = nullptr;
    ICardBusDevice* m_device = nullptr;
};

TEST_F(CardBusTest, TheClocksRegistersAreWrittenAndReadBackThroughThePointer) {
    BYTE image[17] = {0x00, 0x56, 0x34, 0x12, 0x03, 0x08, 0x12, 0x26, 0x00,
                      0x25, 0x06, 0x49, 0x80, 0x80, 0x80, 0x01, 0x00};
    LONG moved = 0;
    ASSERT_EQ(Transfer(0xD0, false, image, 17, &moved), S_OK);
    EXPECT_EQ(moved, 17);
    // What was written, as of now; the card's own sections are still there.
    EXPECT_EQ(Section("Clock", "Registers"), "56341203081226002506498080800100");
    EXPECT_EQ(Section("Config", "Family"), "CX2388X");
    EXPECT_EQ(Section("State", "Frequency"), "55250000");

    // The pointer to alarm 1, then its four registers from the read address.
    BYTE pointer = 0x07;
    ASSERT_EQ(Transfer(0xD0, false, &pointer, 1, &moved), S_OK);
    BYTE alarm[4] = {};
    ASSERT_EQ(Transfer(0xD1, true, alarm, 4, &moved), S_OK);
    EXPECT_EQ(moved, 4);
    EXPECT_EQ(alarm[0], 0x00);
    EXPECT_EQ(alarm[1], 0x25);
    EXPECT_EQ(alarm[2], 0x06);
    EXPECT_EQ(alarm[3], 0x49);
    EXPECT_EQ(Section("Clock", "Pointer"), "11");
}

TEST_F(CardBusTest, TheClockKeepsTimeBetweenUses) {
    // 2026-12-08 12:34:56, a Tuesday.
    BYTE image[8] = {0x00, 0x56, 0x34, 0x12, 0x03, 0x08, 0x12, 0x26};
    LONG moved = 0;
    ASSERT_EQ(Transfer(0xD0, false, image, 8, &moved), S_OK);
    // As if the computer had been off for a day, an hour, a minute and a second.
    const long long setAt = std::stoll(Section("Clock", "SetAt"));
    ASSERT_TRUE(simcard::WriteSimcardIniSection(m_ini, "Clock",
                                                {{"Registers", Section("Clock", "Registers")},
                                                 {"Pointer", "0"},
                                                 {"SetAt", std::to_string(setAt - 90061000LL)}}));
    BYTE now[7] = {};
    ASSERT_EQ(Transfer(0xD1, true, now, 7, &moved), S_OK);
    EXPECT_EQ(now[1], 0x35);
    EXPECT_EQ(now[2], 0x13);
    EXPECT_EQ(now[3], 0x04);
    EXPECT_EQ(now[4], 0x09);
    EXPECT_EQ(now[5], 0x12);
    EXPECT_EQ(now[6], 0x26);
    // A second or two of the test's own may have passed as well.
    EXPECT_GE(now[0], 0x57);
    EXPECT_LE(now[0], 0x59);
}

TEST_F(CardBusTest, NothingAnswersElsewhereAndTheDirectionMustMatchTheAddress) {
    const std::string before = simcard::ReadSimcardIni(m_ini);
    BYTE data[2] = {0x00, 0x12};
    LONG moved = -1;
    EXPECT_EQ(Transfer(0xA0, false, data, 2, &moved), E_FAIL);
    EXPECT_EQ(moved, 0);
    moved = -1;
    EXPECT_EQ(Transfer(0xD0, true, data, 2, &moved), E_INVALIDARG);
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(Transfer(0xD1, false, data, 2, &moved), E_INVALIDARG);
    EXPECT_EQ(simcard::ReadSimcardIni(m_ini), before);
}

} // namespace
