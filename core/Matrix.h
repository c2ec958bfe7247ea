#pragma once
// 4 × 4 float matrices in the Direct3D convention: stored row by row, points are row
// vectors on the left (p' = p × M), so a × b applies a first, then b.

#include "core/Vector.h"

namespace KOR {

struct Matrix {
  float m[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                   {0.0f, 1.0f, 0.0f, 0.0f},
                   {0.0f, 0.0f, 1.0f, 0.0f},
                   {0.0f, 0.0f, 0.0f, 1.0f}};
};

Matrix operator*(const Matrix& a, const Matrix& b);

// p × m.
Vector4 Transform(const Vector4& p, const Matrix& m);

// Cofactor expansion along the first row.
float Determinant(const Matrix& m);

// The adjugate divided by the determinant. False, leaving inverse untouched, when m is
// singular in floating point: an entry is not finite, or its determinant is negligible
// for the matrix's own scale, so a small but well-formed matrix (a uniform scale of
// 0.05, a wide orthographic projection) still inverts.
bool Invert(const Matrix& m, Matrix& inverse);

// The inverse of m, or m itself when m is singular: the rule of the device's inverse
// world, view and projection entries.
Matrix InverseOrSelf(const Matrix& m);

// World matrix of an object: uniform scale, then rotation by q, then translation.
Matrix WorldMatrix(float scale, const Quaternion& rotation, const Vector3& position);

}  // namespace KOR
