#!/usr/bin/python3
# MIDI files of other programs, imported with the piano's command line, against
# an independent reader (mido): the same presses at the same times, the first
# as many as a song takes, and the rest counted as left out. Arguments: PIANO
# SCRATCH_FOLDER FILE.mid...
import os, re, shutil, subprocess, sys
import mido

LIMIT = 1500  # presses a song takes
piano, scratch, files = sys.argv[1], sys.argv[2], sys.argv[3:]
shutil.rmtree(scratch, ignore_errors=True)
failures = 0 if files else 1  # no files to check: the packages are missing
for path in files:
    expected, now = [], 0.0
    for m in mido.MidiFile(path):
        now += m.time
        if m.type == 'note_on' and m.velocity > 0 and m.channel != 9 and 21 <= m.note <= 108:
            expected.append((now, m.note - 21))
    name = os.path.splitext(os.path.basename(path))[0]
    out = subprocess.run([piano, '--documents', scratch, '--import-midi', path, name], capture_output=True, text=True)
    fields = open(os.path.join(scratch, name + '.SAV'), encoding='utf-8').read().split('@')[2].split('|')
    got, i = [], 6  # presses: 1|slot|time|ID|volume|attack|release|, releases: 0|time|ID|
    while i < len(fields) - 1:
        got += [(float(fields[i + 2]), int(fields[i + 1]))] if fields[i] == '1' else []
        i += 7 if fields[i] == '1' else 3
    left_out = re.search(r'(\d+) more were left out', out.stdout)
    ok = len(got) == len(expected[:LIMIT]) and (int(left_out.group(1)) if left_out else 0) == max(0, len(expected) - LIMIT) \
        and all(abs(a[0] - b[0]) < 1e-5 and a[1] == b[1] for a, b in zip(sorted(got), sorted(expected[:LIMIT])))
    print('ok  ' if ok else 'FAIL', name, len(got), 'of', len(expected), out.stdout.strip())
    failures += not ok
sys.exit(1 if failures else 0)
