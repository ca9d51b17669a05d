#include "platform/sample_arrivals.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include <filesystem>
#include <map>
#endif

namespace piano::platform {

#ifdef __EMSCRIPTEN__

namespace {

struct Request {
  std::string folder;
  std::map<int, std::string> names;
  std::function<void(int, const std::string&)> arrived;
};

Request& request() {
  static Request r;
  return r;
}

// The page fetches the files (samples.js) and calls back with each slot whose
// file it has written into the folder.
EM_JS(void, fetchSampleFiles, (const char* folder, const char* list, void* callback), {
  const files = UTF8ToString(list).split('\n').filter(Boolean).map((line) => {
    const space = line.indexOf(' ');
    return { slot: Number(line.slice(0, space)), name: line.slice(space + 1) };
  });
  Module.pianoFetchSamples(UTF8ToString(folder), files, (slot) => dynCall('vi', callback, [slot]));
});

}  // namespace

bool samplesArriveWhileRunning() { return true; }

void requestSamples(const std::string& folder, const std::vector<SampleFile>& files,
                    std::function<void(int slot, const std::string& path)> arrived) {
  Request& r = request();
  r.folder = folder;
  r.arrived = std::move(arrived);
  std::string list;
  for (const SampleFile& f : files) {
    r.names[f.slot] = f.name;
    list += std::to_string(f.slot) + " " + f.name + "\n";
  }
  void (*callback)(int) = [](int slot) {
    Request& r = request();
    const auto name = r.names.find(slot);
    if (name == r.names.end()) return;
    const std::string path = r.folder + "/" + name->second;
    if (r.arrived) r.arrived(slot, path);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  };
  fetchSampleFiles(folder.c_str(), list.c_str(), reinterpret_cast<void*>(callback));
}

#else

bool samplesArriveWhileRunning() { return false; }

void requestSamples(const std::string&, const std::vector<SampleFile>&,
                    std::function<void(int, const std::string&)>) {}

#endif

}  // namespace piano::platform
