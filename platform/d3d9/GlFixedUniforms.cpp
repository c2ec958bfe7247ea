// The fixed-function pipeline on GL: the key of what the bound state asks for, and the
// values behind a key's program, uploaded when they change: the camera, lights in view
// space, fog and the other states in one block all programs share; material, stage
// constants and texture matrices per program.

#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/d3d9/GlDevice.h"

namespace d3d9::gl {
namespace {

float AsFloat(DWORD bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// The inverse of the upper 3 × 3 of world × view, row by row: uploaded transposed, it takes
// normals to view space by the inverse transpose. A singular matrix keeps the plain 3 × 3.
void NormalMatrix(const D3DMATRIX& world, const D3DMATRIX& view, float out[9]) {
  float a[3][3] = {};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) a[r][c] += world.m[r][k] * view.m[k][c];
  float cofactor[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      cofactor[r][c] = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
    }
  float determinant = a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
  bool invertible = std::fabs(determinant) > 1e-20f;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      // The inverse is the transposed cofactor matrix over the determinant.
      out[r * 3 + c] = invertible ? cofactor[c][r] / determinant : a[c][r];
}

}  // namespace

FixedFunctionKey GlDevice::FixedKey() const {
  FixedFunctionKey k;
  const auto& rs = renderStates;
  if (declaration)
    for (const D3DVERTEXELEMENT9& e : declaration->elements) {
      if (e.Usage == D3DDECLUSAGE_POSITIONT) k.transformed = true;
      if (e.Usage == D3DDECLUSAGE_NORMAL && e.UsageIndex == 0) k.hasNormal = true;
      if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0) k.hasColour0 = true;
      if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 1) k.hasColour1 = true;
      if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < 8) k.texcoordSets |= 1u << e.UsageIndex;
    }
  k.lighting = rs[D3DRS_LIGHTING] && !k.transformed;
  k.specular = rs[D3DRS_SPECULARENABLE] != 0;
  k.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  k.srgbWrite = rs[D3DRS_SRGBWRITEENABLE] != 0;
  // D3DVBF_nWEIGHTS blends n + 1 world matrices; tweening and 0 weights use the world's alone.
  DWORD blend = rs[D3DRS_VERTEXBLEND];
  if (!k.transformed && blend >= D3DVBF_1WEIGHTS && blend <= D3DVBF_3WEIGHTS) k.blendMatrices = int(blend) + 1;
  if (k.lighting) {
    k.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    k.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
    bool vertexColours = rs[D3DRS_COLORVERTEX] != 0;
    k.diffuseSource = vertexColours ? rs[D3DRS_DIFFUSEMATERIALSOURCE] : 0;
    k.specularSource = vertexColours ? rs[D3DRS_SPECULARMATERIALSOURCE] : 0;
    k.ambientSource = vertexColours ? rs[D3DRS_AMBIENTMATERIALSOURCE] : 0;
    k.emissiveSource = vertexColours ? rs[D3DRS_EMISSIVEMATERIALSOURCE] : 0;
    for (int i = 0; i < 8; ++i)
      if (lightsEnabled.test(size_t(i))) k.lightTypes[size_t(i)] = lights[size_t(i)].Type;
  }
  if (rs[D3DRS_FOGENABLE]) {
    // Table fog when its mode is set; else vertex fog, which pre-transformed vertices and
    // a vertex mode of NONE take from the specular colour's alpha.
    if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) {
      k.fog = rs[D3DRS_FOGTABLEMODE];
      k.tableFog = true;
    } else {
      k.fog = rs[D3DRS_FOGVERTEXMODE] != D3DFOG_NONE ? rs[D3DRS_FOGVERTEXMODE] : D3DFOG_LINEAR;
      k.fogFromSpecular = k.transformed || rs[D3DRS_FOGVERTEXMODE] == D3DFOG_NONE;
      k.rangeFog = rs[D3DRS_RANGEFOGENABLE] != 0 && !k.fogFromSpecular;
    }
  }
  if (rs[D3DRS_ALPHATESTENABLE]) k.alphaFunction = rs[D3DRS_ALPHAFUNC];
  for (int i = 0; i < 8; ++i) {
    const auto& st = stageStates[size_t(i)];
    if (st[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    FixedStage& f = k.stage[size_t(i)];
    f.colourOp = st[D3DTSS_COLOROP];
    f.colourArg0 = st[D3DTSS_COLORARG0], f.colourArg1 = st[D3DTSS_COLORARG1], f.colourArg2 = st[D3DTSS_COLORARG2];
    f.alphaOp = st[D3DTSS_ALPHAOP];
    f.alphaArg0 = st[D3DTSS_ALPHAARG0], f.alphaArg1 = st[D3DTSS_ALPHAARG1], f.alphaArg2 = st[D3DTSS_ALPHAARG2];
    f.resultArg = st[D3DTSS_RESULTARG];
    f.coordinateSet = st[D3DTSS_TEXCOORDINDEX] & 7;
    f.coordinateSource = st[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u;
    f.transformFlags = st[D3DTSS_TEXTURETRANSFORMFLAGS];
    if (const TextureData* t = textureData[size_t(i)])
      f.dimension = t->type == D3DRTYPE_VOLUMETEXTURE ? 3 : t->type == D3DRTYPE_CUBETEXTURE ? 4 : 2;
    k.stages = i + 1;
  }
  return k;
}

FixedFunctionKey GlDevice::FixedVertexKey() const {
  FixedFunctionKey k = FixedKey();
  // The pixel program does what the stages, the alpha test and table fog would; sRGB
  // writes stay in the key, for the program's ending to convert or not.
  k.alphaFunction = 0;
  if (k.tableFog) k.fog = 0, k.tableFog = false;
  // Every coordinate set goes on to the program's TEXCOORDn, as the stages route them.
  k.stages = 8;
  for (size_t i = 0; i < 8; ++i) {
    const auto& st = stageStates[i];
    FixedStage f;
    f.coordinateSet = st[D3DTSS_TEXCOORDINDEX] & 7;
    f.coordinateSource = st[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u;
    f.transformFlags = st[D3DTSS_TEXTURETRANSFORMFLAGS];
    k.stage[i] = f;
  }
  return k;
}

void GlDevice::FindFixedLocations(Program& p) {
  auto at = [&](const char* name) { return GL(GetUniformLocation)(p.name, name); };
  FixedLocations& l = p.at;
  l.object = at("korObject"), l.material = at("korMaterial");
  l.depthOutside = at("korDepthOutside");
  l.stageConstants = at("korStageConstant"), l.textureMatrices = at("korTextureMatrix");
  GLuint block = GL(GetUniformBlockIndex)(p.name, "korFixedFrame");
  if (block != GL_INVALID_INDEX) GL(UniformBlockBinding)(p.name, block, kFixedFrameBinding);
}

namespace {

void Colour(float* out, DWORD c) {
  out[0] = ((c >> 16) & 0xFF) / 255.0f, out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f, out[3] = (c >> 24) / 255.0f;
}

// Against any depth in [0, 1], one below passes LESS-like tests, one above GREATER-like.
std::pair<bool, bool> DepthOutsidePasses(const std::array<DWORD, D3DRS_COUNT>& rs, bool tested) {
  DWORD z = rs[D3DRS_ZFUNC];
  bool below = !tested || z == D3DCMP_LESS || z == D3DCMP_LESSEQUAL || z == D3DCMP_NOTEQUAL || z == D3DCMP_ALWAYS;
  bool above = !tested || z == D3DCMP_GREATER || z == D3DCMP_GREATEREQUAL || z == D3DCMP_NOTEQUAL || z == D3DCMP_ALWAYS;
  return {below, above};
}

}  // namespace

// The block every fixed-function program shares: made again when the camera, the
// viewport, the lights or the fixed states moved, and sent only when its bytes differ
// from what the buffer holds (a state set and set back between two draws sends nothing).
void GlDevice::ApplyFixedFrame() {
  bool moved = false;
  for (Change kind : {Change::ViewProjection, Change::Viewport, Change::FixedLights, Change::FixedStates})
    if (fixedFrameSeen[size_t(kind)] != changes.Count(kind)) fixedFrameSeen[size_t(kind)] = changes.Count(kind), moved = true;
  if (!moved) return;
  FixedFrame f{};
  // Row-vector Direct3D matrices read as column-major GL ones are already transposed.
  std::memcpy(f.view, &view.m[0][0], 64);
  std::memcpy(f.projection, &projection.m[0][0], 64);
  auto toView = [&](const D3DVECTOR& v, float w, float* out) {
    for (int c = 0; c < 3; ++c)
      out[c] = v.x * view.m[0][c] + v.y * view.m[1][c] + v.z * view.m[2][c] + w * view.m[3][c];
  };
  for (size_t i = 0; i < 8; ++i) {
    if (!lightsEnabled.test(i)) continue;
    const D3DLIGHT9& light = lights[i];
    auto& v = f.lights[i];
    std::memcpy(v[0], &light.Diffuse.r, 16);
    std::memcpy(v[1], &light.Specular.r, 16);
    std::memcpy(v[2], &light.Ambient.r, 16);
    toView(light.Position, 1.0f, v[3]);
    toView(light.Direction, 0.0f, v[4]);
    v[5][0] = light.Attenuation0, v[5][1] = light.Attenuation1, v[5][2] = light.Attenuation2, v[5][3] = light.Range;
    v[6][0] = std::cos(light.Theta / 2), v[6][1] = std::cos(light.Phi / 2), v[6][2] = light.Falloff;
  }
  const auto& rs = renderStates;
  Colour(f.states[0], rs[D3DRS_AMBIENT]);
  Colour(f.states[1], rs[D3DRS_FOGCOLOR]);
  Colour(f.states[2], rs[D3DRS_TEXTUREFACTOR]);
  f.states[3][0] = AsFloat(rs[D3DRS_FOGSTART]), f.states[3][1] = AsFloat(rs[D3DRS_FOGEND]);
  f.states[3][2] = AsFloat(rs[D3DRS_FOGDENSITY]), f.states[3][3] = float(rs[D3DRS_ALPHAREF] & 0xFF);
  f.viewport[0] = float(viewport.X), f.viewport[1] = float(viewport.Y);
  f.viewport[2] = float(viewport.Width), f.viewport[3] = float(viewport.Height);
  auto [below, above] = DepthOutsidePasses(rs, rs[D3DRS_ZENABLE] && depthSurface && depthBound);
  f.flags[0] = below ? 1.0f : 0.0f, f.flags[1] = above ? 1.0f : 0.0f;
  // W-friendly projections fog by eye distance, others by depth.
  f.flags[2] = projection.m[2][3] != 0.0f ? 1.0f : 0.0f;
  if (fixedFrameSent && std::memcmp(&f, &fixedFrame, sizeof f) == 0) return;
  fixedFrame = f;
  fixedFrameSent = true;
  GL(BufferData)(kFixedFrameUpload, sizeof f, &f, GL_STREAM_DRAW);
}

// A program's own values, only what changed since it last drew, a group at a time: the
// world per object (and per camera, for the normals), each group in one call when a
// value in it changed.
void GlDevice::ApplyFixedUniforms(Program& p) {
  const FixedLocations& l = p.at;
  bool viewMoved = !p.Saw(Change::ViewProjection, changes);
  // Row-vector Direct3D matrices read as column-major GL ones are already transposed.
  if ((!p.Saw(Change::World, changes) || viewMoved) && l.object >= 0) {
    float object[8][16] = {};
    for (size_t i = 0; i < 4; ++i) {
      std::memcpy(object[i], &worlds[i].m[0][0], 64);
      float normal[9];  // row by row
      NormalMatrix(worlds[i], view, normal);
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) object[4 + i][c * 4 + r] = normal[r * 3 + c];
    }
    GL(UniformMatrix4fv)(l.object, 8, GL_FALSE, &object[0][0]);
  }
  p.See(Change::World, changes);
  p.See(Change::ViewProjection, changes);

  auto changed = [&](Change group) {
    if (p.Saw(group, changes)) return false;
    p.See(group, changes);
    return true;
  };
  if (changed(Change::FixedMaterial) && l.material >= 0) {
    float values[5][4] = {};
    std::memcpy(values[0], &material.Diffuse.r, 16);
    std::memcpy(values[1], &material.Ambient.r, 16);
    std::memcpy(values[2], &material.Specular.r, 16);
    std::memcpy(values[3], &material.Emissive.r, 16);
    values[4][0] = material.Power;
    GL(Uniform4fv)(l.material, 5, &values[0][0]);
  }
  if (changed(Change::FixedStates) && l.depthOutside >= 0) {
    auto [below, above] = DepthOutsidePasses(renderStates, renderStates[D3DRS_ZENABLE] && depthSurface && depthBound);
    GL(Uniform2f)(l.depthOutside, below ? 1.0f : 0.0f, above ? 1.0f : 0.0f);
  }
  if (changed(Change::FixedStageConstants) && l.stageConstants >= 0) {
    float constants[8][4];
    for (size_t i = 0; i < 8; ++i) Colour(constants[i], stageConstants[i]);
    GL(Uniform4fv)(l.stageConstants, 8, &constants[0][0]);
  }
  if (changed(Change::FixedTextureMatrices) && l.textureMatrices >= 0)
    GL(UniformMatrix4fv)(l.textureMatrices, 8, GL_FALSE, &textureTransforms[0].m[0][0]);
}

}  // namespace d3d9::gl
