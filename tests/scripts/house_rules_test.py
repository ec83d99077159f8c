#!/usr/bin/env python3
"""The rules of scripts/check-house.py and scripts/root-includes.py, on a small tree of its own."""
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
root_includes = __import__("root-includes")
check_house = __import__("check-house")


class IncludeRules(unittest.TestCase):
    FILES = ["tv/app/panel.cpp", "tv/app/panel.h", "tv/app/CMakeLists.txt", "tv/live_tv.h",
             "platform/dshow/filter.h", "res/tunaro/resource.h", "res/fm/resource.h",
             "remote/relay.cpp"]

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        for f in self.FILES:
            os.makedirs(os.path.join(self.dir.name, os.path.dirname(f)), exist_ok=True)
            open(os.path.join(self.dir.name, f), "w").close()
        with open(os.path.join(self.dir.name, "tv/app/CMakeLists.txt"), "w") as f:
            f.write("set(tunaro_res ${CMAKE_SOURCE_DIR}/res/tunaro)\n")
        self.resolver = root_includes.Resolver(self.FILES, self.dir.name)

    def tearDown(self):
        self.dir.cleanup()

    def test_found_as_the_compiler_finds_it_and_spelled_from_the_root(self):
        r = self.resolver.resolve
        self.assertEqual("tv/app/panel.h", r("tv/app/panel.cpp", "panel.h"))      # beside the file
        self.assertEqual("tv/live_tv.h", r("tv/app/panel.cpp", "../live_tv.h"))   # relative
        self.assertEqual("tv/live_tv.h", r("tv/app/panel.cpp", "tv/live_tv.h"))   # already right
        self.assertEqual("platform/dshow/filter.h", r("tv/app/panel.cpp", "dshow/filter.h"))
        self.assertIsNone(r("tv/app/panel.cpp", "generated_version.h"))         # not ours

    def test_a_name_several_folders_hold_is_the_one_its_folder_builds_with(self):
        self.assertEqual("res/tunaro/resource.h", self.resolver.resolve("tv/app/panel.cpp", "resource.h"))
        with self.assertRaises(ValueError):
            self.resolver.resolve("remote/relay.cpp", "resource.h")

    def test_every_include_spelled_otherwise_is_found_with_its_line(self):
        lines = ['#include <windows.h>', '#include "panel.h"', '#include "tv/live_tv.h"', '#include "resource.h"']
        got = [(n, name, target) for n, name, target, _ in
               root_includes.includes_of(self.resolver, "tv/app/panel.cpp", lines) if target != name]
        self.assertEqual([(2, "panel.h", "tv/app/panel.h"), (4, "resource.h", "res/tunaro/resource.h")], got)


class NamespaceRule(unittest.TestCase):
    def lines(self, text):
        check_house.C_LINKAGE_MACROS.add("PROBE_API")
        return [n for n, _ in check_house.outside_namespace(text)]

    def test_code_in_tunaro_and_c_entry_points_pass(self):
        self.assertEqual([], self.lines('''#pragma once
#include <windows.h>
#define PROBE_API extern "C"
// class InAComment;
namespace tunaro {
class Panel { void F() { if (1) { } } };
inline int G() { return 1; }
constexpr int kTable[] = {1, 2};
namespace skin { struct Row {}; }
} // namespace tunaro
namespace tunaro::fm { enum class Mode { Stereo }; }
extern "C" int WINAPI Exported(int);
extern "C" {
int AlsoExported();
}
PROBE_API int ByMacro();
'''))

    def test_each_declaration_outside_is_found_on_its_line(self):
        self.assertEqual([2, 3, 5, 6, 7, 8, 11], self.lines('''#pragma once
class CPanel;
struct Global {
} g1, g2;
template <typename T> T Pick(T t) { return t; }
const char* kText = "namespace tunaro { }";
using namespace std;
namespace {
int hidden;
}
namespace tunaro_old {
int x;
}
'''))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
