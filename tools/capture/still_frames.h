#pragma once
// --at: PNG frames at chosen demo times, DIR/frame-MMMMMM.png with the time
// in whole milliseconds. Every frame before a time is drawn at the run's
// step; a time between two steps gets a frame of its own at exactly that
// time. Only the wanted frames are read back.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_session.h"

namespace capture {

// "frame-012500.png" for 12500 ms.
std::string stillFileName(std::uint32_t ms);

// Top-down rows from bottom-up ones, alpha forced opaque: the frame's alpha
// (the clear colour's 0.5) means nothing on the screen.
std::vector<std::uint8_t> opaqueTopDown(const std::vector<std::uint8_t>& bottomUpRgba, int width, int height);

class StillFrames : public CaptureMode {
public:
    StillFrames(int fps, std::vector<std::uint32_t> timesMs, std::string folder);

    std::string label() const override { return "stills"; }
    bool begin() override;
    FramePoint next(const FramePoint& drawn) const override { return schedule.next(drawn); }
    bool pastEnd(const FramePoint& point) const override { return point.ms > times.back(); }
    std::uint64_t frameCount() const override { return countTimelineFrames(schedule, times.back()); }
    bool wantsPixels(const FrameInfo& frame) const override;
    bool frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) override;
    bool end(bool complete) override;

private:
    std::vector<std::uint32_t> times;   // sorted, not empty
    std::string folder;
    FrameSchedule schedule;
    std::size_t written = 0;
};

}  // namespace capture
