#include "tools/synth/filter.h"

#include "tools/synth/oscillator.h"

#include <algorithm>
#include <cmath>

namespace synth {

Filter::Filter(FilterMode mode, double cutoffHz, double resonance)
    : mode(mode), cutoff(cutoffHz), damping(2.0), ic1(0.0), ic2(0.0) {
    setResonance(resonance);
    setCutoff(cutoffHz);
}

void Filter::setCutoff(double hz) {
    cutoff = std::clamp(hz, 10.0, 0.45 * kSampleRate);
    update();
}

void Filter::setResonance(double resonance) {
    resonance = std::clamp(resonance, 0.0, 1.0);
    damping = 2.0 - 1.95 * resonance;  // Q from 0.5 to 20
    update();
}

void Filter::update() {
    g = std::tan(kPi * cutoff / kSampleRate);
    a1 = 1.0 / (1.0 + g * (g + damping));
    a2 = g * a1;
    a3 = g * a2;
}

float Filter::process(float in) {
    const double v3 = in - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    switch (mode) {
    case FilterMode::LowPass: return static_cast<float>(v2);
    case FilterMode::BandPass: return static_cast<float>(v1);
    case FilterMode::HighPass: return static_cast<float>(in - damping * v1 - v2);
    }
    return 0.0f;
}

OnePole::OnePole(double cutoffHz) { setCutoff(cutoffHz); }

void OnePole::setCutoff(double hz) {
    hz = std::clamp(hz, 1.0, 0.45 * kSampleRate);
    coefficient = 1.0 - std::exp(-2.0 * kPi * hz / kSampleRate);
}

}  // namespace synth
