#pragma once
// Qu::Camera: eye, look-at point and the basis computed from them.
// Eye coordinates of a world point p: (p - eye)·matrix = (side·d, up·d,
// forward·d); z is the distance toward the look-at point.
#include "engine/vector.h"

namespace Qu {

class Camera {
public:
    Camera();
    // lookAt (0, 0, 1000), eye (0, 0, 1), identity matrix.
    void reset();
    void setLookAt(const Vector& v) { lookAt = v; }
    void setEye(const Vector& v) { eye = v; }
    // Recomputes forward, up, side and matrix (single-precision
    // normalisation; a zero vector stays zero).
    void update();

    Vector lookAt;
    Vector eye;
    Vector forward;
    Vector side;
    Vector up;
    Matrix matrix;
};

}  // namespace Qu
