#pragma once
// The passes that overlays and world sprites draw with: a texture modulated by the vertex
// colour (or the vertex colour alone) under one of three blends, made once per texture
// name and blend for a scene and shared by everything that asks.

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "graphics/RenderPass.h"

namespace KOR {

class DeviceObject;
class TextureSource;

enum class SpriteBlend { Additive, Opaque, Alpha };

// Fills pass: texture stage 0 modulates texture by vertex colour (the vertex colour alone
// for a null texture), later stages off; alpha blending with the kind's source and
// destination factors (one/one, one/zero, source alpha/inverse source alpha).
void MakeSpriteState(RenderPass& pass, DeviceObject* texture, SpriteBlend kind);

class SpriteMaterials {
public:
  explicit SpriteMaterials(TextureSource& textures) : textures(textures) {}
  SpriteMaterials(const SpriteMaterials&) = delete;
  SpriteMaterials& operator=(const SpriteMaterials&) = delete;

  // The pass for the texture (loaded through the texture source) and blend, made on the
  // first request; an empty name gives the plain-colour pass that fades use.
  RenderPass* Get(const std::string& textureName, SpriteBlend kind);
  size_t Count() const { return passes.size(); }

private:
  TextureSource& textures;
  std::map<std::pair<std::string, SpriteBlend>, std::unique_ptr<RenderPass>> passes;
};

}  // namespace KOR
