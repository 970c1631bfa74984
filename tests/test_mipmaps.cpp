// The mipmap levels made without GLU must be GLU's, byte for byte: the
// pictures may not change because loading got faster.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <random>
#include <tuple>
#include <vector>

#include "resources/mipmaps.h"
#include "support/gl_context.h"

namespace {

using Levels = std::vector<std::tuple<int, int, std::vector<std::uint8_t>>>;

// Width, height and RGBA bytes of every level of the bound texture.
Levels readLevels() {
    Levels levels;
    for (int lod = 0;; ++lod) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, lod, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, lod, GL_TEXTURE_HEIGHT, &h);
        if (w == 0 || h == 0) break;
        std::vector<std::uint8_t> pixels(std::size_t(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, lod, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        levels.emplace_back(w, h, pixels);
    }
    return levels;
}

Levels uploaded(bool withGlu, GLint internalFormat, int width, int height, GLenum format,
                const std::vector<std::uint8_t>& pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint result =
        withGlu ? gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, format, GL_UNSIGNED_BYTE, pixels.data())
                : Qu::buildMipmaps(internalFormat, width, height, format, pixels.data());
    EXPECT_EQ(result, 0);
    Levels levels = readLevels();
    glDeleteTextures(1, &name);
    return levels;
}

// Square, wide, tall, lines, a single pixel, a size that is not a power of
// two (GLU scales it first); 24-bit and 32-bit files (the latter uploaded
// with three components).
TEST(Mipmaps, EveryLevelHoldsTheBytesGluMakes) {
    testsupport::GlContext gl(64, 64);
    ASSERT_TRUE(gl.ok());
    std::mt19937 random(11);
    const struct {
        int width, height;
        GLenum format;
        GLint internalFormat;
    } cases[] = {{16, 16, GL_RGB, GL_RGB}, {64, 8, GL_RGB, GL_RGB}, {2, 128, GL_RGB, GL_RGB},
                 {8, 1, GL_RGB, GL_RGB},   {1, 16, GL_RGB, GL_RGB}, {1, 1, GL_RGB, GL_RGB},
                 {12, 5, GL_RGB, GL_RGB},  {32, 64, GL_RGBA, 3},    {256, 4, GL_RGBA, 3}, {4, 1, GL_RGBA, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << (c.format == GL_RGB ? " RGB" : " RGBA"));
        std::vector<std::uint8_t> pixels(std::size_t(c.width) * c.height * (c.format == GL_RGB ? 3 : 4));
        for (std::uint8_t& byte : pixels) byte = std::uint8_t(random());
        const Levels expected = uploaded(true, c.internalFormat, c.width, c.height, c.format, pixels);
        const Levels actual = uploaded(false, c.internalFormat, c.width, c.height, c.format, pixels);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(actual, expected);
    }
}

}  // namespace
