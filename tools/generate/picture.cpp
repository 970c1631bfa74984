#include "tools/generate/picture.h"

#include <algorithm>
#include <cmath>

#include "platform/lettering.h"
#include "tools/generate/tga_writer.h"

namespace gen {

Picture::Picture(int width, int height, Color fill)
    : w(width), h(height), rgb(static_cast<std::size_t>(width) * height * 3) {
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = fill.r;
        rgb[i + 1] = fill.g;
        rgb[i + 2] = fill.b;
    }
}

Color Picture::get(int x, int y) const {
    const float* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
    return {p[0], p[1], p[2]};
}

void Picture::set(int x, int y, Color c) {
    float* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void Picture::add(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    float* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
    p[0] += c.r;
    p[1] += c.g;
    p[2] += c.b;
}

void Picture::addGlow(double cx, double cy, double radius, Color color, double power) {
    if (radius <= 0) return;
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - radius)));
    const int x1 = std::min(w - 1, static_cast<int>(std::ceil(cx + radius)));
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - radius)));
    const int y1 = std::min(h - 1, static_cast<int>(std::ceil(cy + radius)));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / radius;
            if (d >= 1) continue;
            add(x, y, color * static_cast<float>(std::pow(1 - d, power)));
        }
    }
}

void Picture::addMask(const Mask& mask, int x, int y, Color color) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            const float m = mask.at(mx, my);
            if (m > 0) add(x + mx, y + my, color * m);
        }
}

void Picture::paintMask(const Mask& mask, int x, int y, Color color) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            const int px = x + mx, py = y + my;
            const float m = std::min(1.0f, mask.at(mx, my));
            if (m <= 0 || px < 0 || py < 0 || px >= w || py >= h) continue;
            set(px, py, mix(get(px, py), color, m));
        }
}

Picture Picture::resized(int width, int height) const {
    Picture out(width, height);
    const double sx = static_cast<double>(w) / width, sy = static_cast<double>(h) / height;
    for (int y = 0; y < height; ++y) {
        const double ya = y * sy, yb = (y + 1) * sy;
        for (int x = 0; x < width; ++x) {
            const double xa = x * sx, xb = (x + 1) * sx;
            double r = 0, g = 0, b = 0, area = 0;
            for (int iy = static_cast<int>(ya); iy < h && iy < yb; ++iy) {
                const double wy = std::min<double>(iy + 1, yb) - std::max<double>(iy, ya);
                if (wy <= 0) continue;
                for (int ix = static_cast<int>(xa); ix < w && ix < xb; ++ix) {
                    const double wx = std::min<double>(ix + 1, xb) - std::max<double>(ix, xa);
                    if (wx <= 0) continue;
                    const Color c = get(ix, iy);
                    r += c.r * wx * wy;
                    g += c.g * wx * wy;
                    b += c.b * wx * wy;
                    area += wx * wy;
                }
            }
            if (area > 0) out.set(x, y, {float(r / area), float(g / area), float(b / area)});
        }
    }
    return out;
}

void Picture::mirrorX() {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x) {
            const Color a = get(x, y);
            set(x, y, get(w - 1 - x, y));
            set(w - 1 - x, y, a);
        }
}

void Picture::rotate180() {
    std::vector<float> turned(rgb.size());
    const std::size_t pixels = rgb.size() / 3;
    for (std::size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) turned[i * 3 + c] = rgb[(pixels - 1 - i) * 3 + c];
    rgb.swap(turned);
}

std::vector<std::uint8_t> Picture::toRgb8() const {
    std::vector<std::uint8_t> out(rgb.size());
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        const float v = std::min(1.0f, std::max(0.0f, rgb[i]));
        out[i] = static_cast<std::uint8_t>(std::lround(v * 255.0f));
    }
    return out;
}

Mask letteringMask(const std::string& text, const char* face, int weight, int heightPixels, double stretch,
                   int tracking) {
    // Render large, then area-resample to the wanted size: even strokes at any
    // stretch.
    const int oversample = heightPixels < 64 ? 4 : heightPixels < 200 ? 2 : 1;
    platform::Lettering lettering;
    const int pixelSize = std::max(1, std::min(1000, heightPixels * oversample * 3 / 4));
    if (!platform::renderLettering(face, weight, pixelSize, text, tracking * oversample, lettering)) return Mask();
    const int outW = std::max(1, static_cast<int>(std::lround(lettering.width * stretch / oversample)));
    const int outH = std::max(1, static_cast<int>(std::lround(lettering.height / double(oversample))));
    Mask mask(outW, outH);
    const double sx = static_cast<double>(lettering.width) / outW, sy = static_cast<double>(lettering.height) / outH;
    for (int y = 0; y < outH; ++y)
        for (int x = 0; x < outW; ++x) {
            double sum = 0;
            int count = 0;
            for (int iy = static_cast<int>(y * sy); iy < static_cast<int>((y + 1) * sy) && iy < lettering.height; ++iy)
                for (int ix = static_cast<int>(x * sx); ix < static_cast<int>((x + 1) * sx) && ix < lettering.width; ++ix) {
                    sum += lettering.coverage[static_cast<std::size_t>(iy) * lettering.width + ix];
                    ++count;
                }
            if (count == 0) {
                const int ix = std::min(lettering.width - 1, static_cast<int>(x * sx));
                const int iy = std::min(lettering.height - 1, static_cast<int>(y * sy));
                sum = lettering.coverage[static_cast<std::size_t>(iy) * lettering.width + ix];
                count = 1;
            }
            mask.at(x, y) = static_cast<float>(sum / count / 255.0);
        }
    return mask;
}

namespace {

void boxPass(std::vector<float>& data, int width, int height, int radius, bool horizontal) {
    std::vector<float> line;
    const int length = horizontal ? width : height, lines = horizontal ? height : width;
    line.resize(length);
    for (int l = 0; l < lines; ++l) {
        auto index = [&](int i) { return horizontal ? static_cast<std::size_t>(l) * width + i : static_cast<std::size_t>(i) * width + l; };
        double sum = 0;
        for (int i = -radius; i <= radius; ++i)
            if (i >= 0 && i < length) sum += data[index(i)];
        for (int i = 0; i < length; ++i) {
            line[i] = static_cast<float>(sum / (2 * radius + 1));
            const int out = i - radius, in = i + radius + 1;
            if (out >= 0) sum -= data[index(out)];
            if (in < length) sum += data[index(in)];
        }
        for (int i = 0; i < length; ++i) data[index(i)] = line[i];
    }
}

}  // namespace

Mask blurred(const Mask& mask, int radius) {
    Mask out = mask;
    if (radius < 1) return out;
    const int step = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(out.value, out.width, out.height, step, true);
        boxPass(out.value, out.width, out.height, step, false);
    }
    return out;
}

Mask padded(const Mask& mask, int border) {
    Mask out(mask.width + 2 * border, mask.height + 2 * border);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) out.at(x + border, y + border) = mask.at(x, y);
    return out;
}

void paintTitle(Picture& picture, const Mask& letters, double cx, double cy, Color color, Color glow,
                int glowRadius) {
    if (letters.width == 0) return;
    const int border = glowRadius * 2;
    const Mask roomy = padded(letters, border);
    const int x = static_cast<int>(std::lround(cx - roomy.width / 2.0));
    const int y = static_cast<int>(std::lround(cy - roomy.height / 2.0));
    if (glowRadius > 0) picture.addMask(blurred(roomy, glowRadius), x, y, glow);
    picture.addMask(roomy, x, y, color);
}

bool savePicture(const Picture& picture, const std::string& path, std::string* error) {
    const std::vector<std::uint8_t> pixels = picture.toRgb8();
    return writeTga(path, picture.width(), picture.height(), pixels.data(), error);
}

}  // namespace gen
