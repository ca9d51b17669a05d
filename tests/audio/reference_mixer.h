// The mixing loop written out frame by frame, exactly as the engine's rules read.
// The engine's optimised mixer must agree with it bit for bit.
#pragma once

#include "audio/voice.h"

namespace piano::test {

void referenceMixVoice(Voice& voice, const SampleSlot& slot, float panLeft, float panRight,
                       platform::StereoBuffer out);

// A slot holding `samples` as the engine would after loading them.
SampleSlot makeSlot(std::vector<std::int16_t> samples);

}  // namespace piano::test
