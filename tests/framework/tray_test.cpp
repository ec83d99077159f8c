// Tests of the tray-icon helper: add, change and remove through the shell, and removal when the
// holder goes away (checked by the shell refusing to change an icon it no longer has).
#include "framework/tray_icon.h"
#include "framework/dialog.h"
#include "tests/framework/test_resource.h"

#include <gtest/gtest.h>

#include <string>

using namespace tunaro;

namespace {

bool ShellKnows(HWND owner, UINT id) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = owner;
    nid.uID = id;
    nid.uFlags = NIF_TIP;
    lstrcpyA(nid.szTip, "probe");
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

TEST(TrayIcon, AddModifyRemove) {
    Dialog owner(IDD_MODAL);
    ASSERT_TRUE(owner.Create());
    HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    {
        TrayIcon tray;
        EXPECT_FALSE(tray.Remove()); // nothing shown yet
        EXPECT_FALSE(tray.Modify(icon, "x"));
        // A tip longer than the shell takes is cut, not overrun.
        ASSERT_TRUE(tray.Add(owner.m_hWnd, 7001, 1574, icon, "Schedule" + std::string(200, '.')));
        EXPECT_TRUE(tray.IsShown());
        EXPECT_TRUE(ShellKnows(owner.m_hWnd, 7001));
        EXPECT_TRUE(tray.Modify(icon, "Schedule"));
        EXPECT_TRUE(tray.Add(owner.m_hWnd, 7001, 1574, icon, "again")); // re-adding changes it
        EXPECT_TRUE(tray.Remove());
        EXPECT_FALSE(tray.IsShown());
        EXPECT_FALSE(ShellKnows(owner.m_hWnd, 7001));
        ASSERT_TRUE(tray.Add(owner.m_hWnd, 7002, 1574, icon, "Schedule"));
    }
    EXPECT_FALSE(ShellKnows(owner.m_hWnd, 7002)); // removed by the holder's destructor
}

} // namespace
