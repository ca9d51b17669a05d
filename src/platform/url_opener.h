// Opening an address in the desktop's browser without waiting for the browser.
// The opener (xdg-open) runs as a child process; the main run loop watches for
// its exit, so that a failure (no opener, no browser, an error exit) can be told
// to the player instead of being lost.
//
// Threads: main thread (the run loop's).
#pragma once

#include <functional>
#include <string>

namespace piano::platform {

class RunLoop;

// Starts `opener`, a program looked up on PATH, with `address` as its one
// argument; its output goes nowhere. `done` runs once, on `loop`: false when
// the program could not be started or ended with a failure within a few
// seconds, true when it ended well or is still running by then (it waits on
// the browser it started).
void openUrl(const std::string& address, RunLoop& loop, std::function<void(bool opened)> done,
             const std::string& opener = "xdg-open");

// A file's absolute path as a file:// address, with the bytes that an address
// cannot hold as they are (spaces, quotes, non-ASCII) percent-encoded.
std::string fileUrl(const std::string& absolutePath);

// The address to open one of the program's own pages at (a file in the
// resources folder, such as the manual's web pages): on the desktop its
// file:// address. In the browser, where the files the program reads are
// packed inside it, the page's own folder serves copies of these pages at
// their place in the resources folder ("manual/en.html"): that address,
// relative to the page.
std::string pageUrl(const std::string& absolutePath);

}  // namespace piano::platform
