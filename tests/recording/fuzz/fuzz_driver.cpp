// A small stand-in for libFuzzer, so the fuzz target runs with any compiler:
// random edits of a seed corpus for a bounded time. The seed printed at the
// start replays a run; keep an input that crashed under
// tests/data/recording/state_regressions/ once the fault is mended.
//
//   state_text_fuzz --seconds S --corpus DIR [--seed N]
//   state_text_fuzz FILE_OR_DIR...      runs each input once (regressions)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void runOne(const std::string& input) {
  const std::size_t size = std::min<std::size_t>(input.size(), 256 * 1024);
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), size);
}

void addInputs(const std::filesystem::path& path, std::vector<std::string>& inputs) {
  std::vector<std::filesystem::path> files{path};
  if (std::filesystem::is_directory(path)) files.assign(std::filesystem::directory_iterator(path), {});
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
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
  std::vector<std::string> pool;
  std::map<std::string, std::string> options{{"--seconds", "20"}, {"--seed", std::to_string(std::random_device{}())}};
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-') addInputs(argv[i], pool);  // regressions
    else if (i + 1 < argc) options[argv[i]] = argv[i + 1], ++i;
  }
  if (options.count("--corpus") == 0) {
    for (const std::string& input : pool) runOne(input);
    return std::printf("fuzz: %zu regression inputs ran cleanly\n", pool.size()), 0;
  }
  addInputs(options["--corpus"], pool);
  const std::size_t seeds = pool.size();
  std::printf("fuzz: seed %s, %zu seed inputs, %s s\n", options["--seed"].c_str(), seeds, options["--seconds"].c_str());
  std::fflush(stdout);
  for (const std::string& input : pool) runOne(input);
  if (pool.empty()) pool.emplace_back();
  std::mt19937_64 random(std::stoull(options["--seed"]));
  long runs = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(std::stod(options["--seconds"]));
  for (; std::chrono::steady_clock::now() < end; ++runs) {
    const std::string input = mutate(pool[random() % pool.size()], pool, random);
    runOne(input);
    if (random() % 64 != 0) continue;  // a few mutants become material for later ones
    pool.size() < seeds + 256 ? pool.push_back(input) : void(pool[seeds + random() % 256] = input);
  }
  return std::printf("fuzz: %ld inputs, no crash\n", runs), 0;
}
