// The shared fixture of the engine tests against the simulated card.
#include "tests/engine/card_fixture.h"

#include "engine/dshow_util.h"
#include "tests/support/e2e.h"

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

SimCardFamily::SimCardFamily(const char* family) {
    m_ini = e2e::SimCardPath();
    m_previous = e2e::IniString(m_ini, "Config", "Family", "SAA7134");
    m_dll = LoadLibraryA((e2e::SystemDir() + "\\simcard.dll").c_str());
    m_switched = Apply(family);
}

SimCardFamily::~SimCardFamily() {
    if (m_switched)
        Apply(m_previous);
    if (m_dll)
        FreeLibrary(m_dll);
}

bool SimCardFamily::Apply(const std::string& family) {
    using Register = HRESULT(WINAPI*)();
    const auto registerServer =
        m_dll
            ? reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(m_dll, "DllRegisterServer")))
            : nullptr;
    if (!registerServer)
        return false;
    WritePrivateProfileStringA("Config", "Family", family.c_str(), m_ini.c_str());
    return SUCCEEDED(registerServer());
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
