#!/usr/bin/env python3
"""Writes the demo songs that come with the piano (resources/songs/*.SAV).

Each piece is written out below as a list of notes (onset and length in beats,
MIDI note number, volume) for both hands, and turned into the state text the
piano saves: the settings section with the default settings (start keys chosen
so that the melody is on screen), then the recorder section with every press
followed later by its release.

Run once after changing a piece; the output is committed:
    python3 tools/make_demo_songs.py
"""

import os
import sys

SONG_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "songs")

# Release rates of a lifted key (level change per frame at 44100 Hz).
RELEASE_NORMAL = -8e-05
ATTACK = 1.0
MAX_NOTES = 3000  # presses and releases together

# A key lifted just before the same key is struck again, so the two never overlap.
REPEAT_GAP = 0.03


def squeeze(value):
    """The state text's float form: "0", "1" or %g."""
    if value == 0:
        return "0"
    if value == 1:
        return "1"
    return "%g" % value


def state_text(notes, start_keys):
    """notes: (start seconds, length seconds, MIDI number, volume)."""
    presses = []
    for start, length, midi, volume in notes:
        slot = midi - 21  # key number - 1; middle C (MIDI 60) is key 40
        assert 0 <= slot < 88, midi
        assert 0.0 < volume <= 1.0
        presses.append([start, start + length, slot, volume])
    presses.sort(key=lambda p: (p[0], p[2]))
    # A key struck again is lifted a moment before.
    by_slot = {}
    for p in presses:
        by_slot.setdefault(p[2], []).append(p)
    for same in by_slot.values():
        for a, b in zip(same, same[1:]):
            if a[1] > b[0] - REPEAT_GAP:
                a[1] = max(a[0] + 0.02, b[0] - REPEAT_GAP)
    events = []
    for note_id, (start, end, slot, volume) in enumerate(presses):
        events.append((start, 1, note_id, slot, volume))
        events.append((end, 0, note_id, slot, volume))
    # Releases before presses at the same moment.
    events.sort(key=lambda e: (round(e[0], 6), e[1], e[2]))
    assert len(events) <= MAX_NOTES, len(events)

    single, lower, upper = start_keys
    main = "%s|%s|0|0|1|1|1|8|0|%d|%d|%d|" % (squeeze(RELEASE_NORMAL), squeeze(-1.6e-05), single, lower, upper)
    fields = ["0", "120", "0.5", "4", str(len(presses)), str(len(events))]
    for time, down, note_id, slot, volume in events:
        if down:
            fields += ["1", str(slot), "%f" % time, str(note_id), squeeze(round(volume, 3)), squeeze(ATTACK),
                       squeeze(RELEASE_NORMAL)]
        else:
            fields += ["0", "%f" % time, str(note_id)]
    return "Version 2@" + main + "@" + "|".join(fields) + "|@"


NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def midi(name):
    """'C4' is middle C (60); 'F#3', 'Bb3' and so on."""
    letter, rest = name[0], name[1:]
    shift = 0
    while rest and rest[0] in "#b":
        shift += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + NAMES[letter] + shift


class Score:
    """Notes placed in beats, turned into seconds at a tempo."""

    def __init__(self, seconds_per_beat):
        self.spb = seconds_per_beat
        self.notes = []

    def add(self, beat, beats, name, volume):
        self.notes.append((beat * self.spb, beats * self.spb, midi(name), volume))


# ---------------------------------------------------------------- Bach

# Prelude in C major, BWV 846, bars 1 to 19: each half bar the bass and tenor
# notes are struck and held, and the three upper notes run twice above them.
# Every note is held to the end of its half bar, as the pedal would.
BACH_BARS = [
    "C4 E4 G4 C5 E5", "C4 D4 A4 D5 F5", "B3 D4 G4 D5 F5", "C4 E4 G4 C5 E5",
    "C4 E4 A4 E5 A5", "C4 D4 F#4 A4 D5", "B3 D4 G4 D5 G5", "B3 C4 E4 G4 C5",
    "A3 C4 E4 G4 C5", "D3 A3 D4 F#4 C5", "G3 B3 D4 G4 B4", "G3 Bb3 E4 G4 C#5",
    "F3 A3 D4 A4 D5", "F3 Ab3 D4 F4 B4", "E3 G3 C4 G4 C5", "E3 F3 A3 C4 F4",
    "D3 F3 A3 C4 F4", "G2 D3 G3 B3 F4", "C3 E3 G3 C4 E4",
]


def bach():
    score = Score(60.0 / 66.0 / 4.0)  # a sixteenth at 66 quarter notes a minute
    beat = 0.0
    for bar, chord in enumerate(BACH_BARS):
        notes = chord.split()
        # The phrase swells to bar 5, eases, and rises again toward the end.
        swell = [0.0, 0.03, 0.05, 0.04, 0.08, 0.06, 0.04, 0.02, 0.03, 0.06, 0.05, 0.08, 0.07, 0.09, 0.05,
                 0.03, 0.02, 0.06, 0.0][bar]
        for half in range(2):
            start = beat + 8 * half
            end = start + 8
            score.add(start, end - start - 0.1, notes[0], 0.62 + swell)
            score.add(start + 1, end - start - 1.1, notes[1], 0.5 + swell)
            for i, upper in enumerate(notes[2:] * 2):
                accent = 0.06 if i in (0, 3) else 0.0
                score.add(start + 2 + i, end - (start + 2 + i) - 0.1, upper, 0.46 + swell + accent)
        beat += 16
    # The last bar's harmony rolled once more and held.
    last = BACH_BARS[-1].split()
    for i, name in enumerate(last):
        score.add(beat + 0.25 * i, 10, name, 0.55 - 0.02 * i)
    return score.notes


# ---------------------------------------------------------------- Beethoven

# Bagatelle in A minor, WoO 59 ("Für Elise"), the opening section with its
# repeat. Sixteenths at 0.2 s; each bar is six sixteenths. The left hand's
# broken chords are held through the bar, as the pedal would hold them.
def fur_elise():
    score = Score(0.2)
    t = 0.0

    def turn(at):  # E D# E B D C
        for i, (name, vol) in enumerate(zip("E5 D#5 E5 B4 D5 C5".split(), (0.62, 0.5, 0.6, 0.52, 0.55, 0.56))):
            score.add(at + i, 1, name, vol)

    def left(at, names, vol=0.42):
        for i, name in enumerate(names.split()):
            score.add(at + i, 6 - i - 0.15, name, vol - 0.03 * i)

    def answer(at, top, names, vols=(0.6, 0.42, 0.46, 0.5)):
        score.add(at, 2, top, vols[0])
        for i, name in enumerate(names.split()):
            score.add(at + 3 + i, 1, name, vols[1 + i])

    # Pickup E D#
    score.add(t, 1, "E5", 0.55)
    score.add(t + 1, 1, "D#5", 0.48)
    t += 2
    for ending in (1, 2):
        turn(t)
        t += 6
        answer(t, "A4", "C4 E4 A4")
        left(t, "A2 E3 A3")
        t += 6
        answer(t, "B4", "E4 G#4 B4")
        left(t, "E2 E3 G#3")
        t += 6
        answer(t, "C5", "E4 E5 D#5")
        left(t, "A2 E3 A3")
        t += 6
        turn(t)
        t += 6
        answer(t, "A4", "C4 E4 A4")
        left(t, "A2 E3 A3")
        t += 6
        answer(t, "B4", "E4 C5 B4")
        left(t, "E2 E3 G#3")
        t += 6
        if ending == 1:
            score.add(t, 2, "A4", 0.56)
            left(t, "A2 E3 A3")
            score.add(t + 4, 1, "E5", 0.55)
            score.add(t + 5, 1, "D#5", 0.48)
            t += 6
        else:
            score.add(t, 10, "A4", 0.5)
            left(t, "A2 E3 A3", 0.38)
            score.add(t + 3, 7, "C5", 0.36)
            score.add(t + 3, 7, "E5", 0.34)
    return score.notes


# ---------------------------------------------------------------- Satie

# Gymnopédie No. 1, bars 1 to 12 and a closing bar: the left hand sways between
# G and D, bass note on the first beat and a chord on the second, both held
# through the bar; the melody enters in bar 5. Slow, 3/4, 70 quarter notes a minute.
def gymnopedie():
    score = Score(60.0 / 70.0)
    melody = {  # bar (from 0): [(beat in bar, beats, note, volume)]
        4: [(1, 1, "F#5", 0.52), (2, 1, "A5", 0.56)],
        5: [(0, 1, "G5", 0.55), (1, 1, "F#5", 0.5), (2, 1, "C#5", 0.47)],
        6: [(0, 1, "B4", 0.46), (1, 1, "C#5", 0.48), (2, 1, "D5", 0.5)],
        7: [(0, 3, "A4", 0.45)],
        8: [(0, 12, "F#4", 0.44)],
    }
    bars = 12
    for bar in range(bars + 1):
        start = 3 * bar
        if bar % 2 == 0:
            bass, chord = "G2", ("B3", "D4", "F#4")
        else:
            bass, chord = "D2", ("A3", "C#4", "F#4")
        closing = bar == bars
        score.add(start, 5.5 if closing else 2.9, bass, 0.5 if closing else 0.46)
        if not (8 <= bar < 12):  # the melody's long F#4 takes the chord's top
            top = chord
        else:
            top = chord[:2]
        for i, name in enumerate(top):
            score.add(start + 1 + 0.02 * i, 4.5 if closing else 1.9, name, 0.36 - 0.02 * i)
        for beat, beats, name, volume in melody.get(bar, []):
            score.add(start + beat, beats - 0.05, name, volume)
    return score.notes


PIECES = [
    # name, notes, start keys (single keyboard, lower and upper keyboard)
    ("Prelude in C (Bach)", bach, (47, 28, 47)),
    ("Für Elise (Beethoven)", fur_elise, (44, 25, 44)),
    ("Gymnopédie No 1 (Satie)", gymnopedie, (49, 18, 49)),
]


def main():
    os.makedirs(SONG_DIR, exist_ok=True)
    for name, piece, keys in PIECES:
        text = state_text(piece(), keys)
        path = os.path.join(SONG_DIR, name + ".SAV")
        with open(path, "w", encoding="ascii") as out:
            out.write(text)
        print("%s: %d bytes" % (path, len(text)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
