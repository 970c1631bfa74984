#pragma once
// --bench: how long start-up takes and how long frames take, on this
// machine's GL.
//
// Load time is the wall time from the start of the run to the first
// timeline frame, without the two-second hold: start-up runs with a 2 s
// clock step, so the hold is one frame, and that frame's time is taken off.
//
// Frame times are measured per timeline segment over a stretch (default
// 1.5 s at the run's fps) in the middle of the segment. Between stretches
// only one frame is drawn, right at the start of each segment, so that
// every scene still sees its first frame there (scenes count their time
// from it) and the run stays short. A frame's time is the wall
// time from the end of the previous swap to the end of its own (glFinish).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_session.h"

namespace capture {

// Median (mean of the middle two for an even count) and nearest-rank 95th
// percentile, of values in any order; 0 for none.
double median(std::vector<double> values);
double percentile95(std::vector<double> values);

// A stretch of one segment: frames at startMs + gridMs(k), k < frames,
// after a first frame of the segment at entryMs.
struct BenchStretch {
    demoSegment segment = demoSegment::forestOpening;
    std::uint32_t entryMs = 0;
    std::uint32_t startMs = 0;
    std::uint32_t frames = 0;
};

// One stretch per segment, centred in it and inside it.
std::vector<BenchStretch> benchStretches(int fps, std::uint32_t stretchMs, std::uint32_t fromMs, std::uint32_t toMs);

struct BenchFigures {
    std::string glRenderer;
    int fps = 30;
    double loadMs = 0.0;
    struct Scene {
        demoSegment segment = demoSegment::forestOpening;
        std::uint32_t fromMs = 0;
        std::uint32_t toMs = 0;
        std::vector<double> frameMs;
    };
    std::vector<Scene> scenes;
};

std::string benchReport(const BenchFigures& figures);
std::string benchJson(const BenchFigures& figures);

class Bench : public CaptureMode {
public:
    Bench(int fps, std::uint32_t stretchMs, std::uint32_t fromMs, std::uint32_t toMs, std::string jsonFile);

    std::string label() const override { return "bench"; }
    std::uint32_t startupStepMs() const override { return 2000; }
    void startupTimes(const std::vector<double>& swapSeconds, double doneSeconds) override;
    bool begin() override;
    FramePoint next(const FramePoint& drawn) const override;
    bool pastEnd(const FramePoint& point) const override;
    std::uint64_t frameCount() const override;
    bool wantsPixels(const FrameInfo&) const override { return false; }
    bool frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) override;
    bool end(bool complete) override;

    const BenchFigures& figures() const { return results; }

private:
    FrameSchedule schedule;
    std::vector<BenchStretch> stretches;
    std::string jsonFile;
    BenchFigures results;
    double lastSwap = 0.0;   // seconds, steady clock
    // Index of the stretch holding `ms`, or -1.
    int stretchAt(std::uint32_t ms) const;
};

}  // namespace capture
