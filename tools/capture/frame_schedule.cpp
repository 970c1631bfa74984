#include "tools/capture/frame_schedule.h"

#include <algorithm>

#include "shell/demo.h"
#include "shell/timeline.h"

namespace capture {

FrameSchedule::FrameSchedule(int fps, std::vector<std::uint32_t> exactMs)
    : rate(std::clamp(fps, 1, 1000)), exact(std::move(exactMs)) {
    std::sort(exact.begin(), exact.end());
    exact.erase(std::unique(exact.begin(), exact.end()), exact.end());
}

std::uint32_t FrameSchedule::gridMs(std::uint64_t index) const {
    // 64-bit product: index * 1000 overflows 32 bits after 49 days of frames.
    std::uint64_t ms = index * 1000u / std::uint64_t(rate);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
}

std::uint64_t FrameSchedule::firstGridIndexAtOrAfter(std::uint32_t ms) const {
    // Smallest n with n * 1000 / rate >= ms, i.e. n * 1000 >= ms * rate.
    std::uint64_t product = std::uint64_t(ms) * std::uint64_t(rate);
    return (product + 999u) / 1000u;
}

FramePoint FrameSchedule::next(const FramePoint& current) const {
    FramePoint grid{current.gridIndex + 1, gridMs(current.gridIndex + 1)};
    auto wanted = std::upper_bound(exact.begin(), exact.end(), current.ms);
    if (wanted != exact.end() && *wanted < grid.ms) return FramePoint{current.gridIndex, *wanted};
    return grid;
}

std::uint64_t countTimelineFrames(const FrameSchedule& schedule, std::uint32_t lastMs) {
    std::uint64_t frames = 0;
    FramePoint point;
    while (point.ms <= lastMs) {
        ++frames;
        if (timelineOver(demoTimeSeconds(point.ms, 0.0f))) break;
        point = schedule.next(point);
    }
    return frames;
}

FrameClock::FrameClock(std::uint32_t start) : clock(start), anchor(start) {}

void FrameClock::restart() { anchor = clock.now(); }

void FrameClock::setTo(std::uint32_t ms) { clock.set(anchor + ms); }

void FrameClock::pause(std::uint32_t ms) {
    anchor += ms;
    clock.advance(ms);
}

}  // namespace capture
