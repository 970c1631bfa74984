#pragma once
// Deterministic randomness for the generator: the same seed gives the same
// numbers on every machine (no std distributions, whose results vary
// between standard libraries).
#include <cstdint>

namespace gen {

// Small fast generator (splitmix64).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state(seed) {}
    std::uint64_t next();
    double uniform();                         // [0, 1)
    double range(double low, double high);    // [low, high)
    int below(int count);                     // 0 .. count - 1, count >= 1

private:
    std::uint64_t state;
};

// A hash of lattice coordinates to [0, 1).
double latticeValue(std::int64_t x, std::int64_t y, std::uint32_t seed);

// Value noise in [0, 1) that tiles: x and y in lattice units, the pattern
// repeats every `period` units on both axes (period >= 1).
double tileNoise(double x, double y, int period, std::uint32_t seed);

// Fractal sum of tileNoise over `octaves` octaves, starting at `period`
// lattice cells per tile and doubling; u, v in tile units (the result
// repeats every 1.0). gain: amplitude factor per octave. Result in [0, 1).
double tileFbm(double u, double v, int period, int octaves, double gain, std::uint32_t seed);

// Ridged variant (sharp crests), same ranges.
double tileRidged(double u, double v, int period, int octaves, double gain, std::uint32_t seed);

}  // namespace gen
