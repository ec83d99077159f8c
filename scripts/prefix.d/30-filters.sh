#!/usr/bin/env bash
# Registers the card software's outside video filters (always) and the stand-ins for the stock
# Infinite Pin Tee and Overlay Mixer and for the packed 4:2:2 codec the AVI Decompressor uses
# (each only where the prefix has none of its own), in one Wine process. What was found is
# written to tunaro-filters.log in the prefix directory.
set -euo pipefail

sys='C:\windows\system32'
[ -f "$TUNARO_PREFIX_SYSDIR/cardfilters.ax" ] || { echo "30-filters: cardfilters.ax is not installed" >&2; exit 1; }
[ -f "$TUNARO_PREFIX_SYSDIR/yuvcodec.dll" ] || { echo "30-filters: yuvcodec.dll is not installed" >&2; exit 1; }
[ -f "$TUNARO_PREFIX_SYSDIR/stockfilters.ax" ] || { echo "30-filters: stockfilters.ax is not installed" >&2; exit 1; }

# Stock filters: DllInstall name, CLSID.
stock=(
  "InfTee {F8388A40-D5BB-11D0-BE5A-0080C706568E}"
  "OverlayMixer {CD8743A1-3736-11D0-9E69-00C04FD7C15B}"
)

bat=$TUNARO_PREFIX_DIR/tunaro-filters.bat
{
  printf '@echo off\r\n'
  printf 'regsvr32 /s %s\\cardfilters.ax\r\n' "$sys"
  printf 'if errorlevel 1 echo cardfilters: registration FAILED\r\n'
  printf 'if not errorlevel 1 echo cardfilters: registered\r\n'
  for entry in "${stock[@]}"; do
    name=${entry%% *}
    clsid=${entry#* }
    # A class is the system's when its InprocServer32 key exists before we register anything.
    printf 'reg query "HKCR\\CLSID\\%s\\InprocServer32" >nul 2>&1\r\n' "$clsid"
    printf 'if not errorlevel 1 goto have_%s\r\n' "$name"
    printf 'regsvr32 /s /n /i:%s %s\\stockfilters.ax\r\n' "$name" "$sys"
    printf 'if errorlevel 1 echo %s: none in the system; stand-in registration FAILED\r\n' "$name"
    printf 'if not errorlevel 1 echo %s: none in the system; stand-in registered\r\n' "$name"
    printf 'goto done_%s\r\n' "$name"
    printf ':have_%s\r\n' "$name"
    printf 'echo %s: the system has its own %s; stand-in not registered\r\n' "$name" "$clsid"
    printf ':done_%s\r\n' "$name"
  done
  # Video codecs for YUY2 and UYVY: installable drivers listed under Drivers32.
  drivers='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32'
  for fcc in YUY2 UYVY; do
    printf 'reg query "%s" /v vidc.%s >nul 2>&1\r\n' "$drivers" "$fcc"
    printf 'if not errorlevel 1 goto have_%s\r\n' "$fcc"
    printf 'reg add "%s" /v vidc.%s /t REG_SZ /d yuvcodec.dll /f >nul 2>&1\r\n' "$drivers" "$fcc"
    printf 'if errorlevel 1 echo vidc.%s: no codec in the system; stand-in registration FAILED\r\n' "$fcc"
    printf 'if not errorlevel 1 echo vidc.%s: no codec in the system; stand-in registered\r\n' "$fcc"
    printf 'goto done_%s\r\n' "$fcc"
    printf ':have_%s\r\n' "$fcc"
    printf 'echo vidc.%s: the system has its own codec; stand-in not registered\r\n' "$fcc"
    printf ':done_%s\r\n' "$fcc"
  done
} >"$bat"

log=$TUNARO_PREFIX_DIR/tunaro-filters.log
env -u DISPLAY /usr/lib/wine/wine64 cmd /c "Z:${bat//\//\\}" 2>/dev/null | tr -d '\r' >"$log" || true
if grep -q FAILED "$log" || ! grep -q 'cardfilters: registered' "$log"; then
  cat "$log" >&2
  echo "30-filters: filter registration failed" >&2
  exit 1
fi
