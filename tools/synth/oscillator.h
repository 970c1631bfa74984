#pragma once
// Oscillators for the soundtrack synthesizer. Output is in [-1, 1] (the
// band-limited edges may overshoot by a few percent); frequencies are in Hz
// at the synthesizer's fixed sample rate.

#include <cstdint>

namespace synth {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;

enum class Waveform { Sine, Saw, Square, Triangle, Noise };

// White noise from a fixed 32-bit xorshift sequence: the same seed gives the
// same samples on every run and machine.
class Noise {
public:
    explicit Noise(uint32_t seed = 0x9E3779B9u) : state(seed ? seed : 1u) {}
    float next();  // uniform in [-1, 1)

private:
    uint32_t state;
};

// Phase-accumulating oscillator. Saw and square edges are smoothed with a
// polynomial band-limited step so high notes do not fold back audibly.
class Oscillator {
public:
    explicit Oscillator(Waveform waveform = Waveform::Sine, double phase = 0.0,
                        uint32_t noiseSeed = 0x9E3779B9u);

    void setFrequency(double hz);  // 0 .. half the sample rate
    double frequency() const { return increment * kSampleRate; }
    float next();

private:
    Waveform waveform;
    double phase;      // 0 .. 1
    double increment;  // cycles per sample
    Noise noise;
};

// Band-limited step correction for a jump of height 2 at phase 0; t and dt
// in cycles.
double polyBlep(double t, double dt);

}  // namespace synth
