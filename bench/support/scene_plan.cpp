#include "bench/support/scene_plan.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "bench/support/bench_support.h"
#include "render/renderer.h"
#include "resources/texture_library.h"
#include "shell/startup.h"
#include "shell/timeline.h"

namespace bench {

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr std::uint32_t frameStepMs = 33;

std::uint32_t boundMs(int segment) {
    return static_cast<std::uint32_t>(std::lround(double(segmentEnd(static_cast<demoSegment>(segment))) * 1000.0));
}

}  // namespace

const char* segmentLabel(int segment) { return capture::segmentName(static_cast<demoSegment>(segment)); }

std::vector<PlanFrame> scenePlan(int warmFrames, int measuredFrames) {
    std::vector<PlanFrame> plan;
    std::uint32_t start = 0;
    for (int segment = 0; segment < demoSegmentCount; ++segment) {
        const std::uint32_t stop = boundMs(segment);
        // The first frame past the start bound (time 0 for the opening).
        plan.push_back(PlanFrame{segment, segment == 0 ? 0u : start + 1u, false});
        const std::uint32_t span = std::uint32_t(warmFrames + measuredFrames) * frameStepMs;
        const std::uint32_t middle = start + (stop - start) / 2 - std::min(span / 2, (stop - start) / 2);
        for (int k = 0; k < warmFrames + measuredFrames; ++k) {
            const std::uint32_t ms = std::min(middle + std::uint32_t(k) * frameStepMs, stop);
            if (ms <= plan.back().ms) continue;
            plan.push_back(PlanFrame{segment, ms, k >= warmFrames, k == warmFrames - 1});
        }
        start = stop;
    }
    return plan;
}

PlanMode::PlanMode(std::vector<PlanFrame> frames, bool samples, int replayCount)
    : plan(std::move(frames)), countSamples(samples), replays(replayCount) {}

void PlanMode::startupTimes(const std::vector<double>& swapSeconds, double doneSeconds) {
    runStart = steadySeconds() - doneSeconds;
    double seconds = doneSeconds;
    if (swapSeconds.size() >= 2) {
        holdSeconds = swapSeconds.back() - swapSeconds[swapSeconds.size() - 2];
        seconds = doneSeconds - holdSeconds;
    }
    startupMs = seconds * 1000.0;
}

bool PlanMode::begin() {
    if (onBegin && !onBegin()) return false;
    if (countSamples) glGenQueries(1, &query);
    if (replays > 0) list = glGenLists(1);
    lastSwap = steadySeconds();
    openQuery();
    return !plan.empty();
}

std::size_t PlanMode::indexOf(std::uint32_t ms) const {
    for (std::size_t i = 0; i < plan.size(); ++i)
        if (plan[i].ms == ms) return i;
    return plan.size();
}

capture::FramePoint PlanMode::next(const capture::FramePoint& drawn) const {
    const std::size_t at = indexOf(drawn.ms);
    if (at + 1 < plan.size()) return capture::FramePoint{0, plan[at + 1].ms};
    return capture::FramePoint{0, drawn.ms + 1000000u};
}

bool PlanMode::pastEnd(const capture::FramePoint& point) const {
    return plan.empty() || point.ms > plan.back().ms;
}

void PlanMode::openQuery() {
    if (!countSamples || query == 0) return;
    glBeginQuery(GL_SAMPLES_PASSED, query);
    queryOpen = true;
}

double PlanMode::closeQuery() {
    if (!queryOpen) return 0.0;
    glEndQuery(GL_SAMPLES_PASSED);
    queryOpen = false;
    GLuint64 samples = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &samples);
    return double(samples);
}

double PlanMode::replayList() const {
    glFinish();
    return medianMs(replays, [this] {
        glCallList(list);
        glFinish();
    });
}

bool PlanMode::frame(const capture::FrameInfo& info, const std::vector<std::uint8_t>*) {
    const double now = steadySeconds();
    const double frameMs = (now - lastSwap) * 1000.0;
    // The list ends inside the query, which began before it.
    const bool replay = recording;
    if (recording) glEndList();
    recording = false;
    const double samples = closeQuery();
    if (info.number == 0) firstFrameMs = (now - runStart - holdSeconds) * 1000.0;

    const std::size_t at = indexOf(info.point.ms);
    if (at < plan.size() && plan[at].measured) {
        if (afterMeasured) afterMeasured(plan[at]);
        frames.push_back(MeasuredFrame{plan[at].segment, frameMs, samples});
    }
    if (at + 1 < plan.size() && plan[at + 1].measured && beforeMeasured) beforeMeasured(plan[at + 1]);
    if (replay && at < plan.size()) replayed.push_back(ReplayedFrame{plan[at].segment, replayList()});
    // None is left open after the last frame: llvmpipe frees an open query
    // with its context and then still counts into it while flushing.
    if (at + 1 < plan.size()) openQuery();
    if (at + 1 < plan.size() && plan[at + 1].recorded && list != 0) {
        glNewList(list, GL_COMPILE_AND_EXECUTE);
        recording = true;
    }
    lastSwap = steadySeconds();
    return true;
}

double fullScreenQuadMs(int rounds, int perRound, double* samplesPerQuad) {
    Qu::TextureKey* key = textureLibrary ? textureLibrary->find("load") : nullptr;
    if (!renderer || !key) return 0.0;
    GLuint query = 0;
    glGenQueries(1, &query);
    std::vector<double> times;
    double samples = 0.0;
    glFinish();
    for (int round = 0; round < rounds; ++round) {
        const double start = steadySeconds();
        glBeginQuery(GL_SAMPLES_PASSED, query);
        for (int i = 0; i < perRound; ++i) {
            glClear(GL_DEPTH_BUFFER_BIT);
            renderer->drawQuad(key->texture(), -1165.0f, -880.0f, 1165.0f, 880.0f, 1.0f);
        }
        glEndQuery(GL_SAMPLES_PASSED);
        glFinish();
        times.push_back((steadySeconds() - start) * 1000.0 / perRound);
        GLuint64 written = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &written);
        samples = double(written) / perRound;
    }
    glDeleteQueries(1, &query);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (samplesPerQuad) *samplesPerQuad = samples;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace bench
