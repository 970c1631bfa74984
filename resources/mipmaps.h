#pragma once
// Mipmapped uploads without GLU's detours.
//
// gluBuild2DMipmaps copies the whole image for every level it makes and
// probes the driver with proxy textures first. For the images the demo
// loads (both sides powers of two, within the driver's limit) the levels
// are made here instead, with GLU's own 2x2 box filter and rounding, so the
// textures hold the same bytes. Other sizes still go through GLU, which
// scales them first.
#include <GL/gl.h>

#include <cstdint>
#include <vector>

namespace Qu {

// Uploads every level of the bound GL_TEXTURE_2D, as
// gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, format,
// GL_UNSIGNED_BYTE, pixels) would. Rows are tightly packed. Returns GLU's
// result (0 on success).
GLint buildMipmaps(GLint internalFormat, int width, int height, GLenum format, const std::uint8_t* pixels);

// One level down: the next image of a mipmap chain of `components` bytes per
// pixel (both sides halved, a side of 1 staying 1), into `out`.
void halveImage(const std::uint8_t* in, int width, int height, int components, std::vector<std::uint8_t>& out);

}  // namespace Qu
