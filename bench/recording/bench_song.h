// A song for the benchmarks: `presses` presses with their releases, spread
// over `seconds`, as the recorder section of a state text.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "recording/state_text.h"

namespace piano::bench {

inline std::string songSection(int presses, double seconds, unsigned seed = 1) {
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
    const double start = unit(random) * seconds;
    const double length = std::min(0.05 + unit(random) * 1.0, seconds - start + 0.05);
    const int slot = 20 + static_cast<int>(random() % 50);
    events.push_back({start, true, id, slot});
    events.push_back({start + length, false, id, slot});
  }
  // Times as the file holds them (six decimals), then in song order.
  for (Event& e : events) e.time = std::round(e.time * 1e6) / 1e6;
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
  std::string out;
  state_text::appendInt(out, 0);
  state_text::appendInt(out, 120);
  state_text::appendSqueezed(out, 0.5f);
  state_text::appendInt(out, 4);
  state_text::appendInt(out, presses);
  state_text::appendInt(out, static_cast<long long>(events.size()));
  for (const Event& e : events) {
    if (e.down) {
      out += "1|";
      state_text::appendInt(out, e.slot);
      state_text::appendFixed(out, e.time);
      state_text::appendInt(out, e.id);
      state_text::appendSqueezed(out, 0.4f + 0.6f * static_cast<float>(unit(random)));
      state_text::appendSqueezed(out, 1.0f);
      state_text::appendSqueezed(out, -0.00008f);
    } else {
      out += "0|";
      state_text::appendFixed(out, e.time);
      state_text::appendInt(out, e.id);
    }
  }
  return out;
}

inline const char* kMainSection = "-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|";

}  // namespace piano::bench
