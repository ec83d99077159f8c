#!/usr/bin/env bash
# Pictures of the setup sheet and the video window's menu, in English and in Chinese, for the
# README: the end-to-end test takes them along the way when TUNARO_SHOTS names a folder.
#   tests/tv/dialogs/screenshots.sh     writes docs/screenshots/setup_sheet_{en,zh}.png and
#                                       video_menu_{en,zh}.png (needs a built x86_64 tree)
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
TEST=$TUNARO_BUILD/bin/tv_dialogs_e2e_test.exe
[ -f "$TEST" ] || die "build the x86_64 tree first"
mkdir -p "$OUT"

prefix=$TUNARO_BUILD/prefix/shot-dialogs
"$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 >/dev/null || die "could not make $prefix"
mkdir -p "$prefix/drive_c/shots"
tunaro_start_session
trap 'tunaro_wine_kill "$prefix"; tunaro_stop_session' EXIT
tunaro_wine_env "$prefix"
"$TUNARO_WINESERVER" -p
export TUNARO_SHOTS='C:\shots'
LC_ALL=C.UTF-8 "$TUNARO_WINE" "$TEST" --gtest_filter='*SetupCommand*:*RightClick*' >/dev/null 2>&1 || log "warning: English cases failed"
# Chinese texts need the Chinese code page.
LC_ALL=zh_CN.UTF-8 "$TUNARO_WINE" "$TEST" --gtest_filter='*Chinese*' >/dev/null 2>&1 || log "warning: Chinese cases failed"
for lang in en zh; do
  convert "$prefix/drive_c/shots/setup_$lang.bmp" "$OUT/setup_sheet_$lang.png"
  # The picture with the menu over it, from the screen (video window centred, 50 pixels up).
  convert "$prefix/drive_c/shots/video_menu_$lang.bmp" -crop 700x720+320+230 +repage "$OUT/video_menu_$lang.png"
done
log "wrote $OUT/setup_sheet_{en,zh}.png and video_menu_{en,zh}.png"
