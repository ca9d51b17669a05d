#include "platform/url_opener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/resources.h"
#include "platform/run_loop.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

extern char** environ;

namespace piano::platform {

#ifdef __EMSCRIPTEN__

// In the browser the page itself opens the address, in a new tab. A pop-up
// blocker answers at once, so the answer is known without waiting.
EM_JS(int, openInNewTab, (const char* address), { return window.open(UTF8ToString(address), '_blank') ? 1 : 0; });

void openUrl(const std::string& address, RunLoop& loop, std::function<void(bool opened)> done,
             const std::string&) {
  const bool opened = openInNewTab(address.c_str()) != 0;
  loop.post([done = std::move(done), opened] {
    if (done) done(opened);
  });
}

#else

namespace {

constexpr double kPollSeconds = 0.05;
// An opener still running after this many polls (5 s) has handed the address
// to a browser that it waits for; from then on it is only reaped.
constexpr int kPatientPolls = 100;
constexpr double kReapSeconds = 1.0;

using Done = std::shared_ptr<std::function<void(bool)>>;

void tell(const Done& done, bool opened) {
  if (!*done) return;
  auto callback = std::move(*done);
  *done = nullptr;
  callback(opened);
}

void watch(pid_t child, RunLoop& loop, Done done, int polls) {
  int status = 0;
  const pid_t ended = waitpid(child, &status, WNOHANG);
  if (ended == child) {
    tell(done, WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return;
  }
  if (ended == -1) {
    // The child was reaped elsewhere (SIGCHLD ignored): nothing says it failed.
    tell(done, true);
    return;
  }
  if (polls >= kPatientPolls) tell(done, true);
  loop.performAfterDelay(polls >= kPatientPolls ? kReapSeconds : kPollSeconds,
                         [child, &loop, done, polls] { watch(child, loop, done, polls + 1); });
}

}  // namespace

void openUrl(const std::string& address, RunLoop& loop, std::function<void(bool opened)> done,
             const std::string& opener) {
  auto shared = std::make_shared<std::function<void(bool)>>(std::move(done));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char> program(opener.begin(), opener.end());
  std::vector<char> argument(address.begin(), address.end());
  program.push_back('\0');
  argument.push_back('\0');
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  // No shell: the address reaches the opener as one argument, whatever it holds.
  const int error = posix_spawnp(&child, program.data(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::printf("Could not start %s to open %s\n", opener.c_str(), address.c_str());
    loop.post([shared] { tell(shared, false); });
    return;
  }
  loop.performAfterDelay(kPollSeconds, [child, &loop, shared] { watch(child, loop, shared, 1); });
}

#endif

namespace {

// The bytes that an address cannot hold as they are (spaces, quotes,
// non-ASCII) percent-encoded; slashes stay.
std::string percentEncoded(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                       c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 15];
    }
  }
  return url;
}

}  // namespace

std::string fileUrl(const std::string& absolutePath) { return "file://" + percentEncoded(absolutePath); }

std::string pageUrl(const std::string& absolutePath) {
#ifdef __EMSCRIPTEN__
  std::error_code error;
  const std::filesystem::path resources = std::filesystem::absolute(resourceDirectory(), error).lexically_normal();
  const std::filesystem::path inside =
      std::filesystem::path(absolutePath).lexically_normal().lexically_relative(resources);
  if (!error && !inside.empty() && *inside.begin() != "..") return percentEncoded(inside.generic_string());
#endif
  return fileUrl(absolutePath);
}

}  // namespace piano::platform
