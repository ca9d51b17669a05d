#include "keyboard/midi_keys.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace piano {

namespace midi {

int sampleNoForNote(int note) {
  const int sampleNo = note - kLowestNote;
  return sampleNo >= 0 && sampleNo < kNumPianoKeys ? sampleNo : -1;
}

double volumeForVelocity(int velocity) {
  const double v = std::clamp(velocity, 0, 127) / 127.0;
  return v * v;
}

int velocityForVolume(double volume) {
  const double v = std::sqrt(std::clamp(volume, 0.0, 1.0)) * 127.0;
  return std::clamp(static_cast<int>(std::lround(v)), 1, 127);
}

}  // namespace midi

namespace {
constexpr std::uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kController = 0xB0;
constexpr int kSustainController = 64, kSoftController = 67, kPedalDownFrom = 64;
constexpr std::uint8_t kReleaseVelocity = 64;
}  // namespace

MidiKeys::MidiKeys(std::function<KeyPressEngine&()> engine, Send send)
    : engine_(std::move(engine)), send_(std::move(send)) {}

void MidiKeys::receive(const platform::MidiEvent& event) {
  const std::uint8_t kind = event.status & 0xF0;
  if (kind == kController) {
    if (event.data1 == kSustainController || event.data1 == kSoftController) {
      engine_().setPedal(event.data1 == kSustainController ? Pedal::kSustain : Pedal::kSoft,
                         event.data2 >= kPedalDownFrom);
    }
    return;
  }
  if (kind != kNoteOn && kind != kNoteOff) return;
  const int sampleNo = midi::sampleNoForNote(event.data1 & 0x7F);
  if (sampleNo < 0) return;
  const bool press = kind == kNoteOn && event.data2 > 0;
  engine_().playKeyFromSource(KeySource::kMidi, sampleNo, press,
                              press ? midi::volumeForVelocity(event.data2 & 0x7F) : 0.0);
}

void MidiKeys::noteStarted(int sampleNo, double volume) {
  if (!send_) return;
  const std::uint8_t message[3] = {kNoteOn, static_cast<std::uint8_t>(sampleNo + midi::kLowestNote),
                                   static_cast<std::uint8_t>(midi::velocityForVolume(volume))};
  send_(message, 3);
}

void MidiKeys::noteEnded(int sampleNo) {
  if (!send_) return;
  const std::uint8_t message[3] = {kNoteOff, static_cast<std::uint8_t>(sampleNo + midi::kLowestNote),
                                   kReleaseVelocity};
  send_(message, 3);
}

}  // namespace piano
