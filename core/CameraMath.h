#pragma once
// The camera base: projection parameters and the camera's frame, from which it builds
// the view and projection matrices, their product and the six planes of the view
// frustum that the scene culls bounding spheres against. Direct3D conventions:
// row vectors on the left, left-handed, clip-space depth from 0 to 1.

#include "core/Matrix.h"
#include "core/Vector.h"

namespace KOR {

// A plane with a unit normal pointing into the frustum: normal · p = distance on it.
struct Plane {
  Vector3 normal;
  float distance = 0.0f;
};

class Camera {
public:
  enum { PlaneNear, PlaneFar, PlaneLeft, PlaneRight, PlaneTop, PlaneBottom, PlaneCount };

  Camera();
  virtual ~Camera();

  // The render module's half: hand the projection, then the view, to the device.
  virtual void ApplyProjection() = 0;
  virtual void ApplyCamera() = 0;

  // fov is the vertical field of view in degrees; aspect is width / height.
  void SetPerspective(float fov, float aspect, float near, float far);
  // The first argument scales y and the second x.
  void SetOrthographic(float width, float height, float near, float far);
  // The axes are expected orthonormal.
  void SetFrame(const Vector3& position, const Vector3& right, const Vector3& up,
                const Vector3& look);

  void BuildCameraMatrix();
  void BuildProjection();
  // Builds the view and the projection, then viewProjection = view × projection.
  void BuildCombinedMatrix();
  // Builds the combined matrix, the world-space corners and the planes. A singular
  // view-projection gives the planes of the untransformed clip-space cube.
  void BuildFrustum();

  // False when the sphere lies entirely outside one plane; touching counts as visible.
  bool SphereVisible(const Vector3& centre, float radius) const;

  float fov = 0.0f;
  float aspect = 0.0f;
  float near = 0.0f;
  float far = 0.0f;
  float orthoWidth = 0.0f;
  float orthoHeight = 0.0f;
  bool perspective = false;
  bool infiniteFar = false;

  Vector3 position;
  Vector3 right;
  Vector3 up;
  Vector3 look;

  Matrix view;
  Matrix projection;
  Matrix viewProjection;

  // Clip-space cube corners (x varies fastest, then y, then depth 0 to 1); their
  // world-space images after BuildFrustum.
  Vector3 corners[8];
  Plane planes[PlaneCount];
};

}  // namespace KOR
