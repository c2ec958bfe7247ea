#include "render_d3d9/StateObjects.h"

#include <cstring>

#include "platform/d3d9/D3D9.h"
#include "render_d3d9/AutoConstants.h"
#include "graphics/EngineNumbers.h"
#include "render_d3d9/Module.h"

namespace KOR {
namespace {

const D3DMATRIX* AsD3D(const Matrix& m) { return reinterpret_cast<const D3DMATRIX*>(&m); }

D3DCOLORVALUE AsD3D(const Colour& c) { return {c.r, c.g, c.b, c.a}; }

DWORD Ranged(uint32_t value, uint32_t last, DWORD first) {
  return value <= last ? DWORD(value + first) : 0;
}

enum Conversion { AsIs, BlendValue, BlendOp, CompareValue, StencilOp, FillValue, ShadeValue, CullValue, Fog, MaterialSourceValue };

struct EngineState {
  RenderState engine;
  D3DRENDERSTATETYPE state;
  Conversion conversion;
};

constexpr EngineState kEngineStates[RenderStateSet::kStates] = {
    {RenderState::DepthEnable, D3DRS_ZENABLE, AsIs},
    {RenderState::FillMode, D3DRS_FILLMODE, FillValue},
    {RenderState::ShadeMode, D3DRS_SHADEMODE, ShadeValue},
    {RenderState::DepthWrite, D3DRS_ZWRITEENABLE, AsIs},
    {RenderState::AlphaTestEnable, D3DRS_ALPHATESTENABLE, AsIs},
    {RenderState::SourceBlend, D3DRS_SRCBLEND, BlendValue},
    {RenderState::DestBlend, D3DRS_DESTBLEND, BlendValue},
    {RenderState::CullMode, D3DRS_CULLMODE, CullValue},
    {RenderState::DepthFunction, D3DRS_ZFUNC, CompareValue},
    {RenderState::AlphaReference, D3DRS_ALPHAREF, AsIs},
    {RenderState::AlphaFunction, D3DRS_ALPHAFUNC, CompareValue},
    {RenderState::AlphaBlendEnable, D3DRS_ALPHABLENDENABLE, AsIs},
    {RenderState::FogEnable, D3DRS_FOGENABLE, AsIs},
    {RenderState::SpecularEnable, D3DRS_SPECULARENABLE, AsIs},
    {RenderState::FogColour, D3DRS_FOGCOLOR, AsIs},
    {RenderState::FogTableMode, D3DRS_FOGTABLEMODE, Fog},
    {RenderState::FogStart, D3DRS_FOGSTART, AsIs},
    {RenderState::FogEnd, D3DRS_FOGEND, AsIs},
    {RenderState::FogDensity, D3DRS_FOGDENSITY, AsIs},
    {RenderState::RangeFogEnable, D3DRS_RANGEFOGENABLE, AsIs},
    {RenderState::StencilEnable, D3DRS_STENCILENABLE, AsIs},
    {RenderState::StencilFail, D3DRS_STENCILFAIL, StencilOp},
    {RenderState::StencilDepthFail, D3DRS_STENCILZFAIL, StencilOp},
    {RenderState::StencilPass, D3DRS_STENCILPASS, StencilOp},
    {RenderState::StencilFunction, D3DRS_STENCILFUNC, CompareValue},
    {RenderState::StencilReference, D3DRS_STENCILREF, AsIs},
    {RenderState::StencilMask, D3DRS_STENCILMASK, AsIs},
    {RenderState::StencilWriteMask, D3DRS_STENCILWRITEMASK, AsIs},
    {RenderState::Clipping, D3DRS_CLIPPING, AsIs},
    {RenderState::Lighting, D3DRS_LIGHTING, AsIs},
    {RenderState::Ambient, D3DRS_AMBIENT, AsIs},
    {RenderState::FogVertexMode, D3DRS_FOGVERTEXMODE, Fog},
    {RenderState::ColourVertex, D3DRS_COLORVERTEX, AsIs},
    {RenderState::LocalViewer, D3DRS_LOCALVIEWER, AsIs},
    {RenderState::NormalizeNormals, D3DRS_NORMALIZENORMALS, AsIs},
    {RenderState::DiffuseMaterialSource, D3DRS_DIFFUSEMATERIALSOURCE, MaterialSourceValue},
    {RenderState::SpecularMaterialSource, D3DRS_SPECULARMATERIALSOURCE, MaterialSourceValue},
    {RenderState::AmbientMaterialSource, D3DRS_AMBIENTMATERIALSOURCE, MaterialSourceValue},
    {RenderState::EmissiveMaterialSource, D3DRS_EMISSIVEMATERIALSOURCE, MaterialSourceValue},
    {RenderState::VertexBlend, D3DRS_VERTEXBLEND, AsIs},
    {RenderState::ClipPlaneEnable, D3DRS_CLIPPLANEENABLE, AsIs},
    {RenderState::PointSize, D3DRS_POINTSIZE, AsIs},
    {RenderState::PointSizeMin, D3DRS_POINTSIZE_MIN, AsIs},
    {RenderState::PointSpriteEnable, D3DRS_POINTSPRITEENABLE, AsIs},
    {RenderState::PointScaleEnable, D3DRS_POINTSCALEENABLE, AsIs},
    {RenderState::PointScaleA, D3DRS_POINTSCALE_A, AsIs},
    {RenderState::PointScaleB, D3DRS_POINTSCALE_B, AsIs},
    {RenderState::PointScaleC, D3DRS_POINTSCALE_C, AsIs},
    {RenderState::PointSizeMax, D3DRS_POINTSIZE_MAX, AsIs},
    {RenderState::IndexedVertexBlendEnable, D3DRS_INDEXEDVERTEXBLENDENABLE, AsIs},
    {RenderState::ColourWriteEnable, D3DRS_COLORWRITEENABLE, AsIs},
    {RenderState::BlendOperation, D3DRS_BLENDOP, BlendOp},
    {RenderState::ScissorTestEnable, D3DRS_SCISSORTESTENABLE, AsIs},
    {RenderState::TwoSidedStencilMode, D3DRS_TWOSIDEDSTENCILMODE, AsIs},
    {RenderState::CcwStencilFail, D3DRS_CCW_STENCILFAIL, StencilOp},
    {RenderState::CcwStencilDepthFail, D3DRS_CCW_STENCILZFAIL, StencilOp},
    {RenderState::CcwStencilPass, D3DRS_CCW_STENCILPASS, StencilOp},
    {RenderState::CcwStencilFunction, D3DRS_CCW_STENCILFUNC, CompareValue},
    {RenderState::ColourWriteEnable1, D3DRS_COLORWRITEENABLE1, AsIs},
    {RenderState::ColourWriteEnable2, D3DRS_COLORWRITEENABLE2, AsIs},
    {RenderState::ColourWriteEnable3, D3DRS_COLORWRITEENABLE3, AsIs},
    {RenderState::BlendFactor, D3DRS_BLENDFACTOR, AsIs},
    {RenderState::SrgbWriteEnable, D3DRS_SRGBWRITEENABLE, AsIs},
    {RenderState::SeparateAlphaBlendEnable, D3DRS_SEPARATEALPHABLENDENABLE, AsIs},
    {RenderState::SourceBlendAlpha, D3DRS_SRCBLENDALPHA, BlendValue},
    {RenderState::DestBlendAlpha, D3DRS_DESTBLENDALPHA, BlendValue},
    {RenderState::BlendOperationAlpha, D3DRS_BLENDOPALPHA, BlendOp},
};

// Each row sits at its engine number, and the table covers every state.
constexpr bool RowsInEngineOrder() {
  for (int i = 0; i < RenderStateSet::kStates; ++i)
    if (+kEngineStates[i].engine != i) return false;
  return RenderStateSet::kStates == +RenderState::Count;
}
static_assert(RowsInEngineOrder());

// The engine's values are Direct3D's less one, from zero.
static_assert(+Blend::InverseBlendFactor + D3DBLEND_ZERO == D3DBLEND_INVBLENDFACTOR);
static_assert(+BlendOperation::Max + D3DBLENDOP_ADD == D3DBLENDOP_MAX);
static_assert(+Compare::Always + D3DCMP_NEVER == D3DCMP_ALWAYS);
static_assert(+StencilOperation::Decrement + D3DSTENCILOP_KEEP == D3DSTENCILOP_DECR);
static_assert(+Fill::Solid + D3DFILL_POINT == D3DFILL_SOLID);
static_assert(+Shade::Gouraud + D3DSHADE_FLAT == D3DSHADE_GOURAUD);
static_assert(+Cull::CounterClockwise + D3DCULL_NONE == D3DCULL_CCW);
static_assert(+FogMode::Linear == D3DFOG_LINEAR && +MaterialSource::Colour2 == D3DMCS_COLOR2);
static_assert(+TextureOp::AddSmooth + D3DTOP_DISABLE == D3DTOP_ADDSMOOTH);
static_assert(+AddressMode::MirrorOnce + D3DTADDRESS_WRAP == D3DTADDRESS_MIRRORONCE);

DWORD Convert(Conversion conversion, uint32_t v) {
  switch (conversion) {
    case AsIs: return v;
    case BlendValue: return Ranged(v, +Blend::InverseBlendFactor, D3DBLEND_ZERO);
    case BlendOp: return Ranged(v, +BlendOperation::Max, D3DBLENDOP_ADD);
    case CompareValue: return Ranged(v, +Compare::Always, D3DCMP_NEVER);
    case StencilOp: return Ranged(v, +StencilOperation::Decrement, D3DSTENCILOP_KEEP);
    case FillValue: return Ranged(v, +Fill::Solid, D3DFILL_POINT);
    case ShadeValue: return Ranged(v, +Shade::Gouraud, D3DSHADE_FLAT);
    case CullValue: return Ranged(v, +Cull::CounterClockwise, D3DCULL_NONE);
    case Fog: return v >= +FogMode::Exp && v <= +FogMode::Linear ? DWORD(v) : DWORD(D3DFOG_NONE);
    case MaterialSourceValue: return v <= +MaterialSource::Colour2 ? DWORD(v) : DWORD(D3DMCS_MATERIAL);
  }
  return 0;
}

DWORD TextureOperation(uint32_t op) {
  return op <= +TextureOp::AddSmooth ? DWORD(op + D3DTOP_DISABLE) : DWORD(D3DTOP_MODULATE);
}

DWORD TextureArgument(uint32_t arg) {
  static const DWORD selectors[] = {D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTA_SPECULAR, D3DTA_TEMP};
  uint32_t select = arg & 0xFF;
  DWORD result = select <= 4 ? selectors[select] : D3DTA_DIFFUSE;
  if (arg & kTextureArgComplement) result |= D3DTA_COMPLEMENT;
  // The engine's modifier bits sit five places above Direct3D's: 0x400 replicates alpha.
  if (arg & kTextureArgAlphaReplicate) result |= D3DTA_ALPHAREPLICATE;
  return result;
}

DWORD AddressModeOf(uint32_t mode) {
  return mode <= +AddressMode::MirrorOnce ? DWORD(mode + D3DTADDRESS_WRAP) : DWORD(D3DTADDRESS_WRAP);
}

}  // namespace

namespace D3D9 {

int& StagesAppliedLast() {
  static int stages = 0;
  return stages;
}

int& LightsEnabledLast() {
  static int lights = 0;
  return lights;
}

void SetAddressModes(unsigned sampler, uint32_t u, uint32_t v, uint32_t w) {
  IDirect3DDevice9* device = Device9();
  if (!device) return;
  device->SetSamplerState(sampler, D3DSAMP_ADDRESSU, AddressModeOf(u));
  device->SetSamplerState(sampler, D3DSAMP_ADDRESSV, AddressModeOf(v));
  device->SetSamplerState(sampler, D3DSAMP_ADDRESSW, AddressModeOf(w));
}

void SetFilterLevel(unsigned sampler, uint32_t level, uint32_t maxAnisotropy) {
  IDirect3DDevice9* device = Device9();
  if (!device || level > 4) return;
  static const DWORD filters[5][3] = {
      {D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_NONE},
      {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_POINT},
      {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_POINT},
      {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR},
      {D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC, D3DTEXF_ANISOTROPIC}};
  device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, filters[level][0]);
  device->SetSamplerState(sampler, D3DSAMP_MINFILTER, filters[level][1]);
  device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, filters[level][2]);
  if (level == 4) device->SetSamplerState(sampler, D3DSAMP_MAXANISOTROPY, maxAnisotropy);
}

}  // namespace D3D9

void D3D9Camera::ApplyProjection() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetTransform(D3DTS_PROJECTION, AsD3D(projection));
  AutoConstants& store = GetAutoConstants();
  store.projection = projection;
  store.inverseProjection = InverseOrSelf(projection);
  store.viewProjection = view * projection;
}

void D3D9Camera::ApplyCamera() {
  if (IDirect3DDevice9* device = D3D9::Device9()) device->SetTransform(D3DTS_VIEW, AsD3D(view));
  AutoConstants& store = GetAutoConstants();
  store.view = view;
  store.inverseView = InverseOrSelf(view);
  store.cameraLook = look;
  store.cameraUp = up;
  store.cameraRight = right;
  store.cameraPosition = position;
  store.viewProjection = view * projection;
}

void D3D9LightSet::Apply() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  int n = count < 0 ? 0 : (count > kMaxLights ? kMaxLights : count);
  for (int i = 0; i < n; ++i) {
    const LightRecord& r = lights[i];
    D3DLIGHT9 light{};
    light.Type = r.type == 1 || r.type == 2 ? D3DLIGHT_DIRECTIONAL : D3DLIGHT_POINT;
    light.Diffuse = AsD3D(r.colour);
    light.Specular = {1, 1, 1, 1};
    light.Ambient = {0, 0, 0, 0};
    light.Position = {r.position.x, r.position.y, r.position.z};
    light.Direction = {r.direction.x, r.direction.y, r.direction.z};
    light.Range = r.range;
    light.Falloff = 0;
    light.Attenuation0 = r.attenuation0;
    light.Attenuation1 = r.attenuation1;
    light.Attenuation2 = r.attenuation2;
    light.Theta = r.theta;
    light.Phi = r.phi;
    device->SetLight(DWORD(i), &light);
    device->LightEnable(DWORD(i), TRUE);
  }
  // Every light an earlier set left on above this set's count goes off, so its light
  // never reaches the next object.
  int& enabled = D3D9::LightsEnabledLast();
  for (int i = n; i < enabled || i == n; ++i) device->LightEnable(DWORD(i), FALSE);
  enabled = n;
}

void D3D9FixedFunctionMaterial::Apply() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  D3DMATERIAL9 m{AsD3D(diffuse), AsD3D(ambient), AsD3D(specular), AsD3D(emissive), power};
  device->SetMaterial(&m);
}

void D3D9RenderStateSet::Apply() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  for (int i = 0; i < kStates; ++i)
    if (set[i]) device->SetRenderState(kEngineStates[i].state, Convert(kEngineStates[i].conversion, values[i]));
}

void D3D9TextureStageSet::Apply() {
  IDirect3DDevice9* device = D3D9::Device9();
  if (!device) return;
  int n = count < 0 ? 0 : (count > kMaxStages ? kMaxStages : count);
  for (int i = 0; i < n; ++i) {
    const TextureStage& st = stages[i];
    DWORD s = DWORD(i);
    if (st.setTexture) {
      auto* texture = dynamic_cast<D3D9SamplerTexture*>(st.texture);
      device->SetTexture(s, texture ? texture->GetBaseTexture() : nullptr);
    }
    if (st.setAddress) D3D9::SetAddressModes(s, st.addressU, st.addressV, st.addressW);
    if (st.setFilter) D3D9::SetFilterLevel(s, st.filter, st.maxAnisotropy);
    if (st.setColourOp) device->SetTextureStageState(s, D3DTSS_COLOROP, TextureOperation(st.colourOp));
    if (st.setAlphaOp) device->SetTextureStageState(s, D3DTSS_ALPHAOP, TextureOperation(st.alphaOp));
    if (st.setColourArgs) {
      device->SetTextureStageState(s, D3DTSS_COLORARG1, TextureArgument(st.colourArg1));
      device->SetTextureStageState(s, D3DTSS_COLORARG2, TextureArgument(st.colourArg2));
    }
    if (st.setColourArg0) device->SetTextureStageState(s, D3DTSS_COLORARG0, TextureArgument(st.colourArg0));
    if (st.setAlphaArgs) {
      device->SetTextureStageState(s, D3DTSS_ALPHAARG1, TextureArgument(st.alphaArg1));
      device->SetTextureStageState(s, D3DTSS_ALPHAARG2, TextureArgument(st.alphaArg2));
    }
    if (st.setAlphaArg0) device->SetTextureStageState(s, D3DTSS_ALPHAARG0, TextureArgument(st.alphaArg0));
    if (st.setResultArg) device->SetTextureStageState(s, D3DTSS_RESULTARG, TextureArgument(st.resultArg));
    if (st.setCoordinateMode) {
      static const DWORD generated[] = {D3DTSS_TCI_CAMERASPACENORMAL, D3DTSS_TCI_CAMERASPACEPOSITION,
                                        D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR, D3DTSS_TCI_SPHEREMAP};
      if (st.coordinateMode == 0)
        device->SetTextureStageState(s, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
      else if (st.coordinateMode == 1)
        device->SetTextureStageState(s, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_PROJECTED);
      else if (st.coordinateMode <= 5)
        device->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, generated[st.coordinateMode - 2]);
    }
    if (st.setMatrix)
      device->SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + s), AsD3D(st.matrix));
    if (st.setCoordinateIndex) device->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, st.coordinateIndex);
  }
  int& last = D3D9::StagesAppliedLast();
  if (n != last) {
    if (n < 8) {
      device->SetTexture(DWORD(n), nullptr);
      device->SetTextureStageState(DWORD(n), D3DTSS_COLOROP, D3DTOP_DISABLE);
      device->SetTextureStageState(DWORD(n), D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    last = n;
  }
}

bool D3D9TextureStageSet::ApplyAll() {
  Apply();
  return true;
}

}  // namespace KOR
