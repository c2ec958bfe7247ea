#pragma once
// The engine's numbers, named once: render states and their values, automatic constant
// sources, program profiles, vertex element usages and types, texture-stage operations and
// arguments, address modes and filter levels. Callers write RenderState::DepthWrite, not 3;
// the render module checks its tables against these at compile time.

#include <cstdint>

namespace KOR {

// A render-state set's slots, 0 … 66.
enum class RenderState : int {
  DepthEnable, FillMode, ShadeMode, DepthWrite, AlphaTestEnable, SourceBlend, DestBlend, CullMode,
  DepthFunction, AlphaReference, AlphaFunction, AlphaBlendEnable, FogEnable, SpecularEnable,
  FogColour, FogTableMode, FogStart, FogEnd, FogDensity, RangeFogEnable, StencilEnable,
  StencilFail, StencilDepthFail, StencilPass, StencilFunction, StencilReference, StencilMask,
  StencilWriteMask, Clipping, Lighting, Ambient, FogVertexMode, ColourVertex, LocalViewer,
  NormalizeNormals, DiffuseMaterialSource, SpecularMaterialSource, AmbientMaterialSource,
  EmissiveMaterialSource, VertexBlend, ClipPlaneEnable, PointSize, PointSizeMin,
  PointSpriteEnable, PointScaleEnable, PointScaleA, PointScaleB, PointScaleC, PointSizeMax,
  IndexedVertexBlendEnable, ColourWriteEnable, BlendOperation, ScissorTestEnable,
  TwoSidedStencilMode, CcwStencilFail, CcwStencilDepthFail, CcwStencilPass,
  CcwStencilFunction, ColourWriteEnable1, ColourWriteEnable2, ColourWriteEnable3, BlendFactor,
  SrgbWriteEnable, SeparateAlphaBlendEnable, SourceBlendAlpha, DestBlendAlpha,
  BlendOperationAlpha,
  Count
};

// Values of the blend-factor states.
enum class Blend : uint32_t {
  Zero, One, SourceColour, InverseSourceColour, SourceAlpha, InverseSourceAlpha, DestAlpha,
  InverseDestAlpha, DestColour, InverseDestColour, SourceAlphaSaturate, BothSourceAlpha,
  BothInverseSourceAlpha, BlendFactor, InverseBlendFactor
};
enum class BlendOperation : uint32_t { Add, Subtract, ReverseSubtract, Min, Max };
// Values of the depth, alpha and stencil function states.
enum class Compare : uint32_t { Never, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
enum class StencilOperation : uint32_t { Keep, Zero, Replace, IncrementSaturate, DecrementSaturate, Invert, Increment, Decrement };
enum class Fill : uint32_t { Point, Wireframe, Solid };
enum class Shade : uint32_t { Flat, Gouraud };
enum class Cull : uint32_t { None, Clockwise, CounterClockwise };
enum class FogMode : uint32_t { None, Exp, Exp2, Linear };
enum class MaterialSource : uint32_t { Material, Colour1, Colour2 };

// What a program constant follows from the automatic constant store; 0 is set by hand.
enum class AutoSource : int32_t {
  None, World, View, Projection, ViewProjection, InverseWorld, InverseView, InverseProjection,
  CameraLook, CameraPosition, CameraRight, CameraUp, CameraLookAgain, ScreenWidth, ScreenHeight
};

// GpuProgram::Create's profile argument.
enum class Profile : int {
  Vs11, Vs20, Vs30, Ps11, Ps12, Ps13, Ps14, Ps20, Ps2a, Ps2b, Ps30
};

// Vertex element usages, numbered as Direct3D 9's declaration usages.
enum class ElementUsage : uint32_t {
  Position, BlendWeight, BlendIndices, Normal, PointSize, TexCoord, Tangent, Binormal,
  TessFactor, PositionTransformed, Colour, Fog, Depth, Sample
};
// Vertex element types: one to four floats, a packed colour, four bytes, four shorts.
enum class ElementType : uint32_t { Float1, Float2, Float3, Float4, Colour, UByte4, Short4 };

// Texture-stage operations and argument selectors, with the argument modifiers.
enum class TextureOp : uint32_t {
  Disable, SelectArg1, SelectArg2, Modulate, Modulate2x, Modulate4x, Add, AddSigned,
  AddSigned2x, Subtract, AddSmooth
};
enum class TextureArg : uint32_t { Diffuse, Current, Texture, Specular, Temp };
constexpr uint32_t kTextureArgComplement = 0x200, kTextureArgAlphaReplicate = 0x400;
enum class AddressMode : uint32_t { Wrap, Mirror, Clamp, Border, MirrorOnce };
// Sampler filter levels: point, bilinear, bilinear (the same), trilinear, anisotropic.
enum class FilterLevel : uint32_t { Point, Bilinear, BilinearToo, Trilinear, Anisotropic };

constexpr int operator+(RenderState s) { return static_cast<int>(s); }
constexpr uint32_t operator+(Blend v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(BlendOperation v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(Compare v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(StencilOperation v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(Fill v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(Shade v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(Cull v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(FogMode v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(MaterialSource v) { return static_cast<uint32_t>(v); }
constexpr int32_t operator+(AutoSource v) { return static_cast<int32_t>(v); }
constexpr int operator+(Profile v) { return static_cast<int>(v); }
constexpr uint32_t operator+(ElementUsage v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(ElementType v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(TextureOp v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(TextureArg v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(AddressMode v) { return static_cast<uint32_t>(v); }
constexpr uint32_t operator+(FilterLevel v) { return static_cast<uint32_t>(v); }

}  // namespace KOR
