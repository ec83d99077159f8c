# Drawing primitives of the skin generator: an RGB canvas with anti-aliased shapes (signed
# distance coverage), gradients, a stroke font, and BMP/ICO/CUR writers. Standard library only.
import math
import struct


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexrgb(s):
    s = s.lstrip("#")
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


class Canvas:
    """An RGB picture of floats 0..255 with an alpha plane used by icons and cursors."""

    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[list(fill) for _ in range(w)] for _ in range(h)]
        self.alpha = [[1.0] * w for _ in range(h)]

    def copy(self):
        c = Canvas(1, 1)
        c.w, c.h = self.w, self.h
        c.px = [[list(p) for p in row] for row in self.px]
        c.alpha = [list(row) for row in self.alpha]
        return c

    def crop(self, x, y, w, h):
        c = Canvas(w, h)
        for j in range(h):
            for i in range(w):
                sx, sy = x + i, y + j
                if 0 <= sx < self.w and 0 <= sy < self.h:
                    c.px[j][i] = list(self.px[sy][sx])
        return c

    def blend(self, x, y, colour, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y][x]
        if a >= 1:
            p[0], p[1], p[2] = colour[0], colour[1], colour[2]
        else:
            p[0] += (colour[0] - p[0]) * a
            p[1] += (colour[1] - p[1]) * a
            p[2] += (colour[2] - p[2]) * a

    # ---- shapes by coverage ---------------------------------------------------------------

    def shade(self, bbox, dist, paint, opacity=1.0):
        """For each pixel centre in bbox: coverage from the signed distance (negative inside),
        colour from paint(x, y) (a colour or a function)."""
        x0, y0, x1, y1 = bbox
        x0, y0 = max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1)
        x1, y1 = min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1)
        func = callable(paint)
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                cx = x + 0.5
                d = dist(cx, cy)
                a = clamp(0.5 - d)
                if a > 0:
                    self.blend(x, y, paint(cx, cy) if func else paint, a * opacity)

    def rrect(self, x0, y0, x1, y1, r, paint, opacity=1.0):
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
        r = min(r, hx, hy)

        def d(px, py):
            qx, qy = abs(px - cx) - hx + r, abs(py - cy) - hy + r
            return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r

        self.shade((x0, y0, x1, y1), d, paint, opacity)

    def ring_rrect(self, x0, y0, x1, y1, r, width, paint, opacity=1.0):
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
        r = min(r, hx, hy)

        def d(px, py):
            qx, qy = abs(px - cx) - hx + r, abs(py - cy) - hy + r
            s = math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
            return abs(s + width / 2) - width / 2

        self.shade((x0, y0, x1, y1), d, paint, opacity)

    def circle(self, cx, cy, r, paint, opacity=1.0):
        self.shade((cx - r, cy - r, cx + r, cy + r), lambda x, y: math.hypot(x - cx, y - cy) - r, paint, opacity)

    def ring(self, cx, cy, r, width, paint, opacity=1.0):
        self.shade((cx - r - width, cy - r - width, cx + r + width, cy + r + width),
                   lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2, paint, opacity)

    def line(self, x0, y0, x1, y1, width, paint, opacity=1.0):
        dx, dy = x1 - x0, y1 - y0
        ll = dx * dx + dy * dy or 1e-9
        hw = width / 2

        def d(px, py):
            t = clamp(((px - x0) * dx + (py - y0) * dy) / ll)
            return math.hypot(px - x0 - t * dx, py - y0 - t * dy) - hw

        self.shade((min(x0, x1) - hw, min(y0, y1) - hw, max(x0, x1) + hw, max(y0, y1) + hw), d, paint, opacity)

    def polyline(self, pts, width, paint, opacity=1.0):
        for a, b in zip(pts, pts[1:]):
            self.line(a[0], a[1], b[0], b[1], width, paint, opacity)

    def polygon(self, pts, paint, opacity=1.0):
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]

        def d(px, py):
            best = 1e9
            inside = False
            n = len(pts)
            for i in range(n):
                ax, ay = pts[i]
                bx, by = pts[(i + 1) % n]
                ex, ey = bx - ax, by - ay
                ll = ex * ex + ey * ey or 1e-9
                t = clamp(((px - ax) * ex + (py - ay) * ey) / ll)
                best = min(best, math.hypot(px - ax - t * ex, py - ay - t * ey))
                if (ay > py) != (by > py) and px < ax + (py - ay) * ex / (ey or 1e-9):
                    inside = not inside
            return -best if inside else best

        self.shade((min(xs), min(ys), max(xs), max(ys)), d, paint, opacity)

    def fill(self, paint):
        for y in range(self.h):
            for x in range(self.w):
                c = paint(x + 0.5, y + 0.5)
                self.px[y][x] = [c[0], c[1], c[2]]

    # ---- output ---------------------------------------------------------------------------

    def rows_bgr(self, keep_black=False):
        out = []
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for x in range(self.w):
                r, g, b = (int(round(clamp(v, 0, 255))) for v in self.px[y][x])
                if not keep_black and r == 0 and g == 0 and b == 0:
                    b = 1  # pure black is the window-shape key: keep drawn pixels off it
                row += bytes((b, g, r))
            row += b"\0" * ((4 - len(row) % 4) % 4)
            out.append(bytes(row))
        return out

    def save_bmp(self, path, keep_black=False):
        pixels = b"".join(self.rows_bgr(keep_black))
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54) + header + pixels)

    def _icon_image(self):
        """BITMAPINFOHEADER (double height) + 32-bit BGRA rows + 1-bit AND mask."""
        w, h = self.w, self.h
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b = (int(round(clamp(v, 0, 255))) for v in self.px[y][x])
                a = int(round(clamp(self.alpha[y][x]) * 255))
                xor += bytes((b, g, r, a))
        stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if self.alpha[y][x] < 0.5:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        return header + bytes(xor) + bytes(mask)


def save_icon(path, images, cursor_hotspot=None):
    """ICO (or CUR with a hotspot) of several Canvas sizes."""
    kind = 2 if cursor_hotspot else 1
    blobs = [img._icon_image() for img in images]
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        p1, p2 = (cursor_hotspot if cursor_hotspot else (1, 32))
        out += struct.pack("<BBBBHHII", img.w % 256, img.h % 256, 0, 0, p1, p2, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


# ---- stroke font ---------------------------------------------------------------------------
# Glyphs on a 4 x 6 grid (x right, y down; cap height 6), as polylines.
GLYPHS = {
    "A": [[(0, 6), (0, 2), (2, 0), (4, 2), (4, 6)], [(0, 3.5), (4, 3.5)]],
    "B": [[(0, 0), (0, 6), (3, 6), (4, 5), (4, 4), (3, 3), (0, 3)], [(0, 0), (3, 0), (4, 1), (4, 2), (3, 3)]],
    "C": [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 5), (1, 6), (3, 6), (4, 5)]],
    "D": [[(0, 0), (0, 6), (2.5, 6), (4, 4.5), (4, 1.5), (2.5, 0), (0, 0)]],
    "E": [[(4, 0), (0, 0), (0, 6), (4, 6)], [(0, 3), (3, 3)]],
    "F": [[(4, 0), (0, 0), (0, 6)], [(0, 3), (3, 3)]],
    "G": [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 5), (1, 6), (3, 6), (4, 5), (4, 3.5), (2.5, 3.5)]],
    "H": [[(0, 0), (0, 6)], [(4, 0), (4, 6)], [(0, 3), (4, 3)]],
    "I": [[(1, 0), (3, 0)], [(2, 0), (2, 6)], [(1, 6), (3, 6)]],
    "J": [[(4, 0), (4, 5), (3, 6), (1, 6), (0, 5)]],
    "K": [[(0, 0), (0, 6)], [(4, 0), (0, 3.5)], [(1.3, 2.7), (4, 6)]],
    "L": [[(0, 0), (0, 6), (4, 6)]],
    "M": [[(0, 6), (0, 0), (2, 3), (4, 0), (4, 6)]],
    "N": [[(0, 6), (0, 0), (4, 6), (4, 0)]],
    "O": [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)]],
    "P": [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)]],
    "Q": [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)], [(2.5, 4.5), (4, 6.2)]],
    "R": [[(0, 6), (0, 0), (3, 0), (4, 1), (4, 2), (3, 3), (0, 3)], [(2, 3), (4, 6)]],
    "S": [[(4, 1), (3, 0), (1, 0), (0, 1), (0, 2), (1, 3), (3, 3), (4, 4), (4, 5), (3, 6), (1, 6), (0, 5)]],
    "T": [[(0, 0), (4, 0)], [(2, 0), (2, 6)]],
    "U": [[(0, 0), (0, 5), (1, 6), (3, 6), (4, 5), (4, 0)]],
    "V": [[(0, 0), (2, 6), (4, 0)]],
    "W": [[(0, 0), (1, 6), (2, 3), (3, 6), (4, 0)]],
    "X": [[(0, 0), (4, 6)], [(4, 0), (0, 6)]],
    "Y": [[(0, 0), (2, 3), (4, 0)], [(2, 3), (2, 6)]],
    "Z": [[(0, 0), (4, 0), (0, 6), (4, 6)]],
    "0": [[(1, 0), (3, 0), (4, 1), (4, 5), (3, 6), (1, 6), (0, 5), (0, 1), (1, 0)]],
    "1": [[(1, 1), (2, 0), (2, 6)], [(1, 6), (3, 6)]],
    "2": [[(0, 1), (1, 0), (3, 0), (4, 1), (4, 2), (0, 6), (4, 6)]],
    "3": [[(0, 1), (1, 0), (3, 0), (4, 1), (4, 2), (3, 3), (4, 4), (4, 5), (3, 6), (1, 6), (0, 5)], [(1.5, 3), (3, 3)]],
    "4": [[(3, 6), (3, 0), (0, 4), (4, 4)]],
    "5": [[(4, 0), (0, 0), (0, 3), (3, 3), (4, 4), (4, 5), (3, 6), (0, 6)]],
    "6": [[(3.5, 0), (2, 0), (0, 2), (0, 5), (1, 6), (3, 6), (4, 5), (4, 4), (3, 3), (0, 3)]],
    "7": [[(0, 0), (4, 0), (1.5, 6)]],
    "8": [[(1, 0), (3, 0), (4, 1), (4, 2), (3, 3), (1, 3), (0, 2), (0, 1), (1, 0)],
          [(1, 3), (0, 4), (0, 5), (1, 6), (3, 6), (4, 5), (4, 4), (3, 3)]],
    "9": [[(4, 3), (1, 3), (0, 2), (0, 1), (1, 0), (3, 0), (4, 1), (4, 4), (2, 6), (0.5, 6)]],
    "-": [[(0.5, 3), (3.5, 3)]],
    "+": [[(0.5, 3), (3.5, 3)], [(2, 1.5), (2, 4.5)]],
    "/": [[(0.5, 6), (3.5, 0)]],
    ".": [[(2, 5.8), (2, 6)]],
    ":": [[(2, 1.8), (2, 2)], [(2, 5.8), (2, 6)]],
    "'": [[(2, 0), (2, 1.5)]],
    " ": [],
}


def text_width(s, size, spacing=1.6):
    scale = size / 6.0
    return max(0.0, (len(s) * (4 + spacing) - spacing) * scale)


def draw_text(cv, s, x, y, size, colour, width=None, spacing=1.6, opacity=1.0):
    """Text with its top-left at (x, y), cap height `size` pixels."""
    scale = size / 6.0
    width = width or max(1.0, size / 6.0)
    for ch in s.upper():
        for stroke in GLYPHS.get(ch, []):
            pts = [(x + px * scale, y + py * scale) for px, py in stroke]
            if len(pts) == 1:
                pts = pts * 2
            cv.polyline(pts, width, colour, opacity)
        x += (4 + spacing) * scale


def draw_text_centred(cv, s, cx, cy, size, colour, width=None, spacing=1.6, opacity=1.0):
    draw_text(cv, s, cx - text_width(s, size, spacing) / 2, cy - size / 2, size, colour, width, spacing, opacity)
