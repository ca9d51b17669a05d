# Fuzzing of the state-text reader: a bounded random run, and every input kept
# under tests/data/recording (the seed corpus and past crashes) run once.
set(PIANO_FUZZ_SECONDS 20 CACHE STRING "Length of the state-text fuzz run in seconds")
add_executable(state_text_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/fuzz/state_text_fuzz_target.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_driver.cpp)
target_link_libraries(state_text_fuzz PRIVATE piano_test_support piano_recording)
add_test(NAME recording_state_text_fuzz
  COMMAND state_text_fuzz --seconds ${PIANO_FUZZ_SECONDS}
          --corpus ${CMAKE_CURRENT_SOURCE_DIR}/data/recording/state_corpus)
set_tests_properties(recording_state_text_fuzz PROPERTIES TIMEOUT 300)
add_test(NAME recording_state_text_regressions
  COMMAND state_text_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/data/recording/state_corpus
          ${CMAKE_CURRENT_SOURCE_DIR}/data/recording/state_regressions)

# MIDI files of other programs (Debian openttd-openmsx, planetblupi-music-midi)
# imported by the program, against an independent reader (python3-mido).
file(GLOB reference_midi_files /usr/share/games/openttd/baseset/openmsx/*.mid /usr/share/planetblupi/music/*.mid)
add_test(NAME recording_midi_files_of_other_programs
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/midi_reference.py $<TARGET_FILE:piano>
          ${CMAKE_CURRENT_BINARY_DIR}/midi-reference ${reference_midi_files})
