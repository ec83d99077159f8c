#!/usr/bin/env python3
# Icons of the remote-control agent: a handset at rest (128) and the same handset sending, with
# red infrared waves (130). Draws with the skin generator's primitives. Run: python3 res/keyrelay/icons.py
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "art"))
from gfx import Canvas, hexrgb, mix, save_icon  # noqa: E402

BODY_TOP = hexrgb("4f596b")
BODY_BOTTOM = hexrgb("1b1f27")
EDGE = hexrgb("8a94a7")
KEY = hexrgb("c9d1dd")
KEY_ACCENT = hexrgb("35c6dc")
LED_OFF = hexrgb("5a2422")
RED = hexrgb("e0403c")
WHITE = hexrgb("ffffff")


def handset(size, sending):
    s = size / 32.0
    cv = Canvas(size, size)
    shape = Canvas(size, size)  # coverage of everything drawn, for the alpha plane

    def both(draw, *args):
        draw(cv, *args)
        colour_free = list(args)
        colour_free[-1] = WHITE
        draw(shape, *colour_free)

    # The handset, tilted a little towards the top right, as if pointed at a screen.
    x0, y0, x1, y1 = 9.5 * s, 11 * s, 22.5 * s, 31.5 * s

    def body_paint(x, y):
        return mix(BODY_TOP, BODY_BOTTOM, (y - y0) / (y1 - y0))

    both(Canvas.rrect, x0 - 0.5 * s, y0 - 0.5 * s, x1 + 0.5 * s, y1 + 0.5 * s, 4 * s, EDGE)
    cv.rrect(x0, y0, x1, y1, 3.6 * s, body_paint)
    # The infrared window at the front end.
    cv.circle(16 * s, 13.5 * s, 1.8 * s, RED if sending else LED_OFF)
    # A round power key and a grid of keys.
    cv.circle(16 * s, 18.5 * s, 2.2 * s, KEY_ACCENT)
    for row in range(2):
        for col in range(2):
            cx = 13.5 * s + col * 5 * s
            cy = 23.5 * s + row * 3.8 * s
            cv.rrect(cx - 1.5 * s, cy - 1 * s, cx + 1.5 * s, cy + 1 * s, 0.8 * s, KEY)
    if sending:
        # Three red arcs spreading from the infrared window.
        # Two arcs at 16 pixels: three would run into one red patch.
        radii = (4.5, 7.5, 10.5) if size >= 32 else (5, 10.5)
        for i, r in enumerate(radii):
            width = max(1.0, 1.6 * s)
            for step in range(-5, 6):
                a0 = math.radians(-90 + step * 9)
                a1 = math.radians(-90 + (step + 1) * 9)
                if step == 5:
                    break
                p0 = (16 * s + r * s * math.cos(a0), 13.5 * s + r * s * math.sin(a0))
                p1 = (16 * s + r * s * math.cos(a1), 13.5 * s + r * s * math.sin(a1))
                cv.line(p0[0], p0[1], p1[0], p1[1], width, RED, 1.0 - i * 0.2)
                shape.line(p0[0], p0[1], p1[0], p1[1], width, WHITE)
    for y in range(size):
        for x in range(size):
            cv.alpha[y][x] = shape.px[y][x][0] / 255.0
    return cv


def main():
    save_icon(os.path.join(HERE, "remote.ico"), [handset(32, False), handset(16, False)])
    save_icon(os.path.join(HERE, "remote_receiving.ico"), [handset(32, True), handset(16, True)])


if __name__ == "__main__":
    main()
