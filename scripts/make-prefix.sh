#!/usr/bin/env bash
# Makes a ready Wine prefix with the built suite installed as the installer would install it.
# Usage: scripts/make-prefix.sh DIR [--card FAMILY] [--language ID] [--build BUILDDIR] [--no-suite]
#   FAMILY: the simulated tuner card (SAA7134 by default; NONE for no card at all)
#   ID:     the registry value "Language" (a string; omitted: no value, which means English)
#   --no-suite: only Wine and the test settings, nothing of the suite (for the setup's tests)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

usage() { sed -n '3,7p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
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

start=$(date +%s%N)
tunaro_wine_kill "$DIR"
rm -rf "$DIR"
mkdir -p "$(dirname "$DIR")"
tunaro_wine_env "$DIR"
# wineboot needs no display; keep it off a display so it cannot pop anything up.
env -u DISPLAY "$TUNARO_WINE" wineboot -i >/dev/null 2>&1 || true
[ -d "$DIR/drive_c/windows/system32" ] || die "wineboot did not create $DIR"

DRIVE_C=$DIR/drive_c
SYSDIR=$DRIVE_C/windows/system32
INSTDIR="$DRIVE_C/Program Files/Tunaro"

if [ $SUITE = 1 ]; then
  mkdir -p "$INSTDIR"
  # What the build installs: programs and data of the suite, and the stand-ins.
  cmake --install "$BUILD" --prefix "$DRIVE_C" >/dev/null
fi

# Registry: the suite's key, and a quiet crash handler (a crash must never hang a test).
reg=$DIR/tunaro-setup.reg
{
  printf 'REGEDIT4\r\n'
  if [ $SUITE = 1 ]; then
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Tunaro]\r\n'
    printf '"path"="C:\\\\Program Files\\\\Tunaro"\r\n'
    printf '"Path"="C:\\\\Program Files\\\\Tunaro"\r\n'
    if [ "$HAVE_LANGUAGE" = 1 ]; then
      printf '"Language"="%s"\r\n' "$LANGUAGE"
    fi
  fi
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrash"=dword:00000000\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Audio"="pulse"\r\n'
  # One Wine desktop window the size of the screen: windows get their frames drawn (there is
  # no window manager under Xvfb) and screenshots look like a Windows desktop.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x1024"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"Background"="32 58 96"\r\n'
} >"$reg"
env -u DISPLAY "$TUNARO_WINE" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 || die "registry import failed"

# Each part of the suite adds its own installation step here (registering filters,
# choosing the simulated card family, data files). They see these variables.
export TUNARO_PREFIX_DIR=$DIR TUNARO_PREFIX_DRIVE_C=$DRIVE_C TUNARO_PREFIX_SYSDIR=$SYSDIR
export TUNARO_PREFIX_INSTDIR=$INSTDIR TUNARO_PREFIX_CARD=$CARD TUNARO_PREFIX_BUILD=$BUILD
for step in "$TUNARO_ROOT"/scripts/prefix.d/*.sh; do
  [ -e "$step" ] && [ $SUITE = 1 ] || continue
  bash "$step" || die "prefix step $(basename "$step") failed"
done

"$TUNARO_WINESERVER" -w
printf '%s\n' "$CARD" >"$DIR/tunaro-card"
log "prefix ready: $DIR (card $CARD) in $(( ($(date +%s%N) - start) / 1000000 )) ms"
