// One section of the state text: its owner writes it and reads it back. The
// root view owns the main section (settings), the recorder the recorder section
// (metronome and song); FileManager puts them together.
//
// Threads: the main thread.
#pragma once

#include <string>
#include <string_view>

namespace piano {

class StateSection {
 public:
  // The section's fields, each followed by "|".
  virtual std::string getState() const = 0;
  // Applies a section of a file of format `version` (1 or 2). Returns false when
  // a field is missing; the caller then resets every section, so what was
  // applied before the failure does not matter.
  virtual bool setState(std::string_view section, int version) = 0;
  // Back to the defaults.
  virtual void resetState() = 0;

 protected:
  ~StateSection() = default;
};

}  // namespace piano
