#include "platform/documents.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace piano::platform {

namespace {

std::string& documentsOverride() {
  static std::string path;
  return path;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string stripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

void setDocumentsDirectoryOverride(std::string path) { documentsOverride() = std::move(path); }

DocumentsFolder documentsDirectory() {
  std::string path = documentsOverride();
  if (path.empty()) path = environment(kDocumentsEnvironmentVariable);
  if (path.empty()) {
    // The XDG rules ignore a relative XDG_DATA_HOME.
    std::string dataHome = environment("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.front() != '/') {
      const std::string home = environment("HOME");
      if (home.empty()) return {{}, "neither HOME nor XDG_DATA_HOME is set"};
      dataHome = stripTrailingSlashes(home) + "/.local/share";
    }
    path = stripTrailingSlashes(dataHome) + "/" + kApplicationFolderName;
  }
  path = stripTrailingSlashes(path);

  std::error_code error;
  const std::filesystem::path folder(path);
  if (std::filesystem::is_directory(folder, error)) return {path, {}};
  std::filesystem::create_directories(folder, error);
  if (error) return {{}, "cannot create " + path + ": " + error.message()};
  if (!std::filesystem::is_directory(folder, error)) return {{}, path + " is not a folder"};
  return {path, {}};
}

std::string documentsPath(const std::string& folder, const std::string& fileName) {
  if (!folder.empty() && folder.back() == '/') return folder + fileName;
  return folder + "/" + fileName;
}

}  // namespace piano::platform
