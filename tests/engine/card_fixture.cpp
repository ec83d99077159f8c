// The shared fixture of the engine tests against the simulated card.
#include "tests/engine/card_fixture.h"

#include "engine/dshow_util.h"
#include "tests/platform/media_check.h"
#include "tests/support/e2e.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace enginetest {

using namespace tunaro;

bool VideoDeviceListed(const char* namePart) {
    bool found = false;
    ForEachDevice(CLSID_VideoInputDeviceCategory, [&](IMoniker*, bool hasName, const std::string& name) {
        found = found || (hasName && name.find(namePart) != std::string::npos);
        return true;
    });
    return found;
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
}

SimCardDriver::SimCardDriver() : m_dll(LoadLibraryA((e2e::SystemDir() + "\\simcard.dll").c_str())) {}

SimCardDriver::~SimCardDriver() {
    if (m_dll)
        FreeLibrary(m_dll);
}

bool SimCardDriver::Call(const char* entry) const {
    using Entry = HRESULT(WINAPI*)();
    const auto call =
        m_dll ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(m_dll, entry))) : nullptr;
    return call && SUCCEEDED(call());
}

SimCardFamily::SimCardFamily(const char* family) {
    m_ini = e2e::SimCardPath();
    m_previous = e2e::IniString(m_ini, "Config", "Family", "SAA7134");
    m_switched = Apply(family);
}

SimCardFamily::~SimCardFamily() {
    if (m_switched)
        Apply(m_previous);
}

bool SimCardFamily::Apply(const std::string& family) {
    WritePrivateProfileStringA("Config", "Family", family.c_str(), m_ini.c_str());
    return m_driver.Call("DllRegisterServer");
}

SimCardSoundClock::SimCardSoundClock(int ppm) {
    m_ini = e2e::SimCardPath();
    WritePrivateProfileStringA("Config", "SoundClockPpm", std::to_string(ppm).c_str(), m_ini.c_str());
    WritePrivateProfileStringA("Config", "SyncMarks", "1", m_ini.c_str());
    m_applied = m_driver.Call("SimCardReset");
}

SimCardSoundClock::~SimCardSoundClock() {
    WritePrivateProfileStringA("Config", "SoundClockPpm", nullptr, m_ini.c_str());
    WritePrivateProfileStringA("Config", "SyncMarks", nullptr, m_ini.c_str());
    m_driver.Call("SimCardReset");
}

void ExpectInSync(const std::string& file, size_t marks) {
    std::string report;
    const std::vector<double> offsets = mediacheck::SyncOffsets(file, &report);
    EXPECT_GE(offsets.size(), marks) << file << ": " << report;
    bool inSync = offsets.size() >= marks;
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_NEAR(offsets[i], 0, 40) << file << ": the sound's offset at mark " << i << " (ms)";
        inSync = inSync && std::fabs(offsets[i]) <= 40;
    }
    // A file out of sync is kept with the test's logs, to be measured again.
    const char* logs = std::getenv("TUNARO_TEST_LOGS");
    if (!inSync && logs && *logs) {
        const std::string kept =
            std::string("Z:") + logs + "/unsynced-" + file.substr(file.find_last_of('\\') + 1);
        CreateDirectoryA((std::string("Z:") + logs).c_str(), nullptr);
        std::printf("kept as %s: %s\n", kept.c_str(),
                    CopyFileA(file.c_str(), kept.c_str(), FALSE) ? "yes" : "no");
    }
}

void CardTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(m_com.result()));
    if (!VideoDeviceListed("Ph7134 Video"))
        GTEST_SKIP() << "the prefix has no simulated SAA7134 card";
    m_previous = SetEngineReporter(&m_reporter);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "EngineCardTestOwner";
    RegisterClassA(&wc);
    m_owner = CreateWindowA(wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 720, 576,
                            nullptr, nullptr, wc.hInstance, nullptr);
}

void CardTest::TearDown() {
    if (m_previous)
        SetEngineReporter(m_previous);
    if (m_owner)
        DestroyWindow(m_owner);
}

} // namespace enginetest
