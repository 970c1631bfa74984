#pragma once
// The command line of gravlet-capture: one mode per call, times in seconds
// of the timeline (after the hold), kept in whole milliseconds.
#include <cstdint>
#include <string>
#include <vector>

namespace capture {

enum class Mode { none, at, sheet, video, bench };

struct Options {
    Mode mode = Mode::none;
    bool help = false;
    std::string dataFolder;              // folder holding data/; empty: the current one
    int fps = 30;                        // 1..240
    std::uint32_t fromMs = 0;            // span, 0..340000
    std::uint32_t toMs = 340000;
    std::vector<std::uint32_t> atMs;     // --at: sorted, no duplicates
    std::string outFolder;               // --out
    std::string sheetFile;               // --sheet
    std::uint32_t everyMs = 5000;        // --every: sheet spacing, > 0
    std::string videoFile;               // --video
    std::string jsonFile;                // --bench --json
    std::uint32_t stretchMs = 1500;      // --stretch: bench frames per scene, > 0
};

// Fills `options` from argv[1..]. Returns "" or the reason the arguments
// are unusable (the caller prints it with the usage and exits with 2).
std::string parseArguments(int argc, const char* const* argv, Options& options);

// Seconds as a non-negative decimal ("12", "40.5", "0.25"), rounded to whole
// milliseconds. False for anything else, or above maxMs.
bool parseSeconds(const std::string& text, std::uint32_t maxMs, std::uint32_t& ms);

std::string usageText();

}  // namespace capture
