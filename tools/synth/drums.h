#pragma once
// Drum voices, each a short synthesized hit that ends by itself. Output is
// mono, peak about `velocity` (0 .. 1).
//   Kick:     sine swept from 160 Hz down to 48 Hz with a short click.
//   Snare:    a 185 Hz body under band-passed noise.
//   ClosedHat, OpenHat: high-passed noise, 60 ms and 350 ms.
//   Crash:    bright noise with a two-second tail.

#include "tools/synth/filter.h"
#include "tools/synth/oscillator.h"

namespace synth {

enum class Drum { Kick, Snare, ClosedHat, OpenHat, Crash };

class DrumVoice {
public:
    DrumVoice(Drum drum, float velocity, uint32_t seed);

    float next();
    bool done() const { return age >= length; }
    Drum drum() const { return kind; }
    static double lengthSeconds(Drum drum);

private:
    Drum kind;
    float velocity;
    long age = 0;
    long length;
    double phase = 0.0;
    Noise noise;
    Filter tone, tone2;
};

}  // namespace synth
