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
