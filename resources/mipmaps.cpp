#include "resources/mipmaps.h"

#include <GL/glu.h>

namespace Qu {

namespace {

bool powerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

int componentsOf(GLenum format) {
    switch (format) {
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    default: return 0;
    }
}

}  // namespace

void halveImage(const std::uint8_t* in, int width, int height, int components, std::vector<std::uint8_t>& out) {
    const int halfWidth = width > 1 ? width / 2 : 1;
    const int halfHeight = height > 1 ? height / 2 : 1;
    out.resize(std::size_t(halfWidth) * halfHeight * components);
    std::uint8_t* to = out.data();
    const std::size_t row = std::size_t(width) * components;
    if (width == 1 || height == 1) {
        // A line: pairs along it, rounded down, as GLU does.
        const std::size_t step = width == 1 ? row : std::size_t(components);
        const int count = width == 1 ? halfHeight : halfWidth;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* a = in + 2 * std::size_t(i) * step;
            for (int k = 0; k < components; ++k) *to++ = std::uint8_t((a[k] + a[step + k]) / 2);
        }
        return;
    }
    // Squares of four, rounded to nearest, as GLU does.
    for (int y = 0; y < halfHeight; ++y) {
        const std::uint8_t* top = in + 2 * std::size_t(y) * row;
        const std::uint8_t* bottom = top + row;
        for (int x = 0; x < halfWidth; ++x) {
            for (int k = 0; k < components; ++k) {
                *to++ = std::uint8_t((top[k] + top[components + k] + bottom[k] + bottom[components + k] + 2) / 4);
            }
            top += 2 * components;
            bottom += 2 * components;
        }
    }
}

GLint buildMipmaps(GLint internalFormat, int width, int height, GLenum format, const std::uint8_t* pixels) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const int components = componentsOf(format);
    // Very large images are GLU's too: its probe may settle on a smaller size.
    const bool ours = powerOfTwo(width) && powerOfTwo(height) && width <= largest && height <= largest &&
                      std::int64_t(width) * height <= 4096 * 4096 && components != 0 && pixels;
    if (!ours) {
        return gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, format, GL_UNSIGNED_BYTE, pixels);
    }
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    std::vector<std::uint8_t> level, next;
    const std::uint8_t* from = pixels;
    for (int lod = 1; width > 1 || height > 1; ++lod) {
        halveImage(from, width, height, components, next);
        level.swap(next);
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        glTexImage2D(GL_TEXTURE_2D, lod, internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE, level.data());
        from = level.data();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return 0;
}

}  // namespace Qu
