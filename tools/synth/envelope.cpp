#include "tools/synth/envelope.h"

#include "tools/synth/oscillator.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {

// Per-sample factor that shrinks a distance to 1% in `seconds`.
double fallFactor(double seconds) {
    const double samples = std::max(1.0, seconds * kSampleRate);
    return std::exp(std::log(0.01) / samples);
}

}  // namespace

Envelope::Envelope(const EnvelopeShape& s)
    : shape(s), stage(Stage::Attack), value(0.0), releaseLeft(0) {
    shape.sustain = std::clamp(shape.sustain, 0.0, 1.0);
    attackStep = 1.0 / std::max(1.0, shape.attack * kSampleRate);
    decayFactor = fallFactor(shape.decay);
    releaseFactor = fallFactor(shape.release);
}

void Envelope::noteOff() {
    if (releasing()) return;
    stage = Stage::Release;
    releaseLeft = std::max(1L, std::lround(shape.release * kSampleRate));
}

float Envelope::next() {
    switch (stage) {
    case Stage::Attack:
        value += attackStep;
        if (value >= 1.0) {
            value = 1.0;
            stage = Stage::Decay;
        }
        break;
    case Stage::Decay:
        value = shape.sustain + (value - shape.sustain) * decayFactor;
        if (std::fabs(value - shape.sustain) < 1e-5) {
            value = shape.sustain;
            stage = Stage::Sustain;
        }
        break;
    case Stage::Sustain:
        break;
    case Stage::Release:
        // The fall has reached 1% (-40 dB) when the time is up; the last
        // step to 0 is below hearing.
        value *= releaseFactor;
        if (--releaseLeft <= 0) {
            value = 0.0;
            stage = Stage::Done;
        }
        break;
    case Stage::Done:
        value = 0.0;
        break;
    }
    return static_cast<float>(value);
}

}  // namespace synth
