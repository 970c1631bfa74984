#pragma once
// One note of a subtractive synthesizer: up to three detuned oscillators
// (panned across the stereo field), a sub oscillator and noise, through a
// low-pass filter whose cutoff follows its own envelope, shaped by the
// amplitude envelope. A voice releases by itself after its duration and is
// done when the release has ended.

#include "tools/synth/effects.h"
#include "tools/synth/envelope.h"
#include "tools/synth/filter.h"
#include "tools/synth/oscillator.h"

#include <cstdint>

namespace synth {

struct Patch {
    Waveform waveform = Waveform::Saw;
    int unison = 1;              // 1 .. 3 oscillators
    double detuneCents = 0.0;    // outer oscillators at +- this
    double stereoWidth = 0.0;    // 0 centre .. 1 outer oscillators hard left/right
    float subLevel = 0.0f;       // sine an octave down
    float noiseLevel = 0.0f;
    EnvelopeShape amp;
    EnvelopeShape filterEnvelope;
    double cutoffHz = 2000.0;    // with the filter envelope at 0
    double envelopeOctaves = 0.0;  // cutoff rise at filter envelope 1
    double keyTracking = 0.0;    // 1: cutoff moves with the note's frequency
    double resonance = 0.0;
    double vibratoHz = 0.0;
    double vibratoCents = 0.0;
    double vibratoDelay = 0.0;   // seconds before the vibrato fades in
};

class SynthVoice {
public:
    // pitch as a MIDI note number (69 = A4 = 440 Hz); brightness scales the
    // cutoff (1 = as patched). The voice reads the patch as it plays: the
    // patch must outlive it.
    SynthVoice(const Patch& patch, double pitch, float velocity, double durationSeconds,
               double brightness, uint32_t seed);

    StereoSample next();
    bool done() const { return amp.done(); }

private:
    void updateControls();

    const Patch* patch;
    double baseHz;
    float velocity;
    long age = 0;
    long noteOffAt;
    double baseCutoff;
    Oscillator oscillators[3];
    float gainLeft[3], gainRight[3];
    Oscillator sub;
    Noise noise;
    Envelope amp, filterEnvelope;
    Filter filterLeft, filterRight;
    float filterLevel = 0.0f;
};

double midiToHz(double pitch);

}  // namespace synth
