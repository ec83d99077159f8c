#!/usr/bin/env bash
# Pictures of the TV control panel while it records (the recording clock in the status line, the
# Record button's recording look) and while it plays that recording back (the player's line),
# for docs/screenshots. Needs a built x86_64 tree with Tunaro.exe, FilmDeck.dll and winctl.
#   tests/tv/app/recording_screenshots.sh   writes docs/screenshots/tv_recording.png, tv_playback.png
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
WINCTL=$TUNARO_BUILD/bin/winctl.exe
[ -f "$TUNARO_BUILD/bin/Tunaro.exe" ] && [ -f "$WINCTL" ] || die "build the x86_64 tree first"
mkdir -p "$OUT"

prefix=$TUNARO_BUILD/prefix/shot-recording
rm -rf "$prefix"
"$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 >/dev/null || die "could not make $prefix"
printf 'Name: Harbour TV\nFreq: 49750000\nChan: 1\nAudioChannels:0\nCheck:1\n' \
  >"$prefix/drive_c/windows/system32/program.txt"
inst="$prefix/drive_c/Program Files/Tunaro"
# A DVD recording (MPEG-2 program stream), played back through the MPEG playback stand-ins.
printf '[RecordType]\r\nType=0\r\n' >"$inst/Tunaro.ini"
tunaro_start_session
tunaro_wine_env "$prefix"
"$TUNARO_WINESERVER" -p
(cd "$inst" && LC_ALL=C.UTF-8 "$TUNARO_WINE" 'C:\Program Files\Tunaro\Tunaro.exe' >/dev/null 2>&1) &
app=$!
"$TUNARO_WINE" "$WINCTL" wait Tunaro 30000 >/dev/null 2>&1 || log "warning: no panel"
sleep 5
# Quick record: the clock runs; stopped the same way, the file is named by itself.
"$TUNARO_WINE" "$WINCTL" command Tunaro 1094 >/dev/null 2>&1
sleep 8
import -display "$DISPLAY" -window root "$prefix/recording.png"
"$TUNARO_WINE" "$WINCTL" command Tunaro 1094 >/dev/null 2>&1
sleep 4
# Quick play takes the newest recording.
"$TUNARO_WINE" "$WINCTL" command Tunaro 1119 >/dev/null 2>&1
sleep 4
import -display "$DISPLAY" -window root "$prefix/playback.png"
"$TUNARO_WINE" "$WINCTL" command Tunaro 507 >/dev/null 2>&1
sleep 2
"$TUNARO_WINE" "$WINCTL" command Tunaro 403 >/dev/null 2>&1
for _ in $(seq 1 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
tunaro_wine_kill "$prefix"
tunaro_stop_session
# The video window (640 x 480, centred, 50 pixels up) and the panel below it.
convert "$prefix/recording.png" -crop 634x724+322+246 +repage "$OUT/tv_recording.png"
convert "$prefix/playback.png" -crop 634x724+322+246 +repage "$OUT/tv_playback.png"
log "wrote $OUT/tv_recording.png and $OUT/tv_playback.png"
