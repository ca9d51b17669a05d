// A JACK server with the dummy driver (no sound card), started under a name
// of its own for a test or a benchmark and stopped with it: when the object
// goes, and also when the process dies, since the server is told to follow
// its parent. Clients of this process find it through JACK_DEFAULT_SERVER
// and never start a server of their own.
//
// Threads: the thread that made it (the server follows that thread's end).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace piano::tools {

class DummyJackServer {
 public:
  // `periodFrames`: the server's cycle; a slow client (a sanitizer build)
  // needs a long one to keep up, and it is given ten seconds before the
  // server gives up on it.
  explicit DummyJackServer(int periodFrames = 128) : name_("piano-" + std::to_string(getpid())) {
    const std::string period = std::to_string(periodFrames);
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1), dup2(null, 2);
      execlp("jackd", "jackd", "-n", name_.c_str(), "-t", "10000", "-d", "dummy", "-r", "44100", "-p", period.c_str(),
             nullptr);
      _exit(127);
    }
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
  }
  ~DummyJackServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  DummyJackServer(const DummyJackServer&) = delete;
  DummyJackServer& operator=(const DummyJackServer&) = delete;

  // Waits (a few seconds at most) until clients can connect; false when the
  // server could not start (no jackd, or it died).
  bool waitUntilUp() {
    for (int i = 0; i < 100 && pid_ > 0; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      if (std::system("jack_lsp >/dev/null 2>&1") == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  std::string name_;
  pid_t pid_ = -1;
};

}  // namespace piano::tools
