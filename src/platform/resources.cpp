#include "platform/resources.h"

#include <cstdlib>
#include <filesystem>

namespace piano::platform {

namespace {
std::string& configured() {
  static std::string path;
  return path;
}
}  // namespace

std::string installedDataDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path data = program.parent_path().parent_path() / "share" / "piano";
  return std::filesystem::is_directory(data / "strings", error) ? data.string() : std::string();
}

std::string resourceDirectory() {
  if (!configured().empty()) return configured();
  if (const char* env = std::getenv("PIANO_RESOURCE_DIR"); env != nullptr && *env != '\0') return env;
  if (std::string installed = installedDataDirectory(); !installed.empty()) return installed;
#ifdef PIANO_DEFAULT_RESOURCE_DIR
  return PIANO_DEFAULT_RESOURCE_DIR;
#else
  return "resources";
#endif
}

void setResourceDirectory(const std::string& path) { configured() = path; }

std::string imagePath(const std::string& file) { return resourceDirectory() + "/images/" + file; }

}  // namespace piano::platform
