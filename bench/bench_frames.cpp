// Frame times per scene against the frame's fill-rate floor.
//
// The demo runs offscreen (1024 x 768, llvmpipe) through its own start-up
// and frame loop. Per scene: the first frame at its start, then 3 warm-up
// and 30 measured frames in its middle. Each measured frame counts the
// fragments it writes (GL_SAMPLES_PASSED); its floor is that many
// full-screen-equivalent fills at the time one full-screen blended,
// textured quad takes alone. A frame within 1.3x of its floor spends little
// beside filling pixels; 20 fps is asked for wherever the floor allows it.
//
// That floor counts fragments written, not the cost of setting up many small
// triangles or of fragments that fail the depth test. So each scene's last
// warm-up frame is also recorded into a display list and replayed alone:
// the same GL work without the demo's CPU work and immediate-mode
// submission. Frame time over replay time is what the demo adds to the
// rasterizer's own work.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "bench/support/scene_plan.h"
#include "shell/timeline.h"

int main(int argc, char** argv) {
    const int measured = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::string root = bench::dataRoot();
    if (root.empty() || chdir(root.c_str()) != 0) return 1;

    bench::PlanMode mode(bench::scenePlan(3, measured), true, 5);
    double unitMs = 0.0, unitSamples = 0.0;
    mode.onBegin = [&] {
        unitMs = bench::fullScreenQuadMs(5, 8, &unitSamples);
        return unitMs > 0.0 && unitSamples > 0.0;
    };
    int status;
    {
        bench::QuietStdout quiet;
        status = capture::runCapture(mode, 30);
    }

    bench::printHeading("frames: per scene, 1024 x 768, against the fill-rate floor");
    std::printf("  one full-screen blended textured quad: %.2f ms (%.0f fragments)\n", unitMs, unitSamples);
    std::printf("  %-22s %6s %9s %8s %9s %7s %7s %8s %9s %7s\n", "scene", "frames", "median ms", "p95 ms",
                "floor ms", "fills", "ratio", "fps", "replay ms", "/replay");
    std::vector<double> ratios(demoSegmentCount, 0.0), fps(demoSegmentCount, 0.0), floors(demoSegmentCount, 0.0);
    for (int segment = 0; segment < demoSegmentCount; ++segment) {
        std::vector<double> times, floorTimes, fills;
        for (const bench::MeasuredFrame& f : mode.frames) {
            if (f.segment != segment) continue;
            times.push_back(f.frameMs);
            fills.push_back(f.samples / unitSamples);
            floorTimes.push_back(f.samples / unitSamples * unitMs);
        }
        double replayMs = 0.0;
        for (const bench::ReplayedFrame& r : mode.replayed)
            if (r.segment == segment) replayMs = r.replayMs;
        const double med = bench::median(times);
        floors[segment] = bench::median(floorTimes);
        ratios[segment] = floors[segment] > 0 ? med / floors[segment] : 0.0;
        fps[segment] = med > 0 ? 1000.0 / med : 0.0;
        std::printf("  %-22s %6zu %9.1f %8.1f %9.1f %7.1f %7.2f %8.1f %9.1f %7.2f\n", bench::segmentLabel(segment),
                    times.size(), med, bench::percentile95(times), floors[segment], bench::median(fills),
                    ratios[segment], fps[segment], replayMs, replayMs > 0 ? med / replayMs : 0.0);
    }
    for (int segment = 0; segment < demoSegmentCount; ++segment)
        bench::printFigure(std::string(bench::segmentLabel(segment)) + ": median / floor", ratios[segment], "x", 1.3);
    std::printf("  replay: the scene's last warm-up frame replayed alone from a display list (median of 5);\n"
                "  a ratio near 1 means the frame costs what its own GL work costs the rasterizer, whatever\n"
                "  the fill floor says (one frame of the scene, so the ratio may also fall below 1)\n");
    for (int segment = 0; segment < demoSegmentCount; ++segment) {
        // 20 fps needs a floor under 50 ms; past that the floor sets the pace.
        const std::string name = std::string(bench::segmentLabel(segment)) + ": median fps";
        if (floors[segment] < 50.0)
            bench::printFigure(name, fps[segment], "fps", 20.0, true);
        else
            std::printf("  %-46s %10.2f fps    (the floor alone allows %.1f fps)\n", name.c_str(), fps[segment],
                        1000.0 / floors[segment]);
    }
    return status;
}
