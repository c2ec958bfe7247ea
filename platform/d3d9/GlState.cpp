// The GL backend's state: Direct3D enumerations as GL values, render states applied from
// their dirty bits, viewport, scissor and transforms, and the draw that applies them.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "platform/d3d9/GlDevice.h"

namespace d3d9::gl {

std::optional<GLenum> CompareOf(DWORD function) {
  switch (function) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    case D3DCMP_ALWAYS: return GL_ALWAYS;
    default: return std::nullopt;
  }
}

std::optional<GLenum> BlendOf(DWORD factor) {
  switch (factor) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BOTHSRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_BOTHINVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return std::nullopt;
  }
}

float LinearToSrgb(float c) {
  return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
}

std::optional<GLenum> BlendOpOf(DWORD operation) {
  switch (operation) {
    case D3DBLENDOP_ADD: return GL_FUNC_ADD;
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return std::nullopt;
  }
}

std::optional<GLenum> StencilOpOf(DWORD operation) {
  switch (operation) {
    case D3DSTENCILOP_KEEP: return GL_KEEP;
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return std::nullopt;
  }
}

std::optional<GLenum> ModeOf(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return std::nullopt;
  }
}

std::optional<GLint> AddressOf(DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_WRAP: return GL_REPEAT;
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return 0x8743;  // GL_MIRROR_CLAMP_TO_EDGE
    default: return std::nullopt;
  }
}

std::optional<AttributeFormat> FormatOf(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return AttributeFormat{1, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT2: return AttributeFormat{2, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT3: return AttributeFormat{3, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT4: return AttributeFormat{4, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_D3DCOLOR: return AttributeFormat{GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};  // BGRA in memory
    case D3DDECLTYPE_UBYTE4: return AttributeFormat{4, GL_UNSIGNED_BYTE, GL_FALSE};
    case D3DDECLTYPE_UBYTE4N: return AttributeFormat{4, GL_UNSIGNED_BYTE, GL_TRUE};
    case D3DDECLTYPE_SHORT2: return AttributeFormat{2, GL_SHORT, GL_FALSE};
    case D3DDECLTYPE_SHORT4: return AttributeFormat{4, GL_SHORT, GL_FALSE};
    case D3DDECLTYPE_SHORT2N: return AttributeFormat{2, GL_SHORT, GL_TRUE};
    case D3DDECLTYPE_SHORT4N: return AttributeFormat{4, GL_SHORT, GL_TRUE};
    case D3DDECLTYPE_USHORT2N: return AttributeFormat{2, GL_UNSIGNED_SHORT, GL_TRUE};
    case D3DDECLTYPE_USHORT4N: return AttributeFormat{4, GL_UNSIGNED_SHORT, GL_TRUE};
    default: return std::nullopt;
  }
}

std::optional<TextureFormat> TextureFormatOf(D3DFORMAT f) {
  switch (f) {
    // Direct3D's A8R8G8B8 word is B, G, R, A in memory.
    case D3DFMT_A8R8G8B8: return TextureFormat{GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    case D3DFMT_X8R8G8B8: return TextureFormat{GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
    case D3DFMT_R5G6B5: return TextureFormat{GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
    // Direct3D reads the missing channels of a one-channel float format as 1.
    case D3DFMT_R16F: return TextureFormat{GL_R16F, GL_RED, GL_HALF_FLOAT, {GL_RED, GL_ONE, GL_ONE, GL_ONE}};
    case D3DFMT_A16B16G16R16F: return TextureFormat{GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    case D3DFMT_DXT1: return TextureFormat{0x83F1, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};  // S3TC DXT1 RGBA
    case D3DFMT_DXT3: return TextureFormat{0x83F2, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    case D3DFMT_DXT5: return TextureFormat{0x83F3, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    default: return std::nullopt;
  }
}

HRESULT GlDevice::DoDraw(const DrawCall& draw) {
  MakeCurrent();
  // Without programs, the pipeline follows the state: the key may have changed. With
  // them, sRGB writes choose between two endings of the program.
  if (!vertexShader && (changes.Marked(Change::FixedProgramKey) || changes.Marked(Change::Input) ||
                        changes.Marked(Change::Textures)))
    changes.Mark(Change::Program);
  if (current && current->srgbWrite != (renderStates[D3DRS_SRGBWRITEENABLE] != 0)) changes.Mark(Change::Program);
  changes.Clear(Change::FixedProgramKey);
  changes.Clear(Change::Textures);
  // Each group of fixed-function values that changed is news to every program.
  for (Change group : kFixedValueGroups) changes.Take(group);
  if (changes.Marked(Change::Program)) SelectProgram();
  if (!current || !current->name) {
    if (Logging()) Log("draw failed: " + (current ? current->failure : std::string("no program")));
    changes.Mark(Change::Program);  // the next draw tries again, and fails the same way
    return D3DERR_INVALIDCALL;
  }
  if (changes.Marked(Change::Viewport)) ApplyViewport();
  if (changes.Marked(Change::Scissor)) ApplyScissor();
  if (changes.Marked(Change::Transforms)) ApplyTransforms();
  if (renderStatesDirty.any()) ApplyRenderStates();
  ApplyProgramUniforms();
  if (samplersDirty.any() || samplersFor != current) {
    if (samplersFor != current) samplersDirty.set();
    ApplySamplers();
    samplersFor = current;
  }
  if (changes.Marked(Change::Input)) {
    ApplyInput();
    ApplyDepthClamp();
  }
  UploadLockedBuffers();
  GLenum mode = *ModeOf(draw.type);  // the core refuses other types
  if (!draw.indexed) {
    GL(DrawArrays)(mode, GLint(draw.first), GLsizei(draw.count));
  } else {
    UINT size = indices->IndexSize();
    GL(DrawElementsBaseVertex)(mode, GLsizei(draw.count), size == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                               reinterpret_cast<void*>(uintptr_t(draw.first) * size), draw.baseVertex);
  }
  return D3D_OK;
}

void GlDevice::SetColourMask(DWORD mask) {
  mask &= 0xF;
  if (glColourMask == mask) return;
  GL(ColorMask)(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE, mask & 4 ? GL_TRUE : GL_FALSE,
                mask & 8 ? GL_TRUE : GL_FALSE);
  glColourMask = mask;
}

void GlDevice::SetDepthMask(bool write) {
  if (glDepthMask == write) return;
  GL(DepthMask)(write ? GL_TRUE : GL_FALSE);
  glDepthMask = write;
}

void GlDevice::SetStencilMask(DWORD mask) {
  if (glStencilMask == mask) return;
  GL(StencilMask)(mask);
  glStencilMask = mask;
}

// The clear values of the buffers flags names (D3DCLEAR_), and each buffer's write mask
// open, as a clear needs it.
void GlDevice::SetClearValues(DWORD flags, const std::array<float, 4>& colour, float z, GLint stencil) {
  if (flags & D3DCLEAR_TARGET) {
    SetColourMask(0xF);
    if (glClearColour != colour) GL(ClearColor)(colour[0], colour[1], colour[2], colour[3]), glClearColour = colour;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    SetDepthMask(true);
    if (glClearDepth != z) GL(ClearDepth)(z), glClearDepth = z;
  }
  if (flags & D3DCLEAR_STENCIL) {
    SetStencilMask(0xFF);
    if (glClearStencil != stencil) GL(ClearStencil)(stencil), glClearStencil = stencil;
  }
}

void GlDevice::ApplyViewport() {
  // Sent even when GL holds it already: llvmpipe draws a few edge pixels differently
  // without it.
  GL(Viewport)(viewport.X, viewport.Y, viewport.Width, viewport.Height);
  // An empty or reversed depth range still spans a thousandth, as Direct3D maps it.
  float minZ = viewport.MinZ, maxZ = viewport.MaxZ;
  if (maxZ <= minZ) maxZ = minZ + 0.001f;
  std::array<float, 2> range{minZ, maxZ};
  if (glDepthRange != range) GL(DepthRange)(minZ, maxZ), glDepthRange = range;
  // Programs hear of a viewport that moved, not of one set again after a present.
  if (std::memcmp(&appliedViewport, &viewport, sizeof viewport) != 0) appliedViewport = viewport, changes.Advance(Change::Viewport);
  changes.Clear(Change::Viewport);
}

// The image is drawn with Direct3D's rows, so the rectangle needs no flip.
void GlDevice::ApplyScissor() {
  bool on = renderStates[D3DRS_SCISSORTESTENABLE] != 0;
  if (on) {
    GL(Scissor)(scissorRect.left, scissorRect.top, scissorRect.right - scissorRect.left,
                scissorRect.bottom - scissorRect.top);
    if (!scissorOn) GL(Enable)(GL_SCISSOR_TEST);
  } else if (scissorOn) {
    GL(Disable)(GL_SCISSOR_TEST);
  }
  scissorOn = on;
  changes.Clear(Change::Scissor);
}

void GlDevice::ApplyTransforms() {
  auto multiply = [](const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
  };
  worldViewProjection = multiply(multiply(world, view), projection);
  changes.Advance(Change::Transforms);
  if (std::memcmp(appliedWorlds.data(), worlds.data(), sizeof appliedWorlds) != 0)
    std::memcpy(appliedWorlds.data(), worlds.data(), sizeof appliedWorlds), changes.Advance(Change::World);
  if (std::memcmp(&appliedView, &view, sizeof view) != 0 ||
      std::memcmp(&appliedProjection, &projection, sizeof projection) != 0)
    appliedView = view, appliedProjection = projection, changes.Advance(Change::ViewProjection);
  changes.Clear(Change::Transforms);
}

// Pre-transformed vertices are never cut at the near and far planes: outside [0, 1] their
// depth compares as it stands (the fixed-function pixel stage decides those fragments), and
// without a depth test they are drawn, whatever D3DRS_CLIPPING says.
void GlDevice::ApplyDepthClamp() {
  bool transformed = false;
  for (const D3DVERTEXELEMENT9& e : declaration->elements)
    if (e.Usage == D3DDECLUSAGE_POSITIONT) transformed = true;
  bool clamp = transformed;
  if (clamp == depthClamped) return;
  if (clamp) GL(Enable)(GL_DEPTH_CLAMP);
  else GL(Disable)(GL_DEPTH_CLAMP);
  depthClamped = clamp;
}

void GlDevice::ApplyRenderStates() {
  auto changed = [&](D3DRENDERSTATETYPE s) { return renderStatesDirty.test(s); };
  const auto& rs = renderStates;
  if (changed(D3DRS_CULLMODE)) {
    // Culling off and on again keeps the face GL culls: two-sided surfaces between
    // culled ones cost the switch alone.
    bool on = rs[D3DRS_CULLMODE] != D3DCULL_NONE;
    if (glCullOn != on) {
      if (on) GL(Enable)(GL_CULL_FACE);
      else GL(Disable)(GL_CULL_FACE);
      glCullOn = on;
    }
    GLenum face = rs[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : GL_FRONT;
    if (on && glCullFace != face) GL(CullFace)(face), glCullFace = face;
  }
  if (changed(D3DRS_ZENABLE)) {
    if (rs[D3DRS_ZENABLE] && depthSurface && depthBound) GL(Enable)(GL_DEPTH_TEST);
    else GL(Disable)(GL_DEPTH_TEST);
  }
  if (changed(D3DRS_ZFUNC)) GL(DepthFunc)(*CompareOf(rs[D3DRS_ZFUNC]));
  if (changed(D3DRS_ZWRITEENABLE)) SetDepthMask(rs[D3DRS_ZWRITEENABLE] && depthBound);
  if (changed(D3DRS_ALPHABLENDENABLE)) {
    if (rs[D3DRS_ALPHABLENDENABLE]) GL(Enable)(GL_BLEND);
    else GL(Disable)(GL_BLEND);
  }
  bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
  // The factors matter only while blending: phases without it leave them as GL holds them
  // until one blends again.
  if (rs[D3DRS_ALPHABLENDENABLE] &&
      (changed(D3DRS_SRCBLEND) || changed(D3DRS_DESTBLEND) || changed(D3DRS_SEPARATEALPHABLENDENABLE) ||
       changed(D3DRS_SRCBLENDALPHA) || changed(D3DRS_DESTBLENDALPHA) || changed(D3DRS_ALPHABLENDENABLE) ||
       !glBlendFunctions)) {
    // An X8R8G8B8 target has no alpha to read: its destination alpha is 1.
    bool destinationAlpha = TargetHasAlpha();
    auto factor = [&](DWORD value) -> GLenum {
      if (!destinationAlpha && value == D3DBLEND_DESTALPHA) return GL_ONE;
      if (!destinationAlpha && (value == D3DBLEND_INVDESTALPHA || value == D3DBLEND_SRCALPHASAT)) return GL_ZERO;
      return *BlendOf(value);
    };
    // The both-alpha modes set the destination from the source.
    auto pair = [&](DWORD source, DWORD dest) {
      if (source == D3DBLEND_BOTHSRCALPHA) return std::make_pair(GLenum(GL_SRC_ALPHA), GLenum(GL_ONE_MINUS_SRC_ALPHA));
      if (source == D3DBLEND_BOTHINVSRCALPHA) return std::make_pair(GLenum(GL_ONE_MINUS_SRC_ALPHA), GLenum(GL_SRC_ALPHA));
      return std::make_pair(factor(source), factor(dest));
    };
    auto colour = pair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND]);
    auto alpha = separate ? pair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA]) : colour;
    const std::array<GLenum, 4> functions{colour.first, colour.second, alpha.first, alpha.second};
    if (glBlendFunctions != functions) {
      GL(BlendFuncSeparate)(functions[0], functions[1], functions[2], functions[3]);
      glBlendFunctions = functions;
    }
  }
  if (changed(D3DRS_BLENDOP) || changed(D3DRS_BLENDOPALPHA) || changed(D3DRS_SEPARATEALPHABLENDENABLE)) {
    GL(BlendEquationSeparate)(*BlendOpOf(rs[D3DRS_BLENDOP]),
                              *BlendOpOf(rs[separate ? D3DRS_BLENDOPALPHA : D3DRS_BLENDOP]));
  }
  if (changed(D3DRS_BLENDFACTOR)) {
    DWORD c = rs[D3DRS_BLENDFACTOR];
    GL(BlendColor)(((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f);
  }
  if (changed(D3DRS_FILLMODE))
    GL(PolygonMode)(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                       : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                 : GL_FILL);
  if (changed(D3DRS_STENCILENABLE)) {
    if (rs[D3DRS_STENCILENABLE] && depthSurface && depthBound) GL(Enable)(GL_STENCIL_TEST);
    else GL(Disable)(GL_STENCIL_TEST);
  }
  static const D3DRENDERSTATETYPE kStencil[] = {
      D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS, D3DRS_STENCILFUNC,
      D3DRS_STENCILREF, D3DRS_STENCILMASK, D3DRS_STENCILWRITEMASK, D3DRS_TWOSIDEDSTENCILMODE,
      D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL, D3DRS_CCW_STENCILPASS, D3DRS_CCW_STENCILFUNC};
  if (std::any_of(std::begin(kStencil), std::end(kStencil), changed)) {
    // Clockwise faces are GL's front faces here; two-sided mode gives the others their own.
    bool twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
    auto ccw = [&](D3DRENDERSTATETYPE cw, D3DRENDERSTATETYPE other) { return rs[twoSided ? other : cw]; };
    GLint ref = GLint(rs[D3DRS_STENCILREF] & 0xFF);
    GL(StencilFuncSeparate)(GL_FRONT, *CompareOf(rs[D3DRS_STENCILFUNC]), ref, rs[D3DRS_STENCILMASK]);
    GL(StencilFuncSeparate)(GL_BACK, *CompareOf(ccw(D3DRS_STENCILFUNC, D3DRS_CCW_STENCILFUNC)), ref,
                            rs[D3DRS_STENCILMASK]);
    GL(StencilOpSeparate)(GL_FRONT, *StencilOpOf(rs[D3DRS_STENCILFAIL]), *StencilOpOf(rs[D3DRS_STENCILZFAIL]),
                          *StencilOpOf(rs[D3DRS_STENCILPASS]));
    GL(StencilOpSeparate)(GL_BACK, *StencilOpOf(ccw(D3DRS_STENCILFAIL, D3DRS_CCW_STENCILFAIL)),
                          *StencilOpOf(ccw(D3DRS_STENCILZFAIL, D3DRS_CCW_STENCILZFAIL)),
                          *StencilOpOf(ccw(D3DRS_STENCILPASS, D3DRS_CCW_STENCILPASS)));
    SetStencilMask(rs[D3DRS_STENCILWRITEMASK]);
  }
  if (changed(D3DRS_COLORWRITEENABLE)) SetColourMask(rs[D3DRS_COLORWRITEENABLE]);
  if (changed(D3DRS_SCISSORTESTENABLE)) changes.Mark(Change::Scissor), ApplyScissor();
  if (changed(D3DRS_ALPHATESTENABLE) || changed(D3DRS_ALPHAFUNC) || changed(D3DRS_ALPHAREF))
    changes.Advance(Change::Alpha);
  if (changed(D3DRS_CLIPPING) || changed(D3DRS_ZENABLE)) ApplyDepthClamp();
  renderStatesDirty.reset();
}

}  // namespace d3d9::gl
