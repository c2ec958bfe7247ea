#pragma once
// Textures of the Direct3D 9 module: the graphics layer's levels copied into Direct3D
// textures, bound to samplers, and 2D and cube textures as render targets.

#include <array>
#include <memory>
#include <vector>

#include "graphics/Texture.h"
#include "render_d3d9/StateObjects.h"

struct IDirect3DTexture9;
struct IDirect3DCubeTexture9;
struct IDirect3DVolumeTexture9;

namespace KOR {

class D3D9Texture2D final : public Texture2D, public D3D9SamplerTexture {
public:
  ~D3D9Texture2D() override;
  void Upload() override;
  void Bind(int32_t stage) override;
  void SetAsRenderTarget() override;
  IDirect3DBaseTexture9* GetBaseTexture() override;

  IDirect3DTexture9* texture = nullptr;
};

// A cube: six faces per level, in the engine's order (−X, +X, −Y, +Y, −Z, +Z).
class D3D9TextureCube final : public Texture2D, public D3D9SamplerTexture {
public:
  ~D3D9TextureCube() override;
  void Upload() override;
  int32_t GetType() const override { return 1; }
  void Bind(int32_t stage) override;
  // Face 0 is the one a plain texture's render target would be.
  void SetAsRenderTarget() override { SetAsRenderTarget(0); }
  void SetAsRenderTarget(int32_t face);
  IDirect3DBaseTexture9* GetBaseTexture() override;

  std::array<std::vector<std::unique_ptr<Surface>>, 6> faces;  // per face, level 0 first
  IDirect3DCubeTexture9* texture = nullptr;
};

class D3D9Texture3D final : public Texture3D, public D3D9SamplerTexture {
public:
  ~D3D9Texture3D() override;
  void Upload() override;
  void Bind(int32_t stage) override;
  IDirect3DBaseTexture9* GetBaseTexture() override;

  IDirect3DVolumeTexture9* texture = nullptr;
};

}  // namespace KOR
