#include "platform/resources.h"

#include <cstdlib>

namespace piano::platform {

namespace {
std::string& configured() {
  static std::string path;
  return path;
}
}  // namespace

std::string resourceDirectory() {
  if (!configured().empty()) return configured();
  if (const char* env = std::getenv("PIANO_RESOURCE_DIR"); env != nullptr && *env != '\0') return env;
#ifdef PIANO_DEFAULT_RESOURCE_DIR
  return PIANO_DEFAULT_RESOURCE_DIR;
#else
  return "resources";
#endif
}

void setResourceDirectory(const std::string& path) { configured() = path; }

std::string imagePath(const std::string& file) { return resourceDirectory() + "/images/" + file; }

}  // namespace piano::platform
