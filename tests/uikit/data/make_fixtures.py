#!/usr/bin/env python3
# Writes the small solid-colour bitmaps the UI kit tests load as resources.
# Run from this folder; the output is committed.
import struct


def bmp24(path, w, h, rgb):
    row = bytes([rgb[2], rgb[1], rgb[0]]) * w
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * h
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, 0, 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54) + header + pixels)


bmp24("btn_normal.bmp", 20, 12, (200, 0, 0))
bmp24("btn_hover.bmp", 20, 12, (0, 200, 0))
bmp24("btn_pressed.bmp", 20, 12, (0, 0, 200))
bmp24("btn_fourth.bmp", 20, 12, (90, 90, 90))
bmp24("thumb.bmp", 9, 11, (255, 255, 0))
bmp24("thumb_mask.bmp", 9, 11, (0, 0, 0))
bmp24("channel.bmp", 200, 20, (30, 30, 60))
