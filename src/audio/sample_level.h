// The level the sample set is stored at, which the sample builder and the engine's
// output agree on.
//
// The mixer adds voices in 16 bits and saturates after each one, so a chord whose
// peaks meet would clip inside the mix, where nothing later can undo it. The set
// is therefore stored quieter than the piano is heard: its loudest sample (piano
// and clicks alike) sits at kSampleSetLevel of the -1 dBFS it is heard at. Eleven
// voices at full level (ten fingers and the metronome click, or eleven fingers)
// add up to at most 11 x 0.1 x 0.891 = 0.98 of full scale, whatever their keys and
// however their peaks line up. The output stage multiplies the mix by
// kSampleSetMakeUpGain, so a single note is exactly as loud as a set normalised to
// -1 dBFS, and its limiter keeps bigger sums within full scale.
//
// Constants only; any thread.
#pragma once

namespace piano {

// Loudest sample of the set as heard, relative to full scale (-1 dBFS).
inline constexpr double kSamplePeakDbfs = -1.0;
// How much quieter than that the set is stored (-20 dB), and its inverse.
inline constexpr double kSampleSetLevel = 0.1;
inline constexpr float kSampleSetMakeUpGain = static_cast<float>(1.0 / kSampleSetLevel);
// Voices at full level whose peaks the mix holds without reaching full scale.
inline constexpr int kVoicesWithinFullScale = 11;

static_assert(kSampleSetMakeUpGain == 10.0f, "the make-up gain is the exact inverse of the level");

}  // namespace piano
