#pragma once
// The Direct3D 9 side of the state objects: each turns its fields into device calls.

#include "core/CameraMath.h"
#include "graphics/StateObjects.h"

struct IDirect3DBaseTexture9;

namespace KOR {

// What a texture of this module gives a sampler stage.
class D3D9SamplerTexture {
public:
  virtual IDirect3DBaseTexture9* GetBaseTexture() = 0;

protected:
  ~D3D9SamplerTexture() = default;
};

class D3D9Camera final : public Camera, public DeviceObject {
public:
  void ApplyProjection() override;
  void ApplyCamera() override;
};

class D3D9LightSet final : public LightSet {
public:
  void Apply() override;
};

class D3D9FixedFunctionMaterial final : public FixedFunctionMaterial {
public:
  void Apply() override;
};

class D3D9RenderStateSet final : public RenderStateSet {
public:
  void Apply() override;
};

class D3D9TextureStageSet final : public TextureStageSet {
public:
  void Apply() override;
  bool ApplyAll() override;
};

namespace D3D9 {
// Stages the last texture-stage set applied; the next set with another count closes the
// first stage it leaves unused.
int& StagesAppliedLast();
// The highest light index + 1 that a light set left enabled.
int& LightsEnabledLast();
// Sampler states of the engine's address modes and filter levels, shared with GPU programs.
void SetAddressModes(unsigned sampler, uint32_t u, uint32_t v, uint32_t w);
void SetFilterLevel(unsigned sampler, uint32_t level, uint32_t maxAnisotropy);
}  // namespace D3D9

}  // namespace KOR
