#include "engine/vector.h"

namespace Qu {

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
