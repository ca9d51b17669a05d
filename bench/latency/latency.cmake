# The latency benchmark's programs (bench/latency/run.sh), built where the
# PipeWire client library is there to record the sink with; and, with the
# tests, a short smoke run of the benchmark. Sanitized builds leave both out:
# their reports would be about the sound libraries the run loads, not about
# the piano.
pkg_check_modules(LIBPIPEWIRE QUIET IMPORTED_TARGET libpipewire-0.3)
if(LIBPIPEWIRE_FOUND AND TARGET piano_platform_sdl AND NOT PIANO_SANITIZE)
  add_executable(sink_capture ${CMAKE_CURRENT_LIST_DIR}/sink_capture.cpp)
  target_link_libraries(sink_capture PRIVATE PkgConfig::LIBPIPEWIRE)
  # The library's headers are C99 with designated initialisers and casts C++ warns about.
  target_compile_options(sink_capture PRIVATE -Wno-pedantic -Wno-missing-field-initializers)
  add_executable(latency_probe ${CMAKE_CURRENT_LIST_DIR}/latency_probe.cpp)
  target_link_libraries(latency_probe PRIVATE piano_audio piano_platform_sdl piano_platform piano_mav)
  target_compile_definitions(latency_probe PRIVATE PIANO_SAMPLE_DIR="${PIANO_SAMPLE_DIR}")
  if(PIANO_BUILD_TESTS)
    add_test(NAME latency_smoke
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh --smoke --build ${CMAKE_BINARY_DIR})
    # 77: the PipeWire daemons, Xvfb or python3-xlib are not installed.
    set_tests_properties(latency_smoke PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
                         ENVIRONMENT "PIANO_SAMPLE_DIR=${PIANO_SAMPLE_DIR}")
  endif()
endif()
