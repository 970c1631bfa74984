#pragma once
// Send effects of the mixer: a ping-pong echo and a plate-like reverb. Both
// take a stereo sample and return only the wet signal; the dry signal stays
// with the caller.

#include "tools/synth/filter.h"

#include <cstddef>
#include <vector>

namespace synth {

struct StereoSample {
    float left = 0.0f;
    float right = 0.0f;
};

// Echo that bounces between the channels: the left input comes back on the
// left after `delaySeconds`, then on the right after twice that, each repeat
// `feedback` (0 .. 0.95) times the last and darker by the damping filter.
class StereoDelay {
public:
    StereoDelay(double delaySeconds, double feedback, double dampingHz = 5000.0);
    StereoSample process(StereoSample in);

private:
    std::vector<float> left, right;
    std::size_t position = 0;
    float feedback;
    OnePole dampLeft, dampRight;
};

// Schroeder-style reverb: eight parallel damped comb filters into four
// series all-pass filters per channel, the right channel's delays a little
// longer so the tail is wide. `decay` 0 .. 0.98 is the comb feedback.
class Reverb {
public:
    explicit Reverb(double decay = 0.84, double dampingHz = 6000.0);
    StereoSample process(StereoSample in);

private:
    struct Comb {
        std::vector<float> line;
        std::size_t position = 0;
        OnePole damp;
    };
    struct AllPass {
        std::vector<float> line;
        std::size_t position = 0;
    };
    float channel(float in, std::vector<Comb>& combs, std::vector<AllPass>& allPasses);

    std::vector<Comb> combsLeft, combsRight;
    std::vector<AllPass> allPassLeft, allPassRight;
    float decay;
};

// Look-ahead peak limiter over a whole interleaved stereo buffer: the gain
// falls before any frame whose larger channel exceeds `threshold`, enough to
// bring it down to about the threshold, and recovers over `releaseSeconds`.
// Quieter passages keep gain 1.
void limitPeaks(std::vector<float>& interleaved, float threshold, double lookaheadSeconds = 0.005,
                double releaseSeconds = 0.25);

}  // namespace synth
