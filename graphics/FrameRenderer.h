#pragma once
// What a scene asks of whatever draws its frames: a camera with its frustum, and a frame
// of the nodes and lights it culled. The basic, per-vertex and per-pixel renderers plug in
// here, so the scene's loop never changes with them.

#include <vector>

#include "core/CameraMath.h"
#include "graphics/PixelFormat.h"  // Colour
#include "graphics/RenderNode.h"

namespace KOR {

// A scene's fog, decided once by the scene: squared-exponential towards its colour, which
// is also the colour the frame is cleared to. Density per world unit; 0 is no fog.
struct Fog {
  Colour colour{0, 0, 0, 1};
  float density = 0.0f;
};

class FrameRenderer {
public:
  virtual ~FrameRenderer() = default;
  // fov is vertical, in degrees.
  void SetProjection(float fov, float aspect, float near, float far) {
    ViewCamera().SetPerspective(fov, aspect, near, far);
    ViewCamera().BuildProjection();
  }
  // Left-handed: right = up × forward.
  void SetView(const Vector3& eye, const Vector3& forward, const Vector3& up) {
    ViewCamera().SetFrame(eye, Cross(up, forward), up, forward);
    ViewCamera().BuildCameraMatrix();
  }
  // The frustum of the current projection and view, for culling.
  void BuildFrustum() { ViewCamera().BuildFrustum(); }
  const Camera& GetCamera() const { return const_cast<FrameRenderer*>(this)->ViewCamera(); }
  // The camera the renderer draws with, which the scene steers.
  virtual Camera& ViewCamera() = 0;
  // One whole frame: clear to clearColour, draw the nodes in the frustum lit by their
  // lights, end the frame and present it.
  virtual void RenderFrame(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>& lights,
                           const Colour& clearColour) = 0;
};

}  // namespace KOR
