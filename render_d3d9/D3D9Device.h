#pragma once
// The one render device of the Direct3D 9 module: the output window, the Direct3D
// device, the display-mode lists, the frame, and the factory of the module's objects.

#include <vector>

#include "graphics/Device.h"
#include "platform/d3d9/D3D9.h"

namespace KOR {

class D3D9Device final : public Device {
public:
  explicit D3D9Device(IDirect3D9* direct3D);

  VertexElementBuffer* CreateVertexBuffer(VertexElementDecl decl) override;
  int GetResolutionCount(bool trueColour) override;
  void GetResolution(DisplayMode& mode, bool trueColour, int index) override;
  void Create(int width, int height, bool trueColour, int depthMode, int windowType,
              int multiSampleType) override;
  void Reserved1(uint32_t, const char*, uint32_t, uint32_t, uint32_t) override {}
  void Destroy() override;
  void SetWindowType(int windowType) override;
  void SetResolution(int width, int height) override;
  void Reserved2(uint32_t) override {}
  void BeginFrame() override;
  void EndFrame() override;
  void Clear(bool colour, bool depth, bool stencil, float red, float green, float blue,
             float alpha) override;
  void Present() override;
  void RestoreBackBuffer() override;
  void SetWorldMatrix(const float* matrix) override;
  StreamMap* CreateStreamMap() override;
  Renderable* CreateRenderable(bool dynamic) override;
  Camera* CreateCamera() override;
  Texture2D* CreateTexture2D() override;
  Texture2D* CreateTextureCube() override;
  Texture3D* CreateTexture3D() override;
  TextureStageSet* CreateTextureStageSet() override;
  LightSet* CreateLight() override;
  FixedFunctionMaterial* CreateMaterial() override;
  RenderStateSet* CreateRenderStateSet() override;
  GpuProgram* CreateGpuProgram() override;
  void DestroyObject(DeviceObject* object) override;
  void CopyBackBufferToTarget() override;
  void UnbindVertexProgram() override;
  void UnbindPixelProgram() override;
  ShaderVersions GetShaderVersions() override;
  void SetVerticalSync(bool on) override { verticalSync = on; }

  // The render target bound in place of the back buffer, or null. SetCurrentTarget takes
  // over the caller's reference to the new one and releases the old one.
  IDirect3DSurface9* GetCurrentTarget() const { return currentTarget; }
  void SetCurrentTarget(IDirect3DSurface9* target);
  // The newest window: after a second Create the first one is already destroyed.
  HWND GetWindow() const { return windows.empty() ? nullptr : windows.back(); }
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  int GetWindowType() const { return windowType; }

private:
  UINT RefreshRateFor(int width, int height) const;

  IDirect3D9* direct3D;

  int width = 0, height = 0;
  BOOL trueColour = TRUE;
  int depthMode = 0;
  int windowType = 0;
  bool verticalSync = false;
  std::vector<HWND> windows;
  D3DPRESENT_PARAMETERS presentParameters{};
  IDirect3DSurface9* backBuffer = nullptr;
  IDirect3DSurface9* currentTarget = nullptr;
  std::vector<DisplayMode> modes16, modes32;
};

}  // namespace KOR
