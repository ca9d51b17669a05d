// MIDI as the piano sees it, without any MIDI library: the events that arrive
// from instruments, the bounded queue that carries them from the threads the
// devices call on to the main thread, and the connection the application
// plays through (platform/midi_ports.h is the one over real devices).
//
// Threads: MidiEventQueue::push from any number of threads at once, pop and
// the counters' reset on one consumer thread; MidiConnection as it says.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace piano::platform {

struct MidiEvent {
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  double arrival = 0.0;  // media clock seconds when it reached the program
};

// A bounded lock-free queue (a ring of cells with sequence numbers, after
// D. Vyukov's bounded queue): a push never waits and never allocates; when
// the ring is full the event is dropped and counted, so a flood costs the
// devices' threads nothing and the main thread only what it chooses to take.
class MidiEventQueue {
 public:
  static constexpr std::size_t kCapacity = 4096;  // a power of two

  MidiEventQueue() {
    for (std::size_t i = 0; i < kCapacity; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
  }

  // Any thread. False when the queue was full (the event is counted as dropped).
  bool push(const MidiEvent& event) {
    std::size_t position = tail_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[position & (kCapacity - 1)];
      const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
      const auto diff = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
      if (diff == 0) {
        if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
          cell.event = event;
          cell.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
      } else if (diff < 0) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
      } else {
        position = tail_.load(std::memory_order_relaxed);
      }
    }
  }

  // The consumer thread. False when empty.
  bool pop(MidiEvent* event) {
    Cell& cell = cells_[head_ & (kCapacity - 1)];
    const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
    if (static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(head_ + 1) < 0) return false;
    *event = cell.event;
    cell.sequence.store(head_ + kCapacity, std::memory_order_release);
    ++head_;
    return true;
  }

  // Events dropped because the queue was full, since it was made.
  std::uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  struct Cell {
    std::atomic<std::size_t> sequence{0};
    MidiEvent event;
  };
  std::array<Cell, kCapacity> cells_;
  alignas(64) std::atomic<std::size_t> tail_{0};
  alignas(64) std::size_t head_ = 0;
  std::atomic<std::uint64_t> dropped_{0};
};

// The MIDI devices the application plays from and to.
class MidiConnection {
 public:
  virtual ~MidiConnection() = default;
  // Main thread. Every event that arrives is given to `receiver` on the main
  // thread, a bounded number per turn of the run loop; null stops delivery.
  virtual void setReceiver(std::function<void(const MidiEvent&)> receiver) = 0;
  // Main thread. Sends a message of one to three bytes on the output port.
  virtual void send(const std::uint8_t* bytes, std::size_t size) = 0;
  // Any thread. Events lost to a full queue.
  virtual std::uint64_t droppedEvents() const = 0;
};

}  // namespace piano::platform
