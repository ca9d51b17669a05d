# The end-to-end run plays the built sample set.
if(TARGET app_tests AND TARGET piano_samples)
  add_dependencies(app_tests piano_samples)
endif()
