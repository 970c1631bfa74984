#include "tools/synth/oscillator.h"

#include <cmath>

namespace synth {

float Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    // Top 24 bits give an exact float in [0, 1).
    return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

double polyBlep(double t, double dt) {
    if (dt <= 0.0) return 0.0;
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

Oscillator::Oscillator(Waveform waveform, double phase, uint32_t noiseSeed)
    : waveform(waveform), phase(phase - std::floor(phase)), increment(0.0),
      noise(noiseSeed) {}

void Oscillator::setFrequency(double hz) {
    if (hz < 0.0) hz = 0.0;
    if (hz > kSampleRate * 0.5) hz = kSampleRate * 0.5;
    increment = hz / kSampleRate;
}

float Oscillator::next() {
    double value = 0.0;
    const double t = phase;
    const double dt = increment;
    switch (waveform) {
    case Waveform::Sine:
        value = std::sin(kTwoPi * t);
        break;
    case Waveform::Saw:
        value = 2.0 * t - 1.0 - polyBlep(t, dt);
        break;
    case Waveform::Square: {
        double half = t + 0.5;
        half -= std::floor(half);
        value = (t < 0.5 ? 1.0 : -1.0) + polyBlep(t, dt) - polyBlep(half, dt);
        break;
    }
    case Waveform::Triangle:
        // No jumps, only corners: its harmonics fall as 1/n^2, so what folds
        // back is already far down.
        value = t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t;
        break;
    case Waveform::Noise:
        value = noise.next();
        break;
    }
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return static_cast<float>(value);
}

}  // namespace synth
