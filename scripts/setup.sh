#!/usr/bin/env bash
# Installs the Debian packages that building and testing the piano need, when
# they are missing. Safe to run again: it installs nothing that is there already.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev
  libfluidsynth-dev musescore-general-soundfont librtmidi-dev libjack-jackd2-dev libpipewire-0.3-dev
  fonts-liberation fonts-wqy-microhei
)
if [ "${1:-}" = "--tests" ]; then
  packages+=(libgtest-dev libbenchmark-dev chromium jackd2)
  # The latency benchmark's private sound session, its X server and its recorder.
  packages+=(pipewire pipewire-pulse wireplumber dbus-daemon xvfb python3-xlib)
  # MIDI files of other programs and an independent reader of them, for the import
  # tests; the checker of AppStream metadata and strace, for the package test.
  packages+=(python3-mido openttd-openmsx planetblupi-music-midi appstream strace)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
