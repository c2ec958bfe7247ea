#include "scene/SpriteMaterials.h"

#include "graphics/EngineNumbers.h"
#include "graphics/Material.h"
#include "graphics/StateObjects.h"
#include "graphics/Texture.h"
#include "graphics/TextureObject.h"

namespace KOR {
namespace {

std::pair<Blend, Blend> Factors(SpriteBlend kind) {
  switch (kind) {
    case SpriteBlend::Additive: return {Blend::One, Blend::One};
    case SpriteBlend::Opaque: return {Blend::One, Blend::Zero};
    case SpriteBlend::Alpha: return {Blend::SourceAlpha, Blend::InverseSourceAlpha};
  }
  return {Blend::SourceAlpha, Blend::InverseSourceAlpha};
}

TextureStage ColourStage(DeviceObject* texture) {
  TextureStage s;
  s.texture = texture;
  s.addressU = s.addressV = s.addressW = +AddressMode::Clamp;
  s.filter = +FilterLevel::Bilinear;
  const TextureOp op = texture ? TextureOp::Modulate : TextureOp::SelectArg1;
  const TextureArg first = texture ? TextureArg::Texture : TextureArg::Diffuse;
  s.colourOp = s.alphaOp = +op;
  s.colourArg1 = s.alphaArg1 = +first;
  s.colourArg2 = s.alphaArg2 = +TextureArg::Diffuse;
  s.setTexture = s.setAddress = s.setFilter = s.setColourOp = s.setColourArgs = s.setAlphaOp = s.setAlphaArgs = true;
  return s;
}

// A second stage left on by a previous pass (a glowing per-vertex material) would add
// its texture to every sprite.
TextureStage OffStage() {
  TextureStage s;
  s.colourOp = s.alphaOp = +TextureOp::Disable;
  s.setTexture = s.setColourOp = s.setAlphaOp = true;
  return s;
}

}  // namespace

void MakeSpriteState(RenderPass& pass, DeviceObject* texture, SpriteBlend kind) {
  if (RenderStateSet* states = pass.UseRenderStates()) {
    const auto [source, destination] = Factors(kind);
    states->Set(RenderState::AlphaBlendEnable, 1);
    states->Set(RenderState::SourceBlend, +source);
    states->Set(RenderState::DestBlend, +destination);
  }
  if (TextureStageSet* stages = pass.UseTextureStages()) {
    stages->count = 2;
    stages->stages[0] = ColourStage(texture);
    stages->stages[1] = OffStage();
  }
}

RenderPass* SpriteMaterials::Get(const std::string& textureName, SpriteBlend kind) {
  std::unique_ptr<RenderPass>& slot = passes[{textureName, kind}];
  if (!slot) {
    DeviceObject* texture = nullptr;
    if (!textureName.empty())
      if (TextureObject* loaded = textures.GetTexture(textureName)) texture = loaded->GetTexture();
    slot = std::make_unique<RenderPass>();
    MakeSpriteState(*slot, texture, kind);
  }
  return slot.get();
}

}  // namespace KOR
