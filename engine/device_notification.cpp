// Registration of the owner window for capture device-interface broadcasts.
#include "engine/device_notification.h"

#include <dbt.h>

#include "engine/engine_report.h"
#include "framework/debug_print.h"
#include "platform/include/ks_tuner.h"

namespace tunaro {

void DeviceNotification::Register(HWND owner, const std::string& moduleName) {
    Unregister();
    m_module.Reset(LoadLibraryA(moduleName.c_str()));
    if (!m_module)
        return;
    using RegisterFn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
    const auto registerFn = reinterpret_cast<RegisterFn>(
        reinterpret_cast<void*>(GetProcAddress(m_module.get(), "RegisterDeviceNotificationA")));
    m_unregister = GetProcAddress(m_module.get(), "UnregisterDeviceNotification");
    if (!registerFn || !owner) {
        TUNARO_TRACE("engine: running without device notifications");
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    static_assert(sizeof filter == 32, "device-interface broadcast record is 32 bytes");
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kCategoryCapture;
    m_handle = registerFn(owner, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void DeviceNotification::Unregister() {
    if (m_handle && m_unregister) {
        using UnregisterFn = BOOL(WINAPI*)(HDEVNOTIFY);
        reinterpret_cast<UnregisterFn>(reinterpret_cast<void*>(m_unregister))(m_handle);
    }
    m_handle = nullptr;
}

} // namespace tunaro
