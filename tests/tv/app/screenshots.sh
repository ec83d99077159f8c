#!/usr/bin/env bash
# Pictures of the TV control panel over the live (simulated) picture, in English and in Chinese
# (Language 2052), for docs/screenshots. Needs a built x86_64 tree with Tunaro.exe and winctl.
#   tests/tv/app/screenshots.sh [en] [zh]   writes docs/screenshots/tv_live_en.png, tv_live_zh.png
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
WINCTL=$TUNARO_BUILD/bin/winctl.exe
[ -f "$TUNARO_BUILD/bin/Tunaro.exe" ] && [ -f "$WINCTL" ] || die "build the x86_64 tree first"
mkdir -p "$OUT"

# A few stations of the simulated card's broadcast plan, so the picture shows a programme.
channels() {
  local n=1 line
  for line in "49750000 Harbour TV" "77250000 Lotus Channel" "168250000 Summit News" "175250000 Alpine One"; do
    printf 'Name: %s\nFreq: %s\nChan: %d\nAudioChannels:0\nCheck:1\n' "${line#* }" "${line%% *}" $n
    n=$((n + 1))
  done
}

# shot NAME LANGUAGE-ID LOCALE
shot() {
  local name=$1 language=$2 locale=$3
  local prefix=$TUNARO_BUILD/prefix/shot-$name
  rm -rf "$prefix"
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 --language "$language" >/dev/null \
    || die "could not make $prefix"
  channels >"$prefix/drive_c/windows/system32/program.txt"
  tunaro_start_session
  tunaro_wine_env "$prefix"
  "$TUNARO_WINESERVER" -p
  local inst="$prefix/drive_c/Program Files/Tunaro"
  (cd "$inst" && LC_ALL=$locale "$TUNARO_WINE" 'C:\Program Files\Tunaro\Tunaro.exe' >/dev/null 2>&1) &
  local app=$!
  "$TUNARO_WINE" "$WINCTL" wait Tunaro 30000 >/dev/null 2>&1 || log "warning: no panel in $name"
  sleep 5
  # The current channel's on-screen text, then the picture while it shows.
  "$TUNARO_WINE" "$WINCTL" command Tunaro 1205 >/dev/null 2>&1
  sleep 0.6
  import -display "$DISPLAY" -window root "$prefix/screen.png"
  "$TUNARO_WINE" "$WINCTL" command Tunaro 403 >/dev/null 2>&1
  for _ in $(seq 1 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  tunaro_wine_kill "$prefix"
  tunaro_stop_session
  # The picture of the video window (640 x 480, centred, 50 pixels up) and the panel below it.
  convert "$prefix/screen.png" -crop 634x724+322+246 +repage "$OUT/tv_live_$name.png"
  log "wrote $OUT/tv_live_$name.png"
}

# Chinese texts need the Chinese locale for the programs' code page.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 2>/dev/null || log "warning: no zh_CN.UTF-8 locale; Chinese texts may not show"
fi
langs=("$@")
[ ${#langs[@]} -gt 0 ] || langs=(en zh)
for which in "${langs[@]}"; do
  case $which in
    en) shot en 1033 C.UTF-8 ;;
    zh) shot zh 2052 zh_CN.UTF-8 ;;
  esac
done
