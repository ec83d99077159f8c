#!/usr/bin/env python3
# Pictures of the setup wizard in the suite's look: the side picture of the welcome and finish
# pages (164 x 314) and the header picture of the other pages (150 x 57).
# Run: python3 installer/art.py (writes installer/wizard.bmp and installer/header.bmp)
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "res", "art"))
from gfx import Canvas, clamp, draw_text, draw_text_centred, hexrgb, mix  # noqa: E402

ACCENT = hexrgb("35c6dc")
BARS = ("e8e8e8", "e8d84a", "4ad8d8", "4ad84a", "d84ad8", "d84a4a", "4a4ad8")


def vgrad(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, clamp((y - y0) / max(1.0, y1 - y0)))


def wave(cv, cx, cy, half, colour):
    n = int(half * 4)
    pts = [(cx - half + i * 0.5, cy + 3.5 * math.sin(i * 0.45)) for i in range(n + 1)]
    cv.polyline(pts, 1.4, colour)


def screen(cv, x0, y0, w, h):
    """The stylised TV of the splash picture, top-left at (x0, y0)."""
    cv.rrect(x0, y0, x0 + w, y0 + h, 10, hexrgb("0a0d12"))
    cv.rrect(x0 + 6, y0 + 6, x0 + w - 6, y0 + h - 6, 7, vgrad(hexrgb("1a4a55"), hexrgb("0d1c24"), y0, y0 + h))
    bar_w = (w - 24) / len(BARS)
    for i, col in enumerate(BARS):
        bx = x0 + 12 + i * bar_w
        cv.rrect(bx, y0 + 14, bx + bar_w - 2, y0 + h * 0.62, 1.5, hexrgb(col), 0.85)
    cv.rrect(x0 + 12, y0 + h * 0.66, x0 + w - 12, y0 + h - 12, 2.5, hexrgb("0d1014"), 0.9)
    wave(cv, x0 + w / 2, y0 + h * 0.66 + (h * 0.34 - 12) / 2, 7, ACCENT)
    cv.line(x0 + w / 2 - 26, y0 + h + 12, x0 + w / 2 + 26, y0 + h + 12, 5, hexrgb("2a303b"))
    cv.line(x0 + w / 2 + 2, y0 + h, x0 + w / 2 - 1, y0 + h + 12, 5, hexrgb("2a303b"))


def wizard():
    w, h = 164, 314
    cv = Canvas(w, h)
    cv.fill(lambda x, y: mix(mix(hexrgb("1f2836"), hexrgb("0b0d12"), clamp(y / h)), hexrgb("123a44"),
                             0.5 * clamp(1 - math.hypot(x - 82, y - 120) / 170)))
    for r, a in ((150, 0.16), (180, 0.11), (210, 0.07)):
        cv.ring(40, 380, r, 1.6, ACCENT, a)
    screen(cv, 22, 52, 120, 84)
    draw_text_centred(cv, "TUNARO", 82, 196, 20, hexrgb("f2f5fa"), 3, 1.8)
    cv.line(30, 216, 134, 216, 2, ACCENT)
    draw_text_centred(cv, "TV AND FM", 82, 232, 8, hexrgb("b8c2d2"), 1.3, 1.6)
    draw_text_centred(cv, "FOR YOUR PC", 82, 246, 8, hexrgb("b8c2d2"), 1.3, 1.6)
    draw_text_centred(cv, "VERSION 3.0", 82, 294, 6, hexrgb("5c6678"), 1.1, 1.5)
    return cv


def header():
    w, h = 150, 57
    cv = Canvas(w, h)
    cv.fill(lambda x, y: mix(hexrgb("1f2836"), hexrgb("0f1218"), clamp(x / w)))
    draw_text(cv, "TUNARO", 14, 17, 12, hexrgb("f2f5fa"), 2, 1.8)
    cv.line(14, 35, 76, 35, 1.5, ACCENT)
    for i, col in enumerate(BARS):
        bx = 96 + i * 6
        cv.rrect(bx, 17, bx + 4.5, 36, 1, hexrgb(col), 0.85)
    return cv


if __name__ == "__main__":
    wizard().save_bmp(os.path.join(HERE, "wizard.bmp"))
    header().save_bmp(os.path.join(HERE, "header.bmp"))
