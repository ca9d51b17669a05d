#include "app/demo_phrase.h"

#include <array>

#include "audio/sound_player.h"

namespace piano {

namespace {
constexpr double kNoteLength = 0.32;
constexpr double kChordLength = 2.5;
constexpr double kRingOut = 1.5;
constexpr float kDemoRelease = -0.00008f;  // the normal sustain of a fresh start
constexpr double kScaleVolume = 0.6;
constexpr double kChordVolume = 0.45;  // four notes together: keep their sum clear of the limiter
}  // namespace

std::vector<DemoEvent> demoPhrase() {
  constexpr std::array<int, 8> scale = {40, 42, 44, 45, 47, 49, 51, 52};  // C4 .. C5
  constexpr std::array<int, 4> chord = {40, 44, 47, 52};
  std::vector<DemoEvent> events;
  double t = 0.0;
  for (int key : scale) {
    events.push_back({t, key - 1, true, kScaleVolume});
    events.push_back({t + kNoteLength * 0.9, key - 1, false, 0.0});
    t += kNoteLength;
  }
  t += kNoteLength;
  for (int key : chord) events.push_back({t, key - 1, true, kChordVolume});
  for (int key : chord) events.push_back({t + kChordLength, key - 1, false, 0.0});
  return events;
}

double demoPhraseLength() { return demoPhrase().back().time + kRingOut; }

void playDemoPhrase(SoundPlayer& engine, const std::function<void(double)>& waitUntil) {
  std::array<int, kNumPianoKeys> voiceOfSlot;
  voiceOfSlot.fill(-1);
  for (const DemoEvent& e : demoPhrase()) {
    waitUntil(e.time);
    auto& voice = voiceOfSlot[static_cast<std::size_t>(e.slot)];
    if (e.press) {
      voice = engine.playSampleWithSampleNo(e.slot, e.volume, 1.0f, kDemoRelease);
    } else if (voice >= 0) {
      engine.stopSample(voice);
      voice = -1;
    }
  }
  waitUntil(demoPhraseLength());
}

}  // namespace piano
