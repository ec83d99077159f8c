#!/usr/bin/env python3
"""Checks that every PE32 module given loads on Windows XP SP3: no imported DLL that XP lacks, no
imported function later than XP, and a subsystem and operating system version XP's loader takes.

    xp_floor.py --cc i686-w64-mingw32-gcc --nm i686-w64-mingw32-nm \
                --libdir /usr/i686-w64-mingw32/lib [--list FILE] PATH...

PATH is a module or a folder (searched recursively; every file with a PE header counts, whatever
its name); FILE names modules one a line, each of which must exist. A module found twice (the
build's copy and the setup's) counts once. Exit code 0 when every module passes, 1 when one
fails, 2 on bad use.

How a function is judged, with nothing but the MinGW-w64 toolchain: its headers declare each
function only from the Windows version that has it (by _WIN32_WINNT), so a reference to every
imported function is compiled once for XP SP3 and once for the newest Windows; what only the
second declares is later than XP, and what neither declares cannot be judged and fails too (its
header belongs in DLL_HEADERS). The C runtime (msvcrt.dll) is not gated that way: its reference is
the export list of the Visual C++ 7.0 runtime's import library, the runtime XP's msvcrt.dll is.
"""
import argparse
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile

# DLLs Windows XP SP3 has, with the headers that declare their functions (beyond <windows.h>).
DLL_HEADERS = {
    "kernel32.dll": ["tlhelp32.h", "psapi.h"],
    "user32.dll": [],
    "gdi32.dll": [],
    "advapi32.dll": ["wincrypt.h", "aclapi.h", "sddl.h", "ntsecapi.h"],
    "shell32.dll": ["shellapi.h", "shlobj.h"],
    "ole32.dll": ["objbase.h", "ole2.h"],
    "oleaut32.dll": ["oleauto.h", "olectl.h"],
    "comctl32.dll": ["commctrl.h"],
    "comdlg32.dll": ["commdlg.h"],
    "winmm.dll": ["mmsystem.h"],
    "msacm32.dll": ["mmreg.h", "msacm.h"],
    "msvfw32.dll": ["vfw.h"],
    "avifil32.dll": ["vfw.h"],
    "version.dll": ["winver.h"],
    "shlwapi.dll": ["shlwapi.h"],
    "ws2_32.dll": ["winsock2.h", "ws2tcpip.h"],
    "wsock32.dll": ["winsock2.h", "mswsock.h"],
    "imm32.dll": ["imm.h"],
    "setupapi.dll": ["setupapi.h"],
    "rpcrt4.dll": ["rpc.h"],
    "psapi.dll": ["psapi.h"],
    "msimg32.dll": [],
    "uxtheme.dll": ["uxtheme.h"],
    "winspool.drv": ["winspool.h"],
    "dsound.dll": ["dsound.h"],
    "ddraw.dll": ["ddraw.h"],
    "quartz.dll": ["dshow.h"],
    "gdiplus.dll": ["gdiplus/gdiplusflat.h"],
    "secur32.dll": ["security.h"],
    "crypt32.dll": ["wincrypt.h"],
    "iphlpapi.dll": ["iphlpapi.h"],
    "dbghelp.dll": ["dbghelp.h"],
    "hid.dll": ["hidsdi.h"],
    "urlmon.dll": ["urlmon.h"],
    "wininet.dll": ["wininet.h"],
    "userenv.dll": ["userenv.h"],
    "powrprof.dll": ["powrprof.h"],
    "mpr.dll": ["winnetwk.h"],
    "netapi32.dll": ["lm.h"],
    "wtsapi32.dll": ["wtsapi32.h"],
    "dinput8.dll": ["dinput.h"],
    "d3d9.dll": ["d3d9.h"],
    "usp10.dll": ["usp10.h"],
    "msvcrt.dll": None,  # judged by the runtime's export list, see above
}

# DLLs Windows XP does not have (at least those a Windows program of today is likely to import).
XP_LACKS = {
    "bcrypt.dll", "ncrypt.dll", "ucrtbase.dll", "vcruntime140.dll", "msvcp140.dll",
    "dwmapi.dll", "propsys.dll", "d2d1.dll", "dwrite.dll", "d3d10.dll", "d3d10_1.dll",
    "d3d11.dll", "d3d12.dll", "dxgi.dll", "dxva2.dll", "evr.dll", "mf.dll", "mfplat.dll",
    "mfreadwrite.dll", "mmdevapi.dll", "avrt.dll", "wevtapi.dll", "tdh.dll", "ktmw32.dll",
    "windowscodecs.dll", "synchronization.dll", "bluetoothapis.dll", "dcomp.dll",
    "shcore.dll", "uiautomationcore.dll", "xinput1_4.dll", "wer.dll", "ntdsapi.dll",
}
XP_LACKS_PREFIXES = ("api-ms-win-", "ext-ms-win-")

XP_VERSION = (5, 1)


class Module:
    def __init__(self, path):
        self.path = path
        self.machine = 0
        self.pe32 = False
        self.os_version = (0, 0)
        self.subsystem_version = (0, 0)
        self.imports = {}  # dll (lower case) -> set of names, "#n" for ordinals


def read_module(path):
    """The module's header fields and imports, or None if the file is no PE module. (The GNU
    linker leaves the delay-import directory empty, so delay-loaded imports are not seen: the
    build uses none.)"""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        return None
    m = Module(path)
    m.machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic not in (0x10B, 0x20B):
        raise ValueError("%s: unknown optional header 0x%x" % (path, magic))
    m.pe32 = magic == 0x10B
    m.os_version = struct.unpack_from("<HH", data, opt + 40)
    m.subsystem_version = struct.unpack_from("<HH", data, opt + 48)
    dirs = opt + (96 if m.pe32 else 112)
    count = struct.unpack_from("<I", data, dirs - 4)[0]
    table = []
    for i in range(sections):
        s = opt + opt_size + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        table.append((va, max(vsize, rawsize), rawptr, rawsize))

    def offset(rva):
        for va, size, rawptr, rawsize in table:
            if va <= rva < va + size and rva - va < rawsize:
                return rawptr + rva - va
        raise ValueError("%s: address 0x%x lies in no section" % (path, rva))

    def text(rva):
        o = offset(rva)
        return data[o:data.index(b"\0", o)].decode("ascii", "replace")

    thunk_size, ordinal_flag = (4, 1 << 31) if m.pe32 else (8, 1 << 63)

    def names(thunk_rva):
        result = set()
        o = offset(thunk_rva)
        while True:
            v = struct.unpack_from("<I" if m.pe32 else "<Q", data, o)[0]
            if v == 0:
                return result
            if v & ordinal_flag:
                result.add("#%d" % (v & 0xFFFF))
            else:
                result.add(text(v + 2))
            o += thunk_size

    def directory(index):
        if index >= count:
            return 0, 0
        return struct.unpack_from("<II", data, dirs + 8 * index)

    rva, size = directory(1)
    if rva and size:
        o = offset(rva)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", data, o)
            if not (lookup or name or first):
                break
            m.imports.setdefault(text(name).lower(), set()).update(names(lookup or first))
            o += 20
    return m


def find_modules(paths):
    modules, seen = [], set()
    for p in paths:
        files = [p] if os.path.isfile(p) else sorted(
            os.path.join(d, f) for d, _, fs in os.walk(p) for f in fs)
        for f in files:
            with open(f, "rb") as stream:
                digest = hashlib.sha256(stream.read()).digest()
            if digest in seen:
                continue
            m = read_module(f)
            if m:
                seen.add(digest)
                modules.append(m)
    return modules


def undeclared(cc, headers, functions, winnt, ntddi):
    """The functions the headers do not declare when compiled for Windows version winnt."""
    if not functions:
        return set()
    order = sorted(functions)
    lines = ["#define _WIN32_WINNT 0x%04x" % winnt, "#define WINVER 0x%04x" % winnt,
             "#define NTDDI_VERSION 0x%08x" % ntddi, "#define _WIN32_IE 0x%04x" % (winnt + 0x100),
             "#include <winsock2.h>", "#include <windows.h>"]
    lines += ["#include <%s>" % h for h in sorted(set(headers))]
    lines.append("void tunaro_floor_reference(void) {")
    first = len(lines) + 1
    lines += ["(void)&%s;" % f for f in order]
    lines.append("}")
    with tempfile.NamedTemporaryFile("w", suffix=".c", delete=False) as f:
        f.write("\n".join(lines) + "\n")
        source = f.name
    try:
        run = subprocess.run([cc, "-fsyntax-only", "-fmax-errors=0", "-w", source],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    finally:
        os.unlink(source)
    missing = set()
    for line in run.stdout.splitlines():
        hit = re.match(r".*\.c:(\d+):\d+: error: ", line)
        if not hit:
            continue
        n = int(hit.group(1)) - first
        if 0 <= n < len(order):
            missing.add(order[n])
        elif "No such file" in line or n < 0:
            raise RuntimeError("the reference does not compile:\n" + run.stdout)
    return missing


def runtime_exports(nm, libdir):
    """Names the XP C runtime exports: the Visual C++ 7.0 runtime's import library."""
    lib = os.path.join(libdir, "libmsvcr70.a")
    run = subprocess.run([nm, "-P", lib], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if run.returncode != 0:
        raise RuntimeError("cannot read %s: %s" % (lib, run.stderr.strip()))
    names = set()
    for line in run.stdout.splitlines():
        hit = re.match(r"__imp__?(\S+) [A-Z]", line)
        if hit:
            names.add(hit.group(1))
    if not names:
        raise RuntimeError("no exports in " + lib)
    return names


def check(modules, cc, nm, libdir):
    """Yields (module path, problem) for everything later than Windows XP SP3."""
    own = {os.path.basename(m.path).lower() for m in modules}
    wanted = {}  # dll -> functions imported by name
    for m in modules:
        if not m.pe32 or m.machine != 0x14C:
            yield m.path, "not a PE32 module for i386 (machine 0x%x)" % m.machine
        for label, v in (("subsystem", m.subsystem_version), ("operating system", m.os_version)):
            if v > XP_VERSION:
                yield m.path, "declares %s version %d.%d, later than XP's 5.1" % (label, v[0], v[1])
        for dll, functions in sorted(m.imports.items()):
            if dll in own:
                continue
            if dll in XP_LACKS or dll.startswith(XP_LACKS_PREFIXES):
                yield m.path, "imports %s, which Windows XP does not have" % dll
            elif dll not in DLL_HEADERS:
                yield m.path, "imports %s, which this check does not know (add it to XP_LACKS " \
                              "or, with its headers, to DLL_HEADERS)" % dll
            else:
                for f in functions:
                    if f.startswith("#"):
                        yield m.path, "imports %s by ordinal %s, which cannot be checked" % (dll, f[1:])
                wanted.setdefault(dll, set()).update(f for f in functions if not f.startswith("#"))

    verdict = {}  # (dll, function) -> problem
    headers = [h for dll in wanted if DLL_HEADERS[dll] for h in DLL_HEADERS[dll]]
    api = {(dll, f) for dll, fs in wanted.items() if DLL_HEADERS[dll] is not None for f in fs}
    names = {f for _, f in api}
    # XP SP3, and the newest Windows the headers know.
    on_xp = undeclared(cc, headers, names, 0x0501, 0x05010300)
    on_latest = undeclared(cc, headers, on_xp, 0x0A00, 0x0A00000C)
    for dll, f in api:
        if f in on_latest:
            verdict[dll, f] = "imports %s!%s, which no header declares (add its header to " \
                              "DLL_HEADERS)" % (dll, f)
        elif f in on_xp:
            verdict[dll, f] = "imports %s!%s, later than Windows XP" % (dll, f)
    if "msvcrt.dll" in wanted:
        exports = runtime_exports(nm, libdir)
        for f in wanted["msvcrt.dll"] - exports:
            verdict["msvcrt.dll", f] = "imports msvcrt.dll!%s, which the XP runtime does not export" % f

    for m in modules:
        for dll, functions in sorted(m.imports.items()):
            for f in sorted(functions):
                if (dll, f) in verdict:
                    yield m.path, verdict[dll, f]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cc", required=True, help="the i686 MinGW-w64 C compiler")
    parser.add_argument("--nm", required=True, help="the i686 MinGW-w64 nm")
    parser.add_argument("--libdir", required=True, help="the i686 MinGW-w64 library folder")
    parser.add_argument("--list", help="a file naming modules, one a line")
    parser.add_argument("paths", nargs="*")
    args = parser.parse_args()
    listed = []
    if args.list:
        if not os.path.isfile(args.list):
            print("error: %s does not exist (is the i686 tree built?)" % args.list)
            return 2
        with open(args.list) as f:
            listed = [line.strip() for line in f if line.strip()]
    for p in listed + args.paths:
        if not os.path.exists(p):
            print("error: %s does not exist (is the i686 tree built?)" % p)
            return 2
    for p in listed:
        if not read_module(p):
            print("error: %s is no PE module" % p)
            return 1
    modules = find_modules(listed + args.paths)
    if not modules:
        print("error: no PE module in %s" % " ".join(listed + args.paths))
        return 1
    problems = list(check(modules, args.cc, args.nm, args.libdir))
    for path, problem in problems:
        print("%s: %s" % (path, problem))
    # The build's copy and the setup's copies of one module count once.
    names = {os.path.basename(m.path).lower() for m in modules}
    failed = {os.path.basename(p).lower() for p, _ in problems}
    print("%d of %d modules (%d files) need more than Windows XP SP3"
          % (len(failed), len(names), len(modules)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
