#!/usr/bin/env bash
# Renders the skins with the gallery programs under the test display and writes the PNGs of
# docs/screenshots. Needs the lane's tree built with its tests (scripts/test.sh builds it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/common.sh"
out=$root/docs/screenshots
tmp=$(mktemp -d)
mkdir -p "$out"
cd "$TUNARO_BUILD/bin"
shot() { # program, args..., name
    local name=${*: -1}
    "$root/scripts/run.sh" "${@:1:$#-1}" shot "Z:${tmp//\//\\}\\$name.bmp"
    convert "$tmp/$name.bmp" "$out/$name.png"
}
shot skin_gallery.exe tv_panel
shot skin_gallery.exe busy tv_panel_recording
shot fm_gallery.exe fm_window
convert "$root/res/tunaro/splash.bmp" "$out/splash.png"
rm -rf "$tmp"
