#include "render/view_volume.h"

#include <GL/gl.h>

#include <cmath>

namespace render {

namespace {

// GL transforms in single precision: each of its clip coordinates may be off
// by a few float roundings of the terms that make it up. A point counts as
// beyond a plane only when it is beyond it by far more than that.
constexpr double relativeMargin = 1e-5;
constexpr double absoluteMargin = 1e-9;

// One row of the clip transform applied to a point: the value and the sum of
// its terms' sizes (what the rounding scales with).
struct Term {
    double value, size;
};

Term row(const double* m, int r, const Qu::Vector& p) {
    const double a = m[r] * p.x, b = m[4 + r] * p.y, c = m[8 + r] * p.z, d = m[12 + r];
    return {a + b + c + d, std::fabs(a) + std::fabs(b) + std::fabs(c) + std::fabs(d)};
}

bool beyond(double distance, double size) { return distance > relativeMargin * size + absoluteMargin; }

}  // namespace

void ViewVolume::capture(std::int32_t vertexCount) {
    known.assign(vertexCount > 0 ? std::size_t(vertexCount) : 0u, 0u);
    generation = 1;
    double projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += projection[k * 4 + row] * modelview[column * 4 + k];
            clip[column * 4 + row] = sum;
        }
}

unsigned ViewVolume::outcode(const Qu::Vector& eye) const {
    const Term x = row(clip, 0, eye), y = row(clip, 1, eye), z = row(clip, 2, eye), w = row(clip, 3, eye);
    unsigned code = 0;
    if (beyond(x.value - w.value, x.size + w.size)) code |= 1u;
    if (beyond(-x.value - w.value, x.size + w.size)) code |= 2u;
    if (beyond(y.value - w.value, y.size + w.size)) code |= 4u;
    if (beyond(-y.value - w.value, y.size + w.size)) code |= 8u;
    if (beyond(z.value - w.value, z.size + w.size)) code |= 16u;
    if (beyond(-z.value - w.value, z.size + w.size)) code |= 32u;
    return code;
}

void SkippedFace::leaveState() const {
    if (!last) return;
    glBindTexture(GL_TEXTURE_2D, name);
    if (sign != 0.0) {
        const Qu::Vector& n = corner->eyeNormal;
        glNormal3f(static_cast<float>(sign * n.x), static_cast<float>(sign * n.y), static_cast<float>(sign * n.z));
    }
    glTexCoord2f(-last->cornerU[2], -last->cornerV[2]);
}

}  // namespace render
