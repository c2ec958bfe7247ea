#include "render_d3d9/StateObjects.h"

#include <cstring>

#include "platform/d3d9/D3D9.h"
#include "render_d3d9/AutoConstants.h"
#include "render_d3d9/Module.h"

namespace KOR {
namespace {

const D3DMATRIX* AsD3D(const Matrix& m) { return reinterpret_cast<const D3DMATRIX*>(&m); }

D3DCOLORVALUE AsD3D(const Colour& c) { return {c.r, c.g, c.b, c.a}; }

DWORD Ranged(uint32_t value, uint32_t last, DWORD first) {
  return value <= last ? DWORD(value + first) : 0;
}

enum Conversion { AsIs, Blend, BlendOp, Compare, StencilOp, Fill, Shade, Cull, Fog, MaterialSource };

struct EngineState {
  D3DRENDERSTATETYPE state;
  Conversion conversion;
};

const EngineState kEngineStates[RenderStateSet::kStates] = {
    {D3DRS_ZENABLE, AsIs}, {D3DRS_FILLMODE, Fill}, {D3DRS_SHADEMODE, Shade},
    {D3DRS_ZWRITEENABLE, AsIs}, {D3DRS_ALPHATESTENABLE, AsIs}, {D3DRS_SRCBLEND, Blend},
    {D3DRS_DESTBLEND, Blend}, {D3DRS_CULLMODE, Cull}, {D3DRS_ZFUNC, Compare},
    {D3DRS_ALPHAREF, AsIs}, {D3DRS_ALPHAFUNC, Compare}, {D3DRS_ALPHABLENDENABLE, AsIs},
    {D3DRS_FOGENABLE, AsIs}, {D3DRS_SPECULARENABLE, AsIs}, {D3DRS_FOGCOLOR, AsIs},
    {D3DRS_FOGTABLEMODE, Fog}, {D3DRS_FOGSTART, AsIs}, {D3DRS_FOGEND, AsIs},
    {D3DRS_FOGDENSITY, AsIs}, {D3DRS_RANGEFOGENABLE, AsIs}, {D3DRS_STENCILENABLE, AsIs},
    {D3DRS_STENCILFAIL, StencilOp}, {D3DRS_STENCILZFAIL, StencilOp},
    {D3DRS_STENCILPASS, StencilOp}, {D3DRS_STENCILFUNC, Compare}, {D3DRS_STENCILREF, AsIs},
    {D3DRS_STENCILMASK, AsIs}, {D3DRS_STENCILWRITEMASK, AsIs}, {D3DRS_CLIPPING, AsIs},
    {D3DRS_LIGHTING, AsIs}, {D3DRS_AMBIENT, AsIs}, {D3DRS_FOGVERTEXMODE, Fog},
    {D3DRS_COLORVERTEX, AsIs}, {D3DRS_LOCALVIEWER, AsIs}, {D3DRS_NORMALIZENORMALS, AsIs},
    {D3DRS_DIFFUSEMATERIALSOURCE, MaterialSource}, {D3DRS_SPECULARMATERIALSOURCE, MaterialSource},
    {D3DRS_AMBIENTMATERIALSOURCE, MaterialSource}, {D3DRS_EMISSIVEMATERIALSOURCE, MaterialSource},
    {D3DRS_VERTEXBLEND, AsIs}, {D3DRS_CLIPPLANEENABLE, AsIs}, {D3DRS_POINTSIZE, AsIs},
    {D3DRS_POINTSIZE_MIN, AsIs}, {D3DRS_POINTSPRITEENABLE, AsIs}, {D3DRS_POINTSCALEENABLE, AsIs},
    {D3DRS_POINTSCALE_A, AsIs}, {D3DRS_POINTSCALE_B, AsIs}, {D3DRS_POINTSCALE_C, AsIs},
    {D3DRS_POINTSIZE_MAX, AsIs}, {D3DRS_INDEXEDVERTEXBLENDENABLE, AsIs},
    {D3DRS_COLORWRITEENABLE, AsIs}, {D3DRS_BLENDOP, BlendOp}, {D3DRS_SCISSORTESTENABLE, AsIs},
    {D3DRS_TWOSIDEDSTENCILMODE, AsIs}, {D3DRS_CCW_STENCILFAIL, StencilOp},
    {D3DRS_CCW_STENCILZFAIL, StencilOp}, {D3DRS_CCW_STENCILPASS, StencilOp},
    {D3DRS_CCW_STENCILFUNC, Compare}, {D3DRS_COLORWRITEENABLE1, AsIs},
    {D3DRS_COLORWRITEENABLE2, AsIs}, {D3DRS_COLORWRITEENABLE3, AsIs}, {D3DRS_BLENDFACTOR, AsIs},
    {D3DRS_SRGBWRITEENABLE, AsIs}, {D3DRS_SEPARATEALPHABLENDENABLE, AsIs},
    {D3DRS_SRCBLENDALPHA, Blend}, {D3DRS_DESTBLENDALPHA, Blend}, {D3DRS_BLENDOPALPHA, BlendOp},
};

DWORD Convert(Conversion conversion, uint32_t v) {
  switch (conversion) {
    case AsIs: return v;
    case Blend: return Ranged(v, 14, D3DBLEND_ZERO);
    case BlendOp: return Ranged(v, 4, D3DBLENDOP_ADD);
    case Compare: return Ranged(v, 7, D3DCMP_NEVER);
    case StencilOp: return Ranged(v, 7, D3DSTENCILOP_KEEP);
    case Fill: return Ranged(v, 2, D3DFILL_POINT);
    case Shade: return Ranged(v, 1, D3DSHADE_FLAT);
    case Cull: return Ranged(v, 2, D3DCULL_NONE);
    case Fog: return v >= 1 && v <= 3 ? DWORD(v) : DWORD(D3DFOG_NONE);
    case MaterialSource: return v <= 2 ? DWORD(v) : DWORD(D3DMCS_MATERIAL);
  }
  return 0;
}

DWORD TextureOp(uint32_t op) { return op <= 10 ? DWORD(op + D3DTOP_DISABLE) : DWORD(D3DTOP_MODULATE); }

DWORD TextureArg(uint32_t arg) {
  static const DWORD selectors[] = {D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTA_SPECULAR, D3DTA_TEMP};
  uint32_t select = arg & 0xFF;
  DWORD result = select <= 4 ? selectors[select] : D3DTA_DIFFUSE;
  if (arg & 0x200) result |= D3DTA_COMPLEMENT;
  if (arg & 0x400) result |= 0x400;
  return result;
}

DWORD AddressMode(uint32_t mode) {
  return mode <= 4 ? DWORD(mode + D3DTADDRESS_WRAP) : DWORD(D3DTADDRESS_WRAP);
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
  device->SetSamplerState(sampler, D3DSAMP_ADDRESSU, AddressMode(u));
  device->SetSamplerState(sampler, D3DSAMP_ADDRESSV, AddressMode(v));
  device->SetSamplerState(sampler, D3DSAMP_ADDRESSW, AddressMode(w));
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

void D3D9Material::Apply() {
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
    if (st.setColourOp) device->SetTextureStageState(s, D3DTSS_COLOROP, TextureOp(st.colourOp));
    if (st.setAlphaOp) device->SetTextureStageState(s, D3DTSS_ALPHAOP, TextureOp(st.alphaOp));
    if (st.setColourArgs) {
      device->SetTextureStageState(s, D3DTSS_COLORARG1, TextureArg(st.colourArg1));
      device->SetTextureStageState(s, D3DTSS_COLORARG2, TextureArg(st.colourArg2));
    }
    if (st.setColourArg0) device->SetTextureStageState(s, D3DTSS_COLORARG0, TextureArg(st.colourArg0));
    if (st.setAlphaArgs) {
      device->SetTextureStageState(s, D3DTSS_ALPHAARG1, TextureArg(st.alphaArg1));
      device->SetTextureStageState(s, D3DTSS_ALPHAARG2, TextureArg(st.alphaArg2));
    }
    if (st.setAlphaArg0) device->SetTextureStageState(s, D3DTSS_ALPHAARG0, TextureArg(st.alphaArg0));
    if (st.setResultArg) device->SetTextureStageState(s, D3DTSS_RESULTARG, TextureArg(st.resultArg));
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
