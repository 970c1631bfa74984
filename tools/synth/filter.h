#pragma once
// Two-pole state-variable filter (trapezoidal integration), stable while its
// cutoff moves every sample. Cutoff in Hz, kept below 0.45 of the sample
// rate; resonance 0 (no peak, Q = 0.5) .. 1 (near self-oscillation).

namespace synth {

enum class FilterMode { LowPass, BandPass, HighPass };

class Filter {
public:
    explicit Filter(FilterMode mode = FilterMode::LowPass, double cutoffHz = 1000.0,
                    double resonance = 0.0);

    void setCutoff(double hz);
    void setResonance(double resonance);
    float process(float in);

private:
    void update();

    FilterMode mode;
    double cutoff;
    double damping;  // 1/Q
    double g, a1, a2, a3;
    double ic1, ic2;  // integrator states
};

// One-pole low-pass for smoothing and damping in feedback loops.
class OnePole {
public:
    explicit OnePole(double cutoffHz = 1000.0);
    void setCutoff(double hz);
    float process(float in) {
        state += coefficient * (in - state);
        return static_cast<float>(state);
    }

private:
    double coefficient;
    double state = 0.0;
};

}  // namespace synth
