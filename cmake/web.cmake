# The browser build: the program alone, compiled to WebAssembly against the SDL2,
# SDL2_image, SDL2_ttf and freetype that scripts/web-deps.sh builds:
#   emcmake cmake -S . -B build-web -DPIANO_WEB_PREFIX="$(scripts/web-deps.sh)" \
#     -DPIANO_SAMPLE_DIR=<a sample set built by the desktop build>
#   cmake --build build-web --target piano      # piano.html, .js, .wasm, .data
# Tools, tests and benchmarks build on the desktop only; the sample set is made
# there too (the sample builder needs fluidsynth) and packed into piano.data here.
set(PIANO_WEB_PREFIX "" CACHE PATH "Prefix of the libraries scripts/web-deps.sh built for WebAssembly")
if(NOT EXISTS "${PIANO_WEB_PREFIX}/lib/pkgconfig/sdl2.pc")
  message(FATAL_ERROR "Set PIANO_WEB_PREFIX to the folder scripts/web-deps.sh prints")
endif()
if(NOT EXISTS "${PIANO_SAMPLE_DIR}/samples.stamp")
  message(FATAL_ERROR "No sample set in ${PIANO_SAMPLE_DIR}: build one with the desktop build "
                      "(target piano_samples) and name its folder in PIANO_SAMPLE_DIR")
endif()

# The sample loader and the playback thread are threads: every object is
# compiled for shared memory, and the page needs cross-origin isolation.
add_compile_options(-pthread)
# The desktop's warning options are GCC's; emscripten's clang skips those it lacks.
add_compile_options(-Wno-unknown-warning-option)
add_link_options(-pthread)
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

# The libraries are found only in that prefix, never on the desktop.
list(APPEND CMAKE_FIND_ROOT_PATH "${PIANO_WEB_PREFIX}")
set(ENV{PKG_CONFIG_LIBDIR} "${PIANO_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2 SDL2_image SDL2_ttf)

set(PIANO_RESOURCE_DIR "${CMAKE_SOURCE_DIR}/resources")
add_subdirectory(src)
# What the browser's C library lacks.
target_sources(piano_platform PRIVATE ${CMAKE_SOURCE_DIR}/src/platform/web/thread_names.cpp)
# The probes' door for the page's script (tests read the voices through it).
target_sources(piano PRIVATE ${CMAKE_SOURCE_DIR}/src/platform/web/probe_export.cpp)

# The program's files are packed into piano.data at the same paths the desktop
# build reads them from, so the program looks for them where it always does.
# The sample set is not: the page fetches it after the start (samples.js);
# nor is the Chinese font, 5.2 MB, which the page fetches before the start only
# where it is in Chinese (fonts.js).
set(web_fonts
  /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
  /usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf)
set(web_files "${PIANO_RESOURCE_DIR}" ${web_fonts})
set(web_late_font /usr/share/fonts/truetype/wqy/wqy-microhei.ttc)

# Each sample file beside the page as samples/<name>.gz: a plain static host
# sends files as they are, so they are compressed here, once.
file(GLOB web_sample_files CONFIGURE_DEPENDS "${PIANO_SAMPLE_DIR}/*.mav")
set(web_samples)
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/samples")
foreach(sample ${web_sample_files})
  get_filename_component(name "${sample}" NAME)
  set(packed "${CMAKE_BINARY_DIR}/samples/${name}.gz")
  add_custom_command(OUTPUT "${packed}" DEPENDS "${sample}"
    COMMAND gzip -9 -n -c "${sample}" > "${packed}" VERBATIM)
  list(APPEND web_samples "${packed}")
endforeach()
# The Chinese font beside the page as fonts/<name>.gz, the same way.
get_filename_component(name "${web_late_font}" NAME)
set(packed "${CMAKE_BINARY_DIR}/fonts/${name}.gz")
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/fonts")
add_custom_command(OUTPUT "${packed}" DEPENDS "${web_late_font}"
  COMMAND gzip -9 -n -c "${web_late_font}" > "${packed}" VERBATIM)
list(APPEND web_samples "${packed}")
add_custom_target(piano_web_samples DEPENDS ${web_samples})
# Where fonts.js finds it and puts it: the path the program opens.
set(web_late_font_js "${CMAKE_BINARY_DIR}/web-late-font.js")
file(WRITE "${web_late_font_js}"
  "Module.pianoLateFont = { url: 'fonts/${name}.gz', path: '${web_late_font}' };\n")
set(web_preload)
foreach(path ${web_files})
  list(APPEND web_preload "SHELL:--preload-file ${path}@${path}")
endforeach()

# SDL's Web Audio output calls these JavaScript helpers, which the linker does
# not see being used; a file keeps their "$" names away from the shell.
set(web_library_functions "${CMAKE_BINARY_DIR}/web-library-functions.json")
file(WRITE "${web_library_functions}" "[\"$autoResumeAudioContext\", \"$dynCall\"]")

# The page around the program is the project's own (src/platform/web).
set(web_dir "${CMAKE_SOURCE_DIR}/src/platform/web")
set(web_shell "${web_dir}/shell.html")
# The documents folder is kept in the browser's IndexedDB (documents.js); the
# samples arrive after the start (samples.js).
set(web_documents "${web_dir}/documents.js")
set(web_samples_js "${web_dir}/samples.js")
set(web_fonts_js "${web_dir}/fonts.js")
set_target_properties(piano PROPERTIES SUFFIX ".html"
  LINK_DEPENDS "${web_shell};${web_documents};${web_samples_js};${web_late_font_js};${web_fonts_js}")
add_dependencies(piano piano_web_samples)
target_link_options(piano PRIVATE
  ${web_preload}
  "SHELL:--shell-file ${web_shell}"
  "SHELL:--pre-js ${web_documents}"
  "SHELL:--pre-js ${web_samples_js}"
  "SHELL:--pre-js ${web_late_font_js}"
  "SHELL:--pre-js ${web_fonts_js}"
  -lidbfs.js
  "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${web_library_functions}"
  -sMINIFY_HTML=0
  -sEXPORTED_RUNTIME_METHODS=ccall
  -sINITIAL_MEMORY=256MB -sALLOW_MEMORY_GROWTH=1
  # Workers for the playback thread and one to spare, started with the page: a
  # thread started later needs the browser's main loop free. The sample
  # loader's helpers do not run here (the samples arrive one by one), and each
  # worker more costs the start a load of the program's script.
  -sPTHREAD_POOL_SIZE=2)

# Beside the page: its service worker, its manifest and the icons the manifest
# names (drawn by scripts/web-icons.sh); copied again when they change.
foreach(file service-worker.js piano.webmanifest icon-192.png icon-512.png)
  configure_file("${web_dir}/${file}" "${CMAKE_BINARY_DIR}/${file}" COPYONLY)
endforeach()
# The manual's web pages, which the program opens in a new tab: served from
# the page's folder at their place in the resources folder (platform::pageUrl).
file(GLOB web_manual_pages "${PIANO_RESOURCE_DIR}/manual/*")
foreach(page ${web_manual_pages})
  get_filename_component(name "${page}" NAME)
  configure_file("${page}" "${CMAKE_BINARY_DIR}/manual/${name}" COPYONLY)
endforeach()

# The playback thread's timing measured with the browser's threads (web
# workers and their waits), printed to the page's console; bench/web/
# figures.mjs reads it. Not part of the page.
add_executable(playback_timing_bench ${CMAKE_SOURCE_DIR}/bench/recording/playback_timing_bench.cpp)
target_link_libraries(playback_timing_bench PRIVATE piano_recording)
set_target_properties(playback_timing_bench PROPERTIES SUFFIX ".html" EXCLUDE_FROM_ALL ON)
# main() waits on its run loop, which only a worker may do.
target_link_options(playback_timing_bench PRIVATE -sMINIFY_HTML=0 -sPROXY_TO_PTHREAD -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
  -sPTHREAD_POOL_SIZE=4)
