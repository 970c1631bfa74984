// gravlet-capture: the demo offscreen on a virtual clock (see usageText).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "tools/capture/bench.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_session.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/still_frames.h"
#include "tools/capture/video_output.h"

namespace {

// Output names are taken relative to where the tool was started, before
// it moves into the data folder.
std::string absolute(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

}  // namespace

int main(int argc, char** argv) {
    capture::Options options;
    std::string problem = capture::parseArguments(argc, argv, options);
    if (options.help) {
        std::fputs(capture::usageText().c_str(), stdout);
        return 0;
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "gravlet-capture: %s\n%s", problem.c_str(), capture::usageText().c_str());
        return 2;
    }
    // Before the minute of start-up, not after it.
    if (options.mode == capture::Mode::video && capture::findProgram("ffmpeg").empty()) {
        std::fprintf(stderr, "gravlet-capture: ffmpeg is not on PATH; --video needs it (Debian package ffmpeg)\n");
        return 1;
    }
    options.outFolder = absolute(options.outFolder);
    options.sheetFile = absolute(options.sheetFile);
    options.videoFile = absolute(options.videoFile);
    options.jsonFile = absolute(options.jsonFile);
    if (!options.dataFolder.empty() && chdir(options.dataFolder.c_str()) != 0) {
        std::fprintf(stderr, "gravlet-capture: cannot enter the folder %s\n", options.dataFolder.c_str());
        return 1;
    }

    std::unique_ptr<capture::CaptureMode> mode;
    switch (options.mode) {
    case capture::Mode::at:
        mode = std::make_unique<capture::StillFrames>(options.fps, options.atMs, options.outFolder);
        break;
    case capture::Mode::sheet:
        mode = std::make_unique<capture::ContactSheet>(options.fps, options.fromMs, options.toMs, options.everyMs,
                                                       options.sheetFile);
        break;
    case capture::Mode::video:
        mode = std::make_unique<capture::VideoCapture>(options.fps, options.fromMs, options.toMs, options.videoFile);
        break;
    case capture::Mode::bench:
        mode = std::make_unique<capture::Bench>(options.fps, options.stretchMs, options.fromMs, options.toMs,
                                                options.jsonFile);
        break;
    case capture::Mode::none:
        return 2;
    }
    return capture::runCapture(*mode, options.fps);
}
