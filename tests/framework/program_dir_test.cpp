// Tests of the program-directory lookup: the running test program's own executable, directory,
// base name and the system directory, and the base-name rule on paths.
#include "framework/program_dir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

using namespace tunaro;

TEST(ProgramDir, TheRunningProgramsPlaces) {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    EXPECT_EQ(ExecutablePath(), module);
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_EQ(dir + "\\framework_test.exe", module);
    EXPECT_EQ(ExecutableBaseName("Tunaro"), "framework_test");

    char system[MAX_PATH + 1] = {};
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(SystemDirectory(), system);
    EXPECT_NE(SystemDirectory().back(), '\\');
}

TEST(ProgramDir, BaseNameOfPath) {
    EXPECT_EQ(BaseNameOfPath("C:\\Program Files\\Tunaro\\Tunaro.exe"), "Tunaro");
    EXPECT_EQ(BaseNameOfPath("C:\\Tools\\Schedule.old.exe"), "Schedule.old");
    EXPECT_EQ(BaseNameOfPath("D:/x/KeyRelay"), "KeyRelay");
    EXPECT_EQ(BaseNameOfPath("C:\\dir.d\\.ini"), ".ini"); // a leading dot is no extension
    EXPECT_EQ(BaseNameOfPath("C:\\dir\\"), "");
    EXPECT_EQ(BaseNameOfPath(""), "");
}
