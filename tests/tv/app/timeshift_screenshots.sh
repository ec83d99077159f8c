#!/usr/bin/env bash
# A picture of the TV control panel with live TV paused: the frozen picture and the status line
# counting how far behind live it is ("Shift -mm:ss"), for docs/screenshots. Needs a built tree
# with Tunaro.exe and winctl.
#   tests/tv/app/timeshift_screenshots.sh   writes docs/screenshots/tv_timeshift.png
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
WINCTL=$TUNARO_BUILD/bin/winctl.exe
[ -f "$TUNARO_BUILD/bin/Tunaro.exe" ] && [ -f "$WINCTL" ] || die "build the tree first"
mkdir -p "$OUT"

prefix=$TUNARO_BUILD/prefix/shot-timeshift
rm -rf "$prefix"
"$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 >/dev/null || die "could not make $prefix"
printf 'Name: Harbour TV\nFreq: 49750000\nChan: 1\nAudioChannels:0\nCheck:1\n' \
  >"$prefix/drive_c/windows/system32/program.txt"
inst="$prefix/drive_c/Program Files/Tunaro"
tunaro_start_session
tunaro_wine_env "$prefix"
"$TUNARO_WINESERVER" -p
(cd "$inst" && LC_ALL=C.UTF-8 "$TUNARO_WINE" 'C:\Program Files\Tunaro\Tunaro.exe' >/dev/null 2>&1) &
app=$!
"$TUNARO_WINE" "$WINCTL" wait Tunaro 30000 >/dev/null 2>&1 || log "warning: no panel"
sleep 5
# Time shift: the picture stops, the delay counts up.
"$TUNARO_WINE" "$WINCTL" command Tunaro 1206 >/dev/null 2>&1
sleep 7
import -display "$DISPLAY" -window root "$prefix/timeshift.png"
"$TUNARO_WINE" "$WINCTL" command Tunaro 507 >/dev/null 2>&1
sleep 2
"$TUNARO_WINE" "$WINCTL" command Tunaro 403 >/dev/null 2>&1
for _ in $(seq 1 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
tunaro_wine_kill "$prefix"
tunaro_stop_session
# The video window (640 x 480, centred, 50 pixels up) and the panel below it.
convert "$prefix/timeshift.png" -crop 634x724+322+246 +repage "$OUT/tv_timeshift.png"
log "wrote $OUT/tv_timeshift.png"
