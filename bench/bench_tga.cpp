// TGA load (read the file + decode, no GL upload): the engine's reader
// against stb_image on the same files. Prints the time of each and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "resources/texture_library.h"
#include "support/paths.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

namespace {

using Clock = std::chrono::steady_clock;

// Median of `runs` timings in microseconds; false if any load failed.
template <typename Load>
bool medianMicros(int runs, Load load, double& median) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        if (!load()) return false;
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    median = times[times.size() / 2];
    return true;
}

bool engineLoad(const std::string& path) {
    Qu::Image image;
    bool ok = Qu::readTgaFile(path.c_str(), image) == Qu::TgaStatus::ok;
    delete[] image.pixels;
    return ok;
}

bool stbLoad(const std::string& path) {
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

// An uncompressed 32-bit image with varied bytes, bottom row first.
std::string writeLargeTga(const std::string& dir, int side) {
    std::vector<std::uint8_t> file(18, 0);
    file[2] = 2;
    file[12] = std::uint8_t(side & 0xff);
    file[13] = std::uint8_t(side >> 8);
    file[14] = std::uint8_t(side & 0xff);
    file[15] = std::uint8_t(side >> 8);
    file[16] = 32;
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < std::size_t(side) * side * 4; ++i) {
        state = state * 1664525u + 1013904223u;
        file.push_back(std::uint8_t(state >> 24));
    }
    std::string path = dir + "/large.tga";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return path;
}

}  // namespace

int main() {
    const std::string shared = testsupport::sharedTestData() + "/tga/";
    const std::string dir = testsupport::makeTempDir();
    struct Case { std::string label, path; int runs; };
    std::vector<Case> cases = {
        {"Concrete.tga 256x256x32", shared + "Concrete.tga", 200},
        {"holygrail.tga 256x256x32", shared + "holygrail.tga", 200},
        {"generated 2048x2048x32", writeLargeTga(dir, 2048), 15},
    };
    // The demo's generated textures (24-bit): small, middle and the largest.
    const std::string root = bench::dataRoot();
    if (!root.empty())
        for (const char* name : {"wt.tga", "keu.tga", "fogz1.tga", "tx2.tga", "load.tga", "starmap.tga"})
            cases.push_back({std::string("generated ") + name, root + "/data/" + name, 31});

    bench::printHeading("TGA read and decode against stb_image");
    std::printf("  %-28s %12s %12s %8s\n", "file", "engine us", "stb us", "stb/eng");
    double engineTotal = 0, stbTotal = 0;
    int status = 0;
    for (const Case& c : cases) {
        double engine = 0, stb = 0;
        if (!medianMicros(c.runs, [&] { return engineLoad(c.path); }, engine) ||
            !medianMicros(c.runs, [&] { return stbLoad(c.path); }, stb)) {
            std::printf("  %-28s failed to load\n", c.label.c_str());
            status = 1;
            continue;
        }
        engineTotal += engine;
        stbTotal += stb;
        std::printf("  %-28s %12.1f %12.1f %8.2f\n", c.label.c_str(), engine, stb, stb / engine);
    }
    if (engineTotal > 0) bench::printFigure("stb_image / engine, all files", stbTotal / engineTotal, "x", 1.0, true);
    std::filesystem::remove_all(dir);
    return status;
}
