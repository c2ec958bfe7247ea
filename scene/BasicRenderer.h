#pragma once
// The scene's view of the render device until material passes exist: a device camera
// with its frustum, and a frame that draws every node in the frustum with the device's
// built-in position-and-colour path (no materials, no lighting). Without a device it
// keeps the camera maths and draws nothing.

#include <memory>
#include <vector>

#include "core/CameraMath.h"
#include "graphics/FrameRenderer.h"
#include "graphics/StateObjects.h"

namespace KOR {

class Device;
class StreamMap;
class RenderStateSet;

class BasicRenderer final : public FrameRenderer {
public:
  explicit BasicRenderer(Device* device);
  ~BasicRenderer() override;
  BasicRenderer(const BasicRenderer&) = delete;
  BasicRenderer& operator=(const BasicRenderer&) = delete;

  Camera& ViewCamera() override { return *camera; }

  // Clear colour and depth to clearColour, apply the camera, then draw each node with
  // inFrustum at its world matrix: position and colour when its renderable has a colour
  // element, position alone otherwise; then end the frame and present.
  void RenderFrame(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>& lights,
                   const Colour& clearColour) override;

private:
  void MakeDeviceObjects();

  Device* device;
  Camera* camera = nullptr;                     // the device's, or ownCamera
  std::unique_ptr<Camera> ownCamera;            // without a device
  StreamMap* positionColour = nullptr;          // the device's
  StreamMap* positionOnly = nullptr;
  RenderStateSet* depthStates = nullptr;
};

}  // namespace KOR
