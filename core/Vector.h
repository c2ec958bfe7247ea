#pragma once
// The engine's plain value types for points, directions and rotations: three floats
// (x, y, z), four with w, and quaternions stored w first (identity 1, 0, 0, 0).

#include <cmath>

namespace KOR {

struct Vector3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Vector4 {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};

struct Quaternion {
  float w = 1.0f, x = 0.0f, y = 0.0f, z = 0.0f;
};

inline Vector3 operator+(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator*(const Vector3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vector3 operator*(float s, const Vector3& a) { return a * s; }

inline float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float Length(const Vector3& a) { return std::sqrt(Dot(a, a)); }

// v rotated by q: v + 2w (u × v) + 2 u × (u × v), u being the vector part of q.
inline Vector3 Rotate(const Quaternion& q, const Vector3& v) {
  const Vector3 u{q.x, q.y, q.z};
  const Vector3 t = Cross(u, v);
  return v + (2.0f * q.w) * t + 2.0f * Cross(u, t);
}

}  // namespace KOR
