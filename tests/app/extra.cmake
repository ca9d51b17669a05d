# The end-to-end run plays the built sample set.
if(TARGET app_tests AND TARGET piano_samples)
  add_dependencies(app_tests piano_samples)
endif()

# The whole program as a player runs it, ended once started by its terminal
# closing: it saves and exits 0. In the AddressSanitizer build this is the leak
# check of the whole program, with test.sh's suppressions for system libraries.
add_test(NAME app_whole_program_saves_when_its_terminal_closes
  COMMAND sh -c [=[
    rm -rf "$1"; "$0" --no-audio --documents "$1" & pid=$!
    until [ -e "$1/SystemMessage.DAT" ]; do kill -0 $pid || exit 1; sleep 0.1; done
    kill -HUP $pid; wait $pid && [ -s "$1/system.state" ]
  ]=] $<TARGET_FILE:piano> ${CMAKE_CURRENT_BINARY_DIR}/hang-up-documents)
set_tests_properties(app_whole_program_saves_when_its_terminal_closes PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 300)

# An empty or unusable --documents is refused, never replaced by the default folder.
add_test(NAME app_refuses_an_unusable_documents_folder COMMAND sh -c [=[
  "$0" --no-audio --documents ""; [ $? -eq 2 ] || exit 1; "$0" --no-audio --documents /dev/null/x; [ $? -eq 2 ]
]=] $<TARGET_FILE:piano>)
set_tests_properties(app_refuses_an_unusable_documents_folder PROPERTIES TIMEOUT 60)

# The song jobs of the command line: a demo song to a MIDI file, back into the
# library and rendered to sound; a damaged MIDI file is refused, nothing saved.
add_test(NAME app_song_jobs_of_the_command_line COMMAND sh -c [=[
  set -e; w=$(mktemp -d); trap 'rm -rf "$w"' EXIT
  "$0" --documents "$w" --export-midi "$1/songs/Prelude in C (Bach).SAV" "$w/p.mid"
  "$0" --documents "$w" --import-midi "$w/p.mid" Prelude | grep -q '"Prelude": 309 notes'
  "$0" --render "$w/Prelude.SAV" "$w/p.wav" | grep -q '309 presses played'
  head -c 40 "$w/p.mid" >"$w/cut.mid"; out=$("$0" --documents "$w" --import-midi "$w/cut.mid" Cut 2>&1) && exit 1
  echo "$out" | grep -q 'not a usable MIDI file: track 1 is cut short' && [ ! -e "$w/Cut.SAV" ]
]=] $<TARGET_FILE:piano> ${PIANO_RESOURCE_DIR})
set_tests_properties(app_song_jobs_of_the_command_line PROPERTIES TIMEOUT 120)

# The Debian package holds the whole program: unpacked into a scratch root, it plays a script
# with the data installed beside it, opening nothing of the source or build folders.
if(PIANO_SANITIZE STREQUAL "")
  add_test(NAME app_debian_package_runs_where_it_is_installed COMMAND sh -c [=[
    set -e; w=$(mktemp -d); trap 'rm -rf "$w"' EXIT
    cpack --config "$0/CPackConfig.cmake" -B "$w" >/dev/null; dpkg -x "$w"/piano_*.deb "$w/root"
    printf '0.2 down 9 240 222\n0.25 up 9\nportrait\n0.5 down 1 50 100\n0.9 up 1\n1 shot keys.png\n1.5 end\n' >"$w/s"
    env -u PIANO_SAMPLE_DIR -u PIANO_RESOURCE_DIR strace -f -e trace=open,openat -o "$w/trace" \
      "$w/root/usr/bin/piano" --script "$w/s" --offscreen --wav "$w/out.wav" --documents "$w/docs"
    appstreamcli validate --no-net "$w"/root/usr/share/metainfo/*.xml >/dev/null && [ -s "$w/keys.png" ] && [ -s "$w/docs/Prelude in C (Bach).SAV" ] && ! grep -e "$0" -e "$1" "$w/trace"
    python3 -c 'import sys, wave, array; a = array.array("h", wave.open(sys.argv[1]).readframes(99999)); sys.exit(max(a) < 3000)' "$w/out.wav"
  ]=] ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(app_debian_package_runs_where_it_is_installed PROPERTIES
    ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 300)
endif()
