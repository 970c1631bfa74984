#pragma once
// Qu::Vector: a point or direction of three doubles.
//
// Conventions for all engine math: vectors are row vectors and are
// transformed from the left, v' = v·M (see engine/matrix.h). Angles are in
// radians. Positions are doubles, rotations floats.
#include "engine/matrix.h"

namespace Qu {

struct Vector {
    double x, y, z;

    Vector() = default;   // uninitialised, like the original; use zero()
    Vector(double x, double y, double z) : x(x), y(y), z(z) {}

    void zero() { x = y = z = 0.0; }
    Vector& operator-=(const Vector& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    // A zero vector reports length 1.0 so that normalise leaves it zero.
    double length() const;
    void normalise();
    Vector cross(const Vector& v) const;
    // this := (x, y, z)·M; the source may be this vector's own components.
    void transform(double x, double y, double z, const Matrix& M);
};

}  // namespace Qu
