// Device-arrival and removal broadcasts for the owner window: registered for the capture
// device-interface class through entry points looked up at run time.
#pragma once

#include <windows.h>

#include <string>

#include "framework/raii.h"

namespace tunaro {

class DeviceNotification {
public:
    DeviceNotification() = default;
    ~DeviceNotification() { Unregister(); }
    DeviceNotification(const DeviceNotification&) = delete;
    DeviceNotification& operator=(const DeviceNotification&) = delete;

    // Registers owner with the entry points of the named module; without them (or without an
    // owner) the engine runs without notifications.
    void Register(HWND owner, const std::string& moduleName);
    void Unregister();
    bool Registered() const { return m_handle != nullptr; }

private:
    HDEVNOTIFY m_handle = nullptr;
    FARPROC m_unregister = nullptr;
    Library m_module;
};

} // namespace tunaro
