#pragma once
// Picture: the generator's painting surface, linear RGB floats (0 black,
// 1 full), row 0 at the top as the picture is seen. Values above 1 are
// allowed while painting and clamp when the picture is stored.
#include <cstdint>
#include <string>
#include <vector>

namespace gen {

struct Color {
    float r = 0, g = 0, b = 0;
};

inline Color operator*(Color c, float k) { return {c.r * k, c.g * k, c.b * k}; }
inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Color mix(Color a, Color b, float t) { return a * (1 - t) + b * t; }

// Grey coverage, 0..1, row 0 at the top (masks, lettering, blurs).
struct Mask {
    int width = 0, height = 0;
    std::vector<float> value;
    Mask() = default;
    Mask(int w, int h) : width(w), height(h), value(static_cast<std::size_t>(w) * h, 0.0f) {}
    float& at(int x, int y) { return value[static_cast<std::size_t>(y) * width + x]; }
    float at(int x, int y) const { return value[static_cast<std::size_t>(y) * width + x]; }
};

class Picture {
public:
    Picture() = default;
    Picture(int width, int height, Color fill = Color());

    int width() const { return w; }
    int height() const { return h; }
    Color get(int x, int y) const;
    void set(int x, int y, Color c);
    void add(int x, int y, Color c);

    // A soft round glow centred at (cx, cy) pixels: colour * (1 - d/r)^power
    // inside radius r, nothing outside.
    void addGlow(double cx, double cy, double radius, Color color, double power);
    // colour * mask, added where the mask covers; the mask is laid with its
    // top-left corner at (x, y) pixels.
    void addMask(const Mask& mask, int x, int y, Color color);
    // Blends towards `color` by mask coverage (opaque paint).
    void paintMask(const Mask& mask, int x, int y, Color color);

    // Area-averaged (box filter) resize; used to paint at screen proportions
    // and store at power-of-two sides.
    Picture resized(int width, int height) const;
    void mirrorX();
    void rotate180();

    // 8-bit RGB, top row first, clamped and rounded.
    std::vector<std::uint8_t> toRgb8() const;

private:
    int w = 0, h = 0;
    std::vector<float> rgb;
};

// Text laid out into a mask of the given height in pixels; the width follows
// the face's proportions times `stretch` (horizontal scale). face/weight as
// platform::renderLettering. Empty mask when no face is available.
Mask letteringMask(const std::string& text, const char* face, int weight, int heightPixels,
                   double stretch = 1.0, int tracking = 0);

// Gaussian-like blur (three box passes) of radius r pixels.
Mask blurred(const Mask& mask, int radius);

// Mask grown by `border` pixels on every side (room for a glow).
Mask padded(const Mask& mask, int border);

// Text with a soft halo centred at (cx, cy): the halo in `glow` spread over
// `glowRadius` pixels, then the letters in `color`.
void paintTitle(Picture& picture, const Mask& letters, double cx, double cy, Color color, Color glow,
                int glowRadius);

bool savePicture(const Picture& picture, const std::string& path, std::string* error);

}  // namespace gen
