#include "scene/BasicRenderer.h"

#include "graphics/Device.h"
#include "graphics/VertexBuffer.h"
#include "graphics/RenderNode.h"

namespace KOR {
namespace {

const VertexElementDecl kPosition{+ElementUsage::Position, 0, +ElementType::Float3},
    kColour{+ElementUsage::Colour, 0, +ElementType::Colour};

// Engine render states: depth test, depth writing, cull mode, depth comparison.

class MathCamera final : public Camera {
public:
  void ApplyProjection() override {}
  void ApplyCamera() override {}
};

}  // namespace

BasicRenderer::BasicRenderer(Device* device) : device(device) {
  if (device) camera = device->CreateCamera();
  if (!camera) {
    ownCamera = std::make_unique<MathCamera>();
    camera = ownCamera.get();
  }
  // Until a camera entity speaks: at the origin, looking along z, a 60° view.
  camera->SetPerspective(60.0f, 1.0f, 10.0f, 10000.0f);
  camera->SetFrame({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  camera->BuildCombinedMatrix();
}

BasicRenderer::~BasicRenderer() {
  if (!device) return;
  if (!ownCamera) device->DestroyObject(camera);
  if (positionColour) device->DestroyObject(positionColour);
  if (positionOnly) device->DestroyObject(positionOnly);
  if (depthStates) device->DestroyObject(depthStates);
}

// The stream maps become declarations of the device as it is at the first frame.
void BasicRenderer::MakeDeviceObjects() {
  positionColour = device->CreateStreamMap();
  positionColour->AddElement(kPosition);
  positionColour->AddElement(kColour);
  positionColour->Build();
  positionOnly = device->CreateStreamMap();
  positionOnly->AddElement(kPosition);
  positionOnly->Build();
  depthStates = device->CreateRenderStateSet();
  depthStates->Set(RenderState::DepthEnable, 1);
  depthStates->Set(RenderState::DepthWrite, 1);
  depthStates->Set(RenderState::DepthFunction, +Compare::LessEqual);
  depthStates->Set(RenderState::CullMode, +Cull::None);
}

void BasicRenderer::RenderFrame(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>&,
                                const Colour& clear) {
  if (!device) return;
  if (!positionColour) MakeDeviceObjects();
  device->Clear(true, true, false, clear.r, clear.g, clear.b, clear.a);
  device->BeginFrame();
  camera->ApplyProjection();
  camera->ApplyCamera();
  depthStates->Apply();
  for (const RenderNode* node : nodes) {
    if (!node->inFrustum || !node->renderable) continue;
    const Matrix world = WorldMatrix(node->scale, node->rotation, node->position);
    device->SetWorldMatrix(&world.m[0][0]);
    bool coloured = node->renderable->vertices.GetElement(kColour) != nullptr;
    node->renderable->Draw(coloured ? positionColour : positionOnly);
  }
  device->EndFrame();
  device->Present();
}

}  // namespace KOR
