#!/usr/bin/env bash
# Pictures of the TV wall (sixteen stations of the simulated card) and of the snapshot browser
# with a few stills, for docs/screenshots and the README. Needs a built x86_64 tree with
# Tunaro.exe and winctl.
#   tests/tv/app/stills_screenshots.sh   writes docs/screenshots/tv_wall.png, snapshot_browser.png
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
WINCTL=$TUNARO_BUILD/bin/winctl.exe
[ -f "$TUNARO_BUILD/bin/Tunaro.exe" ] && [ -f "$WINCTL" ] || die "build the x86_64 tree first"
mkdir -p "$OUT"

# Sixteen stations the card receives, on channels of the China table, with the channel list to match.
STATIONS=(
  "49750000 Harbour TV bars" "57750000 Jade Pearl checker" "65750000 Lotus Channel rings"
  "77250000 Summit News ramp" "85250000 Alpine One checker" "168250000 River Arts rings"
  "176250000 Canal Nord ramp" "184250000 Metro Sports bars" "192250000 Star Kids rings"
  "200250000 Valley Music ramp" "208250000 Orchid Drama checker" "216250000 Coast FM TV bars"
  "471250000 Liberty Two rings" "479250000 Golden Hill checker" "487250000 Sunrise ramp"
  "495250000 Night Owl bars"
)

prefix=$TUNARO_BUILD/prefix/shot-stills
rm -rf "$prefix"
"$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 >/dev/null || die "could not make $prefix"
sys=$prefix/drive_c/windows/system32
: >"$sys/program.txt"
n=1
for line in "${STATIONS[@]}"; do
  freq=${line%% *}; rest=${line#* }; pattern=${rest##* }; name=${rest% *}
  printf 'TV%d=%s,%s,%s,PAL\r\n' $n "$freq" "$name" "$pattern" >>"$prefix/config.part"
  printf 'Name: %s\nFreq: %s\nChan: %d\nAudioChannels:0\nCheck:1\n' "$name" "$freq" $n >>"$sys/program.txt"
  n=$((n + 1))
done
# The plan goes into the card's [Config] section, before its other keys.
python3 - "$sys/simcard.ini" "$prefix/config.part" <<'PY'
import sys
ini, part = sys.argv[1], open(sys.argv[2]).read()
text = open(ini, newline='').read()
at = text.find('[Config]')
if at < 0:
    text = '[Config]\r\n' + part + text
else:
    eol = text.find('\n', at) + 1
    text = text[:eol] + part + text[eol:]
open(ini, 'w', newline='').write(text)
PY

tunaro_start_session
tunaro_wine_env "$prefix"
"$TUNARO_WINESERVER" -p
inst="$prefix/drive_c/Program Files/Tunaro"
(cd "$inst" && LC_ALL=C.UTF-8 "$TUNARO_WINE" 'C:\Program Files\Tunaro\Tunaro.exe' >/dev/null 2>&1) &
app=$!
"$TUNARO_WINE" "$WINCTL" wait Tunaro 30000 >/dev/null 2>&1 || log "warning: no panel"
sleep 5

# The browser: a still of three channels.
for step in 1 2 3; do
  "$TUNARO_WINE" "$WINCTL" command Tunaro 1110 >/dev/null 2>&1
  sleep 1
  "$TUNARO_WINE" "$WINCTL" command Tunaro 1108 >/dev/null 2>&1
  sleep 2
done
"$TUNARO_WINE" "$WINCTL" shot "$prefix/browser.bmp" Snapshot >/dev/null 2>&1 || log "warning: no browser"
"$TUNARO_WINE" "$WINCTL" command Snapshot 2040 >/dev/null 2>&1

# The wall, once every cell holds a picture (1.5 s per channel).
"$TUNARO_WINE" "$WINCTL" command Tunaro 1113 >/dev/null 2>&1
sleep 27
import -display "$DISPLAY" -window root "$prefix/wall.png"
"$TUNARO_WINE" "$WINCTL" command Tunaro 1113 >/dev/null 2>&1
sleep 2
"$TUNARO_WINE" "$WINCTL" command Tunaro 403 >/dev/null 2>&1
for _ in $(seq 1 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
tunaro_wine_kill "$prefix"
tunaro_stop_session

convert "$prefix/wall.png" -resize 50% "$OUT/tv_wall.png" && log "wrote $OUT/tv_wall.png"
convert "$prefix/browser.bmp" "$OUT/snapshot_browser.png" && log "wrote $OUT/snapshot_browser.png"
