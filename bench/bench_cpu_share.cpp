// Our share of the instructions of a frame, per scene, counted by callgrind
// (deterministic, unlike wall time on a shared machine).
//
// The program starts itself under valgrind with instrumentation off; the
// child runs the demo offscreen and switches counting on for one frame in
// the middle of each scene (after a warm-up frame, which compiles the
// shaders the scene needs), dumping one profile per scene. llvmpipe runs
// its rasterizer on the calling thread (LP_NUM_THREADS=0): the same work,
// without thread hand-offs that are slow under valgrind. A frame's instructions are everything the process executes for
// it, Mesa's llvmpipe (its compiled shaders and rasterizer threads)
// included; ours are those of this executable's own code (the engine,
// renderer, scenes and shell linked into it).
#include <dirent.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "bench/support/scene_plan.h"
#include "shell/timeline.h"

namespace {

constexpr int measuredFrames = 1;

int runChild() {
    const std::string root = bench::dataRoot();
    if (root.empty() || chdir(root.c_str()) != 0) return 1;
    bench::PlanMode mode(bench::scenePlan(1, measuredFrames), false);
    std::vector<int> counted(demoSegmentCount, 0);
    mode.beforeMeasured = [](const bench::PlanFrame&) { CALLGRIND_START_INSTRUMENTATION; };
    mode.afterMeasured = [&counted](const bench::PlanFrame& frame) {
        CALLGRIND_STOP_INSTRUMENTATION;
        if (++counted[std::size_t(frame.segment)] == measuredFrames) {
            char label[32];
            std::snprintf(label, sizeof label, "segment-%d", frame.segment);
            CALLGRIND_DUMP_STATS_AT(label);
        }
    };
    bench::QuietStdout quiet;
    return capture::runCapture(mode, 30);
}

struct Share {
    double total = 0.0;
    double ours = 0.0;
    std::map<std::string, double> byObject;
};

// Self cost per object from callgrind_annotate's flat listing.
Share shareOf(const std::string& file, const std::string& self) {
    Share share;
    bench::ChildRun annotate = bench::runChild({"callgrind_annotate", "--inclusive=no", "--threshold=100", file});
    std::istringstream lines(annotate.output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t open = line.rfind(" [");
        if (open == std::string::npos || line.back() != ']') continue;
        std::string number;
        for (char c : line) {
            if (c == ' ' && number.empty()) continue;
            if (c == ',') continue;
            if (c < '0' || c > '9') break;
            number += c;
        }
        if (number.empty()) continue;
        const double ir = std::atof(number.c_str());
        std::string object = line.substr(open + 2, line.size() - open - 3);
        share.total += ir;
        if (object == self) share.ours += ir;
        const std::size_t slash = object.rfind('/');
        share.byObject[slash == std::string::npos ? object : object.substr(slash + 1)] += ir;
    }
    return share;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return runChild();

    bench::printHeading("CPU share: instructions in our code per frame (callgrind), per scene");
    if (bench::findProgram("valgrind").empty() || bench::findProgram("callgrind_annotate").empty()) {
        bench::printNote("valgrind is not installed: no figures (Debian package valgrind)");
        return 0;
    }
    const std::string root = bench::dataRoot();
    if (root.empty()) return 1;
    char folder[] = "/tmp/gravlet-cpu-share-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string out = std::string(folder) + "/frames.cg";
    const std::string self = bench::selfPath();
    bench::ChildRun run = bench::runChild({"valgrind", "--tool=callgrind", "--instr-atstart=no",
                                           "--callgrind-out-file=" + out, self, "--child"},
                                          {"GRAVLET_BENCH_DATA=" + root, "LP_NUM_THREADS=0"});
    if (run.status != 0) {
        std::printf("  the run under callgrind failed (exit %d)\n", run.status);
        return 1;
    }
    std::printf("  (one frame per scene under callgrind, run took %.0f s)\n", run.wallSeconds);
    std::printf("  %-22s %14s %14s %8s   %s\n", "scene", "Ir per frame", "ours", "share", "largest others");
    std::vector<double> shares(demoSegmentCount, -1.0);
    for (int dump = 1; dump <= demoSegmentCount; ++dump) {
        const std::string file = out + "." + std::to_string(dump);
        if (access(file.c_str(), R_OK) != 0) continue;
        // The dump's trigger names its segment.
        int segment = dump - 1;
        if (std::FILE* f = std::fopen(file.c_str(), "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, f))
                if (std::sscanf(line, "desc: Trigger: Client Request: segment-%d", &segment) == 1) break;
            std::fclose(f);
        }
        const Share share = shareOf(file, self);
        if (share.total <= 0 || segment < 0 || segment >= demoSegmentCount) continue;
        shares[std::size_t(segment)] = share.ours / share.total * 100.0;
        std::vector<std::pair<double, std::string>> others;
        for (const auto& entry : share.byObject) others.push_back({entry.second, entry.first});
        std::sort(others.rbegin(), others.rend());
        std::string top;
        for (std::size_t i = 0; i < others.size() && i < 3; ++i) {
            char part[96];
            std::snprintf(part, sizeof part, "%s%s %.0f%%", i ? ", " : "", others[i].second.c_str(),
                          others[i].first / share.total * 100.0);
            top += part;
        }
        std::printf("  %-22s %14.0f %14.0f %7.2f%%   %s\n", bench::segmentLabel(segment),
                    share.total / measuredFrames, share.ours / measuredFrames, shares[std::size_t(segment)],
                    top.c_str());
    }
    for (int segment = 0; segment < demoSegmentCount; ++segment)
        bench::printFigure(std::string(bench::segmentLabel(segment)) + ": our share", shares[std::size_t(segment)],
                           "%", 10.0);
    if (!std::getenv("GRAVLET_BENCH_KEEP")) {
        if (DIR* dir = opendir(folder)) {
            while (dirent* entry = readdir(dir))
                if (entry->d_name[0] != '.') std::remove((std::string(folder) + "/" + entry->d_name).c_str());
            closedir(dir);
        }
        rmdir(folder);
    } else {
        std::printf("  profiles kept in %s\n", folder);
    }
    return 0;
}
