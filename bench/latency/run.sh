#!/usr/bin/env bash
# Latency of the piano's sound on a PipeWire desktop, measured in a private
# session: pipewire, wireplumber and pipewire-pulse with a dbus of their own in
# a scratch XDG_RUNTIME_DIR, a null sink whose monitor sink_capture records.
#
#   callback to sink: latency_probe writes an impulse at the first frame of a
#                     callback and notes when that callback began;
#   tap to sink:      the piano in a real X window (Xvfb), a key tapped through
#                     XTest, until the first loud sample at the sink.
#
# Median and p95 of each, for the program's own choice (PipeWire's client where
# a PipeWire server runs) and SDL's pipewire and pulseaudio drivers, at 128 and
# 256 frames (--configs "default default:256 pulseaudio:256 ..." picks;
# "default" gives the programs neither SDL_AUDIODRIVER nor --buffer).
# --load adds the 60 s run of ten fingers (--load-seconds N: N s) with a build
# of the piano beside it, and counts the gaps at the sink. --smoke measures a
# few notes of the default choice only (the test suite's run). --run COMMAND
# runs that in the session instead, with SINK_CAPTURE, LATENCY_PROBE, PIANO and
# SCRATCH set. Every daemon it starts is stopped when it ends, however it ends.
#
#   bench/latency/run.sh [--build DIR] [--notes N] [--configs LIST] [--smoke] [--load]
#                        [--run COMMAND]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build="$source_dir/build"
notes=24
load=0
load_seconds=60
run_command=
configs="default default:256 pipewire:128 pipewire:256 pulseaudio:128 pulseaudio:256"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$(cd "$2" && pwd); shift ;;
    --notes) notes=$2; shift ;;
    --smoke) configs=default; notes=3 ;;
    --load) load=1 ;;
    --load-seconds) load=1; load_seconds=$2; shift ;;
    --run) run_command=$2; shift ;;
    --configs) configs=$2; shift ;;
    *) echo "unknown option $1"; exit 2 ;;
  esac
  shift
done
for tool in pipewire wireplumber pipewire-pulse dbus-daemon Xvfb pw-cli; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh --tests)"; exit 77; }
done
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || { echo "python3-xlib is not installed"; exit 77; }
for program in piano latency_probe sink_capture; do
  [ -x "$build/$program" ] || [ -x "$build/src/app/$program" ] || { echo "build $program first ($build)"; exit 2; }
done
piano=$build/piano
[ -x "$piano" ] || piano=$build/src/app/piano

scratch=$(mktemp -d /tmp/piano-latency.XXXXXX)
pids=()
stop_all() {
  local p
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    p=${pids[i]}
    kill -TERM -- "-$p" 2>/dev/null || kill "$p" 2>/dev/null || true
  done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
}
finish() {
  stop_all
  [ -n "${LATENCY_KEEP:-}" ] && echo "kept $scratch" || rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 130' INT TERM
start() {  # start NAME COMMAND...: in the background, logged, stopped at the end
  local name=$1
  shift
  # A process group of its own, so that stopping it stops what it started too.
  setsid "$@" >"$scratch/$name.log" 2>&1 &
  pids+=($!)
}
stop_last() {  # stops the process started last and forgets it
  local p=${pids[-1]}
  kill -TERM -- "-$p" 2>/dev/null || kill "$p" 2>/dev/null || true
  wait "$p" 2>/dev/null || true
  unset 'pids[-1]'
}

# Nothing of a desktop session the run is started from: its sound server, its display.
unset PULSE_SERVER PIPEWIRE_REMOTE WAYLAND_DISPLAY
export SDL_VIDEODRIVER=x11
export XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state
export XDG_DATA_HOME=$scratch/data PIPEWIRE_RUNTIME_DIR=$scratch/run PULSE_RUNTIME_PATH=$scratch/run/pulse
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_DATA_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$scratch/run/bus
start dbus dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS"
start pipewire pipewire
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
start wireplumber wireplumber
start pipewire-pulse pipewire-pulse
pw-cli create-node adapter '{ factory.name=support.null-audio-sink node.name=latency-sink
  node.description="Latency sink" media.class=Audio/Sink object.linger=true audio.position=[FL FR]
  audio.rate=48000 node.driver=true priority.driver=3000 }' >/dev/null
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.1; done
sleep 1

# Xvfb picks a free display and names it when it is ready.
start xvfb bash -c 'exec Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$0"' "$scratch/display"
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")

# Matches each event (impulse or tap) with the first onset at the sink within
# 200 ms after it; prints the count, median and p95 in ms.
summarise() {  # summarise EVENTS_FILE EVENT_WORD CAPTURE_FILE
  python3 - "$@" <<'PY'
import sys
events = [int(l.split()[1]) for l in open(sys.argv[1]) if l.startswith(sys.argv[2] + " ")]
onsets = [int(l.split()[1]) for l in open(sys.argv[3]) if l.startswith("onset ")]
lat = []
for e in events:
    after = [o for o in onsets if 0 <= o - e < 200_000_000]
    if after:
        lat.append((min(after) - e) / 1e6)
lat.sort()
if not lat:
    print(f"0/{len(events)} measured")
    sys.exit(0)
median = lat[len(lat) // 2] if len(lat) % 2 else (lat[len(lat) // 2 - 1] + lat[len(lat) // 2]) / 2
p95 = lat[min(len(lat) - 1, int(round(0.95 * (len(lat) - 1))))]
mean = sum(lat) / len(lat)
print(f"{len(lat)}/{len(events)} notes  median {median:.1f} ms  mean {mean:.1f} ms  p95 {p95:.1f} ms")
PY
}

unmeasured=0
report() {  # prints a figure; a run that measured no note at all counts as failed
  echo "$1"
  case "$1" in *": 0/"*) unmeasured=1 ;; esac
}

said() {  # what the program said about its sound
  grep '^Sound' "$1" | sed 's/^/    /' || echo "    no sound"
}

measure() {  # measure LABEL DRIVER(or "") BUFFER(or "")
  local label=$1 driver=$2 buffer=$3 env=() args=()
  [ -n "$driver" ] && env=(SDL_AUDIODRIVER="$driver")
  [ -n "$buffer" ] && args=(--buffer "$buffer")
  start capture "$build/sink_capture" latency-sink
  sleep 0.3
  env "${env[@]}" "$build/latency_probe" impulse "$notes" "${args[@]}" >"$scratch/probe.log" 2>&1
  sleep 0.3
  stop_last
  report "$label  callback to sink: $(summarise "$scratch/probe.log" impulse "$scratch/capture.log")"
  said "$scratch/probe.log"

  start capture "$build/sink_capture" latency-sink
  start piano env "${env[@]}" "$piano" --normal --documents "$scratch/documents" "${args[@]}"
  /usr/bin/python3 "$here/tap.py" "$notes" >"$scratch/taps.log" 2>&1 || true
  sleep 0.5
  stop_last  # the piano
  stop_last  # the capture
  report "$label  tap to sink:      $(summarise "$scratch/taps.log" tap "$scratch/capture.log")"
  said "$scratch/piano.log"
}

mkdir -p "$scratch/documents"
if [ -n "$run_command" ]; then
  SINK_CAPTURE=$build/sink_capture LATENCY_PROBE=$build/latency_probe PIANO=$piano SCRATCH=$scratch \
    bash -c "$run_command"
  exit
fi
echo "$(pipewire --version | grep -m1 -o "libpipewire [0-9.]*"), null sink at 48000 Hz, $notes notes each"
for config in $configs; do
  # default: the program's own choice; default:N that choice at N frames;
  # DRIVER:N SDL's driver DRIVER at N frames.
  driver=${config%%:*} frames=
  [ "$config" != "$driver" ] && frames=${config#*:}
  label="SDL $driver" env_driver=$driver
  [ "$driver" = default ] && label="default choice" env_driver=
  [ -n "$frames" ] && label="$label, $frames frames"
  measure "$(printf '%-27s' "$label")" "$env_driver" "$frames"
done

if [ "$load" = 1 ]; then
  echo "Load: ten fingers for $load_seconds s at the default choice, a build of the piano beside it"
  start build bash -c "cmake -S '$source_dir' -B '$scratch/build' -DPIANO_BUILD_TESTS=OFF -DPIANO_BUILD_BENCH=OFF >/dev/null && cmake --build '$scratch/build' -j$(nproc)"
  start capture "$build/sink_capture" latency-sink
  "$build/latency_probe" load "$load_seconds" >"$scratch/load.log" 2>&1
  sleep 0.3
  stop_last
  said "$scratch/load.log"
  echo "    at the sink: $(grep '^frames' "$scratch/capture.log")"
fi
[ "$unmeasured" = 0 ] || { echo "no note reached the sink in some measurement"; exit 1; }
