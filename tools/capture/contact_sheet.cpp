#include "tools/capture/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/offscreen_gl.h"

namespace capture {

namespace {

constexpr std::uint8_t sheetGrey = 24;
constexpr std::uint8_t labelGrey = 48;
constexpr std::uint8_t textColour[3] = {235, 235, 235};
constexpr std::uint8_t titleColour[3] = {255, 200, 90};
constexpr int labelFontHeight = 16;

void fillRect(Picture& target, int x0, int y0, int width, int height, std::uint8_t grey) {
    for (int y = std::max(0, y0); y < std::min(target.height, y0 + height); ++y) {
        for (int x = std::max(0, x0); x < std::min(target.width, x0 + width); ++x) {
            std::uint8_t* p = &target.rgba[(std::size_t(y) * target.width + x) * 4];
            p[0] = p[1] = p[2] = grey;
            p[3] = 255;
        }
    }
}

// "5" for 5000 ms, "2.5" for 2500.
std::string secondsText(std::uint32_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", ms / 1000u, ms % 1000u);
    std::string trimmed = text;
    while (trimmed.back() == '0') trimmed.pop_back();
    if (trimmed.back() == '.') trimmed.pop_back();
    return trimmed;
}

}  // namespace

Picture::Picture(int w, int h, std::uint8_t grey) : width(w), height(h), rgba(std::size_t(w) * h * 4, grey) {
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
}

Picture shrinkFrame(const std::vector<std::uint8_t>& bottomUpRgba, int width, int height, int factor) {
    Picture out;
    if (factor < 1 || width < factor || height < factor || bottomUpRgba.size() != std::size_t(width) * height * 4)
        return out;
    out = Picture(width / factor, height / factor, 0);
    const unsigned area = unsigned(factor) * unsigned(factor);
    for (int ty = 0; ty < out.height; ++ty) {
        for (int tx = 0; tx < out.width; ++tx) {
            unsigned sum[3] = {0, 0, 0};
            for (int dy = 0; dy < factor; ++dy) {
                // Output row ty (from the top) is made of source rows counted from the bottom.
                int sourceRow = height - 1 - (ty * factor + dy);
                const std::uint8_t* p = &bottomUpRgba[(std::size_t(sourceRow) * width + tx * factor) * 4];
                for (int dx = 0; dx < factor; ++dx, p += 4) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            std::uint8_t* q = &out.rgba[(std::size_t(ty) * out.width + tx) * 4];
            for (int c = 0; c < 3; ++c) q[c] = std::uint8_t((sum[c] + area / 2) / area);
            q[3] = 255;
        }
    }
    return out;
}

void blit(const Picture& source, Picture& target, int x, int y) {
    for (int row = 0; row < source.height; ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= target.height) continue;
        for (int column = 0; column < source.width; ++column) {
            int tx = x + column;
            if (tx < 0 || tx >= target.width) continue;
            const std::uint8_t* s = &source.rgba[(std::size_t(row) * source.width + column) * 4];
            std::uint8_t* t = &target.rgba[(std::size_t(ty) * target.width + tx) * 4];
            std::copy(s, s + 4, t);
        }
    }
}

int drawText(Picture& target, const platform::GlyphFont& font, int x, int baseline, const std::string& text,
             const std::uint8_t colour[3]) {
    float pen = float(x);
    for (unsigned char code : text) {
        if (code > 254) continue;
        const platform::GlyphBitmap& glyph = font.glyphs[code];
        const int stride = (glyph.width + 7) / 8;
        const int left = int(std::lround(pen - glyph.xorig));
        if (glyph.bits.size() >= std::size_t(stride) * std::size_t(glyph.height)) {
            for (int r = 0; r < glyph.height; ++r) {
                // Glyph rows run bottom-up from yorig below the pen.
                int ty = baseline - 1 + int(std::lround(glyph.yorig)) - r;
                if (ty < 0 || ty >= target.height) continue;
                for (int column = 0; column < glyph.width; ++column) {
                    if (!(glyph.bits[std::size_t(r) * stride + column / 8] & (0x80 >> (column % 8)))) continue;
                    int tx = left + column;
                    if (tx < 0 || tx >= target.width) continue;
                    std::uint8_t* p = &target.rgba[(std::size_t(ty) * target.width + tx) * 4];
                    p[0] = colour[0];
                    p[1] = colour[1];
                    p[2] = colour[2];
                }
            }
        }
        pen += glyph.advance;
    }
    return int(std::lround(pen));
}

std::string clockTime(std::uint32_t ms) {
    unsigned seconds = ms / 1000u;
    unsigned fraction = ms % 1000u;
    char text[32];
    if (fraction == 0) {
        std::snprintf(text, sizeof text, "%u:%02u", seconds / 60u, seconds % 60u);
    } else {
        std::snprintf(text, sizeof text, "%u:%02u.%03u", seconds / 60u, seconds % 60u, fraction);
        std::string trimmed = text;
        while (trimmed.back() == '0') trimmed.pop_back();
        return trimmed;
    }
    return text;
}

int SheetLayout::height(int thumbnails) const {
    int rows = std::max(1, (thumbnails + columns - 1) / columns);
    return titleHeight + rows * (thumbHeight + labelHeight + gap);
}

std::vector<std::uint32_t> sheetTimes(std::uint32_t fromMs, std::uint32_t toMs, std::uint32_t everyMs) {
    std::vector<std::uint32_t> times;
    if (everyMs == 0) return times;
    for (std::uint64_t ms = fromMs; ms <= toMs; ms += everyMs) times.push_back(std::uint32_t(ms));
    return times;
}

ContactSheet::ContactSheet(int framesPerSecond, std::uint32_t fromMs, std::uint32_t toMs, std::uint32_t every,
                           std::string path)
    : fps(framesPerSecond), everyMs(every), times(sheetTimes(fromMs, toMs, every)), file(std::move(path)),
      schedule(framesPerSecond, times) {
    if (times.empty()) times.push_back(fromMs);
}

bool ContactSheet::begin() {
    // Without a face the labels are missing, not the pictures.
    if (!platform::rasterizeFont("Arial", labelFontHeight, 0, 700, font))
        std::fprintf(stderr, "gravlet-capture: no font for the sheet's labels\n");
    sheet = Picture(layout.width(), layout.height(int(times.size())), sheetGrey);
    char title[160];
    std::snprintf(title, sizeof title, "gravlet   %s to %s, every %s s, %d fps", clockTime(times.front()).c_str(),
                  clockTime(times.back()).c_str(), secondsText(everyMs).c_str(), fps);
    drawText(sheet, font, layout.gap, layout.titleHeight - 10, title, titleColour);
    return true;
}

bool ContactSheet::wantsPixels(const FrameInfo& frame) const {
    return std::binary_search(times.begin(), times.end(), frame.point.ms);
}

bool ContactSheet::frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) {
    if (!bottomUpRgba) return true;
    int factor = frameWidth / layout.thumbWidth;
    Picture thumb = shrinkFrame(*bottomUpRgba, frameWidth, frameHeight, factor);
    int x = layout.cellX(placed);
    int y = layout.cellY(placed);
    blit(thumb, sheet, x, y);
    fillRect(sheet, x, y + layout.thumbHeight, layout.thumbWidth, layout.labelHeight, labelGrey);
    std::string text = clockTime(frame.point.ms) + "   " + segmentName(frame.segment);
    drawText(sheet, font, x + 6, y + layout.thumbHeight + layout.labelHeight - 6, text, textColour);
    ++placed;
    return true;
}

bool ContactSheet::end(bool complete) {
    if (placed == 0) {
        std::fprintf(stderr, "gravlet-capture: no frame was drawn for the sheet\n");
        return false;
    }
    if (!platform::writeRgbaPng(file, sheet.width, sheet.height, sheet.rgba)) {
        std::fprintf(stderr, "gravlet-capture: cannot write %s\n", file.c_str());
        return false;
    }
    return complete;
}

}  // namespace capture
