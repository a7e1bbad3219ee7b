#!/usr/bin/env python3
"""Writes rich.cvn, a short three-track piece that uses every mark the painter draws, and (with
--render) its picture: python3 make_rich_score.py OUT_DIR [--render CORVANE_CLI]."""

import os
import struct
import subprocess
import sys

NONE, FLAT, NATURAL, SHARP = 0, 1, 2, 3
TIE_NONE, TIE_START, TIE_END, TIE_MIDDLE = 0, 1, 2, 3


def note(duration, heads=(), dots=0, triplet=0, octave=0, velocity=90, tie=TIE_NONE):
    """heads: positions, or (position, accidental) pairs."""
    pitches = [(h, NONE) if isinstance(h, int) else h for h in heads]
    return dict(duration=duration, heads=pitches, dots=dots, triplet=triplet, octave=octave,
                velocity=velocity, tie=tie)


def rest(duration, **kw):
    return note(duration, (), **kw)


MEASURES = [  # key, beats, tempo
    (1, 4, 96), (1, 4, 96), (-2, 4, 80), (-2, 4, 80), (-2, 3, 80), (0, 4, 120),
]

TREBLE = [
    [note(4, [-2]), note(4, [-1]), note(8, [0]), note(8, [(1, SHARP)]), note(4, [-2, 0, 2])],
    [note(4, [2], dots=1, velocity=110), note(8, [3]), note(4, [(4, NATURAL)]), rest(4)],
    [note(8, [3], triplet=1), note(8, [2], triplet=3), note(8, [1], triplet=2),
     note(16, [0]), note(16, [(-1, FLAT)]), note(8, [-2]), note(2, [-2], tie=TIE_START)],
    [note(4, [-2], tie=TIE_END), note(4, [-2, -1]), note(8, [8]), note(8, [6]),
     note(16, [7], velocity=70), note(16, [5]), rest(8)],
    [note(2, [0, 1, 3], dots=1, octave=1)],
    [note(1, [-4, -2, 0]), ],
]

BASS = [
    [note(1, [-4, -2, 0], velocity=80)],
    [note(2, [-1]), note(2, [-1, 1])],
    [note(4, [-3], octave=-1), note(4, [0]), note(4, [(2, NATURAL)]), rest(4)],
    [note(2, [-4], dots=1), rest(4)],
    [note(32, [-6]), note(32, [-5]), note(16, [-4]), note(8, [-3]), note(4, [-9]), note(4, [3])],
    [rest(1)],
]

DRUMS = [
    [note(8, [-3, 5], velocity=100), note(8, [5]), note(8, [1, 5]), note(8, [5])] * 2,
    [note(8, [-3, 5]), note(8, [5]), note(8, [1, 5]), note(8, [5])] * 2,
    [note(4, [-3]), note(4, [1]), note(16, [1]), note(16, [1]), note(8, [1]), note(4, [5])],
    [note(4, [-3]), note(4, [1]), note(4, [-3]), note(4, [1], tie=TIE_START)],
    [note(4, [-3]), note(4, [1]), note(4, [1])],
    [rest(1)],
]

TRACKS = [(0, 0, TREBLE), (1, 32, BASS), (2, 0, DRUMS)]  # kind, program, measures


def cvn():
    out = bytearray(b"CVNhd")

    def put(*values):
        for v in values:
            out.extend(struct.pack("<i", v))

    put(len(MEASURES))
    for key, beats, tempo in MEASURES:
        put(key, beats, tempo)
    put(len(TRACKS))
    for kind, program, measures in TRACKS:
        put(kind, program)
        assert len(measures) == len(MEASURES)
        for notes in measures:
            put(len(notes))
            for n in notes:
                put(n["dots"], n["velocity"], n["octave"], n["tie"], n["triplet"], n["duration"],
                    len(n["heads"]))
                for position, accidental in n["heads"]:
                    put(accidental, position)
    return bytes(out)


def main():
    folder = sys.argv[1]
    path = os.path.join(folder, "rich.cvn")
    with open(path, "wb") as f:
        f.write(cvn())
    if len(sys.argv) == 4 and sys.argv[2] == "--render":
        subprocess.run([sys.argv[3], "render-image", path, os.path.join(folder, "rich.png"),
                        "--size", "1700", "360"], check=True)


if __name__ == "__main__":
    main()
