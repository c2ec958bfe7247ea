#pragma once
// A render device for graphics-layer tests: it makes counting textures and nothing else,
// and checks that everything it made comes back through DestroyObject.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/Device.h"
#include "graphics/Texture.h"

namespace KOR::Testing {

struct DeviceCounts {
  int texturesMade = 0;
  int texturesDestroyed = 0;
  int uploads = 0;
  int foreignDestroys = 0;  // objects this device never made
};

class CountingTexture2D final : public Texture2D {
public:
  explicit CountingTexture2D(DeviceCounts& counts) : counts(counts) {}
  ~CountingTexture2D() override { ++counts.texturesDestroyed; }
  void Upload() override {
    ++counts.uploads;
    ++uploads;
  }
  void Bind(int32_t) override {}
  void SetAsRenderTarget() override {}
  int uploads = 0;

private:
  DeviceCounts& counts;
};

class CountingTexture3D final : public Texture3D {
public:
  explicit CountingTexture3D(DeviceCounts& counts) : counts(counts) {}
  ~CountingTexture3D() override { ++counts.texturesDestroyed; }
  void Upload() override {
    ++counts.uploads;
    ++uploads;
  }
  void Bind(int32_t) override {}
  int uploads = 0;

private:
  DeviceCounts& counts;
};

class FakeDevice final : public Device {
public:
  ~FakeDevice() {
    for (DeviceObject* object : live) delete object;
  }

  VertexElementBuffer* CreateVertexBuffer(VertexElementDecl) override { return nullptr; }
  int GetResolutionCount(bool) override { return 0; }
  void GetResolution(DisplayMode&, bool, int) override {}
  void Create(int, int, bool, int, int, int) override {}
  void Reserved1(uint32_t, const char*, uint32_t, uint32_t, uint32_t) override {}
  void Destroy() override {}
  void SetWindowType(int) override {}
  void SetResolution(int, int) override {}
  void Reserved2(uint32_t) override {}
  void BeginFrame() override {}
  void EndFrame() override {}
  void Clear(bool, bool, bool, float, float, float, float) override {}
  void Present() override {}
  void RestoreBackBuffer() override {}
  void SetWorldMatrix(const float*) override {}
  StreamMap* CreateStreamMap() override { return nullptr; }
  Renderable* CreateRenderable(bool) override { return nullptr; }
  Camera* CreateCamera() override { return nullptr; }
  Texture2D* CreateTexture2D() override { return Made(new CountingTexture2D(counts)); }
  Texture2D* CreateTextureCube() override { return nullptr; }
  Texture3D* CreateTexture3D() override { return Made(new CountingTexture3D(counts)); }
  TextureStageSet* CreateTextureStageSet() override { return nullptr; }
  LightSet* CreateLight() override { return nullptr; }
  FixedFunctionMaterial* CreateMaterial() override { return nullptr; }
  RenderStateSet* CreateRenderStateSet() override { return nullptr; }
  GpuProgram* CreateGpuProgram() override { return nullptr; }
  void DestroyObject(DeviceObject* object) override {
    if (!object) return;
    auto found = std::find(live.begin(), live.end(), object);
    if (found == live.end()) {
      ++counts.foreignDestroys;
      return;
    }
    live.erase(found);
    delete object;
  }
  void CopyBackBufferToTarget() override {}
  void UnbindVertexProgram() override {}
  void UnbindPixelProgram() override {}
  ShaderVersions GetShaderVersions() override { return {}; }
  void SetVerticalSync(bool) override {}

  int LiveObjects() const { return int(live.size()); }

  DeviceCounts counts;

private:
  template <typename T>
  T* Made(T* object) {
    ++counts.texturesMade;
    live.push_back(object);
    return object;
  }

  std::vector<DeviceObject*> live;
};

}  // namespace KOR::Testing
