// The engine's table of sample slots: one per piano key, then the two
// metronome clicks. Piano keys are numbered 1 to 88 from the lowest A and key k
// plays slot k - 1; songs store these slot numbers.
//
// Threads: constants; any thread.
#pragma once

namespace piano {

inline constexpr int kNumPianoKeys = 88;
inline constexpr int kMetronomeHiSlot = kNumPianoKeys;       // the accented click
inline constexpr int kMetronomeLowSlot = kNumPianoKeys + 1;  // the plain click
inline constexpr int kNumSampleSlots = kNumPianoKeys + 2;

}  // namespace piano
