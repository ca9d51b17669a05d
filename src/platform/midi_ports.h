// MidiPorts: the MIDI devices of the machine, over RtMidi (the only code that
// includes it). It opens every MIDI input there is and follows devices
// plugged in and out while it runs (a thread of its own looks at the list of
// ports a few times a second), and offers one output port of its own that
// other programs connect to. Ports whose names start with the client's name
// are its own and are not opened as inputs.
//
// Events from the inputs are timed and queued on the threads the devices call
// on (MidiEventQueue: bounded, lock-free, counting what it drops) and handed
// to the main thread through the run loop, at most kEventsPerTurn per turn,
// so that a flood never holds the screen; the audio thread is never involved.
//
// Threads: open, setReceiver, send and the destructor on the main thread;
// droppedEvents and inputPortNames anywhere.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/midi.h"

namespace piano::platform {

class RunLoop;

class MidiPorts : public MidiConnection {
 public:
  static constexpr int kEventsPerTurn = 256;
  struct Options {
    std::string clientName = "piano";  // also names the output port: "<client> out"
    bool jack = false;                 // the JACK server rather than the ALSA sequencer
    double pollSeconds = 0.25;         // how often the list of ports is read
    std::function<double()> clock;     // stamps arrivals; the media clock when empty
  };

  // Null (and `error` says why) when there is no MIDI system to talk to.
  static std::unique_ptr<MidiPorts> open(RunLoop& loop, const Options& options, std::string* error);
  ~MidiPorts() override;
  MidiPorts(const MidiPorts&) = delete;
  MidiPorts& operator=(const MidiPorts&) = delete;

  void setReceiver(std::function<void(const MidiEvent&)> receiver) override;
  void send(const std::uint8_t* bytes, std::size_t size) override;
  std::uint64_t droppedEvents() const override;
  // The inputs open now.
  std::vector<std::string> inputPortNames() const;

  struct Impl;

 private:
  explicit MidiPorts(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace piano::platform
