// One voice of the mixer, and one sample slot, as the render function sees them.
// A Voice is owned by the audio thread once it has been handed over (see
// SoundPlayer); the mixing functions below are pure and can be tested directly.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/sample_slots.h"
#include "platform/stereo_buffer.h"

namespace piano {

inline constexpr int kNumVoices = 40;

struct SampleSlot {
  std::vector<std::int16_t> rawData;  // decoded samples; empty when the slot failed to load
  int rawDataSize = 0;                // playable samples: decoded count - 1 (never negative)
  bool cannotBeCulledOnTooManyNotes = false;
};

enum class VoicePhase { kAttack, kSteady, kRelease };

struct Voice {
  bool playing = false;
  int sampleNo = 0;
  int playPosition = 0;
  double requiredVolume = 0.0;
  double ADSRVolume = 0.0;
  double ADSRVolumeDelta = 0.0;
  double requiredReleaseDelta = 0.0;
  VoicePhase phase = VoicePhase::kAttack;
  bool atLeastOneBufferFilled = false;
  bool wantToStop = false;
  double created = 0.0;
};

// Mixes one playing voice into the frames of `out`, with the fixed-point
// envelope, the pan factors and saturation to -32767..32767 after this voice.
// Applies a pending stop first (at the buffer boundary, once the voice has been
// mixed at least once). Updates the voice: position, envelope, phase, `playing`
// when it ends. Real-time safe.
//
// The envelope in fixed point, per buffer (trunc: conversion toward zero; level,
// rate and volume are ADSRVolume, ADSRVolumeDelta and requiredVolume as floats):
//  - Attack and steady: the level runs in 16.16, env = trunc(level * 65536), step =
//    trunc(rate * 65536). Each frame adds step; an attack that reaches
//    trunc(volume * 65536) holds there and turns steady. ADSRVolume = env / 65536.
//  - Release: the level runs in 32.32 in a 64-bit integer, L = trunc(ADSRVolume *
//    2^32) taken from the double itself, step = trunc(rate * 2^32), so that every
//    rate a sustain setting gives fades at its own speed (in 16.16 the slowest
//    rates would truncate to the same step, or to none). Each frame adds step; the
//    first frame at which L <= 0 is not mixed and ends the voice. ADSRVolume =
//    L / 2^32, which a double holds exactly. Rate 0 holds the level until the
//    sample runs out; rate -1 from level 1 ends at the first frame.
//  - Channel gains, in every phase: 16.16, g = trunc(level * pan * 65536) at the
//    buffer start, adding trunc(rate * pan * 65536) per frame (the steady target
//    once an attack arrives). A frame adds (s * g) >> 16 to each channel.
void mixVoice(Voice& voice, const SampleSlot& slot, float panLeft, float panRight,
              platform::StereoBuffer out) noexcept;

}  // namespace piano
