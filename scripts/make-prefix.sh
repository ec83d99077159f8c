#!/usr/bin/env bash
# Makes a ready Wine prefix with the built suite installed by its own setup program: the build
# tree's Tunaro-setup.exe runs silently, with the test settings of the prefix around it.
# Usage: scripts/make-prefix.sh DIR [--card FAMILY] [--language ID] [--build BUILDDIR] [--no-suite]
#   FAMILY: the simulated tuner card (SAA7134 by default; NONE for a card without devices;
#           GENERIC+FAMILY also lists a generic camera before the card, GENERIC alone only it)
#   ID:     the registry value "Language" (a string; omitted: the setup's own, English here)
#   --no-suite: only Wine and the test settings, nothing of the suite (for the setup's tests)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

usage() { sed -n '4,9p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
[ $# -ge 1 ] || usage
DIR=$1
shift
CARD=SAA7134
LANGUAGE=
HAVE_LANGUAGE=0
BUILD=$TUNARO_BUILD
SUITE=1
while [ $# -gt 0 ]; do
  case $1 in
    --card) CARD=${2:?}; shift 2 ;;
    --language) LANGUAGE=${2-}; HAVE_LANGUAGE=1; shift 2 ;;
    --build) BUILD=${2:?}; shift 2 ;;
    --no-suite) SUITE=0; shift ;;
    *) usage ;;
  esac
done
case $DIR in /*) ;; *) DIR=$PWD/$DIR ;; esac
[ -d "$BUILD" ] || die "no build at $BUILD (run scripts/test.sh or scripts/demo.sh first)"
SETUP=$BUILD/Tunaro-setup.exe
[ $SUITE = 0 ] || [ -f "$SETUP" ] || die "no $SETUP (build the tree: cmake --build $BUILD)"

# The simulated card: a family and, with GENERIC, a generic camera listed before it.
family=
camera=0
IFS='+' read -r -a parts <<<"${CARD^^}"
for p in "${parts[@]}"; do
  case $p in
    GENERIC) camera=1 ;;
    SAA7134 | LUMEN | CX2388X | UTV | TENBIT | PHILIPS | QRT77 | NONE) family=$p ;;
    *) die "unknown card family '$p' (SAA7134 LUMEN CX2388X UTV TENBIT PHILIPS QRT77 NONE, optionally GENERIC+...)" ;;
  esac
done
[ -n "$family" ] || family=NONE

start=$(date +%s%N)
tunaro_wine_kill "$DIR"
rm -rf "$DIR"
mkdir -p "$(dirname "$DIR")"
tunaro_wine_env "$DIR"
# wineboot needs no display; keep it off a display so it cannot pop anything up.
env -u DISPLAY "$TUNARO_WINE" wineboot -i >/dev/null 2>&1 || true
[ -d "$DIR/drive_c/windows/system32" ] || die "wineboot did not create $DIR"
# The 32-bit prefix reports itself as Windows XP, the oldest system the product supports, so the
# programs' own version checks take the XP path.
if [ "$TUNARO_WINEARCH" = win32 ]; then
  env -u DISPLAY "$TUNARO_WINE" winecfg -v winxp >/dev/null 2>&1 || die "winecfg -v winxp failed in $DIR"
fi

DRIVE_C=$DIR/drive_c
SYSDIR=$DRIVE_C/windows/system32
INSTDIR="$DRIVE_C/Program Files/Tunaro"

# Test settings: a quiet crash handler (a crash must never hang a test), the PulseAudio driver,
# and one Wine desktop window the size of the screen, so windows get their frames drawn (there
# is no window manager under Xvfb) and screenshots look like a Windows desktop.
reg=$DIR/tunaro-test.reg
{
  printf 'REGEDIT4\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Audio"="pulse"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x1024"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"Background"="32 58 96"\r\n'
} >"$reg"
env -u DISPLAY "$TUNARO_WINE" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 || die "registry import failed"

if [ $SUITE = 1 ]; then
  # The suite, as a user's silent installation gets it, into C:\Program Files\Tunaro.
  setup_log=$DIR/tunaro-setup.log
  args=(/S "/CARD=$family" "/LOG=Z:${setup_log//\//\\}")
  [ $camera = 0 ] || args+=(/CAMERA)
  [ "$HAVE_LANGUAGE" = 0 ] || args+=("/LANGUAGE=$LANGUAGE")
  rc=0
  # The stand-in servers that decide themselves what the system lacks say why in this log.
  standin_log=$DIR/tunaro-standins.log
  env -u DISPLAY TUNARO_STANDIN_LOG="Z:${standin_log//\//\\}" "$TUNARO_WINE" "$SETUP" "${args[@]}" >/dev/null 2>&1 ||
    rc=$?
  if [ $rc != 0 ] || [ ! -f "$INSTDIR/Tunaro.exe" ]; then
    cat "$setup_log" >&2 2>/dev/null || true
    die "Tunaro-setup.exe ${args[*]} failed (exit code $rc)"
  fi
fi

# Further test settings of the prefix (prefix.d/NN-*.sh); they see these variables.
export TUNARO_PREFIX_DIR=$DIR TUNARO_PREFIX_DRIVE_C=$DRIVE_C TUNARO_PREFIX_SYSDIR=$SYSDIR
export TUNARO_PREFIX_INSTDIR=$INSTDIR TUNARO_PREFIX_CARD=$CARD TUNARO_PREFIX_BUILD=$BUILD
for step in "$TUNARO_ROOT"/scripts/prefix.d/*.sh; do
  [ -e "$step" ] || continue
  bash "$step" || die "prefix step $(basename "$step") failed"
done

"$TUNARO_WINESERVER" -w
printf '%s\n' "$CARD" >"$DIR/tunaro-card"
log "prefix ready: $DIR (card $CARD, $TUNARO_LANE_TEXT) in $(( ($(date +%s%N) - start) / 1000000 )) ms"
