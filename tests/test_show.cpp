// gravlet-data show, and TGA files as an independent decoder (stb_image)
// sees them: the report's CRC of real images, and every generated texture
// read back as painted by stb and by the engine.
#include <gtest/gtest.h>
#include <zlib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "resources/texture_library.h"
#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/data/commands.h"
#include "tools/generate/model_writer.h"
#include "tools/generate/picture.h"
#include "tools/generate/textures.h"

namespace {

using testsupport::Bytes;

struct ShowRun {
    int code;
    std::string out, err;
};

ShowRun show(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = showCommand(int(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    return {code, out, testing::internal::GetCapturedStderr()};
}

class ShowTest : public ::testing::Test {
protected:
    ~ShowTest() override { std::filesystem::remove_all(dir); }
    std::string dir = testsupport::makeTempDir();
};
using GeneratedTextures = ShowTest;   // its folder for the written textures

TEST_F(ShowTest, ModelReportListsObjectsAndTextureLoadsWithoutEcho) {
    // Written in engine coordinates; the reader centres each object.
    gen::Model3ds model;
    model.materials = {{"grass01", "GRASS.BMP"}};
    model.objects = {{"tree", {{-2, 0, 0}, {6, 0, -2}, {0, -4, -4}}, {{0, 1, 2, 0}}},
                     {"odd \"name\"", {{0.75f, -0.04f, 10}}, {{0, 0, 0, 0}}}};
    std::string error;
    const std::string path = dir + "/scene.bin";   // no name that tells the type: the main chunk does
    testsupport::writeBytes(path, gen::encode3ds(model, &error));
    const ShowRun run = show({path});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "model " + path + ": 2 objects, 4 vertices, 2 faces\n"
              "  object \"tree\" vertices 3 faces 1 base 0 size (8.0, 4.0, 4.0) centre (2.0, -2.0, -2.0)\n"
              "  object \"odd \\\"name\\\"\" vertices 1 faces 1 base 3 size (0.0, 0.0, 0.0) centre (0.8, 0.0, 10.0)\n"
              "  texture \"grass01\" data//GRASS.tga\n");
}

// The CRC is of the pixels in file row order, red first: what stb decodes,
// its rows put back in file order.
TEST_F(ShowTest, ImageReportCarriesTheCrcOfThePixelsStbDecodes) {
    // A 3 x 1 true-colour TGA, bottom row first.
    testsupport::writeBytes(dir + "/tiny.bin",
                            {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 1, 0, 24, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    const std::string real = testsupport::sharedTestData() + "/tga/";
    for (const std::string& path : {dir + "/tiny.bin", real + "Concrete.tga", real + "holygrail.tga"}) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* decoded = stbi_load(path.c_str(), &width, &height, &channels, 0);
        ASSERT_NE(decoded, nullptr) << path;
        const bool topFirst = testsupport::readBytes(path)[17] & 0x20;
        const std::size_t row = std::size_t(width * channels);
        Bytes fileOrder(row * std::size_t(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(&fileOrder[std::size_t(y) * row], decoded + std::size_t(topFirst ? y : height - 1 - y) * row, row);
        stbi_image_free(decoded);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", unsigned(crc32(0L, fileOrder.data(), uInt(fileOrder.size()))));
        const ShowRun run = show({path});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, "image " + path + ": " + std::to_string(width) + " x " + std::to_string(height) + ", " +
                               std::to_string(channels * 8) + " bits, crc32 " + crc + "\n");
    }
}

// The painted pixels in both decoders: stb puts the top row first, as
// painted; the engine keeps the file's rows, bottom first, red first.
// (The data check sees to power-of-two sides.)
void expectBothReadersAgree(const gen::TextureJob& job, const std::string& dir) {
    SCOPED_TRACE(job.file);
    const std::string path = dir + "/" + job.file;
    std::string error;
    const gen::Picture picture = job.paint();
    ASSERT_TRUE(gen::savePicture(picture, path, &error)) << error;
    const Bytes file = testsupport::readBytes(path);
    Qu::Image ours;
    ASSERT_EQ(Qu::decodeTga(file.data(), file.size(), ours), Qu::TgaStatus::ok);
    const std::unique_ptr<std::uint8_t[]> owned(ours.pixels);
    int width = 0, height = 0, channels = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> theirs(
        stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 3), stbi_image_free);
    ASSERT_NE(theirs, nullptr) << stbi_failure_reason();
    ASSERT_TRUE(width == ours.width && height == ours.height) << width << "x" << height << " in stb";
    const Bytes painted = picture.toRgb8();
    ASSERT_TRUE(std::equal(painted.begin(), painted.end(), theirs.get())) << "stb reads other pixels";
    const std::size_t stride = std::size_t(width) * 3;
    for (int row = 0; row < height; ++row)
        ASSERT_TRUE(std::equal(theirs.get() + std::size_t(row) * stride, theirs.get() + std::size_t(row + 1) * stride,
                               ours.pixels + std::size_t(height - 1 - row) * stride)) << "row " << row;
}

TEST_F(GeneratedTextures, EveryTextureReadsTheSameInAnIndependentDecoder) {
    ASSERT_FALSE(gen::screenTextures().empty() || gen::materialTextures().empty());
    for (const auto* jobs : {&gen::screenTextures(), &gen::materialTextures()})
        for (const gen::TextureJob& job : *jobs) expectBothReadersAgree(job, dir);
}

}  // namespace
