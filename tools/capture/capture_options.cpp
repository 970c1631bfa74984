#include "tools/capture/capture_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "shell/timeline.h"

namespace capture {

namespace {

constexpr std::uint32_t timelineEndMs = static_cast<std::uint32_t>(demoTimelineEnd * 1000.0f);
constexpr int maxFps = 240;

bool parseCount(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    long parsed = std::strtol(text.c_str(), nullptr, 10);
    if (parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parseTimeList(const std::string& text, std::vector<std::uint32_t>& times) {
    times.clear();
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::uint32_t ms = 0;
        if (!parseSeconds(item, timelineEndMs, ms)) return false;
        times.push_back(ms);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return true;
}

}  // namespace

bool parseSeconds(const std::string& text, std::uint32_t maxMs, std::uint32_t& ms) {
    // Digits with at most one point; no sign, exponent or spaces.
    if (text.empty() || text.size() > 16 || text == ".") return false;
    int points = 0;
    for (char c : text) {
        if (c == '.') {
            if (++points > 1) return false;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    double seconds = std::strtod(text.c_str(), nullptr);
    double rounded = std::floor(seconds * 1000.0 + 0.5);
    if (!(rounded >= 0.0) || rounded > double(maxMs)) return false;
    ms = static_cast<std::uint32_t>(rounded);
    return true;
}

std::string usageText() {
    return "usage: gravlet-capture [--dir DIR] MODE [--fps N] [--from S] [--to S]\n"
           "  runs the demo offscreen (1024 x 768) on a virtual clock that advances one\n"
           "  frame period per frame; DIR (default: the current folder) holds data/\n"
           "modes:\n"
           "  --at T1,T2,... --out DIR   PNG frames at those demo times: DIR/frame-MMMMMM.png\n"
           "  --sheet FILE.png [--every S]\n"
           "                             contact sheet, one labelled thumbnail every S seconds (5)\n"
           "  --video FILE.mp4           the demo with its soundtrack through ffmpeg (H.264)\n"
           "  --bench [--json FILE] [--stretch S]\n"
           "                             load time, and per scene the median and 95th percentile\n"
           "                             frame time over S seconds (1.5) in the middle of the scene\n"
           "options:\n"
           "  --fps N      frames per second of demo time, 1..240 (30)\n"
           "  --from S     start of the span in seconds of the timeline (0)\n"
           "  --to S       end of the span (340, the end of the timeline)\n"
           "times are seconds of the timeline, 0..340, counted from the end of the loading hold\n";
}

std::string parseArguments(int argc, const char* const* argv, Options& options) {
    options = Options();
    bool fromGiven = false, toGiven = false, everyGiven = false, stretchGiven = false, outGiven = false;
    int modes = 0;
    auto setMode = [&](Mode mode) {
        options.mode = mode;
        ++modes;
    };

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return "";
        }
        if (arg == "--bench") {
            setMode(Mode::bench);
            continue;
        }
        static const char* const valued[] = {"--at", "--out", "--sheet", "--video", "--json", "--dir",
                                             "--fps", "--from", "--to", "--every", "--stretch"};
        bool takesValue = std::any_of(std::begin(valued), std::end(valued),
                                      [&](const char* name) { return arg == name; });
        if (!takesValue) return "unknown argument: " + arg;
        if (i + 1 >= argc) return "missing value after " + arg;
        const std::string value = argv[i + 1];
        ++i;   // every other option takes a value
        if (arg == "--at") {
            setMode(Mode::at);
            if (!parseTimeList(value, options.atMs)) return "bad time list for --at: " + value;
        } else if (arg == "--out") {
            options.outFolder = value;
            outGiven = true;
        } else if (arg == "--sheet") {
            setMode(Mode::sheet);
            options.sheetFile = value;
        } else if (arg == "--video") {
            setMode(Mode::video);
            options.videoFile = value;
        } else if (arg == "--json") {
            options.jsonFile = value;
        } else if (arg == "--dir") {
            options.dataFolder = value;
        } else if (arg == "--fps") {
            if (!parseCount(value, 1, maxFps, options.fps)) return "bad --fps (1..240): " + value;
        } else if (arg == "--from") {
            if (!parseSeconds(value, timelineEndMs, options.fromMs)) return "bad --from: " + value;
            fromGiven = true;
        } else if (arg == "--to") {
            if (!parseSeconds(value, timelineEndMs, options.toMs)) return "bad --to: " + value;
            toGiven = true;
        } else if (arg == "--every") {
            if (!parseSeconds(value, timelineEndMs, options.everyMs) || options.everyMs == 0)
                return "bad --every: " + value;
            everyGiven = true;
        } else if (arg == "--stretch") {
            if (!parseSeconds(value, timelineEndMs, options.stretchMs) || options.stretchMs == 0)
                return "bad --stretch: " + value;
            stretchGiven = true;
        }
    }

    if (modes == 0) return "no mode given";
    if (modes > 1) return "one mode per call";
    if (options.mode == Mode::at && !outGiven) return "--at needs --out DIR";
    if (options.mode != Mode::at && outGiven) return "--out goes with --at";
    if (options.mode == Mode::at && (fromGiven || toGiven)) return "--from and --to do not apply to --at";
    if (options.mode != Mode::sheet && everyGiven) return "--every goes with --sheet";
    if (options.mode != Mode::bench && (stretchGiven || !options.jsonFile.empty()))
        return "--json and --stretch go with --bench";
    if (options.fromMs > options.toMs) return "--from is after --to";
    if (options.mode == Mode::at && options.outFolder.empty()) return "empty --out";
    if ((options.mode == Mode::sheet && options.sheetFile.empty()) ||
        (options.mode == Mode::video && options.videoFile.empty()))
        return "empty file name";
    return "";
}

}  // namespace capture
