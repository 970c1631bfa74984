#include "tools/synth/voice.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {
constexpr int kControlPeriod = 32;  // samples between cutoff and pitch updates
}

double midiToHz(double pitch) { return 440.0 * std::pow(2.0, (pitch - 69.0) / 12.0); }

SynthVoice::SynthVoice(const Patch& p, double pitch, float v, double durationSeconds,
                       double brightness, uint32_t seed)
    : patch(&p), baseHz(midiToHz(pitch)), velocity(v),
      noteOffAt(std::max(1L, std::lround(durationSeconds * kSampleRate))),
      sub(Waveform::Sine), noise(seed), amp(p.amp), filterEnvelope(p.filterEnvelope),
      filterLeft(FilterMode::LowPass, p.cutoffHz, p.resonance),
      filterRight(FilterMode::LowPass, p.cutoffHz, p.resonance) {
    const int count = std::clamp(p.unison, 1, 3);
    baseCutoff = p.cutoffHz * brightness * std::pow(baseHz / 261.63, p.keyTracking);
    // Start phases from the seed so stacked notes do not all line up.
    Noise phases(seed * 2654435761u + 1u);
    for (int i = 0; i < 3; ++i) {
        oscillators[i] = Oscillator(p.waveform, 0.5 + 0.5 * phases.next(), seed + i);
        float pan = 0.0f;  // -1 left .. 1 right
        if (count == 2) pan = static_cast<float>(i == 0 ? -p.stereoWidth : p.stereoWidth);
        if (count == 3) pan = static_cast<float>((i - 1) * p.stereoWidth);
        const float level = i < count ? 1.0f / std::sqrt(static_cast<float>(count)) : 0.0f;
        // Equal-power pan.
        const double angle = (pan + 1.0) * 0.25 * kPi;
        gainLeft[i] = level * static_cast<float>(std::cos(angle));
        gainRight[i] = level * static_cast<float>(std::sin(angle));
    }
    updateControls();
}

void SynthVoice::updateControls() {
    const int count = std::clamp(patch->unison, 1, 3);
    const double t = static_cast<double>(age) / kSampleRate;
    double cents = 0.0;
    if (patch->vibratoCents > 0.0 && t > patch->vibratoDelay) {
        const double fade = std::min(1.0, (t - patch->vibratoDelay) / 0.4);
        cents = fade * patch->vibratoCents * std::sin(kTwoPi * patch->vibratoHz * t);
    }
    for (int i = 0; i < count; ++i) {
        double detune = 0.0;
        if (count == 2) detune = i == 0 ? -patch->detuneCents : patch->detuneCents;
        if (count == 3) detune = (i - 1) * patch->detuneCents;
        oscillators[i].setFrequency(baseHz * std::pow(2.0, (cents + detune) / 1200.0));
    }
    sub.setFrequency(baseHz * 0.5);
    const double cutoff = baseCutoff * std::pow(2.0, patch->envelopeOctaves * filterLevel);
    filterLeft.setCutoff(cutoff);
    filterRight.setCutoff(cutoff);
}

StereoSample SynthVoice::next() {
    if (age == noteOffAt) {
        amp.noteOff();
        filterEnvelope.noteOff();
    }
    filterLevel = filterEnvelope.next();
    if (age % kControlPeriod == 0) updateControls();
    ++age;

    const int count = std::clamp(patch->unison, 1, 3);
    float left = 0.0f, right = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float s = oscillators[i].next();
        left += s * gainLeft[i];
        right += s * gainRight[i];
    }
    float common = 0.0f;
    if (patch->subLevel > 0.0f) common += patch->subLevel * sub.next();
    if (patch->noiseLevel > 0.0f) common += patch->noiseLevel * noise.next();
    left += common * 0.7071f;
    right += common * 0.7071f;

    const float level = amp.next() * velocity;
    return {filterLeft.process(left) * level, filterRight.process(right) * level};
}

}  // namespace synth
