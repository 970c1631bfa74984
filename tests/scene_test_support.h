#pragma once
// Helpers for the scene tests: files the scenes load (written by the test
// into a data folder it enters), vector and pixel checks. Header-only; each
// scene test file includes it once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/vector.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace scenetest {

using Bytes = std::vector<std::uint8_t>;

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A side x side uncompressed 24-bit TGA of one colour.
inline Bytes solidTga(std::uint8_t r, std::uint8_t g, std::uint8_t b, int side) {
    Bytes tga(18, 0);
    tga[2] = 2;
    tga[12] = std::uint8_t(side);
    tga[14] = std::uint8_t(side);
    tga[16] = 24;
    for (int i = 0; i < side * side; ++i) tga.insert(tga.end(), {b, g, r});
    return tga;
}

inline void expectVector(const Qu::Vector& v, double x, double y, double z,
                         double tolerance = 1e-3) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// The brightest colour channel anywhere in the frame.
inline int brightestChannel(const testsupport::GlContext& gl) {
    const std::vector<std::uint8_t> frame = gl.frame();
    int most = 0;
    for (std::size_t i = 0; i + 3 < frame.size(); i += 4)
        most = std::max({most, int(frame[i]), int(frame[i + 1]), int(frame[i + 2])});
    return most;
}

// A fresh temporary folder with an empty data/ in it, made the current
// folder for the scenes' "data//..." paths; the destructor goes back and
// removes it. entered() is false when the change of folder failed.
class DataFolder {
public:
    DataFolder() : path(testsupport::makeTempDir()) {
        std::filesystem::create_directory(path + "/data");
        char here[4096];
        if (getcwd(here, sizeof here)) previous = here;
        inside = !previous.empty() && chdir(path.c_str()) == 0;
    }
    ~DataFolder() {
        if (inside && chdir(previous.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous;
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    bool entered() const { return inside; }
    // Writes data/<name> (a path relative to the data folder).
    void write(const std::string& name, const Bytes& bytes) const {
        writeBytes(path + "/data/" + name, bytes);
    }

    const std::string path;

private:
    std::string previous;
    bool inside = false;
};

}  // namespace scenetest
