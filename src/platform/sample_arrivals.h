// Samples that arrive while the program runs. The desktop reads its sample set
// from the folder at the start. In the browser the sample files are most of the
// download, so the page fetches them after the program has started, in the
// order the program asks for, and hands each over as it comes in: a key plays
// from the moment its own sample is there.
//
// Threads: the main thread only; `arrived` is called on it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace piano::platform {

struct SampleFile {
  int slot = 0;
  std::string name;  // in the sample folder
};

// True where the samples arrive one by one (the browser), false where the
// program reads them from the folder itself (the desktop).
bool samplesArriveWhileRunning();

// Asks for `files` in this order. Each one that comes in is written as
// `folder`/name and given to `arrived` with its slot and path; the file is
// removed once `arrived` returns. A file that cannot be had is skipped (its
// key stays silent). Does nothing where samples do not arrive while running.
void requestSamples(const std::string& folder, const std::vector<SampleFile>& files,
                    std::function<void(int slot, const std::string& path)> arrived);

}  // namespace piano::platform
