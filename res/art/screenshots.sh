#!/usr/bin/env bash
# Renders the skins with the gallery programs under the test display and writes the PNGs of
# docs/screenshots. Needs a built x86_64 tree (scripts/test.sh or cmake --build build/x64).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/docs/screenshots
tmp=$(mktemp -d)
mkdir -p "$out"
cd "$root/build/x64/bin"
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
