# Runs the sample builder unless PIANO_SAMPLE_DIR already holds a complete set made
# from the same recipe. Several build folders may share one set: the stamp records
# what the set was made from, so only the first of them renders it.
#
# cmake -DTOOL=... -DOUT_DIR=... -DSOUNDFONT=... -DSTAMP=... -DRECIPE=a;b;c -P run_build_samples.cmake

set(key "soundfont ${SOUNDFONT}")
if(EXISTS "${SOUNDFONT}")
  file(SIZE "${SOUNDFONT}" size)
  file(TIMESTAMP "${SOUNDFONT}" stamp_time "%Y-%m-%dT%H:%M:%S" UTC)
  string(APPEND key " ${size} ${stamp_time}")
endif()
foreach(source ${RECIPE})
  file(SHA256 "${source}" hash)
  get_filename_component(name "${source}" NAME)
  string(APPEND key "\n${name} ${hash}")
endforeach()

set(files)
foreach(n RANGE 1 88)
  list(APPEND files "${OUT_DIR}/${n}.mav")
endforeach()
list(APPEND files "${OUT_DIR}/metronomeHi.mav" "${OUT_DIR}/metronomeLo.mav")

set(complete TRUE)
foreach(f ${files})
  if(NOT EXISTS "${f}")
    set(complete FALSE)
  endif()
endforeach()

if(complete AND EXISTS "${STAMP}")
  file(READ "${STAMP}" old_key)
  if(old_key STREQUAL key)
    # Newer times tell the build tool the outputs are current.
    file(TOUCH_NOCREATE ${files} "${STAMP}")
    message(STATUS "Piano sample set is up to date: ${OUT_DIR}")
    return()
  endif()
endif()

file(REMOVE "${STAMP}")
# Sanitizer builds of the tool must not fail the build over the synthesiser
# library's own leaks.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 "${TOOL}" "${OUT_DIR}" "${SOUNDFONT}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Building the piano sample set failed")
endif()
file(WRITE "${STAMP}" "${key}")
