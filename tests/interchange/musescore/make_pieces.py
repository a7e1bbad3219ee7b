#!/usr/bin/env python3
"""Writes the test pieces that MuseScore 3 engraves and plays for the MusicXML import tests.

Each piece is written here in a short note language, turned into a plain MusicXML score, opened
by MuseScore 3 and saved by it as MusicXML and as a MIDI file (one also as compressed MusicXML).
The files MuseScore writes are committed beside this script; the tests read them and never run
MuseScore. Run it again only to change the pieces (needs the Debian package musescore3):

    python3 tests/interchange/musescore/make_pieces.py

Note language, one measure a string, tokens separated by spaces:
    q:C4        a quarter C4 (w h q e s: whole to sixteenth; "." after the value dots it)
    e3:D#5      an eighth of a triplet (three of them fill a quarter)
    q:C4,E4,G4  a chord;  q:r  a rest;  a "~" at the end ties it to the next note
    !p !mf !f   a dynamic before the next note;  !8va !8va-end  an octave line
    g:D5        a grace note before the next note;  q:C5+tr  a trill on it
    "text"      a word of the lyrics under the next note
Drum pitches name General MIDI drums: kick, snare, hat, crash, ride, tom.
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DIVISIONS = 24
VALUES = {"w": (96, "whole"), "h": (48, "half"), "q": (24, "quarter"), "e": (12, "eighth"),
          "s": (6, "16th")}
STEPS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
DRUMS = {"kick": (36, "F", 4), "snare": (38, "C", 5), "hat": (42, "G", 5), "crash": (49, "A", 5),
         "ride": (51, "F", 5), "tom": (48, "E", 5)}


def pitch_xml(text, drums):
    if drums:
        key, step, octave = DRUMS[text]
        return (f"<unpitched><display-step>{step}</display-step>"
                f"<display-octave>{octave}</display-octave></unpitched>", f"I{key + 1}")
    step, rest = text[0], text[1:]
    alter = rest.count("#") - rest.count("b")
    octave = rest.strip("#b")
    alter_xml = f"<alter>{alter}</alter>" if alter else ""
    return f"<pitch><step>{step}</step>{alter_xml}<octave>{octave}</octave></pitch>", None


class Voice:
    """Turns one voice's measures into <note> and <direction> elements."""

    def __init__(self, number, staff, drums=False):
        self.number, self.staff, self.drums = number, staff, drums
        self.tied = set()
        self.octave_line = False

    def measure(self, text, lyrics):
        out, length, pending, tuplet_count = [], 0, [], 0
        for token in text.split():
            if token.startswith("!"):
                out.append(self.direction(token[1:]))
            elif token.startswith('"'):
                pending.append(token.strip('"'))
            elif token.startswith("g:"):
                out.append(self.note(token[2:], None, "eighth", 0, grace=True))
            else:
                value, body = token.split(":", 1)
                triplet = value.endswith("3")
                value = value.rstrip("3")
                dotted = value.endswith(".")
                ticks, kind = VALUES[value.rstrip(".")]
                ticks = ticks * 3 // 2 if dotted else ticks
                ticks = ticks * 2 // 3 if triplet else ticks
                bracket = None
                if triplet:
                    bracket = "start" if tuplet_count % 3 == 0 else (
                        "stop" if tuplet_count % 3 == 2 else None)
                    tuplet_count += 1
                lyric = lyrics.pop(0) if pending and pending.pop(0) is not None and lyrics else None
                out.append(self.note(body, ticks, kind, dotted, triplet=triplet, bracket=bracket,
                                     lyric=lyric))
                length += ticks
        return out, length

    def direction(self, what):
        placement = "below" if what in ("p", "mp", "mf", "f", "ff", "pp") else "above"
        if what in ("8va", "8va-end"):
            kind = "down" if what == "8va" else "stop"
            inner = f'<octave-shift type="{kind}" size="8"/>'
        else:
            inner = f"<dynamics><{what}/></dynamics>"
        return (f'<direction placement="{placement}"><direction-type>{inner}</direction-type>'
                f"<staff>{self.staff}</staff></direction>")

    def note(self, body, ticks, kind, dotted, grace=False, triplet=False, bracket=None,
             lyric=None):
        trill = body.endswith("+tr")
        body = body.replace("+tr", "")
        tie_on = body.endswith("~")
        body = body.rstrip("~")
        parts = []
        for i, p in enumerate(body.split(",")):
            x = ["<note>"]
            if grace:
                x.append('<grace slash="yes"/>')
            if i > 0:
                x.append("<chord/>")
            if p == "r":
                x.append("<rest/>")
                instrument = None
            else:
                xml, instrument = pitch_xml(p, self.drums)
                x.append(xml)
            if not grace:
                x.append(f"<duration>{ticks}</duration>")
            ties = []
            if p in self.tied:
                ties.append("stop")
            if tie_on and p != "r":
                ties.append("start")
            x += [f'<tie type="{t}"/>' for t in ties]
            if instrument:
                x.append(f'<instrument id="P{{part}}-{instrument}"/>')
            x.append(f"<voice>{self.number}</voice><type>{kind}</type>")
            if dotted:
                x.append("<dot/>")
            if triplet:
                x.append("<time-modification><actual-notes>3</actual-notes>"
                         "<normal-notes>2</normal-notes></time-modification>")
            x.append(f"<staff>{self.staff}</staff>")
            marks = [f'<tied type="{t}"/>' for t in ties]
            if bracket and i == 0:
                marks.append(f'<tuplet type="{bracket}"/>')
            if trill and i == 0:
                marks.append("<ornaments><trill-mark/></ornaments>")
            if marks:
                x.append("<notations>" + "".join(marks) + "</notations>")
            if lyric and i == 0:
                x.append(f'<lyric number="1"><syllabic>single</syllabic><text>{lyric}</text>'
                         "</lyric>")
            x.append("</note>")
            parts.append("".join(x))
        self.tied = {p for p in body.split(",")} if tie_on else set()
        return "".join(parts)


def part_list(parts):
    out = ["<part-list>"]
    for n, part in enumerate(parts, 1):
        out.append(f'<score-part id="P{n}"><part-name>{part["name"]}</part-name>')
        if part.get("drums"):
            for name, (key, _, _) in DRUMS.items():
                out.append(f'<score-instrument id="P{n}-I{key + 1}">'
                           f"<instrument-name>{name}</instrument-name></score-instrument>")
            for name, (key, _, _) in DRUMS.items():
                out.append(f'<midi-instrument id="P{n}-I{key + 1}"><midi-channel>10</midi-channel>'
                           f"<midi-program>1</midi-program><midi-unpitched>{key + 1}"
                           "</midi-unpitched></midi-instrument>")
        else:
            out.append(f'<score-instrument id="P{n}-I1"><instrument-name>{part["name"]}'
                       "</instrument-name></score-instrument>")
            out.append(f'<midi-instrument id="P{n}-I1"><midi-channel>{n}</midi-channel>'
                       f'<midi-program>{part["program"] + 1}</midi-program></midi-instrument>')
        out.append("</score-part>")
    out.append("</part-list>")
    return out


def attributes(piece, part, first):
    x = ["<attributes>"]
    if first:
        x.append(f"<divisions>{DIVISIONS}</divisions>")
    x.append(f'<key><fifths>{part.get("fifths", piece["fifths"])}</fifths></key>')
    beats, beat_type = piece["time"]
    x.append(f"<time><beats>{beats}</beats><beat-type>{beat_type}</beat-type></time>")
    clefs = part["clefs"]
    if len(clefs) > 1:
        x.append(f"<staves>{len(clefs)}</staves>")
    for n, clef in enumerate(clefs, 1):
        sign, line = clef
        x.append(f'<clef number="{n}"><sign>{sign}</sign>' +
                 (f"<line>{line}</line>" if line else "") + "</clef>")
    if "transpose" in part:
        diatonic, chromatic = part["transpose"]
        x.append(f"<transpose><diatonic>{diatonic}</diatonic><chromatic>{chromatic}</chromatic>"
                 "</transpose>")
    x.append("</attributes>")
    return "".join(x)


def score_xml(piece):
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<score-partwise version="3.1">',
           f'<work><work-title>{piece["title"]}</work-title></work>']
    out += part_list(piece["parts"])
    for n, part in enumerate(piece["parts"], 1):
        out.append(f'<part id="P{n}">')
        voices = [Voice(v, s, part.get("drums", False)) for v, s, _ in part["voices"]]
        lyrics = list(part.get("lyrics", []))
        for m in range(len(part["voices"][0][2])):
            pickup = m == 0 and piece.get("pickup")
            out.append(f'<measure number="{m if piece.get("pickup") else m + 1}"' +
                       (' implicit="yes"' if pickup else "") + ">")
            if m == 0:
                out.append(attributes(piece, part, True))
                if n == 1:
                    out.append(f'<direction placement="above"><direction-type><metronome>'
                               f'<beat-unit>quarter</beat-unit><per-minute>{piece["tempo"]}'
                               f'</per-minute></metronome></direction-type>'
                               f'<sound tempo="{piece["tempo"]}"/></direction>')
            if m == 0 and piece.get("repeat"):
                out.append('<barline location="left"><bar-style>heavy-light</bar-style>'
                           '<repeat direction="forward"/></barline>')
            lengths = []
            for i, (voice, (_, _, measures)) in enumerate(zip(voices, part["voices"])):
                notes, length = voice.measure(measures[m], lyrics if i == 0 else [])
                if i > 0:
                    out.append(f"<backup><duration>{lengths[-1]}</duration></backup>")
                out += [x.replace("{part}", str(n)) for x in notes]
                lengths.append(length)
            last = m + 1 == len(part["voices"][0][2])
            if last and piece.get("repeat"):
                out.append('<barline location="right"><bar-style>light-heavy</bar-style>'
                           '<repeat direction="backward"/></barline>')
            out.append("</measure>")
        out.append("</part>")
    out.append("</score-partwise>")
    return "\n".join(out) + "\n"


PIECES = [
    {
        "name": "piano", "title": "Two Staves", "fifths": -1, "time": (4, 4), "tempo": 88,
        "parts": [{
            "name": "Piano", "program": 0, "clefs": [("G", 2), ("F", 4)],
            "voices": [
                (1, 1, ["!p q:F4 e:G4 e:A4 q.:C5 e:Bb4", "h:A4 q:G4 q:F4~",
                        "q:F4 e3:G4 e3:A4 e3:Bb4 q:C5,E5 q:D5", "h.:C5 q:r",
                        "!mf q:A4 q.:C5 e:F5 q:E5", "!8va q:F5 q:G5 q:A5 q:C6 !8va-end",
                        "g:D5 q:C5+tr e:Bb4 e:A4 h:G4", "!f w:F4,A4,C5"]),
                (5, 2, ["h:F3 h:C3", "h:F3 h:A2", "h:Bb2 h:C3", "w:F2",
                        "h:F3 h:C3", "h:D3 h:Bb2", "h:C3 h:C3", "w:F2"]),
                (6, 2, ["q:r q:A3 q:r q:G3", "q:r q:A3 q:r q:C3", "q:r q:D3 q:r q:E3",
                        "q:r q:A3 q:C4 q:r", "q:r q:A3 q:r q:G3", "q:r q:F3 q:r q:D3",
                        "q:r q:G3 q:E3 q:r", "w:r"]),
            ],
        }],
    },
    {
        "name": "song", "title": "A Song", "fifths": 1, "time": (4, 4), "tempo": 100,
        "repeat": True,
        "parts": [
            {
                "name": "Voice", "program": 52, "clefs": [("G", 2)],
                "lyrics": ["Sing", "a", "song", "of", "the", "sea", "and", "the", "wind",
                           "on", "the", "wa", "ter", "home"],
                "voices": [(1, 1, ['!mf "" q:D4 "" q:G4 "" q:A4 "" q:B4',
                                   '"" h:D5 "" q:B4 "" q:G4', '"" q:A4 "" e:B4 e:A4 h:G4',
                                   '"" q:E4 "" q:F#4 "" h:G4', 'w:r'])],
            },
            {
                "name": "Piano", "program": 0, "clefs": [("G", 2), ("F", 4)],
                "voices": [
                    (1, 1, ["!p h:B3,D4 h:B3,D4", "h:B3,D4 h:D4,G4", "h:C4,E4 h:B3,D4",
                            "h:C4,E4 h:B3,D4", "w:B3,D4"]),
                    (5, 2, ["w:G2", "h:G2 h:B2", "h:A2 h:G2", "h:C3 h:G2", "w:G2"]),
                ],
            },
        ],
    },
    {
        "name": "band", "title": "Band", "fifths": -2, "time": (4, 4), "tempo": 120,
        "parts": [
            {
                "name": "Trumpet in Bb", "program": 56, "clefs": [("G", 2)], "fifths": 0,
                "transpose": (-1, -2),
                "voices": [(1, 1, ["!f q:D5 e:E5 e:F5 q:G5 q:D5", "h.:C5 q:r",
                                   "q:D5 q:F5 e:G5 e:F5 q:D5", "w:C5"])],
            },
            {
                "name": "Alto Sax", "program": 65, "clefs": [("G", 2)], "fifths": 1,
                "transpose": (-5, -9),
                "voices": [(1, 1, ["!mf h:G4 h:A4", "h:B4 h:A4", "h:G4 h:B4", "w:A4"])],
            },
            {
                "name": "Bass", "program": 33, "clefs": [("F", 4)],
                "voices": [(1, 1, ["q:Bb1 q:Bb2 q:F2 q:Bb2", "q:Eb2 q:Eb3 q:F2 q:F3",
                                   "q:Bb1 q:D2 q:F2 q:D2", "q:F2 q:C3 h:F1"])],
            },
            {
                "name": "Drums", "drums": True, "clefs": [("percussion", 0)],
                "voices": [
                    (1, 1, ["e:hat e:hat e:hat e:hat e:hat e:hat e:hat e:hat",
                            "e:hat e:hat e:hat e:hat e:hat e:hat e:hat e:hat",
                            "e:ride e:ride e:ride e:ride e:ride e:ride e:ride e:ride",
                            "q:crash q:hat q:hat q:hat"]),
                    (2, 1, ["q:kick q:snare q:kick q:snare", "q:kick q:snare e:kick e:kick q:snare",
                            "q:kick q:snare q:kick q:snare,tom", "q:kick q:snare h:kick"]),
                ],
            },
        ],
    },
    {
        "name": "six-eight", "title": "Six Eight", "fifths": 2, "time": (6, 8), "tempo": 90,
        "pickup": True,
        "parts": [
            {
                "name": "Flute", "program": 73, "clefs": [("G", 2)],
                "voices": [(1, 1, ["e:A4", "q:D5 e:E5 q:F#5 e:D5", "q.:E5 q:C#5 e:A4",
                                   "q:B4 e:C#5 q:D5 e:E5", "e:F#5 e:E5 e:D5 q:E5 e:C#5",
                                   "q.:D5 q.:r"])],
            },
            {
                "name": "Cello", "program": 42, "clefs": [("F", 4)],
                "voices": [(1, 1, ["e:r", "q.:D3 q.:F#3", "q.:A2 q.:E3", "q.:G2 q.:B2",
                                   "q.:A2 q.:A2", "q.:D3 q.:r"])],
            },
        ],
    },
    {
        "name": "alla-breve", "title": "Alla Breve", "fifths": 1, "time": (2, 2), "tempo": 132,
        "pickup": True,
        "parts": [
            {
                "name": "Violin", "program": 40, "clefs": [("G", 2)],
                "voices": [(1, 1, ["q:B4", "h:E5 q:D5 q:C5", "h:B4 h:A4", "q:G4 q:A4 q:B4 q:C5",
                                   "h.:B4 q:r"])],
            },
            {
                "name": "Viola", "program": 41, "clefs": [("C", 3)],
                "voices": [(1, 1, ["q:G4", "h:G4 h:A4", "q:G4 q:F#4 h:E4", "h:E4 h:E4",
                                   "h.:D#4 q:r"])],
            },
            {
                "name": "Cello", "program": 42, "clefs": [("F", 4)],
                "voices": [(1, 1, ["q:E3", "h:C3 h:F#3", "h:G3 h:C3", "h:E3 h:A2",
                                   "h.:B2 q:r"])],
            },
        ],
    },
]


def main():
    mscore = shutil.which("mscore3") or shutil.which("musescore3")
    if mscore is None:
        sys.exit("make_pieces.py: MuseScore 3 (mscore3) is not installed")
    with tempfile.TemporaryDirectory() as scratch:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=scratch)
        for piece in PIECES:
            source = os.path.join(scratch, piece["name"] + ".source.musicxml")
            with open(source, "w") as f:
                f.write(score_xml(piece))
            outputs = [".musicxml", ".mid"] + ([".mxl"] if piece["name"] == "band" else [])
            for extension in outputs:
                target = os.path.join(HERE, piece["name"] + extension)
                subprocess.run([mscore, "-o", target, source], env=env, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                print("wrote", os.path.relpath(target))


if __name__ == "__main__":
    main()
