#include "engine/vector.h"

#include <cmath>

namespace Qu {

double Vector::length() const {
    double l = std::sqrt(x * x + y * y + z * z);
    return l == 0.0 ? 1.0 : l;
}

void Vector::normalise() {
    double l = length();
    x /= l;
    y /= l;
    z /= l;
}

Vector Vector::cross(const Vector& v) const {
    return Vector(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
}

void Vector::transform(double sx, double sy, double sz, const Matrix& M) {
    const float* m = M.m;
    double nx = m[0] * sx + m[3] * sy + m[6] * sz;
    double ny = m[1] * sx + m[4] * sy + m[7] * sz;
    double nz = m[2] * sx + m[5] * sy + m[8] * sz;
    x = nx;
    y = ny;
    z = nz;
}

}  // namespace Qu
