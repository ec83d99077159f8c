#!/usr/bin/env bash
# Chinese glyphs for the suite's Chinese mode: the faces the programs name ("宋体", SimSun) are
# substituted by the CJK font the test machine has (fonts-wqy-zenhei), and the dialog, caption
# and message faces link to it for the characters they lack. A real installation has these.
set -euo pipefail

font_file=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -f "$font_file" ] || { echo "40-cjk-fonts: $font_file missing; Chinese texts will show as boxes" >&2; exit 0; }
face="WenQuanYi Zen Hei"

reg=$TUNARO_PREFIX_DIR/cjk-fonts.reg
python3 - "$reg" "$face" <<'PY'
import sys
path, face = sys.argv[1], sys.argv[2]
def multi(*items):
    data = "".join(i + "\0" for i in items) + "\0"
    return "hex(7):" + ",".join("%02x" % b for b in data.encode("utf-16-le"))
link = multi("wqy-zenhei.ttc," + face)
lines = ["Windows Registry Editor Version 5.00", "",
         r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]"]
for name in ("宋体", "SimSun", "新宋体", "NSimSun"):
    lines.append('"%s"="%s"' % (name, face))
lines += ["", r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]"]
for name in ("Tahoma", "Tahoma Bold", "MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2",
             "Arial", "Arial Bold"):
    lines.append('"%s"=%s' % (name, link))
with open(path, "wb") as f:
    f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))
PY
"${TUNARO_WINE:-/usr/lib/wine/wine64}" regedit /s "$(winepath_w() { echo "Z:${1//\//\\}"; }; winepath_w "$reg")" >/dev/null 2>&1 || {
  echo "40-cjk-fonts: regedit failed" >&2
  exit 1
}
rm -f "$reg"
