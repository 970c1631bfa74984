// Textures the program loads by key: loading picture, fade, fog, title
// bands, flashes, light sprites and scene overlays.
#include <algorithm>
#include <cmath>

#include "tools/generate/noise.h"
#include "tools/generate/textures.h"

namespace gen {
namespace {

constexpr double pi = 3.14159265358979323846;
const char* const titleFace = "DejaVu Sans";
const char* const bandFace = "Impact";   // bold condensed (see platform/glyphs.h)

const Color ice{0.75f, 0.92f, 1.0f};
const Color teal{0.10f, 0.45f, 0.60f};
const Color auroraGreen{0.15f, 0.85f, 0.45f};

double smooth(double a, double b, double x) {
    const double t = std::min(1.0, std::max(0.0, (x - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

void addStars(Picture& p, Rng& rng, int count, double emptyRadius, float brightness) {
    const double cx = p.width() / 2.0, cy = p.height() / 2.0, half = std::min(cx, cy);
    for (int i = 0; i < count; ++i) {
        const double x = rng.range(0, p.width()), y = rng.range(0, p.height());
        const double r = std::hypot(x - cx, y - cy) / half;
        if (r < emptyRadius && rng.uniform() > (r / emptyRadius) * (r / emptyRadius) * 0.2) continue;
        const double size = rng.uniform() < 0.08 ? rng.range(2.0, 3.5) : rng.range(0.9, 1.7);
        const float b = brightness * static_cast<float>(rng.range(0.35, 1.0));
        const float tint = static_cast<float>(rng.uniform());
        p.addGlow(x, y, size, mix(Color{1.0f, 0.9f, 0.8f}, Color{0.7f, 0.85f, 1.0f}, tint) * b, 1.5);
    }
}

// Curtains of light across the rows top..bottom, faint where noise says.
void addAurora(Picture& p, double top, double bottom, std::uint32_t seed, float strength) {
    for (int y = static_cast<int>(top); y < static_cast<int>(bottom) && y < p.height(); ++y) {
        const double fy = (y - top) / (bottom - top);
        for (int x = 0; x < p.width(); ++x) {
            const double u = static_cast<double>(x) / p.width();
            const double wave = 0.08 * std::sin(u * 2 * pi * 2 + 1.3) + 0.05 * std::sin(u * 2 * pi * 5);
            const double edge = fy - 0.55 - wave;  // the curtain's lower, brighter hem
            const double body = std::exp(-edge * edge * 18) * smooth(-0.6, -0.1, edge) + std::exp(-edge * edge * 300);
            const double rays = 0.4 + 0.6 * tileRidged(u, 0.0, 24, 3, 0.55, seed);
            const double patch = smooth(0.35, 0.7, tileFbm(u, 0.3, 3, 3, 0.5, seed + 7));
            const float k = static_cast<float>(body * rays * patch * strength);
            p.add(x, y, mix(Color{0.6f, 0.2f, 0.7f}, auroraGreen, static_cast<float>(smooth(-0.5, 0.0, edge))) * k);
        }
    }
}

// Pine silhouettes: black shapes from `base` upwards, over what is painted.
void addTreeLine(Picture& p, double base, double tallest, Rng& rng) {
    Mask trees(p.width(), p.height());
    for (double x = -20; x < p.width() + 20; x += rng.range(6, 22)) {
        const double height = tallest * rng.range(0.35, 1.0);
        const double width = height * rng.range(0.22, 0.32);
        const double foot = base + rng.range(-6, 10);
        for (int y = std::max(0, static_cast<int>(foot - height)); y < p.height(); ++y) {
            const double f = (foot - y) / height;  // 1 at the tip, 0 at the foot
            const double tier = std::fmod(f * 6, 1.0);
            const double halfWidth = f < 0 ? width * 0.5 : width * 0.5 * (1 - f) * (0.75 + 0.25 * tier);
            for (int px = std::max(0, static_cast<int>(x - halfWidth)); px <= std::min(p.width() - 1, static_cast<int>(x + halfWidth)); ++px)
                trees.at(px, y) = 1;
        }
    }
    for (int y = static_cast<int>(base) + 8; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) trees.at(x, y) = 1;
    p.paintMask(blurred(trees, 1), 0, 0, Color{0.004f, 0.008f, 0.014f});
}

void darkenRect(Picture& p, int x0, int y0, int x1, int y1, float keep) {
    for (int y = std::max(0, y0 - 12); y < std::min(p.height(), y1 + 12); ++y)
        for (int x = std::max(0, x0 - 12); x < std::min(p.width(), x1 + 12); ++x) {
            const double dx = std::max({0, x0 - x, x - x1}), dy = std::max({0, y0 - y, y - y1});
            const float k = static_cast<float>(keep + (1 - keep) * smooth(0, 12, std::hypot(dx, dy)));
            p.set(x, y, p.get(x, y) * k);
        }
}

Picture loadPicture() {
    // Painted at the screen's 1024 x 768, stored square.
    Picture p(1024, 768);
    for (int y = 0; y < 768; ++y) {
        const float f = static_cast<float>(y) / 768;
        const Color c = mix(Color{0.004f, 0.01f, 0.035f}, Color{0.03f, 0.08f, 0.13f}, f * f);
        for (int x = 0; x < 1024; ++x) p.set(x, y, c);
    }
    Rng rng(0x10ad);
    addStars(p, rng, 700, 0, 0.8f);
    addAurora(p, 20, 560, 31, 0.55f);
    p.addGlow(512, 640, 700, Color{0.05f, 0.12f, 0.16f}, 2.0);
    addTreeLine(p, 640, 150, rng);
    const Mask title = letteringMask("gravlet", titleFace, 700, 150, 1.0, 6);
    paintTitle(p, title, 512, 195, ice, teal * 1.4f, 14);
    const Mask line = letteringMask("a real-time demo  \xC2\xB7  C++17  \xC2\xB7  OpenGL 1.1", titleFace, 400, 26, 1.0, 1);
    paintTitle(p, line, 512, 392, Color{0.55f, 0.7f, 0.8f}, Color{0.05f, 0.15f, 0.2f}, 4);
    const Mask credits = letteringMask("textures, models and music generated from code", titleFace, 400, 20, 1.0, 1);
    paintTitle(p, credits, 512, 738, Color{0.3f, 0.38f, 0.45f}, Color(), 0);
    // The loading dots are printed over x 370..790, 310..340 from the top.
    darkenRect(p, 360, 300, 800, 346, 0.15f);
    return p.resized(1024, 1024);
}

Picture white() { return Picture(16, 16, Color{1, 1, 1}); }

// Seamless mist for the additive fog layers: drifting wisps over black, so
// that the gaps between them add nothing (each layer adds (colour)^2 and four
// are stacked; a floor under the wisps would lift every frame into a veil).
// Luminance mean a little under 0.25. The layers show about a quarter of the
// texture at once, so the wisps are laid out at that scale, stretched
// sideways as mist lies.
Picture fogClouds(std::uint32_t seed, Color tint) {
    const int size = 512;
    std::vector<double> value(size * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size, v = (y + 0.5) / size;
            const double warp = tileFbm(u, v, 3, 3, 0.5, seed + 5) - 0.5;
            const double bank = tileFbm(u + warp * 0.3, v * 2 + warp * 0.2, 5, 5, 0.5, seed);
            const double wisp = tileFbm(u * 2 + warp * 0.5, v * 4, 6, 3, 0.5, seed + 9);
            value[y * size + x] = std::pow(smooth(0.42, 0.72, bank * 0.75 + wisp * 0.25), 0.6) * (0.7 + 0.3 * wisp);
        }
    // Scale so that the stored (clamped) channels average 0.226, a little
    // under a quarter: with black gaps, the lower the mean the dimmer the
    // wisps, and they should stay below the flames and flares.
    auto meanAt = [&](double scale) {
        double sum = 0;
        for (double n : value)
            for (float c : {tint.r, tint.g, tint.b}) sum += std::min(1.0, c * n * scale);
        return sum / (3.0 * value.size());
    };
    double low = 0, high = 16;
    for (int i = 0; i < 40; ++i) (meanAt((low + high) / 2) < 0.226 ? low : high) = (low + high) / 2;
    const float scale = static_cast<float>((low + high) / 2);
    Picture p(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) p.set(x, y, tint * static_cast<float>(value[y * size + x] * scale));
    return p;
}

Picture fogz1() { return fogClouds(101, Color{0.85f, 0.93f, 1.05f}); }
Picture fogz2() { return fogClouds(202, Color{0.8f, 0.95f, 1.05f}); }

// A title band: lettering (and an optional second line) on black, painted at
// the proportions of the rectangle it is drawn into, stored at storeW x storeH.
Picture titleBand(const char* text, const char* second, int designW, int designH, int storeW, int storeH,
                  Color color, Color glow) {
    Picture p(designW, designH);
    const int textHeight = static_cast<int>(designH * (second ? 0.42 : 0.55));
    Mask letters = letteringMask(text, bandFace, 700, textHeight, 1.0, 2);
    if (letters.width > designW * 0.9) letters = letteringMask(text, bandFace, 700, textHeight, designW * 0.9 / letters.width, 2);
    const double cy = second ? designH * 0.38 : designH * 0.5;
    paintTitle(p, letters, designW / 2.0, cy, color, glow, std::max(3, textHeight / 10));
    if (second) {
        const Mask small = letteringMask(second, titleFace, 400, designH / 7, 1.0, 1);
        paintTitle(p, small, designW / 2.0, designH * 0.76, color * 0.7f, glow * 0.5f, 3);
    }
    // Fine rules above and below, fading out at both ends.
    for (int x = 0; x < designW; ++x) {
        const float k = static_cast<float>(std::sin(pi * x / designW));
        p.add(x, static_cast<int>(designH * 0.1), glow * (k * k));
        p.add(x, static_cast<int>(designH * 0.9), glow * (k * k));
    }
    return p.resized(storeW, storeH);
}

Picture tx1() { return titleBand("GRAVLET", nullptr, 1280, 256, 1024, 256, ice, teal); }
Picture tx2() { return titleBand("A REAL-TIME DEMO IN C++17", nullptr, 1280, 384, 1024, 512, ice, teal); }
Picture tx3() { return titleBand("EVERY PIXEL MADE BY CODE", nullptr, 1280, 512, 1024, 512, Color{0.8f, 1.0f, 0.85f}, Color{0.1f, 0.5f, 0.3f}); }
Picture tx4() { return titleBand("OPENGL \xC2\xB7 SDL2 \xC2\xB7 MESA", nullptr, 1280, 448, 1024, 512, ice, Color{0.3f, 0.2f, 0.6f}); }
Picture tx5() {
    return titleBand("GRAVLET", "a demo standing on free software", 1024, 512, 1024, 512, ice, teal);
}

// Horizontal scan lines and rings, dark in the middle: zoomed up to ~37x.
Picture scanner() {
    const int size = 512;
    Picture p(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = (x + 0.5) / size - 0.5, dy = (y + 0.5) / size - 0.5;
            const double r = std::hypot(dx, dy) * 2;
            const double reach = smooth(0.3, 0.75, r) * (1 - smooth(0.95, 1.4, r));
            const double line = std::pow(0.5 + 0.5 * std::cos(y * 2 * pi / 6.0), 8);
            const double ring = std::pow(0.5 + 0.5 * std::cos(r * 2 * pi * 9), 30) * smooth(0.25, 0.5, r);
            const double noise = 0.6 + 0.4 * tileFbm((x + 0.5) / size, (y + 0.5) / size, 8, 3, 0.5, 77);
            const float k = static_cast<float>((line * 0.6 + ring * 0.5) * reach * noise);
            p.set(x, y, Color{0.35f, 0.85f, 1.0f} * k);
        }
    return p;
}

// Sparse radial streaks from the centre outwards.
Picture starslot() {
    const int size = 512;
    Picture p(size, size);
    Rng rng(0x5107);
    for (int i = 0; i < 140; ++i) {
        const double angle = rng.range(0, 2 * pi);
        const double r0 = rng.range(0.15, 0.7), length = rng.range(0.05, 0.3);
        const float b = static_cast<float>(rng.range(0.3, 1.0));
        const double dx = std::cos(angle), dy = std::sin(angle);
        for (double s = 0; s < length; s += 0.6 / size) {
            const double r = r0 + s;
            const double fade = std::sin(pi * s / length);
            p.addGlow(size / 2.0 + dx * r * size / 2, size / 2.0 + dy * r * size / 2, 1.6,
                      Color{0.7f, 0.85f, 1.0f} * (b * static_cast<float>(fade) * 0.35f), 1.0);
        }
    }
    return p;
}

// Emblems for the zoom flashes, painted at 4:3 and stored square; their
// essentials stay inside the central half.
Picture emblem(bool letters, bool rays, bool brightCentre, Color color, std::uint32_t seed) {
    Picture p(684, 512);
    const double cx = 342, cy = 256;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 684; ++x) {
            const double r = std::hypot(x - cx, y - cy) / 256;
            const double angle = std::atan2(y - cy, x - cx);
            double k = std::exp(-std::pow((r - 0.42) * 28, 2)) + 0.5 * std::exp(-std::pow((r - 0.5) * 60, 2));
            const double ticks = std::pow(0.5 + 0.5 * std::cos(angle * 48), 40) * smooth(0.53, 0.56, r) * (1 - smooth(0.6, 0.64, r));
            k += ticks * 0.7;
            if (rays) k += std::pow(0.5 + 0.5 * std::cos(angle * 8 + 0.3), 16) * std::exp(-r * 2.5) * 0.9;
            k += 0.25 * std::exp(-std::pow((r - 0.42) * 6, 2));
            if (brightCentre) k += 0.8 * std::exp(-r * r * 30);
            k *= 0.75 + 0.25 * tileFbm(angle / (2 * pi) + 0.5, r * 0.5, 8, 3, 0.5, seed);
            p.set(x, y, color * static_cast<float>(k));
        }
    if (letters) {
        const Mask title = letteringMask("gravlet", titleFace, 700, 70, 1.0, 3);
        paintTitle(p, title, cx, cy, ice, color * 0.8f, 8);
    }
    return p.resized(512, 512);
}

Picture keu1() { return emblem(false, false, true, teal, 1).resized(128, 128); }
Picture keu2() { return emblem(false, true, false, auroraGreen * 0.6f, 2).resized(128, 128); }
Picture keu3() { return emblem(true, false, false, teal, 3).resized(128, 128); }
Picture keu4() { return emblem(true, false, false, Color{0.45f, 0.8f, 1.0f}, 4); }
Picture keu5() { return emblem(false, true, true, Color{0.9f, 0.75f, 1.0f}, 5); }
Picture keu6() { return emblem(true, false, false, Color{0.5f, 1.0f, 0.7f}, 6); }

// Flare sprites: point-symmetric glows with black corners.
Picture sun2() {
    Picture p(256, 256);
    p.addGlow(128, 128, 128, Color{0.45f, 0.5f, 0.6f}, 2.8);
    p.addGlow(128, 128, 40, Color{0.6f, 0.6f, 0.55f}, 2.0);
    return p;
}

Picture sun3() {
    Picture p(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double dx = (x + 0.5 - 128) / 128, dy = (y + 0.5 - 128) / 128;
            const double r = std::hypot(dx, dy);
            if (r >= 1) continue;
            const double cross = std::exp(-std::fabs(dx) * 60) + std::exp(-std::fabs(dy) * 60);
            const double diagonal = 0.4 * (std::exp(-std::fabs(dx - dy) * 50) + std::exp(-std::fabs(dx + dy) * 50));
            const double k = ((cross + diagonal) * std::pow(1 - r, 2.5) + std::pow(1 - r, 12) * 1.5);
            p.set(x, y, Color{0.8f, 0.9f, 1.0f} * static_cast<float>(k));
        }
    return p;
}

Picture sun4() {
    Picture p(128, 128);
    p.addGlow(64, 64, 64, Color{0.35f, 0.7f, 0.8f}, 4.0);
    p.addGlow(64, 64, 16, Color{0.6f, 0.8f, 0.8f}, 1.5);
    return p;
}

// Flames on black, tip up as painted; stored turned 180 degrees because flare
// sprites show their texture turned.
Picture flame(std::uint32_t seed) {
    const int size = 256;
    Picture p(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size, v = (y + 0.5) / size;   // v = 0 at the top
            const double n = tileFbm(u, v * 0.7, 4, 5, 0.55, seed);
            const double h = 1 - v;                                   // height above the flame's foot
            const double sway = (n - 0.5) * 0.25 * h;
            const double dx = (u - 0.5 - sway) / (0.3 * (1 - h * 0.85) + 0.02);
            const double body = std::exp(-dx * dx * 2.5) * smooth(0.02, 0.25, v) * (1 - smooth(0.8, 0.98, v));
            const double heat = body * (0.55 + 0.9 * n) * (1.0 - 0.55 * h) * 1.5;
            const double corner = smooth(0.4, 0.5, std::hypot(u - 0.5, v - 0.5));
            const double k = heat * (1 - corner);
            const Color c = k < 0.35 ? mix(Color{}, Color{0.8f, 0.12f, 0.02f}, static_cast<float>(k / 0.35))
                            : k < 0.7 ? mix(Color{0.8f, 0.12f, 0.02f}, Color{1.0f, 0.55f, 0.1f}, static_cast<float>((k - 0.35) / 0.35))
                                      : mix(Color{1.0f, 0.55f, 0.1f}, Color{1.0f, 0.95f, 0.7f}, static_cast<float>(std::min(1.0, (k - 0.7) / 0.5)));
            p.set(x, y, c);
        }
    p.rotate180();
    return p;
}

Picture fire1() { return flame(11); }
Picture fire2() { return flame(22); }
Picture fire3() { return flame(33); }

// A very long band: text across the first `used` of its width, painted at
// `aspect`:1 and stored 2048 wide.
Picture longBand(const std::string& text, double aspect, double used, Color color, Color glow) {
    const int designH = 128, designW = static_cast<int>(designH * aspect);
    Picture p(designW, designH);
    Mask letters = letteringMask(text, bandFace, 700, 96, 1.0, 4);
    const double fit = designW * used * 0.98 / letters.width;
    if (letters.width > 0) letters = letteringMask(text, bandFace, 700, 96, fit, 4);
    paintTitle(p, letters, designW * used / 2.0, designH / 2.0, color, glow, 8);
    return p.resized(2048, 128);
}

Picture greets2() {
    return longBand("greetings to the free software this demo stands on:   SDL  \xC2\xB7  Mesa  \xC2\xB7  mpg123  \xC2\xB7  LAME  \xC2\xB7  "
                    "FreeType  \xC2\xB7  fontconfig  \xC2\xB7  GoogleTest  \xC2\xB7  CMake  \xC2\xB7  ffmpeg  \xC2\xB7  assimp  \xC2\xB7  "
                    "ImageMagick  \xC2\xB7  SoX  \xC2\xB7  GCC  \xC2\xB7  Linux  \xC2\xB7  Debian",
                    50, 0.95, Color{1.0f, 0.92f, 0.75f}, Color{0.5f, 0.25f, 0.1f});
}

Picture etext() {
    return longBand("gravlet   \xC2\xB7   a real-time demo in C++17   \xC2\xB7   OpenGL 1.1 on Mesa   \xC2\xB7   SDL2   \xC2\xB7   "
                    "libmpg123   \xC2\xB7   LAME   \xC2\xB7   FreeType   \xC2\xB7   made entirely from code   \xC2\xB7   thank you for watching",
                    60, 0.9, ice, teal);
}

Picture greettxt() {
    Picture p(1024, 512);
    const Mask title = letteringMask("greetings", titleFace, 700, 190, 1.0, 4);
    paintTitle(p, title, 512, 256, Color{1.0f, 0.95f, 0.85f}, Color{0.6f, 0.3f, 0.1f}, 18);
    return p.resized(512, 256);
}

// Sparse small stars, none in the middle (the layers zoom into it).
Picture starmap() {
    Picture p(1024, 1024);
    Rng rng(0x57a7);
    addStars(p, rng, 1400, 0.22, 0.9f);
    return p;
}

// 4:3 cards laid over the earth scene; black shows nothing.
Picture pilo() {
    // Horizontal composition, so a vertical stretch keeps it readable.
    Picture p(1024, 768);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const double d = (y - 384) / 384.0;
            const double horizon = std::exp(-d * d * 400) * 1.2 + std::exp(-d * d * 18) * 0.25;
            const double sweep = 0.5 + 0.5 * std::sin(x / 1024.0 * pi);
            p.set(x, y, Color{0.3f, 0.7f, 1.0f} * static_cast<float>(horizon * sweep));
        }
    const Mask top = letteringMask("GRAVLET", bandFace, 700, 120, 1.6, 20);
    paintTitle(p, top, 512, 250, ice, teal, 10);
    const Mask bottom = letteringMask("textures \xC2\xB7 models \xC2\xB7 music  \xE2\x80\x94  all generated", titleFace, 400, 40, 1.0, 2);
    paintTitle(p, bottom, 512, 520, Color{0.6f, 0.8f, 0.9f}, teal * 0.5f, 4);
    return p.resized(1024, 1024);
}

Picture pilo2() {
    Picture p(1024, 768);
    Rng rng(0x9102);
    addStars(p, rng, 300, 0, 0.5f);
    addAurora(p, 0, 560, 57, 0.8f);
    addTreeLine(p, 600, 170, rng);
    const Mask title = letteringMask("northern lights over the lake", titleFace, 400, 44, 1.0, 2);
    paintTitle(p, title, 512, 690, Color{0.6f, 0.85f, 0.8f}, Color{0.05f, 0.3f, 0.2f}, 6);
    return p.resized(1024, 1024);
}

}  // namespace

const std::vector<TextureJob>& screenTextures() {
    static const std::vector<TextureJob> jobs = {
        {"load.tga", loadPicture}, {"wt.tga", white},        {"fogz1.tga", fogz1},     {"fogz2.tga", fogz2},
        {"tx1.tga", tx1},          {"tx2.tga", tx2},         {"tx3.tga", tx3},         {"tx4.tga", tx4},
        {"tx5.tga", tx5},          {"scanner.tga", scanner}, {"starslot.tga", starslot}, {"keu.tga", keu1},
        {"keu2.tga", keu2},        {"keu3.tga", keu3},       {"keu4.tga", keu4},       {"keu5.tga", keu5},
        {"keu6.tga", keu6},        {"sun2.tga", sun2},       {"sun3.tga", sun3},       {"sun4.tga", sun4},
        {"fire1.tga", fire1},      {"fire2.tga", fire2},     {"fire3.tga", fire3},     {"greets2.tga", greets2},
        {"greettxt.tga", greettxt}, {"starmap.tga", starmap}, {"pilo.tga", pilo},      {"pilo2.tga", pilo2},
        {"etext.tga", etext},
    };
    return jobs;
}

}  // namespace gen
