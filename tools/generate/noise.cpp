#include "tools/generate/noise.h"

#include <cmath>

namespace gen {

std::uint64_t Rng::next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double Rng::range(double low, double high) { return low + (high - low) * uniform(); }

int Rng::below(int count) { return count <= 1 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(count)); }

double latticeValue(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x8DA6B343ull ^ static_cast<std::uint64_t>(y) * 0xD8163841ull ^
                      static_cast<std::uint64_t>(seed) * 0xCB1AB31Full;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

namespace {

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

std::int64_t wrap(std::int64_t value, int period) {
    std::int64_t m = value % period;
    return m < 0 ? m + period : m;
}

}  // namespace

double tileNoise(double x, double y, int period, std::uint32_t seed) {
    if (period < 1) period = 1;
    const double fx = std::floor(x), fy = std::floor(y);
    const std::int64_t ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double tx = fade(x - fx), ty = fade(y - fy);
    const std::int64_t x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    const std::int64_t y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    const double a = latticeValue(x0, y0, seed), b = latticeValue(x1, y0, seed);
    const double c = latticeValue(x0, y1, seed), d = latticeValue(x1, y1, seed);
    const double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double tileFbm(double u, double v, int period, int octaves, double gain, std::uint32_t seed) {
    double sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * tileNoise(u * period, v * period, period, seed + 101u * static_cast<std::uint32_t>(i));
        total += amplitude;
        amplitude *= gain;
        period *= 2;
    }
    return total > 0 ? sum / total : 0;
}

double tileRidged(double u, double v, int period, int octaves, double gain, std::uint32_t seed) {
    double sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        const double n = tileNoise(u * period, v * period, period, seed + 211u * static_cast<std::uint32_t>(i));
        const double ridge = 1.0 - std::fabs(2.0 * n - 1.0);
        sum += amplitude * ridge * ridge;
        total += amplitude;
        amplitude *= gain;
        period *= 2;
    }
    return total > 0 ? sum / total * 0.999999 : 0;
}

}  // namespace gen
