#include "graphics/RenderPass.h"

#include "graphics/Device.h"
#include "graphics/GpuProgram.h"
#include "graphics/RenderSystem.h"
#include "graphics/StateObjects.h"

namespace KOR {
namespace {

// Made through the current device, which also destroys it.
template <class T>
T* Made(T*& slot, T* (Device::*factory)()) {
  if (!slot)
    if (Device* device = CurrentDevice()) slot = (device->*factory)();
  return slot;
}

void Destroy(DeviceObject* object) {
  if (!object) return;
  if (Device* device = CurrentDevice()) device->DestroyObject(object);
  else delete object;
}

}  // namespace

RenderPass::~RenderPass() {
  Destroy(material);
  Destroy(renderStates);
  Destroy(textureStages);
  Destroy(vertexProgram);
  Destroy(pixelProgram);
}

void RenderPass::Apply() {
  if (usesMaterial && material) material->Apply();
  if (usesRenderStates && renderStates) renderStates->Apply();
  if (usesTextureStages && textureStages) textureStages->Apply();
  if (usesVertexProgram && vertexProgram) vertexProgram->Bind();
  if (usesPixelProgram && pixelProgram) pixelProgram->Bind();
  for (GpuProgramConstant* constant : vertexConstants) constant->Apply();
  for (GpuProgramConstant* constant : pixelConstants) constant->Apply();
}

FixedFunctionMaterial* RenderPass::GetMaterial() { return Made(material, &Device::CreateMaterial); }
FixedFunctionMaterial* RenderPass::UseMaterial() {
  usesMaterial = true;
  return GetMaterial();
}
RenderStateSet* RenderPass::GetRenderStates() { return Made(renderStates, &Device::CreateRenderStateSet); }
RenderStateSet* RenderPass::UseRenderStates() {
  usesRenderStates = true;
  return GetRenderStates();
}
TextureStageSet* RenderPass::GetTextureStages() { return Made(textureStages, &Device::CreateTextureStageSet); }
TextureStageSet* RenderPass::UseTextureStages() {
  usesTextureStages = true;
  return GetTextureStages();
}
GpuProgram* RenderPass::GetVertexProgram() { return Made(vertexProgram, &Device::CreateGpuProgram); }
GpuProgram* RenderPass::UseVertexProgram() {
  usesVertexProgram = true;
  return GetVertexProgram();
}
GpuProgram* RenderPass::GetPixelProgram() { return Made(pixelProgram, &Device::CreateGpuProgram); }
GpuProgram* RenderPass::UsePixelProgram() {
  usesPixelProgram = true;
  return GetPixelProgram();
}

}  // namespace KOR
