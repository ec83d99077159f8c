// End-to-end tests of the receiver stand-in: the installed IrRecv.dll loaded into the test as
// KeyRelay loads it, keys pressed with the installed irsend.exe, and irsend's card notifications.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <atomic>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "tests/platform/irrecv/irsend_runner.h"

namespace {

using irsend_test::Irsend;
using irsend_test::IrsendResult;
using irsend_test::IrsendRun;

constexpr int32_t kNoKey = 255;

// The receiver library as the agent uses it.
class ReceiverLibrary {
public:
    ReceiverLibrary() {
        m_module = LoadLibraryA((e2e::InstallDir() + "\\IrRecv.dll").c_str());
        if (!m_module)
            return;
        m_start = Resolve<IntFn>("Zel3in1_Start");
        m_findCard = Resolve<IntFn>("Zel3in1_FindCard");
        m_stop = Resolve<IntFn>("Zel3in1_Stop");
        m_read = Resolve<ReadFn>("Zel3in1_ReadRemote");
    }
    ~ReceiverLibrary() { Unload(); }
    ReceiverLibrary(const ReceiverLibrary&) = delete;
    ReceiverLibrary& operator=(const ReceiverLibrary&) = delete;

    bool Complete() const { return m_start && m_findCard && m_stop && m_read; }
    int Start() { return m_start(); }
    int FindCard() { return m_findCard(); }
    int Stop() { return m_stop(); }
    int32_t Read() {
        int32_t code = -1;
        m_read(&code);
        return code;
    }
    // Reads every 50 ms (pumping) until a key comes or timeoutMs passes.
    int32_t ReadUntilKey(DWORD timeoutMs) {
        int32_t code = kNoKey;
        e2e::WaitUntil(
            [&] {
                code = Read();
                if (code != kNoKey)
                    return true;
                Sleep(50);
                return false;
            },
            timeoutMs);
        return code;
    }
    void Unload() {
        if (m_module)
            FreeLibrary(m_module);
        m_module = nullptr;
    }

private:
    using IntFn = int(WINAPI*)();
    using ReadFn = int(WINAPI*)(int32_t*);
    template <class Fn> Fn Resolve(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
    }
    HMODULE m_module = nullptr;
    IntFn m_start = nullptr;
    IntFn m_findCard = nullptr;
    IntFn m_stop = nullptr;
    ReadFn m_read = nullptr;
};

// Sets the simulated card's family for the life of the object.
class CardFamily {
public:
    explicit CardFamily(const char* family) {
        m_ini = e2e::SimCardPath();
        m_old = e2e::IniString(m_ini, "Config", "Family", "SAA7134");
        WritePrivateProfileStringA("Config", "Family", family, m_ini.c_str());
    }
    ~CardFamily() { WritePrivateProfileStringA("Config", "Family", m_old.c_str(), m_ini.c_str()); }
    CardFamily(const CardFamily&) = delete;
    CardFamily& operator=(const CardFamily&) = delete;

private:
    std::string m_ini, m_old;
};

TEST(IrRecv, KeysPressedWithIrsendAreReadInOrderOnce) {
    ReceiverLibrary receiver;
    ASSERT_TRUE(receiver.Complete()) << "IrRecv.dll or one of its entry points is missing";
    EXPECT_EQ(receiver.FindCard(), 1);
    ASSERT_NE(receiver.Start(), 0);
    EXPECT_NE(receiver.Start(), 0) << "starting twice is harmless";
    EXPECT_EQ(receiver.Read(), kNoKey);

    IrsendRun press("ch+ 0x7f 5");
    ASSERT_TRUE(press.Started());
    EXPECT_EQ(receiver.ReadUntilKey(5000), 0x21);
    EXPECT_EQ(receiver.ReadUntilKey(5000), 0x7F);
    EXPECT_EQ(receiver.ReadUntilKey(5000), 0x05);
    const IrsendResult result = press.Finish();
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(receiver.Read(), kNoKey);
    EXPECT_EQ(receiver.Stop(), 1);
    EXPECT_EQ(receiver.Stop(), 0) << "a stopped receiver has nothing to stop";
    EXPECT_EQ(receiver.Read(), kNoKey) << "a stopped receiver reads no key";
}

TEST(IrRecv, HeldKeyRepeatsOnConsecutiveReads) {
    ReceiverLibrary receiver;
    ASSERT_TRUE(receiver.Complete());
    ASSERT_NE(receiver.Start(), 0);
    IrsendRun press("--hold 3 vol-");
    EXPECT_EQ(receiver.ReadUntilKey(5000), 0x11);
    EXPECT_EQ(receiver.ReadUntilKey(1000), 0x11);
    EXPECT_EQ(receiver.ReadUntilKey(1000), 0x11);
    const IrsendResult result = press.Finish();
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(receiver.Read(), kNoKey);
    receiver.Stop();
}

TEST(IrRecv, KeysNobodyReadsAreLostAndSaySo) {
    ReceiverLibrary receiver;
    ASSERT_TRUE(receiver.Complete());
    // Nobody has the receiver open.
    IrsendResult result = Irsend("--timeout 300 1");
    EXPECT_EQ(result.exitCode, 1u) << result.output;
    EXPECT_NE(result.output.find("no receiver is open"), std::string::npos) << result.output;
    EXPECT_EQ(Irsend("--wait-ready --timeout 300").exitCode, 1u);

    // Open but not read: the key is forgotten after its time and never shows up later.
    ASSERT_NE(receiver.Start(), 0);
    const DWORD before = GetTickCount();
    result = Irsend("--timeout 300 2");
    EXPECT_EQ(result.exitCode, 1u) << result.output;
    EXPECT_NE(result.output.find("not read within 300 ms"), std::string::npos) << result.output;
    EXPECT_LT(GetTickCount() - before, 5000u);
    EXPECT_EQ(receiver.Read(), kNoKey);

    // Unloading without Stop closes the receiver all the same.
    receiver.Unload();
    result = Irsend("--timeout 300 3");
    EXPECT_NE(result.output.find("no receiver is open"), std::string::npos) << result.output;
}

TEST(IrRecv, WaitReadyReturnsOnceTheReceiverIsPolled) {
    ReceiverLibrary receiver;
    ASSERT_TRUE(receiver.Complete());
    ASSERT_NE(receiver.Start(), 0);
    IrsendRun wait("--wait-ready --timeout 5000");
    for (int i = 0; i < 10; ++i) {
        receiver.Read();
        e2e::WaitUntil([] { return false; }, 100);
    }
    EXPECT_EQ(wait.Finish().exitCode, 0u);
    receiver.Stop();
}

TEST(IrRecv, WithoutACardTheReceiverDoesNotOpen) {
    CardFamily none("NONE");
    ReceiverLibrary receiver;
    ASSERT_TRUE(receiver.Complete());
    EXPECT_EQ(receiver.FindCard(), 0);
    EXPECT_EQ(receiver.Start(), 0);
    EXPECT_EQ(receiver.Read(), kNoKey);
    EXPECT_EQ(receiver.Stop(), 0);
}

TEST(IrRecv, CommandLineMistakesAndTheButtonList) {
    IrsendResult result = Irsend("channelup");
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_NE(result.output.find("'channelup' is neither a button"), std::string::npos) << result.output;
    result = Irsend("--list");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_NE(result.output.find("ch+      0x21  Channel +"), std::string::npos) << result.output;
    result = Irsend("--help");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_NE(result.output.find("Usage: irsend"), std::string::npos) << result.output;
}

// A hidden top-level window on its own thread that keeps the device names of the card
// notifications it receives.
class NotificationWindow {
public:
    NotificationWindow() {
        m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &NotificationWindow::Main, this, 0, &m_threadId);
        WaitForSingleObject(m_ready, 10000);
    }
    ~NotificationWindow() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
        CloseHandle(m_ready);
    }
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    std::vector<std::string> Seen() {
        EnterCriticalSection(&m_lock);
        std::vector<std::string> seen = m_seen;
        LeaveCriticalSection(&m_lock);
        return seen;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<NotificationWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_DEVICECHANGE && self && (wp == DBT_DEVICEARRIVAL || wp == DBT_DEVICEREMOVECOMPLETE) &&
            lp) {
            const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lp);
            std::string entry = wp == DBT_DEVICEARRIVAL ? "arrival " : "removal ";
            if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE)
                entry += reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header)->dbcc_name;
            EnterCriticalSection(&self->m_lock);
            self->m_seen.push_back(entry);
            LeaveCriticalSection(&self->m_lock);
            return TRUE;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    static DWORD WINAPI Main(void* arg) {
        auto* self = static_cast<NotificationWindow*>(arg);
        InitializeCriticalSection(&self->m_lock);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &NotificationWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "IrRecvTestNotifications";
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowA(wc.lpszClassName, "card notifications", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetEvent(self->m_ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(hwnd);
        return 0;
    }

    HANDLE m_ready = nullptr;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    CRITICAL_SECTION m_lock;
    std::vector<std::string> m_seen;
};

TEST(IrRecv, CardNotificationsReachEveryWindowWithTheDeviceName) {
    NotificationWindow window;
    IrsendResult result = Irsend("--arrive");
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    result = Irsend("--remove --device \\\\?\\USB#OTHER_DEVICE#1");
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    ASSERT_TRUE(e2e::WaitUntil([&] { return window.Seen().size() >= 2; }, 5000));
    const std::vector<std::string> seen = window.Seen();
    EXPECT_EQ(seen[0].rfind("arrival \\\\?\\", 0), 0u) << seen[0];
    EXPECT_NE(seen[0].find("282"), std::string::npos) << seen[0];
    EXPECT_EQ(seen[1], "removal \\\\?\\USB#OTHER_DEVICE#1");
}

} // namespace
