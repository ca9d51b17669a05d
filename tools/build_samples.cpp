// piano_build_samples <outdir> [soundfont]
//
// Renders the instrument's sample set from a General MIDI soundfont: the acoustic
// grand piano (bank 0, program 0) for keys 1..88 (MIDI notes 21..108) into
// 1.mav .. 88.mav, and the soundfont's metronome (bank 128, program 55) into
// metronomeHi.mav (note 34, the bell) and metronomeLo.mav (note 33, the click).
// Every file is mono, signed 16-bit, 44100 Hz, packed with the engine's own packer,
// stored at the level of audio/sample_level.h (20 dB below how it is heard) with
// TPDF dither, so that the output stage's make-up gain finds no grit in the tails.
//
// The notes are rendered sustained: the player holds the key and the engine applies
// its own release envelope, so a sample is the whole ringing note, cut where it
// falls below audibility (or at a cap) and faded so that its end cannot click.
//
// Single-threaded command-line tool; run by the build, never by the application.
#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio/mav_codec.h"
#include "audio/sample_level.h"

namespace {

namespace fs = std::filesystem;
using piano::kSamplePeakDbfs;
using piano::kSampleSetLevel;
using piano::kVoicesWithinFullScale;

constexpr char kDefaultSoundfont[] = "/usr/share/sounds/sf3/MuseScore_General_Full.sf3";

constexpr int kRate = 44100;
constexpr int kKeys = 88;
constexpr int kLowestMidiNote = 21;  // key 1, A0
// Loud but short of the top layer's extreme: the engine only ever scales a note down
// by touch, so the set has to carry the strong end of the instrument.
constexpr int kPianoVelocity = 105;
constexpr int kClickVelocity = 127;
constexpr int kPianoBank = 0, kPianoProgram = 0;
constexpr int kClickBank = 128, kClickProgram = 55;
constexpr int kClickHiNote = 34;  // the metronome bell: the accented first beat
constexpr int kClickLoNote = 33;  // the metronome click: every other beat

constexpr double kSilenceDbfs = -60.0; // short-term RMS (as heard) below which a note has died away
constexpr double kWindowSeconds = 0.05;
constexpr double kPianoCapSeconds = 10.0;  // the bass rings longer; nobody holds it that long
constexpr double kClickCapSeconds = 2.0;
// The engine refuses longer files; a packed note ends with a whole block of 8.
static_assert(kPianoCapSeconds * kRate + 8 <= piano::mav::kMaxDecodedSamples);
constexpr double kFadeSeconds = 0.04;      // end of a note that died away by itself
constexpr double kCapFadeSeconds = 0.5;    // end of a note cut short while still audible
constexpr double kCapStepSeconds = 0.5;    // how much the cap shrinks when the set is too big
constexpr std::size_t kBudgetBytes = 40'000'000;

// fluidsynth renders in blocks of 64 frames and starts a note at a block boundary;
// keeping every write a whole number of blocks makes each note start the same way.
constexpr int kChunkFrames = 64 * 64;

constexpr double kFullScale = 32767.0;

double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

// A soundfont loaded once into a synthesiser that only renders into memory.
class Renderer {
 public:
  ~Renderer() {
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }

  bool open(const std::string& path, std::string& error) {
    settings_ = new_fluid_settings();
    if (!settings_) return fail(error, "cannot create synthesiser settings");
    // Dry sound only: the engine adds nothing, and reverb tails would only stretch
    // the files.
    fluid_settings_setint(settings_, "synth.reverb.active", 0);
    fluid_settings_setint(settings_, "synth.chorus.active", 0);
    fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
    // Decode only the presets we select, not every sample of the compressed font:
    // loading drops from seconds to a fraction of one.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
    if (!synth_) return fail(error, "cannot create synthesiser");
    fontId_ = fluid_synth_sfload(synth_, path.c_str(), 0);
    if (fontId_ == FLUID_FAILED) return fail(error, "cannot load soundfont " + path);
    fluid_synth_set_interp_method(synth_, -1, FLUID_INTERP_HIGHEST);
    return true;
  }

  // Renders one note, held for the whole time (no note-off), as mono float samples at
  // the synthesiser's own scale. The left and right sides are averaged: the piano is
  // recorded as a stereo pair (left and right samples panned hard apart), and their
  // average keeps both microphones. Its level varies less from note to note than
  // either side alone.
  bool renderHeld(int channel, int bank, int program, int note, int velocity, int frames,
                  std::vector<float>& mono, std::string& error) {
    if (fluid_synth_program_select(synth_, channel, fontId_, bank, program) != FLUID_OK) {
      return fail(error, "soundfont has no preset " + std::to_string(bank) + ":" +
                             std::to_string(program));
    }
    if (fluid_synth_noteon(synth_, channel, note, velocity) != FLUID_OK) {
      return fail(error, "note " + std::to_string(note) + " does not start");
    }
    mono.clear();
    mono.reserve(static_cast<std::size_t>(frames));
    std::vector<float> left(kChunkFrames), right(kChunkFrames);
    while (static_cast<int>(mono.size()) < frames) {
      if (fluid_synth_write_float(synth_, kChunkFrames, left.data(), 0, 1, right.data(), 0, 1) !=
          FLUID_OK) {
        return fail(error, "rendering failed");
      }
      const int n = std::min(kChunkFrames, frames - static_cast<int>(mono.size()));
      for (int i = 0; i < n; ++i) mono.push_back(0.5f * (left[i] + right[i]));
    }
    // Silence the note at once and let the synthesiser settle, so the next note
    // starts from nothing.
    fluid_synth_all_sounds_off(synth_, channel);
    fluid_synth_write_float(synth_, kChunkFrames, left.data(), 0, 1, right.data(), 0, 1);
    return true;
  }

 private:
  static bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
  }

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  int fontId_ = FLUID_FAILED;
};

float peakOf(const std::vector<float>& x) {
  float peak = 0.0f;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  return peak;
}

// Where a note stops being audible once scaled by `gain`: the end of the last
// short-term window whose RMS reaches the silence threshold, counted from `from`.
std::size_t audibleEnd(const std::vector<float>& x, std::size_t from, double gain) {
  const auto window = static_cast<std::size_t>(kWindowSeconds * kRate);
  const double threshold = dbToGain(kSilenceDbfs) / gain;  // in the signal's own scale
  const double thresholdEnergy = threshold * threshold * static_cast<double>(window);
  std::size_t end = from;
  for (std::size_t w = from; w < x.size(); w += window) {
    const std::size_t stop = std::min(x.size(), w + window);
    double energy = 0.0;
    for (std::size_t i = w; i < stop; ++i) energy += static_cast<double>(x[i]) * x[i];
    if (energy >= thresholdEnergy * static_cast<double>(stop - w) / window) end = stop;
  }
  return end;
}

struct Shaped {
  std::vector<std::int16_t> samples;
  bool capped = false;  // still audible at the cap
};

// Scales a rendered note to 16 bits at the set's stored level, `gain` being the
// gain at which it is heard: drops the lead-in that would round to zero anyway (a
// click must sound at once, since the engine plays only its first buffer), cuts it
// where it dies away or at `capFrames`, and fades the end to exactly zero. The
// rounding is dithered (triangular, +-1 step, faded with the note) from a generator
// seeded by `seed`, so the same soundfont always gives the same files.
Shaped shape(const std::vector<float>& x, double gain, std::size_t capFrames, unsigned seed) {
  const double scale = gain * kSampleSetLevel * kFullScale;
  std::mt19937 random(seed);
  const auto uniform = [&random] { return static_cast<double>(random()) / 4294967296.0; };
  std::size_t start = 0;
  while (start < x.size() && std::fabs(x[start] * scale) < 0.5) ++start;
  const std::size_t limit = std::min(x.size(), start + capFrames);
  std::size_t end = audibleEnd(x, start, gain);
  Shaped out;
  if (end >= limit) {  // audible up to the cap, or to the end of what was rendered
    end = limit;
    out.capped = true;
  }
  const std::size_t length = end - start;
  const auto fade = std::min(
      length, static_cast<std::size_t>((out.capped ? kCapFadeSeconds : kFadeSeconds) * kRate));
  out.samples.resize(length);
  for (std::size_t i = 0; i < length; ++i) {
    double envelope = 1.0;
    const std::size_t left = length - 1 - i;  // samples after this one
    if (left < fade) {
      // Raised cosine from 1 down to 0 at the very last sample.
      const double t = static_cast<double>(left) / static_cast<double>(fade);
      envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * t);
    }
    const double first = uniform();
    const double dither = first - uniform();
    const double v = (x[start + i] * scale + dither) * envelope;
    out.samples[i] = static_cast<std::int16_t>(std::clamp(std::lround(v), -32767L, 32767L));
  }
  return out;
}

struct Rendered {
  std::string name;             // file name in the set
  std::vector<float> signal;    // mono, the synthesiser's scale
};

// Writes every image into a private folder beside the set first, then moves the files
// into place, so a reader never sees a half-written file.
bool writeSet(const fs::path& outDir, const std::vector<Rendered>& notes,
              const std::vector<std::vector<std::uint8_t>>& images, std::string& error) {
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec) {
    error = "cannot create " + outDir.string() + ": " + ec.message();
    return false;
  }
  const fs::path temp = outDir / (".partial-" + std::to_string(getpid()));
  fs::remove_all(temp, ec);
  fs::create_directory(temp, ec);
  if (ec) {
    error = "cannot create " + temp.string() + ": " + ec.message();
    return false;
  }
  bool ok = true;
  for (std::size_t i = 0; ok && i < notes.size(); ++i) {
    std::ofstream out(temp / notes[i].name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(images[i].data()),
              static_cast<std::streamsize>(images[i].size()));
    out.close();
    if (!out) {
      error = "cannot write " + (temp / notes[i].name).string();
      ok = false;
    }
  }
  for (std::size_t i = 0; ok && i < notes.size(); ++i) {
    fs::rename(temp / notes[i].name, outDir / notes[i].name, ec);
    if (ec) {
      error = "cannot move " + notes[i].name + " into " + outDir.string() + ": " + ec.message();
      ok = false;
    }
  }
  fs::remove_all(temp, ec);
  return ok;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "piano_build_samples: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: piano_build_samples <outdir> [soundfont]\n");
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const fs::path outDir = argv[1];
  const std::string soundfont = argc > 2 ? argv[2] : kDefaultSoundfont;

  if (!std::ifstream(soundfont, std::ios::binary)) {
    return fail("cannot read soundfont " + soundfont +
                " (Debian package musescore-general-soundfont)");
  }
  // Our own messages say what went wrong; the synthesiser's chatter would bury them.
  for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fluid_set_log_function(level, nullptr, nullptr);
  }
  if (!fluid_is_soundfont(soundfont.c_str())) return fail("not a soundfont: " + soundfont);
  // A font that fails to load half-way explains itself only through the library.
  fluid_set_log_function(FLUID_ERR, fluid_default_log_function, nullptr);

  Renderer renderer;
  std::string error;
  if (!renderer.open(soundfont, error)) return fail(error);

  // Render everything first: the one gain of the set depends on its loudest note.
  std::vector<Rendered> notes;
  const int pianoFrames = static_cast<int>(kPianoCapSeconds * kRate);
  for (int key = 1; key <= kKeys; ++key) {
    Rendered r{std::to_string(key) + ".mav", {}};
    if (!renderer.renderHeld(0, kPianoBank, kPianoProgram, kLowestMidiNote + key - 1,
                             kPianoVelocity, pianoFrames, r.signal, error)) {
      return fail(error);
    }
    notes.push_back(std::move(r));
  }
  const int clickFrames = static_cast<int>(kClickCapSeconds * kRate);
  for (auto [name, note] : {std::pair{"metronomeHi.mav", kClickHiNote},
                            std::pair{"metronomeLo.mav", kClickLoNote}}) {
    Rendered r{name, {}};
    if (!renderer.renderHeld(9, kClickBank, kClickProgram, note, kClickVelocity, clickFrames,
                             r.signal, error)) {
      return fail(error);
    }
    notes.push_back(std::move(r));
  }

  float pianoPeak = 0.0f, clickPeak = 0.0f;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    const float peak = peakOf(notes[i].signal);
    if (peak <= 0.0f) return fail("soundfont gives no sound for " + notes[i].name);
    float& setPeak = i < kKeys ? pianoPeak : clickPeak;
    setPeak = std::max(setPeak, peak);
  }
  // One gain for the piano keeps the instrument's own balance from key to key; the
  // clicks get one of their own, so the bell stays louder than the plain click and the
  // louder of the two peaks at the same level as the piano.
  const double pianoGain = dbToGain(kSamplePeakDbfs) / pianoPeak;
  const double clickGain = dbToGain(kSamplePeakDbfs) / clickPeak;

  // Shape and pack; if the set is too big, shorten the longest notes and try again.
  std::vector<std::vector<std::uint8_t>> images(notes.size());
  std::size_t cap = static_cast<std::size_t>(pianoFrames);
  std::size_t total = 0, longest = 0;
  int longestKey = 0, cappedNotes = 0, loudest = 0;
  for (;;) {
    total = 0;
    longest = 0;
    cappedNotes = 0;
    loudest = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
      const bool piano = i < kKeys;
      const Shaped s = shape(notes[i].signal, piano ? pianoGain : clickGain,
                             piano ? cap : static_cast<std::size_t>(clickFrames), static_cast<unsigned>(i));
      if (s.samples.empty()) return fail("nothing audible in " + notes[i].name);
      for (std::int16_t v : s.samples) loudest = std::max(loudest, std::abs(int{v}));
      if (piano && s.samples.size() > longest) {
        longest = s.samples.size();
        longestKey = static_cast<int>(i) + 1;
      }
      cappedNotes += piano && s.capped;
      images[i] = piano::mav::pack(s.samples.data(), s.samples.size());
      total += images[i].size();
    }
    if (total <= kBudgetBytes) break;
    if (cap <= static_cast<std::size_t>(2 * kCapStepSeconds * kRate)) {
      return fail("the sample set does not fit in " + std::to_string(kBudgetBytes) + " bytes");
    }
    cap -= static_cast<std::size_t>(kCapStepSeconds * kRate);
  }
  // The promise the mixer's headroom rests on: so many voices at full level never
  // reach its limit, even with every peak at the same moment.
  if (loudest * kVoicesWithinFullScale >= 32767) {
    return fail("the loudest sample (" + std::to_string(loudest) + ") leaves " +
                std::to_string(kVoicesWithinFullScale) + " voices no headroom in the mix");
  }

  if (!writeSet(outDir, notes, images, error)) return fail(error);

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf(
      "piano_build_samples: %zu files, %.1f MB in %s, %.1f s\n"
      "  piano: gain %+.1f dB (heard peak %.1f dBFS), cut at %.0f dBFS RMS, cap %.1f s "
      "(%d notes capped), longest key %d (%.2f s); clicks: gain %+.1f dB\n"
      "  stored %.1f dB below that: loudest sample %d, %d voices at most %d of 32767\n",
      notes.size(), total / 1e6, outDir.c_str(), seconds, 20 * std::log10(pianoGain), kSamplePeakDbfs,
      kSilenceDbfs, static_cast<double>(cap) / kRate, cappedNotes, longestKey,
      static_cast<double>(longest) / kRate, 20 * std::log10(clickGain), -20 * std::log10(kSampleSetLevel),
      loudest, kVoicesWithinFullScale, loudest * kVoicesWithinFullScale);
  return 0;
}
