#include "tools/capture/bench.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "shell/demo.h"

namespace capture {

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::uint32_t msOf(float seconds) { return static_cast<std::uint32_t>(std::lround(double(seconds) * 1000.0)); }

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double percentile95(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with at least 95 % of all at or below it.
    std::size_t rank = (values.size() * 95 + 99) / 100;
    return values[std::max<std::size_t>(rank, 1) - 1];
}

std::vector<BenchStretch> benchStretches(int fps, std::uint32_t stretchMs, std::uint32_t fromMs, std::uint32_t toMs) {
    FrameSchedule grid(fps);
    std::vector<BenchStretch> stretches;
    std::uint32_t segmentStart = 0;
    for (int index = 0; index < demoSegmentCount; ++index) {
        auto segment = static_cast<demoSegment>(index);
        std::uint32_t segmentStop = msOf(segmentEnd(segment));
        // A segment plays from just after its start bound up to its end bound.
        std::uint32_t low = std::max(index == 0 ? 0u : segmentStart + 1u, fromMs);
        std::uint32_t high = std::min(segmentStop, toMs);
        segmentStart = segmentStop;
        if (low > high) continue;
        std::uint32_t length = std::min(stretchMs, high - low);
        BenchStretch stretch;
        stretch.segment = segment;
        stretch.entryMs = low;
        stretch.startMs = low + (high - low - length) / 2;
        // Frames whose times stay within the stretch, at least one.
        stretch.frames = 1;
        while (grid.gridMs(stretch.frames) < length) ++stretch.frames;
        stretches.push_back(stretch);
    }
    return stretches;
}

std::string benchReport(const BenchFigures& figures) {
    std::string text;
    char line[256];
    std::snprintf(line, sizeof line, "gravlet-capture bench: %s, 1024 x 768, %d fps\n", figures.glRenderer.c_str(),
                  figures.fps);
    text += line;
    std::snprintf(line, sizeof line, "load (start-up to the first frame, without the hold): %.0f ms\n",
                  figures.loadMs);
    text += line;
    std::snprintf(line, sizeof line, "%-22s %17s %7s %10s %8s\n", "scene", "stretch (s)", "frames", "median ms",
                  "p95 ms");
    text += line;
    for (const BenchFigures::Scene& scene : figures.scenes) {
        char span[64];
        std::snprintf(span, sizeof span, "%.3f-%.3f", scene.fromMs / 1000.0, scene.toMs / 1000.0);
        std::snprintf(line, sizeof line, "%-22s %17s %7zu %10.1f %8.1f\n", segmentName(scene.segment), span,
                      scene.frameMs.size(), median(scene.frameMs), percentile95(scene.frameMs));
        text += line;
    }
    return text;
}

std::string benchJson(const BenchFigures& figures) {
    std::string json = "{\n";
    char line[512];
    std::snprintf(line, sizeof line, "  \"renderer\": %s,\n  \"width\": 1024,\n  \"height\": 768,\n  \"fps\": %d,\n",
                  jsonString(figures.glRenderer).c_str(), figures.fps);
    json += line;
    std::snprintf(line, sizeof line, "  \"load_ms\": %.1f,\n  \"scenes\": [", figures.loadMs);
    json += line;
    for (std::size_t i = 0; i < figures.scenes.size(); ++i) {
        const BenchFigures::Scene& scene = figures.scenes[i];
        std::snprintf(line, sizeof line,
                      "%s\n    {\"scene\": %s, \"segment\": %d, \"from_s\": %.3f, \"to_s\": %.3f, "
                      "\"frames\": %zu, \"median_ms\": %.2f, \"p95_ms\": %.2f}",
                      i ? "," : "", jsonString(segmentName(scene.segment)).c_str(), static_cast<int>(scene.segment),
                      scene.fromMs / 1000.0, scene.toMs / 1000.0, scene.frameMs.size(), median(scene.frameMs),
                      percentile95(scene.frameMs));
        json += line;
    }
    json += "\n  ]\n}\n";
    return json;
}

Bench::Bench(int fps, std::uint32_t stretchMs, std::uint32_t fromMs, std::uint32_t toMs, std::string json)
    : schedule(fps), stretches(benchStretches(fps, stretchMs, fromMs, toMs)), jsonFile(std::move(json)) {
    results.fps = fps;
    for (const BenchStretch& stretch : stretches) {
        BenchFigures::Scene scene;
        scene.segment = stretch.segment;
        scene.fromMs = stretch.startMs;
        scene.toMs = stretch.startMs + schedule.gridMs(stretch.frames - 1);
        results.scenes.push_back(scene);
    }
}

void Bench::startupTimes(const std::vector<double>& swapSeconds, double doneSeconds) {
    // The last swap of start-up is the one-frame hold.
    double seconds = doneSeconds;
    if (swapSeconds.size() >= 2)
        seconds = swapSeconds[swapSeconds.size() - 2] + (doneSeconds - swapSeconds.back());
    results.loadMs = seconds * 1000.0;
}

bool Bench::begin() {
    const char* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    results.glRenderer = name ? name : "unknown GL";
    lastSwap = steadySeconds();
    return !stretches.empty();
}

int Bench::stretchAt(std::uint32_t ms) const {
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const BenchStretch& s = stretches[i];
        if (ms >= s.startMs && ms <= s.startMs + schedule.gridMs(s.frames - 1)) return int(i);
    }
    return -1;
}

FramePoint Bench::next(const FramePoint& drawn) const {
    int inside = stretchAt(drawn.ms);
    if (inside >= 0) {
        const BenchStretch& s = stretches[std::size_t(inside)];
        std::uint64_t k = schedule.firstGridIndexAtOrAfter(drawn.ms - s.startMs);
        if (k + 1 < s.frames) return FramePoint{0, s.startMs + schedule.gridMs(k + 1)};
    }
    // Otherwise on to the next scene's first frame or stretch.
    std::uint32_t next = UINT32_MAX;
    for (const BenchStretch& s : stretches) {
        if (s.entryMs > drawn.ms) next = std::min(next, s.entryMs);
        if (s.startMs > drawn.ms) next = std::min(next, s.startMs);
    }
    return FramePoint{0, next};
}

bool Bench::pastEnd(const FramePoint& point) const {
    if (stretches.empty()) return true;
    const BenchStretch& last = stretches.back();
    return point.ms > last.startMs + schedule.gridMs(last.frames - 1);
}

std::uint64_t Bench::frameCount() const {
    if (stretches.empty()) return 0;
    std::uint64_t frames = 0;
    FramePoint point;
    while (!pastEnd(point)) {
        ++frames;
        if (timelineOver(demoTimeSeconds(point.ms, 0.0f))) break;
        point = next(point);
    }
    return frames;
}

bool Bench::frame(const FrameInfo& frame, const std::vector<std::uint8_t>*) {
    double now = steadySeconds();
    double frameMs = (now - lastSwap) * 1000.0;
    lastSwap = now;
    if (stretchAt(frame.point.ms) < 0) return true;
    for (BenchFigures::Scene& scene : results.scenes) {
        if (scene.segment == frame.segment) {
            scene.frameMs.push_back(frameMs);
            break;
        }
    }
    return true;
}

bool Bench::end(bool complete) {
    std::fputs(benchReport(results).c_str(), stdout);
    std::fflush(stdout);
    if (!jsonFile.empty()) {
        std::FILE* out = std::fopen(jsonFile.c_str(), "w");
        std::string json = benchJson(results);
        bool ok = out && std::fwrite(json.data(), 1, json.size(), out) == json.size();
        if (out && std::fclose(out) != 0) ok = false;
        if (!ok) {
            std::fprintf(stderr, "gravlet-capture: cannot write %s\n", jsonFile.c_str());
            return false;
        }
    }
    return complete;
}

}  // namespace capture
