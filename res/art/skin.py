#!/usr/bin/env python3
# The suite's skin artwork: draws every bitmap, icon and cursor of the TV and FM programs from one
# theme and writes them with the layout tables and resource scripts. Run: python3 res/art/skin.py
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gfx import Canvas, clamp, draw_text, draw_text_centred, hexrgb, mix, save_icon, text_width  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# ---- theme -----------------------------------------------------------------------------------
BODY_TOP = hexrgb("3d4554")
BODY_BOTTOM = hexrgb("1b1f27")
EDGE_DARK = hexrgb("0c0e12")
EDGE_LIGHT = hexrgb("6a7487")
WELL = hexrgb("14171d")
FACE_TOP = hexrgb("4f596b")
FACE_BOTTOM = hexrgb("2a303b")
FACE_HOT_TOP = hexrgb("5d697e")
FACE_HOT_BOTTOM = hexrgb("333b48")
FACE_DOWN_TOP = hexrgb("1d2128")
FACE_DOWN_BOTTOM = hexrgb("2d333e")
GLYPH = hexrgb("d5dbe5")
GLYPH_HOT = hexrgb("7fe9f7")
GLYPH_OFF = hexrgb("6b7384")
ACCENT = hexrgb("35c6dc")
RED = hexrgb("e0403c")
RED_DARK = hexrgb("8c1d1b")
LCD_TOP = hexrgb("0a1a1c")
LCD_BOTTOM = hexrgb("0f2a2b")
LCD_TEXT = hexrgb("2fe0a0")


def vgrad(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, clamp((y - y0) / max(1.0, y1 - y0)))


def brushed(top, bottom, y0, y1):
    """Body metal: vertical gradient with faint horizontal grain."""
    def paint(x, y):
        base = mix(top, bottom, clamp((y - y0) / max(1.0, y1 - y0)))
        grain = 3.0 * math.sin(y * 2.7 + math.sin(x * 0.05) * 1.3) + 2.0 * math.sin(y * 0.9 + 1.7)
        return tuple(clamp(c + grain, 1, 255) for c in base)
    return paint


# ---- glyphs: (canvas, centre x, centre y, size, colour) ------------------------------------------
def g_minimise(cv, cx, cy, s, c):
    cv.line(cx - s * 0.35, cy + s * 0.2, cx + s * 0.35, cy + s * 0.2, max(1.4, s * 0.16), c)


def g_fullscreen(cv, cx, cy, s, c):
    h = s * 0.36
    w = max(1.2, s * 0.12)
    for sx, sy in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
        x, y = cx + sx * h, cy + sy * h
        cv.polyline([(x, y - sy * h * 0.55), (x, y), (x - sx * h * 0.55, y)], w, c)


def g_close(cv, cx, cy, s, c):
    h = s * 0.28
    w = max(1.4, s * 0.15)
    cv.line(cx - h, cy - h, cx + h, cy + h, w, c)
    cv.line(cx + h, cy - h, cx - h, cy + h, w, c)


def g_panel(cv, cx, cy, s, c):
    w = max(1.2, s * 0.09)
    cv.ring_rrect(cx - s * 0.36, cy - s * 0.3, cx + s * 0.36, cy + s * 0.3, s * 0.08, w, c)
    cv.line(cx - s * 0.2, cy + s * 0.08, cx + s * 0.2, cy + s * 0.08, w, c)
    cv.line(cx - s * 0.2, cy - s * 0.08, cx + s * 0.05, cy - s * 0.08, w, c)


def g_scan(cv, cx, cy, s, c):
    draw_text_centred(cv, "SCAN", cx, cy, 6, c, 1.15, 1.2)


def g_text(label, size=6, width=1.15, spacing=1.3):
    return lambda cv, cx, cy, s, c: draw_text_centred(cv, label, cx, cy, size, c, width, spacing)


def speaker(cv, cx, cy, s, c):
    cv.polygon([(cx - s * 0.42, cy - s * 0.14), (cx - s * 0.22, cy - s * 0.14), (cx - s * 0.02, cy - s * 0.34),
                (cx - s * 0.02, cy + s * 0.34), (cx - s * 0.22, cy + s * 0.14), (cx - s * 0.42, cy + s * 0.14)], c)


def g_mute_label(muted):
    def g(cv, cx, cy, s, c):
        speaker(cv, cx - 16, cy, 15, c)
        if muted:
            cv.line(cx - 12.5, cy - 3, cx - 7, cy + 3, 1.5, RED)
            cv.line(cx - 7, cy - 3, cx - 12.5, cy + 3, 1.5, RED)
        else:
            for r in (3.5, 6.5):
                cv.shade((cx - 16, cy - r - 2, cx - 16 + r + 2, cy + r + 2),
                         lambda x, y, r=r: abs(math.hypot(x - (cx - 16), y - cy) - r) - 0.6 if x > cx - 15 else 9, c)
        draw_text(cv, "MUTE" if not muted else "MUTED", cx - 3, cy - 3, 6, c, 1.15, 1.2)
    return g


def g_folder(cv, cx, cy, s, c):
    w = 1.2
    cv.polyline([(cx - 7, cy + 5), (cx - 7, cy - 5), (cx - 3, cy - 5), (cx - 1.5, cy - 3), (cx + 7, cy - 3),
                 (cx + 7, cy + 5), (cx - 7, cy + 5)], w, c)
    cv.line(cx - 7, cy - 1, cx + 7, cy - 1, w, c)


def g_gear(cv, cx, cy, s, c):
    r = s * 0.2
    cv.ring(cx, cy, r, max(1.3, s * 0.1), c)
    for i in range(8):
        a = i * math.pi / 4
        cv.line(cx + math.cos(a) * r * 1.25, cy + math.sin(a) * r * 1.25, cx + math.cos(a) * r * 1.75,
                cy + math.sin(a) * r * 1.75, max(1.5, s * 0.12), c)


def g_rectype(cv, cx, cy, s, c):
    draw_text_centred(cv, "REC", cx, cy - 3, 5, c, 1.1, 1.0)
    draw_text_centred(cv, "TYPE", cx, cy + 4, 4, c, 1.0, 0.9)


def g_record(recording):
    def g(cv, cx, cy, s, c):
        if recording:
            cv.rrect(cx - s * 0.16, cy - s * 0.16, cx + s * 0.16, cy + s * 0.16, 1.5, hexrgb("ffffff"))
        else:
            cv.circle(cx, cy, s * 0.2, hexrgb("ffe9e6") if c == GLYPH_HOT else hexrgb("fff4f2"))
    return g


def g_colour(cv, cx, cy, s, c):
    r = s * 0.2
    for (dx, dy), col in zip(((0, -0.13), (-0.12, 0.08), (0.12, 0.08)),
                             (hexrgb("e84a4a"), hexrgb("4ad06a"), hexrgb("4a8ae8"))):
        cv.circle(cx + dx * s, cy + dy * s, r, col, 0.8)
    cv.ring(cx, cy, s * 0.36, 1, c, 0.6)


def g_list(cv, cx, cy, s, c):
    for dy in (-0.18, 0, 0.18):
        cv.circle(cx - s * 0.22, cy + dy * s, 1.2, c)
        cv.line(cx - s * 0.1, cy + dy * s, cx + s * 0.25, cy + dy * s, 1.3, c)


def g_vol(sign):
    def g(cv, cx, cy, s, c):
        cv.line(cx - 4, cy, cx + 4, cy, 1.6, c)
        if sign > 0:
            cv.line(cx, cy - 4, cx, cy + 4, 1.6, c)
    return g


def tri(cv, x, cy, h, direction, c):
    w = h * 0.9
    if direction > 0:
        cv.polygon([(x, cy - h / 2), (x + w, cy), (x, cy + h / 2)], c)
    else:
        cv.polygon([(x + w, cy - h / 2), (x, cy), (x + w, cy + h / 2)], c)


def g_play(cv, cx, cy, s, c):
    tri(cv, cx - 3, cy, 9, 1, c)


def g_back(cv, cx, cy, s, c):
    tri(cv, cx - 7, cy, 8, -1, c)
    tri(cv, cx, cy, 8, -1, c)


def g_forward(cv, cx, cy, s, c):
    tri(cv, cx - 7, cy, 8, 1, c)
    tri(cv, cx, cy, 8, 1, c)


def g_pause(cv, cx, cy, s, c):
    cv.rrect(cx - 4, cy - 4.5, cx - 1.2, cy + 4.5, 0.6, c)
    cv.rrect(cx + 1.2, cy - 4.5, cx + 4, cy + 4.5, 0.6, c)


def g_stop(cv, cx, cy, s, c):
    cv.rrect(cx - 4, cy - 4, cx + 4, cy + 4, 1, c)


def g_tv(cv, cx, cy, s, c):
    cv.ring_rrect(cx - 7, cy - 4.5, cx + 7, cy + 5, 1.5, 1.3, c)
    cv.line(cx - 3, cy - 8, cx, cy - 4.8, 1.1, c)
    cv.line(cx + 3, cy - 8, cx, cy - 4.8, 1.1, c)


def g_back_arrow(cv, cx, cy, s, c):
    cv.polyline([(cx + 5, cy - 4), (cx + 5, cy + 2), (cx - 3, cy + 2)], 1.4, c)
    cv.polygon([(cx - 6, cy + 2), (cx - 2.5, cy - 1.5), (cx - 2.5, cy + 5.5)], c)


def g_chevron(direction):
    def g(cv, cx, cy, s, c):
        d = -direction
        cv.polyline([(cx - 6, cy - d * 2.5), (cx, cy + d * 3), (cx + 6, cy - d * 2.5)], 2.0, c)
    return g


def g_camera(cv, cx, cy, s, c):
    cv.ring_rrect(cx - 7, cy - 4, cx + 7, cy + 6, 2, 1.3, c)
    cv.rrect(cx - 3, cy - 6.5, cx + 2, cy - 3.5, 0.8, c)
    cv.ring(cx, cy + 1, 2.6, 1.3, c)


def g_icon_label(icon, label):
    def g(cv, cx, cy, s, c):
        icon(cv, cx - 12, cy, s, c)
        draw_text(cv, label, cx - 2, cy - 3, 6, c, 1.15, 1.2)
    return g


def g_question(cv, cx, cy, s, c):
    cv.shade((cx - 5, cy - 7, cx + 5, cy + 1),
             lambda x, y: abs(math.hypot(x - cx, y - (cy - 3)) - 3.2) - 0.7 if not (x < cx and y > cy - 3) else 9, c)
    cv.line(cx, cy + 0.2, cx, cy + 2.2, 1.4, c)
    cv.circle(cx, cy + 5, 1.0, c)


def g_grid16(cv, cx, cy, s, c):
    for i in range(4):
        for j in range(4):
            cv.rrect(cx - 7 + i * 3.6, cy - 7 + j * 3.6, cx - 7 + i * 3.6 + 2.8, cy - 7 + j * 3.6 + 2.8, 0.4, c)


def g_clock(cv, cx, cy, s, c):
    cv.ring(cx, cy, 5.5, 1.3, c)
    cv.polyline([(cx, cy - 3.5), (cx, cy), (cx + 2.5, cy + 1.5)], 1.3, c)


def g_wave(cv, cx, cy, s, c):
    pts = [(cx - 7 + i * 0.5, cy + 3.5 * math.sin(i * 0.5 * 0.9)) for i in range(29)]
    cv.polyline(pts, 1.4, c)


# ---- buttons --------------------------------------------------------------------------------
STATES = ("normal", "hover", "pressed", "disabled")


def face_colours(state, kind):
    if kind == "red":
        return {"normal": (hexrgb("e8524d"), RED_DARK), "hover": (hexrgb("ff6a62"), hexrgb("a42622")),
                "pressed": (hexrgb("7a1a18"), hexrgb("b8302c")), "disabled": (hexrgb("6a4a4a"), hexrgb("3a2a2a")),
                "recording": (hexrgb("ff3b30"), hexrgb("b01e1a"))}[state]
    return {"normal": (FACE_TOP, FACE_BOTTOM), "hover": (FACE_HOT_TOP, FACE_HOT_BOTTOM),
            "pressed": (FACE_DOWN_TOP, FACE_DOWN_BOTTOM), "disabled": (hexrgb("3a404b"), hexrgb("2a2f38")),
            "recording": (FACE_TOP, FACE_BOTTOM)}[state]


def draw_button(bg, x, y, w, h, shape, glyph, state, kind="std", glyph_colour=None):
    """The button over its place of the background: a face of the given shape and the glyph."""
    cv = bg.crop(x, y, w, h)
    top, bottom = face_colours(state, kind)
    pressed = state == "pressed"
    if shape == "round":
        cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 1
        cv.circle(cx, cy + 0.6, r + 0.6, EDGE_DARK, 0.9)
        cv.circle(cx, cy, r, vgrad(top, bottom, cy - r, cy + r))
        cv.ring(cx, cy, r - 0.8, 1.0, EDGE_LIGHT if not pressed else EDGE_DARK, 0.35)
        if state == "hover":
            cv.ring(cx, cy, r - 0.3, 1.2, ACCENT, 0.7)
    else:
        rad = h / 2 if shape == "pill" else 4
        cv.rrect(0.5, 1.0, w - 0.5, h - 0.2, rad, EDGE_DARK, 0.9)
        cv.rrect(1, 0.5, w - 1, h - 1, rad - 0.5, vgrad(top, bottom, 0, h))
        cv.ring_rrect(1.5, 1, w - 1.5, h - 1.5, rad - 1, 1.0, EDGE_LIGHT if not pressed else EDGE_DARK, 0.3)
        if state == "hover":
            cv.ring_rrect(1, 0.5, w - 1, h - 1, rad - 0.5, 1.2, ACCENT, 0.7)
    colour = glyph_colour or {"normal": GLYPH, "hover": GLYPH_HOT, "pressed": GLYPH, "disabled": GLYPH_OFF,
                              "recording": GLYPH}[state]
    if kind == "red":
        colour = hexrgb("ffffff")
    off = 0.8 if pressed else 0
    if glyph:
        glyph(cv, w / 2 + off, h / 2 + off, min(w, h), colour)
    if state == "disabled":
        for j in range(h):
            for i in range(w):
                p = cv.px[j][i]
                g = (p[0] + p[1] + p[2]) / 3
                cv.px[j][i] = [p[0] * 0.4 + g * 0.6, p[1] * 0.4 + g * 0.6, p[2] * 0.4 + g * 0.6]
    return cv


def draw_well(cv, x, y, w, h, shape):
    """The recess in the body that a button sits in."""
    if shape == "round":
        r = min(w, h) / 2
        cv.circle(x + w / 2, y + h / 2, r + 2.2, WELL, 0.85)
        cv.ring(x + w / 2, y + h / 2 + 0.8, r + 2.2, 0.8, EDGE_LIGHT, 0.25)
    else:
        rad = h / 2 + 2 if shape == "pill" else 5.5
        cv.rrect(x - 2, y - 2, x + w + 2, y + h + 2, rad, WELL, 0.85)
        cv.ring_rrect(x - 2, y - 1.2, x + w + 2, y + h + 2.6, rad, 0.8, EDGE_LIGHT, 0.2)


# ---- output bookkeeping ------------------------------------------------------------------------
class Output:
    def __init__(self, folder):
        self.folder = os.path.join(ROOT, "res", folder)
        os.makedirs(os.path.join(self.folder, "bitmaps"), exist_ok=True)
        self.bitmaps = []  # (id, file, comment)

    def bitmap(self, rid, name, canvas, comment, keep_black=False):
        if any(rid == b[0] for b in self.bitmaps):
            raise SystemExit("bitmap id %d used twice (%s)" % (rid, name))
        path = os.path.join("bitmaps", name + ".bmp")
        canvas.save_bmp(os.path.join(self.folder, path), keep_black)
        self.bitmaps.append((rid, path.replace(os.sep, "/"), comment))

    def data(self, name, canvas, keep_black=False):
        canvas.save_bmp(os.path.join(self.folder, name), keep_black)

    def rc(self, extra_lines, title):
        lines = ["// " + title, "// Written by res/art/skin.py from the skin theme; change the generator, not this file.", ""]
        for rid, path, comment in sorted(self.bitmaps):
            lines.append('%-5d BITMAP "%s" // %s' % (rid, path, comment))
        lines += [""] + extra_lines
        with open(os.path.join(self.folder, "skin.rc"), "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")


ROW_HEADER = """// One skinned control's row of the generated skin layouts, shared by every program's layout so
// that one file can include several of them.
// Written by res/art/skin.py; change the generator, not this file.
#pragma once

namespace tunaro::skin {

// One skinned control: its id, then the row of 11 integers (left, top, width, height, spare 0,
// bitmap ids of the normal, hover and pressed looks, the disabled look or 0, tooltip string id, 1).
struct Row {
    int id;
    int left, top, width, height, spare;
    int normal, hover, pressed, fourth, tooltip, flag;
};

} // namespace tunaro::skin
"""


def write_row_header():
    """res/skin_row.h: the row type every layout header uses."""
    with open(os.path.join(ROOT, "res", "skin_row.h"), "w") as f:
        f.write(ROW_HEADER)


def write_layout(folder, file_name, namespace, title, tables):
    """A C++ header res/<folder>/<file_name> with the layout rows in tunaro::skin::<namespace>:
    id, then left, top, width, height, 0, normal, hover, pressed, fourth, tooltip, 1."""
    out = ["// " + title,
           "// Written by res/art/skin.py; change the generator, not this file.",
           "#pragma once", "", '#include "res/skin_row.h"', "",
           "namespace tunaro::skin::%s {" % namespace, ""]
    for name, comment, rows in tables:
        out.append("// " + comment)
        if len(rows) == 1 and name.endswith("Row"):
            r = rows[0]
            out.append("static const Row %s = {%s};" % (name, ", ".join(str(v) for v in r)))
        else:
            out.append("static const Row %s[] = {" % name)
            for r in rows:
                out.append("    {%s}," % ", ".join(str(v) for v in r))
            out.append("};")
        out.append("")
    out += ["} // namespace tunaro::skin::%s" % namespace, ""]
    with open(os.path.join(ROOT, "res", folder, file_name), "w") as f:
        f.write("\n".join(out))


# ---- the TV control panel ---------------------------------------------------------------------
TV_W, TV_H = 400, 346


def tv_body_distance(x, y):
    """Signed distance of the panel outline: a rounded body with a raised crown for the logo."""
    def rr(px, py, x0, y0, x1, y1, r):
        cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2
        qx, qy = abs(px - cx) - hx + r, abs(py - cy) - hy + r
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    body = rr(x, y, 4, 44, 396, 342, 26)
    crown = rr(x, y, 24, 14, 170, 70, 14)
    return min(body, crown)


# (id, x, y, w, h, shape, glyph, tooltip, kind, bitmap ids (n, h, p) or None, disabled look?)
TV_BUTTONS = [
    (401, 342, 57, 20, 11, "key", g_minimise, 99, "std", (153, 155, 154), False),
    (402, 348, 74, 17, 16, "key", g_fullscreen, 110, "std", (156, 158, 157), True),
    (403, 352, 95, 14, 14, "round", g_close, 108, "std", (159, 161, 160), True),
    (404, 67, 300, 31, 30, "round", g_panel, 111, "std", (162, 164, 163), False),
    (405, 88, 115, 31, 20, "key", g_scan, 103, "std", (165, 167, 166), True),
    (406, 42, 149, 63, 21, "pill", g_mute_label(False), 105, "std", (321, 323, 322), True),
    (407, 239, 115, 31, 20, "key", g_folder, 126, "std", (171, 173, 172), True),
    (408, 163, 115, 31, 20, "key", g_gear, 112, "std", (174, 176, 175), True),
    (409, 163, 115, 31, 20, "key", g_gear, 112, "std", (174, 176, 175), True),
    (410, 357, 84, 27, 27, "round", g_rectype, 114, "std", (180, 215, 214), True),
    (411, 290, 124, 38, 36, "round", g_record(False), 106, "red", (263, 202, 264), True),
    (412, 217, 84, 27, 27, "round", g_colour, 102, "std", (203, 205, 204), True),
    (413, 182, 84, 27, 27, "round", g_list, 104, "std", (183, 185, 184), True),
    # volume and playback
    (501, 110, 306, 20, 18, "key", g_vol(-1), 115, "std", None, True),
    (502, 340, 306, 20, 18, "key", g_vol(1), 116, "std", None, True),
    (504, 118, 149, 28, 22, "key", g_back, 118, "std", None, False),
    (503, 150, 149, 28, 22, "key", g_play, 117, "std", None, False),
    (506, 182, 149, 28, 22, "key", g_pause, 120, "std", None, False),
    (505, 214, 149, 28, 22, "key", g_forward, 119, "std", None, False),
    (507, 246, 149, 28, 22, "key", g_tv, 121, "std", None, False),
    # keypad
    (1097, 24, 186, 26, 20, "key", g_text("1", 7, 1.4), 0, "std", None, False),
    (1098, 54, 186, 26, 20, "key", g_text("2", 7, 1.4), 0, "std", None, False),
    (1099, 84, 186, 26, 20, "key", g_text("3", 7, 1.4), 0, "std", None, False),
    (1100, 24, 210, 26, 20, "key", g_text("4", 7, 1.4), 0, "std", None, False),
    (1101, 54, 210, 26, 20, "key", g_text("5", 7, 1.4), 0, "std", None, False),
    (1102, 84, 210, 26, 20, "key", g_text("6", 7, 1.4), 0, "std", None, False),
    (1103, 24, 234, 26, 20, "key", g_text("7", 7, 1.4), 0, "std", None, False),
    (1104, 54, 234, 26, 20, "key", g_text("8", 7, 1.4), 0, "std", None, False),
    (1105, 84, 234, 26, 20, "key", g_text("9", 7, 1.4), 0, "std", None, False),
    (1109, 24, 258, 26, 20, "key", g_text("-/--", 5, 1.1, 0.8), 0, "std", None, False),
    (1096, 54, 258, 26, 20, "key", g_text("0", 7, 1.4), 0, "std", None, False),
    (1106, 84, 258, 26, 20, "key", g_back_arrow, 0, "std", None, False),
    (1108, 122, 186, 28, 38, "key", g_chevron(1), 0, "std", None, False),
    (1107, 122, 240, 28, 38, "key", g_chevron(-1), 0, "std", None, False),
    # functions
    (1110, 178, 192, 52, 24, "key", g_icon_label(g_camera, "SNAP"), 124, "std", None, True),
    (1112, 236, 192, 52, 24, "key", g_icon_label(g_tv, "AV"), 125, "std", None, True),
    (1113, 294, 192, 52, 24, "key", g_icon_label(g_grid16, "WALL"), 132, "std", None, True),
    (1177, 178, 224, 52, 24, "key", g_icon_label(g_wave, "FM"), 0, "std", None, True),
    (1199, 236, 224, 52, 24, "key", g_icon_label(g_clock, "TASK"), 113, "std", None, False),
    (1111, 294, 224, 52, 24, "key", g_icon_label(g_question, "HELP"), 101, "std", None, False),
]


def volume_colour(i, n):
    t = i / (n - 1)
    if t < 0.6:
        return mix(hexrgb("2bd4c8"), hexrgb("5ee06a"), t / 0.6)
    if t < 0.85:
        return mix(hexrgb("5ee06a"), hexrgb("f2d23a"), (t - 0.6) / 0.25)
    return mix(hexrgb("f2d23a"), hexrgb("f0503a"), (t - 0.85) / 0.15)


def volume_segment(bg, x, y, w, h, i, n, lit, hover):
    cv = bg.crop(x, y, w, h)
    bar_h = 6 + (h - 6) * i / (n - 1)
    top = h - bar_h
    if lit:
        col = volume_colour(i, n)
        cv.rrect(0.5, top, w - 0.5, h, 1.2, vgrad(mix(col, (255, 255, 255), 0.25), mix(col, (0, 0, 0), 0.2), top, h))
        if hover:
            cv.ring_rrect(0.5, top, w - 0.5, h, 1.2, 1, (255, 255, 255), 0.6)
    else:
        cv.rrect(0.5, top, w - 0.5, h, 1.2, hexrgb("262c36"))
        cv.ring_rrect(0.5, top, w - 0.5, h, 1.2, 0.8, hexrgb("3b4452"), 0.8)
        if hover:
            cv.ring_rrect(0.5, top, w - 0.5, h, 1.2, 1, ACCENT, 0.8)
    return cv


def tv_background():
    cv = Canvas(TV_W, TV_H)
    paint = brushed(BODY_TOP, BODY_BOTTOM, 10, TV_H)
    # Hard outer edge (the window region is cut from it), then a bevel inside.
    for y in range(TV_H):
        for x in range(TV_W):
            if tv_body_distance(x + 0.5, y + 0.5) < 0:
                cv.px[y][x] = list(paint(x + 0.5, y + 0.5))
    cv.shade((0, 0, TV_W, TV_H), lambda x, y: abs(tv_body_distance(x, y) + 1.0) - 0.9, EDGE_LIGHT, 0.55)
    cv.shade((0, 0, TV_W, TV_H), lambda x, y: abs(tv_body_distance(x, y) + 3.0) - 0.7, EDGE_DARK, 0.35)
    # Logo on the crown.
    draw_text(cv, "TUNARO", 42, 30, 13, hexrgb("e8edf4"), 2.2, 1.8)
    cv.line(42, 52, 152, 52, 1.5, ACCENT, 0.9)
    draw_text(cv, "TV", 132, 57, 6, ACCENT, 1.2, 1.2)
    # Display: the status line (170, 70; 180 x 16) sits in it.
    cv.rrect(163, 61, 341, 85, 5, hexrgb("06090b"))
    cv.rrect(164, 62, 340, 84, 4.5, vgrad(LCD_TOP, LCD_BOTTOM, 62, 84))
    cv.ring_rrect(164, 62, 340, 84, 4.5, 0.8, hexrgb("2a5f5a"), 0.6)
    for gx in range(168, 338, 4):
        cv.line(gx, 65, gx, 81, 0.5, hexrgb("163a38"), 0.25)
    # Section captions and grouping lines.
    draw_text(cv, "CHANNEL", 24, 176, 5, GLYPH_OFF, 1.0, 1.2)
    draw_text(cv, "CH", 129, 230, 5, GLYPH_OFF, 1.0, 1.2)
    draw_text(cv, "VOLUME", 200, 292, 5, GLYPH_OFF, 1.0, 1.2)
    draw_text(cv, "REC", 300, 165, 5, hexrgb("c05a56"), 1.0, 1.2)
    cv.line(20, 140, 380, 140, 1, EDGE_DARK, 0.35)
    cv.line(20, 141, 380, 141, 1, EDGE_LIGHT, 0.12)
    cv.line(20, 286, 380, 286, 1, EDGE_DARK, 0.35)
    cv.line(20, 287, 380, 287, 1, EDGE_LIGHT, 0.12)
    # Volume strip.
    cv.rrect(134, 302, 336, 328, 5, WELL, 0.85)
    # Wells under every button (the record button gets a red rim).
    seen = set()
    for b in TV_BUTTONS:
        key = (b[1], b[2], b[3], b[4])
        if key in seen or b[0] == 410:
            continue
        seen.add(key)
        draw_well(cv, b[1], b[2], b[3], b[4], b[5])
    cv.ring(309, 142, 22, 1.2, RED, 0.35)
    # Screws.
    for sx, sy in ((22, 326), (378, 326), (378, 62)):
        cv.circle(sx, sy, 3, hexrgb("555e6e"))
        cv.line(sx - 2, sy, sx + 2, sy, 0.8, EDGE_DARK, 0.8)
    return cv


def volume_layout(first_id, count, x0, y, seg_w, gap, h):
    return [(first_id + i, x0 + i * (seg_w + gap), y, seg_w, h) for i in range(count)]


def make_tv():
    out = Output("tunaro")
    bg = tv_background()
    out.bitmap(151, "panel_skin", bg, "the panel's skin and window shape (black is outside)", keep_black=True)
    out.data("BG.BMP", bg, keep_black=True)

    next_id = [600]

    def new_id():  # 601-899; the volume segments use 900-979
        next_id[0] += 1
        assert next_id[0] < 900
        return next_id[0]

    rows, made = [], {}
    for (cid, x, y, w, h, shape, glyph, tip, kind, ids, disabled) in TV_BUTTONS:
        key = (x, y, w, h, shape, kind, ids)
        if key in made:
            n, hv, p, d = made[key]
        else:
            n, hv, p = ids if ids else (new_id(), new_id(), new_id())
            name = "b%d" % cid
            for rid, state in ((n, "normal"), (hv, "hover"), (p, "pressed")):
                out.bitmap(rid, "%s_%s" % (name, state), draw_button(bg, x, y, w, h, shape, glyph, state, kind),
                           "%d %s" % (cid, state))
            d = 0
            if disabled:
                d = new_id()
                out.bitmap(d, "%s_disabled" % name, draw_button(bg, x, y, w, h, shape, glyph, "disabled", kind),
                           "%d disabled" % cid)
            made[key] = (n, hv, p, d)
        rows.append((cid, x, y, w, h, 0, n, hv, p, d, tip, 1))

    # Second looks: recording and muted.
    b411 = [b for b in TV_BUTTONS if b[0] == 411][0]
    rec = [new_id() for _ in range(3)]
    for rid, state in zip(rec, ("recording", "hover", "pressed")):
        cv = draw_button(bg, b411[1], b411[2], b411[3], b411[4], "round", g_record(True), state, "red")
        if state == "recording":
            cv.ring(b411[3] / 2, b411[4] / 2, b411[4] / 2 - 2.5, 1.4, hexrgb("ffd0cc"), 0.8)
        out.bitmap(rid, "b411_recording_%s" % state, cv, "411 recording look, %s" % state)
    recording_row = (411, b411[1], b411[2], b411[3], b411[4], 0, rec[0], rec[1], rec[2], 0, 122, 1)
    b406 = [b for b in TV_BUTTONS if b[0] == 406][0]
    muted = [new_id() for _ in range(3)]
    for rid, state in zip(muted, ("normal", "hover", "pressed")):
        out.bitmap(rid, "b406_muted_%s" % state,
                   draw_button(bg, b406[1], b406[2], b406[3], b406[4], "pill", g_mute_label(True), state),
                   "406 muted look, %s" % state)
    muted_row = (406, b406[1], b406[2], b406[3], b406[4], 0, muted[0], muted[1], muted[2], 0, 105, 1)

    # Volume bar: 18 segments; unlit and lit rows.
    segs = volume_layout(1181, 18, 138, 304, 9, 2, 22)
    unlit_rows, lit_rows = [], []
    for i, (cid, x, y, w, h) in enumerate(segs):
        u, uh, l, lh = 900 + i, 920 + i, 940 + i, 960 + i
        out.bitmap(u, "vol%02d_unlit" % i, volume_segment(bg, x, y, w, h, i, 18, False, False), "%d unlit" % cid)
        out.bitmap(uh, "vol%02d_unlit_hover" % i, volume_segment(bg, x, y, w, h, i, 18, False, True),
                   "%d unlit, hover" % cid)
        out.bitmap(l, "vol%02d_lit" % i, volume_segment(bg, x, y, w, h, i, 18, True, False), "%d lit" % cid)
        out.bitmap(lh, "vol%02d_lit_hover" % i, volume_segment(bg, x, y, w, h, i, 18, True, True),
                   "%d lit, hover" % cid)
        unlit_rows.append((cid, x, y, w, h, 0, u, uh, l, 0, 0, 1))
        lit_rows.append((cid, x, y, w, h, 0, l, lh, l, 0, 0, 1))

    write_layout("tunaro", "skin_layout.h", "tv", "Layout of the TV control panel's skin: where each button sits and its bitmaps.", [
        ("kPanelButtons", "Buttons 401-413, 501-507, keypad and channel keys, functions (1110-1113, 1177, 1199).", rows),
        ("kRecordingRow", "The Record button while recording.", [recording_row]),
        ("kMutedRow", "The mute button while muted.", [muted_row]),
        ("kVolumeUnlit", "Volume segments 1181-1198, unlit.", unlit_rows),
        ("kVolumeLit", "Volume segments 1181-1198, lit.", lit_rows),
    ])
    with open(os.path.join(out.folder, "skin_layout.h"), "a") as f:
        f.write("// The status line (control 1069) sits in the display at 170, 70 (180 x 16).\n")

    # Snapshot browser background and its six buttons; TV wall placeholder; splash; icons.
    snapshot_browser(out)
    out.bitmap(329, "tvwall_placeholder", tv_wall_placeholder(), "TV wall cell placeholder (320 x 240)")
    out.data("splash.bmp", splash())
    save_icon(os.path.join(out.folder, "tunaro.ico"), [app_icon(32), app_icon(16)])
    save_icon(os.path.join(out.folder, "remote_active.ico"), [remote_icon(32), remote_icon(16)])
    save_icon(os.path.join(out.folder, "hand.cur"), [hand_cursor()], cursor_hotspot=(9, 2))
    out.rc(['128   ICON   "tunaro.ico"        // the suite\'s icon',
            '130   ICON   "remote_active.ico" // shown while a remote key arrives',
            '352   CURSOR "hand.cur"          // the skin buttons\' hand'],
           "Skin bitmaps, icons and cursor of the TV application (include from its resource script).")
    return bg


# ---- snapshot browser (background 339) ---------------------------------------------------------
SNAP_W, SNAP_H = 680, 236
SNAP_BUTTONS = [  # id, label, x
    (1178, "CAPTURE", 16), (1174, "SAVE", 118), (1177, "SAVE ALL", 220), (1173, "DELETE", 322),
    (1175, "REMOVE ALL", 424), (2040, "CLOSE", 578),
]


def snapshot_browser(out):
    cv = Canvas(SNAP_W, SNAP_H)
    cv.fill(brushed(BODY_TOP, BODY_BOTTOM, 0, SNAP_H))
    cv.ring_rrect(0, 0, SNAP_W, SNAP_H, 6, 1.2, EDGE_LIGHT, 0.5)
    draw_text(cv, "SNAPSHOTS", 16, 10, 8, hexrgb("e8edf4"), 1.5, 1.6)
    cv.line(16, 23, 100, 23, 1.2, ACCENT, 0.9)
    cv.rrect(10, 30, SNAP_W - 10, 162, 4, WELL, 0.9)  # thumbnail strip (list view 1171)
    cv.rrect(10, 168, SNAP_W - 10, 186, 4, WELL, 0.6)  # slider 1176
    for cid, label, x in SNAP_BUTTONS:
        draw_well(cv, x, 198, 92 if cid != 2040 else 86, 26, "key")
    out.bitmap(339, "snapshot_background", cv, "snapshot browser background")
    rows = []
    rid = 380
    for cid, label, x in SNAP_BUTTONS:
        w = 92 if cid != 2040 else 86
        ids = []
        for state in ("normal", "hover", "pressed"):
            b = draw_button(cv, x, 198, w, 26, "key", g_text(label, 6, 1.2, 1.3), state)
            out.bitmap(rid, "snap%d_%s" % (cid, state), b, "snapshot browser %s, %s" % (label.lower(), state))
            ids.append(rid)
            rid += 1
        rows.append((cid, x, 198, w, 26, 0, ids[0], ids[1], ids[2], 0, 0, 1))
    write_layout("tunaro", "snapshot_layout.h", "snapshot",
                 "Layout of the snapshot browser's skin: background 339, list view 1171 at 12,32 (656 x 128), "
                 "slider 1176 at 12,169 (656 x 16).", [("kSnapshotButtons", "The six buttons.", rows)])


def tv_wall_placeholder():
    cv = Canvas(320, 240)
    cv.fill(lambda x, y: mix(hexrgb("1b2330"), hexrgb("0b0e14"), clamp(math.hypot(x - 160, y - 120) / 200)))
    for i in range(0, 320, 8):  # faint scan lines
        pass
    for y in range(0, 240, 3):
        cv.line(0, y + 0.5, 320, y + 0.5, 0.6, hexrgb("000000"), 0.12)
    cv.ring_rrect(118, 78, 202, 138, 8, 3, hexrgb("5b6678"))
    cv.line(142, 64, 160, 78, 2.5, hexrgb("5b6678"))
    cv.line(178, 64, 160, 78, 2.5, hexrgb("5b6678"))
    g_wave(cv, 160, 108, 0, ACCENT)
    draw_text_centred(cv, "WAITING FOR PICTURE", 160, 166, 8, hexrgb("9aa4b5"), 1.4, 1.5)
    return cv


def splash():
    w, h = 640, 431
    cv = Canvas(w, h)
    cv.fill(lambda x, y: mix(mix(hexrgb("1f2836"), hexrgb("0b0d12"), clamp(y / h)), hexrgb("123a44"),
                             0.45 * clamp(1 - math.hypot(x - 460, y - 170) / 380)))
    # Light arcs.
    for r, a in ((260, 0.18), (300, 0.12), (340, 0.08)):
        cv.ring(470, 520, r, 2.0, ACCENT, a)
    # Stylised screen.
    cv.rrect(362, 96, 582, 246, 14, hexrgb("0a0d12"))
    cv.rrect(370, 104, 574, 238, 9, vgrad(hexrgb("1a4a55"), hexrgb("0d1c24"), 104, 238))
    for i, col in enumerate(("e8e8e8", "e8d84a", "4ad8d8", "4ad84a", "d84ad8", "d84a4a", "4a4ad8")):
        x0 = 384 + i * 26
        cv.rrect(x0, 118, x0 + 24, 190, 2, hexrgb(col), 0.85)
    cv.rrect(384, 196, 566, 224, 3, hexrgb("0d1014"), 0.9)
    g_wave(cv, 475, 210, 0, ACCENT)
    cv.line(440, 262, 516, 262, 6, hexrgb("2a303b"))
    cv.line(472, 246, 468, 262, 6, hexrgb("2a303b"))
    draw_text(cv, "TUNARO", 48, 150, 44, hexrgb("f2f5fa"), 6, 1.8)
    cv.line(50, 212, 300, 212, 2.5, ACCENT)
    draw_text(cv, "TV AND FM FOR YOUR PC", 50, 228, 11, hexrgb("b8c2d2"), 1.7, 1.6)
    draw_text(cv, "WATCH  RECORD  LISTEN  PLAN", 50, 252, 8, hexrgb("7e8899"), 1.3, 1.6)
    draw_text(cv, "STARTING", 50, 380, 8, hexrgb("7e8899"), 1.3, 1.6)
    for i in range(3):
        cv.circle(122 + i * 9, 387, 1.8, ACCENT, 0.9 - i * 0.25)
    draw_text(cv, "VERSION 3.0", 520, 400, 7, hexrgb("5c6678"), 1.2, 1.5)
    return cv


def app_icon(size):
    cv = Canvas(size, size)
    s = size / 32.0
    cv.alpha = [[0.0] * size for _ in range(size)]
    shape = Canvas(size, size)  # coverage of the whole icon, for the alpha plane
    shape.rrect(1 * s, 4 * s, 31 * s, 26 * s, 5 * s, (255, 255, 255))
    shape.line(12 * s, 29 * s, 20 * s, 29 * s, 3 * s, (255, 255, 255))
    cv.rrect(1 * s, 4 * s, 31 * s, 26 * s, 5 * s, vgrad(FACE_HOT_TOP, BODY_BOTTOM, 4 * s, 26 * s))
    cv.rrect(4 * s, 7 * s, 28 * s, 23 * s, 2.5 * s, vgrad(hexrgb("2a8fa2"), hexrgb("0d2a33"), 7 * s, 23 * s))
    cv.line(12 * s, 29 * s, 20 * s, 29 * s, 3 * s, EDGE_LIGHT)
    draw_text_centred(cv, "T", 16 * s, 15 * s, 10 * s, hexrgb("ffffff"), max(1.2, 2.2 * s))
    for y in range(size):
        for x in range(size):
            cv.alpha[y][x] = shape.px[y][x][0] / 255.0
    return cv


def remote_icon(size):
    cv = app_icon(size)
    s = size / 32.0
    cv.circle(25 * s, 8 * s, 6 * s, RED)
    cv.circle(25 * s, 8 * s, 2.5 * s, hexrgb("ffffff"))
    for y in range(size):
        for x in range(size):
            if math.hypot(x + 0.5 - 25 * s, y + 0.5 - 8 * s) < 6 * s + 0.5:
                cv.alpha[y][x] = 1.0
    return cv


def hand_cursor():
    cv = Canvas(32, 32)
    shape = Canvas(32, 32)
    parts = [
        ("rrect", (7, 1, 12, 17, 2.5)),  # index finger
        ("rrect", (11, 8, 16, 18, 2.5)),
        ("rrect", (15, 9, 20, 19, 2.5)),
        ("rrect", (19, 11, 24, 20, 2.5)),
        ("rrect", (7, 14, 24, 28, 5)),  # palm
        ("poly", [(7.5, 18), (2, 13), (1.5, 15.5), (7, 23)]),  # thumb
    ]
    for kind, a in parts:
        if kind == "rrect":
            shape.rrect(a[0] - 1, a[1] - 1, a[2] + 1, a[3] + 1, a[4] + 1, (255, 255, 255))
        else:
            shape.polygon([(x, y) for x, y in a], (255, 255, 255))
            shape.line(a[0][0], a[0][1], a[1][0], a[1][1], 2.5, (255, 255, 255))
    for y in range(32):
        for x in range(32):
            cv.px[y][x] = [0, 0, 0]
            cv.alpha[y][x] = 1.0 if shape.px[y][x][0] > 100 else 0.0
    for kind, a in parts:
        if kind == "rrect":
            cv.rrect(a[0], a[1], a[2], a[3], a[4], (255, 255, 255))
        else:
            cv.polygon([(x, y) for x, y in a], (255, 255, 255))
    return cv


# ---- the FM application -------------------------------------------------------------------------
FM_W, FM_H = 440, 236
FM_BUTTONS = [
    (1052, 330, 12, 20, 14, "key", g_question, "about"),
    (1051, 356, 12, 20, 14, "key", g_minimise, "minimise"),
    (403, 382, 12, 20, 14, "key", g_close, "exit"),
    (1097, 24, 50, 26, 20, "key", g_text("1", 7, 1.4), "1"),
    (1098, 54, 50, 26, 20, "key", g_text("2", 7, 1.4), "2"),
    (1099, 84, 50, 26, 20, "key", g_text("3", 7, 1.4), "3"),
    (1100, 24, 74, 26, 20, "key", g_text("4", 7, 1.4), "4"),
    (1101, 54, 74, 26, 20, "key", g_text("5", 7, 1.4), "5"),
    (1102, 84, 74, 26, 20, "key", g_text("6", 7, 1.4), "6"),
    (1103, 24, 98, 26, 20, "key", g_text("7", 7, 1.4), "7"),
    (1104, 54, 98, 26, 20, "key", g_text("8", 7, 1.4), "8"),
    (1105, 84, 98, 26, 20, "key", g_text("9", 7, 1.4), "9"),
    (1106, 24, 122, 26, 20, "key", g_back_arrow, "last channel"),
    (1096, 54, 122, 26, 20, "key", g_text("0", 7, 1.4), "0"),
    (1119, 84, 122, 26, 20, "key", g_play, "quick play"),
    (405, 24, 152, 40, 20, "key", g_text("SCAN", 6, 1.15, 1.2), "scan"),
    (1015, 70, 152, 40, 20, "key", g_gear, "setting"),
    (1112, 118, 152, 40, 20, "key", g_tv, "TV"),
    (1089, 346, 50, 30, 26, "key", g_chevron(1), "Freq+"),
    (1090, 346, 82, 30, 26, "key", g_chevron(-1), "Freq-"),
    (1108, 384, 50, 30, 26, "key", g_vol(1), "channel +"),
    (1107, 384, 82, 30, 26, "key", g_vol(-1), "channel -"),
    (1053, 24, 192, 28, 22, "key", g_folder, "open"),
    (1049, 56, 192, 28, 22, "key", g_play, "play"),
    (506, 88, 192, 28, 22, "key", g_pause, "pause"),
    (1050, 120, 192, 28, 22, "key", g_stop, "stop"),
    (1094, 160, 190, 26, 26, "round", g_record(False), "record"),
    (507, 192, 192, 28, 22, "key", g_text("STOP", 5, 1.05, 1.0), "stop record"),
    (406, 346, 118, 68, 22, "pill", g_mute_label(False), "mute"),
    (501, 232, 194, 20, 18, "key", g_vol(-1), "volume -"),
    (502, 402, 194, 20, 18, "key", g_vol(1), "volume +"),
]


def fm_distance(x, y):
    cx, cy, hx, hy, r = FM_W / 2, (FM_H + 4) / 2, FM_W / 2 - 4, (FM_H - 4) / 2 - 2, 24
    qx, qy = abs(x - cx) - hx + r, abs(y - cy) - hy + r
    return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r


def make_fm():
    out = Output("fm")
    cv = Canvas(FM_W, FM_H)
    paint = brushed(BODY_TOP, BODY_BOTTOM, 0, FM_H)
    for y in range(FM_H):
        for x in range(FM_W):
            if fm_distance(x + 0.5, y + 0.5) < 0:
                cv.px[y][x] = list(paint(x + 0.5, y + 0.5))
    cv.shade((0, 0, FM_W, FM_H), lambda x, y: abs(fm_distance(x, y) + 1.0) - 0.9, EDGE_LIGHT, 0.55)
    draw_text(cv, "TUNARO FM", 24, 16, 9, hexrgb("e8edf4"), 1.7, 1.7)
    cv.line(24, 30, 120, 30, 1.3, ACCENT, 0.9)
    # The display: clock (205, 52), mode label (180, 112), frequency (207, 149).
    cv.rrect(167, 41, 333, 173, 7, hexrgb("06090b"))
    cv.rrect(168, 42, 332, 172, 6.5, vgrad(LCD_TOP, LCD_BOTTOM, 42, 172))
    cv.ring_rrect(168, 42, 332, 172, 6.5, 0.8, hexrgb("2a5f5a"), 0.6)
    cv.line(176, 102, 324, 102, 0.8, hexrgb("2a5f5a"), 0.5)
    for i in range(0, 29):  # tuning scale under the frequency
        x = 180 + i * 5
        cv.line(x, 136, x, 136 + (6 if i % 5 == 0 else 3), 0.8, LCD_TEXT, 0.45)
    draw_text(cv, "MHZ", 300, 150, 5, LCD_TEXT, 1.0, 1.2, 0.8)
    draw_text(cv, "FREQ", 349, 40, 5, GLYPH_OFF, 1.0, 1.2)
    draw_text(cv, "CH", 393, 40, 5, GLYPH_OFF, 1.0, 1.2)
    draw_text(cv, "VOLUME", 300, 180, 5, GLYPH_OFF, 1.0, 1.2)
    cv.rrect(256, 192, 398, 214, 4, WELL, 0.85)
    for b in FM_BUTTONS:
        draw_well(cv, b[1], b[2], b[3], b[4], b[5])
    out.bitmap(137, "fm_skin", cv, "the FM window's skin and shape (black is outside)", keep_black=True)
    out.data("BG.BMP", cv, keep_black=True)

    rows = []
    rid = 400
    for cid, x, y, w, h, shape, glyph, what in FM_BUTTONS:
        kind = "red" if cid == 1094 else "std"
        ids = []
        for state in STATES:
            out.bitmap(rid, "b%d_%s" % (cid, state), draw_button(cv, x, y, w, h, shape, glyph, state, kind),
                       "%s, %s" % (what, state))
            ids.append(rid)
            rid += 1
        rows.append((cid, x, y, w, h, 0, ids[0], ids[1], ids[2], ids[3], 0, 1))
    b406 = [b for b in FM_BUTTONS if b[0] == 406][0]
    muted = []
    for state in ("normal", "hover", "pressed"):
        out.bitmap(rid, "b406_muted_%s" % state,
                   draw_button(cv, b406[1], b406[2], b406[3], b406[4], "pill", g_mute_label(True), state),
                   "mute, muted look, %s" % state)
        muted.append(rid)
        rid += 1
    b1094 = [b for b in FM_BUTTONS if b[0] == 1094][0]
    rec = []
    for state in ("recording", "hover", "pressed"):
        out.bitmap(rid, "b1094_recording_%s" % state,
                   draw_button(cv, b1094[1], b1094[2], b1094[3], b1094[4], "round", g_record(True), state, "red"),
                   "record, recording look, %s" % state)
        rec.append(rid)
        rid += 1
    segs = volume_layout(1062, 10, 260, 194, 12, 2, 18)
    unlit_rows, lit_rows = [], []
    for i, (cid, x, y, w, h) in enumerate(segs):
        u, uh, l, lh = 600 + i, 610 + i, 620 + i, 630 + i
        out.bitmap(u, "vol%02d_unlit" % i, volume_segment(cv, x, y, w, h, i, 10, False, False), "%d unlit" % cid)
        out.bitmap(uh, "vol%02d_unlit_hover" % i, volume_segment(cv, x, y, w, h, i, 10, False, True),
                   "%d unlit, hover" % cid)
        out.bitmap(l, "vol%02d_lit" % i, volume_segment(cv, x, y, w, h, i, 10, True, False), "%d lit" % cid)
        out.bitmap(lh, "vol%02d_lit_hover" % i, volume_segment(cv, x, y, w, h, i, 10, True, True),
                   "%d lit, hover" % cid)
        unlit_rows.append((cid, x, y, w, h, 0, u, uh, l, 0, 0, 1))
        lit_rows.append((cid, x, y, w, h, 0, l, lh, l, 0, 0, 1))
    write_layout("fm", "skin_layout.h", "fm", "Layout of the FM window's skin: where each button sits and its bitmaps.", [
        ("kFmButtons", "Buttons of the FM window.", rows),
        ("kMutedRow", "The mute button while muted.", [(406, b406[1], b406[2], b406[3], b406[4], 0) + tuple(muted) + (0, 0, 1)]),
        ("kRecordingRow", "The record button while recording.",
         [(1094, b1094[1], b1094[2], b1094[3], b1094[4], 0) + tuple(rec) + (0, 0, 1)]),
        ("kVolumeUnlit", "Volume segments 1062-1071, unlit.", unlit_rows),
        ("kVolumeLit", "Volume segments 1062-1071, lit.", lit_rows),
    ])
    with open(os.path.join(out.folder, "skin_layout.h"), "a") as f:
        f.write("// Texts on the display: clock at 205,52 (100 x 13), mode label at 180,112 (70 x 15),\n"
                "// frequency at 207,149 (100 x 12).\n")
    save_icon(os.path.join(out.folder, "hand.cur"), [hand_cursor()], cursor_hotspot=(9, 2))
    save_icon(os.path.join(out.folder, "fm.ico"), [fm_icon(32), fm_icon(16)])
    out.rc(['128   ICON   "fm.ico"   // the FM application\'s icon',
            '141   CURSOR "hand.cur" // the skin buttons\' hand'],
           "Skin bitmaps, icon and cursor of the FM application (include from its resource script).")


def fm_icon(size):
    cv = app_icon(size)
    s = size / 32.0
    cv.rrect(4 * s, 7 * s, 28 * s, 23 * s, 2.5 * s, vgrad(hexrgb("1f6f4a"), hexrgb("0d2a1c"), 7 * s, 23 * s))
    draw_text_centred(cv, "FM", 16 * s, 15 * s, 8 * s, hexrgb("ffffff"), max(1.1, 1.8 * s), 1.2)
    return cv


if __name__ == "__main__":
    write_row_header()
    make_tv()
    make_fm()
    print("skin written under res/tunaro and res/fm")
