#pragma once
// Frame times on the virtual clock.
//
// A run draws frames on a grid of `fps` frames a second: grid frame n is
// drawn at floor(n * 1000 / fps) milliseconds of demo time, so N frames
// take exactly N periods (1000 ms after fps frames, never drifting with the
// rounding of one period to whole milliseconds). A time wanted exactly that
// falls between two grid frames gets one extra frame of its own; the grid
// goes on unchanged after it.
//
// FrameClock puts those times on the engine's tick counter: it installs a
// platform::VirtualClock and sets it, relative to an anchor, to the time of
// the next frame at every buffer swap.
#include <cstdint>
#include <vector>

#include "platform/ticks.h"

namespace capture {

struct FramePoint {
    std::uint64_t gridIndex = 0;   // grid frames since the anchor
    std::uint32_t ms = 0;          // since the anchor; >= the grid frame's own time
    bool operator==(const FramePoint& other) const {
        return gridIndex == other.gridIndex && ms == other.ms;
    }
};

class FrameSchedule {
public:
    // fps: 1..1000. exactMs: times (ms since the anchor) to be drawn exactly;
    // any order, duplicates allowed.
    explicit FrameSchedule(int fps, std::vector<std::uint32_t> exactMs = {});

    int fps() const { return rate; }
    std::uint32_t gridMs(std::uint64_t index) const;
    // The first grid frame drawn at or after `ms`.
    std::uint64_t firstGridIndexAtOrAfter(std::uint32_t ms) const;
    // The frame after `current`: the next grid frame, or a wanted time
    // before it.
    FramePoint next(const FramePoint& current) const;

private:
    int rate;
    std::vector<std::uint32_t> exact;   // sorted, unique
};

// Frames the timeline shows from time zero until the last frame at or
// before `lastMs`, or until the frame that passes the timeline's end (that
// one is still drawn, as the demo draws it), whichever comes first.
std::uint64_t countTimelineFrames(const FrameSchedule& schedule, std::uint32_t lastMs);

class FrameClock {
public:
    // Installs the virtual clock at `start` ticks; the anchor is there too.
    explicit FrameClock(std::uint32_t start = 0);
    // Makes the current reading the anchor (time zero of setTo).
    void restart();
    // The clock reads anchor + ms.
    void setTo(std::uint32_t ms);
    // Lets ms pass and moves the anchor with them, so times given to setTo
    // afterwards lie that much later.
    void pause(std::uint32_t ms);
    std::uint32_t sinceAnchor() const { return clock.now() - anchor; }

private:
    platform::VirtualClock clock;
    std::uint32_t anchor;
};

}  // namespace capture
