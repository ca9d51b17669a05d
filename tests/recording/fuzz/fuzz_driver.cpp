// A small stand-in for libFuzzer, so the fuzz target runs with any compiler:
// random mutations of a seed corpus for a bounded time. An input that crashes
// is written to the crash folder before the process dies; keep it under
// tests/data/recording/state_regressions/ once the fault is mended.
//
//   state_text_fuzz --seconds S --corpus DIR [--crash-dir DIR] [--seed N]
//   state_text_fuzz FILE_OR_DIR...      runs each input once (regressions)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../recorder_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Present in sanitizer builds: called when a sanitizer ends the process, which
// it does without a signal.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxInput = 256 * 1024;

// What the crash handler writes; prepared before each run, so the handler only
// makes async-signal-safe calls.
std::string currentInput;
char crashPath[4096] = {0};

void saveCurrentInput() {
  if (crashPath[0] == 0) return;
  const int fd = ::open(crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  std::size_t done = 0;
  while (done < currentInput.size()) {
    const ssize_t n = ::write(fd, currentInput.data() + done, currentInput.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  static const char message[] = "fuzz: the crashing input was saved\n";
  (void)!::write(2, message, sizeof message - 1);
}

void onCrash(int signal) {
  saveCurrentInput();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() > kMaxInput) bytes.resize(kMaxInput);
  return bytes;
}

void runOne(const std::string& input) {
  currentInput = input;
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(currentInput.data()), currentInput.size());
}

const char* const kTokens[] = {"|", "@", "0", "1", "-", ".", "e", "nan", "inf", "-inf", "-1", "3000", "3001",
                               "2147483647", "-2147483648", "1073741824", "1e308", "1e-320", "Version 2",
                               "99999999999999999999", "0|", "1|", "88", "87", "-0", " ", "+", "\xff", "\0"};

std::string mutate(std::string input, const std::vector<std::string>& pool, std::mt19937_64& random) {
  const int edits = 1 + static_cast<int>(random() % 8);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = input.empty() ? 0 : random() % (input.size() + 1);
    switch (random() % 7) {
      case 0:
        if (!input.empty()) input[random() % input.size()] = static_cast<char>(random());
        break;
      case 1: {
        const char* token = kTokens[random() % (sizeof kTokens / sizeof kTokens[0])];
        input.insert(at, token, std::max<std::size_t>(1, std::strlen(token)));
        break;
      }
      case 2:
        if (!input.empty()) input.erase(at, random() % 32);
        break;
      case 3:
        if (!input.empty()) {
          const std::size_t from = random() % input.size();
          input.insert(at, input.substr(from, random() % 64));
        }
        break;
      case 4: {
        const std::string& other = pool[random() % pool.size()];
        if (!other.empty()) {
          const std::size_t from = random() % other.size();
          input.insert(at, other.substr(from, random() % 256));
        }
        break;
      }
      case 5:
        input.resize(at);
        break;
      default: {
        // Replace a number with another.
        const std::size_t bar = input.find('|', at);
        if (bar != std::string::npos && bar > at) {
          input.replace(at, bar - at, kTokens[random() % (sizeof kTokens / sizeof kTokens[0])]);
        }
        break;
      }
    }
  }
  if (input.size() > kMaxInput) input.resize(kMaxInput);
  return input;
}

int regressions(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files;
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) files.push_back(entry.path());
    } else {
      files.emplace_back(argv[i]);
    }
    for (const fs::path& file : files) {
      std::snprintf(crashPath, sizeof crashPath, "%s", "");
      runOne(readFile(file));
      ++count;
    }
  }
  std::printf("fuzz: %d regression inputs ran cleanly\n", count);
  return 0;
}

}  // namespace

#ifndef PIANO_LIBFUZZER
int main(int argc, char** argv) {
  double seconds = 20.0;
  std::string corpus;
  std::string crashDir = ".";
  std::uint64_t seed = std::random_device{}();
  if (argc > 1 && argv[1][0] != '-') return regressions(argc, argv);
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--seconds") seconds = std::atof(argv[i + 1]);
    else if (option == "--corpus") corpus = argv[i + 1];
    else if (option == "--crash-dir") crashDir = argv[i + 1];
    else if (option == "--seed") seed = std::strtoull(argv[i + 1], nullptr, 10);
    else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 2;
    }
  }

  std::vector<std::string> pool;
  if (!corpus.empty() && fs::is_directory(corpus)) {
    for (const auto& entry : fs::directory_iterator(corpus)) pool.push_back(readFile(entry.path()));
  }
  for (unsigned s = 0; s < 8; ++s) {
    pool.push_back("Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@" +
                   piano::testing::randomSongSection(s, static_cast<int>(s * s * 5)) + "@");
  }
  const std::size_t seeds = pool.size();

  std::error_code error;
  fs::create_directories(crashDir, error);
  std::snprintf(crashPath, sizeof crashPath, "%s/crash-%llu.state", crashDir.c_str(),
                static_cast<unsigned long long>(seed));
  for (int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL}) std::signal(signal, onCrash);
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(saveCurrentInput);

  std::mt19937_64 random(seed);
  std::printf("fuzz: seed %llu, %zu seed inputs, %.0f s\n", static_cast<unsigned long long>(seed), seeds, seconds);
  std::fflush(stdout);
  for (std::size_t i = 0; i < seeds; ++i) runOne(pool[i]);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long runs = 0;
  while (std::chrono::steady_clock::now() < end) {
    const std::string input = mutate(pool[random() % pool.size()], pool, random);
    runOne(input);
    ++runs;
    // Keep a few mutants as material for later ones.
    if (random() % 64 == 0) {
      if (pool.size() < seeds + 256) pool.push_back(input);
      else pool[seeds + random() % 256] = input;
    }
  }
  std::printf("fuzz: %ld inputs, no crash\n", runs);
  return 0;
}
#endif
