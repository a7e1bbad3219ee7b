#!/usr/bin/env python3
"""Draws the editor's glyphs and writes them as XPM files next to this script.

The XPM files are what the program compiles in; this script is only how they were made. Run it
after changing a shape, look at the preview (python3 draw_glyphs.py --preview out.png draws every
glyph enlarged, and on a staff at the place the painter puts it), and commit the XPM files.

Small glyphs are pixel grids typed in below ('#' ink, '.' paper) or plotted pixel by pixel; the
clefs and the tie are strokes along smooth curves, drawn at four times the size and reduced.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
WHITE = 0xFFFFFF
BLACK = 0x000000
PLAY_GREEN = 0x00FF00
LOCKED_GREEN = 0x00BF00
PENDING_YELLOW = 0xFDDD00


class Picture:
    def __init__(self, w, h, fill=WHITE):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c=BLACK):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c=BLACK):
        """Fills the inclusive rectangle."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def grid(self, x0, y0, rows, colours=None):
        colours = colours or {"#": BLACK}
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch in colours:
                    self.set(x0 + dx, y0 + dy, colours[ch])

    def paste(self, other, x0, y0):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] != WHITE:
                    self.set(x0 + x, y0 + y, other.px[y][x])

    def ink_rows(self):
        return [y for y in range(self.h) if any(p != WHITE for p in self.px[y])]


class Ink:
    """Coverage at S x S samples per pixel; strokes are chains of discs along a curve."""

    S = 4

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.cov = [[False] * (w * self.S) for _ in range(h * self.S)]

    def disc(self, cx, cy, r, value=True):
        S = self.S
        x0 = max(0, int((cx - r) * S))
        x1 = min(self.w * S - 1, int((cx + r) * S) + 1)
        y0 = max(0, int((cy - r) * S))
        y1 = min(self.h * S - 1, int((cy + r) * S) + 1)
        for sy in range(y0, y1 + 1):
            py = (sy + 0.5) / S
            row = self.cov[sy]
            for sx in range(x0, x1 + 1):
                px = (sx + 0.5) / S
                if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                    row[sx] = value

    def ellipse(self, cx, cy, rx, ry, angle=0.0, value=True):
        S = self.S
        ca, sa = math.cos(angle), math.sin(angle)
        m = max(rx, ry)
        for sy in range(max(0, int((cy - m) * S)), min(self.h * S, int((cy + m) * S) + 2)):
            py = (sy + 0.5) / S - cy
            for sx in range(max(0, int((cx - m) * S)), min(self.w * S, int((cx + m) * S) + 2)):
                px = (sx + 0.5) / S - cx
                u = px * ca + py * sa
                v = -px * sa + py * ca
                if (u / rx) ** 2 + (v / ry) ** 2 <= 1.0:
                    self.cov[sy][sx] = value

    def stroke(self, points, value=True):
        """points: (x, y, width); a Catmull-Rom curve through them, width interpolated."""
        pts = [points[0]] + list(points) + [points[-1]]
        for i in range(1, len(pts) - 2):
            p0, p1, p2, p3 = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
            length = math.hypot(p2[0] - p1[0], p2[1] - p1[1])
            steps = max(2, int(length * 6))
            for s in range(steps + 1):
                t = s / steps
                t2, t3 = t * t, t * t * t
                c = [
                    0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t
                           + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2
                           + (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3)
                    for k in range(2)
                ]
                width = p1[2] + (p2[2] - p1[2]) * t
                self.disc(c[0], c[1], width / 2, value)

    def line(self, x0, y0, x1, y1, width, value=True):
        steps = max(2, int(math.hypot(x1 - x0, y1 - y0) * 6))
        for s in range(steps + 1):
            t = s / steps
            self.disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, value)

    def picture(self, threshold=0.5, colour=BLACK):
        S = self.S
        pic = Picture(self.w, self.h)
        for y in range(self.h):
            for x in range(self.w):
                n = sum(self.cov[y * S + j][x * S + i] for j in range(S) for i in range(S))
                if n >= threshold * S * S:
                    pic.px[y][x] = colour
        return pic


# ---- clefs -----------------------------------------------------------------------------------
# Staff lines cross the clefs at rows 14, 24, 34, 44 and 54 (a 2-pixel line covers the row above
# too, so a line's centre is at y = 14.0 in continuous coordinates).


def treble_clef():
    ink = Ink(30, 71)
    # The spiral around the G line (y = 44), drawn from its inner end outwards, then up the left
    # side to the top loop and down the stem to the hook.
    ink.stroke([
        (17.5, 47.0, 1.6), (14.0, 45.5, 2.0), (13.0, 41.5, 2.2), (16.0, 37.6, 2.0),
        (21.5, 37.5, 2.0), (25.0, 42.0, 2.4), (24.5, 49.0, 2.8), (20.0, 53.5, 2.4),
        (13.5, 54.5, 2.0), (7.5, 51.5, 3.4), (5.0, 45.0, 4.0), (6.5, 37.5, 4.0),
        (11.0, 30.5, 3.6), (16.0, 24.0, 3.2), (19.0, 17.0, 2.6), (19.5, 9.0, 2.0),
        (17.5, 3.0, 1.8), (14.0, 2.5, 1.8), (12.0, 7.0, 2.0), (12.5, 14.0, 2.2),
    ])
    ink.stroke([
        (12.5, 14.0, 2.2), (14.0, 28.0, 2.2), (15.5, 42.0, 2.2), (17.0, 55.0, 2.2),
        (17.5, 62.0, 2.2), (16.0, 66.5, 2.0), (12.0, 68.5, 1.8), (8.0, 66.5, 1.6),
    ])
    ink.disc(9.5, 64.5, 3.2)
    return ink.picture()


def bass_clef():
    ink = Ink(30, 71)
    # The head: a round blob on the F line (y = 24) from which the body rises to the top line,
    # turns and sweeps down to the left. Kept clear of the right edge, where a key signature
    # may follow right after the dots.
    dx = -2.0
    ink.disc(5.8 + dx, 24.2, 4.0)
    ink.stroke([(x + dx, y, w) for x, y, w in [
        (3.2, 21.5, 1.6), (5.0, 17.4, 2.0), (10.0, 15.7, 2.2), (16.0, 16.0, 3.0),
        (20.0, 19.0, 4.2), (21.2, 25.5, 4.8), (20.0, 33.5, 4.6), (16.0, 41.0, 3.6),
        (9.5, 47.0, 2.4), (3.0, 51.5, 1.4),
    ]])
    ink.disc(27.0 + dx, 19.0, 2.0)
    ink.disc(27.0 + dx, 29.0, 2.0)
    return ink.picture()


def drum_clef():
    pic = Picture(30, 71)
    # A hollow upright rectangle, 12 wide with 3-pixel walls, rows 14 to 53.
    pic.rect(9, 14, 20, 53)
    pic.rect(12, 17, 17, 50, WHITE)
    return pic


# ---- accidentals ------------------------------------------------------------------------------


def sharp():
    # Row 10 is the line or space the sign alters: it lies between the two bars.
    pic = Picture(14, 19)
    pic.grid(0, 0, [
        "..............",
        "..............",
        "........#.....",
        ".....#..#.....",
        ".....#..#.....",
        ".....#..#.##..",
        ".....#.####...",
        "...######.....",
        "..####..#.....",
        ".....#..#.....",
        ".....#..#.....",
        ".....#..#.##..",
        ".....#.####...",
        "...######.....",
        "..####..#.....",
        ".....#..#.....",
        ".....#........",
        "..............",
        "..............",
    ])
    return pic


def flat():
    # The bowl is centred on row 12, the line or space the sign alters.
    pic = Picture(14, 19)
    pic.grid(0, 0, [
        "..............",
        "....##........",
        "....##........",
        "....##........",
        "....##........",
        "....##........",
        "....##........",
        "....##........",
        "....##.###....",
        "....#######...",
        "....###..###..",
        "....##....##..",
        "....##....##..",
        "....##...##...",
        "....##..##....",
        "....##.##.....",
        "....####......",
        "....##........",
        "..............",
    ])
    return pic


def natural():
    # Row 10 is the line or space the sign alters: the middle of the box between the bars.
    pic = Picture(14, 19)
    pic.grid(0, 0, [
        "..............",
        "....#.........",
        "....#.........",
        "....#.........",
        "....#.........",
        "....#.........",
        "....#..###....",
        "....######....",
        "....###..#....",
        "....#....#....",
        "....#....#....",
        "....#..###....",
        "....######....",
        "....###..#....",
        ".........#....",
        ".........#....",
        ".........#....",
        ".........#....",
        ".........#....",
    ])
    return pic


# ---- flags, tie, small marks ------------------------------------------------------------------


def flag_up():
    # Hangs from the top of an up-stem (its left edge touches the stem) and sweeps down right:
    # a bold wedge at the stem that bellies out and thins to a point. Flags stack 6 rows apart,
    # so the stroke stays within about three rows to leave paper between them.
    pic = Picture(14, 7)
    pic.grid(0, 0, [
        "###...........",
        "######........",
        ".#######......",
        "...#######....",
        ".....######...",
        "........####..",
        "...........##.",
    ])
    return pic


def flag_down():
    # Rises from the bottom of a down-stem and sweeps up right: flag_up mirrored top to bottom.
    up = flag_up()
    pic = Picture(14, 7)
    for y in range(7):
        pic.px[y] = list(up.px[6 - y])
    return pic


def tie():
    ink = Ink(16, 5)
    ink.stroke([(0.6, 4.4, 1.2), (3.0, 2.0, 1.6), (8.0, 1.0, 2.0), (13.0, 2.0, 1.6),
                (15.4, 4.4, 1.2)])
    return ink.picture(0.45)


SMALL_THREE = [
    ".####.",
    "#...##",
    "....##",
    "....##",
    "...##.",
    ".###..",
    "...##.",
    "....##",
    "....##",
    "#...##",
    ".####.",
]


def triplet():
    pic = Picture(6, 11)
    pic.grid(0, 0, SMALL_THREE)
    return pic


SMALL_EIGHT = [
    ".####.",
    "##..##",
    "##..##",
    ".####.",
    "##..##",
    "##..##",
    "##..##",
    ".####.",
]


def ottava_up():
    pic = Picture(16, 10)
    pic.grid(0, 2, SMALL_EIGHT)
    pic.rect(7, 0, 15, 0)
    pic.rect(15, 0, 15, 5)
    return pic


def ottava_down():
    pic = Picture(16, 10)
    pic.grid(0, 0, SMALL_EIGHT)
    pic.rect(7, 9, 15, 9)
    pic.rect(15, 4, 15, 9)
    return pic


# ---- meter digits -----------------------------------------------------------------------------

DIGITS = {
    3: [
        "....######.....",
        "..##########...",
        ".####....####..",
        ".###......###..",
        "..........###..",
        "..........###..",
        ".........###...",
        ".....######....",
        ".....#######...",
        ".........####..",
        "..........####.",
        "...........###.",
        "...........###.",
        ".###.......###.",
        ".####.....####.",
        "..###########..",
        "...#########...",
        ".....#####.....",
    ],
    4: [
        "..........###..",
        ".........####..",
        "........#####..",
        ".......######..",
        "......###.###..",
        ".....###..###..",
        "....###...###..",
        "...###....###..",
        "..###.....###..",
        ".###......###..",
        "###############",
        "###############",
        "..........###..",
        "..........###..",
        "..........###..",
        "..........###..",
        ".........#####.",
        ".........#####.",
    ],
    5: [
        "..###########..",
        "..###########..",
        "..###..........",
        "..###..........",
        "..###..........",
        "..###.######...",
        "..###########..",
        "..####....####.",
        "...........###.",
        "...........###.",
        "...........###.",
        "...........###.",
        "...........###.",
        ".###.......###.",
        ".####.....####.",
        "..###########..",
        "...#########...",
        ".....#####.....",
    ],
}


def meter_digit(d):
    pic = Picture(15, 18)
    pic.grid(0, 0, DIGITS[d])
    return pic


# The digits of every other count of beats: the same strokes, nine columns wide in the middle of
# the same 15 x 18 cell, so that two of them drawn 10 pixels apart (a count of 10 or more) stay
# one column clear of each other.
NARROW_DIGITS = {
    0: [
        "..#####..",
        ".#######.",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        ".#######.",
        "..#####..",
    ],
    1: [
        "....###..",
        "...####..",
        "..#####..",
        ".###.##..",
        "##..###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "....###..",
        "..#######",
        "..#######",
    ],
    2: [
        "..#####..",
        ".#######.",
        "###...###",
        "##....###",
        "......###",
        "......###",
        "......###",
        ".....###.",
        "....###..",
        "...###...",
        "..###....",
        ".###.....",
        "###......",
        "###......",
        "###......",
        "###......",
        "#########",
        "#########",
    ],
    3: [
        "..#####..",
        ".#######.",
        "###...###",
        "##....###",
        "......###",
        "......###",
        ".....###.",
        "..#####..",
        "..######.",
        ".....####",
        "......###",
        "......###",
        "......###",
        "......###",
        "##....###",
        "###..####",
        ".#######.",
        "..#####..",
    ],
    4: [
        ".....###.",
        "....####.",
        "....####.",
        "...#####.",
        "...##.##.",
        "..###.##.",
        "..##..##.",
        ".###..##.",
        ".##...##.",
        "###...##.",
        "#########",
        "#########",
        "......##.",
        "......##.",
        "......##.",
        "......##.",
        ".....####",
        ".....####",
    ],
    5: [
        ".########",
        ".########",
        ".###.....",
        ".###.....",
        ".###.....",
        ".###.....",
        ".######..",
        ".#######.",
        ".##...###",
        "......###",
        "......###",
        "......###",
        "......###",
        "......###",
        "##....###",
        "###..####",
        ".#######.",
        "..#####..",
    ],
    6: [
        "...#####.",
        "..######.",
        ".###.....",
        ".##......",
        "###......",
        "###......",
        "###......",
        "###.###..",
        "########.",
        "####..###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "####.####",
        ".#######.",
        "..#####..",
    ],
    7: [
        "#########",
        "#########",
        "......###",
        "......###",
        ".....###.",
        ".....###.",
        "....###..",
        "....###..",
        "....###..",
        "...###...",
        "...###...",
        "...###...",
        "..###....",
        "..###....",
        "..###....",
        "..###....",
        "..###....",
        "..###....",
    ],
    8: [
        "..#####..",
        ".#######.",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        ".###.###.",
        "..#####..",
        "..#####..",
        ".###.###.",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "####.####",
        ".#######.",
        "..#####..",
    ],
    9: [
        "..#####..",
        ".#######.",
        "####.####",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###...###",
        "###..####",
        ".########",
        "..###.###",
        "......###",
        "......###",
        "......###",
        ".....###.",
        ".....###.",
        ".######..",
        ".#####...",
    ],
}


def narrow_digit(d):
    pic = Picture(15, 18)
    pic.grid(3, 0, NARROW_DIGITS[d])
    return pic


# ---- rests ------------------------------------------------------------------------------------
# Drawn with their top 20 rows above the middle line: staff lines at rows 0, 10, 20, 30, 40.


def whole_rest():
    pic = Picture(12, 40)
    pic.rect(0, 11, 9, 15)
    return pic


def half_rest():
    pic = Picture(12, 40)
    pic.rect(0, 15, 9, 19)
    return pic


def quarter_rest():
    # A thin lead-in, a bold stroke slanting down to the left, a thin one back to the right and a
    # hook curled like a c at the bottom.
    pic = Picture(12, 40)
    pic.grid(0, 8, [
        "...##.......",
        "...###......",
        "....###.....",
        ".....###....",
        "......###...",
        ".....####...",
        "....#####...",
        "...#####....",
        "..#####.....",
        "..####......",
        "...###......",
        "....###.....",
        ".....###....",
        "....####....",
        "...###......",
        "...##.......",
        "....###.....",
    ])
    return pic


def hooked_rest(hooks):
    # A stem slanting from the top right down to the left, two pixels wide, with one hook per
    # flag: a round dot on the left tied to the stem by a bar that rises into it. All within
    # rows 12 to 22; the hooks are 4 rows apart (3 for three hooks, to fit).
    pic = Picture(12, 40)
    top, bottom = 12, 22

    def stem_left(y):
        return 10 - (y - top + 1) // 2

    for y in range(top, bottom + 1):
        pic.rect(stem_left(y), y, stem_left(y) + 1, y)
    spacing = 4 if hooks < 3 else 3
    for h in range(hooks):
        t = top + h * spacing
        d = stem_left(t) - 8  # the dot's left column
        if hooks == 3:
            # Small dots, with the bar on the dot's lower row.
            pic.rect(max(d + 1, 0), t, d + 2, t)
            pic.rect(max(d, 0), t + 1, stem_left(t + 1), t + 1)
        else:
            pic.rect(max(d + 1, 0), t, d + 2, t)
            pic.rect(max(d, 0), t + 1, d + 3, t + 1)
            pic.rect(max(d + 1, 0), t + 2, stem_left(t + 2), t + 2)
    return pic


def eighth_rest():
    return hooked_rest(1)


def sixteenth_rest():
    return hooked_rest(2)


def thirty_second_rest():
    return hooked_rest(3)


# ---- toolbar, highlights, icon ----------------------------------------------------------------


def small_note(pic, x0, flags=0, filled=True, stem=True):
    """A note for the toolbar: head at the bottom of a 16 x 19 cell, stem up."""
    ink = Ink(16, 19)
    ink.ellipse(6.5, 14.5, 3.6, 2.5, -0.35)
    if not filled:
        ink.ellipse(6.5, 14.5, 2.3, 1.2, -0.35, value=False)
    if stem:
        ink.line(9.6, 14.0, 9.6, 2.0, 1.2)
    for f in range(flags):
        y = 2.2 + 3 * f
        ink.stroke([(9.8, y, 1.4), (12.0, y + 2.0, 1.6), (14.0, y + 4.0, 1.2)])
    pic.paste(ink.picture(0.45), x0, 0)


def toolbar():
    pic = Picture(272, 19)
    # Notes: whole, half, quarter, eighth, sixteenth, thirty-second.
    ink = Ink(16, 19)
    ink.ellipse(7.5, 10.0, 5.0, 3.2)
    ink.ellipse(7.5, 10.0, 2.0, 2.4, 0.6, value=False)
    pic.paste(ink.picture(0.45), 0, 0)
    small_note(pic, 16, filled=False)
    small_note(pic, 32)
    small_note(pic, 48, flags=1)
    small_note(pic, 64, flags=2)
    small_note(pic, 80, flags=3)
    # Dot and double dot.
    ink = Ink(16, 19)
    ink.disc(8.0, 10.0, 2.4)
    pic.paste(ink.picture(), 96, 0)
    ink = Ink(16, 19)
    ink.disc(4.5, 10.0, 2.4)
    ink.disc(11.5, 10.0, 2.4)
    pic.paste(ink.picture(), 112, 0)
    # Triplet: a 3 under a bracket.
    pic.rect(128 + 2, 3, 128 + 13, 3)
    pic.rect(128 + 2, 3, 128 + 2, 5)
    pic.rect(128 + 13, 3, 128 + 13, 5)
    pic.grid(128 + 5, 6, SMALL_THREE)
    # Sharp and flat, as in the score.
    pic.paste(sharp(), 144 + 1, 0)
    pic.paste(flat(), 160 + 2, 0)
    # Octave up: an 8 with a bracket above; octave down: an 8 with a bracket below.
    pic.rect(176 + 2, 2, 176 + 13, 2)
    pic.rect(176 + 13, 2, 176 + 13, 5)
    pic.grid(176 + 5, 6, SMALL_EIGHT)
    pic.grid(192 + 5, 4, SMALL_EIGHT)
    pic.rect(192 + 2, 15, 192 + 13, 15)
    pic.rect(192 + 13, 12, 192 + 13, 15)
    # Tie.
    t = tie()
    pic.paste(t, 208, 8)
    # Play: a green triangle with a black outline.
    play = [
        "..#.............",
        "..##............",
        "..#G#...........",
        "..#GG#..........",
        "..#GGG#.........",
        "..#GGGG#........",
        "..#GGGGG#.......",
        "..#GGGGGG#......",
        "..#GGGGGGG#.....",
        "..#GGGGGGGG#....",
        "..#GGGGGGG#.....",
        "..#GGGGGG#......",
        "..#GGGGG#.......",
        "..#GGGG#........",
        "..#GGG#.........",
        "..#GG#..........",
        "..#G#...........",
        "..##............",
        "..#.............",
    ]
    pic.grid(224 + 1, 0, play, {"#": BLACK, "G": PLAY_GREEN})
    # Stop: a black square.
    pic.rect(240 + 3, 5, 240 + 12, 14)
    # Dynamic: the letters mf.
    pic.grid(256, 3, [
        "...........###..",
        "..........##..#.",
        "..........##....",
        "..........##....",
        "##.##.##.######.",
        "###.###.##.##...",
        "##..##..##.##...",
        "##..##..##.##...",
        "##..##..##.##...",
        "##..##..##.##...",
        "##..##..##.##...",
        "..........##....",
        "..........##....",
        ".........##.....",
    ])
    return pic


def highlight(colour):
    return Picture(16, 23, colour)


def app_icon():
    pic = Picture(32, 32, 0xFFF6DC)
    border = 0x6B4A1F
    pic.rect(0, 0, 31, 0, border)
    pic.rect(0, 31, 31, 31, border)
    pic.rect(0, 0, 0, 31, border)
    pic.rect(31, 0, 31, 31, border)
    for y in (8, 12, 16, 20, 24):
        pic.rect(2, y, 29, y, 0x8C8C8C)
    ink = Ink(32, 32)
    ink.ellipse(9.0, 22.5, 3.3, 2.4, -0.35)
    ink.ellipse(21.0, 18.5, 3.3, 2.4, -0.35)
    ink.line(11.8, 22.0, 11.8, 6.0, 1.4)
    ink.line(23.8, 18.0, 23.8, 3.0, 1.4)
    ink.line(11.8, 6.8, 23.8, 3.8, 3.0)
    pic.paste(ink.picture(0.45), 0, 0)
    return pic


# ---- output -----------------------------------------------------------------------------------

GLYPHS = [
    # (file name, drawing, expected size); render/glyphs.cpp gives each its display-list id
    ("app_icon", app_icon, (32, 32)),
    ("treble_clef", treble_clef, (30, 71)),
    ("sharp", sharp, (14, 19)),
    ("flat", flat, (14, 19)),
    ("flag_down", flag_down, (14, 7)),
    ("flag_up", flag_up, (14, 7)),
    ("natural", natural, (14, 19)),
    ("bass_clef", bass_clef, (30, 71)),
    ("meter_digit_4", lambda: meter_digit(4), (15, 18)),
    ("meter_digit_3", lambda: meter_digit(3), (15, 18)),
    ("meter_digit_5", lambda: meter_digit(5), (15, 18)),
    ("ottava_up", ottava_up, (16, 10)),
    ("ottava_down", ottava_down, (16, 10)),
    ("highlight_locked", lambda: highlight(LOCKED_GREEN), (16, 23)),
    ("highlight_pending", lambda: highlight(PENDING_YELLOW), (16, 23)),
    ("toolbar", toolbar, (272, 19)),
    ("triplet", triplet, (6, 11)),
    ("whole_rest", whole_rest, (12, 40)),
    ("half_rest", half_rest, (12, 40)),
    ("quarter_rest", quarter_rest, (12, 40)),
    ("eighth_rest", eighth_rest, (12, 40)),
    ("sixteenth_rest", sixteenth_rest, (12, 40)),
    ("thirty_second_rest", thirty_second_rest, (12, 40)),
    ("tie", tie, (16, 5)),
    ("drum_clef", drum_clef, (30, 71)),
] + [(f"meter_digit_narrow_{d}", (lambda d=d: narrow_digit(d)), (15, 18)) for d in range(10)]

KEYS = ".#abcdefghijklmnopqrstuvwxyz"


def write_xpm(name, pic):
    colours = []
    for row in pic.px:
        for c in row:
            if c not in colours:
                colours.append(c)
    # White and black get the readable keys '.' and '#'.
    colours.sort(key=lambda c: (c != WHITE, c != BLACK, c))
    others = iter(KEYS[2:])
    keys = {c: "." if c == WHITE else "#" if c == BLACK else next(others) for c in colours}
    lines = ["/* XPM */", f"static const char* const {name}[] = {{",
             f'"{pic.w} {pic.h} {len(colours)} 1",']
    for c in colours:
        lines.append(f'"{keys[c]} c #{c:06X}",')
    for i, row in enumerate(pic.px):
        end = "," if i + 1 < pic.h else ""
        lines.append('"' + "".join(keys[c] for c in row) + '"' + end)
    lines.append("};")
    with open(os.path.join(HERE, name + ".xpm"), "w") as f:
        f.write("\n".join(lines) + "\n")


def write_png(path, pic):
    raw = b"".join(
        b"\x00" + b"".join(struct.pack(">BBB", c >> 16, (c >> 8) & 255, c & 255) for c in row)
        for row in pic.px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", pic.w, pic.h, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw)))
        f.write(chunk(b"IEND", b""))


def scaled(pic, k):
    out = Picture(pic.w * k, pic.h * k)
    for y in range(out.h):
        for x in range(out.w):
            out.px[y][x] = pic.px[y // k][x // k]
    return out


def preview(path, pictures):
    """Every glyph enlarged 6 times with a red staff line drawn through its anchor rows."""
    k = 6
    clef = [14, 24, 34, 44, 54]
    rest = [0, 10, 20, 30, 40]
    anchors = {"treble_clef": clef, "bass_clef": clef, "drum_clef": clef, "whole_rest": rest,
               "half_rest": rest, "quarter_rest": rest, "eighth_rest": rest,
               "sixteenth_rest": rest, "thirty_second_rest": rest, "sharp": [10], "flat": [12],
               "natural": [10]}
    width = 1700
    x = y = 4
    rowh = 0
    placed = []
    for name, pic in pictures:
        if x + pic.w * k + 4 > width:
            x, y = 4, y + rowh + 8
            rowh = 0
        placed.append((name, pic, x, y))
        x += pic.w * k + 8
        rowh = max(rowh, pic.h * k)
    sheet = Picture(width, y + rowh + 4, 0xD0D0D0)
    for name, pic, px, py in placed:
        big = scaled(pic, k)
        for yy in range(big.h):
            for xx in range(big.w):
                sheet.px[py + yy][px + xx] = big.px[yy][xx]
        for r in anchors.get(name, []):
            for xx in range(big.w):
                if sheet.px[py + r * k + k // 2][px + xx] == WHITE:
                    sheet.px[py + r * k + k // 2][px + xx] = 0xFF8080
    write_png(path, sheet)


def main():
    pictures = []
    for name, draw, size in GLYPHS:
        pic = draw()
        assert (pic.w, pic.h) == size, (name, pic.w, pic.h)
        write_xpm(name, pic)
        pictures.append((name, pic))
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview(sys.argv[2], pictures)


if __name__ == "__main__":
    main()
