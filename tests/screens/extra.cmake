# The manual's web pages in the resources must be what the text tables give.
if(TARGET piano_make_manual)
  add_test(NAME ManualWebPages.MadeFromTheCurrentTexts COMMAND piano_make_manual --check ${PIANO_RESOURCE_DIR})
endif()
