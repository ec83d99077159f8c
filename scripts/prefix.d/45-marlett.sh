#!/usr/bin/env bash
# Marlett, the symbol font Windows draws caption buttons, scroll arrows and check marks with.
# Without it every window's minimise, maximise and close buttons show the letters "0 1 r".
# This Wine build looks for its own fonts beside its data directory (/usr/share/fonts), while
# Debian's fonts-wine package keeps them in /usr/share/wine/fonts, so Wine never finds its
# Marlett there. The prefix gets it the way Windows has it: the file in the Windows fonts folder
# (Wine loads every font it finds there) and registered under the system's font list.
set -euo pipefail

font_file=/usr/share/wine/fonts/marlett.ttf
[ -f "$font_file" ] || { echo "45-marlett: $font_file missing (package fonts-wine); caption buttons will show letters" >&2; exit 0; }

fonts_dir=$TUNARO_PREFIX_DRIVE_C/windows/Fonts
mkdir -p "$fonts_dir"
cp "$font_file" "$fonts_dir/marlett.ttf"

reg=$TUNARO_PREFIX_DIR/marlett.reg
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n"Marlett (TrueType)"="marlett.ttf"\r\n' >"$reg"
"${TUNARO_WINE:-/usr/lib/wine/wine64}" regedit /s "Z:${reg//\//\\}" >/dev/null 2>&1 || {
  echo "45-marlett: regedit failed" >&2
  exit 1
}
rm -f "$reg"
