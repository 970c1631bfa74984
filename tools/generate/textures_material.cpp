// Material maps of the models. Night palette: the scenes light every mesh
// with a bright ambient term, so the darkness lives in the textures.
#include <algorithm>
#include <cmath>

#include "tools/generate/noise.h"
#include "tools/generate/textures.h"

namespace gen {
namespace {

constexpr double pi = 3.14159265358979323846;

double smooth(double a, double b, double x) {
    const double t = std::min(1.0, std::max(0.0, (x - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

// Paints every pixel from f(u, v) with u, v in [0, 1), v = 0 at the top row.
template <typename F>
Picture paint(int width, int height, F f) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.set(x, y, f((x + 0.5) / width, (y + 0.5) / height));
    return p;
}

Color ramp(Color a, Color b, double t) { return mix(a, b, static_cast<float>(std::min(1.0, std::max(0.0, t)))); }

// The star dome, wrapped twice around: row 0 is the zenith, the middle row
// the horizon. The dome is drawn as (colour / 2)^2, so full white shows as a
// quarter: stars are painted at full strength, and a moonlit haze lightens
// the sky towards the horizon so that hills and trees stand out against it.
Picture nightsky() {
    Picture p = paint(1024, 512, [](double u, double v) {
        const double h = (0.5 - v) * 2;   // elevation: 0 at the horizon, 1 at the zenith
        const double haze = h < 0 ? std::exp(h * 12) : std::exp(-h * 5.5);
        const double drift = tileFbm(u, v, 4, 4, 0.5, 43);
        Color c = mix(Color{0.01f, 0.015f, 0.04f}, Color{0.45f, 0.62f, 0.85f}, static_cast<float>(haze * (0.8 + 0.3 * drift)));
        // Aurora curtains: a bright hem low in the sky, rays fading upwards.
        const double wave = 0.05 * std::sin(u * 2 * pi * 3 + 2 * tileFbm(u, 0.5, 4, 2, 0.5, 44)) + 0.03 * std::sin(u * 2 * pi * 7);
        const double above = h - 0.16 - wave;      // height above the hem
        const double hem = std::exp(-above * above * 900);
        const double body = above > 0 ? std::exp(-above * 7) : 0;
        const double rays = 0.35 + 0.65 * tileRidged(u, 0.5, 48, 3, 0.6, 45);
        const double patch = smooth(0.35, 0.65, tileFbm(u, 0.2, 5, 3, 0.5, 46));
        const double k = (hem * 1.3 + body * 0.8) * rays * patch;
        const Color tone = mix(Color{0.35f, 1.0f, 0.6f}, Color{0.55f, 0.25f, 0.9f}, static_cast<float>(smooth(0.02, 0.25, above)));
        c = c + tone * static_cast<float>(k * 0.85);
        return c;
    });
    // Stars: the dome's texels are twice as tall as wide on the sky, so
    // each star is painted half as tall as wide to come out round.
    Rng rng(0x5ca1);
    for (int i = 0; i < 1800; ++i) {
        const double cx = rng.range(0, 1024), cy = rng.range(0, 300);
        const double b = rng.uniform(), r = b > 0.9 ? 2.2 : 1.3;
        const Color tint = mix(Color{1.0f, 0.9f, 0.8f}, Color{0.8f, 0.9f, 1.0f}, static_cast<float>(rng.uniform()));
        for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r); ++y)
            for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r); ++x) {
                const double d = std::hypot(x + 0.5 - cx, (y + 0.5 - cy) * 2) / r;
                if (d < 1 && y >= 0) p.add((x + 1024) % 1024, y, tint * static_cast<float>((0.5 + 1.5 * b * b) * (1 - d)));
            }
    }
    return p;
}

Picture clouds() {
    return paint(256, 256, [](double u, double v) {
        const double n = tileFbm(u, v, 3, 5, 0.55, 51);
        const double k = smooth(0.6, 0.82, n);
        const double edge = k * (1 - k) * 4;   // brightest where the cloud thins
        return Color{0.06f, 0.08f, 0.11f} * static_cast<float>(k) + Color{0.5f, 0.6f, 0.75f} * static_cast<float>(edge);
    });
}

// Near hills (bg1): a dark wooded ridge with a moonlit crest; row 0 is the
// crest.
Picture hills() {
    return paint(512, 128, [](double u, double v) {
        const double trees = tileRidged(u, v, 32, 3, 0.5, 61);
        const double patches = tileFbm(u, v, 4, 4, 0.5, 62);
        const double rim = std::exp(-v * 14);
        Color c = ramp(Color{0.005f, 0.01f, 0.015f}, Color{0.03f, 0.05f, 0.06f}, trees * patches * 1.5);
        return c + Color{0.45f, 0.6f, 0.75f} * static_cast<float>(rim * (0.3 + 0.7 * trees));
    });
}

// Far hills (fars): paler with distance and haze, so the near ridge stands
// out against them.
Picture farhills() {
    return paint(512, 128, [](double u, double v) {
        const double ridge = tileFbm(u, v, 16, 3, 0.5, 63);
        const double haze = 1 - v * 0.7;
        const double rim = std::exp(-v * 10);
        return Color{0.1f, 0.14f, 0.2f} * static_cast<float>(haze * (0.7 + 0.5 * ridge)) +
               Color{0.4f, 0.5f, 0.65f} * static_cast<float>(rim * ridge);
    });
}

// Pine needles: the scenes' light makes the side facing it bright, so frost
// on the needles gives the trees a moonlit edge against a dark shadow side.
Picture needles() {
    return paint(128, 128, [](double u, double v) {
        const double strokes = tileNoise(u * 64, v * 6, 64, 71) * 0.6 + tileFbm(u, v, 8, 3, 0.5, 72) * 0.4;
        const double frost = smooth(0.55, 0.85, tileFbm(u, v, 16, 2, 0.5, 73));
        return ramp(Color{0.01f, 0.035f, 0.025f}, Color{0.06f, 0.16f, 0.1f}, strokes) +
               Color{0.35f, 0.45f, 0.55f} * static_cast<float>(frost * strokes);
    });
}

Picture bark() {
    return paint(64, 128, [](double u, double v) {
        const double streak = tileNoise(u * 16, v * 2, 16, 81) * 0.7 + tileFbm(u, v, 4, 3, 0.5, 82) * 0.3;
        return ramp(Color{0.03f, 0.02f, 0.015f}, Color{0.2f, 0.15f, 0.12f}, streak);
    });
}

// Forest floor: dark moss and rocks with patches of old snow, which the
// moonlight (the scenes' light from above) makes the brightest ground, so
// trunks, the wall and the trees' shadowed sides stand dark against it.
Picture moss() {
    return paint(512, 512, [](double u, double v) {
        const double n = tileFbm(u, v, 8, 6, 0.55, 91) * 0.85;
        const double rocks = smooth(0.62, 0.7, tileFbm(u, v, 5, 4, 0.5, 92));
        const double snow = smooth(0.55, 0.68, tileFbm(u, v, 5, 6, 0.6, 94)) * (0.6 + 0.4 * n);
        Color c = ramp(Color{0.01f, 0.02f, 0.015f}, Color{0.05f, 0.08f, 0.05f}, n);
        c = mix(c, Color{0.1f, 0.11f, 0.13f} * static_cast<float>(0.6 + n), static_cast<float>(rocks));
        return mix(c, Color{0.26f, 0.3f, 0.38f} * static_cast<float>(0.7 + 0.6 * n), static_cast<float>(snow));
    });
}

// Lake water. The lake meshes map it diagonally (see addWaterGrid): the
// world's x runs along u + v of the painted picture and z along u - v, and
// the scenes sway the texture along the diagonal u = v, which keeps x fixed.
// So a stripe of constant u + v lies on one world x whatever the sway: the
// moon's path, a broken band of glints, while ripples slide along it.
Picture lake() {
    return paint(512, 512, [](double u, double v) {
        const double across = std::fmod(u + v, 1.0) - 0.5;      // world x, path at 0
        const double along = u - v;                             // world z
        const double ripple = tileFbm(u, v, 8, 5, 0.55, 101);
        const double crest = 0.5 + 0.5 * std::sin(along * 2 * pi * 24 + ripple * 9);
        const double path = std::exp(-across * across * 900) + 0.35 * std::exp(-across * across * 120);
        const double glint = std::pow(crest, 6) * smooth(0.45, 0.7, ripple);
        const double sparkle = std::pow(crest, 14) * smooth(0.62, 0.78, ripple);
        Color c = ramp(Color{0.0f, 0.01f, 0.025f}, Color{0.02f, 0.06f, 0.11f}, ripple * crest);
        c = c + Color{0.85f, 0.92f, 1.0f} * static_cast<float>(smooth(0.05, 0.25, path * glint));
        return c + Color{0.35f, 0.45f, 0.6f} * static_cast<float>(sparkle);
    });
}

// The moon's path on the opening's lake: broken horizontal glints on black,
// densest along the middle (u = 0.5), laid on a strip just under the water
// (the water itself is drawn as (colour / 2)^2 and cannot go brighter than a
// quarter; seen through it, this lit strip can).
Picture glints() {
    return paint(128, 256, [](double u, double v) {
        const double across = u - 0.5;
        const double core = std::exp(-across * across * 30);
        const double dash = tileNoise(u * 6, v * 64, 64, 105);
        const double fine = tileNoise(u * 20, v * 128, 128, 106);
        const double k = smooth(0.58 - 0.25 * core, 0.74 - 0.2 * core, dash * 0.7 + fine * 0.3) * smooth(0.0, 0.3, core);
        return Color{0.9f, 0.95f, 1.0f} * static_cast<float>(k);
    });
}

Picture deepwater() {
    return paint(256, 256, [](double u, double v) {
        const double n = tileFbm(u, v, 4, 5, 0.55, 111);
        const double crest = std::pow(0.5 + 0.5 * std::sin((u - v) * 2 * pi * 12 + n * 8), 8);
        return ramp(Color{0.0f, 0.008f, 0.02f}, Color{0.02f, 0.05f, 0.08f}, n) + Color{0.2f, 0.28f, 0.38f} * static_cast<float>(crest * smooth(0.5, 0.7, n));
    });
}

// Aurora curtains over the opening's lake, seen from below: row 0 is the
// top. Bright, nearly white-green lower hems that fade upwards into violet,
// folded into separate curtains with dark sky between them.
Picture aurora() {
    return paint(512, 256, [](double u, double v) {
        const double fold = 0.03 * std::sin(u * 2 * pi + 4 * tileFbm(u, 0.3, 3, 2, 0.5, 123));
        const double above = (0.8 + fold) - v;                    // height above the hem
        const double hem = std::exp(-above * above * 200);
        const double body = above > 0 ? std::exp(-above * 2.2) : 0;
        const double rays = 0.2 + 0.8 * tileRidged(u, 0.5, 24, 3, 0.6, 121);
        const double curtain = 0.25 + 0.75 * smooth(0.3, 0.5, tileFbm(u, 0.7, 4, 3, 0.5, 122));
        const double k = (hem * 1.4 + body * 1.4) * rays * curtain;
        const Color low = Color{0.75f, 1.0f, 0.8f}, mid = Color{0.2f, 0.95f, 0.55f}, high = Color{0.5f, 0.25f, 0.95f};
        const float a = static_cast<float>(above);
        const Color tone = a < 0.08f ? mix(low, mid, std::max(0.0f, a) / 0.08f) : mix(mid, high, std::min(1.0f, (a - 0.08f) / 0.4f));
        return tone * static_cast<float>(k);
    });
}

Picture stone() {
    return paint(256, 256, [](double u, double v) {
        const double row = std::floor(v * 4);
        const double x = u * 3 + (static_cast<int>(row) % 2) * 0.5;
        const double ex = std::fabs(x - std::floor(x) - 0.5) * 2, ey = std::fabs(v * 4 - row - 0.5) * 2;
        const double mortar = smooth(0.86, 0.95, std::max(ex, ey));
        const double n = tileFbm(u, v, 8, 5, 0.55, 131);
        const double block = latticeValue(static_cast<std::int64_t>(std::floor(x)) % 3, static_cast<std::int64_t>(row), 132);
        Color c = ramp(Color{0.05f, 0.06f, 0.07f}, Color{0.2f, 0.21f, 0.24f}, n * (0.7 + 0.5 * block));
        return c * static_cast<float>(1 - 0.8 * mortar);
    });
}

Picture runes() {
    Picture p = paint(256, 512, [](double u, double v) {
        const double n = tileFbm(u, v, 4, 5, 0.55, 141);
        return ramp(Color{0.03f, 0.035f, 0.045f}, Color{0.13f, 0.14f, 0.16f}, n);
    });
    // Glyph-like strokes in columns: each rune a few straight lines.
    Rng rng(0x70e5);
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 14; ++row) {
            const double cx = 32 + column * 64, cy = 20 + row * 36;
            Mask rune(48, 32);
            const int strokes = 2 + rng.below(3);
            for (int s = 0; s < strokes; ++s) {
                const double x0 = rng.range(8, 40), y0 = rng.range(2, 30), x1 = rng.range(8, 40), y1 = rng.range(2, 30);
                for (double t = 0; t <= 1; t += 0.02) {
                    const int x = static_cast<int>(x0 + (x1 - x0) * t), y = static_cast<int>(y0 + (y1 - y0) * t);
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx)
                            if (x + dx < 48 && y + dy < 32) rune.at(x + dx, y + dy) = 1;
                }
            }
            const int x = static_cast<int>(cx - 24), y = static_cast<int>(cy - 16);
            p.addMask(blurred(rune, 4), x, y, Color{0.1f, 0.5f, 0.6f});
            p.addMask(rune, x, y, Color{0.4f, 0.9f, 1.0f});
        }
    return p;
}

Picture metal() {
    return paint(256, 256, [](double u, double v) {
        const double gx = std::fabs(u * 4 - std::floor(u * 4) - 0.5) * 2, gy = std::fabs(v * 4 - std::floor(v * 4) - 0.5) * 2;
        const double seam = smooth(0.9, 0.97, std::max(gx, gy));
        const double brushed = tileNoise(u * 128, v * 4, 128, 151) * 0.3 + tileFbm(u, v, 4, 3, 0.5, 152) * 0.7;
        const double window = (std::fmod(std::floor(u * 16) + std::floor(v * 8) * 3, 7) == 0) ? smooth(0.4, 0.3, std::max(gx, gy) * 0 + std::fabs(v * 8 - std::floor(v * 8) - 0.5)) : 0;
        Color c = ramp(Color{0.12f, 0.13f, 0.16f}, Color{0.38f, 0.4f, 0.45f}, brushed);
        c = c * static_cast<float>(1 - 0.7 * seam);
        return c + Color{0.3f, 0.9f, 1.0f} * static_cast<float>(window);
    });
}

// Light shafts are blended by alpha (half of the colour shows): a misty
// light, never black, so they brighten what lies behind.
Picture beam() {
    return paint(128, 128, [](double u, double v) {
        const double core = std::exp(-std::pow((u - 0.5) * 4, 2));
        const double shimmer = 0.75 + 0.25 * tileFbm(u, v, 4, 3, 0.5, 161);
        return mix(Color{0.12f, 0.16f, 0.2f}, Color{0.8f, 0.9f, 1.0f}, static_cast<float>(core * shimmer * (0.4 + 0.6 * v)));
    });
}

Picture crystal() {
    return paint(256, 256, [](double u, double v) {
        const double cells = tileRidged(u, v, 4, 2, 0.4, 171);
        const double glow = tileFbm(u, v, 3, 3, 0.5, 172);
        return ramp(Color{0.05f, 0.1f, 0.3f}, Color{0.5f, 0.9f, 1.0f}, cells * 0.8 + glow * 0.4);
    });
}

Picture logo() {
    Picture p = paint(1024, 256, [](double u, double v) {
        const double brushed = tileNoise(u * 256, v * 4, 256, 181) * 0.4 + 0.6;
        const double edge = std::min({u, 1 - u, v, 1 - v});
        return Color{0.03f, 0.06f, 0.1f} * static_cast<float>(brushed) + Color{0.2f, 0.5f, 0.6f} * static_cast<float>(smooth(0.03, 0.0, edge));
    });
    const Mask letters = letteringMask("gravlet", "DejaVu Sans", 700, 170, 1.0, 6);
    paintTitle(p, letters, 512, 128, Color{0.75f, 0.95f, 1.0f}, Color{0.1f, 0.4f, 0.5f}, 12);
    return p;
}

Picture gold() {
    return paint(128, 128, [](double u, double v) {
        const double n = tileFbm(u, v, 4, 4, 0.5, 191);
        return ramp(Color{0.35f, 0.22f, 0.05f}, Color{1.0f, 0.85f, 0.45f}, n);
    });
}

Picture planet() {
    return paint(1024, 512, [](double u, double v) {
        const double lat = std::fabs(v - 0.5) * 2;  // 0 at the equator
        const double land = tileFbm(u, v * 0.5, 4, 6, 0.55, 201) - lat * 0.08;
        const double cloud = smooth(0.5, 0.75, tileFbm(u * 1.0, v, 6, 5, 0.55, 202));
        const double ice = smooth(0.78, 0.86, lat + (land - 0.5) * 0.2);
        Color c = land > 0.52 ? ramp(Color{0.12f, 0.3f, 0.1f}, Color{0.45f, 0.38f, 0.22f}, (land - 0.52) * 6)
                              : ramp(Color{0.01f, 0.04f, 0.2f}, Color{0.05f, 0.2f, 0.45f}, (land - 0.3) * 4);
        c = mix(c, Color{0.9f, 0.93f, 1.0f}, static_cast<float>(ice));
        return mix(c, Color{0.95f, 0.97f, 1.0f}, static_cast<float>(cloud * 0.85));
    });
}

Picture rock() {
    return paint(256, 256, [](double u, double v) {
        const double n = tileFbm(u, v, 4, 6, 0.6, 211);
        const double craters = tileRidged(u, v, 6, 2, 0.5, 212);
        return ramp(Color{0.06f, 0.05f, 0.05f}, Color{0.35f, 0.32f, 0.3f}, n * 0.8 + craters * 0.3);
    });
}

Picture nebula() {
    Picture p = paint(1024, 512, [](double u, double v) {
        const double warp = tileFbm(u, v, 2, 3, 0.5, 221) - 0.5;
        const double n = tileFbm(u + warp * 0.3, v + warp * 0.3, 3, 6, 0.6, 222);
        const double hue = tileFbm(u, v, 2, 2, 0.5, 223);
        const double k = std::pow(smooth(0.35, 0.85, n), 1.5) * std::sin(pi * v);
        return ramp(Color{0.35f, 0.1f, 0.5f}, Color{0.1f, 0.35f, 0.6f}, hue * 2 - 0.5) * static_cast<float>(k);
    });
    Rng rng(0x2eb);
    for (int i = 0; i < 1500; ++i)
        p.addGlow(rng.range(0, 1024), rng.range(0, 512), 1.3, Color{0.9f, 0.9f, 1.0f} * static_cast<float>(rng.range(0.3, 1.0)), 1.2);
    return p;
}

Picture streaks() {
    return paint(256, 512, [](double u, double v) {
        const double lane = tileNoise(u * 64, v * 2, 64, 231);
        const double k = std::pow(smooth(0.6, 0.95, lane), 2) * (0.5 + 0.5 * tileNoise(u * 64, v * 8, 64, 232));
        return Color{0.5f, 0.7f, 1.0f} * static_cast<float>(k);
    });
}

Picture lattice() {
    return paint(256, 256, [](double u, double v) {
        const double gx = std::fabs(u * 8 - std::floor(u * 8) - 0.5) * 2, gy = std::fabs(v * 8 - std::floor(v * 8) - 0.5) * 2;
        const double line = std::pow(std::max(gx, gy), 24);
        const double node = std::pow(std::min(gx, gy), 8) * std::pow(std::max(gx, gy), 8);
        return Color{0.2f, 0.7f, 0.9f} * static_cast<float>(line * 0.8 + node * 0.6);
    });
}

Picture curtain() {
    return paint(512, 512, [](double u, double v) {
        const double folds = 0.5 + 0.5 * std::sin(u * 2 * pi * 12 + 2 * tileFbm(u, v, 2, 2, 0.5, 241));
        const double n = tileFbm(u, v, 8, 3, 0.5, 242);
        return ramp(Color{0.02f, 0.01f, 0.05f}, Color{0.18f, 0.06f, 0.25f}, folds * (0.7 + 0.5 * n));
    });
}

Picture floorTiles() {
    return paint(512, 512, [](double u, double v) {
        const int tx = static_cast<int>(std::floor(u * 8)), ty = static_cast<int>(std::floor(v * 8));
        const double gx = std::fabs(u * 8 - tx - 0.5) * 2, gy = std::fabs(v * 8 - ty - 0.5) * 2;
        const double groove = smooth(0.92, 0.98, std::max(gx, gy));
        const double marble = tileRidged(u, v, 4, 4, 0.5, 251);
        const Color base = ((tx + ty) % 2) ? Color{0.05f, 0.06f, 0.09f} : Color{0.1f, 0.11f, 0.15f};
        return (base + Color{0.08f, 0.09f, 0.12f} * static_cast<float>(marble)) * static_cast<float>(1 - 0.8 * groove);
    });
}

// Four lettering rows for the finale's plates (plate k uses row k from the top).
Picture plates() {
    Picture p = paint(1024, 1024, [](double u, double v) {
        const double row = v * 4 - std::floor(v * 4);
        const double frame = smooth(0.04, 0.0, std::min({u, 1 - u, row, 1 - row}));
        return Color{0.15f, 0.45f, 0.6f} * static_cast<float>(frame);
    });
    const char* const rows[4] = {"gravlet", "C++17 \xC2\xB7 OpenGL 1.1", "SDL2 \xC2\xB7 Mesa \xC2\xB7 libmpg123", "made from code"};
    for (int k = 0; k < 4; ++k) {
        Mask letters = letteringMask(rows[k], "DejaVu Sans", 700, 120, 1.0, 3);
        if (letters.width > 900) letters = letteringMask(rows[k], "DejaVu Sans", 700, 120, 900.0 / letters.width, 3);
        paintTitle(p, letters, 512, 128 + 256 * k, Color{0.8f, 0.95f, 1.0f}, Color{0.1f, 0.4f, 0.55f}, 10);
    }
    return p;
}

}  // namespace

const std::vector<TextureJob>& materialTextures() {
    static const std::vector<TextureJob> jobs = {
        {"nightsky.tga", nightsky}, {"clouds.tga", clouds},   {"hills.tga", hills},     {"farhills.tga", farhills},
        {"needles.tga", needles},
        {"bark.tga", bark},         {"moss.tga", moss},       {"lake.tga", lake},       {"glints.tga", glints},
        {"deepwater.tga", deepwater},
        {"aurora.tga", aurora},     {"stone.tga", stone},     {"runes.tga", runes},     {"metal.tga", metal},
        {"beam.tga", beam},         {"crystal.tga", crystal}, {"logo.tga", logo},       {"gold.tga", gold},
        {"planet.tga", planet},     {"rock.tga", rock},       {"nebula.tga", nebula},   {"streaks.tga", streaks},
        {"lattice.tga", lattice},   {"curtain.tga", curtain}, {"floor.tga", floorTiles}, {"plates.tga", plates},
    };
    return jobs;
}

}  // namespace gen
