#include "audio/sound_player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "audio/mav_codec.h"
#include "audio/sample_level.h"
#include "platform/audio_output.h"
#include "platform/clock.h"

namespace piano {

namespace {

// Song files and callers may pass any number; keep levels and rates inside the
// ranges the fixed-point mixer is built for.
double holdVolume(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }
float holdAttack(float a) { return std::isnan(a) ? 1.0f : std::clamp(a, 0.0f, 1.0f); }
float holdRelease(float r) { return std::isnan(r) ? -1.0f : std::clamp(r, -1.0f, 0.0f); }

}  // namespace

SoundPlayer::SoundPlayer(Options options) : options_(std::move(options)) {
  for (int i = 0; i < 44; ++i) {
    const float side = 0.5f + (static_cast<float>(i) / 44.0f) * 0.5f;
    panLookupLeft_[static_cast<std::size_t>(i)] = 1.0f;
    panLookupRight_[static_cast<std::size_t>(i)] = side;
    panLookupRight_[static_cast<std::size_t>(87 - i)] = 1.0f;
    panLookupLeft_[static_cast<std::size_t>(87 - i)] = side;
  }
  panLookupLeft_[44] = 1.0f;
  panLookupRight_[44] = 1.0f;

  // The output runs (mixing silence) while the samples load, as on a device whose
  // audio session is up before the instrument is ready.
  start();
  if (!options_.sampleDir.empty() && !std::filesystem::is_directory(options_.sampleDir)) {
    std::printf("Sample folder %s not found; the piano will be silent.\n", options_.sampleDir.c_str());
  } else if (!options_.sampleDir.empty()) {
    loadPianoSounds();
    loadMetronomeSounds();
  }
}

SoundPlayer::~SoundPlayer() {
  if (options_.output) options_.output->stop();
}

double SoundPlayer::now() const {
  return options_.clock ? options_.clock() : platform::mediaTime();
}

void SoundPlayer::start() {
  if (!options_.output) return;
  // The mix keeps the sample set's headroom; the output brings it back to loudness.
  options_.output->setMakeUpGain(kSampleSetMakeUpGain);
  if (!options_.output->start(&SoundPlayer::renderCallback, this)) {
    std::printf("Audio output could not be started; the piano will be silent.\n");
  }
}

void SoundPlayer::stop() {
  done_.store(true, std::memory_order_release);
  if (options_.output) options_.output->stop();
}

// ---------------------------------------------------------------- sample store

std::string SoundPlayer::sampleFileName(int slot) {
  if (slot == kMetronomeHiSlot) return "metronomeHi.mav";
  if (slot == kMetronomeLowSlot) return "metronomeLo.mav";
  if (slot < 0 || slot >= kNumPianoKeys) return {};
  return std::to_string(slot + 1) + ".mav";
}

void SoundPlayer::loadPianoSounds() {
  std::vector<std::pair<int, std::string>> files;
  for (int slot = 0; slot < kNumPianoKeys; ++slot) {
    files.emplace_back(slot, options_.sampleDir + "/" + sampleFileName(slot));
  }
  loadSamples(files);
}

void SoundPlayer::loadMetronomeSounds() {
  loadSamples({{kMetronomeHiSlot, options_.sampleDir + "/" + sampleFileName(kMetronomeHiSlot)},
               {kMetronomeLowSlot, options_.sampleDir + "/" + sampleFileName(kMetronomeLowSlot)}});
}

void SoundPlayer::loadSamples(const std::vector<std::pair<int, std::string>>& files) {
  // Decoding is spread over the cores: most of a load's time is the first touch
  // of fresh memory and the decoding itself, both of which run side by side well.
  struct Result {
    std::vector<std::int16_t> samples;
    std::string error;
    bool ok = false;
  };
  std::vector<Result> results(files.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    std::string scratch;
    for (std::size_t i = next++; i < files.size(); i = next++) {
      results[i].ok = mav::readFile(files[i].second, results[i].samples, results[i].error, scratch);
    }
  };
  const unsigned helpers = std::min(3u, std::max(1u, std::thread::hardware_concurrency()) - 1);
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < helpers && t + 1 < files.size(); ++t) threads.emplace_back(work);
  work();
  for (auto& t : threads) t.join();

  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto& [slot, path] = files[i];
    if (!claimSlot(slot)) continue;
    if (!results[i].ok) {
      std::printf("Sample %s could not be loaded (%s); slot %d stays silent.\n", path.c_str(),
                  results[i].error.c_str(), slot);
      continue;
    }
    setSampleData(slot, std::move(results[i].samples));
  }
}

bool SoundPlayer::claimSlot(int slot) {
  if (numSampleListEntries_ >= kNumSampleSlots || slot < 0 || slot >= kNumSampleSlots) {
    std::printf("Too many samples loaded.\n");
    return false;
  }
  // Every load takes its own slot, so a missing file leaves one key silent
  // instead of shifting every later sample onto the wrong key.
  ++numSampleListEntries_;
  return true;
}

bool SoundPlayer::loadSampleAtSlot(int slot, const std::string& path) {
  if (!claimSlot(slot)) return false;
  std::vector<std::int16_t> samples;
  std::string error;
  if (!mav::readFile(path, samples, error)) {
    std::printf("Sample %s could not be loaded (%s); slot %d stays silent.\n", path.c_str(),
                error.c_str(), slot);
    return false;
  }
  setSampleData(slot, std::move(samples));
  return true;
}

bool SoundPlayer::loadArrivedSample(int slot, const std::string& path) {
  if (slot >= 0 && slot < kNumSampleSlots && slotReady_[static_cast<std::size_t>(slot)].load(std::memory_order_acquire)) {
    std::printf("Sample %s arrived for slot %d, which has one; it is left as it is.\n", path.c_str(), slot);
    return false;
  }
  return loadSampleAtSlot(slot, path);
}

void SoundPlayer::setSampleData(int slot, std::vector<std::int16_t> samples) {
  if (slot < 0 || slot >= kNumSampleSlots) return;
  SampleSlot& s = sampleList_[static_cast<std::size_t>(slot)];
  s.rawData = std::move(samples);
  s.rawDataSize = s.rawData.empty() ? 0 : static_cast<int>(s.rawData.size() - 1);
  slotReady_[static_cast<std::size_t>(slot)].store(s.rawDataSize > 0, std::memory_order_release);
}

void SoundPlayer::setCannotBeCulledOnTooManyNotes(int slot, bool value) {
  if (slot < 0 || slot >= kNumSampleSlots) return;
  std::lock_guard lock(startMutex_);
  sampleList_[static_cast<std::size_t>(slot)].cannotBeCulledOnTooManyNotes = value;
}

// ---------------------------------------------------------------- voices

bool SoundPlayer::isBusy(int voice) const {
  const auto v = static_cast<std::size_t>(voice);
  return mailboxes_[v].finishedGeneration.load(std::memory_order_acquire) != bookings_[v].generation;
}

int SoundPlayer::playSampleWithSampleNo(int sampleNo, double volume, float attackDelta,
                                        float releaseDelta) {
  if (sampleNo < 0 || sampleNo >= kNumSampleSlots) return -1;
  if (!slotReady_[static_cast<std::size_t>(sampleNo)].load(std::memory_order_acquire)) return -1;
  volume = holdVolume(volume);
  attackDelta = holdAttack(attackDelta);
  releaseDelta = holdRelease(releaseDelta);

  std::lock_guard lock(startMutex_);
  int chosen = -1;
  for (int v = 0; v < kNumVoices; ++v) {
    if (!isBusy(v)) {
      chosen = v;
      break;
    }
  }
  if (chosen < 0) {
    // Every voice sounds: take the oldest one that may be taken. Its sound ends
    // at once, without a release. Starts that read the same time (a clock that
    // moves only between buffers, or a chord) are taken in the order they came.
    const VoiceBooking* oldest = nullptr;
    for (int v = 0; v < kNumVoices; ++v) {
      const VoiceBooking& b = bookings_[static_cast<std::size_t>(v)];
      if (sampleList_[static_cast<std::size_t>(b.sampleNo)].cannotBeCulledOnTooManyNotes) continue;
      if (!oldest || b.created < oldest->created ||
          (b.created == oldest->created && b.startNumber < oldest->startNumber)) {
        oldest = &b;
        chosen = v;
      }
    }
    if (chosen < 0) return -1;
  }

  const auto v = static_cast<std::size_t>(chosen);
  VoiceBooking& booking = bookings_[v];
  booking.generation += 1;
  booking.created = now();
  booking.startNumber = ++startsSoFar_;
  booking.sampleNo = sampleNo;

  // Sequence lock: odd while the fields change. Each field store is a release, so
  // a reader that sees any new field also sees the odd sequence afterwards.
  Mailbox& box = mailboxes_[v];
  const std::uint32_t seq = box.sequence.load(std::memory_order_relaxed);
  box.sequence.store(seq + 1, std::memory_order_relaxed);
  box.sampleNo.store(sampleNo, std::memory_order_release);
  box.volume.store(volume, std::memory_order_release);
  box.attackDelta.store(attackDelta, std::memory_order_release);
  box.releaseDelta.store(releaseDelta, std::memory_order_release);
  box.created.store(booking.created, std::memory_order_release);
  box.generation.store(booking.generation, std::memory_order_release);
  box.sequence.store(seq + 2, std::memory_order_release);
  return chosen;
}

void SoundPlayer::stopSample(int voice) {
  if (voice < 0 || voice >= kNumVoices) return;
  std::lock_guard lock(startMutex_);
  if (!isBusy(voice)) return;
  const auto v = static_cast<std::size_t>(voice);
  mailboxes_[v].stopGeneration.store(bookings_[v].generation, std::memory_order_release);
}

void SoundPlayer::stopAllSounds() {
  std::lock_guard lock(startMutex_);
  for (int voice = 0; voice < kNumVoices; ++voice) {
    if (!isBusy(voice)) continue;
    const auto v = static_cast<std::size_t>(voice);
    mailboxes_[v].stopGeneration.store(bookings_[v].generation, std::memory_order_release);
  }
}

int SoundPlayer::activeVoiceCount() const {
  std::lock_guard lock(const_cast<std::mutex&>(startMutex_));
  int n = 0;
  for (int v = 0; v < kNumVoices; ++v) n += isBusy(v) ? 1 : 0;
  return n;
}

std::uint64_t SoundPlayer::startedVoiceCount() const {
  std::lock_guard lock(const_cast<std::mutex&>(startMutex_));
  return startsSoFar_;
}

float SoundPlayer::panLeft(int slot) const {
  if (!pianoNotePanning() || slot < 0 || slot >= kNumPianoKeys) return 1.0f;
  return panLookupLeft_[static_cast<std::size_t>(slot)];
}

float SoundPlayer::panRight(int slot) const {
  if (!pianoNotePanning() || slot < 0 || slot >= kNumPianoKeys) return 1.0f;
  return panLookupRight_[static_cast<std::size_t>(slot)];
}

// ---------------------------------------------------------------- audio thread

void SoundPlayer::takeRequests() noexcept {
  for (std::size_t v = 0; v < kNumVoices; ++v) {
    Mailbox& box = mailboxes_[v];
    Voice& voice = playlist_[v];
    const std::uint32_t before = box.sequence.load(std::memory_order_acquire);
    const std::uint32_t generation = box.generation.load(std::memory_order_acquire);
    if ((before & 1u) == 0 && generation != activeGeneration_[v]) {
      const int sampleNo = box.sampleNo.load(std::memory_order_acquire);
      const double volume = box.volume.load(std::memory_order_acquire);
      const float attack = box.attackDelta.load(std::memory_order_acquire);
      const float release = box.releaseDelta.load(std::memory_order_acquire);
      const double created = box.created.load(std::memory_order_acquire);
      // A start written while we read is taken whole at the next buffer.
      if (box.sequence.load(std::memory_order_relaxed) == before) {
        voice.created = created;
        voice.playing = true;
        voice.sampleNo = sampleNo;
        voice.phase = VoicePhase::kAttack;
        voice.atLeastOneBufferFilled = false;
        voice.wantToStop = false;
        voice.playPosition = 0;
        voice.requiredVolume = volume;
        voice.ADSRVolumeDelta = attack;
        voice.requiredReleaseDelta = release;
        voice.ADSRVolume = attack == 1.0f ? 1.0 : 0.0;
        activeGeneration_[v] = generation;
      }
    }
    if (voice.playing && stopTakenGeneration_[v] != activeGeneration_[v] &&
        box.stopGeneration.load(std::memory_order_acquire) == activeGeneration_[v]) {
      voice.wantToStop = true;
      stopTakenGeneration_[v] = activeGeneration_[v];
    }
  }
}

int SoundPlayer::render(platform::StereoBuffer out) noexcept {
  if (done_.load(std::memory_order_acquire)) return -1;
  if (out.frames < 0) out.frames = 0;
  numFramesPerBuffer_.store(out.frames, std::memory_order_relaxed);
  std::memset(out.samples, 0, out.sampleCount() * sizeof(std::int16_t));
  takeRequests();
  const bool panning = pianoNotePanning();
  for (std::size_t v = 0; v < kNumVoices; ++v) {
    Voice& voice = playlist_[v];
    if (!voice.playing) continue;
    const auto slot = static_cast<std::size_t>(voice.sampleNo);
    float pL = 1.0f;
    float pR = 1.0f;
    if (panning && slot < kNumPianoKeys) {
      pL = panLookupLeft_[slot];
      pR = panLookupRight_[slot];
    }
    mixVoice(voice, sampleList_[slot], pL, pR, out);
    if (!voice.playing) {
      mailboxes_[v].finishedGeneration.store(activeGeneration_[v], std::memory_order_release);
    }
  }
  renderedBuffers_.fetch_add(1, std::memory_order_release);
  return 0;
}

int SoundPlayer::renderCallback(void* context, platform::StereoBuffer out) noexcept {
  return static_cast<SoundPlayer*>(context)->render(out);
}

}  // namespace piano
