// MidiKeys: MIDI instruments play the keyboard, and every note the keyboard
// plays goes out as MIDI.
//
// In: note-on starts the key's note through the key press engine's road for
// other sources (so it is recorded, shown where in view, and sent on), with
// its velocity as the volume; note-off (or note-on at velocity 0) ends it;
// controller 64 is the sustain pedal and 67 the soft pedal (down from 64 up);
// notes outside the piano's 88 keys (MIDI 21..108) and everything else are
// ignored. Every channel plays.
//
// Velocity curve: volume = (velocity / 127)^2, a square law on the level: it
// spans about 42 dB from velocity 1 to 127, puts mezzo-forte (64) at -6 dB
// from full, and keeps the soft end playable, which is how a piano's
// loudness follows the force of the strike closely enough for players.
//
// Out (a NoteListener): note-on on channel 1 with the velocity the same curve
// gives for the note's volume; note-off at velocity 64.
//
// Threads: main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "keyboard/key_press_engine.h"
#include "platform/midi.h"

namespace piano {

namespace midi {
inline constexpr int kLowestNote = 21;  // A0, key 1
// Sample slot 0..87 of a note, -1 for notes off the piano.
int sampleNoForNote(int note);
double volumeForVelocity(int velocity);
// 1..127: the velocity whose volume is nearest (the curve's inverse).
int velocityForVolume(double volume);
}  // namespace midi

class MidiKeys : public NoteListener {
 public:
  using Send = std::function<void(const std::uint8_t* bytes, std::size_t size)>;
  // `engine` gives the engine of the keyboard in use; `send` (may be empty)
  // takes the messages for the output port.
  MidiKeys(std::function<KeyPressEngine&()> engine, Send send);

  void receive(const platform::MidiEvent& event);

  void noteStarted(int sampleNo, double volume) override;
  void noteEnded(int sampleNo) override;

 private:
  std::function<KeyPressEngine&()> engine_;
  Send send_;
};

}  // namespace piano
