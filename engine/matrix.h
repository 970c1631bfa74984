#pragma once
// Qu::Matrix: a 3x3 rotation of floats, row-major (m[0..2] is row 0).
// Row vectors: v' = v·M, and A.multiply(B) gives A×B, so a vector
// transformed by A×B is rotated by A first, then by B.

namespace Qu {

struct Matrix {
    float m[9];

    void identity();
    // Rotates about x by a, then about y by b, then about z by c (radians).
    void rotation(float a, float b, float c);
    // this := this × B (B may be a copy of this).
    void multiply(const Matrix& B);
};

}  // namespace Qu
