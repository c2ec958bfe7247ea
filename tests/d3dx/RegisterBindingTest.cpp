// Registers as D3DX assigns them: explicit register(cN/bN/iN/sN) bindings on globals and on
// uniform entry parameters, the lowest free registers for the rest, '$' names for entry
// parameters, and sampler1D as a 2D sampler of height 1.
#include <gtest/gtest.h>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/d3d9/DeviceTestSupport.h"
#include "tests/d3dx/ShaderTestSupport.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const d3d9::ShaderConstant* CodeConstant(const d3d9::ShaderCode& code, const std::string& name) {
  for (const d3d9::ShaderConstant& c : code.constants)
    if (c.name == name) return &c;
  return nullptr;
}

// The GLSL must stay what a plain 3.30 compiler takes, whatever the registers.
void ExpectPlainGlsl330(const std::string& glsl) {
  EXPECT_FALSE(Contains(glsl, "#extension")) << glsl;
  EXPECT_FALSE(Contains(glsl, "offset")) << glsl;
  EXPECT_FALSE(Contains(glsl, "binding")) << glsl;
  EXPECT_TRUE(Contains(glsl, "#version 330")) << glsl;
}

TEST(RegisterBinding, ExplicitRegistersOfEveryFileAreKeptOnGlobals) {
  Compiled c;
  Compile(c, R"(
float4 tint : register(c5);
float4x4 transform : register(c10);
bool enabled : register(b3);
int loops : register(i2);
sampler2D detail : register(s4);
float4 main(float2 uv : TEXCOORD0) : COLOR {
  float4 colour = tint + mul(float4(uv, 0, 1), transform);
  for (int i = 0; i < loops; ++i) colour *= 0.5;
  if (enabled) colour += tex2D(detail, uv);
  return colour;
}
)",
          "ps_3_0");
  ASSERT_EQ(c.result, D3D_OK) << c.Messages();
  EXPECT_EQ(c.errors, nullptr) << "register(iN) is D3DX's own syntax, not a warning: " << c.Messages();

  D3DXCONSTANT_DESC tint = c.Constant("tint");
  EXPECT_EQ(tint.RegisterSet, D3DXRS_FLOAT4);
  EXPECT_EQ(tint.RegisterIndex, 5u);
  D3DXCONSTANT_DESC transform = c.Constant("transform");
  EXPECT_EQ(transform.RegisterIndex, 10u);
  EXPECT_EQ(transform.RegisterCount, 4u);
  D3DXCONSTANT_DESC enabled = c.Constant("enabled");
  EXPECT_EQ(enabled.RegisterSet, D3DXRS_BOOL);
  EXPECT_EQ(enabled.RegisterIndex, 3u);
  D3DXCONSTANT_DESC loops = c.Constant("loops");
  EXPECT_EQ(loops.RegisterSet, D3DXRS_INT4);
  EXPECT_EQ(loops.RegisterIndex, 2u);
  EXPECT_EQ(c.table->GetSamplerIndex("detail"), 4u);

  // The device reads the same registers from the code, at the block's natural offsets.
  d3d9::ShaderCode code = c.Decoded();
  ASSERT_EQ(code.constants.size(), 4u);
  const d3d9::ShaderConstant* codeTint = CodeConstant(code, "tint");
  ASSERT_NE(codeTint, nullptr);
  EXPECT_EQ(codeTint->first, 5u);
  EXPECT_EQ(codeTint->offset, 0u) << "the block keeps std140 order, not register * 16";
  EXPECT_EQ(CodeConstant(code, "transform")->first, 10u);
  EXPECT_EQ(CodeConstant(code, "enabled")->file, d3d9::RegisterFile::Bool);
  EXPECT_EQ(CodeConstant(code, "enabled")->first, 3u);
  EXPECT_EQ(CodeConstant(code, "loops")->file, d3d9::RegisterFile::Int4);
  EXPECT_EQ(CodeConstant(code, "loops")->first, 2u);
  ASSERT_EQ(code.samplers.size(), 1u);
  EXPECT_EQ(code.samplers[0].index, 4u);
  ExpectPlainGlsl330(code.glsl);

  // Messages keep the caller's line numbers, and comments are left as written.
  Compiled error;
  Compile(error,
          "int loops : register(i1); // uniform const stays as written here\n"
          "float4 main(uniform const float4 scale) : COLOR {\n"
          "  return scale * loops * missingValue; }\n",
          "ps_2_0");
  EXPECT_TRUE(FAILED(error.result));
  EXPECT_TRUE(Contains(error.Messages(), "0:3:")) << error.Messages();
  EXPECT_FALSE(Contains(error.Messages(), "register")) << error.Messages();
}

TEST(RegisterBinding, UnboundConstantsTakeTheLowestFreeRegistersAroundExplicitOnes) {
  Compiled c;
  Compile(c, R"(
float4 first;
float4 unused : register(c1);
float4 pinned : register(c2);
float4x4 transform;
float4 last;
bool flag;
bool pinnedFlag : register(b0);
int count;
int pinnedCount : register(i0);
sampler2D base;
sampler2D pinnedMap : register(s0);
float4 main(float4 p : POSITION) : POSITION {
  float4 r = first + pinned + mul(p, transform) + last;
  if (flag && pinnedFlag) r += tex2Dlod(base, p) + tex2Dlod(pinnedMap, p);
  for (int i = 0; i < count + pinnedCount; ++i) r *= 0.5;
  return r;
}
)",
          "vs_3_0");
  ASSERT_EQ(c.result, D3D_OK) << c.Messages();
  EXPECT_EQ(c.Constant("first").RegisterIndex, 0u);
  EXPECT_EQ(c.Constant("pinned").RegisterIndex, 2u);
  // c1 is free but four registers do not fit there; a matrix needs an unbroken run.
  EXPECT_EQ(c.Constant("transform").RegisterIndex, 3u);
  EXPECT_EQ(c.Constant("last").RegisterIndex, 1u)
      << "the gap before the explicit one is used; an unused constant claims nothing";
  EXPECT_EQ(c.Constant("unused").Name, nullptr);
  EXPECT_EQ(c.Constant("pinnedFlag").RegisterIndex, 0u);
  EXPECT_EQ(c.Constant("flag").RegisterIndex, 1u);
  EXPECT_EQ(c.Constant("pinnedCount").RegisterIndex, 0u);
  EXPECT_EQ(c.Constant("count").RegisterIndex, 1u);
  EXPECT_EQ(c.table->GetSamplerIndex("pinnedMap"), 0u);
  EXPECT_EQ(c.table->GetSamplerIndex("base"), 1u);

  // The table still lists constants in declaration order, samplers last.
  D3DXCONSTANT_DESC first{};
  UINT count = 1;
  ASSERT_EQ(c.table->GetConstantDesc(c.table->GetConstant(nullptr, 0), &first, &count), D3D_OK);
  EXPECT_STREQ(first.Name, "first");

  d3d9::ShaderCode code = c.Decoded();
  EXPECT_EQ(CodeConstant(code, "transform")->first, 3u);
  EXPECT_EQ(CodeConstant(code, "last")->first, 1u);
  ExpectPlainGlsl330(code.glsl);
}

TEST(RegisterBinding, ClashingOrMismatchedRegistersFailWithAMessage) {
  Compiled overlap;
  Compile(overlap, R"(
float4x4 transform : register(c0);
float4 tint : register(c3);
float4 main(float4 p : POSITION) : POSITION { return mul(p, transform) + tint; }
)",
          "vs_2_0");
  EXPECT_TRUE(FAILED(overlap.result));
  EXPECT_TRUE(Contains(overlap.Messages(), "c3")) << overlap.Messages();
  EXPECT_EQ(overlap.code, nullptr);

  Compiled samplers;
  Compile(samplers, R"(
sampler2D a : register(s1);
sampler2D b : register(s1);
float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(a, uv) + tex2D(b, uv); }
)",
          "ps_2_0");
  EXPECT_TRUE(FAILED(samplers.result));
  EXPECT_TRUE(Contains(samplers.Messages(), "s1")) << samplers.Messages();

  Compiled outOfRange;
  Compile(outOfRange, "float4 tint : register(c224);\nfloat4 main() : COLOR { return tint; }\n",
          "ps_3_0");
  EXPECT_TRUE(FAILED(outOfRange.result));
  EXPECT_TRUE(Contains(outOfRange.Messages(), "c224")) << outOfRange.Messages();

  // A float in a bool register would reach the program as a bit pattern.
  Compiled wrongFile;
  Compile(wrongFile, "float4 tint : register(b0);\nfloat4 main() : COLOR { return tint; }\n",
          "ps_3_0");
  EXPECT_TRUE(FAILED(wrongFile.result));
  EXPECT_TRUE(Contains(wrongFile.Messages(), "tint")) << wrongFile.Messages();
}

TEST(RegisterBinding, UniformEntryParametersAreConstantsNamedWithADollar) {
  Compiled c;
  Compile(c, R"(
float4 global;
float4 main(float4 p : POSITION, uniform float4 offset : register(c6),
            uniform const float4 scale, const uniform float4 bias) : POSITION {
  return p * scale + offset + bias + global;
}
)",
          "vs_2_0");
  ASSERT_EQ(c.result, D3D_OK) << c.Messages();
  D3DXCONSTANT_DESC offset = c.Constant("$offset");
  ASSERT_NE(offset.Name, nullptr);
  EXPECT_STREQ(offset.Name, "$offset");
  EXPECT_EQ(offset.RegisterIndex, 6u);
  EXPECT_EQ(c.Constant("offset").Name, nullptr) << "D3DX knows it only by its '$' name";
  EXPECT_EQ(c.Constant("global").RegisterIndex, 0u);
  EXPECT_EQ(c.Constant("$scale").RegisterIndex, 1u);
  EXPECT_EQ(c.Constant("$bias").RegisterIndex, 2u);

  // "uniform const" is a constant like the others, not a vertex input.
  d3d9::ShaderCode code = c.Decoded();
  ASSERT_EQ(code.inputs.size(), 1u);
  EXPECT_EQ(code.inputs[0].usage, DWORD(D3DDECLUSAGE_POSITION));
  EXPECT_EQ(code.constants.size(), 4u);

  // Set through its '$' name, the parameter's register is written.
  D3D9Recording recording;
  D3D9StartRecording(&recording);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DPRESENT_PARAMETERS pp = WindowedParameters(16, 16, nullptr);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device), D3D_OK);
  D3DXVECTOR4 v = {1, 2, 3, 4};
  EXPECT_EQ(c.table->SetVector(device, c.table->GetConstantByName(nullptr, "$scale"), &v), D3D_OK);
  EXPECT_EQ(recording.calls.back(), "SetVertexShaderConstantF(1, [1 2 3 4], 1)");
  if (device) device->Release();
  d3d->Release();
  D3D9StopRecording();
}

TEST(RegisterBinding, Sampler1DReadsATwoDimensionalTextureOfHeightOne) {
  Compiled c;
  Compile(c, R"(
sampler1D ramp : register(s2);
sampler2D plain;
float4 main(float4 uv : TEXCOORD0) : COLOR {
  return tex1D(ramp, uv.x) + tex1Dlod(ramp, uv) + tex1Dproj(ramp, uv) + tex1Dbias(ramp, uv) +
         tex1Dgrad(ramp, uv.x, uv.y, uv.z) + tex2D(plain, uv.xy);
}
)",
          "ps_3_0");
  ASSERT_EQ(c.result, D3D_OK) << c.Messages();
  D3DXCONSTANT_DESC ramp = c.Constant("ramp");
  ASSERT_NE(ramp.Name, nullptr);
  EXPECT_EQ(ramp.Type, D3DXPT_SAMPLER1D);
  EXPECT_EQ(ramp.RegisterSet, D3DXRS_SAMPLER);
  EXPECT_EQ(ramp.RegisterIndex, 2u);
  EXPECT_EQ(c.Constant("plain").Type, D3DXPT_SAMPLER2D);
  EXPECT_EQ(c.table->GetSamplerIndex("plain"), 0u);

  d3d9::ShaderCode code = c.Decoded();
  ASSERT_EQ(code.samplers.size(), 2u);
  for (const d3d9::ShaderSampler& s : code.samplers)
    EXPECT_EQ(s.dimension, d3d9::SamplerDimension::Texture2D) << s.name;
  EXPECT_TRUE(Contains(code.glsl, "uniform sampler2D ps_ramp;")) << code.glsl;
  EXPECT_FALSE(Contains(code.glsl, "sampler1D")) << code.glsl;
  ExpectPlainGlsl330(code.glsl);
}

}  // namespace
