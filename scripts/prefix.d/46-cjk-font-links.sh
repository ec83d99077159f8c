#!/usr/bin/env bash
# Chinese glyphs in menus, captions and dialogs: the faces the system draws them with ("MS Shell
# Dlg" and Tahoma, and what stands in for them here) fall back to the CJK font for the characters
# they lack, as the system fonts of a Chinese Windows cover them. Without it the video window's
# Chinese menu and the setup pages' Chinese texts show as boxes.
set -euo pipefail

font_file=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -f "$font_file" ] || { echo "46-cjk-font-links: $font_file missing; Chinese menus will show as boxes" >&2; exit 0; }

reg=$TUNARO_PREFIX_DIR/cjk-font-links.reg
python3 - "$reg" <<'PY'
import sys
link = "wqy-zenhei.ttc,WenQuanYi Zen Hei"
lines = ["Windows Registry Editor Version 5.00", "",
         r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]"]
# A multi-string value: the link, then the list's end.
value = "hex(7):" + ",".join("%02x" % b for b in (link + "\0\0").encode("utf-16-le"))
for face in ("MS Shell Dlg", "MS Shell Dlg 2", "Tahoma", "Microsoft Sans Serif", "MS Sans Serif",
             "Liberation Sans", "Arial"):
    lines.append('"%s"=%s' % (face, value))
with open(sys.argv[1], "wb") as f:
    f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))
PY
"${TUNARO_WINE:-/usr/lib/wine/wine64}" regedit /s "Z:${reg//\//\\}" >/dev/null 2>&1 || {
  echo "46-cjk-font-links: regedit failed" >&2
  exit 1
}
rm -f "$reg"
