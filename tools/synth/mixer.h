#pragma once
// Plays a score through the instruments, the send effects and the master
// gain curve into one interleaved stereo float buffer (left, right) at
// kSampleRate.

#include "tools/synth/score.h"

#include <functional>
#include <vector>

namespace synth {

// Renders the first `seconds` of the score (clamped to 0 .. kTrackSeconds).
// progress, when set, gets fractions 0 .. 1 in rising order.
std::vector<float> mixScore(const Score& score, double seconds,
                            const std::function<void(double)>& progress = {});

// Scales the buffer so its largest magnitude is `peak`; a silent buffer
// stays silent. Returns the scale applied.
float normalise(std::vector<float>& samples, float peak);

}  // namespace synth
