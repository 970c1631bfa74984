#pragma once
// --sheet: a contact sheet of the timeline. A grid of thumbnails (a quarter
// of the frame each way), one every `every` ms of demo time within the
// span, each labelled below with its time (m:ss) and the segment that drew
// it; a title line on top. Thumbnail times are drawn exactly, as --at does.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/glyphs.h"
#include "tools/capture/capture_session.h"

namespace capture {

// Top-down RGBA, alpha 255.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    Picture() = default;
    Picture(int w, int h, std::uint8_t grey);
};

// A bottom-up RGBA frame shrunk by `factor` each way (box average), top row first.
Picture shrinkFrame(const std::vector<std::uint8_t>& bottomUpRgba, int width, int height, int factor);

// Copies `source` into `target` with its top-left corner at (x, y), clipped.
void blit(const Picture& source, Picture& target, int x, int y);

// Draws `text` (ANSI codes) in `font` with the pen starting at (x, baseline),
// rows counted from the top; clipped. Returns the pen's x at the end.
int drawText(Picture& target, const platform::GlyphFont& font, int x, int baseline, const std::string& text,
             const std::uint8_t colour[3]);

// "2:05" for 125000 ms, "0:40.5" for 40500, "1:02.25" for 62250.
std::string clockTime(std::uint32_t ms);

// The grid: thumbnails in rows of `columns`, a label band under each.
struct SheetLayout {
    int columns = 6;
    int thumbWidth = 256;
    int thumbHeight = 192;
    int gap = 8;
    int labelHeight = 24;
    int titleHeight = 32;

    int width() const { return columns * thumbWidth + (columns + 1) * gap; }
    int height(int thumbnails) const;
    // Top-left corner of thumbnail `index`.
    int cellX(int index) const { return gap + (index % columns) * (thumbWidth + gap); }
    int cellY(int index) const { return titleHeight + (index / columns) * (thumbHeight + labelHeight + gap); }
};

// The thumbnail times: from, from + every, ... up to and including to.
std::vector<std::uint32_t> sheetTimes(std::uint32_t fromMs, std::uint32_t toMs, std::uint32_t everyMs);

class ContactSheet : public CaptureMode {
public:
    ContactSheet(int fps, std::uint32_t fromMs, std::uint32_t toMs, std::uint32_t everyMs, std::string file);

    std::string label() const override { return "sheet"; }
    bool begin() override;
    FramePoint next(const FramePoint& drawn) const override { return schedule.next(drawn); }
    bool pastEnd(const FramePoint& point) const override { return point.ms > times.back(); }
    std::uint64_t frameCount() const override { return countTimelineFrames(schedule, times.back()); }
    bool wantsPixels(const FrameInfo& frame) const override;
    bool frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) override;
    bool end(bool complete) override;

private:
    int fps;
    std::uint32_t everyMs;
    std::vector<std::uint32_t> times;   // sorted, not empty
    std::string file;
    FrameSchedule schedule;
    SheetLayout layout;
    Picture sheet;
    platform::GlyphFont font;
    int placed = 0;
};

}  // namespace capture
