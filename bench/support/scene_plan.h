#pragma once
// bench::PlanMode: the demo's own start-up and frame loop (through the
// capture tool's session) drawing only the frames a benchmark asks for.
//
// Every scene re-bases its time on the first frame it draws, so the plan
// draws each segment's first frame just after its start bound, then jumps
// to the middle of the segment for `warmFrames` unmeasured frames (shader
// compilation, caches) and `measuredFrames` measured ones, 1/30 s apart.
//
// A frame's time is the wall time from the end of the previous swap
// (glFinish) to the end of its own. With `countSamples`, each frame is
// wrapped in a GL_SAMPLES_PASSED query: the fragments it wrote, the measure
// of its fill work.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/capture/capture_session.h"

namespace bench {

struct PlanFrame {
    int segment = 0;          // timeline segment index
    std::uint32_t ms = 0;     // demo time on the virtual clock
    bool measured = false;
    bool recorded = false;    // its GL commands are kept for a replay (with recordFrames)
};

struct MeasuredFrame {
    int segment = 0;
    double frameMs = 0.0;
    double samples = 0.0;     // fragments written (0 without countSamples)
};

// Entry, warm-up and measured frames of every segment, in time order; the
// last warm-up frame of each segment is the one recorded for a replay.
std::vector<PlanFrame> scenePlan(int warmFrames, int measuredFrames);

// A recorded frame replayed alone: the GL work of exactly that frame with
// none of the demo's CPU work or immediate-mode submission around it.
struct ReplayedFrame {
    int segment = 0;
    double replayMs = 0.0;    // median of the replays, each ended by glFinish
};

class PlanMode : public capture::CaptureMode {
public:
    // With `recordFrames`, each frame marked `recorded` is compiled into a
    // display list as it is drawn (GL_COMPILE_AND_EXECUTE, so it still draws)
    // and replayed `replays` times after its swap, outside every frame time.
    PlanMode(std::vector<PlanFrame> plan, bool countSamples, int replays = 0);

    std::string label() const override { return "bench"; }
    std::uint32_t startupStepMs() const override { return 2000; }   // the hold is one frame
    void startupTimes(const std::vector<double>& swapSeconds, double doneSeconds) override;
    bool begin() override;
    capture::FramePoint next(const capture::FramePoint& drawn) const override;
    bool pastEnd(const capture::FramePoint& point) const override;
    std::uint64_t frameCount() const override { return plan.size(); }
    bool wantsPixels(const capture::FrameInfo&) const override { return false; }
    bool frame(const capture::FrameInfo& frame, const std::vector<std::uint8_t>*) override;
    bool end(bool complete) override { return complete; }

    // Called after start-up with the GL context current and the renderer
    // and textures loaded (for calibration draws); false gives up.
    std::function<bool()> onBegin;
    // Around measured frames (callgrind instrumentation).
    std::function<void(const PlanFrame&)> beforeMeasured;
    std::function<void(const PlanFrame&)> afterMeasured;

    // Start-up without the hold, ms (as gravlet-capture --bench counts it).
    double startupMs = 0.0;
    // From the start of the run to the end of the first timeline frame, less
    // the hold frame, ms.
    double firstFrameMs = 0.0;
    std::vector<MeasuredFrame> frames;
    std::vector<ReplayedFrame> replayed;

private:
    std::vector<PlanFrame> plan;
    bool countSamples;
    int replays;
    unsigned query = 0;
    unsigned list = 0;
    bool recording = false;
    bool queryOpen = false;
    double lastSwap = 0.0;      // steady seconds
    double holdSeconds = 0.0;   // the one hold frame
    double runStart = 0.0;

    std::size_t indexOf(std::uint32_t ms) const;
    void openQuery();
    double closeQuery();
    double replayList() const;
};

// Full-screen-equivalent fills: fragments over 1024 x 768.
constexpr double screenSamples = 1024.0 * 768.0;

// Time of one full-screen blended textured quad (the loading picture drawn
// as the start-up draws it), ms: the median over `rounds` of `perRound`
// quads finished with glFinish. Also gives the fragments one quad writes.
// Needs the shell's renderer and texture library.
double fullScreenQuadMs(int rounds, int perRound, double* samplesPerQuad);

// Segment names as gravlet-capture prints them.
const char* segmentLabel(int segment);

}  // namespace bench
