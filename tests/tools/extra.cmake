# The sample set checks read the set that the build renders.
if(TARGET tools_tests AND TARGET piano_samples)
  add_dependencies(tools_tests piano_samples)
endif()
