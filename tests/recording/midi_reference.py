#!/usr/bin/python3
# MIDI files of other programs, imported with the piano's command line, against
# an independent reader (mido): the same presses at the same times, the first
# as many as a song takes, and the rest counted as left out.
#   midi_reference.py PIANO SCRATCH_FOLDER FILE.mid...
import os, re, shutil, subprocess, sys
import mido

LIMIT = 1500  # presses a song takes
piano, scratch, files = sys.argv[1], sys.argv[2], sys.argv[3:]
shutil.rmtree(scratch, ignore_errors=True)
os.makedirs(scratch)
assert files, "no MIDI files to check"
failures = 0
for path in files:
    expected, now = [], 0.0
    for message in mido.MidiFile(path):
        now += message.time
        if message.type == 'note_on' and message.velocity > 0 and message.channel != 9 and 21 <= message.note <= 108:
            expected.append((now, message.note - 21))
    name = os.path.splitext(os.path.basename(path))[0]
    out = subprocess.run([piano, '--documents', scratch, '--import-midi', path, name],
                         capture_output=True, text=True, timeout=60)
    fields = open(os.path.join(scratch, name + '.SAV'), encoding='utf-8').read().split('@')[2].split('|')
    got, i = [], 6
    while i < len(fields) - 1:
        if fields[i] == '1':
            got.append((float(fields[i + 2]), int(fields[i + 1])))
        i += 7 if fields[i] == '1' else 3
    left_out = re.search(r'(\d+) more were left out', out.stdout)
    want = sorted(expected[:LIMIT])
    ok = len(got) == len(want) and all(abs(a[0] - b[0]) < 1e-5 and a[1] == b[1] for a, b in zip(sorted(got), want)) \
        and (int(left_out.group(1)) if left_out else 0) == max(0, len(expected) - LIMIT)
    print(('ok  ' if ok else 'FAIL'), name, len(got), 'of', len(expected), out.stdout.strip())
    failures += not ok
sys.exit(1 if failures else 0)
