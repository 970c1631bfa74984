#include "support/gl_context.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace testsupport {

int channelDistance(const Rgba& a, const Rgba& b, bool withAlpha) {
    int distance = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
    if (withAlpha) distance = std::max(distance, std::abs(a.a - b.a));
    return distance;
}

void PrintTo(const Rgba& pixel, std::ostream* out) {
    *out << "(" << int(pixel.r) << ", " << int(pixel.g) << ", " << int(pixel.b) << ", "
         << int(pixel.a) << ")";
}

GlContext::GlContext(int width, int height, bool forceFramebufferObject) {
    if (!context.create(width, height, forceFramebufferObject)) ADD_FAILURE() << "no headless GL context: " << context.error();
}

Rgba GlContext::pixel(int x, int y) const {
    Rgba result;
    if (!ok() || x < 0 || y < 0 || x >= width() || y >= height()) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is outside the frame";
        return result;
    }
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, bytes);
    result.r = bytes[0];
    result.g = bytes[1];
    result.b = bytes[2];
    result.a = bytes[3];
    return result;
}

Rgba GlContext::pixelFromTop(int x, int row) const { return pixel(x, height() - 1 - row); }

}  // namespace testsupport
