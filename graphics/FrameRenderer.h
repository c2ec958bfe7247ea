#pragma once
// What a scene asks of whatever draws its frames: a camera with its frustum, and a frame
// of the nodes and lights it culled. The basic, per-vertex and per-pixel renderers plug in
// here, so the scene's loop never changes with them.

#include <vector>

#include "core/CameraMath.h"
#include "graphics/PixelFormat.h"  // Colour
#include "graphics/RenderNode.h"

namespace KOR {

class FrameRenderer {
public:
  virtual ~FrameRenderer() = default;
  // fov is vertical, in degrees.
  virtual void SetProjection(float fov, float aspect, float near, float far) = 0;
  virtual void SetView(const Vector3& eye, const Vector3& forward, const Vector3& up) = 0;
  // The frustum of the current projection and view, for culling.
  virtual void BuildFrustum() = 0;
  virtual const Camera& GetCamera() const = 0;
  // One whole frame: clear to clearColour, draw the nodes in the frustum lit by their
  // lights, end the frame and present it.
  virtual void RenderFrame(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>& lights,
                           const Colour& clearColour) = 0;
};

}  // namespace KOR
