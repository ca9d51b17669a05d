#!/bin/bash
# Pictures of every screen, for a look by eye and for comparing two builds:
# the welcome, the keyboard, the three settings pages, the song library with
# 0, 3 and 8 songs and its dialogs (question, loading, result, the name
# keyboard), the modify mode, the manual's pages, two screen changes half
# way and the keyboards of 15 keys and two of 12 with keys held, on both
# layouts and in both languages; each run's sound goes beside its pictures
# as a WAV.
#
#   tools/screenshots.sh BUILD_DIR OUT_DIR
#
# Two builds give the same pictures when `cmp` finds every file alike:
#   for f in before/*; do cmp -s "$f" "after/${f##*/}" || echo "$f differs"; done
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"  # the output volume as on a first start

t=0
emit() { echo "$*" >>"$script"; }
# at SECONDS: the clock of the next lines; tap X Y: a portrait tap, then time for its screen change.
at() { t=$1; }
tap() {
  emit "$t down 1 $1 $2"
  t=$(echo "$t + 0.05" | bc)
  emit "$t up 1"
  t=$(echo "$t + ${3:-0.6}" | bc)
}
shot() { emit "$t shot $out/$1.png"; t=$(echo "$t + 0.05" | bc); }

run() {  # NAME LAYOUT LANGUAGE [extra songs]
  local name=$1 layout=$2 language=$3 songs=${4:-0} state=${5:-}
  local docs="$work/docs-$name"
  mkdir -p "$docs"
  [ -z "$state" ] || printf '%s' "$state" >"$docs/system.state"
  for i in $(seq 1 "$songs"); do
    printf 'Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@' >"$docs/Extra $i.SAV"
  done
  "$build/piano" --script "$script" --offscreen "--$layout" --language "$language" \
    --wav "$out/$name.wav" --documents "$docs" >"$work/$name.log" || { cat "$work/$name.log"; exit 1; }
}

for layout in normal tall; do
  if [ $layout = tall ]; then s=45; d=44; m=40; L=568; else s=0; d=0; m=0; L=480; fi
  for language in en zh-Hans; do
    name="$layout-$language"
    script="$work/$name.txt"
    : >"$script"
    at 0.5; shot "$name-welcome"
    emit "0.6 down 9 $((L / 2)) 222"; emit "0.65 up 9"
    emit portrait
    at 1.0; shot "$name-keyboard"
    # settings: PIANO first, APP, METRO; half way into METRO
    tap 300 $((265 + s * 40 / 45)) 0.15; shot "$name-to-settings-halfway"; t=$(echo "$t + 0.5" | bc)
    shot "$name-settings-piano"
    tap 302 $((155 + s)); shot "$name-settings-app"
    tap 302 $((325 + s)) 0.2; shot "$name-settings-sliding"; t=$(echo "$t + 0.5" | bc)
    shot "$name-settings-metro"
    tap 300 $((L - 20)); shot "$name-manual-title"
    tap 285 450; shot "$name-manual-contents"
    for i in $(seq 2 16); do tap 285 450 0.1; done
    shot "$name-manual-last"
    tap 285 20; shot "$name-manual-15"
    tap 20 $((L / 2)); shot "$name-settings-again"
    tap 300 20
    # the library with the three demo songs
    tap 300 $((220 + s * 35 / 45)); shot "$name-library-3"
    tap 151 $((196 + d))
    tap 170 $((430 + d)); shot "$name-library-load-question"
    tap 90 $((150 + m)) 0.05; shot "$name-library-loading"
    t=$(echo "$t + 0.4" | bc); shot "$name-library-loaded"
    tap 90 $((150 + m))
    tap 225 $((213 + d)); shot "$name-library-name-keyboard"
    emit "$t key return"; t=$(echo "$t + 0.2" | bc)
    tap 225 $((430 + d)); shot "$name-library-overwrite-question"
    tap 90 $((150 + m)); shot "$name-library-saved"
    tap 90 $((150 + m))
    tap 299 $((280 + s)); shot "$name-library-modify"
    tap 120 $((200 + d)); shot "$name-library-erase-question"
    tap 90 $((300 + m))
    tap 299 $((200 + s))
    for i in 1 2 3 4; do tap 178 $((196 + d)) 0.1; tap 50 $((430 + d)) 0.1; tap 90 $((150 + m)) 0.1; tap 90 $((150 + m)) 0.1; done
    shot "$name-library-0"
    tap 300 $((L - 20)); shot "$name-manual-from-library"
    tap 20 $((L / 2)); tap 300 20; shot "$name-keyboard-again"
    emit "$t end"
    run "$name" $layout $language

    name="$layout-$language-8"
    script="$work/$name.txt"
    : >"$script"
    emit "0.1 down 9 $((L / 2)) 222"; emit "0.15 up 9"
    emit portrait
    at 0.5
    tap 300 $((220 + s * 35 / 45)); shot "$name-library-8"
    tap 124 $((196 + d))
    tap 43 $((380 + d)); tap 43 $((380 + d)); shot "$name-library-8-scrolled"
    emit "$t end"
    run "$name" $layout $language 5

    # the keyboards: 15 keys with note names, then two keyboards of 12, with fingers held on keys
    for dual in 0 1; do
      name="$layout-$language-keys-$dual"
      script="$work/$name.txt"
      : >"$script"
      emit "0.1 down 9 $((L / 2)) 222"; emit "0.15 up 9"
      emit portrait
      at 0.5; shot "$name"
      emit "$t down 1 40 $((L / 3))"; emit "$t down 2 150 $((L / 2 + 10))"; emit "$t down 3 230 $((L / 2 + 40))"
      t=$(echo "$t + 0.1" | bc); shot "$name-held"
      emit "$t end"
      keys=$((15 - 3 * dual))
      run "$name" $layout $language 0 "Version 2@-8e-05|-1.6e-05|1|0|1|2|1|$keys|$dual|40|16|52|@0|120|0.5|4|0|0|@"
    done
  done
done
ls "$out" | wc -l
