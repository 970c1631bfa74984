// gravlet-data show: the exact report for 3DS and TGA files, and the
// failures.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/paths.h"
#include "tools/data/commands.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct ShowRun {
    int code;
    std::string out;
    std::string err;
};

ShowRun show(const std::vector<std::string>& args) {
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = showCommand(int(argv.size()), argv.data());
    ShowRun run{code, "", ""};
    run.out = testing::internal::GetCapturedStdout();
    run.err = testing::internal::GetCapturedStderr();
    return run;
}

class ShowTest : public ::testing::Test {
protected:
    ~ShowTest() override {
        for (const std::string& path : written) std::remove(path.c_str());
        rmdir(dir.c_str());
    }
    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        written.push_back(path);
        return path;
    }

    std::string dir = testsupport::makeTempDir();
    std::vector<std::string> written;
};

// A minimal chunk writer: open() returns where the length goes.
struct Chunks {
    Bytes bytes;
    std::vector<std::size_t> open;
    Chunks& begin(std::uint16_t id) {
        open.push_back(bytes.size());
        put(id, 2);
        put(0, 4);
        return *this;
    }
    Chunks& end() {
        const std::size_t start = open.back();
        open.pop_back();
        const std::size_t length = bytes.size() - start;
        for (int i = 0; i < 4; ++i) bytes[start + 2 + std::size_t(i)] = std::uint8_t(length >> (8 * i));
        return *this;
    }
    Chunks& put(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    Chunks& f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return put(bits, 4);
    }
    Chunks& text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return *this;
    }
};

TEST_F(ShowTest, ModelReportListsObjectsAndTextureLoadsWithoutEcho) {
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.begin(0xAFFF).begin(0xA000).text("grass01").end();
    c.begin(0xA200).begin(0xA300).text("GRASS.BMP").end().end().end();
    // File points (x, y, z) are seen as (x, -z, y).
    c.begin(0x4000).text("tree").begin(0x4100).begin(0x4110).put(3, 2);
    c.f32(-2).f32(0).f32(0).f32(6).f32(0).f32(0).f32(0).f32(4).f32(2).end();
    c.begin(0x4120).put(1, 2).put(0, 2).put(1, 2).put(2, 2).put(0, 2).end();
    c.end().end();
    c.begin(0x4000).text("odd \"name\"").begin(0x4100).begin(0x4110).put(1, 2);
    c.f32(0.75f).f32(10).f32(0.04f).end().end().end();
    c.begin(0x4000).text("Camera01").end();
    c.end().end();
    const std::string path = write("scene.3ds", c.bytes);

    const ShowRun run = show({path});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "model " + path + ": 3 objects, 4 vertices, 1 faces\n"
              "  object \"tree\" vertices 3 faces 1 base 0 size (8.0, 2.0, 4.0) centre (2.0, -1.0, 2.0)\n"
              "  object \"odd \\\"name\\\"\" vertices 1 faces 0 base 3 size (0.0, 0.0, 0.0) centre (0.8, 0.0, 10.0)\n"
              "  object \"Camera01\" vertices 0 faces 0 base 4 size (0.0, 0.0, 0.0) centre (0.0, 0.0, 0.0)\n"
              "  texture \"grass01\" data//GRASS.tga\n");
}

TEST_F(ShowTest, RealModelFileIsReported) {
    const ShowRun run = show({testsupport::sharedTestData() + "/3ds/cube_with_diffuse_texture.3DS"});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find(": 1 objects, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  object \"Quader01\" vertices "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  texture \"01 - Default\" data//TEST.tga\n"), std::string::npos) << run.out;
}

// A TGA header for an uncompressed true-colour image.
Bytes tgaHeader(int width, int height, int bits, std::uint8_t type = 2) {
    Bytes b(18, 0);
    b[2] = type;
    b[12] = std::uint8_t(width);
    b[13] = std::uint8_t(width >> 8);
    b[14] = std::uint8_t(height);
    b[15] = std::uint8_t(height >> 8);
    b[16] = std::uint8_t(bits);
    return b;
}

std::string hex(std::uint32_t crc) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

TEST_F(ShowTest, ImageReportCarriesTheCrcOfTheSwappedPixels) {
    Bytes file = tgaHeader(3, 2, 24);
    Bytes swapped;
    for (int i = 0; i < 6; ++i) {
        const std::uint8_t b = std::uint8_t(10 * i + 1), g = std::uint8_t(10 * i + 2), r = std::uint8_t(10 * i + 3);
        file.insert(file.end(), {b, g, r});
        swapped.insert(swapped.end(), {r, g, b});
    }
    const std::string path = write("small.tga", file);
    const std::uint32_t expected = std::uint32_t(crc32(0L, swapped.data(), uInt(swapped.size())));

    const ShowRun run = show({path});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "image " + path + ": 3 x 2, 24 bits, crc32 " + hex(expected) + "\n");
}

TEST_F(ShowTest, RealImagesMatchAnIndependentDecoder) {
    for (const char* name : {"Concrete.tga", "holygrail.tga"}) {
        const std::string path = testsupport::sharedTestData() + "/tga/" + name;
        int width = 0, height = 0, channels = 0;
        stbi_uc* decoded = stbi_load(path.c_str(), &width, &height, &channels, 0);
        ASSERT_NE(decoded, nullptr) << name;
        // stb puts the top row first; these files are stored top row first
        // too (descriptor bit 5), which the library keeps.
        std::ifstream in(path, std::ios::binary);
        Bytes header(18);
        in.read(reinterpret_cast<char*>(header.data()), 18);
        const std::size_t row = std::size_t(width * channels);
        Bytes fileOrder(row * std::size_t(height));
        const bool topFirst = header[17] & 0x20;
        for (int y = 0; y < height; ++y)
            std::memcpy(&fileOrder[std::size_t(y) * row], decoded + std::size_t(topFirst ? y : height - 1 - y) * row, row);
        stbi_image_free(decoded);
        const std::uint32_t expected = std::uint32_t(crc32(0L, fileOrder.data(), uInt(fileOrder.size())));

        const ShowRun run = show({path});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, "image " + path + ": " + std::to_string(width) + " x " + std::to_string(height) + ", " +
                               std::to_string(channels * 8) + " bits, crc32 " + hex(expected) + "\n");
    }
}

TEST_F(ShowTest, UnreadableFilesGiveOneLineOnStandardErrorAndCodeOne) {
    Bytes grey = tgaHeader(2, 2, 8, 3);
    grey.resize(grey.size() + 4, 0);
    Bytes shortPixels = tgaHeader(4, 4, 24);
    shortPixels.resize(shortPixels.size() + 10, 0);
    const std::vector<std::string> paths = {
        dir + "/absent.tga",
        write("grey.tga", grey),
        write("short.tga", shortPixels),
        write("text.3ds", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}),
    };
    for (const std::string& path : paths) {
        const ShowRun run = show({path});
        EXPECT_EQ(run.code, 1) << path;
        EXPECT_EQ(run.out, "") << path;
        ASSERT_FALSE(run.err.empty()) << path;
        EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

TEST_F(ShowTest, FileTypeFollowsContentWhenTheNameDoesNotTell) {
    Chunks c;
    c.begin(0x4D4D).end();
    const std::string model = write("model.bin", c.bytes);
    EXPECT_EQ(show({model}).out, "model " + model + ": 0 objects, 0 vertices, 0 faces\n");
    Bytes image = tgaHeader(1, 1, 32);
    image.insert(image.end(), {1, 2, 3, 4});
    const std::string picture = write("picture.bin", image);
    const Bytes swapped = {3, 2, 1, 4};
    EXPECT_EQ(show({picture}).out, "image " + picture + ": 1 x 1, 32 bits, crc32 " +
                                       hex(std::uint32_t(crc32(0L, swapped.data(), 4))) + "\n");
}

TEST_F(ShowTest, WrongArgumentCountIsAUsageError) {
    EXPECT_EQ(show({}).code, 2);
    EXPECT_EQ(show({"a", "b"}).code, 2);
}

}  // namespace
