#include "engine/matrix.h"

#include <cmath>

namespace Qu {

void Matrix::identity() {
    for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

void Matrix::rotation(float a, float b, float c) {
    // Double-precision sine and cosine, each element stored as float. The
    // casts matter: std::sin of a float is the single-precision overload.
    double sa = std::sin(double(a)), ca = std::cos(double(a));
    double sb = std::sin(double(b)), cb = std::cos(double(b));
    double sc = std::sin(double(c)), cc = std::cos(double(c));
    m[0] = float(cb * cc);
    m[1] = float(cb * sc);
    m[2] = float(-sb);
    m[3] = float(sa * sb * cc - ca * sc);
    m[4] = float(ca * cc + sa * sb * sc);
    m[5] = float(sa * cb);
    m[6] = float(ca * sb * cc + sa * sc);
    m[7] = float(ca * sb * sc - sa * cc);
    m[8] = float(ca * cb);
}

void Matrix::multiply(const Matrix& B) {
    float r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i * 3 + j] = m[i * 3 + 0] * B.m[0 + j] + m[i * 3 + 1] * B.m[3 + j] +
                           m[i * 3 + 2] * B.m[6 + j];
    for (int i = 0; i < 9; ++i) m[i] = r[i];
}

}  // namespace Qu
