#pragma once
// The render-module boundary: one device per process, the output window, the frame, and
// the factory of every hardware object the graphics layer fills and the module builds.

#include <cstdint>

#include "core/CameraMath.h"
#include "graphics/VertexBuffer.h"

namespace KOR {

class Texture2D;
class Texture3D;
class TextureStageSet;
class LightSet;
class FixedFunctionMaterial;
class RenderStateSet;
class GpuProgram;

struct DisplayMode {
  uint32_t width = 0, height = 0, refreshRate = 0;
};

// Versions as major × 10 + minor (1.1 is 11, 3.0 is 30).
struct ShaderVersions {
  int32_t vertex = 0, pixel = 0;
};

// Operations in slot order; every one is the module's to implement.
class Device {
public:
  virtual VertexElementBuffer* CreateVertexBuffer(VertexElementDecl decl) = 0;
  virtual int GetResolutionCount(bool trueColour) = 0;
  virtual void GetResolution(DisplayMode& mode, bool trueColour, int index) = 0;
  virtual void Create(int width, int height, bool trueColour, int depthMode, int windowType,
                      int multiSampleType) = 0;
  virtual void Reserved1(uint32_t, const char*, uint32_t, uint32_t, uint32_t) = 0;
  virtual void Destroy() = 0;
  virtual void SetWindowType(int windowType) = 0;
  virtual void SetResolution(int width, int height) = 0;
  virtual void Reserved2(uint32_t) = 0;
  virtual void BeginFrame() = 0;
  virtual void EndFrame() = 0;
  virtual void Clear(bool colour, bool depth, bool stencil, float red, float green, float blue,
                     float alpha) = 0;
  virtual void Present() = 0;
  virtual void RestoreBackBuffer() = 0;
  virtual void SetWorldMatrix(const float* matrix) = 0;  // 16 floats, row by row
  virtual StreamMap* CreateStreamMap() = 0;
  virtual Renderable* CreateRenderable(bool dynamic) = 0;
  virtual Camera* CreateCamera() = 0;
  virtual Texture2D* CreateTexture2D() = 0;
  virtual Texture2D* CreateTextureCube() = 0;
  virtual Texture3D* CreateTexture3D() = 0;
  virtual TextureStageSet* CreateTextureStageSet() = 0;
  virtual LightSet* CreateLight() = 0;
  virtual FixedFunctionMaterial* CreateMaterial() = 0;
  virtual RenderStateSet* CreateRenderStateSet() = 0;
  virtual GpuProgram* CreateGpuProgram() = 0;
  virtual void DestroyObject(DeviceObject* object) = 0;
  virtual void CopyBackBufferToTarget() = 0;
  virtual void UnbindVertexProgram() = 0;
  virtual void UnbindPixelProgram() = 0;
  virtual ShaderVersions GetShaderVersions() = 0;
  // Taken by the next Create: whether Present waits for the display's refresh (off until asked).
  virtual void SetVerticalSync(bool on) = 0;

  // A camera is a device object too, beside its camera-math base.
  void DestroyObject(Camera* camera) { DestroyObject(dynamic_cast<DeviceObject*>(camera)); }

protected:
  // The device lives until the process ends; nobody deletes it through this interface.
  ~Device() = default;
};

}  // namespace KOR
