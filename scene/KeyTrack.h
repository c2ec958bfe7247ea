#pragma once
// Keyframed values with a clock: linear between keys for vectors and scalars, spherical
// for rotations. The clock stops at the last key, so a path ends where its last key is.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/Vector.h"

namespace KOR {

inline float Interpolate(float a, float b, float t) { return a + (b - a) * t; }

inline Vector3 Interpolate(const Vector3& a, const Vector3& b, float t) { return a + (b - a) * t; }

// Along the shorter arc; nearly equal rotations are blended linearly and renormalised,
// where the arc's sine would be too small to divide by.
inline Quaternion Interpolate(const Quaternion& a, Quaternion b, float t) {
  float cosine = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  if (cosine < 0.0f) {
    b = {-b.w, -b.x, -b.y, -b.z};
    cosine = -cosine;
  }
  float wa = 1.0f - t, wb = t;
  if (cosine < 0.9995f) {
    float angle = std::acos(cosine);
    float sine = std::sin(angle);
    wa = std::sin(wa * angle) / sine;
    wb = std::sin(wb * angle) / sine;
  }
  Quaternion q{wa * a.w + wb * b.w, wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z};
  float length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (length > 0.0f) q = {q.w / length, q.x / length, q.y / length, q.z / length};
  return q;
}

template <class T>
class KeyTrack {
public:
  // Keys may come in any order; they are kept by time.
  void AddKey(float time, const T& value) {
    auto at = std::upper_bound(keys.begin(), keys.end(), time,
                               [](float t, const std::pair<float, T>& key) { return t < key.first; });
    keys.insert(at, {time, value});
  }

  void Advance(float dt) {
    if (keys.empty()) return;
    clock = std::min(clock + dt, keys.back().first);
  }

  // The value at the clock: the first key before it, the last after it. Without keys
  // value keeps what it had.
  void Sample(T& value) const {
    if (keys.empty()) return;
    if (clock <= keys.front().first) {
      value = keys.front().second;
      return;
    }
    auto next = std::upper_bound(keys.begin(), keys.end(), clock,
                                 [](float t, const std::pair<float, T>& key) { return t < key.first; });
    if (next == keys.end()) {
      value = keys.back().second;
      return;
    }
    const auto& before = *(next - 1);
    float span = next->first - before.first;
    float t = span > 0.0f ? (clock - before.first) / span : 0.0f;
    value = Interpolate(before.second, next->second, t);
  }

  bool Empty() const { return keys.empty(); }
  size_t GetKeyCount() const { return keys.size(); }
  float GetClock() const { return clock; }

private:
  std::vector<std::pair<float, T>> keys;
  float clock = 0.0f;
};

// Keys from the scene file are spaced this far apart: key i is at i × this.
constexpr float kSceneKeySpacing = 0.1f;

}  // namespace KOR
