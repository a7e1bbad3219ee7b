#!/usr/bin/env python3
"""Draws the desktop icons of Corvane and of its score files, at every size the menus use.

The program's icon is the window's own picture (two beamed eighth notes on a staff, ink on warm
paper) as a rounded tile; the score-file icon is a page with a folded corner carrying the same
notes. Each size is drawn for itself: 16 pixels keeps two staff lines and thick strokes snapped to
whole pixels, 22 and 24 three lines, 32 and up all five; the scalable SVG is the large design.

Run it after changing a shape, look at the files (--sheet out.png puts every size side by side,
enlarged), and commit the PNG and SVG files it writes beside itself. The build only installs them.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
APP_ID = "org.corvane.Corvane"
MIME_ICON = "application-x-corvane-score"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

PAPER = (0xFF, 0xF6, 0xDC)
EDGE = (0x6B, 0x4A, 0x1F)
LINE = (0x8C, 0x8C, 0x8C)
INK = (0x1A, 0x14, 0x0C)
PAGE = (0xFF, 0xFF, 0xFF)
PAGE_EDGE = (0x70, 0x70, 0x70)
FOLD = (0xE4, 0xDC, 0xC8)


class Canvas:
    """RGBA pixels; shapes are filled by their coverage of 8 x 8 samples per pixel."""

    S = 8

    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0.0)] * size for _ in range(size)]

    def fill(self, inside, colour, box=None):
        """Covers with `colour` every sample for which inside(x, y) holds, within box."""
        x0, y0, x1, y1 = box or (0, 0, self.size, self.size)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.size, int(math.ceil(x1))), min(self.size, int(math.ceil(y1)))
        S = self.S
        for py in range(y0, y1):
            for px in range(x0, x1):
                hits = sum(inside(px + (i + 0.5) / S, py + (j + 0.5) / S)
                           for j in range(S) for i in range(S))
                if hits:
                    self.blend(px, py, colour, hits / (S * S))

    def blend(self, x, y, colour, alpha):
        r, g, b, a = self.px[y][x]
        out = alpha + a * (1 - alpha)
        if out <= 0:
            return
        mix = [(c * alpha + d * a * (1 - alpha)) / out for c, d in zip(colour, (r, g, b))]
        self.px[y][x] = (mix[0], mix[1], mix[2], out)

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour, (x0, y0, x1, y1))

    def rounded(self, x0, y0, x1, y1, r, colour):
        def inside(x, y):
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return x0 <= x < x1 and y0 <= y < y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self.fill(inside, colour, (x0, y0, x1, y1))

    def ellipse(self, cx, cy, rx, ry, angle, colour):
        ca, sa = math.cos(angle), math.sin(angle)

        def inside(x, y):
            u = (x - cx) * ca + (y - cy) * sa
            v = -(x - cx) * sa + (y - cy) * ca
            return (u / rx) ** 2 + (v / ry) ** 2 <= 1
        m = max(rx, ry)
        self.fill(inside, colour, (cx - m, cy - m, cx + m, cy + m))

    def polygon(self, points, colour):
        def inside(x, y):
            crossings = False
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                    crossings = not crossings
            return crossings
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def png(self):
        raw = bytearray()
        for row in self.px:
            raw.append(0)
            for r, g, b, a in row:
                raw += bytes((round(r), round(g), round(b), round(a * 255)))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


class Design:
    """Where the parts of the picture go at one size, in that size's pixels. The shapes are those
    of the window's 32-pixel icon, scaled; small sizes get fewer staff lines, whole-pixel lines
    and heavier strokes so that they still read."""

    def __init__(self, size):
        self.size = size
        k = size / 32.0
        self.k = k
        if size <= 16:
            self.lines = [5, 9, 13]
            heads, radius, stem, beam = [(4.6, 11.6), (10.6, 9.2)], (2.3, 1.75), 1.25, 2.4
            tops = (1.6, 0.6)
            k = 1.0
        elif size <= 24:
            self.lines = [round(v * k) for v in (9, 15, 21)]
            heads, radius, stem, beam = [(9.0, 22.5), (21.0, 18.5)], (3.5, 2.6), 1.7, 3.6
            tops = (5.0, 2.0)
        else:
            self.lines = [v * k for v in (8, 12, 16, 20, 24)]
            heads, radius, stem, beam = [(9.0, 22.5), (21.0, 18.5)], (3.3, 2.4), 1.4, 3.0
            tops = (5.3, 2.3)
        self.line_width = 1 if size <= 48 else size / 48.0
        self.heads = [(x * k, y * k) for x, y in heads]
        self.head_r = (radius[0] * k, radius[1] * k)
        self.stem_width = max(1.0, stem * k)
        self.stem_tops = [t * k for t in tops]
        self.beam = beam * k


def draw_notes(canvas, d, dx=0.0, dy=0.0, scale=1.0):
    """Two eighth notes joined by a beam, heads tilted as engravers draw them."""
    tops = []
    w = d.stem_width * scale
    for (hx, hy), stem_top in zip(d.heads, d.stem_tops):
        hx, hy = dx + hx * scale, dy + hy * scale
        rx, ry = d.head_r[0] * scale, d.head_r[1] * scale
        canvas.ellipse(hx, hy, rx, ry, -0.35, INK)
        sx = hx + rx * 0.86
        top = dy + stem_top * scale
        canvas.rect(sx - w, top, sx, hy - ry * 0.2, INK)
        tops.append((sx, top))
    (ax, ay), (bx, by) = tops
    beam = d.beam * scale
    canvas.polygon([(ax - w, ay), (bx, by), (bx, by + beam), (ax - w, ay + beam)], INK)


def app_icon(size):
    d = Design(size)
    c = Canvas(size)
    inset = 0 if size <= 24 else size / 32.0 * 0.5
    radius = max(1.5, size * 0.12)
    edge = 1 if size <= 48 else size / 48.0
    c.rounded(inset, inset, size - inset, size - inset, radius, EDGE)
    c.rounded(inset + edge, inset + edge, size - inset - edge, size - inset - edge,
              max(0.5, radius - edge), PAPER)
    margin = inset + edge + (1 if size <= 24 else size / 16.0)
    for y in d.lines:
        top = math.floor(y) if size <= 24 else y - d.line_width / 2
        c.rect(margin, top, size - margin, top + d.line_width, LINE)
    draw_notes(c, d)
    return c


def mime_icon(size):
    """A page with its top right corner folded, the staff and notes on it, smaller."""
    d = Design(size)
    c = Canvas(size)
    left, right = size * 0.16, size * 0.84
    top, bottom = size * 0.04, size * 0.96
    fold = size * 0.25
    edge = 1 if size <= 48 else size / 48.0
    outline = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    c.polygon(outline, PAGE_EDGE)
    inner = [(left + edge, top + edge), (right - fold - edge * 0.4, top + edge),
             (right - edge, top + fold + edge * 0.4), (right - edge, bottom - edge),
             (left + edge, bottom - edge)]
    c.polygon(inner, PAGE)
    c.polygon([(right - fold, top), (right - fold, top + fold), (right, top + fold)], FOLD)
    scale = 0.62
    dx, dy = left + size * 0.05, size * 0.32
    lines = d.lines if size > 24 else d.lines[:2]
    for y in lines:
        yy = dy + y * scale
        if size <= 24:
            yy = math.floor(yy)
        c.rect(left + edge + 1, yy, right - edge - 1, yy + max(1, d.line_width * scale), LINE)
    draw_notes(c, d, dx, dy, scale)
    return c


def svg(kind):
    """The large design as vector shapes, in a 256-unit square."""
    colour = "#%02x%02x%02x".__mod__
    d = Design(256)
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="0 0 256 256">']
    if kind == "app":
        parts.append(f'<rect x="4" y="4" width="248" height="248" rx="30.7" '
                     f'fill="{colour(EDGE)}"/>')
        parts.append(f'<rect x="9.3" y="9.3" width="237.4" height="237.4" rx="25.4" '
                     f'fill="{colour(PAPER)}"/>')
        for y in d.lines:
            parts.append(f'<rect x="25.3" y="{y - 2.7:.1f}" width="205.4" height="5.3" '
                         f'fill="{colour(LINE)}"/>')
        dx, dy, scale = 0.0, 0.0, 1.0
    else:
        parts.append(f'<path d="M41 10H151L215 74V246H41Z" fill="{colour(PAGE)}" '
                     f'stroke="{colour(PAGE_EDGE)}" stroke-width="5.3" stroke-linejoin="round"/>')
        parts.append(f'<path d="M151 10V74H215Z" fill="{colour(FOLD)}" '
                     f'stroke="{colour(PAGE_EDGE)}" stroke-width="5.3" stroke-linejoin="round"/>')
        dx, dy, scale = 41 + 256 * 0.05, 256 * 0.32, 0.62
        for y in d.lines:
            parts.append(f'<rect x="48" y="{dy + y * scale - 1.6:.1f}" width="160" height="3.3" '
                         f'fill="{colour(LINE)}"/>')
    tops = []
    w = d.stem_width * scale
    for (hx, hy), stem_top in zip(d.heads, d.stem_tops):
        hx, hy = dx + hx * scale, dy + hy * scale
        rx, ry = d.head_r[0] * scale, d.head_r[1] * scale
        parts.append(f'<ellipse cx="{hx:.1f}" cy="{hy:.1f}" rx="{rx:.1f}" ry="{ry:.1f}" '
                     f'transform="rotate({math.degrees(-0.35):.1f} {hx:.1f} {hy:.1f})" '
                     f'fill="{colour(INK)}"/>')
        sx = hx + rx * 0.86
        top = dy + stem_top * scale
        parts.append(f'<rect x="{sx - w:.1f}" y="{top:.1f}" width="{w:.1f}" '
                     f'height="{hy - ry * 0.2 - top:.1f}" fill="{colour(INK)}"/>')
        tops.append((sx, top))
    (ax, ay), (bx, by) = tops
    beam = d.beam * scale
    parts.append(f'<path d="M{ax - w:.1f} {ay:.1f}L{bx:.1f} {by:.1f}V{by + beam:.1f}'
                 f'L{ax - w:.1f} {ay + beam:.1f}Z" fill="{colour(INK)}"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def sheet(path, pictures):
    """Every picture enlarged four times on a grey ground, for looking at."""
    k = 4
    width = sum(p.size * k + 8 for p in pictures) + 8
    height = max(p.size for p in pictures) * k + 16
    out = Canvas(1)
    out.size = width
    out.px = [[(0xC8, 0xC8, 0xC8, 1.0)] * width for _ in range(height)]
    x = 8
    for p in pictures:
        for y in range(p.size * k):
            for xx in range(p.size * k):
                r, g, b, a = p.px[y // k][xx // k]
                base = 0xC8 * (1 - a)
                out.px[8 + y][x + xx] = (r * a + base, g * a + base, b * a + base, 1.0)
        x += p.size * k + 8

    raw = bytearray()
    for row in out.px:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((round(r), round(g), round(b), 255))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def main():
    drawn = []
    for size in SIZES:
        for name, draw in ((APP_ID, app_icon), (MIME_ICON, mime_icon)):
            pic = draw(size)
            with open(os.path.join(HERE, f"{name}-{size}.png"), "wb") as f:
                f.write(pic.png())
            drawn.append(pic)
    with open(os.path.join(HERE, f"{APP_ID}.svg"), "w") as f:
        f.write(svg("app"))
    with open(os.path.join(HERE, f"{MIME_ICON}.svg"), "w") as f:
        f.write(svg("mime"))
    if len(sys.argv) == 3 and sys.argv[1] == "--sheet":
        sheet(sys.argv[2], drawn)


if __name__ == "__main__":
    main()
