#include "resources/camera.h"

#include <cmath>

namespace Qu {

namespace {

// Single-precision normalisation: a zero length counts as -1.0, so a zero
// vector stays zero instead of dividing by zero.
void normaliseSingle(Vector& v) {
    float length = float(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
    if (length == 0.0f) length = -1.0f;
    const float reciprocal = 1.0f / length;
    v.x = double(float(v.x) * reciprocal);
    v.y = double(float(v.y) * reciprocal);
    v.z = double(float(v.z) * reciprocal);
}

}  // namespace

Camera::Camera()
    : lookAt(0.0, 0.0, 0.0),
      eye(0.0, 0.0, 0.0),
      forward(0.0, 0.0, 0.0),
      side(0.0, 0.0, 0.0),
      up(0.0, 0.0, 0.0) {
    matrix.identity();
}

void Camera::reset() {
    lookAt = Vector(0.0, 0.0, 1000.0);
    eye = Vector(0.0, 0.0, 1.0);
    matrix.identity();
}

void Camera::update() {
    forward = Vector(lookAt.x - eye.x, lookAt.y - eye.y, lookAt.z - eye.z);
    normaliseSingle(forward);

    // World up (0, 1, 0) without its part along forward.
    const double fx = forward.x, fy = forward.y, fz = forward.z;
    up = Vector(-fy * fx, 1.0 - fy * fy, -fy * fz);
    normaliseSingle(up);

    side = Vector(up.y * fz - fy * up.z, up.z * fx - fz * up.x, up.x * fy - fx * up.y);
    normaliseSingle(side);

    float* m = matrix.m;
    m[0] = float(side.x);
    m[3] = float(side.y);
    m[6] = float(side.z);
    m[1] = float(up.x);
    m[4] = float(up.y);
    m[7] = float(up.z);
    m[2] = float(forward.x);
    m[5] = float(forward.y);
    m[8] = float(forward.z);
}

}  // namespace Qu
