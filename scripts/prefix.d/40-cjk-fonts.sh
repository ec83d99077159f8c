#!/usr/bin/env bash
# Chinese glyphs for the suite's Chinese mode: the faces the programs name ("宋体", SimSun) are
# substituted by the CJK font the test machine has (fonts-wqy-zenhei). A real Chinese Windows
# installation has these faces itself.
set -euo pipefail

font_file=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -f "$font_file" ] || { echo "40-cjk-fonts: $font_file missing; Chinese texts will show as boxes" >&2; exit 0; }
face="WenQuanYi Zen Hei"

reg=$TUNARO_PREFIX_DIR/cjk-fonts.reg
python3 - "$reg" "$face" <<'PY'
import sys
path, face = sys.argv[1], sys.argv[2]
lines = ["Windows Registry Editor Version 5.00", "",
         r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]"]
for name in ("宋体", "SimSun", "新宋体", "NSimSun"):
    lines.append('"%s"="%s"' % (name, face))
with open(path, "wb") as f:
    f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))
PY
"${TUNARO_WINE:-/usr/lib/wine/wine64}" regedit /s "Z:${reg//\//\\}" >/dev/null 2>&1 || {
  echo "40-cjk-fonts: regedit failed" >&2
  exit 1
}
rm -f "$reg"
