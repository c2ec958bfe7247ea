#include "core/CameraMath.h"

#include <algorithm>
#include <cmath>

namespace KOR {

namespace {

const float pi = std::acos(-1.0f);

// Below this ratio of |determinant| to the product of the row lengths (1 for
// orthogonal rows) the rows are dependent to within float rounding and an inverse
// would be noise.
constexpr double singularRatio = 1e-6;

double Minor(const double a[4][4], int row, int column) {
  double s[3][3];
  for (int i = 0, si = 0; i < 4; ++i) {
    if (i == row) continue;
    for (int j = 0, sj = 0; j < 4; ++j) {
      if (j == column) continue;
      s[si][sj++] = a[i][j];
    }
    ++si;
  }
  return s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
         s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
         s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
}

// Expanded in double so that large and small entries (far planes, small scales) keep
// their digits.
double DeterminantOf(const double a[4][4]) {
  double det = 0.0;
  for (int j = 0; j < 4; ++j) {
    const double sign = (j % 2 == 0) ? 1.0 : -1.0;
    det += sign * a[0][j] * Minor(a, 0, j);
  }
  return det;
}

void ToDouble(const Matrix& m, double a[4][4]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) a[i][j] = m.m[i][j];
}

// Singular in floating point: an entry is not finite, or, once rows and then columns
// are scaled by powers of two to a largest entry near 1 (exact, and blind to scale,
// non-uniform scale and translation alike), the determinant is negligible against the
// product of the row lengths, which bounds it.
bool IsSingular(const double a[4][4]) {
  double e[4][4];
  for (int i = 0; i < 4; ++i) {
    double largest = 0.0;
    for (int j = 0; j < 4; ++j) {
      if (!std::isfinite(a[i][j])) return true;
      largest = std::max(largest, std::fabs(a[i][j]));
    }
    if (largest == 0.0) return true;
    int exponent = 0;
    std::frexp(largest, &exponent);
    for (int j = 0; j < 4; ++j) e[i][j] = std::ldexp(a[i][j], -exponent);
  }
  for (int j = 0; j < 4; ++j) {
    double largest = 0.0;
    for (int i = 0; i < 4; ++i) largest = std::max(largest, std::fabs(e[i][j]));
    if (largest == 0.0) return true;
    int exponent = 0;
    std::frexp(largest, &exponent);
    for (int i = 0; i < 4; ++i) e[i][j] = std::ldexp(e[i][j], -exponent);
  }
  double rowLengths = 1.0;
  for (int i = 0; i < 4; ++i)
    rowLengths *= std::sqrt(e[i][0] * e[i][0] + e[i][1] * e[i][1] + e[i][2] * e[i][2] + e[i][3] * e[i][3]);
  return !(std::fabs(DeterminantOf(e)) > singularRatio * rowLengths);
}

// The adjugate divided by the determinant, unless m is singular.
bool InverseOf(const Matrix& m, double inverse[4][4]) {
  double a[4][4];
  ToDouble(m, a);
  if (IsSingular(a)) return false;
  const double det = DeterminantOf(a);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const double sign = ((i + j) % 2 == 0) ? 1.0 : -1.0;
      inverse[j][i] = sign * Minor(a, i, j) / det;
    }
  }
  return true;
}

struct Point {
  double x, y, z;
};

Point operator-(const Point& a, const Point& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

double Dot(const Point& a, const Point& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The plane through a, b and c with its normal towards inside, normal and distance
// divided by the normal's length; all zero (never culls) when the points do not span
// a plane. Worked in double: the near corners lie close together, far from the origin.
Plane PlaneThrough(const Point& a, const Point& b, const Point& c, const Point& inside) {
  const Point u = b - a, v = c - a;
  Point n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  const double length = std::sqrt(Dot(n, n));
  if (!(length > 0.0) || !std::isfinite(length)) return Plane{};
  n = {n.x / length, n.y / length, n.z / length};
  double distance = Dot(n, a);
  // The winding of a triple depends on the handedness of the matrix (a mirrored
  // camera flips it), so the normal is turned towards the frustum's centre instead.
  if (Dot(n, inside) < distance) {
    n = {-n.x, -n.y, -n.z};
    distance = -distance;
  }
  Plane plane;
  plane.normal = {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
  plane.distance = static_cast<float>(distance);
  return plane;
}

}  // namespace

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
  return r;
}

Vector4 Transform(const Vector4& p, const Matrix& m) {
  Vector4 r;
  r.x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + p.w * m.m[3][0];
  r.y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + p.w * m.m[3][1];
  r.z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + p.w * m.m[3][2];
  r.w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + p.w * m.m[3][3];
  return r;
}

float Determinant(const Matrix& m) {
  double a[4][4];
  ToDouble(m, a);
  return static_cast<float>(DeterminantOf(a));
}

bool Invert(const Matrix& m, Matrix& inverse) {
  double r[4][4];
  if (!InverseOf(m, r)) return false;
  Matrix result;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const float value = static_cast<float>(r[i][j]);
      // An inverse beyond the float range is as useless as none.
      if (!std::isfinite(value)) return false;
      result.m[i][j] = value;
    }
  }
  inverse = result;
  return true;
}

Matrix InverseOrSelf(const Matrix& m) {
  Matrix inverse = m;
  Invert(m, inverse);
  return inverse;
}

Matrix WorldMatrix(float scale, const Quaternion& rotation, const Vector3& position) {
  // Row i is the image of axis i, so p × M rotates p exactly as Rotate does.
  const Vector3 axes[3] = {Rotate(rotation, {1.0f, 0.0f, 0.0f}),
                           Rotate(rotation, {0.0f, 1.0f, 0.0f}),
                           Rotate(rotation, {0.0f, 0.0f, 1.0f})};
  Matrix r;
  for (int i = 0; i < 3; ++i) {
    r.m[i][0] = axes[i].x * scale;
    r.m[i][1] = axes[i].y * scale;
    r.m[i][2] = axes[i].z * scale;
    r.m[i][3] = 0.0f;
  }
  r.m[3][0] = position.x;
  r.m[3][1] = position.y;
  r.m[3][2] = position.z;
  r.m[3][3] = 1.0f;
  return r;
}

Camera::Camera() = default;

Camera::~Camera() = default;

void Camera::SetPerspective(float fov, float aspect, float near, float far) {
  this->fov = fov;
  this->aspect = aspect;
  this->near = near;
  this->far = far;
  perspective = true;
  infiniteFar = false;
}

void Camera::SetOrthographic(float width, float height, float near, float far) {
  orthoWidth = width;
  orthoHeight = height;
  this->near = near;
  this->far = far;
  perspective = false;
}

void Camera::SetFrame(const Vector3& position, const Vector3& right, const Vector3& up,
                      const Vector3& look) {
  this->position = position;
  this->right = right;
  this->up = up;
  this->look = look;
}

void Camera::BuildCameraMatrix() {
  view.m[0][0] = right.x; view.m[0][1] = up.x; view.m[0][2] = look.x; view.m[0][3] = 0.0f;
  view.m[1][0] = right.y; view.m[1][1] = up.y; view.m[1][2] = look.y; view.m[1][3] = 0.0f;
  view.m[2][0] = right.z; view.m[2][1] = up.z; view.m[2][2] = look.z; view.m[2][3] = 0.0f;
  view.m[3][0] = -Dot(position, right);
  view.m[3][1] = -Dot(position, up);
  view.m[3][2] = -Dot(position, look);
  view.m[3][3] = 1.0f;
}

void Camera::BuildProjection() {
  Matrix p;
  p.m[0][0] = p.m[1][1] = p.m[2][2] = p.m[3][3] = 0.0f;
  if (perspective) {
    const float yScale = 1.0f / std::tan(fov * pi / 360.0f);
    p.m[0][0] = yScale / aspect;
    p.m[1][1] = yScale;
    if (infiniteFar) {
      p.m[2][2] = -1.0f;
      p.m[2][3] = -1.0f;
      p.m[3][2] = -2.0f * near;
    } else {
      p.m[2][2] = far / (far - near);
      p.m[2][3] = 1.0f;
      p.m[3][2] = -near * far / (far - near);
    }
  } else {
    p.m[0][0] = 2.0f / orthoHeight;
    p.m[1][1] = 2.0f / orthoWidth;
    p.m[2][2] = 1.0f / (far - near);
    p.m[3][2] = near / (near - far);
    p.m[3][3] = 1.0f;
  }
  projection = p;
}

void Camera::BuildCombinedMatrix() {
  BuildCameraMatrix();
  BuildProjection();
  viewProjection = view * projection;
}

void Camera::BuildFrustum() {
  BuildCombinedMatrix();
  double inverse[4][4];
  if (!InverseOf(viewProjection, inverse)) {
    const double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    std::copy(&identity[0][0], &identity[0][0] + 16, &inverse[0][0]);
  }

  Point world[8];
  Point centre{0.0, 0.0, 0.0};
  for (int i = 0; i < 8; ++i) {
    const double clip[4] = {(i & 1) ? 1.0 : -1.0, (i & 2) ? 1.0 : -1.0, (i & 4) ? 1.0 : 0.0, 1.0};
    double p[4];
    for (int j = 0; j < 4; ++j)
      p[j] = clip[0] * inverse[0][j] + clip[1] * inverse[1][j] + clip[2] * inverse[2][j] +
             clip[3] * inverse[3][j];
    world[i] = {p[0] / p[3], p[1] / p[3], p[2] / p[3]};
    corners[i] = {static_cast<float>(world[i].x), static_cast<float>(world[i].y),
                  static_cast<float>(world[i].z)};
    centre = {centre.x + world[i].x / 8.0, centre.y + world[i].y / 8.0, centre.z + world[i].z / 8.0};
  }

  // Side planes through one near and two far corners, whose long edges fix the
  // plane's direction far better than the short near edge would.
  static const int triples[PlaneCount][3] = {
      {0, 1, 2}, {4, 5, 6}, {0, 4, 6}, {1, 5, 7}, {2, 6, 7}, {0, 4, 5}};
  for (int i = 0; i < PlaneCount; ++i)
    planes[i] = PlaneThrough(world[triples[i][0]], world[triples[i][1]], world[triples[i][2]], centre);
}

bool Camera::SphereVisible(const Vector3& centre, float radius) const {
  for (const Plane& plane : planes) {
    if (Dot(plane.normal, centre) - plane.distance < -radius) return false;
  }
  return true;
}

}  // namespace KOR
