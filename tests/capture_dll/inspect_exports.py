#!/usr/bin/env python3
# Inspects the i686 product zentaviq_Capture.dll as built: its export table holds exactly the 49
# QXTV_ names at their ordinals (plain names, no decoration left in the table), each entry point
# is __stdcall (its return pops the caller's arguments: 4 bytes each), the .def binds each name to
# the decorated symbol of that size, and the DLL imports nothing but system DLLs.
# Usage: inspect_exports.py <zentaviq_Capture.dll> <zentaviq_Capture.def>
import re
import subprocess
import sys

# ordinal: (name, number of 32-bit arguments), as the library's callers bind them.
EXPORTS = {
    1: ("QXTV_CoInitialize", 0), 2: ("QXTV_CoUninitialize", 0), 3: ("QXTV_EnumVideoDevice", 2),
    4: ("QXTV_SelectVideoDevice", 1), 5: ("QXTV_StartVideoPreview", 2), 6: ("QXTV_SetVideoSource", 1),
    7: ("QXTV_SetVideoFormat", 1), 8: ("QXTV_SetPreviewMode", 1), 9: ("QXTV_SaveBmpFile", 1),
    10: ("QXTV_SetVideoWindowsPos", 4), 11: ("QXTV_GetVideoFormat", 1), 12: ("QXTV_SetBrightNess", 1),
    13: ("QXTV_GetBrightNess", 4), 14: ("QXTV_SetHue", 1), 15: ("QXTV_GetHue", 4), 16: ("QXTV_SetSharpNess", 1),
    17: ("QXTV_GetSharepNess", 4), 18: ("QXTV_SetSaturation", 1), 19: ("QXTV_GetSaturation", 4),
    20: ("QXTV_SetContrast", 1), 21: ("QXTV_GetContrast", 4), 22: ("QXTV_StartCaptureMPG4", 1),
    23: ("QXTV_StopCaptureMPG4", 0), 24: ("QXTV_StartCaptureAVI", 1), 25: ("QXTV_StopCaptureAVI", 0),
    26: ("QXTV_AutoScanTune", 3), 27: ("QXTV_SetCurrentChannel", 1), 28: ("QXTV_SetChannelName", 2),
    29: ("QXTV_GetChannelName", 1), 30: ("QXTV_DeleteChannel", 1), 31: ("QXTV_GetChannelNumber", 1),
    32: ("QXTV_GetFrequency", 1), 33: ("QXTV_SetFrequency", 2), 34: ("QXTV_SetChannelNumber", 2),
    35: ("QXTV_GetChannelListSize", 0), 36: ("QXTV_StopDevice", 0), 37: ("QXTV_StartCapureMP3", 1),
    38: ("QXTV_StopCapureMP3", 0), 39: ("QXTV_SelectAudioDevice", 1), 40: ("QXTV_EnumAudioDevice", 2),
    41: ("QXTV_StartDevice", 0), 42: ("QXTV_CopyImageMem", 1), 43: ("QXTV_AudioMute", 1),
    44: ("QXTV_SetTVMode", 1), 45: ("QXTV_FMScanTuner", 7), 46: ("QXTV_AddChannel", 2),
    47: ("QXTV_StopCaptureAudioWMA", 0), 48: ("QXTV_StartCaptureAudioWMA", 1), 49: ("QXTV_DeviceUTVMute2820", 0),
}

# What a Windows installation has: the DLL must not need the compiler's runtime or anything else.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
               "shell32.dll", "comctl32.dll", "comdlg32.dll", "winmm.dll", "msvcrt.dll", "ddraw.dll",
               "shlwapi.dll", "version.dll", "msacm32.dll", "ws2_32.dll", "bcrypt.dll", "quartz.dll"}

OBJDUMP = "i686-w64-mingw32-objdump"
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def run(args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def returns_of(dll, start, hops):
    """The symbol at start and the bytes each return of the function there pops."""
    code = run([OBJDUMP, "-d", "--start-address=0x%x" % start, "--stop-address=0x%x" % (start + 8192), dll])
    label = None
    pops, jumps = [], []
    end = start + 8192
    for line in code.splitlines():
        m = re.match(r"^([0-9a-f]+) <(.+)>:$", line)
        if m:
            if label is not None:
                end = int(m.group(1), 16)
                break
            label = m.group(2)
            continue
        m = re.search(r"\tret\s*(\$0x[0-9a-f]+)?\s*$", line)
        if m:
            pops.append(int(m.group(1)[3:], 16) if m.group(1) else 0)
            continue
        m = re.search(r"\tjmp\s+([0-9a-f]+) <", line)
        if m:
            jumps.append(int(m.group(1), 16))
    if not pops and hops > 0:
        for target in jumps:
            if target < start or target >= end:
                return label, returns_of(dll, target, hops - 1)[1]
    return label, pops


def main():
    dll, deffile = sys.argv[1], sys.argv[2]
    headers = run([OBJDUMP, "-p", dll])
    if "file format pei-i386" not in run([OBJDUMP, "-f", dll]):
        fail("%s is not a PE32 i386 image" % dll)

    image_base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers, re.M).group(1), 16)
    base = int(re.search(r"Export Address Table -- Ordinal Base (\d+)", headers).group(1))
    rvas = {}
    for m in re.finditer(r"^\s*\[\s*(\d+)\] \+base\[\s*(\d+)\]\s+([0-9a-fA-F]+) Export RVA", headers, re.M):
        rvas[int(m.group(2))] = int(m.group(3), 16)
    table = headers.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
    names = {}
    for m in re.finditer(r"^\s*\[\s*(\d+)\]\s+(?:\+base\[\s*(\d+)\]\s+)?(\S+)\s*$", table, re.M):
        ordinal = int(m.group(2)) if m.group(2) else int(m.group(1)) + base
        if m.group(3) in names:
            fail("%s exported twice" % m.group(3))
        names[m.group(3)] = ordinal

    expected = {name: ordinal for ordinal, (name, _) in EXPORTS.items()}
    if names != expected:
        for name in sorted(set(names) | set(expected)):
            if names.get(name) != expected.get(name):
                fail("%s: ordinal %s in the DLL, %s expected" % (name, names.get(name), expected.get(name)))
    if len(rvas) != 49:
        fail("%d entries in the export address table, 49 expected" % len(rvas))
    for name in names:
        if "@" in name or name.startswith("_"):
            fail("decorated name in the export table: " + name)

    # The .def binds each plain name to the __stdcall symbol of its argument size.
    bindings = dict(re.findall(r"^\s*(QXTV_\w+) = (QXTV_\w+@\d+) @\d+", open(deffile).read(), re.M))
    for ordinal, (name, args) in EXPORTS.items():
        if bindings.get(name) != "%s@%d" % (name, 4 * args):
            fail("%s is bound to %s in the .def, %s@%d expected" % (name, bindings.get(name), name, 4 * args))

    # Each entry point is the decorated __stdcall symbol and returns popping its arguments (callee
    # cleans up): every return of its body is "ret $N" with N the argument bytes (a plain "ret"
    # without arguments), following a tail jump when the body ends in one.
    for ordinal, (name, args) in EXPORTS.items():
        if ordinal not in rvas:
            continue
        start = image_base + rvas[ordinal]
        label, pops = returns_of(dll, start, 3)
        if label != "_%s@%d" % (name, 4 * args):
            fail("%s: the entry point is %s, _%s@%d expected" % (name, label, name, 4 * args))
        if not pops:
            fail("%s: no return found in its body" % name)
        elif any(p != 4 * args for p in pops):
            fail("%s returns popping %s bytes, %d expected (__stdcall)" % (name, sorted(set(pops)), 4 * args))

    imports = [d.lower() for d in re.findall(r"DLL Name: (\S+)", headers)]
    if not imports:
        fail("no import table found")
    for d in imports:
        if d not in SYSTEM_DLLS:
            fail("imports %s, which is not a system DLL" % d)

    print("%d exports checked, imports: %s" % (len(names), ", ".join(imports)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
