#!/usr/bin/env bash
# Pictures of the setup sheet and the video window's menu, in English and in Chinese, for the
# README. The sheet is the installed Tunaro's own, opened by its command (409) as the panel's
# Setup button opens it and taken from the screen; the menu is taken by the end-to-end test
# along the way when TUNARO_SHOTS names a folder.
#   tests/tv/dialogs/screenshots.sh     writes docs/screenshots/setup_sheet_{en,zh}.png and
#                                       video_menu_{en,zh}.png (needs a built x86_64 tree)
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
TEST=$TUNARO_BUILD/bin/tv_dialogs_e2e_test.exe
WINCTL=$TUNARO_BUILD/bin/winctl.exe
[ -f "$TEST" ] && [ -f "$WINCTL" ] || die "build the x86_64 tree first"
command -v import >/dev/null || die "ImageMagick's import is missing"
mkdir -p "$OUT"
tunaro_start_session
prefix=
trap '[ -z "$prefix" ] || tunaro_wine_kill "$prefix"; tunaro_stop_session' EXIT

# A prefix of its own per language: the suite installed, its channel list the PAL stations of
# the simulated broadcast (what a first scan finds), the server running.
use_prefix() {
  [ -z "$prefix" ] || tunaro_wine_kill "$prefix"
  prefix=$1
  shift
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 "$@" >/dev/null || die "could not make $prefix"
  local sysdir=$prefix/drive_c/windows/system32 n=0 key hz name system
  while IFS='=,' read -r key hz name _ system; do
    case $key in TV*) ;; *) continue ;; esac
    [ "${system%$'\r'}" = PAL ] || continue
    n=$((n + 1))
    printf 'Name: %s\r\nFreq: %s\r\nChan: %d\r\nAudioChannels:0\r\nCheck:1\r\n' "$name" "$hz" "$n"
  done <"$sysdir/simcard.ini" >"$sysdir/program.txt"
  tunaro_wine_env "$prefix"
  "$TUNARO_WINESERVER" -p
}

# The sheet as a user sees it: Tunaro started, the Setup command, the screen cut to the sheet
# (the window the panel owns, whatever its title in the language mode). $1: the picture.
shoot_sheet() {
  local png=$1 geometry i
  local locale=${TUNARO_WINE_LOCALE:-C.UTF-8}
  winctl() { LC_ALL=$locale "$TUNARO_WINE" "$WINCTL" "$@" 2>/dev/null | tr -d '\r'; }
  (cd "$prefix/drive_c/Program Files/Tunaro" && LC_ALL=$locale "$TUNARO_WINE" 'C:\Program Files\Tunaro\Tunaro.exe' >/dev/null 2>&1) &
  winctl wait Tunaro 30000 || die "the control panel did not appear"
  sleep 4 # the splash gone, the picture running
  winctl command Tunaro 409
  geometry=$(winctl owned-rect Tunaro 10000)
  [ -n "$geometry" ] || die "the setup sheet did not appear"
  sleep 2
  import -display "$DISPLAY" -window root -crop "$geometry" +repage "$png" || die "import failed"
  winctl owned-command Tunaro 2 # the sheet's Cancel
  winctl command Tunaro 403   # Exit
  for i in $(seq 1 100); do
    winctl wait Tunaro 10 || break
    sleep 0.2
  done
  log "wrote $png ($geometry)"
}

use_prefix "$TUNARO_BUILD/prefix/shot-dialogs"
shoot_sheet "$OUT/setup_sheet_en.png"
# The menu pictures from the test, in English and (with the Chinese code page) in Chinese.
mkdir -p "$prefix/drive_c/shots"
export TUNARO_SHOTS='C:\shots'
LC_ALL=C.UTF-8 "$TUNARO_WINE" "$TEST" --gtest_filter='*RightClick*' >/dev/null 2>&1 || log "warning: English cases failed"
LC_ALL=zh_CN.UTF-8 "$TUNARO_WINE" "$TEST" --gtest_filter='*Chinese*' >/dev/null 2>&1 || log "warning: Chinese cases failed"
for lang in en zh; do
  # The picture with the menu over it, from the screen (video window centred, 50 pixels up).
  convert "$prefix/drive_c/shots/video_menu_$lang.bmp" -crop 700x720+320+230 +repage "$OUT/video_menu_$lang.png"
done
unset TUNARO_SHOTS

# Chinese texts need the Chinese code page (the programs' locale) and the Chinese language mode.
use_prefix "$TUNARO_BUILD/prefix/shot-dialogs-zh" --language 2052
TUNARO_WINE_LOCALE=zh_CN.UTF-8 shoot_sheet "$OUT/setup_sheet_zh.png"
log "wrote $OUT/setup_sheet_{en,zh}.png and video_menu_{en,zh}.png"
