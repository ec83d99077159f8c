#!/usr/bin/env bash
# Pictures of the FM window in English and in Chinese (Language 2052), for docs/screenshots.
# The program runs from a folder of its own beside the logging capture library of the end-to-end
# tests (five stations, the fourth tuned). Needs a built x86_64 tree with "Tunaro FM.exe",
# fake_capture_library.dll and winctl.
#   tests/fm/app/screenshots.sh [en] [zh]   writes docs/screenshots/fm_window_en.png, fm_window_zh.png
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
BIN=$TUNARO_BUILD/bin
WINCTL=$BIN/winctl.exe
[ -f "$BIN/Tunaro FM.exe" ] && [ -f "$BIN/fake_capture_library.dll" ] && [ -f "$WINCTL" ] ||
  die "build the x86_64 tree first (Tunaro FM.exe, fake_capture_library.dll, winctl)"
mkdir -p "$OUT"

# shot NAME LANGUAGE-ID LOCALE
shot() {
  local name=$1 language=$2 locale=$3
  local prefix=$TUNARO_BUILD/prefix/fmshot-$name
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --no-suite >/dev/null || die "could not make $prefix"
  local dir=$prefix/drive_c/fm
  mkdir -p "$dir"
  cp "$BIN/Tunaro FM.exe" "$dir/"
  cp "$BIN/fake_capture_library.dll" "$dir/zentaviq_Capture.dll"
  printf 'One|88100000\nTwo|91500000\nThree|95000000\nFour|101700000\nFive|105300000\n' >"$dir/fakecap_stations.txt"
  printf '[Channel]\r\nCurrentIndex=3\r\nPreChannelIndex=1\r\n' >"$dir/FMSETTING.ini"
  tunaro_start_session
  tunaro_wine_env "$prefix"
  "$TUNARO_WINESERVER" -p
  "$TUNARO_WINE" reg add 'HKLM\Software\Tunaro' /v Language /t REG_SZ /d "$language" /f >/dev/null 2>&1
  (cd "$dir" && LC_ALL=$locale "$TUNARO_WINE" 'C:\fm\Tunaro FM.exe' >/dev/null 2>&1) &
  local app=$!
  "$TUNARO_WINE" "$WINCTL" wait "Tunaro FM" 30000 >/dev/null 2>&1 || log "warning: no FM window in $name"
  sleep 3
  import -display "$DISPLAY" -window root "$prefix/screen.png"
  "$TUNARO_WINE" "$WINCTL" command "Tunaro FM" 403 >/dev/null 2>&1
  for _ in $(seq 1 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  tunaro_wine_kill "$prefix"
  tunaro_stop_session
  # The window (440 x 236) in the middle of the 1280 x 1024 desktop, with a margin.
  convert "$prefix/screen.png" -crop 460x256+410+384 +repage "$OUT/fm_window_$name.png"
  log "wrote $OUT/fm_window_$name.png"
}

# Chinese texts need the Chinese locale for the program's code page.
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
