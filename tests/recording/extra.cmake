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
