#!/usr/bin/env python3
"""The idle piano's cost: CPU time and wake-ups per thread while nothing plays.

Starts the real program off screen on the keyboard (no finger down, nothing
playing or recording), lets it settle, then reads /proc for a measuring window
and prints, per thread, CPU seconds (utime + stime) and wake-ups per second
(voluntary + involuntary context switches). The audio output's own thread runs
at the device's pace whatever the program does; it is listed apart from the
program's own threads.

  bench/idle_bench.py [--piano build/piano] [--seconds 10] [--audio null|sdl]
                      [--video offscreen|x11] [--samples DIR] [--settle 3]

--audio null: the program's own paced null output (--no-audio); sdl: SDL's
audio with its dummy driver (SDL_AUDIODRIVER=dummy). --video x11: a window on
the X display in $DISPLAY (e.g. under xvfb-run) instead of an off-screen one.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

TICKS = os.sysconf("SC_CLK_TCK")
AUDIO_THREAD_NAMES = ("SDLAudio", "audio out")


def thread_figures(pid):
    """{tid: (name, cpu seconds, context switches)} of every thread of pid."""
    figures = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                stat = f.read()
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                status = f.read()
        except OSError:
            continue  # the thread ended meanwhile
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        fields = stat[stat.rindex(")") + 2:].split()
        cpu = (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime
        switches = sum(int(line.split()[1]) for line in status.splitlines()
                       if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
        figures[tid] = (name, cpu, switches)
    return figures


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--piano", default=os.path.join(here, "..", "build", "piano"))
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--settle", type=float, default=3.0)
    parser.add_argument("--audio", choices=("null", "sdl"), default="null")
    parser.add_argument("--video", choices=("offscreen", "x11"), default="offscreen")
    parser.add_argument("--samples")
    args = parser.parse_args()

    documents = tempfile.mkdtemp(prefix="piano-idle-")
    # The welcome message was shown before: the run starts on the keyboard.
    with open(os.path.join(documents, "SystemMessage.DAT"), "wb") as f:
        f.write((1).to_bytes(4, "little"))
    command = [args.piano, "--documents", documents]
    if args.video == "offscreen":
        command.append("--offscreen")
    if args.samples:
        command += ["--samples", args.samples]
    env = dict(os.environ, SDL_VIDEODRIVER=args.video, SDL_AUDIODRIVER="dummy")
    if args.audio == "null":
        command.append("--no-audio")
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL)
    try:
        time.sleep(args.settle)
        if program.poll() is not None:
            sys.exit(f"{args.piano} ended early (status {program.returncode})")
        before = thread_figures(program.pid)
        start = time.monotonic()
        time.sleep(args.seconds)
        after = thread_figures(program.pid)
        seconds = time.monotonic() - start
    finally:
        program.terminate()
        program.wait(timeout=10)

    own = [0.0, 0]
    print(f"idle for {seconds:.1f} s, video {args.video}, audio {args.audio}")
    print(f"{'thread':<18}{'cpu s':>8}{'% core':>9}{'wake-ups/s':>12}")
    for tid, (name, cpu, switches) in sorted(after.items(), key=lambda item: int(item[0])):
        _, cpu0, switches0 = before.get(tid, (name, 0.0, 0))
        cpu -= cpu0
        rate = (switches - switches0) / seconds
        audio = name.startswith(AUDIO_THREAD_NAMES)
        if not audio:
            own[0] += cpu
            own[1] += switches - switches0
        label = f"{name}{' (audio)' if audio else ''}"
        print(f"{label:<18}{cpu:>8.2f}{100 * cpu / seconds:>8.1f}%{rate:>12.1f}")
    print(f"{'own threads':<18}{own[0]:>8.2f}{100 * own[0] / seconds:>8.1f}%{own[1] / seconds:>12.1f}")


if __name__ == "__main__":
    main()
