# The scheduler's icon (resource 128, also its tray icon): the suite's set with a clock on an
# amber screen, drawn with the skin generator's primitives. Run: python3 res/schedule/make_icon.py
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "art"))
from gfx import hexrgb, save_icon  # noqa: E402
from skin import app_icon, vgrad  # noqa: E402


def schedule_icon(size):
    cv = app_icon(size)
    s = size / 32.0
    cv.rrect(4 * s, 7 * s, 28 * s, 23 * s, 2.5 * s, vgrad(hexrgb("b8741a"), hexrgb("3a2206"), 7 * s, 23 * s))
    white = hexrgb("ffffff")
    cx, cy = 16 * s, 15 * s
    cv.ring(cx, cy, 6.2 * s, max(1.0, 1.4 * s), white)
    cv.polyline([(cx, cy - 4.0 * s), (cx, cy), (cx + 3.0 * s, cy + 1.8 * s)], max(1.0, 1.4 * s), white)
    return cv


if __name__ == "__main__":
    save_icon(os.path.join(HERE, "schedule.ico"), [schedule_icon(32), schedule_icon(16)])
    print("wrote res/schedule/schedule.ico")
