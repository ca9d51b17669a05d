// The page's script reads the program's probes through this one function.
#include <emscripten.h>

#include "platform/test_probe.h"

extern "C" EMSCRIPTEN_KEEPALIVE double piano_probe(const char* name) {
  return piano::platform::readProbe(name ? name : "");
}
