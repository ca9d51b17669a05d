// A small stand-in for libFuzzer, so the fuzz target runs with any compiler:
// random mutations of a seed corpus for a bounded time. An input that crashes
// is written to the crash folder before the process dies (the seed printed at
// the start replays the run); keep it under tests/data/recording/state_regressions/
// once the fault is mended.
//
//   state_text_fuzz --seconds S --corpus DIR [--crash-dir DIR] [--seed N]
//   state_text_fuzz FILE_OR_DIR...      runs each input once (regressions)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Present in sanitizer builds, which end the process without a signal.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

std::string current;           // the input being run
char crashPath[4096] = {0};    // where the crash handler saves it (signal-safe calls only)

void saveCurrent() {
  const int fd = crashPath[0] != 0 ? ::open(crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
  if (fd >= 0) (void)!::write(fd, current.data(), current.size()), ::close(fd);
}

void onCrash(int signal) {
  saveCurrent();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void runOne(const std::string& input) {
  current = input.substr(0, 256 * 1024);
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(current.data()), current.size());
}

std::vector<std::string> inputsIn(const fs::path& path) {
  std::vector<fs::path> files{path};
  if (fs::is_directory(path)) files.assign(fs::directory_iterator(path), {});
  std::vector<std::string> inputs;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return inputs;
}

const std::vector<std::string> kTokens = {
    "|", "@", "0", "1", "-", ".", "e", "nan", "inf", "-inf", "-1", "3000", "3001", "2147483647", "-2147483648",
    "1073741824", "1e308", "1e-320", "Version 2", "99999999999999999999", "0|", "1|", "88", "87", "-0", " ", "+",
    "\xff", std::string(1, '\0')};

// One to eight edits: a random byte, a token, a cut, a copy from this input or
// another, an end, or a number replaced by a token.
std::string mutate(std::string input, const std::vector<std::string>& pool, std::mt19937_64& random) {
  for (int edits = 1 + static_cast<int>(random() % 8); edits > 0; --edits) {
    const std::size_t at = input.empty() ? 0 : random() % (input.size() + 1);
    const std::string& token = kTokens[random() % kTokens.size()];
    const std::string& other = random() % 2 ? input : pool[random() % pool.size()];
    switch (random() % 6) {
      case 0: if (!input.empty()) input[random() % input.size()] = static_cast<char>(random()); break;
      case 1: input.insert(at, token); break;
      case 2: input.erase(at, random() % 32); break;
      case 3: if (!other.empty()) input.insert(at, other.substr(random() % other.size(), random() % 256)); break;
      case 4: input.resize(at); break;
      default:
        if (const std::size_t bar = input.find('|', at); bar != std::string::npos) input.replace(at, bar - at, token);
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {  // regressions
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
      for (const std::string& input : inputsIn(argv[i])) runOne(input), ++count;
    }
    return std::printf("fuzz: %zu regression inputs ran cleanly\n", count), 0;
  }
  double seconds = 20.0;
  std::vector<std::string> pool;
  std::string crashDir = ".";
  std::uint64_t seed = std::random_device{}();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i], value = argv[i + 1];
    if (option == "--seconds") seconds = std::stod(value);
    else if (option == "--corpus") pool = inputsIn(value);
    else if (option == "--crash-dir") crashDir = value;
    else if (option == "--seed") seed = std::stoull(value);
    else return std::fprintf(stderr, "unknown option %s\n", option.c_str()), 2;
  }
  const std::size_t seeds = pool.size();
  if (pool.empty()) pool.emplace_back();
  std::error_code error;
  fs::create_directories(crashDir, error);
  std::snprintf(crashPath, sizeof crashPath, "%s/crash-%llu.state", crashDir.c_str(),
                static_cast<unsigned long long>(seed));
  for (int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL}) std::signal(signal, onCrash);
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(saveCurrent);

  std::printf("fuzz: seed %llu, %zu seed inputs, %.0f s\n", static_cast<unsigned long long>(seed), seeds, seconds);
  std::fflush(stdout);
  for (const std::string& input : pool) runOne(input);
  std::mt19937_64 random(seed);
  long runs = 0;
  for (const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
       std::chrono::steady_clock::now() < end; ++runs) {
    const std::string input = mutate(pool[random() % pool.size()], pool, random);
    runOne(input);
    if (random() % 64 == 0) {  // a few mutants become material for later ones
      if (pool.size() < seeds + 256) pool.push_back(input);
      else pool[seeds + random() % 256] = input;
    }
  }
  return std::printf("fuzz: %ld inputs, no crash\n", runs), 0;
}
