#include "keyboard/key_numbers.h"
#include "recorder_support.h"

#include <cmath>
#include <random>

#include "recording/state_text.h"

namespace piano::testing {

void fillSlots(SoundPlayer& player, double seconds) {
  const auto frames = static_cast<std::size_t>(seconds * 44100);
  for (int slot = 0; slot < kNumSampleSlots; ++slot) {
    player.setSampleData(slot, std::vector<std::int16_t>(frames, 10000));
  }
}

RecorderRig::RecorderRig(bool playbackThread)
    : loop([this] { return clock; }), buffer(256 * 2) {
  SoundPlayer::Options engine;
  engine.clock = [this] { return clock; };
  player = std::make_unique<SoundPlayer>(std::move(engine));
  fillSlots(*player);
  NoteRecorder::Options options;
  options.clock = [this] { return clock; };
  options.startPlaybackThread = playbackThread;
  metronome = std::make_unique<Metronome>(*player, loop);
  recorder = std::make_unique<NoteRecorder>(&parent, *player, *metronome, loop, std::move(options));
  parent.recorder = recorder.get();
}

RecorderRig::~RecorderRig() {
  recorder.reset();
  metronome.reset();
  player.reset();
}

void RecorderRig::advance(double seconds) {
  clock += seconds;
  recorder->playbackPass();
  loop.runDue();
}

void RecorderRig::renderBuffer() { player->render({buffer.data(), 256}); }

int RecorderRig::pressAndRelease(int slot, double length, float volume) {
  const int id = recorder->addPlayNote(slot, volume, 1.0f, -0.001f);
  clock += length;
  if (id >= 0) recorder->addStopNote(id, recorder->getSampleNoForNoteID(id));
  return id;
}

std::string FakeMainSection::getState() const {
  std::string out;
  state_text::appendSqueezed(out, static_cast<float>(sustainTimeNormal));
  state_text::appendSqueezed(out, static_cast<float>(sustainTimePedal));
  state_text::appendBool(out, softPedalPressed);
  state_text::appendBool(out, sustainPedalPressed);
  state_text::appendInt(out, expressionFunction);
  state_text::appendInt(out, displayNoteNames);
  state_text::appendBool(out, pianoNotePanning);
  state_text::appendInt(out, numKeysToDisplay);
  state_text::appendBool(out, dualKeyboard);
  state_text::appendInt(out, startKey);
  state_text::appendInt(out, lowerStartKey);
  state_text::appendInt(out, upperStartKey);
  return out;
}

bool FakeMainSection::setState(std::string_view section, int version) {
  state_text::FieldReader fields(section);
  double normal = 0, pedal = 0;
  int soft = 0, sustain = 0, panning = 0;
  if (!fields.nextDouble(normal) || !fields.nextDouble(pedal) || !fields.nextInt(soft) ||
      !fields.nextInt(sustain) || !fields.nextInt(expressionFunction) || !fields.nextInt(displayNoteNames) ||
      !fields.nextInt(panning)) {
    return false;
  }
  sustainTimeNormal = state_text::holdReleaseRate(normal);
  sustainTimePedal = state_text::holdReleaseRate(pedal);
  softPedalPressed = soft != 0;
  sustainPedalPressed = sustain != 0;
  pianoNotePanning = panning == 1;
  if (version == 1) {
    numKeysToDisplay = 8;
    dualKeyboard = false;
    return true;
  }
  int keys = 0, dual = 0, single = 0, lower = 0, upper = 0;
  if (!fields.nextInt(keys)) return false;
  numKeysToDisplay = state_text::readNumKeysToDisplay(keys);
  if (!fields.nextInt(dual)) return false;
  dualKeyboard = dual != 0;
  if (!fields.nextInt(single) || !fields.nextInt(lower) || !fields.nextInt(upper)) return false;
  startKey = keys::readStartKey(single, numKeysToDisplay, keys::kDefaultStartKey);
  lowerStartKey = keys::readStartKey(lower, numKeysToDisplay, keys::kDefaultStartKey);
  upperStartKey = keys::readStartKey(upper, numKeysToDisplay, keys::kDefaultUpperStartKey);
  return true;
}

void FakeMainSection::resetState() { *this = FakeMainSection(); }

std::string randomSongSection(unsigned seed, int presses) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Event {
    double time;
    bool down;
    int id;
    int slot;
  };
  std::vector<Event> events;
  for (int id = 0; id < presses; ++id) {
    const double start = std::round(unit(random) * 600.0 * 1e6) / 1e6;
    const double length = std::round((0.01 + unit(random) * 3.0) * 1e6) / 1e6;
    const int slot = static_cast<int>(random() % 88);
    events.push_back({start, true, id, slot});
    events.push_back({start + length, false, id, slot});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
  std::string out;
  state_text::appendInt(out, random() % 2);
  state_text::appendInt(out, 50 + static_cast<int>(random() % 201));
  state_text::appendSqueezed(out, static_cast<float>(unit(random)));
  state_text::appendInt(out, 1 + static_cast<int>(random() % 6));
  state_text::appendInt(out, presses);
  state_text::appendInt(out, static_cast<long long>(events.size()));
  for (const Event& e : events) {
    if (e.down) {
      out += "1|";
      state_text::appendInt(out, e.slot);
      state_text::appendFixed(out, e.time);
      state_text::appendInt(out, e.id);
      state_text::appendSqueezed(out, static_cast<float>(unit(random)));
      state_text::appendSqueezed(out, random() % 3 == 0 ? 1.0f : static_cast<float>(unit(random) * 0.01));
      state_text::appendSqueezed(out, random() % 5 == 0 ? 0.0f : static_cast<float>(-unit(random) * 0.001));
    } else {
      out += "0|";
      state_text::appendFixed(out, e.time);
      state_text::appendInt(out, e.id);
    }
  }
  return out;
}

}  // namespace piano::testing
