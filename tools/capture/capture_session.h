#pragma once
// capture::runCapture: the demo's own start-up and frame loop (the shell's
// functions, not a copy) on a CaptureWindow and a virtual clock.
//
// Start-up (loading bars and the two-second hold) runs one frame period per
// swap. At the timeline's time zero the clock is anchored and from then on
// every swap hands the finished frame to a CaptureMode, which says when the
// next frame is drawn and when the run has what it needs. The loop also
// ends where the demo ends (the first frame past the timeline's end).
//
// The music is not played (dummy audio driver); message boxes go to
// standard error only. Data is read from the current folder's data/.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/timeline.h"
#include "tools/capture/frame_schedule.h"

namespace capture {

struct FrameInfo {
    std::uint64_t number = 0;   // timeline frames drawn before this one
    FramePoint point;           // its time on the virtual clock since time zero
    float t = 0.0f;             // demo time in seconds, as the frame loop computed it
    demoSegment segment = demoSegment::forestOpening;   // the segment that drew it
};

class CaptureMode {
public:
    virtual ~CaptureMode() = default;
    // Shown on the progress line ("frames", "video", ...).
    virtual std::string label() const = 0;
    // Clock step during start-up, ms; 0: one frame period.
    virtual std::uint32_t startupStepMs() const { return 0; }
    // After start-up, before the first timeline frame. False: give up.
    virtual bool begin() { return true; }
    // The frame after `drawn`, and whether the run stops before it.
    virtual FramePoint next(const FramePoint& drawn) const = 0;
    virtual bool pastEnd(const FramePoint& point) const = 0;
    // Timeline frames the run will draw, for the progress line.
    virtual std::uint64_t frameCount() const = 0;
    virtual bool wantsPixels(const FrameInfo& frame) const = 0;
    // bottomUpRgba: width * height * 4 bytes, bottom row first, or null when
    // not wanted. False: a failure was reported; the run stops.
    virtual bool frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) = 0;
    // After the loop; `complete` is false when the run stopped on a failure.
    // False: a failure was reported.
    virtual bool end(bool complete) = 0;
    // Start-up timing, for the benchmark: the wall times (seconds since the
    // run began) at which each start-up swap finished, and when start-up
    // returned.
    virtual void startupTimes(const std::vector<double>& swapSeconds, double doneSeconds) {
        (void)swapSeconds;
        (void)doneSeconds;
    }
};

constexpr int frameWidth = 1024;
constexpr int frameHeight = 768;

// Runs the demo through `mode` at `fps`. Returns the exit code: 0, or 1 when
// the context could not be made, the mode failed, or the data produced error
// messages. A scene that fails to initialise ends the process from inside
// the start-up with the demo's message and exit code 1.
int runCapture(CaptureMode& mode, int fps);

// A short name of a timeline segment, for labels and reports.
const char* segmentName(demoSegment segment);

}  // namespace capture
