#!/usr/bin/env python3
"""The floor check's rules, on small modules built here with the i686 compiler:
    xp_floor_test.py CC NM LIBDIR
"""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xp_floor  # noqa: E402

CC, NM, LIBDIR = sys.argv[1:4] if len(sys.argv) >= 4 else ("i686-w64-mingw32-gcc", "i686-w64-mingw32-nm",
                                                          "/usr/i686-w64-mingw32/lib")
DLLTOOL = NM[:-2] + "dlltool"


class FloorRules(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def build(self, name, source, *flags):
        c = os.path.join(self.dir.name, name + ".c")
        out = os.path.join(self.dir.name, name + ".exe")
        with open(c, "w") as f:
            f.write(source)
        subprocess.run([CC, "-O1", c, "-o", out, "-L" + self.dir.name] + list(flags), check=True)
        return out

    def problems(self, *paths):
        modules = xp_floor.find_modules(paths)
        self.assertEqual(len(modules), len(paths))
        return [p for _, p in xp_floor.check(modules, CC, NM, LIBDIR)]

    def test_an_xp_program_passes(self):
        exe = self.build("plain", "#include <windows.h>\n#include <stdio.h>\n"
                         "int main(void) { puts(GetTickCount() ? \"a\" : \"b\");\n"
                         "  CRITICAL_SECTION cs; InitializeCriticalSection(&cs);\n"
                         "  return MessageBoxA(NULL, \"a\", \"b\", 0); }\n", "-mwindows")
        self.assertEqual(self.problems(exe), [])
        m = xp_floor.read_module(exe)
        self.assertIn("MessageBoxA", m.imports["user32.dll"])
        self.assertIn("puts", m.imports["msvcrt.dll"])

    def test_vista_functions_and_dlls_fail(self):
        exe = self.build("vista", "#define _WIN32_WINNT 0x0600\n#include <windows.h>\n#include <bcrypt.h>\n"
                         "int main(void) { UCHAR b[4]; SRWLOCK l; InitializeSRWLock(&l);\n"
                         "  BCryptGenRandom(NULL, b, 4, 2); return (int)GetTickCount64(); }\n", "-lbcrypt")
        problems = self.problems(exe)
        self.assertIn("imports kernel32.dll!GetTickCount64, later than Windows XP", problems)
        self.assertIn("imports kernel32.dll!InitializeSRWLock, later than Windows XP", problems)
        self.assertIn("imports bcrypt.dll, which Windows XP does not have", problems)
        self.assertFalse(any("GetTickCount," in p or "GetTickCount " in p for p in problems))

    def test_an_unknown_dll_fails(self):
        with open(os.path.join(self.dir.name, "tunarofloorprobe.def"), "w") as f:
            f.write("LIBRARY tunarofloorprobe.dll\nEXPORTS\nProbeFunction@0\n")
        subprocess.run([DLLTOOL, "--input-def", os.path.join(self.dir.name, "tunarofloorprobe.def"), "-k",
                        "--output-lib", os.path.join(self.dir.name, "libtunarofloorprobe.a")], check=True)
        exe = self.build("unknown", "int __stdcall ProbeFunction(void);\n"
                         "int main(void) { return ProbeFunction(); }\n", "-ltunarofloorprobe")
        problems = self.problems(exe)
        self.assertEqual(len(problems), 1, problems)
        self.assertTrue(problems[0].startswith("imports tunarofloorprobe.dll, which this check does not know"))

    def test_newer_runtime_functions_and_versions_fail(self):
        # _wfopen_s is in msvcrt.dll from Vista on, not in the XP runtime; subsystem 6.0 is Vista's.
        exe = self.build("runtime", "#include <stdio.h>\n"
                         "__declspec(dllimport) int __cdecl _wfopen_s(FILE **, const wchar_t *, const wchar_t *);\n"
                         "int main(void) { FILE *f; return _wfopen_s(&f, L\"x\", L\"r\"); }\n",
                         "-Wl,--subsystem,console:6.0", "-Wl,--major-os-version,6")
        problems = self.problems(exe)
        self.assertIn("imports msvcrt.dll!_wfopen_s, which the XP runtime does not export", problems)
        self.assertIn("declares subsystem version 6.0, later than XP's 5.1", problems)
        self.assertIn("declares operating system version 6.0, later than XP's 5.1", problems)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
