#pragma once
// ADSR envelope, one value per sample in [0, 1]. Times are in seconds.
// Attack rises linearly from 0 to 1; decay falls exponentially from 1 to the
// sustain level and is within 1% of the way there after `decay` seconds;
// release falls from wherever the note was to silence and reaches exactly 0
// after `release` seconds, after which done() is true.

namespace synth {

struct EnvelopeShape {
    double attack = 0.005;
    double decay = 0.1;
    double sustain = 1.0;   // 0 .. 1
    double release = 0.05;
};

class Envelope {
public:
    explicit Envelope(const EnvelopeShape& shape = EnvelopeShape());

    void noteOff();        // start the release from the current value
    float next();
    bool done() const { return stage == Stage::Done; }
    bool releasing() const { return stage == Stage::Release || stage == Stage::Done; }

private:
    enum class Stage { Attack, Decay, Sustain, Release, Done };

    EnvelopeShape shape;
    Stage stage;
    double value;
    double attackStep;
    double decayFactor;       // per-sample multiplier of the distance to sustain
    double releaseFactor;     // per-sample multiplier of the value
    long releaseLeft;         // samples until silence
};

}  // namespace synth
