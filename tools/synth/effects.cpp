#include "tools/synth/effects.h"

#include "tools/synth/oscillator.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace synth {

StereoDelay::StereoDelay(double delaySeconds, double fb, double dampingHz)
    : left(std::max<size_t>(1, static_cast<size_t>(std::lround(delaySeconds * kSampleRate)))),
      right(left.size()),
      feedback(static_cast<float>(std::clamp(fb, 0.0, 0.95))),
      dampLeft(dampingHz), dampRight(dampingHz) {}

StereoSample StereoDelay::process(StereoSample in) {
    const float outLeft = left[position];
    const float outRight = right[position];
    // Cross-feed: what leaves the left line enters the right one.
    left[position] = in.left + dampRight.process(outRight) * feedback;
    right[position] = in.right + dampLeft.process(outLeft) * feedback;
    if (++position == left.size()) position = 0;
    return {outLeft, outRight};
}

namespace {

// Mutually prime lengths in samples at 44.1 kHz.
const int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
const int kAllPassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kAllPassGain = 0.5f;
constexpr float kInputGain = 0.015f;  // eight combs sum to a large gain

}  // namespace

Reverb::Reverb(double d, double dampingHz)
    : decay(static_cast<float>(std::clamp(d, 0.0, 0.98))) {
    for (int i = 0; i < 8; ++i) {
        combsLeft.push_back({std::vector<float>(kCombLengths[i]), 0, OnePole(dampingHz)});
        combsRight.push_back(
            {std::vector<float>(kCombLengths[i] + kStereoSpread), 0, OnePole(dampingHz)});
    }
    for (int i = 0; i < 4; ++i) {
        allPassLeft.push_back({std::vector<float>(kAllPassLengths[i]), 0});
        allPassRight.push_back({std::vector<float>(kAllPassLengths[i] + kStereoSpread), 0});
    }
}

float Reverb::channel(float in, std::vector<Comb>& combs, std::vector<AllPass>& allPasses) {
    float sum = 0.0f;
    for (Comb& c : combs) {
        const float out = c.line[c.position];
        c.line[c.position] = in + c.damp.process(out) * decay;
        if (++c.position == c.line.size()) c.position = 0;
        sum += out;
    }
    for (AllPass& a : allPasses) {
        const float delayed = a.line[a.position];
        const float out = delayed - sum;
        a.line[a.position] = sum + delayed * kAllPassGain;
        if (++a.position == a.line.size()) a.position = 0;
        sum = out;
    }
    return sum;
}

StereoSample Reverb::process(StereoSample in) {
    const float mono = (in.left + in.right) * kInputGain;
    return {channel(mono, combsLeft, allPassLeft), channel(mono, combsRight, allPassRight)};
}

void limitPeaks(std::vector<float>& interleaved, float threshold, double lookaheadSeconds,
                double releaseSeconds) {
    const size_t frames = interleaved.size() / 2;
    if (frames == 0 || threshold <= 0.0f) return;
    const size_t window = std::max<size_t>(1, static_cast<size_t>(lookaheadSeconds * kSampleRate));
    const double release = 1.0 - std::exp(-1.0 / (std::max(1e-3, releaseSeconds) * kSampleRate));
    // Smooths the steps of the windowed minimum into ramps no longer than the window.
    const double attack = 1.0 - std::exp(-4.0 / static_cast<double>(window));

    auto wanted = [&](size_t frame) {
        const float peak = std::max(std::fabs(interleaved[2 * frame]), std::fabs(interleaved[2 * frame + 1]));
        return peak > threshold ? threshold / peak : 1.0f;
    };
    // Sliding minimum of the wanted gain over [frame, frame + window).
    std::deque<std::pair<size_t, float>> minima;
    size_t ahead = 0;
    double gain = 1.0;
    for (size_t frame = 0; frame < frames; ++frame) {
        for (; ahead < frames && ahead < frame + window; ++ahead) {
            const float g = wanted(ahead);
            while (!minima.empty() && minima.back().second >= g) minima.pop_back();
            minima.emplace_back(ahead, g);
        }
        while (minima.front().first < frame) minima.pop_front();
        const double target = minima.front().second;
        gain += (target - gain) * (target < gain ? attack : release);
        interleaved[2 * frame] *= static_cast<float>(gain);
        interleaved[2 * frame + 1] *= static_cast<float>(gain);
    }
}

}  // namespace synth
