#include "platform/midi_ports.h"

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/run_loop.h"

namespace piano::platform {

struct MidiPorts::Impl {
  // What the devices' threads and the posted drains share; it outlives the
  // ports while a drain is still queued on the run loop.
  struct Shared {
    MidiEventQueue queue;
    std::atomic<bool> drainPosted{false};
    std::function<void(const MidiEvent&)> receiver;  // main thread
  };
  struct Input {
    std::unique_ptr<RtMidiIn> port;
    Impl* impl = nullptr;
  };

  RunLoop& loop;
  Options options;
  RtMidi::Api api;
  std::shared_ptr<Shared> shared = std::make_shared<Shared>();
  std::unique_ptr<RtMidiOut> output;

  std::thread poller;
  std::mutex mutex;  // the poller's sleep and the input list's names
  std::condition_variable wake;
  bool stopping = false;
  std::map<std::string, std::unique_ptr<Input>> inputs;  // by port name; the poller's

  Impl(RunLoop& l, Options o) : loop(l), options(std::move(o)), api(options.jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA) {
    if (!options.clock) options.clock = [] { return mediaTime(); };
  }

  static void onMessage(double /*deltaTime*/, std::vector<unsigned char>* message, void* user) {
    auto* self = static_cast<Impl*>(user);
    if (message == nullptr || message->empty()) return;
    MidiEvent event;
    event.arrival = self->options.clock();
    event.status = (*message)[0];
    if (message->size() > 1) event.data1 = (*message)[1];
    if (message->size() > 2) event.data2 = (*message)[2];
    self->shared->queue.push(event);
    self->postDrain();
  }

  static void onError(RtMidiError::Type /*type*/, const std::string& text, void* /*user*/) {
    // A device that went away mid-call: the next look at the port list closes it.
    std::fprintf(stderr, "MIDI: %s\n", text.c_str());
  }

  // One drain waits on the run loop at a time; it takes a bounded share and
  // leaves the rest to the next turn.
  void postDrain() {
    if (shared->drainPosted.exchange(true, std::memory_order_acq_rel)) return;
    std::weak_ptr<Shared> weak = shared;
    loop.post([this, weak] {
      const std::shared_ptr<Shared> s = weak.lock();
      if (!s) return;
      s->drainPosted.store(false, std::memory_order_release);
      MidiEvent event;
      int taken = 0;
      while (taken < kEventsPerTurn && s->queue.pop(&event)) {
        ++taken;
        if (s->receiver) s->receiver(event);
      }
      if (taken == kEventsPerTurn) postDrain();
    });
  }

  // "piano:piano out" (JACK; a second client of the name becomes "piano-01"),
  // "piano:piano out 128:0" (ALSA).
  bool ownPort(const std::string& name) const {
    const std::string& own = options.clientName;
    if (name.rfind(own, 0) != 0) return false;
    return name.size() == own.size() || name[own.size()] == ':' || name[own.size()] == '-';
  }

  // Opens the inputs that appeared and closes those that went.
  void refreshInputs(RtMidiIn& probe) {
    std::map<std::string, bool> present;
    const unsigned count = probe.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
      const std::string name = probe.getPortName(i);
      if (name.empty() || ownPort(name)) continue;
      present[name] = true;
      if (inputs.count(name) != 0) continue;
      try {
        auto input = std::make_unique<Input>();
        input->impl = this;
        input->port = std::make_unique<RtMidiIn>(api, options.clientName + " in");
        input->port->setErrorCallback(&Impl::onError, nullptr);
        input->port->ignoreTypes(true, true, true);
        input->port->setCallback(&Impl::onMessage, this);
        input->port->openPort(i, options.clientName + " in");
        std::lock_guard<std::mutex> lock(mutex);
        inputs[name] = std::move(input);
      } catch (const RtMidiError& e) {
        std::fprintf(stderr, "MIDI: cannot open %s: %s\n", name.c_str(), e.getMessage().c_str());
      }
    }
    for (auto it = inputs.begin(); it != inputs.end();) {
      if (present.count(it->first) != 0) {
        ++it;
        continue;
      }
      std::unique_ptr<Input> gone;
      {
        std::lock_guard<std::mutex> lock(mutex);
        gone = std::move(it->second);
        it = inputs.erase(it);
      }
      gone.reset();  // closes the port (outside the lock: it joins the device's thread)
    }
  }

  void poll() {
    std::unique_ptr<RtMidiIn> probe;
    try {
      probe = std::make_unique<RtMidiIn>(api, options.clientName + " list");
      probe->setErrorCallback(&Impl::onError, nullptr);
    } catch (const RtMidiError& e) {
      std::fprintf(stderr, "MIDI: no inputs: %s\n", e.getMessage().c_str());
      return;
    }
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
      lock.unlock();
      try {
        refreshInputs(*probe);
      } catch (const RtMidiError& e) {
        std::fprintf(stderr, "MIDI: %s\n", e.getMessage().c_str());
      }
      lock.lock();
      wake.wait_for(lock, std::chrono::duration<double>(options.pollSeconds), [this] { return stopping; });
    }
    std::map<std::string, std::unique_ptr<Input>> closing = std::move(inputs);
    inputs.clear();
    lock.unlock();
    closing.clear();
  }
};

std::unique_ptr<MidiPorts> MidiPorts::open(RunLoop& loop, const Options& options, std::string* error) {
  // A client never starts a JACK server of its own: no server, no JACK MIDI.
  if (options.jack) setenv("JACK_NO_START_SERVER", "1", 0);
  auto impl = std::make_unique<Impl>(loop, options);
  try {
    impl->output = std::make_unique<RtMidiOut>(impl->api, options.clientName);
    impl->output->setErrorCallback(&Impl::onError, nullptr);
    impl->output->openVirtualPort(options.clientName + " out");
  } catch (const RtMidiError& e) {
    if (error != nullptr) *error = e.getMessage();
    return nullptr;
  }
  Impl* raw = impl.get();
  raw->poller = std::thread([raw] { raw->poll(); });
  return std::unique_ptr<MidiPorts>(new MidiPorts(std::move(impl)));
}

MidiPorts::MidiPorts(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

MidiPorts::~MidiPorts() {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  if (impl_->poller.joinable()) impl_->poller.join();
  impl_->output.reset();
}

void MidiPorts::setReceiver(std::function<void(const MidiEvent&)> receiver) {
  impl_->shared->receiver = std::move(receiver);
}

void MidiPorts::send(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr || size == 0 || size > 3 || !impl_->output) return;
  try {
    impl_->output->sendMessage(bytes, size);
  } catch (const RtMidiError& e) {
    std::fprintf(stderr, "MIDI: %s\n", e.getMessage().c_str());
  }
}

std::uint64_t MidiPorts::droppedEvents() const { return impl_->shared->queue.dropped(); }

std::vector<std::string> MidiPorts::inputPortNames() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  std::vector<std::string> names;
  for (const auto& [name, input] : impl_->inputs) names.push_back(name);
  return names;
}

}  // namespace piano::platform
