#include "tools/capture/still_frames.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/offscreen_gl.h"

namespace capture {

std::string stillFileName(std::uint32_t ms) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06u.png", static_cast<unsigned>(ms));
    return name;
}

std::vector<std::uint8_t> opaqueTopDown(const std::vector<std::uint8_t>& bottomUpRgba, int width, int height) {
    std::vector<std::uint8_t> rows = platform::flipRows(bottomUpRgba, width, height);
    for (std::size_t i = 3; i < rows.size(); i += 4) rows[i] = 255;
    return rows;
}

StillFrames::StillFrames(int fps, std::vector<std::uint32_t> timesMs, std::string outFolder)
    : times(std::move(timesMs)), folder(std::move(outFolder)), schedule(fps, times) {
    std::sort(times.begin(), times.end());
    if (times.empty()) times.push_back(0);
}

bool StillFrames::begin() {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "gravlet-capture: cannot make the folder %s\n", folder.c_str());
        return false;
    }
    return true;
}

bool StillFrames::wantsPixels(const FrameInfo& frame) const {
    return std::binary_search(times.begin(), times.end(), frame.point.ms);
}

bool StillFrames::frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) {
    if (!bottomUpRgba) return true;
    std::string path = (std::filesystem::path(folder) / stillFileName(frame.point.ms)).string();
    if (!platform::writeRgbaPng(path, frameWidth, frameHeight, opaqueTopDown(*bottomUpRgba, frameWidth, frameHeight))) {
        std::fprintf(stderr, "gravlet-capture: cannot write %s\n", path.c_str());
        return false;
    }
    ++written;
    return true;
}

bool StillFrames::end(bool complete) {
    if (complete && written < times.size()) {
        // Only when the demo itself ended first (a scene declined to go on).
        std::fprintf(stderr, "gravlet-capture: the demo ended after %zu of %zu frames\n", written, times.size());
        return false;
    }
    return complete;
}

}  // namespace capture
