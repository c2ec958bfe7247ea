#pragma once
// Direct3D 9's fixed-function pipeline as GLSL 330: a compact key of what is enabled
// picks the program (made once per key); the values behind it are uniforms.

#include <array>
#include <compare>
#include <string>
#include <vector>

#include "platform/d3d9/D3D9Types.h"
#include "platform/d3d9/ShaderCode.h"

namespace d3d9 {

struct FixedStage {
  DWORD colourOp = D3DTOP_DISABLE, colourArg0 = 0, colourArg1 = 0, colourArg2 = 0;
  DWORD alphaOp = D3DTOP_DISABLE, alphaArg0 = 0, alphaArg1 = 0, alphaArg2 = 0;
  DWORD resultArg = D3DTA_CURRENT;
  DWORD coordinateSet = 0;      // the vertex's texture coordinate set
  DWORD coordinateSource = 0;   // D3DTSS_TCI_ generation, 0 for the set as given
  DWORD transformFlags = 0;     // D3DTTFF_
  DWORD dimension = 0;          // 0 no texture, 2, 3, or 4 for a cube
  auto operator<=>(const FixedStage&) const = default;
};

struct FixedFunctionKey {
  bool transformed = false;  // POSITIONT: screen positions, no transforms, no lighting
  bool hasNormal = false, hasColour0 = false, hasColour1 = false;
  DWORD texcoordSets = 0;    // bit n: the declaration has TEXCOORDn
  bool lighting = false, specular = false, localViewer = false, normalize = false;
  DWORD diffuseSource = 0, specularSource = 0, ambientSource = 0, emissiveSource = 0;  // D3DMCS_
  std::array<DWORD, 8> lightTypes{};  // 0 off, else D3DLIGHTTYPE
  DWORD fog = 0;                      // D3DFOG_ mode, 0 without fog
  bool rangeFog = false;              // vertex fog by distance, not depth
  bool tableFog = false;              // per pixel, from the projected depth
  bool fogFromSpecular = false;       // the factor is the specular colour's alpha
  bool flat = false;                  // D3DSHADE_FLAT: colours from a primitive's first vertex
  int blendMatrices = 1;              // world matrices blended, by the vertex's weights
  bool srgbWrite = false;             // D3DRS_SRGBWRITEENABLE: the colour goes out as sRGB
  DWORD alphaFunction = 0;            // D3DCMP_, 0 without alpha test
  int stages = 0;                     // stages before the first disabled one
  std::array<FixedStage, 8> stage{};

  auto operator<=>(const FixedFunctionKey&) const = default;
};

// The vertex stage defines korMain (the layer appends main); both read the uniforms the
// layer sets: korWorld[4], korNormalMatrix[4] (each the inverse of world n × view, 3 × 3),
// korMaterial*, korStageConstant[8], korTextureMatrix[8], korStage0…7, and, in the block
// korFixedFrame that every program shares (binding kFixedFrameBinding, laid out as
// FixedFrame), korView, korProjection, korLight*[8], korAmbient, korFog*, korWFog,
// korAlphaRef, korTextureFactor, korViewport and korDepthOutside (whether pre-transformed
// depth below 0, above 1 passes).
constexpr unsigned kFixedFrameBinding = 2;  // after the vertex and pixel constants' 0 and 1

// The block korFixedFrame as std140 lays it out.
struct FixedFrame {
  float view[16], projection[16];  // Direct3D's row-vector matrices, read as GL's column-major
  float lights[8][7][4];           // diffuse, specular, ambient, position, direction, attenuation, spot
  float states[4][4];              // ambient, fog colour, texture factor; fog start, end, density, alpha ref
  float viewport[4];
  float flags[4];                  // depth below 0 passes, depth above 1 passes, w fog
};
static_assert(sizeof(FixedFrame) == 1120);
std::string FixedVertexStage(const FixedFunctionKey& key);
std::string FixedPixelStage(const FixedFunctionKey& key);

// Attribute slots by declaration usage: the fixed-function stage's locations, and those of
// a vertex program whose inputs all have one (AttributeSlots); -1 for none.
int FixedAttributeLocation(BYTE usage, BYTE usageIndex);
// A program's attribute names by slot (empty where it has no input), or nothing when two
// inputs share a slot or one has none.
std::vector<std::string> AttributeSlots(const std::vector<ShaderInput>& inputs);
// The vertex stage's attribute names, the one at location n n-th.
std::vector<std::string> FixedAttributeNames();

}  // namespace d3d9
