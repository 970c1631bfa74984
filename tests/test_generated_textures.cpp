// Every texture the generator paints, written as TGA and read back by an
// independent decoder (stb_image) and by the engine's own reader: both must
// see the same size and the same pixels, the engine's rows in file order
// (bottom row first) and stb's top row first.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/texture_library.h"
#include "support/paths.h"
#include "tools/generate/textures.h"
#include "tools/generate/picture.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void expectBothReadersAgree(const gen::TextureJob& job, const std::string& dir) {
    SCOPED_TRACE(job.file);
    const std::string path = dir + "/" + job.file;
    std::string error;
    ASSERT_TRUE(gen::savePicture(job.paint(), path, &error)) << error;
    const std::vector<std::uint8_t> file = readFile(path);

    Qu::Image ours;
    ASSERT_EQ(Qu::decodeTga(file.data(), file.size(), ours), Qu::TgaStatus::ok);
    int width = 0, height = 0, channels = 0;
    unsigned char* theirs = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 3);
    ASSERT_NE(theirs, nullptr) << stbi_failure_reason();
    EXPECT_EQ(width, ours.width);
    EXPECT_EQ(height, ours.height);
    EXPECT_EQ(ours.bpp, 24);
    // Power-of-two sides, as the texture uploads need.
    EXPECT_EQ(ours.width & (ours.width - 1), 0);
    EXPECT_EQ(ours.height & (ours.height - 1), 0);
    int mismatched = 0;
    if (width == ours.width && height == ours.height) {
        const std::size_t stride = std::size_t(width) * 3;
        for (int row = 0; row < height; ++row) {
            const std::uint8_t* a = ours.pixels + std::size_t(height - 1 - row) * stride;
            const std::uint8_t* b = theirs + std::size_t(row) * stride;
            if (!std::equal(a, a + stride, b)) ++mismatched;
        }
    }
    EXPECT_EQ(mismatched, 0) << "rows differ";
    stbi_image_free(theirs);
    delete[] ours.pixels;
}

TEST(GeneratedTextures, ScreenTexturesReadTheSameInAnIndependentDecoder) {
    const std::string dir = testsupport::makeTempDir();
    ASSERT_FALSE(gen::screenTextures().empty());
    for (const gen::TextureJob& job : gen::screenTextures()) expectBothReadersAgree(job, dir);
}

TEST(GeneratedTextures, MaterialMapsReadTheSameInAnIndependentDecoder) {
    const std::string dir = testsupport::makeTempDir();
    ASSERT_FALSE(gen::materialTextures().empty());
    for (const gen::TextureJob& job : gen::materialTextures()) expectBothReadersAgree(job, dir);
}

}  // namespace
