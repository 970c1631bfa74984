#pragma once
// Qu::Vector: a point or direction of three doubles.
//
// Conventions for all engine math: vectors are row vectors and are
// transformed from the left, v' = v·M (see engine/matrix.h). Angles are in
// radians. Positions are doubles, rotations floats.
#include <cmath>

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
    // Inline: normals are worked out per face and per vertex at load time.
    double length() const {
        const double l = std::sqrt(x * x + y * y + z * z);
        return l == 0.0 ? 1.0 : l;
    }
    void normalise() {
        const double l = length();
        x /= l;
        y /= l;
        z /= l;
    }
    Vector cross(const Vector& v) const { return Vector(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x); }
    // this := (x, y, z)·M; the source may be this vector's own components.
    void transform(double x, double y, double z, const Matrix& M);
};

}  // namespace Qu
