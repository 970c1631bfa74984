#include "tools/synth/drums.h"

#include <cmath>

namespace synth {

double DrumVoice::lengthSeconds(Drum drum) {
    switch (drum) {
    case Drum::Kick: return 0.45;
    case Drum::Snare: return 0.3;
    case Drum::ClosedHat: return 0.06;
    case Drum::OpenHat: return 0.35;
    case Drum::Crash: return 2.2;
    }
    return 0.1;
}

DrumVoice::DrumVoice(Drum d, float v, uint32_t seed)
    : kind(d), velocity(v), length(std::lround(lengthSeconds(d) * kSampleRate)), noise(seed) {
    switch (kind) {
    case Drum::Kick:
        tone = Filter(FilterMode::LowPass, 3000.0);
        break;
    case Drum::Snare:
        tone = Filter(FilterMode::BandPass, 3200.0, 0.2);
        tone2 = Filter(FilterMode::HighPass, 900.0);
        break;
    case Drum::ClosedHat:
    case Drum::OpenHat:
        tone = Filter(FilterMode::HighPass, 7000.0, 0.3);
        tone2 = Filter(FilterMode::HighPass, 7000.0);
        break;
    case Drum::Crash:
        tone = Filter(FilterMode::HighPass, 4000.0, 0.1);
        tone2 = Filter(FilterMode::LowPass, 14000.0);
        break;
    }
}

float DrumVoice::next() {
    if (done()) return 0.0f;
    const double t = static_cast<double>(age) / kSampleRate;
    const double left = 1.0 - static_cast<double>(age) / length;  // fade to 0 at the end
    ++age;
    double out = 0.0;
    switch (kind) {
    case Drum::Kick: {
        const double hz = 48.0 + 112.0 * std::exp(-t / 0.03);
        phase += hz / kSampleRate;
        const double body = std::sin(kTwoPi * phase) * std::exp(-t / 0.16);
        const double click = tone.process(noise.next()) * std::exp(-t / 0.004);
        out = body + 0.35 * click;
        break;
    }
    case Drum::Snare: {
        const double hz = 185.0 * (1.0 + 0.3 * std::exp(-t / 0.01));
        phase += hz / kSampleRate;
        const double body = std::sin(kTwoPi * phase) * std::exp(-t / 0.05);
        const float n = noise.next();
        const double rattle = (tone.process(n) * 0.6 + tone2.process(n) * 0.5) * std::exp(-t / 0.07);
        out = 0.6 * body + rattle;
        break;
    }
    case Drum::ClosedHat:
    case Drum::OpenHat: {
        const double tau = kind == Drum::ClosedHat ? 0.015 : 0.1;
        out = tone2.process(tone.process(noise.next())) * std::exp(-t / tau) * 1.2;
        break;
    }
    case Drum::Crash:
        out = tone2.process(tone.process(noise.next())) *
              (0.3 * std::exp(-t / 0.03) + 0.7 * std::exp(-t / 0.6));
        break;
    }
    return static_cast<float>(out * left * velocity);
}

}  // namespace synth
