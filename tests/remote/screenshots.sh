#!/usr/bin/env bash
# Pictures of KeyRelay for docs/screenshots, in English and in Chinese (Language 2052): the window
# at rest and while a key arrives, the tray menu and the About box. Needs a built x86_64 tree.
#   tests/remote/screenshots.sh [en] [zh]   writes docs/screenshots/keyrelay_en.png, keyrelay_zh.png
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
SHOTS=$TUNARO_BUILD/bin/remote_screenshots.exe
[ -f "$TUNARO_BUILD/bin/KeyRelay.exe" ] && [ -f "$SHOTS" ] || die "build the x86_64 tree first"
mkdir -p "$OUT"

# shot NAME LANGUAGE-ID LOCALE TITLE ABOUT-TITLE
shot() {
  local name=$1 language=$2 locale=$3 title=$4 about=$5
  local prefix=$TUNARO_BUILD/prefix/shot-remote-$name
  rm -rf "$prefix"
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 --language "$language" >/dev/null \
    || die "could not make $prefix"
  local work=$prefix/shots
  mkdir -p "$work"
  tunaro_start_session
  tunaro_wine_env "$prefix"
  "$TUNARO_WINESERVER" -p
  local places
  places=$(LC_ALL=$locale "$TUNARO_WINE" "$SHOTS" "Z:${work//\//\\}" "$title" "$about" 2>/dev/null | tr -d '\r')
  tunaro_wine_kill "$prefix"
  tunaro_stop_session
  read -r _ wx wy ww wh < <(grep '^window' <<<"$places")
  read -r _ mx my mw mh < <(grep '^menu' <<<"$places")
  [ -n "${wx:-}" ] && [ -n "${mx:-}" ] || die "no pictures in $name"
  # The window with its tray menu beside it, cut from the whole screen.
  local left=$((wx - 10)) top=$((wy - 10))
  local right=$((mx + mw > wx + ww ? mx + mw : wx + ww)) bottom=$((my + mh > wy + wh ? my + mh : wy + wh))
  convert "$work/screen_menu.bmp" -crop $((right - left + 10))x$((bottom - top + 10))+$left+$top +repage "$work/menu.png"
  convert "$work/rest.bmp" "$work/key.bmp" "$work/menu.png" "$work/about.bmp" -bordercolor '#203a60' -border 6 \
    -background '#203a60' -gravity north +append -border 6 "$OUT/keyrelay_$name.png"
  log "wrote $OUT/keyrelay_$name.png"
}

# Chinese texts need the Chinese locale for the programs' code page.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 2>/dev/null || log "warning: no zh_CN.UTF-8 locale; Chinese texts may not show"
fi
langs=("$@")
[ ${#langs[@]} -gt 0 ] || langs=(en zh)
for which in "${langs[@]}"; do
  case $which in
    en) shot en 1033 C.UTF-8 Remote "About Remote" ;;
    zh) shot zh 2052 zh_CN.UTF-8 遥控 关于遥控 ;;
  esac
done
